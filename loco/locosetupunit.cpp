#include "loco/locosetupunit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <exception>
#include <optional>
#include <string_view>

#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/lokunit.h"
#include "loco/GuardedHandler.h"
#include "loco/ThrottleControls.h"
#include "platform/DialogService.h"
#include "platform/TextFile.h"
#include "platform/qt/QtText.h"
#include "platform/qtwidgets/ChildCaption.h"
#include "platform/qtwidgets/ClickableImage.h"
#include "platform/qtwidgets/RadioGroup.h"
#include "texts/langunit.h"

TLocoForm* LocoForm = nullptr;

namespace {

const char* const kIconFiles[21] = {
    "Empty.bmp",     "func_off.bmp",  "hupe_aus.bmp",  "kupplung_aus.bmp", "wagenlicht_aus.bmp",
    "licht_aus.bmp", "dampf_aus.bmp", "pfeil_dop.bmp", "slow_off.bmp",     "Empty.bmp",
    "Empty.bmp",     "func_on.bmp",   "hupe_an.bmp",   "kupplung_an.bmp",  "wagenlicht_an.bmp",
    "licht_an.bmp",  "dampf_an.bmp",  "pfeil_dop.bmp", "slow_on.bmp",      "Empty.bmp",
    "Empty.bmp",
};

// What Save stores for one decoder choice.
struct ProtocolRow {
    const char* protocol;
    TMoBaProtocolBase protType;
    int protversion;
    int speedsteps;
    int functions;
    int bus;
};

// The bus numbers are fixed here; the bus settings of the settings dialog do not apply.
constexpr ProtocolRow kMaerklinRows[] = {
    {"M1", mpbMotorola, 1, 14, 0, 1}, {"M2", mpbMotorola, 2, 14, 4, 1}, {"M3", mpbMotorola, 3, 28, 4, 1},
    {"M4", mpbMotorola, 4, 14, 4, 1}, {"M5", mpbMotorola, 5, 27, 4, 1},
};
constexpr ProtocolRow kDccRows[] = {
    {"NB", mpbNMRA, 1, 14, 0, 2}, {"N1", mpbNMRA, 3, 28, 4, 2},  {"N2", mpbNMRA, 4, 128, 4, 2},
    {"N3", mpbNMRA, 5, 28, 4, 3}, {"N4", mpbNMRA, 6, 128, 4, 3}, {"N5", mpbNMRA, 2, 14, 4, 2},
};

const char* const kMaerklinItems[] = {"M1", "M2", "M3", "M4", "M5"};
const char* const kDccItems[] = {"Basis", "N1", "N2", "N3", "N4", "N5"};
const char* const kJoystickItems[] = {"F1", "F2", "F3", "F4", "keine"};
constexpr int kNoFunctionItem = 4;
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

// The item of the group whose protocol code is protocol, else 0.
template <std::size_t N> int itemOfProtocol(const ProtocolRow (&rows)[N], const std::string& protocol) {
    for (std::size_t i = 0; i < N; ++i)
        if (protocol == rows[i].protocol)
            return static_cast<int>(i);
    return 0;
}

int toInteger(const QString& text) {
    const std::string utf8 = text.toStdString();
    const std::optional<int32_t> value = parseDecimalInt(utf8);
    if (!value)
        throw ConversionError("'" + utf8 + "' is not a valid integer value");
    return *value;
}

std::string message(int number) {
    const int language = MainForm ? MainForm->Lang_id : 1;
    return Lang ? Lang->getmessage(number, language) : std::string();
}

QGroupBox* radioGroup(QWidget* parent, const char* name, const char* title, QButtonGroup*& items,
                      const char* const* texts, int count) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    box->setGeometry(8, 84, 200, 40 + 22 * count);
    items = new QButtonGroup(box);
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(texts[i], box);
        button->setObjectName(QString("%1_%2").arg(name).arg(i));
        button->setGeometry(12, 20 + 22 * i, 120, 20);
        items->addButton(button, i);
    }
    return box;
}

} // namespace

std::string flookup(int code) {
    if (code < 0 || code > 20) {
        if (debugOn())
            form().debugLine("flookup: no function icon for code " + std::to_string(code));
        return "Empty.bmp";
    }
    return kIconFiles[code];
}

QPixmap dataPicture(const std::string& name) {
    if (!Bahn)
        throw BitmapFileError("Cannot open file \"" + name + "\"");
    return QPixmap::fromImage(iconCache().load(Bahn->getDataPath() + name));
}

TLocoForm::TLocoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("LocoForm");
    setWindowTitle("Loco setup");
    resize(560, 420);
    buildControls();
    if (Lang)
        Lang->setCaptionSink("LocoForm", this);
    FormCreate();
}

TLocoForm::~TLocoForm() {
    if (Lang)
        Lang->setCaptionSink("LocoForm", nullptr);
}

void TLocoForm::buildControls() {
    auto label = [](QWidget* parent, const char* name, const char* text, int x, int y) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    auto edit = [this](const char* name, int x, int y, int w) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(x, y, w, 21);
        return e;
    };
    // A 15 x 15 picture on a small sunken panel.
    auto picture = [this](const QString& name, int x, int y) {
        auto* panel = new QFrame(this);
        panel->setObjectName(name + "_panel");
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setGeometry(x, y, 21, 21);
        auto* image = new ClickableImage(panel);
        image->setObjectName(name);
        image->setGeometry(3, 3, 15, 15);
        return image;
    };

    GroupBox2 = new QGroupBox("Protocol", this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(8, 8, 200, 70);
    RadioButton3 = new QRadioButton(GroupBox2);
    RadioButton3->setObjectName("RadioButton3");
    RadioButton3->setGeometry(12, 20, 17, 17);
    Maerklin_label = label(GroupBox2, "Maerklin_label", "Maerklin/Motorola", 32, 21);
    RadioButton4 = new QRadioButton(GroupBox2);
    RadioButton4->setObjectName("RadioButton4");
    RadioButton4->setGeometry(12, 44, 17, 17);
    DCC_label = label(GroupBox2, "DCC_label", "DCC", 32, 45);

    RadioGroup2 = radioGroup(this, "RadioGroup2", "Maerklin-Dekoder", RadioGroup2Items, kMaerklinItems, 5);
    RadioGroup1 = radioGroup(this, "RadioGroup1", "DCC-Decoder", RadioGroup1Items, kDccItems, 6);

    Adresse_label = label(this, "Adresse_label", "Decoder address", 224, 12);
    Adresse_edit = edit("Adresse_edit", 224, 28, 120);
    Beschreibung_label = label(this, "Beschreibung_label", "Description", 224, 56);
    Beschreibung_edit = edit("Beschreibung_edit", 224, 72, 200);
    Vmax_label = label(this, "Vmax_label", "Vmax", 224, 100);
    Vmax_edit = edit("Vmax_edit", 224, 116, 60);

    Func0 = picture("Func0", 224, 168);
    Func0->parentWidget()->hide();
    ClickableImage** keys[] = {&Func1, &Func2, &Func3, &Func4};
    for (int k = 1; k <= 4; ++k) {
        const int x = 224 + 48 * (k - 1);
        *keys[k - 1] = picture(QString("Func%1").arg(k), x, 168);
        m_functionGroup.push_back((*keys[k - 1])->parentWidget());
        m_functionGroup.push_back(label(this, qPrintable(QString("Func%1_caption").arg(k)),
                                        qPrintable(QString("F%1").arg(k)), x + 4, 152));
    }
    for (int code = 1; code <= 8; ++code) {
        Func_image[code] = picture(QString("Func_image%1").arg(code), 224 + 24 * (code - 1), 208);
        connect(Func_image[code], &ClickableImage::clicked, this,
                [this, code] { runGuarded([this, code] { Func_imageClick(code); }); });
    }
    for (int k = 1; k <= 4; ++k)
        connect(funcKey(k), &ClickableImage::pressed, this, [this, k](Qt::MouseButton button) {
            runGuarded([this, k, button] { FuncMouseDown(k, button); });
        });

    Joystick_label = label(this, "Joystick_label", "Joystick Buttons", 224, 244);
    ClickableImage** joys[] = {&Joy1, &Joy2, &Joy3, &Joy4};
    for (int k = 1; k <= 4; ++k) {
        const int x = 224 + 72 * (k - 1);
        *joys[k - 1] = picture(QString("Joy%1").arg(k), x, 278);
        QLabel* caption = label(this, qPrintable(QString("Joy%1_caption").arg(k)),
                                qPrintable(QString("B%1").arg(k)), x + 2, 262);
        // Of the button captions only B3 belongs to the function group.
        if (k >= 3)
            m_functionGroup.push_back((*joys[k - 1])->parentWidget());
        if (k == 3)
            m_functionGroup.push_back(caption);
    }
    auto combo = [this, &label](const char* name, const char* text, int x) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        box->setEditable(true);
        // Typed text selects one of the five items or none; it never becomes an item itself.
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setGeometry(x, 322, 64, 21);
        {
            const QSignalBlocker quiet(box);
            for (const char* item : kJoystickItems)
                box->addItem(item);
            box->setEditText(text);
        }
        m_functionGroup.push_back(box);
        m_functionGroup.push_back(label(this, qPrintable(QString(name) + "_caption"), "F1 ...F4", x, 306));
        return box;
    };
    K3CB = combo("K3CB", "--------", 224 + 72 * 2);
    K4CB = combo("K4CB", "----", 224 + 72 * 3);
    // The user changes a key's function by picking an item or typing; code sets the item under a
    // signal blocker and so never runs the handler.
    for (QComboBox* box : {K3CB, K4CB}) {
        auto change = [this, box] { runGuarded([this, box] { box == K3CB ? K3CBChange() : K4CBChange(); }); };
        connect(box, &QComboBox::editTextChanged, this, change);
        connect(box, &QComboBox::activated, this, change);
    }

    Fertig_button = new QPushButton("Save", this);
    Fertig_button->setObjectName("Fertig_button");
    Fertig_button->setGeometry(8, 380, 80, 25);
    Cancel_button = new QPushButton("Cancel", this);
    Cancel_button->setObjectName("Cancel_button");
    Cancel_button->setGeometry(96, 380, 80, 25);
    Zeigen_button = new QPushButton("Show", this);
    Zeigen_button->setObjectName("Zeigen_button");
    Zeigen_button->setGeometry(184, 380, 80, 25);
    Label6 = label(this, "Label6", "", 272, 386);
    Label6->setFixedWidth(280);

    // Save is no default: Enter in a field must not store the slot and close.
    keepEnterForTheDefaultButton(*this);
    connect(Fertig_button, &QPushButton::clicked, this,
            [this] { runGuarded([this] { Fertig_buttonClick(); }); });
    connect(Cancel_button, &QPushButton::clicked, this,
            [this] { runGuarded([this] { Cancel_buttonClick(); }); });
    connect(Zeigen_button, &QPushButton::clicked, this,
            [this] { runGuarded([this] { Zeigen_buttonClick(); }); });
    // Checking a button by code runs its handler as a click does.
    connect(RadioButton3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RadioButton3Click();
    });
    connect(RadioButton4, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RadioButton4Click();
    });
    connect(RadioGroup2Items, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            RadioGroup2Click();
    });
    connect(RadioGroup1Items, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            RadioGroup1Click();
    });
}

void TLocoForm::FormCreate() {
    K3index = 0;
    K4index = 0;
    Zwischenfunc = 0;
    Mm = true;
    Zeigen_button->setVisible(debugOn());
    RadioGroup2->show();
    RadioGroup1->hide();
}

ClickableImage* TLocoForm::funcKey(int k) const {
    ClickableImage* const keys[] = {Func0, Func1, Func2, Func3, Func4};
    return k >= 0 && k <= 4 ? keys[k] : nullptr;
}

int& TLocoForm::storefunc(int k) {
    int* const codes[] = {&Storefunc1, &Storefunc2, &Storefunc3, &Storefunc4};
    return *codes[std::clamp(k, 1, 4) - 1];
}

ClickableImage* TLocoForm::joyKey(int k) const {
    ClickableImage* const keys[] = {Joy1, Joy2, Joy3, Joy4};
    return k >= 1 && k <= 4 ? keys[k - 1] : nullptr;
}

int& TLocoForm::storejb(int k) {
    int* const codes[] = {&Storejb1, &Storejb2, &Storejb3, &Storejb4};
    return *codes[std::clamp(k, 1, 4) - 1];
}

void TLocoForm::setFunctionGroupVisible(bool visible) {
    for (QWidget* widget : m_functionGroup)
        widget->setVisible(visible);
}

int TLocoForm::setuplok(int N) {
    if (N < 0 || N >= LOKMAX || !Lok || !MainForm)
        return 0;
    TMainFormState& f = form();
    f.Regler_nr = N;
    Zeigen_button->setVisible(f.Debug);
    Adresse_edit->setText(QString::number(Lok->get_addr(N)));
    for (int code = 1; code <= 8; ++code)
        Func_image[code]->setPixmap(dataPicture(flookup(code)));

    // Groups to item 0, then the family's button (whose handler may reset the groups), then the
    // group's item: the order in which the handlers leave the slot's choice on screen.
    setRadioItem(RadioGroup2Items, 0);
    setRadioItem(RadioGroup1Items, 0);
    // The group handlers show the function group exactly for a decoder with functions.
    const std::string protocol = Lok->get_protocol(N);
    if (protocol.starts_with('M')) {
        RadioGroup2->show();
        RadioGroup1->hide();
        RadioButton3->setChecked(true);
        setRadioItem(RadioGroup2Items, itemOfProtocol(kMaerklinRows, protocol));
    } else if (protocol.starts_with('N')) {
        RadioGroup2->hide();
        RadioGroup1->show();
        RadioButton4->setChecked(true);
        setRadioItem(RadioGroup1Items, itemOfProtocol(kDccRows, protocol));
    }

    for (int k = 1; k <= 4; ++k) {
        funcKey(k)->setPixmap(QPixmap());
        storefunc(k) = 0;
    }
    Beschreibung_edit->setText(fromCp1252(Lok->get_name(N)));
    Vmax_edit->setText(QString::number(Lok->get_speedmax(N)));

    if (Lok->get_nrof(N) > 0) {
        TLokFunctions F{};
        Lok->get_F(N, F);
        for (int k = 1; k <= 4; ++k) {
            const int code = F[static_cast<std::size_t>(k)];
            if (code == 0)
                continue;
            // Every function is shown by its on icon; the pending code keeps the slot's value.
            storefunc(k) = code;
            funcKey(k)->setPixmap(dataPicture(flookup(code < 10 ? code + 10 : code)));
        }
    }

    // Button 1 is always the direction key and button 2 the F0 key.
    Storejb1 = 7;
    Joy1->setPixmap(dataPicture(flookup(7)));
    Storejb2 = 1;
    Joy2->setPixmap(dataPicture(flookup(1)));
    loadJoystickKey(3, N);
    loadJoystickKey(4, N);

    return dialogs().modalWindow("LocoForm", [this] { return exec(); });
}

void TLocoForm::loadJoystickKey(int key, int slot) {
    const int code = key == 3 ? Lok->get_jb3(slot) : Lok->get_jb4(slot);
    // Everything comes from this slot, so that nothing of the loco edited before carries over.
    if (code > 0) {
        storejb(key) = code;
        joyKey(key)->setPixmap(dataPicture(flookup(code)));
    } else {
        storejb(key) = 0;
        joyKey(key)->setPixmap(QPixmap());
    }
    QComboBox* combo = key == 3 ? K3CB : K4CB;
    const std::string function = key == 3 ? Lok->get_jb3func(slot) : Lok->get_jb4func(slot);
    const int index = combo->findText(fromCp1252(function), Qt::MatchExactly | Qt::MatchCaseSensitive);
    {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(index);
    }
    (key == 3 ? K3index : K4index) = index;
}

void TLocoForm::RadioButton3Click() {
    Mm = true;
    RadioGroup2->show();
    RadioGroup1->hide();
}

void TLocoForm::RadioButton4Click() {
    Mm = false;
    RadioGroup2->hide();
    setRadioItem(RadioGroup2Items, 0);
    RadioGroup1->show();
    setRadioItem(RadioGroup1Items, 0);
}

void TLocoForm::RadioGroup2Click() {
    setFunctionGroupVisible(radioItem(RadioGroup2Items) >= 1);
}

void TLocoForm::RadioGroup1Click() {
    setFunctionGroupVisible(radioItem(RadioGroup1Items) >= 1);
}

void TLocoForm::Func_imageClick(int code) {
    if (code < 1 || code > 8)
        return;
    // The pick stays in the dialog; the user's clipboard is not the place for it.
    Zwischenfunc = code;
    m_pickedPicture = Func_image[static_cast<std::size_t>(code)]->pixmap();
}

void TLocoForm::FuncMouseDown(int k, Qt::MouseButton button) {
    ClickableImage* key = funcKey(k);
    if (!key || k < 1)
        return;
    if (button == Qt::LeftButton) {
        if (Zwischenfunc == 0)
            return;
        key->setPixmap(m_pickedPicture);
        storefunc(k) = Zwischenfunc;
        Zwischenfunc = 0;
        m_pickedPicture = QPixmap();
    } else if (button == Qt::RightButton) {
        // Only the pending code goes; the slot changes on Save, and Cancel leaves it as it was.
        key->setPixmap(QPixmap());
        storefunc(k) = 0;
    }
}

void TLocoForm::K3CBChange() {
    joystickComboChange(3);
}

void TLocoForm::K4CBChange() {
    joystickComboChange(4);
}

void TLocoForm::joystickComboChange(int key) {
    QComboBox* combo = key == 3 ? K3CB : K4CB;
    // Typed text that is no item chooses nothing.
    const int index = combo->findText(combo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    (key == 3 ? K3index : K4index) = index;
    if (index >= 0 && index < kNoFunctionItem) {
        joyKey(key)->setPixmap(funcKey(index + 1)->pixmap());
        storejb(key) = storefunc(index + 1);
    } else if (index == kNoFunctionItem) {
        joyKey(key)->setPixmap(QPixmap());
        storejb(key) = 0;
    }
}

void TLocoForm::Zeigen_buttonClick() {
    if (!Lok || !MainForm)
        return;
    TLokFunctions F{};
    Lok->get_F(form().Regler_nr, F);
    QString text;
    for (int k = 1; k <= 4; ++k)
        text += QString("%1F%2:%3").arg(k > 1 ? " " : "").arg(k).arg(F[static_cast<std::size_t>(k)]);
    Label6->setText(text);
}

void TLocoForm::Cancel_buttonClick() {
    reject();
}

bool TLocoForm::storeSlot(int N) {
    // Both numbers are checked before anything is stored, so a typing error leaves the slot whole.
    const int address = toInteger(Adresse_edit->text());
    int speedMax = 100;
    if (!Vmax_edit->text().isEmpty())
        speedMax = toInteger(Vmax_edit->text());
    if (speedMax < 1) {
        dialogs().message(message(102), message(140), MessageIcon::Stop);
        return false;
    }

    Lok->set_addr(N, address);
    if (!Beschreibung_edit->text().isEmpty()) {
        // Every kind of white space goes, the tabs and line breaks of a pasted name too: the
        // settings file holds a name on one line.
        std::string name = toCp1252(Beschreibung_edit->text());
        std::erase_if(name, [](char c) { return kWhiteSpace.find(c) != std::string_view::npos; });
        Lok->set_name(N, name);
    }
    Lok->set_speedmax(N, speedMax);

    const int item = Mm ? radioItem(RadioGroup2Items) : radioItem(RadioGroup1Items);
    const std::size_t rows = Mm ? std::size(kMaerklinRows) : std::size(kDccRows);
    if (item >= 0 && static_cast<std::size_t>(item) < rows) {
        const ProtocolRow& row = Mm ? kMaerklinRows[item] : kDccRows[item];
        Lok->set_protocolbase(N, row.protType);
        Lok->set_Busnr(N, row.bus);
        Lok->set_protocol(N, row.protocol);
        Lok->set_protversion(N, row.protversion);
        Lok->set_speedsteps(N, row.speedsteps);
        Lok->set_nrof(N, row.functions);
    }
    Lok->set_speed(N, 0);
    Lok->set_direction(N, 1);

    if (Lok->get_nrof(N) > 0) {
        TLokFunctions F{};
        Lok->get_F(N, F);
        F[0] = 1;
        for (int k = 1; k <= 4; ++k)
            F[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::clamp(storefunc(k), 0, 255));
        Lok->set_F(N, F);
    }
    Lok->set_jb1(N, Storejb1);
    Lok->set_jb2(N, Storejb2);
    Lok->set_jb3(N, Storejb3);
    Lok->set_jb4(N, Storejb4);
    auto chosen = [](const QComboBox* combo, int index) {
        return index >= 0 && index < combo->count() ? toCp1252(combo->itemText(index)) : std::string();
    };
    Lok->set_jb3func(N, chosen(K3CB, K3index));
    Lok->set_jb4func(N, chosen(K4CB, K4index));
    return true;
}

void TLocoForm::Fertig_buttonClick() {
    if (!Lok || !Bahn || !MainForm)
        return;
    const int N = form().Regler_nr;
    if (N >= 0 && N < LOKMAX && !Adresse_edit->text().isEmpty() && !storeSlot(N))
        return;

    // The throttles follow the changed slot even when the file cannot be written; the dialog then
    // stays open so that Save can be tried again.
    std::exception_ptr failure;
    try {
        Bahn->parameterspeichern();
    } catch (...) {
        failure = std::current_exception();
    }
    if (ThrottleControls* throttles = throttleControls())
        for (int i = 0; i < LOKMAX; ++i)
            throttles->setupScrollBar(i);
    if (failure)
        std::rethrow_exception(failure);
    accept();
}

void TLocoForm::setCaption(const std::string& objectName, const std::string& text) {
    setChildCaption(*this, objectName, text);
}

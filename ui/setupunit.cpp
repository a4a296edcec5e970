#include "ui/setupunit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/MainFormState.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/TextFile.h"
#include "platform/qtwidgets/ChildCaption.h"
#include "platform/qtwidgets/RadioGroup.h"
#include "texts/langunit.h"

TSetupForm* SetupForm = nullptr;

namespace {

// The three connections use P, P + 1 and P + 2.
constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65533;

QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

int language() {
    return MainForm ? MainForm->Lang_id : LANGDEUTSCH;
}

std::string message(int number) {
    return Lang ? Lang->getmessage(number, language()) : std::string();
}

} // namespace

const TSetupForm::BusControl TSetupForm::kBusControls[7] = {
    {&TSetupForm::udMMLoco, &TSettingsFields::BusGlMM},
    {&TSetupForm::udNMRAsLoco, &TSettingsFields::BusGlNMRA_S},
    {&TSetupForm::udNMRAlLoco, &TSettingsFields::BusGlNMRA_L},
    {&TSetupForm::udMMSol, &TSettingsFields::BusGaMM},
    {&TSetupForm::udNMRASol, &TSettingsFields::BusGaNMRA},
    {&TSetupForm::udS88, &TSettingsFields::BusS88},
    {&TSetupForm::udPower, &TSettingsFields::Buspower},
};

TSetupForm::TSetupForm(QWidget* parent) : QDialog(parent) {
    setObjectName("SetupForm");
    setWindowTitle("Quarn setup");
    resize(513, 454);
    buildControls();
    if (Lang)
        Lang->setCaptionSink("SetupForm", this);
}

TSetupForm::~TSetupForm() {
    if (Lang)
        Lang->setCaptionSink("SetupForm", nullptr);
}

void TSetupForm::buildControls() {
    auto label = [](QWidget* parent, const char* name, const char* text) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        return l;
    };
    auto checkBox = [](QWidget* parent, const char* name, const char* text) {
        auto* box = new QCheckBox(text, parent);
        box->setObjectName(name);
        return box;
    };

    PC1 = new QTabWidget(this);
    PC1->setObjectName("PC1");
    TS1 = new QWidget;
    TS1->setObjectName("TS1");
    TS2 = new QWidget;
    TS2->setObjectName("TS2");
    PC1->addTab(TS1, "Global settings");
    PC1->addTab(TS2, "SRCP");

    // Global settings: server, info channel, language, joystick module, assistant.
    auto* global = new QGridLayout(TS1);
    Labelhost = label(TS1, "Labelhost", "Server (IP-Address):");
    Edithost = new QLineEdit(TS1);
    Edithost->setObjectName("Edithost");
    Editport = new QLineEdit(TS1);
    Editport->setObjectName("Editport");
    CheckBox1 = checkBox(TS1, "CheckBox1", "Activate Info channel ");
    Infokanal_label = label(TS1, "Infokanal_label", "Activate info chanel");
    Labellang = label(TS1, "Labellang", "Language");
    CBLang = new QComboBox(TS1);
    CBLang->setObjectName("CBLang");
    CBLang->addItems({"Deutsch", "English", "Svenska", "Espanol", "Italiano", "Nederlands", "Francais"});
    LabelJoymod = label(TS1, "LabelJoymod", "Joystick module");
    RGDirectX = makeRadioGroup(TS1, "RGDirectX", "", {"DirectX", "Win Messaging"}, RGDirectXItems);
    Assist1_label = label(TS1, "Assist1_label", "Display assist");
    Assist2_label = label(TS1, "Assist2_label", "on start");
    // Its items are set on every show, in the language of that moment.
    RGAssist = makeRadioGroup(TS1, "RGAssist", "", {"No", "Yes"}, RGAssistItems);
    global->addWidget(Labelhost, 0, 0);
    global->addWidget(Edithost, 0, 1);
    global->addWidget(label(TS1, "Labelport", "Port:"), 1, 0);
    global->addWidget(Editport, 1, 1);
    global->addWidget(Infokanal_label, 2, 0);
    global->addWidget(CheckBox1, 2, 1);
    global->addWidget(Labellang, 3, 0);
    global->addWidget(CBLang, 3, 1);
    global->addWidget(LabelJoymod, 4, 0);
    global->addWidget(RGDirectX, 4, 1);
    auto* assistLabels = new QVBoxLayout;
    assistLabels->addWidget(Assist1_label);
    assistLabels->addWidget(Assist2_label);
    global->addLayout(assistLabels, 5, 0);
    global->addWidget(RGAssist, 5, 1);
    global->setRowStretch(6, 1);

    // SRCP: transport, power, bus numbers.
    auto* srcp = new QGridLayout(TS2);
    LabelSRCPVersion = label(TS2, "LabelSRCPVersion", "SRCP version");
    RGSrcp = makeRadioGroup(TS2, "RGSrcp", "", {"SRCP 0.73", "SRCP 0.80"}, RGSrcpItems);
    cbPower = checkBox(TS2, "cbPower", "Monitor Power state");
    cbAutoPower = checkBox(TS2, "cbAutoPower", "Automatic Power On");
    srcp->addWidget(LabelSRCPVersion, 0, 0);
    srcp->addWidget(RGSrcp, 0, 1);
    srcp->addWidget(cbPower, 1, 0);
    srcp->addWidget(label(TS2, "cbPower_note", "(only SRCP 0.73 mode)"), 1, 1);
    srcp->addWidget(cbAutoPower, 2, 0);
    srcp->addWidget(label(TS2, "cbAutoPower_note", "(only SRCP 0.73 mode)"), 2, 1);
    const struct {
        QSpinBox* TSetupForm::*control;
        const char* name;
        const char* caption;
    } buses[] = {
        {&TSetupForm::udMMLoco, "udMMLoco", "Marklin/Motorola loco decoders"},
        {&TSetupForm::udNMRAsLoco, "udNMRAsLoco", "NMRA/DCC loco decoders with short address"},
        {&TSetupForm::udNMRAlLoco, "udNMRAlLoco", "NMRA/DCC loco decoders with long address"},
        {&TSetupForm::udMMSol, "udMMSol", "Marklin/Motorola solenoid decoders"},
        {&TSetupForm::udNMRASol, "udNMRASol", "NMRA/DCC solenoid decoders"},
        {&TSetupForm::udS88, "udS88", "S88 feedback "},
        {&TSetupForm::udPower, "udPower", "Power"},
    };
    int row = 3;
    for (const auto& bus : buses) {
        auto* spin = new QSpinBox(TS2);
        spin->setObjectName(bus.name);
        // The range of the up-down controls; a stored number outside is shown and kept clamped.
        spin->setRange(0, 100);
        this->*bus.control = spin;
        srcp->addWidget(new QLabel(bus.caption, TS2), row, 0);
        srcp->addWidget(spin, row, 1);
        ++row;
    }
    srcp->setRowStretch(row, 1);

    Ok_button = new QPushButton("&Save", this);
    Ok_button->setObjectName("Ok_button");
    Cancel_button = new QPushButton("&Cancel", this);
    Cancel_button->setObjectName("Cancel_button");
    connect(Ok_button, &QPushButton::clicked, this, &TSetupForm::accept);
    connect(Cancel_button, &QPushButton::clicked, this, &TSetupForm::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Ok_button);
    buttons->addWidget(Cancel_button);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(PC1);
    outer->addLayout(buttons);
    // Save is no default: Enter in a field must not take half-typed settings.
    keepEnterForTheDefaultButton(*this);
}

void TSetupForm::showSettings(const TSettingsFields& settings, bool Dxpresent, bool connectionOpen) {
    Edithost->setText(qs(cp1252ToUtf8(settings.Iphostchar)));
    Editport->setText(QString::number(settings.Ipport));
    CheckBox1->setChecked(settings.Infoport_an == 1);
    // The engine runs "SRCP 0.80" for every number but 73, and so does the dialog show it.
    setRadioItem(RGSrcpItems, settings.SrcpVer == 73 ? 0 : 1);
    RGSrcp->setEnabled(!connectionOpen);
    setRadioItem(RGDirectXItems, settings.Joy_Mode != 0 ? 1 : 0);
    RGDirectX->setEnabled(Dxpresent);
    CBLang->setCurrentIndex(settings.Lang_id >= 1 && settings.Lang_id <= NUMLANG ? settings.Lang_id - 1 : -1);
    cbPower->setChecked(settings.Monitorpower == 1);
    cbAutoPower->setChecked(settings.Autopower == 1);
    for (const BusControl& bus : kBusControls)
        (this->*bus.control)->setValue(settings.*bus.field);
}

void TSetupForm::takeHostAndPort(TSettingsFields& settings) const {
    if (!Edithost->text().isEmpty())
        settings.Iphostchar = utf8ToCp1252(Edithost->text().toStdString());
    // A port that accept() would have refused is not taken either.
    if (const std::optional<int> port = portField(); port && *port > 0)
        settings.Ipport = *port;
}

void TSetupForm::takeSettings(TSettingsFields& settings, bool Dxpresent) const {
    settings.Infoport_an = CheckBox1->isChecked() ? 1 : 0;
    settings.SrcpVer = radioItem(RGSrcpItems) == 0 ? 73 : 80;
    settings.Joy_Mode = !Dxpresent || radioItem(RGDirectXItems) != 0 ? 1 : 0;
    if (const int item = CBLang->currentIndex(); item >= 0 && item < NUMLANG)
        settings.Lang_id = item + 1;
    if (const int item = radioItem(RGAssistItems); item == 0 || item == 1)
        settings.Showassist = item;
    settings.Monitorpower = cbPower->isChecked() ? 1 : 0;
    settings.Autopower = cbAutoPower->isChecked() ? 1 : 0;
    for (const BusControl& bus : kBusControls)
        settings.*bus.field = (this->*bus.control)->value();
}

std::optional<int> TSetupForm::portField() const {
    const std::string text = Editport->text().toStdString();
    if (text.empty())
        return std::nullopt;
    const std::optional<int32_t> port = parseDecimalInt(text);
    if (!port || *port < kLowestPort || *port > kHighestPort)
        return -1;
    return *port;
}

void TSetupForm::accept() {
    if (const std::optional<int> port = portField(); port && *port < 0) {
        dialogs().message(message(102), message(140), MessageIcon::Stop);
        return;
    }
    QDialog::accept();
}

void TSetupForm::FormShow() {
    // Clearing the items cleared the choice; the value stays when it names no item.
    setRadioItem(RGAssistItems, -1);
    RGAssistItems->button(0)->setText(qs(message(74)));
    RGAssistItems->button(1)->setText(qs(message(75)));
    Assist1_label->setText(qs(message(72)));
    Assist2_label->setText(qs(message(73)));
    if (MainForm && (MainForm->Showassist == 0 || MainForm->Showassist == 1))
        setRadioItem(RGAssistItems, MainForm->Showassist);
    PC1->setCurrentWidget(TS1);
}

void TSetupForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSetupForm::setCaption(const std::string& objectName, const std::string& text) {
    setChildCaption(*this, objectName, text);
}

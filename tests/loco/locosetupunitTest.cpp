// The loco setup dialog: filling it from a slot, Save, the function and joystick keys, the palette,
// and its captions.

#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "LocoFixture.h"
#include "platform/TextFile.h"
#include "platform/qtwidgets/RadioGroup.h"
#include "texts/langunit.h"

namespace {

using Lines = std::vector<std::string>;

class LocoSetupTest : public LocoFixture {
protected:
    // The 50 lines of slot's record in the settings file.
    Lines record(int slot) const {
        const std::string bytes = readFileBytes(m_dir.path() + "Data/parmc.dat");
        Lines lines;
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t end = bytes.find("\r\n", start);
            lines.push_back(bytes.substr(start, end - start));
            start = end + 2;
        }
        const auto first = lines.begin() + 16 + 50 * slot;
        return Lines(first, first + 50);
    }
    static Lines expectedRecord(const std::vector<std::string>& head, const std::vector<int>& f0to4,
                                const Lines& joystick) {
        Lines lines = head;
        for (int k = 0; k < 32; ++k)
            lines.push_back(std::to_string(k < 5 ? f0to4[static_cast<std::size_t>(k)] : 0));
        lines.insert(lines.end(), joystick.begin(), joystick.end());
        return lines;
    }

    // Opens the dialog for slot; user runs while it is open and its result is what setuplok gives.
    int open(int slot, const std::function<void(TLocoForm&)>& user) {
        m_dialogs.pushWindow([this, user] {
            user(*m_dialog);
            return m_dialog->result();
        });
        return m_dialog->setuplok(slot);
    }
    // The user picks an item from a combo box's list.
    static void choose(QComboBox* combo, const QString& item) {
        const int index = combo->findText(item);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    static void typeInto(QComboBox* combo, const QString& text) {
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), text);
    }
    bool functionGroupShown() const {
        const bool shown = !m_dialog->Func1->parentWidget()->isHidden();
        for (const char* name : {"Func2_panel", "Func4_caption", "Joy3_panel", "Joy4_panel", "Joy3_caption",
                                 "K3CB", "K4CB", "K3CB_caption", "K4CB_caption"})
            EXPECT_EQ(!m_dialog->findChild<QWidget*>(name)->isHidden(), shown) << name;
        return shown;
    }
};

struct Choice {
    bool maerklin;
    int item;
    std::vector<std::string> head; // lines 1..10 of the record
    int f0;
};

TEST_F(LocoSetupTest, SaveStoresEachProtocolRow) {
    const Choice choices[] = {
        {true, 0, {"M1", "4", "1", "Br218", "24", "1", "1", "0", "28", "0"}, 0},
        {true, 1, {"M2", "4", "2", "Br218", "24", "1", "1", "0", "28", "4"}, 1},
        {true, 2, {"M3", "4", "3", "Br218", "24", "1", "1", "0", "28", "4"}, 1},
        {true, 3, {"M4", "4", "4", "Br218", "24", "1", "1", "0", "28", "4"}, 1},
        {true, 4, {"M5", "4", "5", "Br218", "24", "1", "1", "0", "28", "4"}, 1},
        {false, 0, {"NB", "5", "1", "Br218", "24", "2", "1", "0", "28", "0"}, 0},
        {false, 1, {"N1", "5", "3", "Br218", "24", "2", "1", "0", "28", "4"}, 1},
        {false, 2, {"N2", "5", "4", "Br218", "24", "2", "1", "0", "28", "4"}, 1},
        {false, 3, {"N3", "5", "5", "Br218", "24", "3", "1", "0", "28", "4"}, 1},
        {false, 4, {"N4", "5", "6", "Br218", "24", "3", "1", "0", "28", "4"}, 1},
        {false, 5, {"N5", "5", "2", "Br218", "24", "2", "1", "0", "28", "4"}, 1},
    };
    const Lines joystick = {"7", "1", "3", "2", "Direction", "Func", "F2", "F3"};
    m_form.BusGlMM = 9; // the bus settings do not apply here
    for (const Choice& c : choices) {
        SCOPED_TRACE(c.head[0]);
        Lok->lokinit(5);
        const int result = open(5, [&c](TLocoForm& d) {
            (c.maerklin ? d.RadioButton3 : d.RadioButton4)->click();
            (c.maerklin ? d.RadioGroup2Items : d.RadioGroup1Items)->button(c.item)->click();
            d.Adresse_edit->setText("24");
            d.Beschreibung_edit->setText("Br 218");
            d.Vmax_edit->setText("28");
            d.Fertig_button->click();
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(record(5), expectedRecord(c.head, {c.f0, 0, 0, 0, 0}, joystick));
        EXPECT_EQ(m_dialog->Mm, c.maerklin);
    }
}

TEST_F(LocoSetupTest, SetuplokShowsTheSlotsProtocol) {
    struct Case {
        std::string protocol;
        bool maerklin; // RadioButton3 checked and RadioGroup2 shown, else RadioButton4 and RadioGroup1
        int item;
        bool functions;
    };
    // One dialog for all, so that nothing of the loco before may stay.
    const Case cases[] = {
        {"M3", true, 2, true},   {"N2", false, 2, true}, {"M1", true, 0, false}, {"N4", false, 4, true},
        {"NB", false, 0, false}, {"N5", false, 5, true}, {"M5", true, 4, true},  {"M2", true, 1, true},
        {"M1", true, 0, false},  {"N1", false, 1, true},
    };
    TLocoForm& d = *m_dialog;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protocol);
        Lok->set_protocol(1, c.protocol);
        m_dialogs.pushWindowResult(0);
        d.setuplok(1);
        EXPECT_EQ(d.RadioButton3->isChecked(), c.maerklin);
        EXPECT_EQ(d.RadioButton4->isChecked(), !c.maerklin);
        EXPECT_EQ(d.Mm, c.maerklin);
        EXPECT_EQ(!d.RadioGroup2->isHidden(), c.maerklin);
        EXPECT_EQ(!d.RadioGroup1->isHidden(), !c.maerklin);
        EXPECT_EQ(radioItem(c.maerklin ? d.RadioGroup2Items : d.RadioGroup1Items), c.item);
        EXPECT_EQ(functionGroupShown(), c.functions);
        // B4's caption is not part of the function group.
        EXPECT_FALSE(d.findChild<QWidget*>("Joy4_caption")->isHidden());
    }
}

TEST_F(LocoSetupTest, SetuplokFillsTheFieldsAndKeys) {
    setSlot(3, "N2", 24, 28, 0, 4);
    Lok->set_name(3, "Gl\xE4serner");
    setFunctions(3, {11, 2, 0, 15, 8});
    Lok->set_jb3(3, 12);
    Lok->set_jb3func(3, "F1");
    Lok->set_jb4(3, 5);
    Lok->set_jb4func(3, "keine");
    m_dialogs.pushWindowResult(0);
    TLocoForm& d = *m_dialog;
    d.setuplok(3);

    EXPECT_EQ(m_form.Regler_nr, 3);
    EXPECT_EQ(d.Adresse_edit->text(), "24");
    EXPECT_EQ(d.Beschreibung_edit->text(), QString::fromUtf8("Gl\xC3\xA4serner"));
    EXPECT_EQ(d.Vmax_edit->text(), "28");
    EXPECT_FALSE(d.Func0->parentWidget()->isVisibleTo(&d));
    EXPECT_TRUE(d.Zeigen_button->isHidden());
    // Every function by its on icon; the pending codes as the slot holds them.
    EXPECT_TRUE(shows(d.Func1, "hupe_an.bmp"));
    EXPECT_TRUE(d.Func2->pixmap().isNull());
    EXPECT_TRUE(shows(d.Func3, "licht_an.bmp"));
    EXPECT_TRUE(shows(d.Func4, "slow_on.bmp"));
    EXPECT_EQ(std::vector<int>({d.Storefunc1, d.Storefunc2, d.Storefunc3, d.Storefunc4}),
              std::vector<int>({2, 0, 15, 8}));
    EXPECT_EQ(std::vector<int>({d.Storejb1, d.Storejb2, d.Storejb3, d.Storejb4}),
              std::vector<int>({7, 1, 12, 5}));
    EXPECT_TRUE(shows(d.Joy1, "pfeil_dop.bmp"));
    EXPECT_TRUE(shows(d.Joy2, "func_off.bmp"));
    EXPECT_TRUE(shows(d.Joy3, "hupe_an.bmp"));
    EXPECT_TRUE(shows(d.Joy4, "licht_aus.bmp"));
    EXPECT_EQ(d.K3index, 0);
    EXPECT_EQ(d.K3CB->currentText(), "F1");
    EXPECT_EQ(d.K4index, 4);
    EXPECT_EQ(d.K4CB->currentText(), "keine");
    for (int code = 1; code <= 8; ++code)
        EXPECT_TRUE(shows(d.Func_image[static_cast<std::size_t>(code)], flookup(code))) << code;

    m_form.Debug = true;
    m_dialogs.pushWindow([&d] {
        d.Zeigen_button->click();
        return 0;
    });
    d.setuplok(3);
    EXPECT_FALSE(d.Zeigen_button->isHidden());
    EXPECT_EQ(d.Label6->text(), "F1:2 F2:0 F3:15 F4:8");
}

TEST_F(LocoSetupTest, JoystickKeysComeFromTheEditedSlotOnly) {
    setSlot(0, "M2", 3, 100, 1, 4);
    Lok->set_jb3(0, 13);
    Lok->set_jb3func(0, "F2");
    Lok->set_jb4(0, 4);
    Lok->set_jb4func(0, "F4");
    setSlot(1, "M2", 4, 100, 1, 4);
    Lok->set_jb3(1, 0);
    Lok->set_jb3func(1, "Horn");
    Lok->set_jb4(1, -2);
    Lok->set_jb4func(1, "");
    TLocoForm& d = *m_dialog;
    m_dialogs.pushWindowResult(0);
    d.setuplok(0);
    ASSERT_EQ(d.Storejb3, 13);
    ASSERT_EQ(d.K4index, 3);

    open(1, [](TLocoForm& form) { form.Fertig_button->click(); });
    EXPECT_EQ(d.Storejb3, 0);
    EXPECT_EQ(d.Storejb4, 0);
    EXPECT_TRUE(d.Joy3->pixmap().isNull());
    EXPECT_TRUE(d.Joy4->pixmap().isNull());
    EXPECT_EQ(d.K3index, -1);
    EXPECT_EQ(d.K4index, -1);
    EXPECT_EQ(d.K3CB->currentIndex(), -1);
    EXPECT_EQ(Lok->get_jb3(1), 0);
    EXPECT_EQ(Lok->get_jb4(1), 0);
    EXPECT_EQ(Lok->get_jb3func(1), "");
    EXPECT_EQ(Lok->get_jb4func(1), "");
    // Slot 0 kept its keys.
    EXPECT_EQ(Lok->get_jb3(0), 13);
    EXPECT_EQ(Lok->get_jb3func(0), "F2");
}

TEST_F(LocoSetupTest, SaveEdgeCases) {
    struct Case {
        const char* what;
        std::string protocolBefore;
        std::vector<int> fBefore;
        QString address, name, vmax;
        // After Save:
        int addr;
        std::string storedName;
        int speedMax;
        std::vector<int> fAfter;
    };
    // clang-format off
    const Case cases[] = {
        {"empty maximum", "M2", {1, 0, 0, 0, 0}, "5", "Lok", "", 5, "Lok", 100, {1, 0, 0, 0, 0}},
        {"blanks in the name", "M2", {1, 0, 0, 0, 0}, "5", "  Br 218  01 ", "40", 5, "Br21801", 40, {1, 0, 0, 0, 0}},
        {"a name of blanks", "M2", {1, 0, 0, 0, 0}, "5", "   ", "40", 5, "", 40, {1, 0, 0, 0, 0}},
        {"a pasted name", "M2", {1, 0, 0, 0, 0}, "5", "Br\t218\r\n01\n", "40", 5, "Br21801", 40, {1, 0, 0, 0, 0}},
        {"M1 keeps its functions", "M1", {11, 2, 3, 0, 14}, "5", "Lok", "40", 5, "Lok", 40, {11, 2, 3, 0, 14}},
        // F0 goes off; the keys keep their codes, an on key included.
        {"M3 sets F0", "M3", {11, 2, 0, 0, 14}, "5", "Lok", "40", 5, "Lok", 40, {1, 2, 0, 0, 14}},
        {"address 0 makes the throttle inert", "M2", {1, 0, 0, 0, 0}, "0", "Lok", "40", 0, "Lok", 40, {1, 0, 0, 0, 0}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Lok->lokinit(2);
        Lok->set_protocol(2, c.protocolBefore);
        Lok->set_nrof(2, c.protocolBefore == "M1" ? 0 : 4);
        setFunctions(2, c.fBefore);
        // A loco running backwards: Save stops it and sets it forwards.
        Lok->set_speed(2, 50);
        Lok->set_direction(2, 0);
        const int result = open(2, [&c](TLocoForm& d) {
            d.Adresse_edit->setText(c.address);
            d.Beschreibung_edit->setText(c.name);
            d.Vmax_edit->setText(c.vmax);
            d.Fertig_button->click();
        });
        EXPECT_EQ(result, QDialog::Accepted);
        EXPECT_EQ(Lok->get_addr(2), c.addr);
        EXPECT_EQ(Lok->get_name(2), c.storedName);
        EXPECT_EQ(Lok->get_speedmax(2), c.speedMax);
        EXPECT_EQ(Lok->get_protocol(2), c.protocolBefore);
        EXPECT_EQ(functions(2), c.fAfter);
        EXPECT_EQ(Lok->get_speed(2), 0);
        EXPECT_EQ(Lok->get_direction(2), 1);
    }
}

TEST_F(LocoSetupTest, FunctionsOfTheLocoBeforeDoNotCarryOver) {
    setSlot(0, "M3", 3, 100, 1, 4);
    setFunctions(0, {1, 2, 3, 4, 5});
    setSlot(1, "M1", 4);
    setFunctions(1, {0, 6, 6, 6, 6});
    open(0, [](TLocoForm& form) { form.Cancel_button->click(); });
    open(1, [](TLocoForm& form) {
        form.RadioGroup2Items->button(1)->click(); // "M2"
        form.Fertig_button->click();
    });
    EXPECT_EQ(Lok->get_protocol(1), "M2");
    EXPECT_EQ(functions(1), std::vector<int>({1, 0, 0, 0, 0}));
}

TEST_F(LocoSetupTest, EmptyAddressStoresNothingButStillSavesAndPreparesTheThrottles) {
    setSlot(0, "M2", 5, 60, 0, 4);
    Lok->set_name(0, "Alt");
    m_form.Betrieb = true;
    const int result = open(0, [](TLocoForm& d) {
        d.Adresse_edit->clear();
        d.Beschreibung_edit->setText("Neu");
        d.Vmax_edit->setText("not a number");
        d.RadioButton4->click();
        d.Fertig_button->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(Lok->get_name(0), "Alt");
    EXPECT_EQ(Lok->get_speedmax(0), 60);
    EXPECT_EQ(Lok->get_protocol(0), "M2");
    EXPECT_EQ(Lok->get_direction(0), 0);
    EXPECT_EQ(record(0)[3], "Alt");
    EXPECT_EQ(m_panel->reglerLabel(0)->text(), "5");
    EXPECT_EQ(m_panel->scrollBar(0)->maximum(), 60);
    EXPECT_EQ(m_output.lines, Lines{"SET GL M2 5 0 0 60 0 4 0 0 0 0 "});
}

TEST_F(LocoSetupTest, FunctionKeysAndThePalette) {
    setSlot(4, "M2", 9, 100, 1, 4);
    setFunctions(4, {1, 0, 2, 0, 0});
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("the user's own text");
    TLocoForm& d = *m_dialog;
    const int result = open(4, [&](TLocoForm& form) {
        // The horn (F2 = 2) is shown switched on and kept.
        EXPECT_TRUE(shows(form.Func2, "hupe_an.bmp"));
        // A press with nothing picked changes nothing.
        QTest::mousePress(form.Func1, Qt::LeftButton);
        EXPECT_TRUE(form.Func1->pixmap().isNull());
        EXPECT_EQ(form.Storefunc1, 0);
        // Pick the horn, drop it on F3.
        QTest::mouseClick(form.Func_image[2], Qt::LeftButton);
        EXPECT_EQ(form.Zwischenfunc, 2);
        QTest::mousePress(form.Func3, Qt::LeftButton);
        EXPECT_EQ(form.Storefunc3, 2);
        EXPECT_EQ(form.Zwischenfunc, 0);
        EXPECT_TRUE(shows(form.Func3, "hupe_aus.bmp"));
        // The pick is used up.
        QTest::mousePress(form.Func4, Qt::LeftButton);
        EXPECT_EQ(form.Storefunc4, 0);
        // Joystick key 3 takes F3's picture and code.
        choose(form.K3CB, "F3");
        EXPECT_EQ(form.K3index, 2);
        EXPECT_EQ(form.Storejb3, 2);
        EXPECT_TRUE(shows(form.Joy3, "hupe_aus.bmp"));
        choose(form.K4CB, "keine");
        EXPECT_EQ(form.K4index, 4);
        EXPECT_EQ(form.Storejb4, 0);
        EXPECT_TRUE(form.Joy4->pixmap().isNull());
        form.Fertig_button->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(clipboard->text(), "the user's own text");
    EXPECT_FALSE(clipboard->mimeData()->hasImage());
    EXPECT_EQ(functions(4), std::vector<int>({1, 0, 2, 2, 0}));
    EXPECT_EQ(Lok->get_jb3(4), 2);
    EXPECT_EQ(Lok->get_jb3func(4), "F3");
    EXPECT_EQ(Lok->get_jb4(4), 0);
    EXPECT_EQ(Lok->get_jb4func(4), "keine");

    // A picture the user copied is no function key either.
    clipboard->setImage(dataPicture("dampf_an.bmp").toImage());
    open(4, [](TLocoForm& form) {
        QTest::mousePress(form.Func1, Qt::LeftButton);
        form.Cancel_button->click();
    });
    EXPECT_EQ(d.Storefunc1, 0);
    EXPECT_TRUE(d.Func1->pixmap().isNull());
    EXPECT_TRUE(clipboard->mimeData()->hasImage());
}

TEST_F(LocoSetupTest, TypedTextThatIsNoItemSavesNoFunction) {
    setSlot(4, "N1", 9, 100, 1, 4);
    open(4, [](TLocoForm& form) {
        typeInto(form.K3CB, "F9");
        EXPECT_EQ(form.K3index, -1);
        // Enter does not make the typed text an item of its own.
        QTest::keyClick(form.K3CB->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(form.K3CB->count(), 5);
        EXPECT_EQ(form.K3index, -1);
        typeInto(form.K4CB, "F4");
        EXPECT_EQ(form.K4index, 3);
        form.Fertig_button->click();
    });
    EXPECT_EQ(Lok->get_jb3func(4), "");
    EXPECT_EQ(Lok->get_jb4func(4), "F4");
}

TEST_F(LocoSetupTest, RightPressClearsOnlyThePendingKey) {
    setSlot(6, "M4", 9, 100, 1, 4);
    setFunctions(6, {1, 5, 3, 0, 0});
    TLocoForm& d = *m_dialog;
    open(6, [](TLocoForm& form) {
        QTest::mousePress(form.Func2, Qt::RightButton);
        form.Cancel_button->click();
    });
    EXPECT_EQ(d.Storefunc2, 0);
    EXPECT_TRUE(d.Func2->pixmap().isNull());
    EXPECT_EQ(function(6, 2), 3) << "Cancel leaves the slot as it was";

    open(6, [](TLocoForm& form) {
        EXPECT_EQ(form.Storefunc2, 3);
        QTest::mousePress(form.Func2, Qt::RightButton);
        form.Fertig_button->click();
    });
    EXPECT_EQ(function(6, 1), 5);
    EXPECT_EQ(function(6, 2), 0);
}

TEST_F(LocoSetupTest, SaveRefusesNumbersItCannotUse) {
    struct Case {
        QString address, vmax;
        RecordingDialogs::Call box;
    };
    // The conversion's error reaches the default handler's box.
    auto conversion = [](const std::string& text) {
        return RecordingDialogs::Call{RecordingDialogs::Kind::Message, "Quarn",
                                      "'" + text + "' is not a valid integer value", MessageIcon::Stop};
    };
    const RecordingDialogs::Call wrongInput{RecordingDialogs::Kind::Message, "Fehler",
                                            "Die eingegebenen Werte sind nicht verwertbar!",
                                            MessageIcon::Stop};
    const Case cases[] = {
        {"12a", "40", conversion("12a")}, {" 7 ", "40", conversion(" 7 ")},
        {"7", "x1", conversion("x1")},    {"7", "99999999999", conversion("99999999999")},
        {"  ", "40", conversion("  ")},   {"7", "0", wrongInput},
        {"7", "-28", wrongInput},
    };
    setSlot(7, "M2", 3, 100, 0, 4);
    Lok->set_name(7, "Alt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.toStdString() + " / " + c.vmax.toStdString());
        QSignalSpy finished(m_dialog.get(), &QDialog::finished);
        open(7, [&](TLocoForm& form) {
            form.Adresse_edit->setText(c.address);
            form.Beschreibung_edit->setText("Neu");
            form.Vmax_edit->setText(c.vmax);
            form.RadioGroup2Items->button(2)->click();
            m_dialogs.clear();
            form.Fertig_button->click();
            EXPECT_EQ(m_dialogs.calls(), std::vector<RecordingDialogs::Call>{c.box});
        });
        EXPECT_EQ(finished.count(), 0) << "the dialog stays open";
        EXPECT_EQ(Lok->get_addr(7), 3);
        EXPECT_EQ(Lok->get_name(7), "Alt");
        EXPECT_EQ(Lok->get_protocol(7), "M2");
        EXPECT_EQ(Lok->get_speedmax(7), 100);
        EXPECT_EQ(Lok->get_direction(7), 0);
        EXPECT_FALSE(std::filesystem::exists(m_dir.path() + "Data/parmc.dat"));
    }
}

TEST_F(LocoSetupTest, AnUnwritableSettingsFileKeepsTheDialogOpen) {
    const std::string settings = m_dir.path() + "Data/parmc.dat";
    std::filesystem::create_directories(settings + "/in the way");
    setSlot(0, "M2", 3, 100, 1, 4);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    const int result = open(0, [&](TLocoForm& form) {
        form.Adresse_edit->setText("24");
        m_dialogs.clear();
        form.Fertig_button->click();
        ASSERT_EQ(m_dialogs.calls().size(), 1u);
        EXPECT_EQ(m_dialogs.calls()[0].title, "Quarn");
        EXPECT_EQ(m_dialogs.calls()[0].icon, MessageIcon::Stop);
        // The throttles already follow the changed slot.
        EXPECT_EQ(m_panel->reglerLabel(0)->text(), "24");
        EXPECT_EQ(finished.count(), 0);
        std::filesystem::remove_all(settings);
        form.Fertig_button->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(record(0)[4], "24");
}

TEST_F(LocoSetupTest, CaptionsFollowTheLanguage) {
    struct Case {
        int language;
        std::vector<QString> texts; // in the order of the controls below
    };
    const char* const controls[] = {"Maerklin_label", "DCC_label",     "Adresse_label",  "Beschreibung_label",
                                    "Fertig_button",  "Cancel_button", "Joystick_label", "Zeigen_button",
                                    "GroupBox2",      "RadioGroup1",   "RadioGroup2"};
    const Case cases[] = {
        {LANGDEUTSCH,
         {QString::fromUtf8("M\xC3\xA4rklin Dekoder"), "NMRA/DCC Dekoder", "Dekoder Adresse", "Beschreibung",
          "speichern", "abbrechen", QString::fromUtf8("Joystick Kn\xC3\xB6pfe"), "zeigen", "Protokoll",
          "NMRA/DCC Dekoder", QString::fromUtf8("M\xC3\xA4rklin Dekoder")}},
        {LANGENGLISH,
         {"Maerklin decoder", "NMRA/DCC decoder", "Decoder address", "Description", "Save", "Cancel",
          "Joystick button", "Debug - show", "Protocol", "NMRA/DCC decoder", "Maerklin decoder"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        Lang->setup(c.language);
        for (std::size_t i = 0; i < std::size(controls); ++i) {
            QWidget* control = m_dialog->findChild<QWidget*>(controls[i]);
            ASSERT_NE(control, nullptr) << controls[i];
            QString shown;
            if (auto* label = qobject_cast<QLabel*>(control))
                shown = label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(control))
                shown = button->text();
            else if (auto* group = qobject_cast<QGroupBox*>(control))
                shown = group->title();
            EXPECT_EQ(shown, c.texts[i]) << controls[i];
        }
    }
    m_dialog.reset();
    LocoForm = nullptr;
    Lang->setup(LANGENGLISH); // the dialog is gone: nothing to relabel, nothing to crash on
}

} // namespace

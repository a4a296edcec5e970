// Setup > IP Addr/Host: the settings dialog shows every setting, takes it back on Save, writes the
// settings file and relabels every window; and the relabelling of every window by the text table.

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

#include "Captions.h"
#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "engine/Fahrunit.h"
#include "engine/SettingsFile.h"
#include "engine/lokunit.h"
#include "loco/locosetupunit.h"
#include "platform/Cp1252.h"
#include "platform/LineConnection.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/TextFile.h"
#include "platform/qt/QtDispatcher.h"
#include "platform/qtwidgets/RadioGroup.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingClock.h"
#include "texts/CaptionList.h"
#include "texts/langunit.h"
#include "ui/Assistunit.h"
#include "ui/setupunit.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;

std::vector<std::string> fileLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t end = bytes.find("\r\n", start);
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// What the dialog shows, in one line.
std::string shown(const TSetupForm& d) {
    auto item = [](const QButtonGroup* group) {
        const int i = radioItem(group);
        return i < 0 ? std::string("none") : std::to_string(i);
    };
    std::ostringstream s;
    s << "host " << d.Edithost->text().toStdString() << " | port " << d.Editport->text().toStdString()
      << " | info " << d.CheckBox1->isChecked() << " | srcp " << item(d.RGSrcpItems)
      << (d.RGSrcp->isEnabled() ? "" : " locked") << " | joystick " << item(d.RGDirectXItems)
      << (d.RGDirectX->isEnabled() ? "" : " locked") << " | language " << d.CBLang->currentIndex()
      << " | assistant " << item(d.RGAssistItems) << " | power " << d.cbPower->isChecked()
      << d.cbAutoPower->isChecked() << " | buses";
    for (const QSpinBox* bus :
         {d.udMMLoco, d.udNMRAsLoco, d.udNMRAlLoco, d.udMMSol, d.udNMRASol, d.udS88, d.udPower})
        s << " " << bus->value();
    return s.str();
}

class QuarnSettingsTest : public QuarnTestFolder {
protected:
    void SetUp() override {
        QuarnTestFolder::SetUp();
        window = startWindows();
        ASSERT_NE(window, nullptr);
        m_dialogs.clear();
    }

    // Runs the settings dialog: user acts while it is shown, then presses Save (true) or Cancel. A
    // refused Save keeps the dialog open (openAfterSave); the user gives up then.
    void runDialog(const std::function<void(TSetupForm&)>& user, bool save) {
        openAfterSave = false;
        m_dialogs.pushWindow([this, user, save] {
            SetupForm->show();
            if (user)
                user(*SetupForm);
            (save ? SetupForm->Ok_button : SetupForm->Cancel_button)->click();
            openAfterSave = SetupForm->isVisible();
            if (openAfterSave)
                SetupForm->Cancel_button->click();
            return SetupForm->result();
        });
        window->IPAddrHost1Click();
    }

    // The first 16 lines that the window's fields make.
    std::vector<std::string> settingsLines() const {
        const std::string path = m_dir.path() + "fields.dat";
        TextWriter writer(path);
        writeSettingsFile(writer, *window, *Lok);
        writer.commit();
        const std::vector<std::string> lines = fileLines(readFileBytes(path));
        return std::vector<std::string>(lines.begin(), lines.begin() + 16);
    }

    TMainForm* window = nullptr;
    bool openAfterSave = false;
};

TEST_F(QuarnSettingsTest, EverySettingIsShownAndTakenBack) {
    struct Row {
        const char* name;
        std::function<void(TMainForm&)> fields;
        bool directX;
        std::string shown;
        std::function<void(TSetupForm&)> user;
        std::vector<std::string> lines; // lines 1..16 of the settings file after Save
    };
    const std::string defaults = "host localhost | port 12345 | info 0 | srcp 0 | joystick 1 | language 0 | "
                                 "assistant 1 | power 00 | buses 1 2 3 5 6 8 1";
    const std::vector<std::string> defaultLines = {"12345", "localhost", "0", "73", "1", "1", "1", "0",
                                                   "0",     "1",         "2", "3",  "5", "6", "8", "1"};
    auto with = [&](std::initializer_list<std::pair<int, std::string>> changes) {
        std::vector<std::string> lines = defaultLines;
        for (const auto& [line, text] : changes)
            lines[static_cast<std::size_t>(line - 1)] = text;
        return lines;
    };
    auto show = [&](const std::string& from, const std::string& to) {
        std::string s = defaults;
        s.replace(s.find(from), from.size(), to);
        return s;
    };
    std::vector<Row> rows = {
        {"defaults", nullptr, true, defaults, nullptr, defaultLines},
        {"SRCP 0.80", [](TMainForm& w) { w.SrcpVer = 80; }, true, show("srcp 0", "srcp 1"), nullptr,
         with({{4, "80"}})},
        {"82 runs SRCP 0.80 and stays there", [](TMainForm& w) { w.SrcpVer = 82; }, true,
         show("srcp 0", "srcp 1"), nullptr, with({{4, "80"}})},
        {"SRCP 0.73 chosen", [](TMainForm& w) { w.SrcpVer = 80; }, true, show("srcp 0", "srcp 1"),
         [](TSetupForm& d) { d.RGSrcpItems->button(0)->click(); }, defaultLines},
        {"DirectX", [](TMainForm& w) { w.Joy_Mode = 0; }, true, show("joystick 1", "joystick 0"), nullptr,
         with({{6, "0"}})},
        {"no DirectX: the Windows module", [](TMainForm& w) { w.Joy_Mode = 0; }, false,
         show("joystick 1", "joystick 0 locked"), nullptr, with({{6, "1"}})},
        {"a keyboard that may not be read and no pad: DirectX is found and kept",
         [this](TMainForm& w) {
             m_inputDevices->refuseFolder(false);
             m_inputDevices->refuseNode(m_inputDevices->attach(TestDeviceDescription::keyboard()));
             w.Joy_Mode = 0;
             w.Dxpresent = w.testdx(std::string()) > 0;
         },
         false, show("joystick 1", "joystick 0"), nullptr, with({{6, "0"}})},
        {"assistant off", [](TMainForm& w) { w.Showassist = 0; }, true, show("assistant 1", "assistant 0"),
         nullptr, with({{7, "0"}})},
        {"assistant 5 is kept", [](TMainForm& w) { w.Showassist = 5; }, true,
         show("assistant 1", "assistant none"), nullptr, with({{7, "5"}})},
        {"bus numbers above the range are kept clamped",
         [](TMainForm& w) {
             w.BusS88 = 150;
             w.BusGlMM = -3;
         },
         true, show("buses 1 2 3 5 6 8 1", "buses 0 2 3 5 6 100 1"), nullptr, with({{10, "0"}, {15, "100"}})},
        {"host, port, info channel, power",
         [](TMainForm& w) {
             w.Iphostchar = "bahn-k\xFC"
                            "che";
             w.Ipport = 4303;
             w.Infoport_an = 1;
             w.Monitorpower = 1;
             w.Autopower = 1;
         },
         true,
         "host bahn-k\xC3\xBC"
         "che | port 4303 | info 1 | srcp 0 | joystick 1 | language 0 | assistant 1 | power 11 | buses 1 2 3 "
         "5 6 8 1",
         nullptr,
         with({{1, "4303"},
               {2, "bahn-k\xFC"
                   "che"},
               {3, "1"},
               {8, "1"},
               {9, "1"}})},
        // The field keeps the tab and the file gets it back byte for byte.
        {"a tab in the host is kept", [](TMainForm& w) { w.Iphostchar = "bahn\thost"; }, true,
         show("host localhost", "host bahn\thost"), nullptr, with({{2, "bahn\thost"}})},
        {"a language outside the list shows none and is kept", [](TMainForm& w) { w.Lang_id = 9; }, true,
         show("language 0", "language -1"), nullptr, with({{5, "9"}})},
        {"info channel 2 is not 1", [](TMainForm& w) { w.Infoport_an = 2; }, true, defaults, nullptr,
         defaultLines},
        {"everything changed in the dialog",
         nullptr,
         true,
         defaults,
         [](TSetupForm& d) {
             d.Edithost->setText("zentrale");
             d.Editport->setText("4711");
             d.CheckBox1->setChecked(true);
             d.RGSrcpItems->button(1)->click();
             d.RGDirectXItems->button(0)->click();
             d.CBLang->setCurrentIndex(6);
             d.RGAssistItems->button(0)->click();
             d.cbPower->setChecked(true);
             d.cbAutoPower->setChecked(true);
             int bus = 10;
             for (QSpinBox* spin :
                  {d.udMMLoco, d.udNMRAsLoco, d.udNMRAlLoco, d.udMMSol, d.udNMRASol, d.udS88, d.udPower})
                 spin->setValue(bus++);
         },
         {"4711", "zentrale", "1", "80", "7", "0", "0", "1", "1", "10", "11", "12", "13", "14", "15", "16"}},
    };
    for (int lang = LANGENGLISH; lang <= NUMLANG; ++lang)
        rows.push_back({"language", [lang](TMainForm& w) { w.Lang_id = lang; }, true,
                        show("language 0", "language " + std::to_string(lang - 1)), nullptr,
                        with({{5, std::to_string(lang)}})});
    const std::string original = readFileBytes(settingsFile());
    const std::vector<std::string> locoLines = [&] {
        std::vector<std::string> all = fileLines(original);
        return std::vector<std::string>(all.begin() + 16, all.end());
    }();
    ASSERT_EQ(locoLines.size(), 500u);

    const TSettingsFields start = *window;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        static_cast<TSettingsFields&>(*window) = start;
        writeFileBytes(settingsFile(), original);
        window->Dxpresent = row.directX;
        if (row.fields)
            row.fields(*window);
        m_dialogs.clear();

        std::string seen;
        runDialog(
            [&](TSetupForm& d) {
                seen = shown(d);
                if (row.user)
                    row.user(d);
            },
            true);
        EXPECT_EQ(seen, row.shown);
        const std::vector<std::string> written = fileLines(readFileBytes(settingsFile()));
        ASSERT_EQ(written.size(), 516u);
        EXPECT_EQ(std::vector<std::string>(written.begin(), written.begin() + 16), row.lines);
        EXPECT_EQ(std::vector<std::string>(written.begin() + 16, written.end()), locoLines);
        EXPECT_EQ(m_dialogs.calls(), (std::vector<Call>{{Kind::Window, "SetupForm", "", MessageIcon::None}}));

        // Cancel after changing everything changes no field and no byte.
        const std::string bytes = readFileBytes(settingsFile());
        runDialog(
            [](TSetupForm& d) {
                d.Edithost->setText("anders");
                d.Editport->setText("1");
                d.CheckBox1->toggle();
                d.RGSrcpItems->button(radioItem(d.RGSrcpItems) == 0 ? 1 : 0)->click();
                d.RGDirectXItems->button(radioItem(d.RGDirectXItems) == 0 ? 1 : 0)->click();
                d.CBLang->setCurrentIndex(3);
                d.RGAssistItems->button(1)->click();
                d.cbPower->toggle();
                d.udS88->setValue(42);
            },
            false);
        EXPECT_EQ(readFileBytes(settingsFile()), bytes);
        EXPECT_EQ(settingsLines(), row.lines);
    }
}

TEST_F(QuarnSettingsTest, ThePortIsCheckedBeforeAnythingIsTaken) {
    const struct {
        const char* typed;
        int port; // 0: refused
    } rows[] = {
        {"", 12345},  {"1", 1},  {"65533", 65533}, {" 4303", 4303}, {"0", 0},
        {"65534", 0}, {"-1", 0}, {"4303 ", 0},     {"abc", 0},      {"99999999999", 0},
    };
    const Call refused{Kind::Message, "Fehler", "Die eingegebenen Werte sind nicht verwertbar!",
                       MessageIcon::Stop};
    const Call dialog{Kind::Window, "SetupForm", "", MessageIcon::None};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string("\"") + row.typed + "\"");
        window->Iphostchar = "localhost";
        window->Ipport = 12345;
        window->applyConnectionSettings();
        const std::string bytes = readFileBytes(settingsFile());
        m_dialogs.clear();
        runDialog(
            [&](TSetupForm& d) {
                d.Edithost->setText("zentrale");
                d.Editport->setText(row.typed);
            },
            true);
        if (row.port == 0) {
            EXPECT_TRUE(openAfterSave);
            EXPECT_EQ(m_dialogs.calls(), (std::vector<Call>{dialog, refused}));
            EXPECT_EQ(window->Iphostchar, "localhost");
            EXPECT_EQ(window->Ipport, 12345);
            EXPECT_EQ(readFileBytes(settingsFile()), bytes);
            continue;
        }
        EXPECT_FALSE(openAfterSave);
        EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{dialog});
        EXPECT_EQ(window->Iphostchar, "zentrale");
        EXPECT_EQ(window->Ipport, row.port);
        EXPECT_EQ(fileLines(readFileBytes(settingsFile()))[0], std::to_string(row.port));
        const LineConnection* connections[] = {window->Command_Socket, window->Poll_Socket,
                                               window->Info_Socket};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(connections[i]->host(), "zentrale");
            EXPECT_EQ(connections[i]->port(), row.port + i);
        }
    }
}

TEST_F(QuarnSettingsTest, AnOpenConnectionKeepsItsTransportAndServer) {
    QtDispatcher dispatcher;
    setMainThreadDispatcher(&dispatcher);
    RecordingClock clock;
    {
        FakeSrcp073Server first;
        FakeSrcp073Server second;
        pointAt(window, first.port());
        window->Hostverbinden1Click();
        ASSERT_TRUE(first.waitConnected(FakeSrcp073Server::Command));

        bool srcpLocked = false;
        runDialog(
            [&](TSetupForm& d) {
                srcpLocked = !d.RGSrcp->isEnabled();
                d.Editport->setText(QString::number(second.port()));
            },
            true);
        EXPECT_TRUE(srcpLocked);
        EXPECT_EQ(window->SrcpVer, 73);
        EXPECT_EQ(window->Ipport, second.port());
        EXPECT_TRUE(window->Command_Socket->isConnected());
        EXPECT_TRUE(first.connected(FakeSrcp073Server::Command));
        EXPECT_EQ(second.connections(FakeSrcp073Server::Command), 0);

        window->Hosttrennen1Click();
        EXPECT_TRUE(first.waitDisconnected(FakeSrcp073Server::Command));
        window->Hostverbinden1Click();
        EXPECT_TRUE(second.waitConnected(FakeSrcp073Server::Command));
        EXPECT_EQ(first.connections(FakeSrcp073Server::Command), 1);

        // Disconnected, the transport can be chosen again.
        window->Hosttrennen1Click();
        runDialog([&](TSetupForm& d) { srcpLocked = !d.RGSrcp->isEnabled(); }, false);
        EXPECT_FALSE(srcpLocked);
    }
    setMainThreadDispatcher(nullptr);
}

TEST_F(QuarnSettingsTest, FormShowFillsTheAssistantOptionInTheWindowsLanguage) {
    const struct {
        int lang;
        int showassist;
        const char* no;
        const char* yes;
        const char* line1;
        const char* line2;
        int item;
    } rows[] = {
        {LANGDEUTSCH, 1, "Nein", "Ja", "Quarn Assistenten beim ", "Programmstart zeigen", 1},
        {LANGENGLISH, 0, "No", "Yes", "Display assist", "on start", 0},
        {LANGFRENCH, 7, "Non", "Oui", nullptr, nullptr, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lang);
        window->Lang_id = row.lang;
        window->Showassist = row.showassist;
        // Whatever was chosen and shown the time before.
        setRadioItem(SetupForm->RGAssistItems, 1 - std::max(0, row.item));
        SetupForm->PC1->setCurrentWidget(SetupForm->TS2);
        SetupForm->show();
        EXPECT_EQ(SetupForm->RGAssistItems->button(0)->text().toStdString(), row.no);
        EXPECT_EQ(SetupForm->RGAssistItems->button(1)->text().toStdString(), row.yes);
        EXPECT_EQ(SetupForm->Assist1_label->text().toStdString(), Lang->entry(72, row.lang));
        EXPECT_EQ(SetupForm->Assist2_label->text().toStdString(), Lang->entry(73, row.lang));
        if (row.line1) {
            EXPECT_EQ(SetupForm->Assist1_label->text().toStdString(), row.line1);
            EXPECT_EQ(SetupForm->Assist2_label->text().toStdString(), row.line2);
        }
        EXPECT_EQ(radioItem(SetupForm->RGAssistItems), row.item);
        EXPECT_EQ(SetupForm->PC1->currentWidget(), SetupForm->TS1);
        SetupForm->hide();
    }
}

TEST_F(QuarnSettingsTest, EveryWindowIsRelabelledInEveryLanguage) {
    QWidget* const windows[] = {window, LocoForm, SetupForm, AssistForm};
    auto windowNamed = [&](const std::string& name) -> QWidget* {
        for (QWidget* w : windows)
            if (w->objectName().toStdString() == name)
                return w;
        return nullptr;
    };
    ASSERT_EQ(captionList().size(), 74u);
    for (int lang = LANGDEUTSCH; lang <= NUMLANG; ++lang) {
        SCOPED_TRACE("language " + std::to_string(lang));
        window->Lang_id = lang;
        window->applyLanguage();
        for (const CaptionEntry& entry : captionList()) {
            SCOPED_TRACE(std::string(entry.windowName) + "." + entry.objectName);
            QWidget* w = windowNamed(entry.windowName);
            ASSERT_NE(w, nullptr);
            const std::string expected =
                entry.messageNr == kClearedCaption ? std::string() : Lang->entry(entry.messageNr, lang);
            EXPECT_EQ(caption(w, entry.objectName), expected);
        }
        // Nederlands has no texts for three of the settings dialog's labels.
        if (lang == LANGNEDERLANDS) {
            for (const char* name : {"Labelhost", "LabelSRCPVersion", "LabelJoymod"})
                EXPECT_EQ(caption(SetupForm, name), "") << name;
        }
    }
}

// Save also starts the joystick back-end again in the chosen language: without input devices the
// status bar says so, in Swedish now.
TEST_F(QuarnSettingsTest, LanguageChosenInTheDialogRelabelsEveryWindowAtOnce) {
    window->setStatusPanel(2, "");
    runDialog([](TSetupForm& d) { d.CBLang->setCurrentIndex(LANGSVENSKA - 1); }, true);
    EXPECT_EQ(window->Lang_id, LANGSVENSKA);
    EXPECT_EQ(fileLines(readFileBytes(settingsFile()))[4], "3");
    EXPECT_EQ(window->FileMenu->title().toStdString(), "Arkiv");
    EXPECT_EQ(caption(LocoForm, "Fertig_button"), Lang->entry(66, LANGSVENSKA));
    EXPECT_EQ(SetupForm->windowTitle().toStdString(), Lang->entry(71, LANGSVENSKA));
    EXPECT_EQ(caption(AssistForm, "Close_button"), Lang->entry(80, LANGSVENSKA));
    // The title keeps the language it was made in.
    EXPECT_EQ(window->windowTitle().toStdString(), "QUARN - Eisenbahnsteuerung");
    EXPECT_EQ(window->statusPanelText(2), Lang->entry(130, LANGSVENSKA));
}

TEST_F(QuarnSettingsTest, ARelabellingKeepsWhatTheModesShow) {
    window->setPlanMenuState();
    window->S88modules1Click();
    window->Lang_id = LANGENGLISH;
    window->applyLanguage();
    EXPECT_EQ(window->Decod_label->text().toStdString(), "S88 module");
    EXPECT_EQ(window->Daten_label->text().toStdString(), "S88 data port");

    window->DecoderAdressen1Click();
    window->Lang_id = LANGDEUTSCH;
    window->applyLanguage();
    EXPECT_EQ(window->Decod_label->text().toStdString(), "Dekoder");
    EXPECT_EQ(window->Daten_label->text().toStdString(), "Datenausgang");

    // Recording route 3 with two elements.
    Fahr->Anz_strassen = 2;
    window->Fahrstrassen1Click();
    ASSERT_EQ(window->Fahrstrasse, 3);
    Fahr->fahreintragen(3, 1, 0, 0, 11);
    Fahr->fahreintragen(3, 1, 27, 0, 11);
    window->PageControl1Change();
    window->Lang_id = LANGENGLISH;
    window->applyLanguage();
    EXPECT_EQ(window->LabelFahrerst2->text().toStdString(), "3");
    EXPECT_EQ(window->LabelFahrerst4->text().toStdString(), "2");
    EXPECT_EQ(window->LabelFahrdel2->text().toStdString(), "3");
    EXPECT_EQ(window->LabelFahrerst3->text().toStdString(), "Track number");
}

TEST_F(QuarnSettingsTest, SettingsThatCannotBeWrittenStayInEffect) {
    std::filesystem::remove(settingsFile());
    std::filesystem::create_directory(settingsFile()); // in the way of the file
    window->setStatusPanel(2, "");
    runDialog(
        [](TSetupForm& d) {
            d.CBLang->setCurrentIndex(LANGENGLISH - 1);
            d.Editport->setText("4000");
        },
        true);
    EXPECT_EQ(window->Lang_id, LANGENGLISH);
    EXPECT_EQ(window->Ipport, 4000);
    EXPECT_EQ(window->Command_Socket->port(), 4000);
    EXPECT_EQ(window->FileMenu->title().toStdString(), "&File") << "relabelled all the same";
    EXPECT_EQ(window->statusPanelText(2), Lang->entry(130, LANGENGLISH)) << "the joysticks set up again";
    const std::vector<Call> calls = m_dialogs.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].kind, Kind::Message);
    EXPECT_EQ(calls[1].icon, MessageIcon::Stop);
}

} // namespace

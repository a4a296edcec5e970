// Start-up of the main window in a temporary work folder: settings file, title, menu start state,
// failures during start-up.

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <set>
#include <sstream>

#include "Captions.h"
#include "QuarnTestFolder.h"
#include "engine/Bahncalcunit.h"
#include "engine/MainFormState.h"
#include "engine/SettingsFile.h"
#include "engine/initunit.h"
#include "platform/Cp1252.h"
#include "platform/TextFile.h"
#include "support/FifoGuard.h"
#include "support/LineListener.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"
#include "support/engine/RecordingCommandOutput.h"
#include "texts/CaptionList.h"
#include "texts/langunit.h"
#include "ui/QuarnWindows.h"
#include "ui/Quarnunit.h"

namespace {

const char* const kMessage101De =
    "Die Parameterdatei ist defekt! sie wird jetzt neu generiert. Bitte die Einstellungen "
    "überprüpfen!";

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;

const Call kSettingsBox{Kind::Message, "Fehler", kMessage101De, MessageIcon::Stop};

// The settings box for a damaged file that was kept under the name backup.
Call keptBox(const std::string& backup) {
    Call box = kSettingsBox;
    box.text += "\n\nThe damaged file was kept as " + backup + ".";
    return box;
}

int countLines(const std::string& bytes) {
    int lines = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == '\r' && bytes[i + 1] == '\n')
            ++lines;
    }
    return lines;
}

// The settings file with line (1-based) replaced by text.
std::string withLine(const std::string& bytes, int line, const std::string& text) {
    std::size_t begin = 0;
    for (int i = 1; i < line; ++i)
        begin = bytes.find("\r\n", begin) + 2;
    const std::size_t end = bytes.find("\r\n", begin);
    return bytes.substr(0, begin) + text + bytes.substr(end);
}

// The names in text, separated by spaces.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

class QuarnStartTest : public QuarnTestFolder {};

TEST_F(QuarnStartTest, MissingSettingsFileIsReportedOnceAndWrittenAnew) {
    ASSERT_NE(startWindows(), nullptr);
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{kSettingsBox});
    const std::string written = readFileBytes(settingsFile());
    EXPECT_EQ(countLines(written), SettingsFileLines);
    EXPECT_EQ(written.substr(0, 21), "12345\r\nlocalhost\r\n0\r\n");
    // New labels store the default font line of plan files written on Windows.
    std::string fontLine;
    Bahn->FontToString(*mainWindow()->LabelFont, fontLine);
    EXPECT_EQ(fontLine, "MS Sans Serif,8,0000,clWindowText");
    // There was nothing to keep.
    EXPECT_FALSE(std::filesystem::exists(settingsFile() + ".bak"));

    stopWindows();
    m_dialogs.clear();
    ASSERT_NE(startWindows(), nullptr);
    EXPECT_TRUE(m_dialogs.calls().empty());
    EXPECT_EQ(readFileBytes(settingsFile()), written);
}

TEST_F(QuarnStartTest, DamagedSettingsFileIsKeptAndConnectionsFollowWhatWasRead) {
    struct Case {
        const char* name;
        std::string file;
        std::string host;
        int port;
        int ports[3];
        std::string olderBackup = {}; // a parmc.dat.bak already there; it stays
    };
    const int top = std::numeric_limits<int>::max();
    const std::string tooLong = "4000\r\n" + std::string(MaxTextFileBytes, 'x') + "\r\n";
    const Case cases[] = {
        {"garbage first line", "abc\r\n", "localhost", 12345, {12345, 12346, 12347}},
        {"port and host read, then garbage",
         "4000\r\nzentrale\r\nkaputt\r\n",
         "zentrale",
         4000,
         {4000, 4001, 4002}},
        {"file ends after the host", "4711\r\nbahn.local\r\n", "bahn.local", 4711, {4711, 4712, 4713}},
        {"port at the top of the range", "2147483647\r\nx\r\n", "x", top, {top, top, top}},
        // Taken and written back as it stands; the resolver refuses such a name at connect.
        {"a tab inside the host", "4000\r\nzen\ttrale\r\n", "zen\ttrale", 4000, {4000, 4001, 4002}},
        {"too long", tooLong, "localhost", 12345, {12345, 12346, 12347}},
        {"an older backup stays", "abc\r\n", "localhost", 12345, {12345, 12346, 12347}, "my copy\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.clear();
        std::filesystem::remove(settingsFile() + ".bak");
        std::filesystem::remove(settingsFile() + ".bak1");
        if (!c.olderBackup.empty())
            writeFileBytes(settingsFile() + ".bak", c.olderBackup);
        writeFileBytes(settingsFile(), c.file);
        TMainForm* window = startWindows();
        ASSERT_NE(window, nullptr);
        const std::string backup = settingsFile() + (c.olderBackup.empty() ? ".bak" : ".bak1");
        EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{keptBox(backup)});
        EXPECT_EQ(readFileBytes(backup), c.file);
        if (!c.olderBackup.empty()) {
            EXPECT_EQ(readFileBytes(settingsFile() + ".bak"), c.olderBackup);
        }
        const std::string rewritten = readFileBytes(settingsFile());
        EXPECT_EQ(countLines(rewritten), SettingsFileLines);
        EXPECT_EQ(rewritten.substr(0, rewritten.find("\r\n", rewritten.find("\r\n") + 2)),
                  std::to_string(c.port) + "\r\n" + c.host);
        EXPECT_EQ(window->Iphostchar, c.host);
        EXPECT_EQ(window->Ipport, c.port);
        const LineConnection* connections[] = {window->Command_Socket, window->Poll_Socket,
                                               window->Info_Socket};
        for (int i = 0; i < 3; ++i) {
            ASSERT_NE(connections[i], nullptr);
            EXPECT_EQ(connections[i]->host(), c.host);
            EXPECT_EQ(connections[i]->port(), c.ports[i]);
        }
        stopWindows();
    }
}

TEST_F(QuarnStartTest, ASettingsFileThatIsNoRegularFileIsMovedAsideUnread) {
    FifoGuard fifo(settingsFile());
    ASSERT_TRUE(fifo.made());
    ASSERT_NE(startWindows(), nullptr);
    EXPECT_FALSE(fifo.fired()) << "the start waited for a writer";
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{keptBox(settingsFile() + ".bak")});
    EXPECT_EQ(std::filesystem::symlink_status(settingsFile() + ".bak").type(),
              std::filesystem::file_type::fifo);
    EXPECT_EQ(countLines(readFileBytes(settingsFile())), SettingsFileLines);
}

// Every name from parmc.dat.bak to parmc.dat.bak999 taken: 1000 empty files.
void takeEveryBackupName(const std::string& settings) {
    for (int n = 0; n < MaxBackupNames; ++n)
        writeFileBytes(settings + ".bak" + (n ? std::to_string(n) : ""), "");
}

TEST_F(QuarnStartTest, ADamagedSettingsFileIsNeverWrittenOverNorAnOlderBackup) {
    const struct {
        const char* name;
        bool everyNameTaken;
        const char* keptAs; // nullptr: it cannot be moved aside
    } rows[] = {
        {"a folder where the backup would go: the next name", false, ".bak1"},
        {"no name left: it stays, and saves fail", true, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        refillDataFolder();
        m_dialogs.clear();
        writeFileBytes(settingsFile(), "kaputt\r\n");
        if (row.everyNameTaken)
            takeEveryBackupName(settingsFile());
        else
            writeFileBytes(m_dir.file("Data/parmc.dat.bak/inside"), "y");
        TMainForm* window = startWindows();
        ASSERT_NE(window, nullptr);
        if (row.keptAs) {
            EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{keptBox(settingsFile() + row.keptAs)});
            EXPECT_EQ(readFileBytes(settingsFile() + row.keptAs), "kaputt\r\n");
            EXPECT_EQ(readFileBytes(m_dir.file("Data/parmc.dat.bak/inside")), "y");
            EXPECT_EQ(countLines(readFileBytes(settingsFile())), SettingsFileLines);
            stopWindows();
            continue;
        }
        ASSERT_EQ(m_dialogs.calls().size(), 2u);
        EXPECT_EQ(m_dialogs.calls()[0], kSettingsBox);
        EXPECT_NE(m_dialogs.calls()[1].text.find("parmc.dat.bak999"), std::string::npos)
            << m_dialogs.calls()[1].text;
        EXPECT_EQ(readFileBytes(settingsFile()), "kaputt\r\n");
        // The settings dialog's Save fails with its box and leaves the file as it is.
        m_dialogs.clear();
        m_dialogs.pushWindowResult(QDialog::Accepted);
        window->IPAddrHost1Click();
        ASSERT_EQ(m_dialogs.calls().size(), 2u);
        EXPECT_EQ(m_dialogs.calls()[1].icon, MessageIcon::Stop);
        EXPECT_NE(m_dialogs.calls()[1].text.find(settingsFile() + " is damaged"), std::string::npos)
            << m_dialogs.calls()[1].text;
        EXPECT_EQ(readFileBytes(settingsFile()), "kaputt\r\n");
        stopWindows();
    }
}

TEST_F(QuarnStartTest, TitleAndMenusFollowTheLanguageOfTheSettings) {
    ASSERT_NE(startWindows(), nullptr);
    const std::string defaults = readFileBytes(settingsFile());
    stopWindows();

    struct Case {
        int lang;
        const char* title;
        const char* fileMenu;
        const char* s88;
    };
    const Case cases[] = {
        {LANGDEUTSCH, "QUARN - Eisenbahnsteuerung", "&Datei", "S88 Module"},
        {LANGENGLISH, "QUARN - digital railroad control", "&File", "S88 modules"},
        {LANGSVENSKA, "QUARN - digital modelljärnvägsstyrning", "Arkiv", "S88-moduler"},
        {LANGFRENCH, "QUARN - Control Réseau Digital", "&Fichier", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lang);
        m_dialogs.clear();
        writeFileBytes(settingsFile(), withLine(defaults, 5, std::to_string(c.lang)));
        TMainForm* window = startWindows();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(m_dialogs.calls(), std::vector<Call>());
        EXPECT_EQ(window->windowTitle().toStdString(), c.title);
        EXPECT_EQ(window->Infostring, utf8ToCp1252(c.title));
        // The menus are relabelled when the window is shown.
        window->show();
        EXPECT_EQ(window->FileMenu->title().toStdString(), c.fileMenu);
        if (c.s88) {
            EXPECT_EQ(window->S88modules1->text().toStdString(), c.s88);
        }
        int relabelled = 0;
        for (const CaptionEntry& entry : captionList()) {
            if (std::string(entry.windowName) != "MainForm")
                continue;
            SCOPED_TRACE(entry.objectName);
            const std::string expected =
                entry.messageNr == kClearedCaption ? std::string() : Lang->entry(entry.messageNr, c.lang);
            EXPECT_EQ(caption(window, entry.objectName), expected);
            ++relabelled;
        }
        // The menu items, then the address panel and the route editor.
        EXPECT_EQ(relabelled, 36 + 16);
        // Items the text table does not relabel keep their own captions.
        EXPECT_EQ(window->DirectX1->text().toStdString(), "DirectX");
        EXPECT_EQ(window->N640mal480->text().toStdString(), "640 x 480");
        stopWindows();
    }
}

TEST_F(QuarnStartTest, MenuStartState) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    const std::vector<std::string> off =
        words("Speichernals1 Gleisbildentwerfen1 DecoderAdressen1 S88modules1 Text1 Betrieb1 Fahrstrassen1 "
              "Softregler1 Abfragestarten1 Abfragebeenden1 Joystickcalibrieren1 Synchronize1 Spannungan1 "
              "Spannungaus1 Initialisierung1 Zeit1 Decoderprogrammieren1 FreieBefehle1");
    const std::set<std::string> hidden = {"Joystickeinrichten1", "Debug1"};
    // Every menu and item, in menu order; each is enabled unless it is off, visible unless hidden,
    // and only the automatic screen size is checked.
    const std::vector<std::string> items =
        words("FileMenu Neu1 Oeffnen1 Speichern1 Speichernals1 Hostverbinden1 Hosttrennen1 Ende1 Optionen1 "
              "Gleisbildentwerfen1 DecoderAdressen1 S88modules1 Text1 Betrieb1 Fahrstrassen1 Softregler1 "
              "Joystickeinrichten1 Einstellungen1 IPAddrHost1 Joystickcalibrieren1 Rckmeldemodule1 "
              "Abfragestarten1 Abfragebeenden1 Synchronize2 Reset1 Befehle1 Synchronize1 Spannungan1 "
              "Spannungaus1 Initialisierung1 Zeit1 Decoderprogrammieren1 FreieBefehle1 Bildschirm1 "
              "automatisch1 N640mal480 N800mal600 N1024mal768 Hilfe1 Assistent1 QuarnHilfe1 Info1 DirectX1 "
              "Debug1 openStringGrid1 openDebugWindow1 InitLok1");
    for (const std::string& name : items) {
        SCOPED_TRACE(name);
        QAction* action = window->menuAction(name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->isVisible(), hidden.count(name) == 0);
        // Qt reports a hidden item as disabled, whatever it was set to.
        if (action->isVisible()) {
            EXPECT_EQ(action->isEnabled(), std::ranges::find(off, name) == off.end());
        }
        EXPECT_EQ(action->isChecked(), name == "automatisch1");
    }
    // The lookup by name finds every menu and item of the bar, and nothing else.
    int found = 0;
    for (QAction* bar : window->menuBar()->actions()) {
        EXPECT_EQ(window->menuAction(bar->menu()->objectName().toStdString()), bar);
        for (QAction* item : bar->menu()->actions()) {
            EXPECT_EQ(window->menuAction(item->objectName().toStdString()), item);
            ++found;
        }
    }
    EXPECT_EQ(found + 8, static_cast<int>(items.size()));
    for (const char* unknown : {"", "Zeit2", "FileMenu_action", "StatusBar1"})
        EXPECT_EQ(window->menuAction(unknown), nullptr) << unknown;
    // The eight menus of the bar, in their fixed order.
    QStringList order;
    for (QAction* a : window->menuBar()->actions())
        order << a->objectName();
    EXPECT_EQ(order.join(' ').toStdString(),
              "FileMenu_action Optionen1_action Einstellungen1_action Rckmeldemodule1_action "
              "Befehle1_action Bildschirm1_action Hilfe1_action Debug1_action");
}

TEST_F(QuarnStartTest, PlanMenuStateEnablesConnectOnlyWithoutConnectionAndStartOnlyWithoutFeedback) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    LineListener server;
    RecordingCommandOutput output;
    struct Case {
        int srcpVer;
        bool connected;
        bool polling;
        bool connect;
        bool locoSetup;
    };
    const Case cases[] = {{73, false, false, true, true},  {73, true, false, false, true},
                          {80, true, false, false, false}, {80, false, false, true, true},
                          {82, true, false, false, false}, {73, false, true, true, true},
                          {73, true, true, false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.srcpVer) + (c.connected ? " connected" : " not connected") +
                     (c.polling ? ", polling" : ""));
        window->setStartMenuState();
        window->SrcpVer = c.srcpVer;
        std::unique_ptr<LineConnection> accepted;
        if (c.connected) {
            window->Command_Socket->connect("127.0.0.1", server.port(), PatienceMs);
            accepted = server.accept(PatienceMs);
        }
        if (c.polling)
            window->Abfragestarten1Click();
        window->setPlanMenuState();
        EXPECT_EQ(window->Hostverbinden1->isEnabled(), c.connect);
        EXPECT_EQ(window->Softregler1->isEnabled(), c.locoSetup);
        EXPECT_EQ(window->Abfragestarten1->isEnabled(), !c.polling);
        EXPECT_FALSE(window->Bildschirm1->menuAction()->isEnabled());
        for (QAction* on : {window->Speichernals1, window->Gleisbildentwerfen1, window->DecoderAdressen1,
                            window->S88modules1, window->Text1, window->Betrieb1, window->Fahrstrassen1,
                            window->Abfragebeenden1})
            EXPECT_TRUE(on->isEnabled()) << on->objectName().toStdString();
        EXPECT_FALSE(window->Joystickcalibrieren1->isEnabled());
        if (c.polling)
            window->Abfragebeenden1Click();
        if (window->Command_Socket->isConnected())
            window->Command_Socket->close();
    }
}

TEST_F(QuarnStartTest, StartGoesOnWithoutCatalogueAndIcons) {
    for (const char* removed : {"Elemente1.dat", "Icon0101.bmp"}) {
        SCOPED_TRACE(removed);
        refillDataFolder();
        std::filesystem::remove(dataFile(removed));
        std::filesystem::remove(settingsFile());
        m_dialogs.clear();
        TMainForm* window = startWindows();
        ASSERT_NE(window, nullptr);
        // The catalogue's error, then the settings message: the settings are still loaded.
        ASSERT_EQ(m_dialogs.calls().size(), 2u);
        EXPECT_EQ(m_dialogs.calls()[0].kind, Kind::Message);
        EXPECT_EQ(m_dialogs.calls()[0].icon, MessageIcon::Stop);
        EXPECT_NE(m_dialogs.calls()[0].text.find(removed), std::string::npos) << m_dialogs.calls()[0].text;
        EXPECT_EQ(m_dialogs.calls()[1].text, kMessage101De);
        EXPECT_EQ(window->windowTitle().toStdString(), "QUARN - Eisenbahnsteuerung");
        EXPECT_EQ(countLines(readFileBytes(settingsFile())), SettingsFileLines);
        stopWindows();
    }
}

TEST_F(QuarnStartTest, SettingsThatCannotBeWrittenAreReportedAndStartGoesOn) {
    // A folder where the settings file should be: it can be neither read, moved aside nor replaced.
    writeFileBytes(m_dir.file("Data/parmc.dat/inside"), "x");
    takeEveryBackupName(settingsFile());
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(m_dialogs.calls().size(), 2u);
    EXPECT_EQ(m_dialogs.calls()[0], kSettingsBox);
    EXPECT_EQ(m_dialogs.calls()[1].title, "Quarn");
    EXPECT_EQ(m_dialogs.calls()[1].icon, MessageIcon::Stop);
    EXPECT_FALSE(m_dialogs.calls()[1].text.empty());
    EXPECT_EQ(window->windowTitle().toStdString(), "QUARN - Eisenbahnsteuerung");
    EXPECT_EQ(readFileBytes(m_dir.file("Data/parmc.dat/inside")), "x");
}

TEST_F(QuarnStartTest, FailedGlobalObjectsEndTheStart) {
    setJoystickLifecycle([] { throw std::runtime_error("no joystick object"); }, nullptr);
    const bool started = createQuarnWindows();
    setJoystickLifecycle(nullptr, nullptr);
    EXPECT_FALSE(started);
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_TRUE(mainWindow()->startupFailed());
    EXPECT_EQ(m_dialogs.calls(),
              (std::vector<Call>{{Kind::Plain, "",
                                  "An error occured during memory allocation. Please terminate "
                                  "program",
                                  MessageIcon::None}}));
    // Nothing else was attempted: no settings file was read or written.
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
    freeQuarnWindows();
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(Init, nullptr);
}

} // namespace

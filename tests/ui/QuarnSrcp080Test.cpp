// The main window over "SRCP 0.80": connecting SRCPCl2 to the fake SRCP 0.8.2 server on a loopback
// port, the menus, the commands and the client's events, and the server going away.

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "../engine/DetectorIcons.h"
#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "engine/Bahncalcunit.h"
#include "engine/Positionunit.h"
#include "engine/lokunit.h"
#include "support/FakeSrcpServer.h"
#include "support/LineListener.h"
#include "support/SrcpdBuses.h"
#include "support/engine/RecordingClock.h"
#include "ui/Debugunit.h"
#include "ui/Uhrunit.h"
#include "ui/setupunit.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
using Lines = std::vector<std::string>;
using Reply = FakeSrcpServer::Reply;

const std::string Fehler = "Fehler";
const std::string NotAvailable = "Diese Funktion ist noch nicht verf\xC3\xBCgbar";
const char* const ServerGone = "The server closed the connection";
const std::string FreeCommandsOver073 =
    "Free commands are sent over an \"SRCP 0.73\" connection only. Nothing was sent.";

class QuarnSrcp080Test : public QuarnDispatchingTestFolder {
protected:
    static inline const std::vector<Detector> Detectors = {
        {"A", 65, 2, 1, 27, 27},  // absolute contact 17
        {"B", 65, 1, 16, 54, 27}, // contact 16
        {"C", 87, 1, 1, 81, 27},  // contact 1
        {"D", 65, 1, 2, 108, 27}, // contact 2
        {"E", 87, 3, 5, 135, 27}, // contact 37
    };

    void SetUp() override {
        QuarnDispatchingTestFolder::SetUp();
        writeDetectorIcons(dataFile(""));
        m_server.setBusDescriptions(NineBuses);
    }

    // The main window, shown, with a plan of detectors, set to "SRCP 0.80" on the fake server.
    TMainForm* connectableWindow(int port = 0) {
        TMainForm* window = startWindows();
        if (!window)
            return nullptr;
        window->show();
        pointAt(window, port ? port : m_server.port(), 80);
        placeDetectors(*Postable, Detectors);
        window->Quarn_bitmap->fill(Grey);
        window->setPlanMenuState();
        m_dialogs.clear();
        return window;
    }

    // Connects and waits until the buses the server describes are there.
    void connect(TMainForm* window, int busses = static_cast<int>(NineBuses.size())) {
        window->Hostverbinden1->trigger();
        ASSERT_TRUE(window->SRCPCl2->Connected());
        ASSERT_TRUE(waitFor([&] { return window->SRCPCl2->BusCount() == busses; }));
    }

    // Over this transport loco setup is off while connected, too.
    static void expectConnectedMenus(TMainForm* window, bool connected) {
        ::expectConnectedMenus(window, connected);
        EXPECT_EQ(window->Softregler1->isEnabled(), !connected);
    }

    static std::vector<std::string> memo() {
        std::vector<std::string> lines;
        if (DebugForm->Memo1->document()->isEmpty())
            return lines;
        for (QTextBlock b = DebugForm->Memo1->document()->begin(); b.isValid(); b = b.next())
            lines.push_back(b.text().toStdString());
        return lines;
    }
    static int memoCount(const std::string& line) {
        const auto lines = memo();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    static std::vector<QRgb> cells(TMainForm* window) {
        std::vector<QRgb> out;
        for (const Detector& d : Detectors)
            out.push_back(window->Quarn_bitmap->pixel(d.x + 13, d.y + 13));
        return out;
    }

    static bool waitFor(const std::function<bool()>& pred, int timeoutMs = FakeSrcpServer::Patience) {
        return QTest::qWaitFor(pred, timeoutMs);
    }

    FakeSrcpServer m_server;
    RecordingClock m_clock;
};

TEST_F(QuarnSrcp080Test, ConnectSetsAutoPowerAndTheMenusAndDisconnectTakesThemBack) {
    struct Case {
        int autopower;
        Lines lines; // after the buses asked for their power state
    };
    const Case cases[] = {
        {0, {}},
        {1, {"GET 1 POWER", "SET 1 POWER ON"}},
        {2, {"GET 1 POWER", "SET 1 POWER ON"}},
    };
    // The server reports the power group of bus 1 initialised, then off.
    m_server.setDeviceStates({"1000.000 101 INFO 1 POWER", "1000.000 100 INFO 1 POWER OFF"});
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    window->Debug = true;
    for (const Case& c : cases) {
        SCOPED_TRACE("Autopower " + std::to_string(c.autopower));
        window->Autopower = c.autopower;
        // Connecting over this transport leaves the power monitor alone.
        window->Monitorpower = 1;
        window->LocoData_sent = true;
        window->setStatusPanel(0, "");
        m_clock.waits.clear();

        connect(window);
        EXPECT_EQ(window->SRCPCl2->AutoPowerOn(), c.autopower >= 1);
        EXPECT_EQ(m_clock.waits, Lines{"sleep 200"});
        expectConnectedMenus(window, true);
        EXPECT_FALSE(window->LocoData_sent);
        EXPECT_FALSE(window->PowerTimer->isActive());
        // A new or opened plan does not bring Connect or Loco setup back.
        window->setPlanMenuState();
        expectConnectedMenus(window, true);
        // Nor can the settings dialog change the transport under the client.
        bool srcpLocked = false;
        m_dialogs.pushWindow([&] {
            srcpLocked = !SetupForm->RGSrcp->isEnabled();
            return 0;
        });
        window->IPAddrHost1Click();
        EXPECT_TRUE(srcpLocked);
        m_dialogs.clear();

        ASSERT_TRUE(waitFor([&] { return window->statusPanelText(0) == "Power off"; }));
        Lines expected = {"GET 1 POWER", "GET 2 POWER", "GET 3 POWER", "GET 4 POWER",
                          "GET 5 POWER", "GET 6 POWER", "GET 7 POWER", "GET 8 POWER"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(m_server.newCommandLines(), expected);

        window->Zeit1->setChecked(true);
        UhrForm->FormCanClose = false;
        UhrForm->show();
        window->setStatusPanel(0, "Power on");
        const int sessionId = window->SRCPCl2->SessionID();
        window->Hosttrennen1->trigger();
        EXPECT_FALSE(window->SRCPCl2->Connected());
        // The goodbye's reply is awaited only briefly; the line is there once the server let go.
        EXPECT_TRUE(m_server.waitUntil([&] {
            const auto connections = m_server.connections();
            return std::none_of(connections.begin(), connections.end(), [](const auto& k) { return k.open; });
        }));
        EXPECT_EQ(m_server.newCommandLines(), Lines{"TERM 0 SESSION " + std::to_string(sessionId)});
        expectConnectedMenus(window, false);
        EXPECT_FALSE(window->Zeit1->isChecked());
        EXPECT_FALSE(UhrForm->isVisible());
        EXPECT_EQ(window->statusPanelText(0), "Power off");
        // The disconnect ran its tail itself, not a second time through the client's event.
        deliverPosted();
        EXPECT_EQ(memoCount(ServerGone), 0);
        EXPECT_TRUE(m_dialogs.calls().empty());
    }
}

TEST_F(QuarnSrcp080Test, ARefusedConnectionOrHandshakeIsShownAndTheMenusStayDisconnected) {
    int closedPort = 0;
    {
        LineListener gone;
        closedPort = gone.port();
    }
    struct Case {
        const char* name;
        std::function<void(FakeSrcpServer&)> setUp;
        bool refusedPort;
        const char* text; // null: the connection's own text
    };
    const Case cases[] = {
        {"nobody listens", nullptr, true, nullptr},
        {"no SRCP 0.8.2 offered", [](FakeSrcpServer& s) { s.setWelcome("srcpd V2.0.10; SRCP 0.7.3"); }, false,
         "unsupported version"},
        {"an error for a welcome", [](FakeSrcpServer& s) { s.setWelcome("1000.000 401 ERROR not allowed"); },
         false, "invalid welcome string"},
        // Two refusals: the session reads a second line when the first answer to GO is not its own.
        {"command session refused",
         [](FakeSrcpServer& s) {
             s.addRule("GO", Reply::send(
                                 Lines{"1000.000 401 ERROR not allowed", "1000.000 401 ERROR not allowed"}));
         },
         false, "Client refused connection"},
        {"info session refused",
         [](FakeSrcpServer& s) {
             s.addRule("GO", Reply::send("1000.000 200 OK GO 7"), true);
             s.addRule("GO", Reply::send(
                                 Lines{"1000.000 401 ERROR not allowed", "1000.000 401 ERROR not allowed"}));
         },
         false, "Client refused connection"},
        // The info session's own word, though the command session has said its goodbye since.
        {"info session closed by the server during its handshake",
         [](FakeSrcpServer& s) { s.addRule("SET CONNECTIONMODE SRCP INFO", Reply::close(), true); }, false,
         "connection closed by peer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer server;
        server.setBusDescriptions(NineBuses);
        if (c.setUp)
            c.setUp(server);
        TMainForm* window = connectableWindow(c.refusedPort ? closedPort : server.port());
        ASSERT_NE(window, nullptr);
        window->Debug = true;
        window->setStatusPanel(0, "Power on");

        window->Hostverbinden1->trigger();
        ASSERT_EQ(m_dialogs.calls().size(), 1u);
        const Call& box = m_dialogs.calls()[0];
        EXPECT_EQ(box.kind, Kind::Message);
        EXPECT_EQ(box.icon, MessageIcon::Stop);
        if (c.text)
            EXPECT_EQ(box.text, c.text);
        else
            EXPECT_FALSE(box.text.empty());
        EXPECT_FALSE(window->SRCPCl2->Connected());
        expectConnectedMenus(window, false);
        // A connect that failed is no disconnect: its tail does not run.
        deliverPosted();
        EXPECT_EQ(window->statusPanelText(0), "Power on");
        EXPECT_EQ(memoCount(ServerGone), 0);
        EXPECT_TRUE(server.waitUntil([&] {
            const auto connections = server.connections();
            return std::none_of(connections.begin(), connections.end(), [](const auto& k) { return k.open; });
        }));
        stopWindows();
    }
}

TEST_F(QuarnSrcp080Test, CommandsWhileConnected) {
    struct Case {
        MenuItem item;
        Lines lines;
        std::vector<Call> boxes;
    };
    const Case cases[] = {
        {&TMainForm::Spannungan1, {"SET 1 POWER ON"}, {}},
        {&TMainForm::Spannungaus1, {"SET 1 POWER OFF"}, {}},
        {&TMainForm::Initialisierung1, {}, {stopBox(Fehler, NotAvailable)}},
        {&TMainForm::Decoderprogrammieren1, {}, {stopBox(Fehler, NotAvailable)}},
        // Free commands are lines of the plain command connection, which is not open: no input box.
        {&TMainForm::FreieBefehle1, {}, {stopBox(Fehler, FreeCommandsOver073)}},
    };
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    connect(window);
    for (const Case& c : cases) {
        QAction* item = window->*c.item;
        SCOPED_TRACE(item->objectName().toStdString());
        m_server.newCommandLines();
        m_dialogs.clear();
        item->trigger();
        EXPECT_EQ(m_server.newCommandLines(), c.lines);
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
    }
    m_dialogs.clear();

    // A throttle's loco command announces the loco table first.
    Lok->entry(0)->ProtType = mpbMotorola;
    Lok->entry(0)->Protversion = 2;
    Lok->entry(0)->SRCPBusnr = 2;
    Lok->entry(0)->Addr = 24;
    for (int i = 1; i < LOKMAX; ++i)
        Lok->entry(i)->ProtType = mpbCustom;
    Bahn->gl_out(0);
    EXPECT_EQ(m_server.newCommandLines(), (Lines{"INIT 2 GL 24 M 2 14 5", "SET 2 GL 24 0 0 100 0 0 0 0 0"}));
    EXPECT_TRUE(window->LocoData_sent);
    // An accessory of the plan.
    window->SolTime = 300;
    Bahn->ga_out("N", 2, 4);
    EXPECT_EQ(m_server.newCommandLines(),
              (Lines{"INIT 6 GA 10 N", "SET 6 GA 10 1 1 300", "SET 6 GA 10 1 1 300"}));

    // The power monitor sends while connected, and after the server went away shows nothing.
    window->PowerTimerTimer();
    EXPECT_EQ(m_server.newCommandLines(), Lines{"SET 1 POWER ON"});
    window->Hosttrennen1->trigger();
    m_server.newCommandLines();
    window->PowerTimerTimer();
    EXPECT_EQ(m_server.newCommandLines(), Lines{});
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{});
}

// The server reports an announced loco only after its SET, so the first drag after connecting
// reaches the loco through the announcement; later drags send the slot alone.
TEST_F(QuarnSrcp080Test, TheFirstDragAfterConnectingDrivesTheLoco) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    connect(window);
    for (int i = 1; i < LOKMAX; ++i)
        Lok->entry(i)->ProtType = mpbCustom;
    *Lok->entry(0) = {.Protocol = "M2", .Protversion = 2, .Addr = 24, .Direction = 1};
    window->setupScrollBar(0);
    window->Betrieb = true;
    m_server.newCommandLines();

    QScrollBar* bar = window->Regler_panel->findChild<QScrollBar*>("ScrollBar1");
    ASSERT_NE(bar, nullptr);
    bar->setValue(0);
    EXPECT_EQ(m_server.newCommandLines(),
              (Lines{"INIT 1 GL 24 M 2 14 5", "SET 1 GL 24 1 100 100 0 0 0 0 0"}));
    m_server.injectInfo("1001.000 101 INFO 1 GL 24 M 2 14 5");
    m_server.injectInfo("1001.000 100 INFO 1 GL 24 1 100 100 0 0 0 0 0");
    ASSERT_TRUE(waitFor([&] { return window->SRCPCl2->Busses(1)->GLs()->Locos(24) != nullptr; }));
    bar->setValue(50);
    EXPECT_EQ(m_server.newCommandLines(), Lines{"SET 1 GL 24 1 50 100 0 0 0 0 0"});
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(QuarnSrcp080Test, TheClientsEventsReachThePlanTheStatusBarAndTheClock) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    connect(window);
    struct Case {
        const char* line;
        std::vector<QRgb> cells; // A..E
        std::string memoLine;
    };
    const Case cases[] = {
        {"1001.000 100 INFO 8 FB 1 1",
         {Grey, Grey, Busy87, Grey, Grey},
         "Addr: 1 Wert: 1 Modul: 1 Portnr: 1"},
        {"1002.000 100 INFO 8 FB 16 1",
         {Grey, Busy65, Grey, Grey, Grey},
         "Addr: 16 Wert: 1 Modul: 1 Portnr: 16"},
        {"1003.000 100 INFO 8 FB 17 1",
         {Busy65, Grey, Grey, Grey, Grey},
         "Addr: 17 Wert: 1 Modul: 2 Portnr: 1"},
        {"1004.000 100 INFO 8 FB 17 0",
         {Free65, Grey, Grey, Grey, Grey},
         "Addr: 17 Wert: 0 Modul: 2 Portnr: 1"},
        // Contacts of another bus show the same way.
        {"1005.000 100 INFO 1 FB 37 1",
         {Grey, Grey, Grey, Grey, Busy87},
         "Addr: 37 Wert: 1 Modul: 3 Portnr: 5"},
        // A value with no icon draws nothing.
        {"1006.000 100 INFO 8 FB 2 5", {Grey, Grey, Grey, Grey, Grey}, "Addr: 2 Wert: 5 Modul: 1 Portnr: 2"},
    };
    // Written whether or not Debug is set.
    window->Debug = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        window->Quarn_bitmap->fill(Grey);
        m_server.injectInfo(c.line);
        ASSERT_TRUE(waitFor([&] { return !memo().empty() && memo().back() == c.memoLine; }));
        EXPECT_EQ(cells(window), c.cells);
    }

    m_server.injectInfo("1010.000 100 INFO 1 POWER ON");
    EXPECT_TRUE(waitFor([&] { return window->statusPanelText(0) == "Power on"; }));
    // Another bus's power is not the power that Voltage on and off switch.
    m_server.injectInfo("1010.500 100 INFO 2 POWER OFF");
    m_server.injectInfo("1010.700 100 INFO 8 FB 3 1");
    ASSERT_TRUE(waitFor([&] { return memo().back() == "Addr: 3 Wert: 1 Modul: 1 Portnr: 3"; }));
    EXPECT_EQ(window->statusPanelText(0), "Power on");
    m_server.injectInfo("1011.000 100 INFO 1 POWER OFF");
    EXPECT_TRUE(waitFor([&] { return window->statusPanelText(0) == "Power off"; }));

    // 12:30 on the day the model clock counts from.
    m_server.injectInfo("1012.000 100 INFO 0 TIME 2415019 12 30 0");
    EXPECT_TRUE(waitFor([&] { return window->ZolTime != 0.0; }));
    EXPECT_NEAR(window->ZolTime, 12.5 / 24, 1e-9);
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(QuarnSrcp080Test, FeedbackStartsOnBusListEntryEightAndSynchronizeReadsTheContactsBack) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    connect(window);
    m_server.newCommandLines();

    // Refused, as today's srcpd refuses it: Start and Reset come back, and the status bar says why.
    window->setStatusPanel(1, "Anlage.qgb");
    m_server.addRule("INIT 8 FB S88 LPT1 4", Reply::send("1000.000 419 ERROR list too short"), true);
    m_server.addRule("INIT 8 FB S88 LPT1 4", Reply::send("1000.000 419 ERROR list too short"), true);
    window->Abfragestarten1->trigger();
    EXPECT_EQ(m_server.newCommandLines(), Lines{"INIT 8 FB S88 LPT1 4"});
    EXPECT_TRUE(window->Abfragestarten1->isEnabled());
    EXPECT_TRUE(window->Reset1->isEnabled());
    EXPECT_EQ(window->statusPanelText(1), "419 ERROR list too short");
    window->Abfragestarten1->trigger();
    EXPECT_EQ(m_server.newCommandLines(), Lines{"INIT 8 FB S88 LPT1 4"});
    EXPECT_EQ(window->statusPanelText(1), "419 ERROR list too short");

    window->Abfragestarten1->trigger();
    EXPECT_EQ(m_server.newCommandLines(), Lines{"INIT 8 FB S88 LPT1 4"});
    EXPECT_FALSE(window->Abfragestarten1->isEnabled());
    EXPECT_FALSE(window->Reset1->isEnabled());
    EXPECT_TRUE(window->feedbackRunning());
    // The refusal is over: the panel shows what it showed before it.
    EXPECT_EQ(window->statusPanelText(1), "Anlage.qgb");

    // The server's contacts, read back into the detectors; 37 is on another bus.
    for (const char* line : {"1001.000 100 INFO 8 FB 17 1", "1001.000 100 INFO 8 FB 16 0",
                             "1001.000 100 INFO 8 FB 1 1", "1001.000 100 INFO 1 FB 37 1"})
        m_server.injectInfo(line);
    ASSERT_TRUE(waitFor([&] { return memo().size() >= 4; }));
    window->Quarn_bitmap->fill(Grey);
    window->Synchronize2->trigger();
    EXPECT_EQ(cells(window), (std::vector<QRgb>{Busy65, Free65, Busy87, Free65, Free87}));
    EXPECT_FALSE(window->ProgressBar1->isVisible());
    EXPECT_EQ(m_server.newCommandLines(), Lines{});

    window->Abfragebeenden1->trigger();
    EXPECT_EQ(m_server.newCommandLines(), Lines{"TERM 8 FB"});
    EXPECT_TRUE(window->Abfragestarten1->isEnabled());
    EXPECT_TRUE(window->Reset1->isEnabled());

    // Feedback read through the client ends with the connection. Before that, a refusal whose text
    // something else has written over: the accepted start leaves the panel alone.
    m_server.addRule("INIT 8 FB S88 LPT1 4", Reply::send("1000.000 419 ERROR list too short"), true);
    window->Abfragestarten1->trigger();
    window->setStatusPanel(1, "Gleis.qgb");
    window->Abfragestarten1->trigger();
    EXPECT_EQ(window->statusPanelText(1), "Gleis.qgb");
    EXPECT_TRUE(window->feedbackRunning());
    window->Hosttrennen1->trigger();
    EXPECT_FALSE(window->feedbackRunning());
    EXPECT_TRUE(window->Abfragestarten1->isEnabled());
    EXPECT_TRUE(window->Reset1->isEnabled());
    EXPECT_TRUE(m_dialogs.calls().empty());
}

// A server with fewer buses than the program expects: the commands that need a missing entry send
// nothing and raise nothing; each kind is told in a box once per connection, a repeat in status
// panel 1, and the debug memo says so.
TEST_F(QuarnSrcp080Test, ShortBusListsSendNothingAndRaiseNothing) {
    struct Case {
        Lines buses;
        Lines lines; // a Motorola turnout clicked twice in Drive, Feedback > Start, Voltage on
        std::vector<Call> boxes;
        std::string panel; // status panel 1 after the second click
    };
    const auto box = [](const char* what, int position, const char* buses) {
        return stopBox(Fehler, missingEntry(what, position, buses));
    };
    const Lines eight(NineBuses.begin(), NineBuses.end() - 1);
    const Case cases[] = {
        {{},
         {},
         {box("Accessory command", 5, "0 buses"), box("Feedback start", 8, "0 buses"),
          box("Power command", 1, "0 buses")},
         missingEntry("Accessory command", 5, "0 buses")},
        {TwoBuses,
         {"SET 1 POWER ON"},
         {box("Accessory command", 5, "2 buses"), box("Feedback start", 8, "2 buses")},
         "Accessory command not sent to server: it needs position 5 of the server's bus list, and the server "
         "described 2 buses."},
        {eight,
         {"INIT 5 GA 5 M", "SET 5 GA 5 1 1 250", "SET 5 GA 5 1 1 250", "INIT 5 GA 5 M", "SET 5 GA 5 0 1 250",
          "SET 5 GA 5 0 1 250", "SET 1 POWER ON"},
         {box("Feedback start", 8, "8 buses")},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buses.size());
        m_server.setBusDescriptions(c.buses);
        TMainForm* window = connectableWindow();
        ASSERT_NE(window, nullptr);
        window->Debug = true;
        connect(window, static_cast<int>(c.buses.size()));
        auto turnout = std::make_unique<tPosEntry>();
        turnout->Enummer = 14;
        turnout->Posx = turnout->Posy = 54;
        turnout->Stellung = turnout->Decod1 = turnout->Decod2 = turnout->Daten1 = 1;
        turnout->Daten2 = 2;
        turnout->Protokoll = "M";
        Postable->addEntry(std::move(turnout));
        window->Betrieb1Click();
        m_server.newCommandLines();

        for (int click = 0; click < 2; ++click) {
            window->QuarnMouseDown(TMouseButton::mbLeft, ssLeft, 60, 60);
            window->QuarnMouseUp(TMouseButton::mbLeft, {}, 60, 60);
        }
        EXPECT_EQ(window->statusPanelText(1), c.panel);
        const std::size_t before = memo().size();
        window->Abfragestarten1->trigger();
        EXPECT_TRUE(window->Abfragestarten1->isEnabled());
        EXPECT_TRUE(window->Reset1->isEnabled());
        EXPECT_FALSE(window->feedbackRunning());
        EXPECT_GT(memo().size(), before);
        window->Spannungan1->trigger();
        EXPECT_EQ(m_server.newCommandLines(), c.lines);
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        window->Abfragebeenden1->trigger();
        window->Quarn_bitmap->fill(Grey);
        window->Synchronize2->trigger();
        EXPECT_EQ(cells(window), std::vector<QRgb>(Detectors.size(), Grey));
        if (c.buses.empty()) {
            // A clock report with no entry 0 leaves the model time.
            window->SRCPCl2TimeChange(*window->SRCPCl2);
            EXPECT_EQ(window->ZolTime, 0.0);
        }
        EXPECT_EQ(m_server.newCommandLines(), Lines{});
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        stopWindows();
    }
}

TEST_F(QuarnSrcp080Test, TheServerGoingAwayDisconnectsTheWindowOnce) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    window->Debug = true;

    // The info connection first.
    connect(window);
    window->Abfragestarten1->trigger();
    m_server.closeConnections("INFO");
    ASSERT_TRUE(waitFor([&] { return window->Hostverbinden1->isEnabled(); }));
    deliverPosted();
    expectConnectedMenus(window, false);
    EXPECT_FALSE(window->SRCPCl2->Connected());
    EXPECT_EQ(memoCount(ServerGone), 1);
    EXPECT_EQ(window->statusPanelText(0), "Power off");
    EXPECT_FALSE(window->feedbackRunning());
    EXPECT_TRUE(m_dialogs.calls().empty());

    // Then, connected again, the command connection while a command waits for its reply.
    struct Case {
        MenuItem item;
        const char* line; // the command the server closes on
    };
    const Case cases[] = {{&TMainForm::Spannungan1, "SET 1 POWER ON"},
                          {&TMainForm::Abfragestarten1, "INIT 8 FB S88 LPT1 4"}};
    int lost = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        m_server.addRule(c.line, Reply::close(), true);
        m_dialogs.clear();
        connect(window);
        expectConnectedMenus(window, true);
        (window->*c.item)->trigger();
        EXPECT_FALSE(window->SRCPCl2->Connected());
        expectConnectedMenus(window, false);
        deliverPosted();
        EXPECT_EQ(memoCount(ServerGone), ++lost);
        // The lost connection is shown as the default handler shows an error, and feedback can be
        // started again.
        ASSERT_EQ(m_dialogs.calls().size(), 1u);
        EXPECT_EQ(m_dialogs.calls()[0].kind, Kind::Message);
        EXPECT_EQ(m_dialogs.calls()[0].icon, MessageIcon::Stop);
        EXPECT_TRUE(window->Abfragestarten1->isEnabled());
        EXPECT_TRUE(window->Reset1->isEnabled());
        EXPECT_FALSE(window->feedbackRunning());
    }

    // And connecting again works.
    m_dialogs.clear();
    connect(window);
    expectConnectedMenus(window, true);
    m_server.newCommandLines();
    window->Spannungaus1->trigger();
    EXPECT_EQ(m_server.newCommandLines(), Lines{"SET 1 POWER OFF"});
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(QuarnSrcp080Test, LogLinesAndTheUnboundHandlers) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    connect(window);
    m_server.newCommandLines();

    // The client's log, when switched on, goes to the memo.
    window->SRCPCl2->SetLogEnabled(true);
    window->Spannungaus1->trigger();
    window->SRCPCl2->SetLogEnabled(false);
    EXPECT_EQ(memoCount("Command: Snd: SET 1 POWER OFF"), 1);
    window->SRCPCl1InfoLog(*window->SRCPCl2, "text");
    EXPECT_EQ(memo().back(), "Infolog: text");
    m_server.newCommandLines();

    // Switches power on when asked for at connect and the bus reports it off.
    struct Case {
        int autopower;
        Lines lines;
    };
    for (const Case& c : {Case{0, {}}, Case{1, {"SET 1 POWER ON"}}}) {
        SCOPED_TRACE(c.autopower);
        window->Autopower = c.autopower;
        window->SRCPCl1BusConfigChange(*window->SRCPCl2, window->SRCPCl2->Busses(1));
        EXPECT_EQ(m_server.newCommandLines(), c.lines);
    }
    // Power that is on, a bus without power, no bus.
    window->SRCPCl1BusConfigChange(*window->SRCPCl2, window->SRCPCl2->Busses(1));
    window->SRCPCl1BusConfigChange(*window->SRCPCl2, window->SRCPCl2->Busses(0));
    window->SRCPCl1BusConfigChange(*window->SRCPCl2, nullptr);
    EXPECT_EQ(m_server.newCommandLines(), Lines{});
}

TEST_F(QuarnSrcp080Test, TheDebugMemoKeepsTheLastLines) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    const int written = TDebugForm::MaxLines + 10;
    for (int i = 0; i < written; ++i)
        window->debugLine("line " + std::to_string(i));
    const auto lines = memo();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(TDebugForm::MaxLines));
    EXPECT_EQ(lines.front(), "line 10");
    EXPECT_EQ(lines.back(), "line " + std::to_string(written - 1));
}

} // namespace

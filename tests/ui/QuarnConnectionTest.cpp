// Connecting to an "SRCP 0.73" server, disconnecting, the feedback modules and the commands, against
// the fake server on its three loopback ports.

#include <QAction>
#include <QImage>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "../engine/DetectorIcons.h"
#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "engine/Positionunit.h"
#include "engine/RueckReaders.h"
#include "platform/LineConnection.h"
#include "srcp/HighResTimer.h"
#include "support/FakeSrcp073Server.h"
#include "support/LineListener.h"
#include "support/engine/RecordingClock.h"
#include "support/engine/RecordingCommandOutput.h"
#include "ui/Debugunit.h"
#include "ui/PaintBoxWidget.h"
#include "ui/Uhrunit.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
using Server = FakeSrcp073Server;

// The texts of the start language.
const std::string Fehler = "Fehler";
const std::string NoCommandChannel =
    "Eine Verbindung auf dem Command-Kanal zum Server konnte nicht hergestellt werden";
const std::string NoInfoChannel =
    "Eine Verbindung auf dem Info-Kanal zum Server konnte nicht hergestellt werden";
const std::string Disconnected = "Die Verbindung zum Einsenbahnserver wurde getrennt!";
const std::string NoFeedbackChannel = "Der R\xC3\xBC"
                                      "ckmeldekanal konnte nicht ge\xC3\xB6"
                                      "ffnet werden";
const std::string NotAvailable = "Diese Funktion ist noch nicht verf\xC3\xBC"
                                 "gbar";
const std::string NotConnected = "Nicht mit dem Server verbunden";

class QuarnConnectionTest : public QuarnDispatchingTestFolder {
protected:
    // The main window, shown, pointed at the fake server, with no box recorded yet.
    TMainForm* connectableWindow() {
        TMainForm* window = startWindows();
        if (!window)
            return nullptr;
        window->show();
        pointAt(window, m_server.port());
        m_dialogs.clear();
        return window;
    }

    // Connects and waits until the server has the command connection.
    void connect(TMainForm* window) {
        window->Hostverbinden1->trigger();
        ASSERT_TRUE(window->Command_Socket->isConnected());
        ASSERT_TRUE(m_server.waitConnected(Server::Command));
    }

    // The server ends a connection: with a reset, or closing it in order.
    void drop(Server::Channel channel, bool reset) {
        reset ? m_server.resetConnection(channel) : m_server.closeConnection(channel);
    }

    static bool waitFor(const std::function<bool()>& pred, int timeoutMs = PatienceMs) {
        return QTest::qWaitFor(pred, timeoutMs);
    }

    Server m_server;
    // Nothing here waits in real time.
    RecordingClock m_clock;
};

TEST_F(QuarnConnectionTest, ConnectSwitchesPowerOnceAfterThePauseAndDisconnectResets) {
    struct Case {
        int autopower, monitorpower;
        std::string afterConnect; // bytes on the command channel right after Connect returned
        std::string byTimer;      // and those the power timer added
        int srcpVerAtDisconnect;  // the settings dialog may switch the transport while connected
        bool clockShown;          // the clock window is closed whether it was open or not
    };
    const Case cases[] = {
        {0, 0, "", "", 73, false},
        {1, 0, "SET POWER ON\n", "", 73, true},
        {0, 1, "", "SET POWER ON\n", 80, false},
        {1, 1, "SET POWER ON\n", "SET POWER ON\n", 80, true},
    };
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    // During the pause a marker goes out on the connection: whatever the server has before it was
    // sent before the pause ended.
    std::string atPause;
    m_clock.onWait = [&](const std::string&) {
        window->Command_Socket->writeRaw("MARK\n");
        EXPECT_TRUE(
            m_server.waitFor(Server::Command, [](const std::string& s) { return s.ends_with("MARK\n"); }));
        atPause = m_server.received(Server::Command);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("Autopower " + std::to_string(c.autopower) + ", Monitorpower " +
                     std::to_string(c.monitorpower));
        m_server.clearReceived(Server::Command);
        m_clock.waits.clear();
        window->Autopower = c.autopower;
        window->Monitorpower = c.monitorpower;

        connect(window);
        EXPECT_EQ(m_clock.waits, std::vector<std::string>{"pause 1000"});
        EXPECT_EQ(atPause, "MARK\n");
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "MARK\n" + c.afterConnect);
        expectConnectedMenus(window, true);
        EXPECT_EQ(window->PowerTimer->isActive(), c.monitorpower > 0);
        EXPECT_EQ(window->PowerTimer->interval(), 3000);
        ASSERT_NE(ReadCommand, nullptr);
        EXPECT_TRUE(ReadCommand->Running());

        // The power monitor's turn comes at once.
        if (window->PowerTimer->isActive())
            window->PowerTimer->start(0);
        EXPECT_TRUE(waitFor([&] { return !window->PowerTimer->isActive(); }));
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), c.byTimer);
        window->PowerTimer->setInterval(3000);

        window->Zeit1->setChecked(true);
        UhrForm->FormCanClose = false;
        UhrForm->setVisible(c.clockShown);
        window->SrcpVer = c.srcpVerAtDisconnect;
        window->Hosttrennen1->trigger();
        window->SrcpVer = 73;
        EXPECT_FALSE(window->Command_Socket->isConnected());
        EXPECT_EQ(ReadCommand, nullptr);
        EXPECT_TRUE(m_server.waitDisconnected(Server::Command));
        expectConnectedMenus(window, false);
        EXPECT_FALSE(window->Zeit1->isChecked());
        EXPECT_TRUE(UhrForm->FormCanClose);
        EXPECT_FALSE(UhrForm->isVisible());
        EXPECT_TRUE(window->Softregler1->isEnabled());
        EXPECT_EQ(window->statusPanelText(0), "Power off");
        EXPECT_EQ(window->statusPanelText(1), Disconnected);
        EXPECT_EQ(window->statusPanelText(2), "");
        // Nor a "not connected to server" from a power monitor that asked the other transport.
        EXPECT_TRUE(m_dialogs.calls().empty());
    }
}

TEST_F(QuarnConnectionTest, RefusedPortsAreReportedAndLeaveWhatWorks) {
    struct Case {
        Server::Channel refused;
        MenuItem item;
        std::vector<Call> boxes;
        bool commandOpen;
    };
    const Case cases[] = {
        {Server::Command, &TMainForm::Hostverbinden1, {stopBox(Fehler, NoCommandChannel)}, false},
        {Server::Info, &TMainForm::Hostverbinden1, {stopBox(Fehler, NoInfoChannel)}, true},
        {Server::Poll, &TMainForm::Abfragestarten1, {stopBox(Fehler, NoFeedbackChannel)}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        Server server;
        server.refuse(c.refused);
        TMainForm* window = connectableWindow();
        ASSERT_NE(window, nullptr);
        pointAt(window, server.port());
        window->setPlanMenuState();
        window->Infoport_an = 1;
        window->Autopower = 1;

        (window->*c.item)->trigger();
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        EXPECT_EQ(window->Command_Socket->isConnected(), c.commandOpen);
        EXPECT_FALSE(window->Info_Socket->isConnected());
        EXPECT_FALSE(window->Poll_Socket->isConnected());
        EXPECT_EQ(ReadCommand != nullptr, c.commandOpen);
        EXPECT_EQ(Readinfo, nullptr);
        EXPECT_EQ(PollHandleThread, nullptr);
        expectConnectedMenus(window, c.commandOpen);
        // Feedback Start comes back.
        EXPECT_TRUE(window->Abfragestarten1->isEnabled());
        EXPECT_TRUE(window->Reset1->isEnabled());
        if (c.commandOpen) {
            // The command connection stays usable.
            window->Spannungaus1->trigger();
            EXPECT_TRUE(server.waitReceived(Server::Command, "SET POWER ON\nSET POWER OFF\n"));
        }
        stopWindows();
    }
}

TEST_F(QuarnConnectionTest, ReadersShowTheirLinesAndConnectAgainKeepsTheConnection) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    window->Infoport_an = 1;
    connect(window);
    ASSERT_TRUE(m_server.waitConnected(Server::Info));
    ASSERT_TRUE(m_server.send(Server::Command, "INFO GL 1 0 0\r\n"));
    ASSERT_TRUE(m_server.send(Server::Info, "INFO 1 POWER ON\n"));
    EXPECT_TRUE(waitFor([&] { return window->statusPanelText(1) == "INFO GL 1 0 0"; }));
    EXPECT_TRUE(waitFor([&] { return window->statusPanelText(2) == "INFO 1 POWER ON"; }));

    // As the assistant would: the menu item is off, the handler runs anyway.
    window->Hostverbinden1Click();
    window->Spannungan1->trigger();
    // Once the line is there, a new connection would have been accepted too.
    EXPECT_TRUE(m_server.waitReceived(Server::Command, "SET POWER ON\n"));
    EXPECT_EQ(m_server.connections(Server::Command), 1);
    EXPECT_EQ(m_server.connections(Server::Info), 1);
    EXPECT_TRUE(m_server.connected(Server::Info));
    EXPECT_TRUE(m_dialogs.calls().empty());

    window->Hosttrennen1->trigger();
    EXPECT_TRUE(m_server.waitDisconnected(Server::Info));
    EXPECT_EQ(Readinfo, nullptr);
    EXPECT_EQ(window->statusPanelText(2), "");
}

TEST_F(QuarnConnectionTest, CommandsWriteTheirLinesOrSayNotConnected) {
    struct Case {
        MenuItem item;
        std::vector<std::pair<bool, std::string>> inputs;
        std::string bytes;       // written while connected
        std::vector<Call> boxes; // shown while connected
    };
    const Call input{Kind::Input, "Befehlseingabe", "e.g.: SET GA M 16 1 1 500", MessageIcon::None, ""};
    const Case cases[] = {
        {&TMainForm::Spannungan1, {}, "SET POWER ON\n", {}},
        {&TMainForm::Spannungaus1, {}, "SET POWER OFF\n", {}},
        {&TMainForm::Initialisierung1, {}, "RESET\n", {stopBox("Info", "Server wurde initialisiert!")}},
        {&TMainForm::FreieBefehle1, {{true, "SET GA M 16 1 1 500"}}, "SET GA M 16 1 1 500\n", {input}},
        {&TMainForm::FreieBefehle1, {{true, ""}}, "\n", {input}},
        {&TMainForm::FreieBefehle1, {{false, "SET POWER OFF"}}, "", {input}},
        // Sent as the Windows-1252 bytes of the text.
        {&TMainForm::FreieBefehle1, {{true, "SET GL M \xC3\xBC 1"}}, "SET GL M \xFC 1\n", {input}},
        {&TMainForm::Decoderprogrammieren1, {}, "", {stopBox(Fehler, NotAvailable)}},
    };
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    for (const Case& c : cases) {
        QAction* item = window->*c.item;
        SCOPED_TRACE(item->objectName().toStdString() + " -> " + c.bytes);
        // Disconnected: nothing written, the box says so (or that it is not available).
        item->setEnabled(true);
        m_dialogs.clear();
        m_server.clearReceived(Server::Command);
        item->trigger();
        const bool decoder = c.item == &TMainForm::Decoderprogrammieren1;
        EXPECT_EQ(m_dialogs.calls(),
                  std::vector<Call>{stopBox(Fehler, decoder ? NotAvailable : NotConnected)});

        connect(window);
        m_dialogs.clear();
        for (const auto& [ok, text] : c.inputs)
            m_dialogs.pushInput(ok, text);
        item->trigger();
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
        if (!c.bytes.empty()) {
            EXPECT_TRUE(m_server.waitReceived(Server::Command, c.bytes));
        }
        window->Hosttrennen1->trigger();
        ASSERT_TRUE(m_server.waitDisconnected(Server::Command));
        EXPECT_EQ(m_server.received(Server::Command), c.bytes);
    }
}

TEST_F(QuarnConnectionTest, ServerClosingTheCommandConnectionDisconnectsTheWindow) {
    for (bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "close");
        TMainForm* window = connectableWindow();
        ASSERT_NE(window, nullptr);
        window->Infoport_an = 1;
        window->Monitorpower = 1;
        connect(window);
        ASSERT_TRUE(m_server.waitConnected(Server::Info));
        ASSERT_TRUE(window->PowerTimer->isActive());

        drop(Server::Command, reset);
        EXPECT_TRUE(waitFor([&] { return window->Hostverbinden1->isEnabled(); }));
        expectConnectedMenus(window, false);
        EXPECT_EQ(window->statusPanelText(1), Disconnected);
        EXPECT_FALSE(window->PowerTimer->isActive());
        EXPECT_EQ(ReadCommand, nullptr);
        EXPECT_EQ(Readinfo, nullptr);
        EXPECT_TRUE(m_server.waitDisconnected(Server::Info));
        EXPECT_TRUE(m_dialogs.calls().empty());

        // And connecting again works.
        connect(window);
        expectConnectedMenus(window, true);
        window->Hosttrennen1->trigger();
        stopWindows();
    }
}

TEST_F(QuarnConnectionTest, ServerClosingTheFeedbackOrInfoConnectionIsShownAndTheCommandConnectionStays) {
    struct Case {
        Server::Channel channel;
        bool reset;
        int panel; // where the loss is shown
        const char* debugLine;
    };
    const Case cases[] = {
        {Server::Poll, false, 1, "The server closed the feedback connection"},
        {Server::Poll, true, 1, "The server closed the feedback connection"},
        {Server::Info, false, 2, "The server closed the info connection"},
        {Server::Info, true, 2, "The server closed the info connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channel) + (c.reset ? " reset" : " closed"));
        TMainForm* window = connectableWindow();
        ASSERT_NE(window, nullptr);
        window->Infoport_an = 1;
        window->Debug = true;
        window->setPlanMenuState();
        connect(window);
        ASSERT_TRUE(m_server.waitConnected(Server::Info));
        window->Abfragestarten1->trigger();
        ASSERT_TRUE(m_server.waitConnected(Server::Poll));
        ASSERT_FALSE(window->Abfragestarten1->isEnabled());
        window->setStatusPanel(1, "");
        window->setStatusPanel(2, "");

        drop(c.channel, c.reset);
        EXPECT_TRUE(waitFor([&] { return window->statusPanelText(c.panel) == NoFeedbackChannel; }));
        const bool poll = c.channel == Server::Poll;
        EXPECT_EQ(window->Abfragestarten1->isEnabled(), poll);
        EXPECT_EQ(window->Reset1->isEnabled(), poll);
        EXPECT_EQ(window->feedbackRunning(), !poll);
        EXPECT_EQ(PollHandleThread == nullptr, poll);
        EXPECT_EQ(Readinfo == nullptr, !poll);
        EXPECT_EQ(window->Poll_Socket->isConnected(), !poll);
        EXPECT_EQ(window->Info_Socket->isConnected(), poll);
        EXPECT_NE(DebugForm->Memo1->toPlainText().toStdString().find(c.debugLine), std::string::npos);
        EXPECT_TRUE(m_dialogs.calls().empty());

        // The command connection stays open and usable.
        EXPECT_TRUE(window->Command_Socket->isConnected());
        expectConnectedMenus(window, true);
        m_server.clearReceived(Server::Command);
        window->Spannungaus1->trigger();
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET POWER OFF\n");
        if (poll) {
            // Feedback can be started again.
            const int opened = m_server.connections(Server::Poll);
            window->Abfragestarten1->trigger();
            EXPECT_TRUE(waitFor([&] { return m_server.connections(Server::Poll) == opened + 1; }));
            EXPECT_TRUE(window->feedbackRunning());
        }
        // Our own closes report nothing.
        window->Hosttrennen1->trigger();
        window->Abfragebeenden1->trigger();
        deliverPosted();
        EXPECT_EQ(window->statusPanelText(1), Disconnected);
        EXPECT_EQ(window->statusPanelText(2), "");
        stopWindows();
    }
}

TEST_F(QuarnConnectionTest, BlockedReadersStopPromptlyAndExitJoinsThePollReader) {
    TMainForm* window = connectableWindow();
    ASSERT_NE(window, nullptr);
    window->Infoport_an = 1;
    window->setPlanMenuState();
    connect(window);
    ASSERT_TRUE(m_server.waitConnected(Server::Info));
    for (int round = 0; round < 2; ++round) {
        window->Abfragestarten1->trigger();
        ASSERT_TRUE(m_server.waitConnected(Server::Poll));
        ASSERT_NE(PollHandleThread, nullptr);
        EXPECT_FALSE(window->Abfragestarten1->isEnabled());
        EXPECT_FALSE(window->Reset1->isEnabled());
        // Every reader waits in a read that has no time-out: only its stop can end it.
        ASSERT_TRUE(waitFor([&] {
            return window->Command_Socket->callsInProgress() == 1 &&
                   window->Info_Socket->callsInProgress() == 1 && window->Poll_Socket->callsInProgress() == 1;
        }));
        QAction* item = round == 0 ? window->Abfragebeenden1 : window->Hosttrennen1;
        {
            Watchdog guard([&] {
                for (const auto channel : {Server::Command, Server::Poll, Server::Info})
                    m_server.closeConnection(channel);
            });
            item->trigger();
            EXPECT_FALSE(guard.fired()) << "a stop waited for its reader's read to end by itself; " << round;
        }
        // Stop brings Start and Reset back; a disconnect leaves polling (and them) alone.
        EXPECT_EQ(window->Abfragestarten1->isEnabled(), round == 0);
        EXPECT_EQ(window->Reset1->isEnabled(), round == 0);
    }
    EXPECT_EQ(m_server.connections(Server::Poll), 2);
    EXPECT_EQ(ReadCommand, nullptr);
    EXPECT_EQ(Readinfo, nullptr);
    // Disconnecting leaves feedback polling alone; the close at exit joins it.
    ASSERT_NE(PollHandleThread, nullptr);
    EXPECT_TRUE(m_server.connected(Server::Poll));
    EXPECT_TRUE(window->close());
    EXPECT_EQ(PollHandleThread, nullptr);
    EXPECT_FALSE(window->Poll_Socket->isConnected());
    EXPECT_TRUE(m_server.waitDisconnected(Server::Poll));
}

// A server that stops taking data: a write on the GUI thread times out (or fails on the reset) while
// the command reader is blocked on the same connection. Disconnect must still return at once.
TEST_F(QuarnConnectionTest, DisconnectReturnsWhenAWriteFailedUnderTheBlockedReader) {
    for (bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "peer resets during the write" : "peer takes no data");
        LineListener silent;
        TMainForm* window = startWindows();
        ASSERT_NE(window, nullptr);
        window->show();
        window->Infoport_an = 0;
        pointAt(window, silent.port());
        std::unique_ptr<AcceptedConnection> peer;
        std::thread acceptor([&] { peer = silent.accept(PatienceMs); });
        window->Hostverbinden1->trigger();
        acceptor.join();
        ASSERT_NE(peer, nullptr);
        ASSERT_TRUE(window->Command_Socket->isConnected());
        ASSERT_NE(ReadCommand, nullptr);

        // With the reset to come the write waits for it; else its time-out fails it.
        window->Command_Socket->setWriteTimeout(reset ? PatienceMs : 300);
        std::atomic<bool> writing{true};
        std::thread resetter;
        if (reset)
            resetter = std::thread([&] {
                // Once the write waits beside the reader's read.
                while (writing && window->Command_Socket->callsInProgress() < 2)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                peer->abort();
            });
        const std::string chunk(1 << 20, 'x');
        bool failed = false;
        for (int i = 0; i < 512 && !failed; ++i) {
            try {
                window->Command_Socket->writeRaw(chunk);
            } catch (const LineConnectionError&) {
                failed = true;
            }
        }
        writing = false;
        if (resetter.joinable())
            resetter.join();
        EXPECT_TRUE(failed);

        {
            Watchdog guard([&] { window->Command_Socket->shutdown(); });
            window->Hosttrennen1->trigger();
            EXPECT_FALSE(guard.fired()) << "the disconnect waited for the blocked reader";
        }
        EXPECT_TRUE(waitFor([&] { return window->Hostverbinden1->isEnabled(); }));
        expectConnectedMenus(window, false);
        EXPECT_EQ(ReadCommand, nullptr);
        EXPECT_FALSE(window->Command_Socket->isConnected());
        stopWindows();
    }
}

// Detectors on the plan; their icons are solid colours so that a cell shows which one it holds.
class QuarnFeedbackTest : public QuarnConnectionTest {
protected:
    static inline const std::vector<Detector> Detectors = {
        {"A", 65, 2, 1, 27, 27},  // absolute contact 17
        {"B", 65, 2, 1, 54, 27},  // the same contact again: only A changes
        {"C", 87, 1, 2, 81, 27},  // contact 2
        {"D", 87, 1, 3, 108, 27}, // contact 3
        {"E", 65, 1, 0, 135, 27}, // not configured
        {"F", 12, 1, 1, 162, 27}, // a track element on contact 1
        {"G", 65, 1, 1, 189, 27}, // contact 1
    };

    void SetUp() override {
        QuarnConnectionTest::SetUp();
        writeDetectorIcons(dataFile(""));
    }

    TMainForm* windowWithPlan() {
        TMainForm* window = connectableWindow();
        if (!window)
            return nullptr;
        placeDetectors(*Postable, Detectors);
        window->Quarn_bitmap->fill(Grey);
        window->setPlanMenuState();
        return window;
    }

    static QRgb cell(TMainForm* window, const Detector& d) {
        return window->Quarn_bitmap->pixel(d.x + 13, d.y + 13);
    }

    // Colours of the detectors, in table order.
    static std::vector<QRgb> cells(TMainForm* window) {
        std::vector<QRgb> out;
        for (const Detector& d : Detectors)
            out.push_back(cell(window, d));
        return out;
    }
};

TEST_F(QuarnFeedbackTest, FeedbackLinesFromEitherChannelChangeTheirDetectors) {
    struct Case {
        const char* name;
        Server::Channel channel;
        const char* line;
        std::vector<QRgb> expected; // A..G
    };
    const std::vector<QRgb> none(Detectors.size(), Grey);
    const std::vector<QRgb> all0110 = {Grey, Grey, Busy87, Busy87, Grey, Grey, Free65};
    const auto onlyA = [&](QRgb colour) {
        std::vector<QRgb> cells = none;
        cells[0] = colour;
        return cells;
    };
    const Case cases[] = {
        {"single contact on the command channel", Server::Command, "INFO FB S88 17 1\n", onlyA(Busy65)},
        {"all contacts on the poll channel", Server::Poll, "INFO FB S88 * 0110\r\n", all0110},
        {"all contacts on the command channel", Server::Command, "INFO FB S88 * 0110\n", all0110},
        {"single contact on the poll channel", Server::Poll, "INFO FB S88 17 0\n", onlyA(Free65)},
        {"lower case is no feedback", Server::Command, "info fb s88 17 1\n", none},
    };
    TMainForm* window = windowWithPlan();
    ASSERT_NE(window, nullptr);
    connect(window);
    window->Abfragestarten1->trigger();
    ASSERT_TRUE(m_server.waitConnected(Server::Poll));

    int marker = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window->Quarn_bitmap->fill(Grey);
        ASSERT_TRUE(m_server.send(c.channel, c.line));
        // A marker line after it on the command channel: once it shows, a command line before it
        // has been handled; a poll line is waited for by its effect.
        const std::string mark = "marker " + std::to_string(++marker);
        ASSERT_TRUE(m_server.send(Server::Command, mark + "\n"));
        EXPECT_TRUE(waitFor([&] {
            return window->statusPanelText(1) == mark &&
                   (c.channel == Server::Command || cells(window) == c.expected);
        }));
        EXPECT_EQ(cells(window), c.expected);
    }
    // A malformed line ends neither reader.
    ASSERT_TRUE(m_server.send(Server::Command, "INFO FB S88 x\n"));
    ASSERT_TRUE(m_server.send(Server::Poll, "INFO FB S88 1 7\n"));
    ASSERT_TRUE(m_server.send(Server::Poll, "INFO FB S88 1 1\n"));
    EXPECT_TRUE(waitFor([&] { return cell(window, Detectors[6]) == Busy65; }));
    EXPECT_TRUE(ReadCommand->Running());
    EXPECT_TRUE(PollHandleThread->Running());

    window->Hosttrennen1->trigger();
    window->Abfragebeenden1->trigger();
}

TEST_F(QuarnFeedbackTest, ResetDrawsEveryDetectorFreeAndSynchronizeReadsBackWhatTheServerKeeps) {
    TMainForm* window = windowWithPlan();
    ASSERT_NE(window, nullptr);
    window->Reset1->trigger();
    EXPECT_EQ(cells(window), (std::vector<QRgb>{Free65, Free65, Free87, Free87, Free65, Grey, Free65}));
    // The view shows the same.
    const QImage& view = window->Quarn->view().image();
    EXPECT_EQ(view.pixel(27 + 13, 27 + 13), Free65);
    EXPECT_EQ(view.pixel(81 + 13, 27 + 13), Free87);

    // A transport that keeps no contact states (as this one) lets synchronising only run the progress.
    window->Quarn_bitmap->fill(Grey);
    window->setStatusPanel(1, "before");
    window->Synchronize2->trigger();
    EXPECT_EQ(window->statusPanelText(1), "");
    EXPECT_FALSE(window->ProgressBar1->isVisible());
    EXPECT_EQ(window->ProgressBar1->maximum(), static_cast<int>(Detectors.size()));
    EXPECT_EQ(cells(window), std::vector<QRgb>(Detectors.size(), Grey));
    EXPECT_TRUE(m_dialogs.calls().empty());

    // A transport that keeps the contacts' states gives them to the detectors configured for them;
    // a track element on a contact and a detector without a contact are left alone.
    RecordingCommandOutput output;
    output.feedbackStates = {{{2, 1}, 1}, {{1, 2}, 0}, {{1, 3}, 1}, {{1, 1}, 1}, {{1, 0}, 1}};
    window->Synchronize2->trigger();
    EXPECT_EQ(cells(window), (std::vector<QRgb>{Busy65, Grey, Free87, Busy87, Grey, Grey, Busy65}));
    EXPECT_TRUE(output.commands.empty());
}

} // namespace

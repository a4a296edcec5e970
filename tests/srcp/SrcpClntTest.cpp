#include "srcp/SrcpClnt.h"
#include "srcp/SrcpGroups.h"

#include "support/FakeSrcpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>

namespace {

using Reply = FakeSrcpServer::Reply;
using namespace std::chrono_literals;

// Bound of every wait that is expected to succeed (handshakes included): generous, since a loaded
// machine may park the process for seconds, and a wait that succeeds costs nothing more.
constexpr int Patience = FakeSrcpServer::Patience;

// A session wired to a fake server and a hand-pumped main thread, recording what it reports.
template <class Client> struct Session {
    FakeSrcpServer& server;
    ManualDispatcher& dispatcher;
    std::vector<std::string> log;
    int errors = 0;
    int disconnects = 0;
    std::thread::id disconnectThread;
    // Last, so that it goes first: its destructor still fires the handlers below.
    Client client;

    Session(FakeSrcpServer& s, ManualDispatcher& d) : server(s), dispatcher(d) {
        client.SetHost("127.0.0.1");
        client.SetPort(server.port());
        client.SetDispatcher(&dispatcher);
        client.SetLogEnabled(true);
        client.OnLog = [this](TSRCPBaseClient&, const std::string& text) { log.push_back(text); };
        client.OnError = [this](TSRCPBaseClient&) { ++errors; };
        client.OnDisconnected = [this](TSRCPBaseClient&) {
            ++disconnects;
            disconnectThread = std::this_thread::get_id();
        };
    }
};

class SrcpClnt : public testing::Test {
protected:
    FakeSrcpServer server;
    ManualDispatcher dispatcher;
};

TEST_F(SrcpClnt, CommandHandshakeSendsExactBytesAndLogs) {
    server.setNextSessionId(7);
    server.setWelcome("srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3; built here");
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.Connect(Patience);
    ASSERT_TRUE(s.client.Connected());
    EXPECT_EQ(7, s.client.SessionID());
    EXPECT_EQ((std::vector<std::string>{"srcpd V2.1.2", "built here"}), s.client.GreetingLines());
    EXPECT_TRUE(s.client.ServerOffers(cv082));
    EXPECT_TRUE(s.client.ServerOffers(cv073));
    ASSERT_TRUE(server.waitForLines("COMMAND", 3));
    EXPECT_EQ("SET PROTOCOL SRCP 0.8.2\r\nSET CONNECTIONMODE SRCP COMMAND\r\nGO\r\n",
              server.connections()[0].raw);
    const std::vector<std::string> expectedLog = {
        "Rec: srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3; built here",
        "Snd: SET PROTOCOL SRCP 0.8.2",
        "Rec: 1000.000 201 OK PROTOCOL SRCP",
        "Snd: SET CONNECTIONMODE SRCP COMMAND",
        "Rec: 1000.000 202 OK CONNECTIONMODE",
        "Snd: GO",
        "Rec: 1000.000 200 OK GO 7",
    };
    EXPECT_EQ(expectedLog, s.log);
    EXPECT_EQ(0, s.errors);
    EXPECT_EQ(0, s.disconnects);
}

TEST_F(SrcpClnt, InfoHandshakeAsksForInfoModeAndLogsOnlyWhenEnabled) {
    Session<TSRCPInfoClient> s(server, dispatcher);
    s.client.SetLogEnabled(false);
    s.client.Connect(Patience);
    ASSERT_TRUE(s.client.Connected());
    EXPECT_EQ(1, s.client.SessionID());
    EXPECT_NE(nullptr, s.client.InfoThread());
    ASSERT_TRUE(server.waitForLines("INFO", 3));
    EXPECT_EQ("SET PROTOCOL SRCP 0.8.2\r\nSET CONNECTIONMODE SRCP INFO\r\nGO\r\n",
              server.connections()[0].raw);
    EXPECT_TRUE(s.log.empty());
    s.client.Disconnect();
    // An info session says no goodbye.
    EXPECT_EQ(3u, server.linesOf("INFO").size());
    EXPECT_EQ(1, s.disconnects);
}

TEST_F(SrcpClnt, WelcomeVersions) {
    struct Case {
        const char* welcome;
        bool connects;
        const char* refusal; // the last log line of a refused handshake
    };
    const Case cases[] = {
        {"srcpd V2.1.2; SRCP 0.8.2", true, ""},
        {"srcpd V2.1.3; SRCP 0.8.3", true, ""},
        {"srcpd V2.1.4; SRCP 0.8.4; SRCPOTHER 0.7.3", true, ""},
        {"server; SRCPOTHER 0.8.10", true, ""},
        {"srcpd V2.0; SRCP 0.7.3", false, "Err: unsupported version"},
        {"server; SRCP 0.9", false, "Err: unsupported version"},
        {"server; SRCP 0.8.1", false, "Err: unsupported version"},
        {"server; SRCP 0.8", false, "Err: unsupported version"},
        {"server; SRCP 0.8.3x", false, "Err: unsupported version"},
        {"server without versions", false, "Err: unsupported version"},
        {"1000.000 200 OK", false, "Err: unsupported version"},
        {"1000.000 410 ERROR unknown command", false, "Err: invalid welcome string"},
        {"", false, "Err: invalid welcome string"},
        {"   ", false, "Err: unsupported version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.welcome);
        FakeSrcpServer fake;
        fake.setWelcome(c.welcome);
        Session<TSRCPCommandClient> s(fake, dispatcher);
        EXPECT_NO_THROW(s.client.Connect(Patience));
        EXPECT_EQ(c.connects, s.client.Connected());
        if (c.connects) {
            ASSERT_TRUE(fake.waitForLines("COMMAND", 3));
            EXPECT_EQ("SET PROTOCOL SRCP 0.8.2", fake.connections()[0].lines[0]);
        } else {
            ASSERT_FALSE(s.log.empty());
            EXPECT_EQ(c.refusal, s.log.back());
            EXPECT_EQ(1, s.disconnects);
            EXPECT_EQ(-1, s.client.SessionID());
            EXPECT_TRUE(s.client.GreetingLines().empty());
            std::this_thread::sleep_for(20ms);
            EXPECT_TRUE(fake.connections()[0].lines.empty());
        }
    }
}

TEST_F(SrcpClnt, RepliesBeforeGo) {
    struct Case {
        const char* name;
        std::vector<std::string> goReply;
        bool connects;
        int sessionId;
    };
    const Case cases[] = {
        {"plain", {"1000.000 200 OK GO 5"}, true, 5},
        {"one late line", {"1000.000 202 OK CONNECTIONMODE", "1000.000 200 OK GO 5"}, true, 5},
        {"OK without id", {"1000.000 200 OK"}, true, -1},
        {"two late lines",
         {"1000.000 202 OK CONNECTIONMODE", "1000.000 201 OK PROTOCOL SRCP", "1000.000 200 OK GO 5"},
         false,
         -1},
        {"refused",
         {"1000.000 401 ERROR unsupported connection mode", "1000.000 499 ERROR unspecified error"},
         false,
         -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        fake.addRule("GO", Reply::send(c.goReply));
        Session<TSRCPCommandClient> s(fake, dispatcher);
        EXPECT_NO_THROW(s.client.Connect(Patience));
        EXPECT_EQ(c.connects, s.client.Connected());
        EXPECT_EQ(c.sessionId, s.client.SessionID());
        EXPECT_EQ(c.connects ? 0 : 1, s.disconnects);
        if (!c.connects) {
            ASSERT_FALSE(s.log.empty());
            EXPECT_EQ("Err: Client refused connection", s.log.back());
            // Refused before a session existed: no goodbye.
            EXPECT_EQ(3u, fake.linesOf("COMMAND").size());
        }
    }
}

TEST_F(SrcpClnt, ErrorRepliesDuringHandshakeFireOnErrorAndGoOn) {
    server.addRule("SET PROTOCOL SRCP 0.8.2", Reply::send("1000.000 400 ERROR unsupported protocol"));
    server.addRule("SET CONNECTIONMODE SRCP COMMAND",
                   Reply::send("1000.000 401 ERROR unsupported connection mode"));
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.Connect(Patience);
    EXPECT_TRUE(s.client.Connected());
    EXPECT_EQ(2, s.errors);
    EXPECT_EQ(1, s.client.SessionID());
}

TEST_F(SrcpClnt, ConnectionFailuresDuringHandshake) {
    struct Case {
        const char* name;
        std::function<void(FakeSrcpServer&)> arrange;
        int timeoutMs;
        const char* failure; // the last log line
    };
    const Case cases[] = {
        {"reset at SET PROTOCOL",
         [](FakeSrcpServer& f) { f.addRule("SET PROTOCOL SRCP 0.8.2", Reply::reset(), true); }, 2000,
         "Err: read: Connection reset by peer"},
        {"close at GO", [](FakeSrcpServer& f) { f.addRule("GO", Reply::close(), true); }, 2000,
         "Err: connection closed by peer"},
        // The time-out in the text is the connect time-out that the handshake reads use.
        {"silent server", [](FakeSrcpServer& f) { f.setStalled(true); }, 300,
         "Err: read: no line within 300 ms"},
        {"no reply to GO", [](FakeSrcpServer& f) { f.addRule("GO", Reply::silence(), true); }, 300,
         "Err: read: no line within 300 ms"},
        {"over-long welcome", [](FakeSrcpServer& f) { f.setWelcome(std::string(70000, 'w')); }, 2000,
         "Err: read: line longer than 65536 bytes: Message too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        c.arrange(fake);
        Session<TSRCPCommandClient> s(fake, dispatcher);
        const auto start = std::chrono::steady_clock::now();
        try {
            s.client.Connect(c.timeoutMs);
            ADD_FAILURE() << "Connect returned";
        } catch (const ESRCPClientConnectError& e) {
            EXPECT_EQ(SRCPErrServerNotResponding, e.Number());
            EXPECT_STREQ("server not responding", e.what());
        }
        // Only a gross overrun counts: a loaded machine may park the process well past the time-out.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.timeoutMs + 10000));
        ASSERT_FALSE(s.log.empty());
        EXPECT_EQ(c.failure, s.log.back());
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(1, s.disconnects);
        EXPECT_EQ(-1, s.client.SessionID());
        // The socket is closed, so the session can be tried again.
        fake.setStalled(false);
        fake.setWelcome("srcpd V2.1.2; SRCP 0.8.2");
        EXPECT_NO_THROW(s.client.Connect(Patience));
        EXPECT_TRUE(s.client.Connected());
    }
}

TEST_F(SrcpClnt, ConnectRefusedPassesTheSocketError) {
    int freePort = 0;
    {
        LineListener l;
        freePort = l.port();
    }
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.SetPort(freePort);
    EXPECT_THROW(s.client.Connect(1000), SocketError);
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(0, s.disconnects);
}

TEST_F(SrcpClnt, DisconnectSaysGoodbyeOnce) {
    server.setNextSessionId(9);
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.Connect(Patience);
    s.log.clear();
    s.client.Disconnect();
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(-1, s.client.SessionID());
    EXPECT_EQ(1, s.disconnects);
    EXPECT_EQ((std::vector<std::string>{"Snd: TERM 0 SESSION 9", "Rec: 1000.000 200 OK"}), s.log);
    s.client.Disconnect();
    EXPECT_EQ(1, s.disconnects);
    EXPECT_EQ((std::vector<std::string>{"SET PROTOCOL SRCP 0.8.2", "SET CONNECTIONMODE SRCP COMMAND", "GO",
                                        "TERM 0 SESSION 9"}),
              server.linesOf("COMMAND"));
}

TEST_F(SrcpClnt, DisconnectWithoutSessionOrPeerDoesNotThrow) {
    {
        SCOPED_TRACE("no session id");
        FakeSrcpServer fake;
        fake.addRule("GO", Reply::send("1000.000 200 OK"));
        Session<TSRCPCommandClient> s(fake, dispatcher);
        s.client.Connect(Patience);
        ASSERT_TRUE(s.client.Connected());
        EXPECT_NO_THROW(s.client.Disconnect());
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(3u, fake.linesOf("COMMAND").size());
        EXPECT_EQ(1, s.disconnects);
    }
    {
        SCOPED_TRACE("peer gone");
        FakeSrcpServer fake;
        Session<TSRCPCommandClient> s(fake, dispatcher);
        s.client.Connect(Patience);
        fake.closeConnections();
        ASSERT_TRUE(fake.waitUntil([&] { return !fake.connections()[0].open; }));
        std::this_thread::sleep_for(20ms);
        EXPECT_NO_THROW(s.client.Disconnect());
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(1, s.disconnects);
    }
    {
        SCOPED_TRACE("no reply to TERM");
        FakeSrcpServer fake;
        fake.addPrefixRule("TERM 0 SESSION", Reply::silence());
        Session<TSRCPCommandClient> s(fake, dispatcher);
        s.client.Connect(Patience);
        s.log.clear();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NO_THROW(s.client.Disconnect());
        // The text pins the wait for the reply; the clock only catches a gross overrun.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(1, s.disconnects);
        EXPECT_EQ((std::vector<std::string>{"Snd: TERM 0 SESSION 1", "Err: read: no line within 1000 ms"}),
                  s.log);
    }
    // Handlers that throw, even what is no std::exception, do not get out of Disconnect.
    struct Case {
        const char* name;
        bool logThrows;
        bool disconnectedThrows;
        int logCalls; // "Snd: TERM ..." throws; then each failure's "Err: " line is tried
    };
    const Case cases[] = {
        {"OnLog throws", true, false, 2},
        {"OnDisconnected throws", false, true, 0},
        {"both throw", true, true, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        Session<TSRCPCommandClient> s(fake, dispatcher);
        s.client.Connect(Patience);
        int logCalls = 0;
        if (c.logThrows)
            s.client.OnLog = [&](TSRCPBaseClient&, const std::string&) {
                ++logCalls;
                throw std::runtime_error("log");
            };
        if (c.disconnectedThrows)
            s.client.OnDisconnected = [&](TSRCPBaseClient&) {
                ++s.disconnects;
                throw 42;
            };
        EXPECT_NO_THROW(s.client.Disconnect());
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(-1, s.client.SessionID());
        EXPECT_TRUE(s.client.GreetingLines().empty());
        EXPECT_EQ(c.logCalls, logCalls);
        if (c.disconnectedThrows) {
            EXPECT_EQ(1, s.disconnects);
        }
    }
}

TEST_F(SrcpClnt, SessionOpenedAgainByOnDisconnectedKeepsItsIdAndGreeting) {
    server.setNextSessionId(4);
    Session<TSRCPCommandClient> s(server, dispatcher);
    bool again = true;
    s.client.OnDisconnected = [&](TSRCPBaseClient& c) {
        ++s.disconnects;
        if (std::exchange(again, false))
            c.Connect(Patience);
    };
    s.client.Connect(Patience);
    s.client.Disconnect();
    EXPECT_EQ(1, s.disconnects);
    ASSERT_TRUE(s.client.Connected());
    EXPECT_EQ(5, s.client.SessionID());
    EXPECT_EQ((std::vector<std::string>{"srcpd V2.1.2", ""}), s.client.GreetingLines());
}

TEST_F(SrcpClnt, ModeChangesOnlyWhileClosed) {
    Session<TSRCPInfoClient> s(server, dispatcher);
    EXPECT_EQ(cmInfo, s.client.ClientMode());
    s.client.Connect(Patience);
    s.client.SetClientMode(cmCommand);
    EXPECT_EQ(cmInfo, s.client.ClientMode());
    s.client.Disconnect();
    s.client.SetClientMode(cmCommand);
    EXPECT_EQ(cmCommand, s.client.ClientMode());
    // An info session asks for info mode whatever was set.
    s.client.Connect(Patience);
    EXPECT_EQ(cmInfo, s.client.ClientMode());
}

TEST_F(SrcpClnt, CommandsAndReplies) {
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.Connect(Patience);
    server.script({Reply::send("1105.123 100 INFO 1 POWER ON"), Reply::send("1105.200 416 ERROR no data")});
    s.log.clear();
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetCommandType(ctGet);
    cmd.SetDeviceGroup(dgPower);
    cmd.SetBus(1);
    ASSERT_TRUE(s.client.SendCommand(cmd));
    EXPECT_TRUE(s.client.ReceiveAnswer(cmd));
    EXPECT_EQ(ctInfoGet, cmd.CommandType());
    EXPECT_TRUE(cmd.DevPower().PowerOn());
    EXPECT_EQ("1105.123 100 INFO 1 POWER ON", s.client.Response());

    cmd.SetCommandType(ctGet);
    cmd.SetDeviceGroup(dgPower);
    ASSERT_TRUE(s.client.SendCommand(cmd));
    EXPECT_FALSE(s.client.ReceiveAnswer(cmd));
    EXPECT_EQ(ctENoData, cmd.CommandType());
    EXPECT_EQ(1, s.errors);
    EXPECT_EQ((std::vector<std::string>{"Snd: GET 1 POWER", "Rec: 1105.123 100 INFO 1 POWER ON",
                                        "Snd: GET 1 POWER", "Rec: 1105.200 416 ERROR no data"}),
              s.log);
}

TEST_F(SrcpClnt, CommandsThatBuildAsErrorsAreNotSent) {
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.Connect(Patience);
    s.log.clear();
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetCommandType(ctSet);
    cmd.SetDeviceGroup(dgFeedback); // FB has no SET
    cmd.SetBus(1);
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_EQ(1, s.errors);
    EXPECT_EQ((std::vector<std::string>{"Err: 699 ERROR internal error"}), s.log);
    // Already an error: refused before building.
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_EQ(2, s.errors);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(3u, server.linesOf("COMMAND").size());
    EXPECT_TRUE(s.client.Connected());
}

TEST_F(SrcpClnt, ClosedSessionRefusesCommands) {
    Session<TSRCPCommandClient> s(server, dispatcher);
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetCommandType(ctGet);
    cmd.SetDeviceGroup(dgPower);
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_FALSE(s.client.ReceiveAnswer(cmd));
    EXPECT_EQ(ctETempProhibited, cmd.CommandType());
    EXPECT_EQ(413, cmd.ResponseCode());
    ASSERT_EQ(2u, s.log.size());
    EXPECT_EQ("Err: Not connected", s.log[0]);
    EXPECT_NE(std::string::npos, s.log[1].find("413 ERROR temporarily prohibited"));
}

TEST_F(SrcpClnt, FailedReplyClosesTheSession) {
    struct Case {
        const char* name;
        Reply reply;
    };
    const Case cases[] = {
        {"silence", Reply::silence()},
        {"reset", Reply::reset()},
        {"close", Reply::close()},
        {"over-long reply", Reply::send(std::string(70000, '1'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        Session<TSRCPCommandClient> s(fake, dispatcher);
        s.client.SetReplyTimeout(200);
        s.client.Connect(Patience);
        fake.script({c.reply});
        TSRCPCmd cmd;
        cmd.SetSRCPVersion(cv082);
        cmd.SetCommandType(ctGet);
        cmd.SetDeviceGroup(dgPower);
        cmd.SetBus(1);
        ASSERT_TRUE(s.client.SendCommand(cmd));
        EXPECT_THROW(s.client.ReceiveAnswer(cmd), LineConnectionError);
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(1, s.disconnects);
        EXPECT_EQ(-1, s.client.SessionID());
        s.client.Disconnect();
        EXPECT_EQ(1, s.disconnects);
    }
}

// --- info session ---

class SrcpInfo : public SrcpClnt {
protected:
    void SetUp() override {
        session = std::make_unique<Session<TSRCPInfoClient>>(server, dispatcher);
        power.SetBus(1);
        power.SetEventMode(semBus);
        power.SetInfoClient(&session->client);
        power.OnChange = [this](TSRCPBaseDeviceGroup& g) {
            changes.push_back(static_cast<TSRCPPower&>(g).PowerOn() ? "ON" : "OFF");
        };
    }
    void TearDown() override {
        session.reset();
        SetSRCPExceptionReporter(nullptr);
    }

    std::vector<std::string> received() const {
        std::vector<std::string> out;
        for (const auto& l : session->log)
            if (l.rfind("Rec: ", 0) == 0)
                out.push_back(l.substr(5));
        return out;
    }

    std::unique_ptr<Session<TSRCPInfoClient>> session;
    TSRCPPower power;
    std::vector<std::string> changes;
};

TEST_F(SrcpInfo, LinesReachGroupsInOrderOnTheMainThread) {
    session->client.Connect(Patience);
    session->log.clear();
    const std::vector<std::string> lines = {
        "1001.000 100 INFO 1 POWER ON",  "",
        "1002.000 100 INFO 1 POWER OFF", "1003.000 100 INFO x POWER ON",
        "1004.000 100 INFO 1 XYZ",       "1005.000 100 INFO 2 POWER ON",
        "1006.000 100 INFO 1 POWER ON",
    };
    for (const auto& l : lines)
        server.injectInfo(l);
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return received().size() == 6; }, Patience));
    EXPECT_EQ((std::vector<std::string>{"ON", "OFF", "ON"}), changes);
    EXPECT_EQ((std::vector<std::string>{lines[0], lines[2], lines[3], lines[4], lines[5], lines[6]}),
              received());
    EXPECT_EQ(2, session->errors);
}

TEST_F(SrcpInfo, LockLinesReachTheGroupOfTheLockedDevice) {
    struct Probe {
        TSRCPCustomLoco loco;
        int locks = 0;
        int unlocks = 0;
    };
    Probe onBus1, onBus2, anyBus;
    TSRCPCustomAccessoire ga;
    int gaEvents = 0;
    auto wire = [&](Probe& p, int bus, TSRCPEventMode mode) {
        p.loco.SetBus(bus);
        p.loco.SetAddress(3);
        p.loco.SetEventMode(mode);
        p.loco.SetInfoClient(&session->client);
        p.loco.OnLock = [&p](TSRCPBaseDeviceGroup&) { ++p.locks; };
        p.loco.OnUnlock = [&p](TSRCPBaseDeviceGroup&) { ++p.unlocks; };
    };
    wire(onBus1, 1, semExact);
    wire(onBus2, 2, semExact);
    wire(anyBus, 5, semAll);
    ga.SetBus(1);
    ga.SetAddress(3);
    ga.SetInfoClient(&session->client);
    ga.OnLock = [&](TSRCPBaseDeviceGroup&) { ++gaEvents; };
    session->client.Connect(Patience);
    server.injectInfo("1001.000 100 INFO 1 LOCK GL 3 20 7");
    server.injectInfo("1002.000 102 INFO 1 LOCK GL 3");
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return onBus1.unlocks == 1; }, Patience));
    EXPECT_EQ(1, onBus1.locks);
    EXPECT_EQ(0, onBus2.locks + onBus2.unlocks);
    EXPECT_EQ(1, anyBus.locks);
    EXPECT_EQ(1, anyBus.unlocks);
    EXPECT_EQ(0, gaEvents);
    EXPECT_EQ(-1, onBus1.loco.LockClient());
    EXPECT_EQ(1002.0, onBus1.loco.TimeStamps(ststLock));
}

TEST_F(SrcpInfo, RemoteCloseIsReportedOnceOnTheMainThreadAndReconnectWorks) {
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "close");
        session->disconnects = 0;
        session->client.Connect(Patience);
        ASSERT_TRUE(session->client.Connected());
        if (reset)
            server.resetConnections();
        else
            server.closeConnections();
        ASSERT_TRUE(dispatcher.pumpUntil([&] { return session->disconnects > 0; }, Patience));
        dispatcher.pumpUntil([] { return false; }, 50);
        EXPECT_EQ(1, session->disconnects);
        EXPECT_EQ(std::this_thread::get_id(), session->disconnectThread);
        // The reader's end is joined and told.
        EXPECT_EQ(nullptr, session->client.InfoThread());
        EXPECT_EQ(reset ? "Err: read: Connection reset by peer" : "Err: connection closed by peer",
                  session->log.back());
        EXPECT_FALSE(session->client.Connected());
        EXPECT_EQ(-1, session->client.SessionID());
    }
    // Reconnected, the new session still dispatches.
    session->client.Connect(Patience);
    server.injectInfo("1001.000 100 INFO 1 POWER ON");
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return changes.size() == 1; }, Patience));
    session->client.Disconnect();
    EXPECT_EQ(2, session->disconnects);
}

TEST_F(SrcpInfo, StaleCloseNoticeAfterReconnectIsDropped) {
    session->client.Connect(Patience);
    server.closeConnections();
    // The reader posts its notice; we reconnect before the main thread runs it.
    ASSERT_TRUE(server.waitUntil([&] { return dispatcher.pending() > 0; }));
    session->client.Connect(Patience);
    EXPECT_EQ(1, session->disconnects);
    dispatcher.pumpUntil([] { return false; }, 100);
    EXPECT_EQ(1, session->disconnects);
    EXPECT_TRUE(session->client.Connected());
}

TEST_F(SrcpInfo, SessionDestroyedWithItsCloseNoticeQueued) {
    int disconnects = 0;
    session->client.OnDisconnected = [&](TSRCPBaseClient&) { ++disconnects; };
    session->client.Connect(Patience);
    server.closeConnections();
    ASSERT_TRUE(server.waitUntil([&] { return dispatcher.pending() > 0; }));
    session.reset();
    EXPECT_EQ(1, disconnects);
    EXPECT_EQ(nullptr, power.InfoClient());
    // The notice finds the session gone and does nothing.
    EXPECT_EQ(1, dispatcher.pump());
    EXPECT_EQ(1, disconnects);
}

TEST_F(SrcpInfo, DisconnectDuringFloodDoesNotDeadlock) {
    server.startFlood("100 INFO 1 POWER ON");
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        session->client.Connect(Patience);
        dispatcher.pumpUntil([&] { return changes.size() > 20u * (round + 1); }, Patience);
        // The reader now waits on the main thread, or reads; either way Disconnect must return.
        const auto start = std::chrono::steady_clock::now();
        session->client.Disconnect();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
        EXPECT_FALSE(session->client.Connected());
        EXPECT_EQ(nullptr, session->client.InfoThread());
        dispatcher.pump();
    }
    EXPECT_EQ(3, session->disconnects);
    server.stopFlood();
}

TEST_F(SrcpInfo, DisconnectFromAHandlerDefersTheJoin) {
    power.OnChange = [this](TSRCPBaseDeviceGroup&) {
        changes.push_back("seen");
        session->client.Disconnect();
    };
    session->client.Connect(Patience);
    server.injectInfo("1001.000 100 INFO 1 POWER ON");
    server.injectInfo("1002.000 100 INFO 1 POWER OFF");
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return session->disconnects == 1; }, Patience));
    dispatcher.pumpUntil([] { return false; }, 50);
    EXPECT_EQ((std::vector<std::string>{"seen"}), changes);
    EXPECT_FALSE(session->client.Connected());
    session->client.Connect(Patience);
    EXPECT_TRUE(session->client.Connected());
}

// A handler that reconnects twice: the reader of the middle connection waits for no dispatch, so it
// is joined at once and cannot read from the socket that the third connection gets.
TEST_F(SrcpInfo, ReconnectingTwiceFromAHandler) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        FakeSrcpServer fake;
        Session<TSRCPInfoClient> s(fake, dispatcher);
        TSRCPPower group;
        group.SetBus(1);
        group.SetEventMode(semBus);
        group.SetInfoClient(&s.client);
        std::vector<std::string> seen;
        group.OnChange = [&](TSRCPBaseDeviceGroup& g) {
            seen.push_back(static_cast<TSRCPPower&>(g).PowerOn() ? "ON" : "OFF");
            if (seen.size() != 1)
                return;
            for (int i = 0; i < 2; ++i) {
                s.client.Disconnect();
                s.client.Connect(Patience);
                ASSERT_TRUE(s.client.Connected());
            }
        };
        s.client.Connect(Patience);
        fake.injectInfo("1001.000 100 INFO 1 POWER ON");
        ASSERT_TRUE(dispatcher.pumpUntil([&] { return !seen.empty(); }, Patience));
        // The server must have seen the first two go, or it could hand them the next line.
        ASSERT_TRUE(fake.waitUntil([&] {
            const auto c = fake.connections();
            return c.size() == 3 && !c[0].open && !c[1].open;
        }));
        fake.injectInfo("1002.000 100 INFO 1 POWER OFF");
        ASSERT_TRUE(dispatcher.pumpUntil([&] { return seen.size() == 2; }, Patience));
        EXPECT_EQ((std::vector<std::string>{"ON", "OFF"}), seen);
        EXPECT_EQ(3, s.client.SessionID());
        EXPECT_EQ(2, s.disconnects);
        s.client.Disconnect();
        EXPECT_EQ(3, s.disconnects);
        group.SetInfoClient(nullptr);
    }
}

TEST_F(SrcpInfo, HandlerExceptionsAreReportedAndTheReaderGoesOn) {
    std::vector<std::string> reported;
    SetSRCPExceptionReporter([&](const std::string& m) { reported.push_back(m); });
    power.OnChange = [this](TSRCPBaseDeviceGroup& g) {
        changes.push_back(static_cast<TSRCPPower&>(g).PowerOn() ? "ON" : "OFF");
        if (changes.size() == 1)
            throw std::runtime_error("boom");
    };
    session->client.Connect(Patience);
    session->log.clear();
    server.injectInfo("1001.000 100 INFO 1 POWER ON");
    server.injectInfo("1002.000 100 INFO 1 POWER OFF");
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return changes.size() == 2; }, Patience));
    EXPECT_EQ((std::vector<std::string>{"boom"}), reported);
    EXPECT_EQ((std::vector<std::string>{"Rec: 1001.000 100 INFO 1 POWER ON", "Err: boom",
                                        "Rec: 1002.000 100 INFO 1 POWER OFF"}),
              session->log);
}

// The log and the reporter are handlers as well: one that throws must not stall the reader.
TEST_F(SrcpInfo, ThrowingLogOrReporterDoesNotStallTheReader) {
    struct Case {
        const char* name;
        int logThrows;     // so many first log calls throw
        bool changeThrows; // the first OnChange throws
        bool reporterThrows;
        std::vector<std::string> changes;
        std::vector<std::string> reported;
    };
    const Case cases[] = {
        {"log", 2, false, false, {"OFF"}, {"log"}},
        {"reporter", 0, true, true, {"ON", "OFF"}, {"boom"}},
        {"all", 2, true, true, {"OFF"}, {"log", "boom"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        // Kept on the heap: a reader stalled for good could not be joined, so it is left behind.
        auto owned = std::make_unique<Session<TSRCPInfoClient>>(fake, dispatcher);
        auto& s = *owned;
        TSRCPPower group;
        group.SetBus(1);
        group.SetEventMode(semBus);
        group.SetInfoClient(&s.client);
        std::vector<std::string> seen;
        std::vector<std::string> reported;
        group.OnChange = [&](TSRCPBaseDeviceGroup& g) {
            seen.push_back(static_cast<TSRCPPower&>(g).PowerOn() ? "ON" : "OFF");
            if (c.changeThrows && seen.size() == 1)
                throw std::runtime_error("boom");
        };
        SetSRCPExceptionReporter([&](const std::string& m) {
            reported.push_back(m);
            if (c.reporterThrows)
                throw std::runtime_error("reporter");
        });
        s.client.Connect(Patience);
        int logCalls = 0;
        s.client.OnLog = [&](TSRCPBaseClient&, const std::string&) {
            if (++logCalls <= c.logThrows)
                throw std::runtime_error("log");
        };
        fake.injectInfo("1001.000 100 INFO 1 POWER ON");
        fake.injectInfo("1002.000 100 INFO 1 POWER OFF");
        bool done = false;
        EXPECT_NO_THROW(
            done = dispatcher.pumpUntil(
                [&] { return seen.size() == c.changes.size() && !seen.empty() && seen.back() == "OFF"; },
                Patience));
        EXPECT_TRUE(done);
        EXPECT_EQ(c.changes, seen);
        EXPECT_EQ(c.reported, reported);
        EXPECT_NO_THROW(s.client.Disconnect());
        EXPECT_EQ(nullptr, s.client.InfoThread());
        SetSRCPExceptionReporter(nullptr);
        group.SetInfoClient(nullptr);
        if (!done)
            (void)owned.release();
    }
}

TEST_F(SrcpInfo, GroupsLeavingDuringTheWalkAreSkipped) {
    auto second = std::make_unique<TSRCPPower>();
    TSRCPPower third;
    int secondCalls = 0;
    int thirdCalls = 0;
    second->SetBus(1);
    second->SetEventMode(semBus);
    second->SetInfoClient(&session->client);
    second->OnChange = [&](TSRCPBaseDeviceGroup&) { ++secondCalls; };
    third.SetBus(1);
    third.SetEventMode(semBus);
    third.SetInfoClient(&session->client);
    third.OnChange = [&](TSRCPBaseDeviceGroup&) { ++thirdCalls; };
    power.OnChange = [&](TSRCPBaseDeviceGroup&) {
        changes.push_back("first");
        second.reset();
    };
    session->client.Connect(Patience);
    server.injectInfo("1001.000 100 INFO 1 POWER ON");
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return thirdCalls == 1; }, Patience));
    EXPECT_EQ(0, secondCalls);
    EXPECT_EQ(2, session->client.DeviceGroupCount());
}

TEST_F(SrcpInfo, DestroyedSessionsAreForgottenByTheirGroups) {
    auto cmd = std::make_unique<TSRCPCommandClient>();
    TSRCPCustomLoco loco;
    loco.SetCommandClient(cmd.get());
    EXPECT_EQ(&session->client, power.InfoClient());
    cmd.reset();
    EXPECT_EQ(nullptr, loco.CommandClient());
    EXPECT_FALSE(loco.GetData());
    session.reset();
    EXPECT_EQ(nullptr, power.InfoClient());
}

} // namespace

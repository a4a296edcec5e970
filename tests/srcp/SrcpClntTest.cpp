#include "srcp/SrcpClnt.h"
#include "srcp/SrcpGroups.h"

#include "support/FakeSrcpServer.h"
#include "support/LineListener.h"
#include "support/MemoryTransport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

namespace {

using Reply = FakeSrcpServer::Reply;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

// Bound of every wait that is expected to succeed (handshakes included): generous, since a loaded
// machine may park the process for seconds, and a wait that succeeds costs nothing more.
constexpr int Patience = FakeSrcpServer::Patience;

// How a session reaches the fake server: in memory where the socket is not the point.
enum class Over { Memory, Socket };

// A session wired to a fake server and a hand-pumped main thread, recording what it reports.
template <class Client> struct Session {
    FakeSrcpServer& server;
    ManualDispatcher& dispatcher;
    Lines log;
    int errors = 0;
    int disconnects = 0;
    std::thread::id disconnectThread;
    // The transport's knobs when the session runs in memory, else null.
    MemoryTransport* memory = nullptr;
    // Last, so that it goes first: its destructor still fires the handlers below.
    Client client;

    Session(FakeSrcpServer& s, ManualDispatcher& d, Over over = Over::Memory)
        : server(s), dispatcher(d), client(transport(over)) {
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

    // Closed and told once, with no session id or greeting left.
    void expectClosed() const {
        EXPECT_FALSE(client.Connected());
        EXPECT_EQ(1, disconnects);
        EXPECT_EQ(-1, client.SessionID());
        EXPECT_TRUE(client.GreetingLines().empty());
    }

    std::unique_ptr<LineTransport> transport(Over over) {
        if (over == Over::Socket)
            return nullptr;
        auto t = server.memoryTransport();
        memory = t.get();
        return t;
    }
};

// Makes cmd a command of type for group on bus 1.
void prepare(TSRCPCmd& cmd, TSRCPCommandType type, TSRCPDeviceGroup group) {
    cmd.SetSRCPVersion(cv082);
    cmd.SetCommandType(type);
    cmd.SetDeviceGroup(group);
    cmd.SetBus(1);
}

const char* onOff(TSRCPBaseDeviceGroup& power) {
    return static_cast<TSRCPPower&>(power).PowerOn() ? "ON" : "OFF";
}

// Puts a power group of bus 1 on the info session.
void watchPower(TSRCPPower& group, TSRCPInfoClient& client,
                std::function<void(TSRCPBaseDeviceGroup&)> onChange) {
    group.SetBus(1);
    group.SetEventMode(semBus);
    group.SetInfoClient(&client);
    group.OnChange = std::move(onChange);
}

class SrcpClnt : public testing::Test {
protected:
    FakeSrcpServer server;
    ManualDispatcher dispatcher;
};

TEST_F(SrcpClnt, CommandHandshakeSendsExactBytesAndLogs) {
    server.setNextSessionId(7);
    server.setWelcome("srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3; built here");
    Session<TSRCPCommandClient> s(server, dispatcher, Over::Socket);
    s.client.Connect(Patience);
    ASSERT_TRUE(s.client.Connected());
    EXPECT_EQ(7, s.client.SessionID());
    EXPECT_EQ((Lines{"srcpd V2.1.2", "built here"}), s.client.GreetingLines());
    EXPECT_TRUE(s.client.ServerOffers(cv082));
    EXPECT_TRUE(s.client.ServerOffers(cv073));
    ASSERT_TRUE(server.waitForLines("COMMAND", 3));
    EXPECT_EQ("SET PROTOCOL SRCP 0.8.2\r\nSET CONNECTIONMODE SRCP COMMAND\r\nGO\r\n",
              server.connections()[0].raw);
    const Lines expectedLog = {
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

// What the welcome line offers and what comes before the GO reply decide whether a session opens.
TEST_F(SrcpClnt, WelcomeVersionsAndRepliesBeforeGo) {
    struct Case {
        const char* welcome; // nullptr: the server's own
        Lines goReply;       // empty: the server's own
        bool connects;
        int sessionId;
        const char* refusal;  // the last log line of a refused handshake
        std::size_t received; // lines the server got in the end
    };
    const char* unsupported = "Err: unsupported version";
    const char* invalid = "Err: invalid welcome string";
    const char* refused = "Err: Client refused connection";
    const std::string lateMode = "1000.000 202 OK CONNECTIONMODE";
    const std::string badMode = "1000.000 401 ERROR unsupported connection mode";
    const Case cases[] = {
        {"srcpd V2.1.2; SRCP 0.8.2", {}, true, 1, "", 3},
        {"srcpd V2.1.3; SRCP 0.8.3", {}, true, 1, "", 3},
        {"srcpd V2.1.4; SRCP 0.8.4; SRCPOTHER 0.7.3", {}, true, 1, "", 3},
        {"server; SRCPOTHER 0.8.10", {}, true, 1, "", 3},
        {"srcpd V2.0; SRCP 0.7.3", {}, false, -1, unsupported, 0},
        {"server; SRCP 0.9", {}, false, -1, unsupported, 0},
        {"server; SRCP 0.8.1", {}, false, -1, unsupported, 0},
        {"server; SRCP 0.8", {}, false, -1, unsupported, 0},
        {"server; SRCP 0.8.3x", {}, false, -1, unsupported, 0},
        {"server without versions", {}, false, -1, unsupported, 0},
        {"1000.000 200 OK", {}, false, -1, unsupported, 0},
        {"1000.000 410 ERROR unknown command", {}, false, -1, invalid, 0},
        {"", {}, false, -1, invalid, 0},
        {"   ", {}, false, -1, unsupported, 0},
        {nullptr, {"1000.000 200 OK GO 5"}, true, 5, "", 3},
        {nullptr, {lateMode, "1000.000 200 OK GO 5"}, true, 5, "", 3},
        {nullptr, {"1000.000 200 OK"}, true, -1, "", 3},
        {nullptr, {lateMode, "1000.000 201 OK PROTOCOL SRCP", "1000.000 200 OK GO 5"}, false, -1, refused, 3},
        {nullptr, {badMode, "1000.000 499 ERROR unspecified error"}, false, -1, refused, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.welcome ? c.welcome : c.goReply.back());
        FakeSrcpServer fake;
        if (c.welcome)
            fake.setWelcome(c.welcome);
        if (!c.goReply.empty())
            fake.addRule("GO", Reply::send(c.goReply));
        Session<TSRCPCommandClient> s(fake, dispatcher);
        EXPECT_NO_THROW(s.client.Connect(Patience));
        EXPECT_EQ(c.connects, s.client.Connected());
        EXPECT_EQ(c.sessionId, s.client.SessionID());
        EXPECT_EQ(c.connects ? 0 : 1, s.disconnects);
        if (c.connects) {
            ASSERT_TRUE(fake.waitForLines("COMMAND", 3));
            EXPECT_EQ("SET PROTOCOL SRCP 0.8.2", fake.connections()[0].lines[0]);
        } else {
            ASSERT_FALSE(s.log.empty());
            EXPECT_EQ(c.refusal, s.log.back());
            EXPECT_TRUE(s.client.GreetingLines().empty());
        }
        // A refused session says no goodbye: all it sent is there once the server saw it close.
        if (!c.connects) {
            EXPECT_TRUE(fake.waitUntil([&] { return !fake.connections()[0].open; }));
        }
        EXPECT_EQ(c.received, fake.connections()[0].lines.size());
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

// Only a failing connection raises; the transport's failures are told apart by the last log line.
TEST_F(SrcpClnt, ConnectionFailuresDuringHandshake) {
    struct Case {
        const char* name;
        Over over;
        std::function<void(FakeSrcpServer&, MemoryTransport*)> arrange;
        int timeoutMs;
        const char* failure; // the last log line
    };
    const auto resetAtProtocol = [](FakeSrcpServer& f, MemoryTransport*) {
        f.addRule("SET PROTOCOL SRCP 0.8.2", Reply::reset(), true);
    };
    const Case cases[] = {
        {"reset at SET PROTOCOL", Over::Socket, resetAtProtocol, 2000, "Err: read: Connection reset by peer"},
        {"reset at SET PROTOCOL, in memory", Over::Memory, resetAtProtocol, 2000,
         "Err: read: Connection reset by peer"},
        // The connect time-out bounds the whole handshake.
        {"silent server", Over::Memory, [](FakeSrcpServer& f, MemoryTransport*) { f.setStalled(true); }, 300,
         "Err: handshake: no answer in time"},
        {"no reply to GO", Over::Memory,
         [](FakeSrcpServer& f, MemoryTransport*) { f.addRule("GO", Reply::silence(), true); }, 300,
         "Err: handshake: no answer in time"},
        {"over-long welcome", Over::Socket,
         [](FakeSrcpServer& f, MemoryTransport*) { f.setWelcome(std::string(70000, 'w')); }, 2000,
         "Err: read: line longer than 65536 bytes: Message too long"},
        {"write fails halfway", Over::Memory,
         [](FakeSrcpServer&, MemoryTransport* t) { t->failWritesAfter(30); }, 2000,
         "Err: write: Connection reset by peer"},
        {"server takes no data", Over::Memory,
         [](FakeSrcpServer&, MemoryTransport* t) {
             t->setWriteTimeout(200);
             t->setStalled(true);
         },
         2000, "Err: write: peer takes no data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        Session<TSRCPCommandClient> s(fake, dispatcher, c.over);
        c.arrange(fake, s.memory);
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
        s.expectClosed();
        // The connection is closed, so the session can be tried again.
        fake.setStalled(false);
        fake.setWelcome("srcpd V2.1.2; SRCP 0.8.2");
        if (s.memory) {
            s.memory->failWritesAfter(-1);
            s.memory->setStalled(false);
        }
        EXPECT_NO_THROW(s.client.Connect(Patience));
        EXPECT_TRUE(s.client.Connected());
    }
}

// A server that hangs up during the handshake refuses the session as an error reply does: Connect
// returns, the session is closed and told once.
TEST_F(SrcpClnt, ServerClosingDuringTheHandshakeRefusesQuietly) {
    struct Case {
        const char* line; // the line the server hangs up on
        Over over;
    };
    const Case cases[] = {
        {"SET PROTOCOL SRCP 0.8.2", Over::Memory},
        {"SET CONNECTIONMODE SRCP COMMAND", Over::Memory},
        {"GO", Over::Memory},
        {"GO", Over::Socket},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.line) + (c.over == Over::Socket ? " (socket)" : ""));
        FakeSrcpServer fake;
        fake.addRule(c.line, Reply::close(), true);
        Session<TSRCPCommandClient> s(fake, dispatcher, c.over);
        EXPECT_NO_THROW(s.client.Connect(Patience));
        s.expectClosed();
        ASSERT_FALSE(s.log.empty());
        EXPECT_EQ("Err: connection closed by peer", s.log.back());
        dispatcher.pump();
        EXPECT_EQ(1, s.disconnects);
        EXPECT_NO_THROW(s.client.Connect(Patience));
        EXPECT_TRUE(s.client.Connected());
    }
}

TEST_F(SrcpClnt, InfoSessionNeedsADispatcher) {
    ASSERT_EQ(nullptr, mainThreadDispatcher());
    TSRCPInfoClient client(server.memoryTransport());
    EXPECT_THROW(client.Connect(Patience), std::logic_error);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(0u, server.connectionCount());
}

TEST_F(SrcpClnt, ConnectRefusedPassesTheSocketError) {
    int freePort = 0;
    {
        LineListener l;
        freePort = l.port();
    }
    Session<TSRCPCommandClient> s(server, dispatcher, Over::Socket);
    s.client.SetPort(freePort);
    EXPECT_THROW(s.client.Connect(1000), SocketError);
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(0, s.disconnects);
}

// Disconnect says goodbye once, and neither throws nor leaves the session half open, whatever the peer
// or the handlers do.
TEST_F(SrcpClnt, DisconnectSaysGoodbyeOnceAndDoesNotThrow) {
    using Action = std::function<void(FakeSrcpServer&)>;
    const Action nothing = [](FakeSrcpServer&) {};
    const Action id9 = [](FakeSrcpServer& f) { f.setNextSessionId(9); };
    const Action goWithoutId = [](FakeSrcpServer& f) { f.addRule("GO", Reply::send("1000.000 200 OK")); };
    const Action silentTerm = [](FakeSrcpServer& f) { f.addPrefixRule("TERM 0 SESSION", Reply::silence()); };
    const Action peerGone = [](FakeSrcpServer& f) {
        f.closeConnections();
        EXPECT_FALSE(f.connections()[0].open);
    };
    struct Case {
        const char* name;
        Action arrange;          // before Connect
        Action beforeDisconnect; // after Connect
        bool logThrows;
        bool disconnectedThrows;       // what is no std::exception
        int logCalls;                  // "Snd: TERM ..." throws; then each failure's "Err: " line is tried
        std::optional<Lines> received; // by the server in the end
        std::optional<Lines> log;      // since Connect
    };
    const Lines handshake = {"SET PROTOCOL SRCP 0.8.2", "SET CONNECTIONMODE SRCP COMMAND", "GO"};
    const Lines goodbye = {"SET PROTOCOL SRCP 0.8.2", "SET CONNECTIONMODE SRCP COMMAND", "GO",
                           "TERM 0 SESSION 9"};
    const Lines goodbyeLog = {"Snd: TERM 0 SESSION 9", "Rec: 1000.000 200 OK"};
    const Lines termTimeoutLog = {"Snd: TERM 0 SESSION 1", "Err: read: no line within 1000 ms"};
    const Case cases[] = {
        {"goodbye", id9, nothing, false, false, 0, goodbye, goodbyeLog},
        {"no session id", goWithoutId, nothing, false, false, 0, handshake, {}},
        {"peer gone", nothing, peerGone, false, false, 0, {}, {}},
        {"no reply to TERM", silentTerm, nothing, false, false, 0, {}, termTimeoutLog},
        {"OnLog throws", nothing, nothing, true, false, 2, {}, {}},
        {"OnDisconnected throws", nothing, nothing, false, true, 0, {}, {}},
        {"both throw", nothing, nothing, true, true, 3, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        c.arrange(fake);
        Session<TSRCPCommandClient> s(fake, dispatcher);
        s.client.Connect(Patience);
        ASSERT_TRUE(s.client.Connected());
        c.beforeDisconnect(fake);
        s.log.clear();
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
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NO_THROW(s.client.Disconnect());
        // A row's log pins the wait for the reply; the clock only catches a gross overrun.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
        s.expectClosed();
        EXPECT_EQ(c.logCalls, logCalls);
        if (c.log) {
            EXPECT_EQ(*c.log, s.log);
        }
        EXPECT_NO_THROW(s.client.Disconnect());
        EXPECT_EQ(1, s.disconnects);
        if (c.received) {
            // All the session sent is there once the server saw it close.
            EXPECT_TRUE(fake.waitUntil([&] { return !fake.connections()[0].open; }));
            EXPECT_EQ(*c.received, fake.linesOf("COMMAND"));
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
    EXPECT_EQ((Lines{"srcpd V2.1.2", ""}), s.client.GreetingLines());
}

TEST_F(SrcpClnt, ModeChangesOnlyWhileClosed) {
    Session<TSRCPInfoClient> s(server, dispatcher);
    // Connect sets the info mode.
    EXPECT_EQ(cmCommand, s.client.ClientMode());
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
    prepare(cmd, ctGet, dgPower);
    ASSERT_TRUE(s.client.SendCommand(cmd));
    EXPECT_TRUE(s.client.ReceiveAnswer(cmd));
    EXPECT_EQ(ctInfoGet, cmd.CommandType());
    EXPECT_TRUE(cmd.DevPower().PowerOn());
    EXPECT_EQ("1105.123 100 INFO 1 POWER ON", s.client.Response());

    prepare(cmd, ctGet, dgPower);
    ASSERT_TRUE(s.client.SendCommand(cmd));
    EXPECT_FALSE(s.client.ReceiveAnswer(cmd));
    EXPECT_EQ(ctENoData, cmd.CommandType());
    EXPECT_EQ(1, s.errors);
    EXPECT_EQ((Lines{"Snd: GET 1 POWER", "Rec: 1105.123 100 INFO 1 POWER ON", "Snd: GET 1 POWER",
                     "Rec: 1105.200 416 ERROR no data"}),
              s.log);
}

TEST_F(SrcpClnt, CommandsThatBuildAsErrorsAreNotSent) {
    Session<TSRCPCommandClient> s(server, dispatcher);
    s.client.Connect(Patience);
    s.log.clear();
    TSRCPCmd cmd;
    prepare(cmd, ctSet, dgFeedback); // FB has no SET
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_EQ(1, s.errors);
    EXPECT_EQ((Lines{"Err: 699 ERROR internal error"}), s.log);
    // Already an error: refused before building.
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_EQ(2, s.errors);
    // A field that would end the line early.
    prepare(cmd, ctInit, dgFeedback);
    cmd.SetDataString("S88\rSET 1 POWER OFF");
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_EQ(3, s.errors);
    EXPECT_EQ("Err: 412 ERROR wrong value", s.log.back());
    // A command that goes out comes after them on the wire, and right after the handshake.
    TSRCPCmd next;
    prepare(next, ctGet, dgPower);
    EXPECT_TRUE(s.client.SendCommand(next));
    ASSERT_TRUE(server.waitForLines("COMMAND", 4));
    EXPECT_EQ((Lines{"SET PROTOCOL SRCP 0.8.2", "SET CONNECTIONMODE SRCP COMMAND", "GO", "GET 1 POWER"}),
              server.linesOf("COMMAND"));
    EXPECT_TRUE(s.client.Connected());
}

TEST_F(SrcpClnt, ClosedSessionRefusesCommands) {
    Session<TSRCPCommandClient> s(server, dispatcher);
    TSRCPCmd cmd;
    prepare(cmd, ctGet, dgPower);
    EXPECT_FALSE(s.client.SendCommand(cmd));
    EXPECT_FALSE(s.client.ReceiveAnswer(cmd));
    EXPECT_EQ(ctETempProhibited, cmd.CommandType());
    EXPECT_EQ(413, cmd.ResponseCode());
    ASSERT_EQ(2u, s.log.size());
    EXPECT_EQ("Err: Not connected", s.log[0]);
    EXPECT_NE(std::string::npos, s.log[1].find("413 ERROR temporarily prohibited"));
}

// A command whose write or reply fails closes the session (the server sees it go) and is told once.
TEST_F(SrcpClnt, FailedCommandClosesTheSession) {
    struct Case {
        const char* name;
        Over over;
        std::optional<Reply> reply; // none: the write fails halfway
    };
    const Case cases[] = {
        {"silence", Over::Memory, Reply::silence()},
        {"reset", Over::Memory, Reply::reset()},
        {"reset", Over::Socket, Reply::reset()},
        {"close", Over::Memory, Reply::close()},
        {"over-long reply", Over::Socket, Reply::send(std::string(70000, '1'))},
        {"over-long reply", Over::Memory, Reply::send(std::string(70000, '1'))},
        {"write fails", Over::Memory, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.over == Over::Socket ? " (socket)" : ""));
        FakeSrcpServer fake;
        Session<TSRCPCommandClient> s(fake, dispatcher, c.over);
        s.client.SetReplyTimeout(200);
        s.client.Connect(Patience);
        TSRCPCmd cmd;
        prepare(cmd, ctGet, dgPower);
        if (c.reply) {
            fake.script({*c.reply});
            ASSERT_TRUE(s.client.SendCommand(cmd));
            EXPECT_THROW(s.client.ReceiveAnswer(cmd), LineConnectionError);
        } else {
            s.memory->failWritesAfter(4);
            EXPECT_THROW(s.client.SendCommand(cmd), SocketError);
        }
        s.expectClosed();
        EXPECT_TRUE(fake.waitUntil([&] { return !fake.connections()[0].open; }));
        s.client.Disconnect();
        EXPECT_EQ(1, s.disconnects);
    }
}

// --- info session ---

class SrcpInfo : public SrcpClnt {
protected:
    void SetUp() override {
        session = std::make_unique<Session<TSRCPInfoClient>>(server, dispatcher);
        watchPower(power, session->client, [this](TSRCPBaseDeviceGroup& g) { changes.push_back(onOff(g)); });
    }
    void TearDown() override {
        session.reset();
        SetSRCPExceptionReporter(nullptr);
    }

    Lines received() const {
        Lines out;
        for (const auto& l : session->log)
            if (l.rfind("Rec: ", 0) == 0)
                out.push_back(l.substr(5));
        return out;
    }

    std::unique_ptr<Session<TSRCPInfoClient>> session;
    TSRCPPower power;
    Lines changes;
};

TEST_F(SrcpInfo, LinesReachGroupsInOrderOnTheMainThread) {
    session->client.Connect(Patience);
    session->log.clear();
    const Lines lines = {
        "1001.000 100 INFO 1 POWER ON",  "",
        "1002.000 100 INFO 1 POWER OFF", "1003.000 100 INFO x POWER ON",
        "1004.000 100 INFO 1 XYZ",       "1005.000 100 INFO 2 POWER ON",
        "1006.000 100 INFO 1 POWER ON",
    };
    for (const auto& l : lines)
        server.injectInfo(l);
    ASSERT_TRUE(dispatcher.pumpUntil([&] { return received().size() == 6; }, Patience));
    EXPECT_EQ((Lines{"ON", "OFF", "ON"}), changes);
    EXPECT_EQ((Lines{lines[0], lines[2], lines[3], lines[4], lines[5], lines[6]}), received());
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
        // The notice joined the reader: whatever else it handed over is queued by now.
        dispatcher.pump();
        session->expectClosed();
        EXPECT_EQ(std::this_thread::get_id(), session->disconnectThread);
        // The reader's end is joined and told.
        EXPECT_EQ(nullptr, session->client.InfoThread());
        EXPECT_EQ(reset ? "Err: read: Connection reset by peer" : "Err: connection closed by peer",
                  session->log.back());
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
    dispatcher.pump();
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
    EXPECT_FALSE(session->client.Connected());
    // Connecting again joins the old reader: what it handed over is queued by now, and is not the new
    // session's.
    session->client.Connect(Patience);
    EXPECT_TRUE(session->client.Connected());
    dispatcher.pump();
    EXPECT_EQ((Lines{"seen"}), changes);
}

// A handler that reconnects twice: the reader of the middle connection waits for no dispatch, so it
// is joined at once and cannot read from the socket that the third connection gets.
TEST_F(SrcpInfo, ReconnectingTwiceFromAHandler) {
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        FakeSrcpServer fake;
        Session<TSRCPInfoClient> s(fake, dispatcher);
        TSRCPPower group;
        Lines seen;
        watchPower(group, s.client, [&](TSRCPBaseDeviceGroup& g) {
            seen.push_back(onOff(g));
            if (seen.size() != 1)
                return;
            for (int i = 0; i < 2; ++i) {
                s.client.Disconnect();
                s.client.Connect(Patience);
                ASSERT_TRUE(s.client.Connected());
            }
        });
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
        EXPECT_EQ((Lines{"ON", "OFF"}), seen);
        EXPECT_EQ(3, s.client.SessionID());
        EXPECT_EQ(2, s.disconnects);
        s.client.Disconnect();
        EXPECT_EQ(3, s.disconnects);
        group.SetInfoClient(nullptr);
    }
}

// A handler that throws is reported and the reader goes on. The log and the reporter are handlers as
// well: one that throws must not stall the reader.
TEST_F(SrcpInfo, ThrowingHandlersDoNotStallTheReader) {
    struct Case {
        const char* name;
        int logThrows;     // so many first log calls throw
        bool changeThrows; // the first OnChange throws
        bool reporterThrows;
        Lines changes;
        Lines reported;
        std::optional<Lines> log; // since Connect
    };
    const Lines changeLog = {"Rec: 1001.000 100 INFO 1 POWER ON", "Err: boom",
                             "Rec: 1002.000 100 INFO 1 POWER OFF"};
    const Case cases[] = {
        {"OnChange", 0, true, false, {"ON", "OFF"}, {"boom"}, changeLog},
        {"log", 2, false, false, {"OFF"}, {"log"}, {}},
        {"reporter", 0, true, true, {"ON", "OFF"}, {"boom"}, {}},
        {"all", 2, true, true, {"OFF"}, {"log", "boom"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        // Kept on the heap: a reader stalled for good could not be joined, so it is left behind.
        auto owned = std::make_unique<Session<TSRCPInfoClient>>(fake, dispatcher);
        auto& s = *owned;
        TSRCPPower group;
        Lines seen;
        Lines reported;
        watchPower(group, s.client, [&](TSRCPBaseDeviceGroup& g) {
            seen.push_back(onOff(g));
            if (c.changeThrows && seen.size() == 1)
                throw std::runtime_error("boom");
        });
        SetSRCPExceptionReporter([&](const std::string& m) {
            reported.push_back(m);
            if (c.reporterThrows)
                throw std::runtime_error("reporter");
        });
        s.client.Connect(Patience);
        s.log.clear();
        int logCalls = 0;
        s.client.OnLog = [&](TSRCPBaseClient&, const std::string& text) {
            if (++logCalls <= c.logThrows)
                throw std::runtime_error("log");
            s.log.push_back(text);
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
        if (c.log) {
            EXPECT_EQ(*c.log, s.log);
        }
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
    watchPower(*second, session->client, [&](TSRCPBaseDeviceGroup&) { ++secondCalls; });
    watchPower(third, session->client, [&](TSRCPBaseDeviceGroup&) { ++thirdCalls; });
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

// A line is offered only to the groups of its own device group, however many others there are.
TEST_F(SrcpInfo, LinesAreOfferedOnlyToTheGroupsOfTheirDeviceGroup) {
    struct Counting : TSRCPInfoReceiver {
        explicit Counting(TSRCPDeviceGroup g) : group(g) {}
        TSRCPDeviceGroup DeviceGroup() const override { return group; }
        bool TakesLinesOf(TSRCPDeviceGroup g, int) const override { return ++asked, g == group; }
        void SetDataAnswer(TSRCPCmd&) override {}
        void Notification(TSRCPBaseClient*) override {}
        TSRCPDeviceGroup group;
        mutable int asked = 0;
    };
    const std::pair<const char*, std::vector<int>> cases[] = {
        // groups asked: GL, FB, TIME, GL
        {"1000.000 100 INFO 1 GL 3 1 5 28 1 0 0 0 0", {1, 0, 0, 1}},
        {"1000.000 100 INFO 1 FB 5 1", {0, 1, 0, 0}},
        {"1000.000 100 INFO 1 LOCK GL 3 20 7", {1, 0, 0, 1}},
        {"1000.000 100 INFO 1 POWER ON", {0, 0, 0, 0}},
        {"no line at all", {0, 0, 0, 0}},
    };
    Counting groups[] = {Counting(dgLoco), Counting(dgFeedback), Counting(dgTime), Counting(dgLoco)};
    for (auto& g : groups)
        session->client.RegisterDeviceGroup(&g);
    for (const auto& [line, expected] : cases) {
        SCOPED_TRACE(line);
        session->client.DoDataReceive(line);
        std::vector<int> asked;
        for (auto& g : groups)
            asked.push_back(std::exchange(g.asked, 0));
        EXPECT_EQ(expected, asked);
    }
    for (auto& g : groups)
        session->client.UnregisterDeviceGroup(&g);
    EXPECT_EQ(1, session->client.DeviceGroupCount());
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

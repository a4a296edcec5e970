#include "MoBaSRCPRig.h"

#include "platform/IniFile.h"

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;
constexpr int Patience = FakeSrcpServer::Patience;

class MoBaSRCP : public LibraryTest {
protected:
    FakeSrcpServer server;
    ManualDispatcher dispatcher;
};

std::string wrappers(const TMoBaSRCPBus& bus) {
    std::string out;
    if (bus.Power())
        out += "POWER ";
    if (bus.GLs())
        out += "GL ";
    if (bus.GAs())
        out += "GA ";
    if (bus.FBs())
        out += "FB ";
    if (bus.Time())
        out += "TIME ";
    return out;
}

// The bus list as the server describes it on the info session, or as the client asks for it.
TEST_F(MoBaSRCP, BusListFromDescriptions) {
    struct Case {
        const char* name;
        bool queryServer;
        std::vector<std::string> described; // bus descriptions 0, 1, 2, ...
        Lines infoLines;                    // sent on the info session besides
        std::vector<std::string> busses;    // "<bus number>: <wrappers>" in list order
        Lines asked;                        // GET ... DESCRIPTION lines sent
    };
    const auto row = [](const char* name, bool queryServer, std::vector<std::string> described,
                        Lines infoLines, std::vector<std::string> busses,
                        Lines asked) { return Case{name, queryServer, described, infoLines, busses, asked}; };
    const Case cases[] = {
        row("three buses on the info session", false,
            {"SESSION SERVER TIME GM", "POWER GL GA FB", "GA FB TIME"}, {},
            {"0: TIME ", "1: POWER GL GA FB ", "2: GA FB TIME "}, {}),
        row("bus 1 described before bus 0", false, {},
            {"1000.000 100 INFO 1 DESCRIPTION GL", "1000.000 100 INFO 0 DESCRIPTION GA"}, {"1: GL "}, {}),
        row("a group named twice", false, {"GA GA FB FB"}, {}, {"0: GA FB "}, {}),
        row("a bus number at the top of the integers", false, {},
            {"1000.000 100 INFO 2147483647 DESCRIPTION GL", "1000.000 100 INFO 0 DESCRIPTION GA"}, {"0: GA "},
            {}),
        row("bus numbers outside 0 to 255", false, {},
            {"1000.000 100 INFO 256 DESCRIPTION GL", "1000.000 100 INFO -1 DESCRIPTION GL",
             "1000.000 100 INFO 255 DESCRIPTION GA"},
            {"255: GA "}, {}),
        row("asked bus by bus", true, {"GL", "GA FB", "TIME"}, {}, {"0: GL ", "1: GA FB ", "2: TIME "},
            {"GET 0 DESCRIPTION", "GET 1 DESCRIPTION", "GET 2 DESCRIPTION", "GET 3 DESCRIPTION"}),
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        fake.setBusDescriptions(c.described);
        for (const auto& line : c.infoLines)
            fake.injectInfo(line);
        ClientRig rig(fake, dispatcher);
        rig.client.SetQueryServer(c.queryServer);
        rig.connect(static_cast<int>(c.busses.size()));
        // Whatever else comes, it creates no further bus.
        fake.injectInfo("1000.000 100 INFO 0 DESCRIPTION POWER GL GA FB TIME");
        rig.pumpUntil([] { return false; }, 50);
        std::vector<std::string> busses;
        Lines inits;
        for (int i = 0; i < rig.client.BusCount(); ++i) {
            const TMoBaSRCPBus& bus = *rig.client.Busses(i);
            busses.push_back(std::to_string(bus.BusNumber()) + ": " + wrappers(bus));
            inits.push_back("BusInit " + std::to_string(bus.BusNumber()));
        }
        EXPECT_EQ(c.busses, busses);
        Lines seen;
        for (const auto& e : rig.events)
            if (e.rfind("BusInit", 0) == 0)
                seen.push_back(e);
        EXPECT_EQ(inits, seen);
        Lines asked;
        for (const auto& line : rig.commands())
            if (line.find("DESCRIPTION") != std::string::npos)
                asked.push_back(line);
        EXPECT_EQ(c.asked, asked);
        EXPECT_THROW(rig.client.Busses(rig.client.BusCount()), std::out_of_range);
        EXPECT_THROW(rig.client.Busses(-1), std::out_of_range);
    }
}

// What real servers greet with and how they answer the handshake decides whether the client connects.
TEST_F(MoBaSRCP, ConnectsToTheServersSeenOnTheWire) {
    struct Case {
        const char* welcome;
        const char* modeReply;
        bool connects;
    };
    const Case cases[] = {
        {"srcpd V2.1.3; SRCP 0.8.4; SRCPOTHER 0.8.3", "CONNECTIONMODE", true},
        {"srcpd V2.0.10-cvs; SRCP 0.8.2", "CONNECTION MODE", true},
        {"srcpd V2.0; SRCP 0.7.3", "CONNECTIONMODE", false},
        {"server; SRCP 0.9.0; SRCPOTHER 0.8.1", "CONNECTIONMODE", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.welcome);
        FakeSrcpServer fake;
        fake.setWelcome(c.welcome);
        fake.setConnectionModeReply(c.modeReply);
        fake.setBusDescriptions({"POWER GL"});
        ClientRig rig(fake, dispatcher);
        EXPECT_NO_THROW(rig.client.Connect());
        EXPECT_EQ(c.connects, rig.client.Connected());
        if (c.connects) {
            EXPECT_EQ(1, rig.client.SessionID());
            EXPECT_EQ(2, rig.client.InfoSessionID());
            EXPECT_EQ(std::string(c.welcome).substr(0, std::string(c.welcome).find(';')) + "\r\n\r\n",
                      rig.client.Welcome());
            EXPECT_EQ((Lines{"Connected"}), rig.events);
            ASSERT_TRUE(rig.pumpUntil([&] { return rig.client.BusCount() == 1; }));
        } else {
            EXPECT_EQ((Lines{"Disconnect"}), rig.events);
            EXPECT_EQ(0, rig.client.BusCount());
            EXPECT_EQ(-1, rig.client.SessionID());
            EXPECT_EQ("", rig.client.Welcome());
            // The info session was never tried.
            EXPECT_EQ(1u, fake.connectionCount());
        }
    }
}

TEST_F(MoBaSRCP, PortAndLoggingReachBothSessions) {
    ClientRig rig(server, dispatcher);
    rig.client.SetPort(4711);
    EXPECT_EQ(4711, rig.client.CmdClnt()->Port());
    EXPECT_EQ(4711, rig.client.InfoClnt()->Port());
    rig.client.SetHost("server.local");
    EXPECT_EQ("server.local", rig.client.InfoClnt()->Host());
    rig.client.SetPort(server.port());
    Lines cmdLog, infoLog;
    rig.client.OnCmdLog = [&](TMoBaSRCPClient& s, const std::string& t) {
        EXPECT_EQ(&s, &rig.client);
        cmdLog.push_back(t.substr(0, 5));
    };
    rig.client.OnInfoLog = [&](TMoBaSRCPClient& s, const std::string& t) {
        EXPECT_EQ(&s, &rig.client);
        infoLog.push_back(t.substr(0, 5));
    };
    rig.client.SetLogEnabled(true);
    EXPECT_TRUE(rig.client.InfoClnt()->LogEnabled());
    rig.client.Connect();
    ASSERT_FALSE(cmdLog.empty());
    ASSERT_FALSE(infoLog.empty());
    EXPECT_EQ("Rec: ", infoLog.front());
    EXPECT_EQ("Snd: ", cmdLog[1]);
    rig.client.Disconnect();
    TMoBaSRCPLoco loco;
    cmdLog.clear();
    TSRCPCmd cmd;
    rig.client.CmdClnt()->ReceiveAnswer(cmd);
    EXPECT_EQ((Lines{"Err: "}), cmdLog);
}

// Every way of losing the connection ends disconnected, with one OnDisconnect, no buses, and nothing
// freed touched; the client connects again afterwards.
TEST_F(MoBaSRCP, DisconnectSequences) {
    struct Case {
        const char* name;
        Over over;
        std::function<void(ClientRig&)> lose;
        Lines goodbye; // command lines after the last SET
    };
    TMoBaAdvancedLoco loco;
    loco.SetAddress(3);
    const auto change = [&loco](ClientRig& rig) { return rig.client.Busses(0)->GLs()->Change(loco); };
    const auto explicitly = [](ClientRig& rig) { rig.client.Disconnect(); };
    const auto infoCloses = [](ClientRig& rig) {
        // Only the info connection: the command session is the client's to end.
        rig.server.closeConnections("INFO");
        ASSERT_TRUE(rig.pumpUntilEvent("Disconnect"));
    };
    const auto commandCloses = [&](ClientRig& rig) {
        rig.server.script({Reply::close()});
        EXPECT_THROW(change(rig), ConnectionClosedError);
    };
    const auto serverSilent = [&](ClientRig& rig) {
        rig.client.CmdClnt()->SetReplyTimeout(200);
        rig.server.script({Reply::silence()});
        EXPECT_THROW(change(rig), TimeoutError);
    };
    const auto disconnectInHandler = [](ClientRig& rig) {
        rig.client.OnLocoChange = [&rig](TMoBaSRCPClient& s, TMoBaSRCPLoco* l) {
            rig.events.push_back("LocoChange " + std::to_string(l->Address()));
            s.Disconnect();
            // The loco handed to us is still there until we return.
            EXPECT_EQ(3, l->Address());
        };
        rig.server.injectInfo("1001.000 100 INFO 0 GL 3 1 5 28 1 0 0 0 0");
        rig.server.injectInfo("1002.000 100 INFO 0 GL 3 1 6 28 1 0 0 0 0");
        ASSERT_TRUE(rig.pumpUntilEvent("Disconnect"));
    };
    const auto commandClosesInHandler = [&](ClientRig& rig) {
        rig.client.OnLocoChange = [&](TMoBaSRCPClient&, TMoBaSRCPLoco* l) {
            rig.events.push_back("LocoChange " + std::to_string(l->Address()));
            rig.server.script({Reply::close()});
            EXPECT_THROW(change(rig), ConnectionClosedError);
            // Issued during the teardown: goes nowhere.
            EXPECT_FALSE(change(rig));
        };
        rig.server.injectInfo("1001.000 100 INFO 0 GL 3 1 5 28 1 0 0 0 0");
        ASSERT_TRUE(rig.pumpUntilEvent("Disconnect"));
    };
    const auto termClosesAtOnce = [](ClientRig& rig) {
        rig.server.setTermClosesAtOnce(true);
        rig.client.Disconnect();
    };
    const Case cases[] = {
        {"explicit Disconnect", Over::Memory, explicitly, {"TERM 0 SESSION 1"}},
        {"explicit Disconnect", Over::Socket, explicitly, {"TERM 0 SESSION 1"}},
        {"TERM answered by a close", Over::Memory, termClosesAtOnce, {"TERM 0 SESSION 1"}},
        {"the server closes the info connection", Over::Memory, infoCloses, {"TERM 0 SESSION 1"}},
        {"the server closes the info connection", Over::Socket, infoCloses, {"TERM 0 SESSION 1"}},
        {"the server closes the command connection under a command", Over::Memory, commandCloses, {}},
        {"the server closes the command connection under a command", Over::Socket, commandCloses, {}},
        {"the server stops answering", Over::Memory, serverSilent, {}},
        {"Disconnect from OnLocoChange", Over::Memory, disconnectInHandler, {"TERM 0 SESSION 1"}},
        {"Disconnect from OnLocoChange", Over::Socket, disconnectInHandler, {"TERM 0 SESSION 1"}},
        {"a command from OnLocoChange loses the server", Over::Memory, commandClosesInHandler, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.over == Over::Socket ? " (socket)" : ""));
        FakeSrcpServer fake;
        fake.setBusDescriptions({"POWER GL"});
        ClientRig rig(fake, dispatcher, c.over);
        bool busAliveInHandler = false;
        bool commandInHandler = true;
        rig.client.OnDisconnect = [&](TMoBaSRCPClient& s) {
            rig.events.push_back("Disconnect");
            // The handler may look at the buses, but its commands go nowhere.
            busAliveInHandler = s.BusCount() == 0 || s.Busses(0)->BusNumber() == 0;
            if (s.BusCount() > 0)
                commandInHandler = s.Busses(0)->GLs()->Change(loco);
        };
        rig.connect(1);
        ASSERT_TRUE(change(rig));
        const std::size_t before = rig.commands().size();
        c.lose(rig);
        EXPECT_FALSE(rig.client.Connected());
        EXPECT_EQ(0, rig.client.BusCount());
        EXPECT_EQ(1, rig.count("Disconnect"));
        EXPECT_TRUE(busAliveInHandler);
        EXPECT_FALSE(commandInHandler);
        rig.pumpUntil([] { return false; }, 30);
        EXPECT_EQ(1, rig.count("Disconnect"));
        Lines after = rig.commands();
        after.erase(after.begin(),
                    after.begin() + static_cast<std::ptrdiff_t>(std::min(before, after.size())));
        // The line the server closed on or never answered is the last SET.
        if (!after.empty() && after.front().rfind("SET 0 GL 3", 0) == 0)
            after.erase(after.begin());
        EXPECT_EQ(c.goodbye, after);
        // Connected again.
        fake.setTermClosesAtOnce(false);
        rig.events.clear();
        rig.client.OnLocoChange = nullptr;
        rig.connect(1);
        EXPECT_EQ(1, rig.count("Connected"));
        ASSERT_TRUE(change(rig));
        rig.client.Disconnect();
        EXPECT_EQ(1, rig.count("Disconnect"));
    }
}

// A failure of the info session's connect leaves nothing half connected.
TEST_F(MoBaSRCP, InfoSessionFailingToConnect) {
    struct Case {
        const char* name;
        bool refusedTcp; // else the handshake is refused
    };
    for (const Case& c : {Case{"TCP connect refused", true}, Case{"handshake refused", false}}) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        fake.setBusDescriptions({"GL"});
        std::unique_ptr<LineTransport> info;
        if (c.refusedTcp)
            info = std::make_unique<MemoryTransport>([] { return nullptr; });
        else
            fake.addRule("SET CONNECTIONMODE SRCP INFO", Reply::close(), true);
        ClientRig rig(fake, dispatcher, Over::Memory, std::move(info));
        rig.client.SetQueryServer(true);
        if (c.refusedTcp)
            EXPECT_THROW(rig.client.Connect(), SocketError);
        else
            EXPECT_NO_THROW(rig.client.Connect());
        EXPECT_FALSE(rig.client.Connected());
        EXPECT_FALSE(rig.client.CmdClnt()->Connected());
        EXPECT_EQ(0, rig.client.BusCount());
        EXPECT_EQ((Lines{"BusInit 0", "Disconnect"}), rig.events);
        EXPECT_EQ((Lines{"GET 0 DESCRIPTION", "GET 1 DESCRIPTION", "TERM 0 SESSION 1"}), rig.commands(3));
    }
}

// A transport whose server takes its time over every handshake line: each read with a time limit
// moves the test's clock on. Records the limit of every connect and read.
struct SlowServer : LineTransport {
    struct Pace {
        std::chrono::milliseconds perLine;
        TSRCPBaseClient::TTimePoint now{};
        std::string limits;
    };
    // perLine, when given, is this transport's own pace; the clock stays the shared one.
    SlowServer(std::unique_ptr<LineTransport> to, Pace& p, std::chrono::milliseconds perLine = {})
        : inner(std::move(to)), pace(p), ownPace(perLine) {}
    void connect(const std::string& host, int port, int timeoutMs) override {
        pace.limits += "connect " + std::to_string(timeoutMs) + ", ";
        inner->connect(host, port, timeoutMs);
    }
    bool isConnected() const override { return inner->isConnected(); }
    void writeLine(std::string_view line) override { inner->writeLine(line); }
    std::string readLine(int timeoutMs) override {
        // Without a limit it is the info reader, on its own thread: the clock is the main thread's.
        if (timeoutMs <= 0)
            return inner->readLine(timeoutMs);
        pace.limits += "read " + std::to_string(timeoutMs) + ", ";
        std::string line = inner->readLine(timeoutMs);
        pace.now += ownPace.count() > 0 ? ownPace : pace.perLine;
        return line;
    }
    void shutdown() override { inner->shutdown(); }
    void close() override { inner->close(); }
    void checkForDisconnect(bool raise) override { inner->checkForDisconnect(raise); }
    void setClosedHook(std::function<void()> hook) override { inner->setClosedHook(std::move(hook)); }

    std::unique_ptr<LineTransport> inner;
    Pace& pace;
    std::chrono::milliseconds ownPace;
};

// Connect has one bound for both sessions: a server that answers every line just in time cannot hold
// the caller for a bound per line. Asking for the buses in between does not count. When the info
// session fails, the command session's goodbye waits only for what is left of the bound.
TEST_F(MoBaSRCP, ConnectHasOneBoundForBothHandshakes) {
    const struct {
        int msPerLine;
        bool queryServer, connects;
        std::string limits;
        int infoMsPerLine = 0; // 0: msPerLine
        bool infoRefused = false;
    } cases[] = {
        {900, false, false,
         "connect 5000, read 5000, read 4100, read 3200, read 2300, connect 1400, read 1400, read 500, "},
        {100, false, true,
         "connect 5000, read 5000, read 4900, read 4800, read 4700, connect 4600, read 4600, read 4500, "
         "read 4400, read 4300, "},
        {400, true, true,
         "connect 5000, read 5000, read 4600, read 4200, read 3800, read 5000, read 5000, connect 3400, "
         "read 3400, read 3000, read 2600, read 2200, "},
        // A slow command session leaves the info session no time.
        {1240, false, false,
         "connect 5000, read 5000, read 3760, read 2520, read 1280, connect 40, read 40, "},
        // A slow info session.
        {10, false, false,
         "connect 5000, read 5000, read 4990, read 4980, read 4970, connect 4960, read 4960, read 3260, "
         "read 1560, ",
         1700},
        // The info session refused 320 ms before the bound: the goodbye waits those 320 ms for its reply.
        {520, false, false,
         "connect 5000, read 5000, read 4480, read 3960, read 3440, connect 2920, read 2920, read 2400, "
         "read 1880, read 1360, read 840, read 320, ",
         0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.msPerLine) + " " + std::to_string(c.infoMsPerLine));
        FakeSrcpServer fake;
        fake.setBusDescriptions({"GL"});
        if (c.infoRefused) {
            fake.addRule("GO", Reply::send("1000.000 200 OK GO 7"), true);
            fake.addRule(
                "GO", Reply::send(Lines{"1000.000 401 ERROR not allowed", "1000.000 401 ERROR not allowed"}));
        }
        SlowServer::Pace pace{std::chrono::milliseconds(c.msPerLine), {}, ""};
        TMoBaSRCPClient client(std::make_unique<SlowServer>(fake.memoryTransport(), pace),
                               std::make_unique<SlowServer>(fake.memoryTransport(), pace,
                                                            std::chrono::milliseconds(c.infoMsPerLine)));
        client.SetDispatcher(&dispatcher);
        client.SetClock([&pace] { return pace.now; });
        client.SetQueryServer(c.queryServer);
        int disconnects = 0;
        client.OnDisconnect = [&](TMoBaSRCPClient&) { ++disconnects; };
        if (c.connects || c.infoRefused) {
            EXPECT_NO_THROW(client.Connect());
        } else {
            EXPECT_THROW(client.Connect(), ESRCPClientConnectError);
        }
        EXPECT_EQ(c.limits, pace.limits);
        EXPECT_EQ(c.connects, client.Connected());
        EXPECT_EQ(c.connects ? 0 : 1, disconnects);
        client.Disconnect();
    }
}

TEST_F(MoBaSRCP, ConnectFailuresRaiseAndLeaveItDisconnected) {
    {
        SCOPED_TRACE("nobody listens");
        int freePort = 0;
        {
            LineListener l;
            freePort = l.port();
        }
        ClientRig rig(server, dispatcher, Over::Socket);
        rig.client.SetPort(freePort);
        EXPECT_THROW(rig.client.Connect(), SocketError);
        EXPECT_FALSE(rig.client.Connected());
        EXPECT_TRUE(rig.events.empty());
    }
    {
        SCOPED_TRACE("reset during the handshake");
        server.addRule("GO", Reply::reset(), true);
        ClientRig rig(server, dispatcher);
        EXPECT_THROW(rig.client.Connect(), ESRCPClientConnectError);
        EXPECT_FALSE(rig.client.Connected());
        EXPECT_EQ((Lines{"Disconnect"}), rig.events);
    }
}

// A server tells a new info session every state it knows; the caches start from them.
TEST_F(MoBaSRCP, CachesStartFromTheStatesTheServerKnows) {
    server.setBusDescriptions({"TIME", "POWER GL GA FB"});
    server.setDeviceStates({"1000.000 100 INFO 1 POWER ON", "1000.000 101 INFO 1 GL 3 N 2 28 5",
                            "1000.000 100 INFO 1 GL 3 0 14 28 1 1 0 0 0", "1000.000 101 INFO 1 GA 12 M",
                            "1000.000 100 INFO 1 GA 12 1 1", "1000.000 100 INFO 1 FB 5 1"});
    ClientRig rig(server, dispatcher);
    rig.client.SetQueryServer(false);
    rig.connect(2);
    ASSERT_TRUE(rig.pumpUntilEvent("FBChange 5=1"));
    EXPECT_EQ((Lines{"Connected", "BusInit 0", "BusInit 1", "BusPower 1", "LocoInit 3", "LocoChange 3",
                     "GAInit 12", "GAChange 12", "FBChange 5=1"}),
              rig.events);
    const TMoBaSRCPBus& bus = *rig.client.Busses(1);
    EXPECT_TRUE(bus.Power()->PowerOn());
    ASSERT_NE(nullptr, bus.GLs()->Locos(3));
    EXPECT_EQ(50, bus.GLs()->Locos(3)->Speed());
    EXPECT_EQ(mdmBackwards, bus.GLs()->Locos(3)->DriveMode());
    EXPECT_EQ(1, bus.GAs()->Solenoids(12)->Ports(1));
    EXPECT_EQ(5, bus.FBs()->Count());
    rig.client.Disconnect();
}

// A server that describes every bus it is asked for cannot keep the client asking for ever.
TEST_F(MoBaSRCP, AskingBusByBusEnds) {
    server.setBusDescriptions(std::vector<std::string>(300, "GL"));
    ClientRig rig(server, dispatcher);
    rig.client.SetQueryServer(true);
    rig.client.Connect();
    EXPECT_EQ(TMoBaSRCPClient::MaxQueriedBusses, rig.client.BusCount());
    const Lines asked = rig.commands();
    ASSERT_EQ(256u, asked.size());
    EXPECT_EQ("GET 255 DESCRIPTION", asked.back());
    rig.client.Disconnect();
}

// The component and its sessions belong to the main thread: called from another thread while the
// program's dispatcher is set, an entry stops the program at once instead of racing.
TEST_F(MoBaSRCP, EntriesCalledFromAnotherThreadStopTheProgram) {
#ifdef NDEBUG
    GTEST_SKIP() << "the check is compiled into debug builds only";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TSRCPPower power;
    TSRCPCmd cmd;
    IniFile ini(m_dir.path() + "any.ini");
    // A bus of the client with loco, accessory and feedback wrappers, made on the main thread.
    TSRCPCmd describing;
    ASSERT_TRUE(describing.ExamineAnswer("1000.000 100 INFO 1 DESCRIPTION GL GA FB"));
    TSRCPCustomDescription description;
    description.SetEventMode(semAll);
    description.SetDataAnswer(describing);
    ASSERT_EQ(3, description.DeviceGroupsCount());
    TMoBaSRCPBus* bus = nullptr;
    const std::pair<const char*, std::function<void(TMoBaSRCPClient&)>> cases[] = {
        {"Connect", [](TMoBaSRCPClient& c) { c.Connect(); }},
        {"Disconnect", [](TMoBaSRCPClient& c) { c.Disconnect(); }},
        {"SetConnected", [](TMoBaSRCPClient& c) { c.SetConnected(false); }},
        {"SetEmergencyStop", [](TMoBaSRCPClient& c) { c.SetEmergencyStop(true); }},
        {"SetHost", [](TMoBaSRCPClient& c) { c.SetHost("zentrale"); }},
        {"SetPort", [](TMoBaSRCPClient& c) { c.SetPort(4711); }},
        {"SetLogEnabled", [](TMoBaSRCPClient& c) { c.SetLogEnabled(true); }},
        {"ReadFromIniFile", [&](TMoBaSRCPClient& c) { c.ReadFromIniFile(ini); }},
        {"WriteToIniFile", [&](TMoBaSRCPClient& c) { c.WriteToIniFile(ini); }},
        {"command session Connect", [](TMoBaSRCPClient& c) { c.CmdClnt()->Connect(100); }},
        {"command session Disconnect", [](TMoBaSRCPClient& c) { c.CmdClnt()->Disconnect(); }},
        {"SendCommand", [&](TMoBaSRCPClient& c) { c.CmdClnt()->SendCommand(cmd); }},
        {"ReceiveAnswer", [&](TMoBaSRCPClient& c) { c.CmdClnt()->ReceiveAnswer(cmd); }},
        {"info session Connect", [](TMoBaSRCPClient& c) { c.InfoClnt()->Connect(100); }},
        {"info session Disconnect", [](TMoBaSRCPClient& c) { c.InfoClnt()->Disconnect(); }},
        {"RegisterDeviceGroup", [&](TMoBaSRCPClient& c) { c.InfoClnt()->RegisterDeviceGroup(&power); }},
        {"UnregisterDeviceGroup", [&](TMoBaSRCPClient& c) { c.InfoClnt()->UnregisterDeviceGroup(&power); }},
        {"DoDataReceive",
         [](TMoBaSRCPClient& c) { c.InfoClnt()->DoDataReceive("1000.000 100 INFO 1 POWER ON"); }},
        {"SetAutoPowerOn", [](TMoBaSRCPClient& c) { c.SetAutoPowerOn(true); }},
        {"SetQueryServer", [](TMoBaSRCPClient& c) { c.SetQueryServer(true); }},
        {"BusCount", [](TMoBaSRCPClient& c) { (void)c.BusCount(); }},
        {"Busses", [](TMoBaSRCPClient& c) { (void)c.Busses(0); }},
        {"Welcome", [](TMoBaSRCPClient& c) { (void)c.Welcome(); }},
        {"SessionID", [](TMoBaSRCPClient& c) { (void)c.SessionID(); }},
        {"SetClock", [](TMoBaSRCPClient& c) { c.SetClock(nullptr); }},
        {"SetDispatcher", [](TMoBaSRCPClient& c) { c.SetDispatcher(nullptr); }},
        {"GLs Items", [&](TMoBaSRCPClient&) { (void)bus->GLs()->Items(0); }},
        {"GLs Count", [&](TMoBaSRCPClient&) { (void)bus->GLs()->Count(); }},
        {"GLs Locos", [&](TMoBaSRCPClient&) { (void)bus->GLs()->Locos(3); }},
        {"GAs Items", [&](TMoBaSRCPClient&) { (void)bus->GAs()->Items(0); }},
        {"GAs Count", [&](TMoBaSRCPClient&) { (void)bus->GAs()->Count(); }},
        {"GAs Solenoids", [&](TMoBaSRCPClient&) { (void)bus->GAs()->Solenoids(12); }},
        {"GAs SetDefaultDelay", [&](TMoBaSRCPClient&) { bus->GAs()->SetDefaultDelay(300); }},
        {"FBs Items", [&](TMoBaSRCPClient&) { (void)bus->FBs()->Items(0); }},
        {"FBs Count", [&](TMoBaSRCPClient&) { (void)bus->FBs()->Count(); }},
        {"FBs SetInitString", [&](TMoBaSRCPClient&) { bus->FBs()->SetInitString("S88 LPT1 4"); }},
    };
    for (const auto& [name, call] : cases) {
        SCOPED_TRACE(name);
        EXPECT_DEATH(
            {
                ManualDispatcher main;
                setMainThreadDispatcher(&main);
                TMoBaSRCPClient client(std::make_unique<MemoryTransport>([] { return nullptr; }),
                                       std::make_unique<MemoryTransport>([] { return nullptr; }));
                TMoBaSRCPBus made(&client, &description);
                bus = &made;
                std::thread([&] { call(client); }).join();
            },
            "must run on the GUI thread");
    }
}

// A handler that disconnects may still use the objects it was handed until it returns: the buses are
// freed after the line's dispatch, not inside Disconnect. A bus freed writes its profile settings.
TEST_F(MoBaSRCP, BusesLetGoInAHandlerAreFreedAfterTheDispatch) {
    MoBaLibraryFinalize();
    writeFileBytes(m_dir.file("layout.mpr"), "[Bus0Info]\r\n");
    MoBaLibraryInitialize(m_dir.path());
    server.setBusDescriptions({"GL GA"});
    ClientRig rig(server, dispatcher);
    rig.client.SetProfileActive(true);
    rig.connect(1);
    const auto written = [&] {
        return rig.client.ProfileIniFile()->readInteger("Bus0Info", "AccessoireDelayTime", -1);
    };
    std::optional<int> inHandler;
    rig.client.OnLocoChange = [&](TMoBaSRCPClient& s, TMoBaSRCPLoco*) {
        s.Disconnect();
        inHandler = written();
    };
    server.injectInfo("1001.000 100 INFO 0 GL 3 1 5 28 1 0 0 0 0");
    ASSERT_TRUE(rig.pumpUntil([&] { return inHandler.has_value(); }));
    EXPECT_EQ(-1, *inHandler);
    EXPECT_TRUE(rig.pumpUntil([&] { return written() == 200; }));
    rig.client.SetProfileActive(false);
}

TEST_F(MoBaSRCP, ConnectedPropertyConnectsAndDisconnects) {
    server.setBusDescriptions({"GL"});
    ClientRig rig(server, dispatcher);
    rig.client.SetConnected(true);
    EXPECT_TRUE(rig.client.Connected());
    // Asked again while connected, it keeps its sessions.
    rig.client.Connect();
    EXPECT_EQ(2u, server.connectionCount());
    rig.client.SetConnected(false);
    EXPECT_FALSE(rig.client.Connected());
    EXPECT_EQ((Lines{"Connected", "Disconnect"}), rig.events);
}

TEST_F(MoBaSRCP, DestroyingDisconnectsWithoutTheEvent) {
    server.setBusDescriptions({"GL"});
    auto rig = std::make_unique<ClientRig>(server, dispatcher);
    rig->connect(1);
    Lines events;
    rig->client.OnDisconnect = [&](TMoBaSRCPClient&) { events.push_back("Disconnect"); };
    rig.reset();
    EXPECT_TRUE(events.empty());
    ASSERT_TRUE(server.waitUntil([&] {
        return !server.linesOf("COMMAND").empty() && server.linesOf("COMMAND").back() == "TERM 0 SESSION 1";
    }));
    dispatcher.pump();
}

} // namespace

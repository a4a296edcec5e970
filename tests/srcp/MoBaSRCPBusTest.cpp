#include "MoBaSRCPRig.h"

#include "platform/IniFile.h"

#include <optional>

namespace {

constexpr int Patience = FakeSrcpServer::Patience;

// A loco protocol of the library's list with these limits.
TMoBaLocoProtocol* addLocoProtocol(TMoBaProtocolBase base, int version, int maxSteps, int maxFunctions) {
    auto* p = new TMoBaLocoProtocol;
    p->ProtocolBase = base;
    p->ProtocolExtension = version;
    p->MaxSteps = maxSteps;
    p->MaxFunctions = maxFunctions;
    MoBaLocoProtocols->Add(p);
    return p;
}

// Loco 3 on "NMRA 1" (28 steps, 5 functions) at speed 50 with F0 on.
TMoBaAdvancedLoco nmraLoco(int address = 3) {
    TMoBaAdvancedLoco loco;
    loco.SetProtocol(locoProtocol("NMRA 1"));
    loco.SetAddress(address);
    loco.SetMaxSpeed(100);
    loco.SetSpeed(50);
    loco.SetFunctions(0, 1);
    return loco;
}

// Accessory 12 on "Motorola Solenoid", port 1 on, 250 ms.
std::unique_ptr<TMoBaAdvancedSolenoid> motorolaSolenoid(int address = 12, int activationTime = 250) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetProtocol(solenoidProtocol("Motorola Solenoid"));
    solenoid->SetAddress(address);
    solenoid->SetActivationTime(activationTime);
    solenoid->SetPorts(1, 1);
    return solenoid;
}

// A connected client whose bus 1 (list position 1) has every wrapper; bus 0 has the clock only.
class MoBaSRCPBus : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        server.setBusDescriptions({"SESSION SERVER TIME", "POWER GL GA FB TIME"});
        rig = std::make_unique<ClientRig>(server, dispatcher);
        rig->connect(2);
        bus = rig->client.Busses(1);
        ASSERT_EQ(1, bus->BusNumber());
        rig->events.clear();
        sentBefore = rig->commands().size();
    }
    void TearDown() override {
        rig.reset();
        LibraryTest::TearDown();
    }

    // Command lines since SetUp (or the last call), waiting for count of them.
    Lines sent(std::size_t count) {
        Lines all = rig->commands(sentBefore + count);
        Lines out(all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end());
        sentBefore = all.size();
        return out;
    }

    // Sends lines on the info session and waits until all were dispatched (a clock line of bus 0 comes
    // last).
    void info(const Lines& lines) {
        for (const auto& line : lines)
            server.injectInfo(line);
        server.injectInfo("9999.000 100 INFO 0 TIME 2459425 0 0 0");
        ASSERT_TRUE(rig->pumpUntilEvent("TimeChange"));
        rig->events.erase(std::remove(rig->events.begin(), rig->events.end(), "TimeChange"),
                          rig->events.end());
    }

    FakeSrcpServer server;
    ManualDispatcher dispatcher;
    std::unique_ptr<ClientRig> rig;
    TMoBaSRCPBus* bus = nullptr;
    std::size_t sentBefore = 0;
};

TEST_F(MoBaSRCPBus, ExactCommandLines) {
    struct Case {
        const char* name;
        std::vector<Reply> replies; // to the lines below, in order; none: "200 OK" for each
        Lines lines;
        bool result;
        std::function<bool(TMoBaSRCPBus&)> act;
    };
    // Rows are built by a call, which keeps each on a line or two.
    const auto row = [](const char* name, std::vector<Reply> replies, Lines lines, bool result,
                        std::function<bool(TMoBaSRCPBus&)> act) {
        return Case{name, std::move(replies), std::move(lines), result, std::move(act)};
    };
    const auto ok = Reply::send("1000.000 200 OK");
    const auto forbidden = Reply::send("1000.000 415 ERROR forbidden");
    const Case cases[] = {
        row("GLs.Add", {}, {"INIT 1 GL 3 N 2 28 5", "SET 1 GL 3 1 50 100 1 0 0 0 0"}, true,
            [](TMoBaSRCPBus& b) { return b.GLs()->Add(nmraLoco()); }),
        row("GLs.Change backwards", {}, {"SET 1 GL 3 0 50 100 1 0 1 0 0"}, true,
            [](TMoBaSRCPBus& b) {
                TMoBaAdvancedLoco loco = nmraLoco();
                loco.SetDriveMode(mdmBackwards);
                loco.SetFunctions(2, 7);
                return b.GLs()->Change(loco);
            }),
        row("GLs.Add, SET refused", {ok, Reply::send("1000.000 412 ERROR wrong value")},
            {"INIT 1 GL 3 N 2 28 5", "SET 1 GL 3 1 50 100 1 0 0 0 0"}, false,
            [](TMoBaSRCPBus& b) { return b.GLs()->Add(nmraLoco()); }),
        // The GET brings the server's state (backwards, step 7, F2); the loco keeps its protocol, so
        // step 7 of 28 reads speed 25.
        row("GLs.Change answered by 415",
            {forbidden, Reply::send("1000.000 100 INFO 1 GL 3 0 7 28 1 0 1 0 0"), ok},
            {"SET 1 GL 3 1 50 100 1 0 0 0 0", "GET 1 GL 3", "SET 1 GL 3 0 25 100 1 0 1 0 0"}, true,
            [](TMoBaSRCPBus& b) { return b.GLs()->Change(nmraLoco()); }),
        row("GLs.Add of a Motorola loco without version, no steps", {}, {"SET 1 GL 5 1 0 100 0"}, true,
            [&](TMoBaSRCPBus& b) {
                TMoBaAdvancedLoco loco;
                // Without version its INIT cannot go out; the SET does.
                loco.SetProtocol(addLocoProtocol(mpbMotorola, 0, 0, 1));
                loco.SetAddress(5);
                loco.SetSpeed(80);
                // The refused INIT has no reply: OnError finds none, not the last command's.
                Lines seen;
                b.CmdClnt()->OnError = [&](TSRCPBaseClient& s) { seen.push_back(s.Response()); };
                const bool added = b.GLs()->Add(loco);
                b.CmdClnt()->OnError = nullptr;
                EXPECT_EQ(Lines{""}, seen);
                return added;
            }),
        row("a command still holding its error reply is not sent again",
            {Reply::send("1000.000 416 ERROR no data")}, {"GET 1 POWER"}, false,
            [](TMoBaSRCPBus& b) {
                TSRCPCommandClient& session = *b.CmdClnt();
                TSRCPCmd cmd;
                cmd.SetSRCPVersion(cv082);
                cmd.SetCommandType(ctGet);
                cmd.SetDeviceGroup(dgPower);
                cmd.SetBus(1);
                EXPECT_TRUE(session.SendCommand(cmd));
                EXPECT_FALSE(session.ReceiveAnswer(cmd));
                // Refused before it goes out: OnError finds no reply, not the error it holds.
                Lines seen;
                session.OnError = [&](TSRCPBaseClient& s) { seen.push_back(s.Response()); };
                const bool sent = session.SendCommand(cmd);
                session.OnError = nullptr;
                EXPECT_EQ(Lines{""}, seen);
                return sent;
            }),
        row("GLs.Change of a protocol without steps: speed 0", {}, {"SET 1 GL 9 1 0 100"}, true,
            [](TMoBaSRCPBus& b) {
                TMoBaAdvancedLoco loco;
                loco.SetProtocol(addLocoProtocol(mpbNMRA, 2, 0, 0));
                loco.SetAddress(9);
                loco.SetSpeedStep(5);
                return b.GLs()->Change(loco);
            }),
        row("GAs.Add", {}, {"INIT 1 GA 12 M", "SET 1 GA 12 1 1 250"}, true,
            [](TMoBaSRCPBus& b) { return b.GAs()->Add(*motorolaSolenoid()); }),
        row("GAs.Add, SET refused: no copy is kept", {ok, Reply::send("1000.000 412 ERROR wrong value")},
            {"INIT 1 GA 14 M", "SET 1 GA 14 1 1 250"}, false,
            [](TMoBaSRCPBus& b) {
                const int before = b.GAs()->AddedCount();
                const bool added = b.GAs()->Add(*motorolaSolenoid(14));
                EXPECT_EQ(before, b.GAs()->AddedCount());
                return added;
            }),
        row("GAs.Change", {}, {"SET 1 GA 12 0 1 400"}, true,
            [](TMoBaSRCPBus& b) {
                auto solenoid = motorolaSolenoid(12, 400);
                solenoid->SetPorts(0, 1);
                return b.GAs()->Change(*solenoid);
            }),
        row("Power.PowerOn", {}, {"SET 1 POWER ON"}, true,
            [](TMoBaSRCPBus& b) { return b.Power()->SetPowerOn(true); }),
        row("Power.Update", {Reply::send("1000.000 100 INFO 1 POWER ON")}, {"GET 1 POWER"}, true,
            [](TMoBaSRCPBus& b) { return b.Power()->Update() && b.Power()->PowerOn(); }),
        row("FBs.Enabled with its init string", {}, {"INIT 1 FB S88 LPT1 4", "TERM 1 FB"}, true,
            [](TMoBaSRCPBus& b) {
                b.FBs()->SetInitString("S88 LPT1 4");
                b.FBs()->SetEnabled(true);
                b.FBs()->SetEnabled(true);
                const bool on = b.FBs()->Enabled();
                b.FBs()->SetEnabled(false);
                return on && !b.FBs()->Enabled();
            }),
        row("Time.DateTime", {},
            {"INIT 1 TIME 4 1", "SET 1 TIME 2460019 12 0 0", "SET 1 TIME 2459425 12 30 15"}, true,
            [](TMoBaSRCPBus& b) {
                b.Time()->SetDateTime(45000.5); // not enabled yet: kept, not sent
                b.Time()->SetMultiplicator(4);
                b.Time()->SetDivisor(0);
                b.Time()->SetEnabled(true);
                b.Time()->SetTimeDate({(12 * 3600 + 30 * 60 + 15) * 1000, 738000});
                return b.Time()->Enabled() && b.Time()->Divisor() == 1;
            }),
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.replies.empty())
            server.script(c.replies);
        EXPECT_EQ(c.result, c.act(*bus));
        EXPECT_EQ(c.lines, sent(c.lines.size()));
    }
}

TEST_F(MoBaSRCPBus, EmergencyStopOverTheCachedLocos) {
    info({"1000.000 101 INFO 1 GL 3 N 2 28 5", "1000.000 100 INFO 1 GL 3 1 14 28 1 0 0 0 0",
          "1000.000 101 INFO 1 GL 4 N 2 28 5", "1000.000 100 INFO 1 GL 4 0 7 28 0 0 0 0 0"});
    ASSERT_EQ(2, bus->GLs()->Count());
    bus->SetEmergencyStop(true);
    EXPECT_TRUE(bus->EmergencyStop());
    EXPECT_EQ((Lines{"SET 1 GL 3 2 50 100 1 0 0 0 0", "SET 1 GL 4 2 25 100 0 0 0 0 0"}), sent(2));
    bus->SetEmergencyStop(false);
    EXPECT_EQ((Lines{"SET 1 GL 3 1 50 100 1 0 0 0 0", "SET 1 GL 4 0 25 100 0 0 0 0 0"}), sent(2));
    // Locos that were not stopped are left alone; the whole client passes it to every bus.
    rig->client.SetEmergencyStop(false);
    EXPECT_EQ(Lines{}, sent(0));
    EXPECT_FALSE(rig->client.Busses(0)->EmergencyStop());
}

// Each row: INFO lines into a fresh bus 1, the events they fire and what the caches hold afterwards.
TEST_F(MoBaSRCPBus, CachesFollowTheServer) {
    struct Case {
        const char* name;
        std::function<void(TMoBaSRCPBus&)> before;
        Lines lines;
        Lines events;
        std::function<void(TMoBaSRCPBus&)> check;
    };
    const auto nothing = [](TMoBaSRCPBus&) {};
    // Rows are built by a call, which keeps each row's lines and events together.
    const auto row = [&](const char* name, Lines lines, Lines events,
                         std::function<void(TMoBaSRCPBus&)> check) {
        return Case{name, nothing, std::move(lines), std::move(events), std::move(check)};
    };
    // 300 DCC locos of a variant no built-in description has, reported in ascending addresses.
    Lines dccInits, dccEvents;
    for (int address = 1001; address <= 1300; ++address) {
        dccInits.push_back("1000.000 101 INFO 1 GL " + std::to_string(address) + " N 2 128 29");
        dccEvents.push_back("LocoInit " + std::to_string(address));
    }
    const Case cases[] = {
        row("first line of loco 3, then one with the same stamp, then an older one",
            {"1000.500 100 INFO 1 GL 3 1 7 28 1 0 0 0 0", "1000.500 100 INFO 1 GL 3 0 9 28 1 0 0 0 0",
             "1000.499 100 INFO 1 GL 3 1 2 28 1 0 0 0 0"},
            {"LocoChange 3", "LocoChange 3"},
            [](TMoBaSRCPBus& b) {
                ASSERT_EQ(1, b.GLs()->Count());
                TMoBaSRCPLoco& l = *b.GLs()->Items(0);
                EXPECT_EQ(mdmBackwards, l.DriveMode());
                EXPECT_EQ(9, l.SpeedStep());
                EXPECT_EQ(5, l.FunctionCount());
                EXPECT_EQ(1000.5, l.TimeStamp());
                EXPECT_EQ(1, l.Bus());
                EXPECT_EQ(mssUninitilized, l.SRCPState());
                EXPECT_EQ(&l, b.GLs()->Locos(3));
                EXPECT_EQ(nullptr, b.GLs()->Locos(4));
            }),
        row("INIT of loco 10, N 2 28 5",
            {"1000.000 101 INFO 1 GL 10 N 2 28 5", "1001.000 100 INFO 1 GL 10 0 3 28 0 1 0 0 0"},
            {"LocoInit 10", "LocoChange 10"},
            [](TMoBaSRCPBus& b) {
                TMoBaSRCPLoco& l = *b.GLs()->Locos(10);
                ASSERT_NE(nullptr, l.Protocol());
                EXPECT_EQ("NMRA 1", l.Protocol()->Name);
                EXPECT_TRUE(l.Protocol()->Groups.test(1));
                EXPECT_EQ(mssActivNoRead, l.SRCPState());
                EXPECT_EQ(mdmBackwards, l.DriveMode());
                EXPECT_EQ(1, l.Functions(1));
                EXPECT_EQ(11, MoBaLocoProtocols->Count());
            }),
        row("INIT M 2 126 5 twice",
            {"1000.000 101 INFO 1 GL 3 M 2 126 5", "1001.000 101 INFO 1 GL 5 M 2 126 5"},
            {"LocoInit 3", "LocoInit 5"},
            [](TMoBaSRCPBus& b) {
                ASSERT_EQ(12, MoBaLocoProtocols->Count());
                const TMoBaLocoProtocol* p = MoBaLocoProtocols->Items(11);
                EXPECT_EQ("Automatic loco protocol", p->Name);
                EXPECT_EQ("Automatic loco protocol with 256 addresses, 126 speed steps and 5 function(s).",
                          p->Description);
                EXPECT_EQ(p, b.GLs()->Locos(5)->Protocol());
                EXPECT_EQ(mssInitialized, b.GLs()->Locos(3)->SRCPState());
            }),
        row("300 locos N 2 128 29: one description for all, grown to their addresses", dccInits, dccEvents,
            [](TMoBaSRCPBus& b) {
                ASSERT_EQ(12, MoBaLocoProtocols->Count());
                const TMoBaLocoProtocol* p = MoBaLocoProtocols->Items(11);
                EXPECT_EQ(1300, p->MaxAddress);
                ASSERT_EQ(300, b.GLs()->Count());
                for (int i = 0; i < 300; ++i) {
                    const TMoBaSRCPLoco& l = *b.GLs()->Items(i);
                    ASSERT_EQ(p, l.Protocol()) << l.Address();
                    EXPECT_EQ(1001 + i, l.Address());
                    EXPECT_EQ(29, l.FunctionCount());
                }
            }),
        row("accessory 300 with M, then with N",
            {"1000.000 101 INFO 1 GA 300 M", "1001.000 101 INFO 1 GA 301 N"}, {"GAInit 300", "GAInit 301"},
            [](TMoBaSRCPBus& b) {
                EXPECT_EQ("Automatic solenoid protocol", b.GAs()->Solenoids(300)->Protocol()->Name);
                EXPECT_EQ("Automatic solenoid protocol with 300 addresses.",
                          b.GAs()->Solenoids(300)->Protocol()->Description);
                EXPECT_EQ("NMRA Accessory", b.GAs()->Solenoids(301)->Protocol()->Name);
                EXPECT_EQ(200, b.GAs()->Solenoids(300)->ActivationTime());
            }),
        {"activation time of an added accessory",
         [](TMoBaSRCPBus& b) {
             ASSERT_TRUE(b.GAs()->Add(*motorolaSolenoid(12, 300)));
             ASSERT_TRUE(b.GAs()->Add(*motorolaSolenoid(12, 500)));
             EXPECT_EQ(1, b.GAs()->AddedCount());
         },
         {"1000.000 100 INFO 1 GA 12 1 1", "1001.000 100 INFO 1 GA 12 0 1", "1001.000 100 INFO 1 GA 13 0 1"},
         {"GAChange 12", "GAChange 12", "GAChange 13"},
         [](TMoBaSRCPBus& b) {
             TMoBaSRCPSolenoid& s = *b.GAs()->Solenoids(12);
             EXPECT_EQ(500, s.ActivationTime());
             EXPECT_EQ(0, b.GAs()->AddedCount());
             EXPECT_EQ(0, s.ActivePort()); // the newest stamp
             EXPECT_EQ(1, s.Ports(1));
             EXPECT_EQ(1000.0, s.TimeStamps(1));
             EXPECT_EQ(200, b.GAs()->Solenoids(13)->ActivationTime());
         }},
        row("accessory 12 on and off in one millisecond",
            {"1000.000 100 INFO 1 GA 12 0 1", "1000.000 100 INFO 1 GA 12 0 0"},
            {"GAChange 12", "GAChange 12"},
            [](TMoBaSRCPBus& b) { EXPECT_EQ(0, b.GAs()->Solenoids(12)->Ports(0)); }),
        row("accessory 12 ports 0 and 1 in one millisecond: the later is active",
            {"1000.000 100 INFO 1 GA 12 0 0", "1000.000 100 INFO 1 GA 12 1 1"},
            {"GAChange 12", "GAChange 12"},
            [](TMoBaSRCPBus& b) { EXPECT_EQ(1, b.GAs()->Solenoids(12)->ActivePort()); }),
        row("accessory port outside its ports",
            {"1000.000 100 INFO 1 GA 12 5 1", "1000.000 100 INFO 1 GA 12 -1 1"}, {},
            [](TMoBaSRCPBus& b) { EXPECT_EQ(0, b.GAs()->Count()); }),
        row("addresses outside the protocols",
            {"1000.000 100 INFO 1 GL 0 1 7 28 1", "1000.000 100 INFO 1 GL 10240 1 7 28 1",
             "1000.000 101 INFO 1 GL 20000 M 2 126 5", "1000.000 100 INFO 1 LOCK GL 10240 20 7",
             "1000.000 100 INFO 1 GA 4097 0 1", "1000.000 101 INFO 1 GA 0 N",
             "1000.000 100 INFO 1 GL 10239 1 7 28 1", "1000.000 100 INFO 1 GA 4096 0 1"},
            {"LocoChange 10239", "GAChange 4096"},
            [](TMoBaSRCPBus& b) {
                EXPECT_EQ(1, b.GLs()->Count() * b.GAs()->Count());
                EXPECT_EQ(11, MoBaLocoProtocols->Count());
            }),
        row("INIT and TERM of loco 3",
            {"1000.000 101 INFO 1 GL 3 N 2 28 5", "1001.000 102 INFO 1 GL 3", "1002.000 102 INFO 1 GL 4"},
            {"LocoInit 3", "LocoTerm 3"}, [](TMoBaSRCPBus& b) { EXPECT_EQ(0, b.GLs()->Count()); }),
        row("TERM of the middle one of three locos",
            {"1000.000 100 INFO 1 GL 5 1 1 28 1", "1000.000 100 INFO 1 GL 3 1 1 28 1",
             "1000.000 100 INFO 1 GL 4 1 1 28 1", "1001.000 102 INFO 1 GL 3",
             "1002.000 100 INFO 1 GL 3 1 2 28 1"},
            {"LocoChange 5", "LocoChange 3", "LocoChange 4", "LocoTerm 3", "LocoChange 3"},
            [](TMoBaSRCPBus& b) {
                ASSERT_EQ(3, b.GLs()->Count());
                EXPECT_EQ(b.GLs()->Locos(5), b.GLs()->Items(0));
                EXPECT_EQ(b.GLs()->Locos(4), b.GLs()->Items(1));
                EXPECT_EQ(b.GLs()->Locos(3), b.GLs()->Items(2));
                EXPECT_EQ(2, b.GLs()->Locos(3)->SpeedStep());
            }),
        row("TERM of the first of three locos keeps the others in the order of their first report",
            {"1000.000 100 INFO 1 GL 5 1 1 28 1", "1000.000 100 INFO 1 GL 3 1 1 28 1",
             "1000.000 100 INFO 1 GL 4 1 1 28 1", "1001.000 102 INFO 1 GL 5"},
            {"LocoChange 5", "LocoChange 3", "LocoChange 4", "LocoTerm 5"},
            [](TMoBaSRCPBus& b) {
                ASSERT_EQ(2, b.GLs()->Count());
                EXPECT_EQ(3, b.GLs()->Items(0)->Address());
                EXPECT_EQ(4, b.GLs()->Items(1)->Address());
            }),
        row("INIT and TERM of accessory 7", {"1000.000 101 INFO 1 GA 7 N", "1001.000 102 INFO 1 GA 7"},
            {"GAInit 7", "GATerm 7"}, [](TMoBaSRCPBus& b) { EXPECT_EQ(0, b.GAs()->Count()); }),
        row("lock and unlock",
            {"1000.000 100 INFO 1 LOCK GL 3 20 7", "1000.000 100 INFO 1 LOCK GA 4 20 7",
             "1001.000 102 INFO 1 LOCK GA 4"},
            {"LocoLock 3", "GALock 4", "GAUnlock 4"},
            [](TMoBaSRCPBus& b) {
                EXPECT_TRUE(b.GLs()->Locos(3)->Locked);
                EXPECT_EQ(7, b.GLs()->Locos(3)->LockID);
                EXPECT_EQ(mssUninitilized, b.GLs()->Locos(3)->SRCPState());
                EXPECT_FALSE(b.GAs()->Solenoids(4)->Locked);
                EXPECT_EQ(0, b.GAs()->Solenoids(4)->LockID);
            }),
        row("feedback contact 5, then an older line",
            {"1000.000 100 INFO 1 FB 5 1", "999.000 100 INFO 1 FB 5 0"}, {"FBChange 5=1", "FBChange 5=1"},
            [](TMoBaSRCPBus& b) {
                ASSERT_EQ(5, b.FBs()->Count());
                EXPECT_EQ(1000.0, b.FBs()->Items(4)->TimeStamp());
                EXPECT_EQ(1, b.FBs()->Items(4)->Bus());
                EXPECT_EQ(3, b.FBs()->Items(2)->Address());
                EXPECT_EQ(0, b.FBs()->Items(2)->IsActiv());
                EXPECT_THROW(b.FBs()->Items(5), std::out_of_range);
            }),
        row("feedback contacts outside 1..4096",
            {"1000.000 100 INFO 1 FB 0 1", "1000.000 100 INFO 1 FB 4097 1", "1000.000 100 INFO 1 FB -3 1"},
            {}, [](TMoBaSRCPBus& b) { EXPECT_EQ(0, b.FBs()->Count()); }),
        row("feedback and clock, init and term",
            {"1000.000 101 INFO 1 FB", "1000.000 102 INFO 1 FB", "1000.000 101 INFO 1 TIME 2 3",
             "1000.000 100 INFO 1 TIME 2459425 8 0 0", "1000.000 102 INFO 1 TIME"},
            {"FBInit 0=-1", "FBTerm 0=-1", "TimeInit", "TimeChange", "TimeTerm"},
            [](TMoBaSRCPBus& b) {
                EXPECT_EQ(2, b.Time()->Multiplicator());
                EXPECT_EQ(3, b.Time()->Divisor());
                EXPECT_EQ(738000, b.Time()->TimeDate().Date);
                EXPECT_EQ(8 * 3600000, b.Time()->TimeDate().Time);
            }),
        row("other buses do not reach bus 1",
            {"1000.000 100 INFO 2 GL 3 1 7 28 1", "1000.000 100 INFO 0 FB 5 1"}, {},
            [](TMoBaSRCPBus& b) { EXPECT_EQ(0, b.GLs()->Count() + b.FBs()->Count()); }),

    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer fake;
        fake.setBusDescriptions({"TIME", "POWER GL GA FB TIME"});
        ClientRig r(fake, dispatcher);
        r.connect(2);
        TMoBaSRCPBus& b = *r.client.Busses(1);
        c.before(b);
        r.events.clear();
        for (const auto& line : c.lines)
            fake.injectInfo(line);
        fake.injectInfo("9999.000 100 INFO 1 POWER ON");
        ASSERT_TRUE(r.pumpUntilEvent("BusPower 1"));
        r.events.pop_back();
        EXPECT_EQ(c.events, r.events);
        c.check(b);
        r.client.Disconnect();
        LoadDefaultProtocolSettings();
    }
}

// A protocol whose highest address was lowered clamps a cached loco's address when it is reported.
TEST(MoBaSRCPCache, FindsADeviceByItsNewAddress) {
    TMoBaSRCPCache<TMoBaSRCPLoco> cache;
    for (int address : {3, 4}) {
        auto loco = std::make_unique<TMoBaSRCPLoco>();
        loco->SetAddress(address);
        cache.Append(std::move(loco));
    }
    TMoBaSRCPLoco& moved = *cache.Find(3);
    moved.SetAddress(7);
    cache.Readdress(moved, 3);
    EXPECT_EQ(&moved, cache.Find(7));
    EXPECT_EQ(nullptr, cache.Find(3));
    EXPECT_EQ(&moved, cache.Items(0));
    EXPECT_EQ(&moved, cache.TakeOut(7).get());
    EXPECT_EQ(cache.Find(4), cache.Items(0));
}

TEST_F(MoBaSRCPBus, TermHandsOverATerminatedLocoAndFreesItAfterwards) {
    TMoBaSRCPState seen = mssInitialized;
    int address = 0;
    rig->client.OnLocoTerm = [&](TMoBaSRCPClient&, TMoBaSRCPLoco* l) {
        seen = l->SRCPState();
        address = l->Address();
        EXPECT_EQ(nullptr, bus->GLs()->Locos(3));
    };
    info({"1000.000 101 INFO 1 GL 3 N 2 28 5", "1001.000 102 INFO 1 GL 3"});
    EXPECT_EQ(mssTerminated, seen);
    EXPECT_EQ(3, address);
}

TEST_F(MoBaSRCPBus, PowerInitSwitchesOnWithAutoPowerOn) {
    struct Case {
        bool autoPowerOn;
        const char* state; // the reply to GET
        Lines lines;
    };
    const Case cases[] = {
        {true, "OFF", {"GET 1 POWER", "SET 1 POWER ON"}},
        {true, "ON", {"GET 1 POWER"}},
        {false, "OFF", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.autoPowerOn ? "auto " : "") + c.state);
        rig->client.SetAutoPowerOn(c.autoPowerOn);
        EXPECT_TRUE(bus->AutoPowerOn() == c.autoPowerOn);
        rig->events.clear();
        server.script({Reply::send(std::string("1000.000 100 INFO 1 POWER ") + c.state)});
        info({"1000.000 101 INFO 1 POWER"});
        EXPECT_EQ(c.lines, sent(c.lines.size()));
        EXPECT_EQ(1, rig->count("BusConfig 1"));
        server.script({});
    }
}

// The four settings of a bus in the active profile: read when the wrappers are made, written when the
// bus goes.
TEST_F(MoBaSRCPBus, ProfileSettings) {
    rig.reset();
    MoBaLibraryFinalize();
    writeFileBytes(m_dir.file("layout.mpr"),
                   "[Bus1Info]\r\nAccessoireDelayTime=350\r\nFeedbackInitString=S88 LPT1 4\r\n"
                   "TimeMultiplicator=3\r\nTimeDivisor=0\r\n[Bus2Info]\r\nFeedbackInitString=\r\n");
    MoBaLibraryInitialize(m_dir.path());
    FakeSrcpServer fake;
    fake.setBusDescriptions({"TIME", "GA FB TIME", "GA FB TIME"});
    ClientRig r(fake, dispatcher);
    r.client.SetProfileActive(true);
    ASSERT_NE(nullptr, r.client.ProfileIniFile());
    r.connect(3);
    TMoBaSRCPBus& one = *r.client.Busses(1);
    EXPECT_EQ(350, one.GAs()->DefaultDelay());
    EXPECT_EQ("S88 LPT1 4", one.FBs()->InitString());
    EXPECT_EQ(3, one.Time()->Multiplicator());
    EXPECT_EQ(1, one.Time()->Divisor());
    // Missing keys and an empty init string leave the values as they were made.
    TMoBaSRCPBus& two = *r.client.Busses(2);
    EXPECT_EQ(200, two.GAs()->DefaultDelay());
    EXPECT_EQ("S88", two.FBs()->InitString());
    EXPECT_EQ(1, two.Time()->Multiplicator());
    one.GAs()->SetDefaultDelay(420);
    two.Time()->SetDivisor(5);
    r.client.Disconnect();
    const IniFile ini(m_dir.path() + "layout.mpr");
    EXPECT_EQ(420, ini.readInteger("Bus1Info", "AccessoireDelayTime", 0));
    EXPECT_EQ("S88 LPT1 4", ini.readString("Bus1Info", "FeedbackInitString", ""));
    EXPECT_EQ(1, ini.readInteger("Bus1Info", "TimeDivisor", 0));
    EXPECT_EQ(5, ini.readInteger("Bus2Info", "TimeDivisor", 0));
    EXPECT_EQ("S88", ini.readString("Bus2Info", "FeedbackInitString", ""));
    EXPECT_EQ(1, ini.readInteger("Bus0Info", "TimeMultiplicator", 0));
    EXPECT_FALSE(ini.sectionExists("Bus0Info") &&
                 ini.readString("Bus0Info", "AccessoireDelayTime", "x") != "x");

    // The profile's load and save reach every bus.
    r.connect(3);
    r.client.Busses(1)->GAs()->SetDefaultDelay(99);
    MoBaProfiles->LoadProfile();
    EXPECT_EQ(420, r.client.Busses(1)->GAs()->DefaultDelay());
    r.client.Busses(1)->GAs()->SetDefaultDelay(99);
    MoBaProfiles->SaveProfile();
    EXPECT_EQ(99, IniFile(m_dir.path() + "layout.mpr").readInteger("Bus1Info", "AccessoireDelayTime", 0));
    r.client.SetProfileActive(false);
    r.client.Disconnect();
}

TEST_F(MoBaSRCPBus, AccessoryLinesOutsideThePortsAreLogged) {
    Lines log;
    rig->client.SetLogEnabled(true);
    rig->client.OnInfoLog = [&](TMoBaSRCPClient&, const std::string& t) {
        if (t.rfind("Err: ", 0) == 0)
            log.push_back(t);
    };
    info({"1000.000 100 INFO 1 GA 12 5 1"});
    EXPECT_EQ((Lines{"Err: port 5 of accessory 12 does not exist; line dropped"}), log);
    EXPECT_TRUE(rig->events.empty());
}

} // namespace

#include "srcp/SrcpGroups.h"

#include "support/FakeSrcpServer.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Reply = FakeSrcpServer::Reply;

// A command session past its handshake with the loco 1 GL 3 on it.
struct LocoSession {
    FakeSrcpServer server;
    ManualDispatcher dispatcher;
    TSRCPCommandClient client{server.memoryTransport()};
    TSRCPCustomLoco loco;
    int errors = 0;

    LocoSession() {
        client.SetHost("127.0.0.1");
        client.SetPort(server.port());
        client.SetDispatcher(&dispatcher);
        client.OnError = [this](TSRCPBaseClient&) { ++errors; };
        client.Connect(FakeSrcpServer::Patience);
        EXPECT_TRUE(client.Connected());
        EXPECT_TRUE(server.waitForLines("COMMAND", 3));
        loco.SetCommandClient(&client);
        loco.SetBus(1);
        loco.SetAddress(3);
        loco.SetSubProtocol(2);
    }

    // The lines sent after the handshake.
    std::vector<std::string> sent() const {
        auto lines = server.linesOf("COMMAND");
        lines.erase(lines.begin(), lines.begin() + std::min<std::size_t>(3, lines.size()));
        return lines;
    }
    // Waits until count lines were sent after the handshake, then returns them.
    std::vector<std::string> sent(std::size_t count) const {
        server.waitForLines("COMMAND", count + 3, FakeSrcpServer::Patience);
        return sent();
    }
};

class SrcpGroupCommands : public testing::Test, protected LocoSession {};

const std::string InfoLoco3 = "1000.500 100 INFO 1 GL 3 0 7 28 1 0 1";

// Each row runs on a fresh session: the replies are scripted, then the lines sent, the result and the
// state the loco ends in are compared.
TEST(SrcpGroupRetries, GetSetInitAndTerm) {
    enum Op { Get, Set, Init, Term };
    struct Case {
        const char* name;
        Op op;
        std::vector<Reply> replies;
        std::optional<bool> result; // Initalize and Terminate have none
        std::vector<std::string> lines;
        std::optional<TSRCPDeviceState> state;
        bool unconfigured = false; // protocol M without a version: its INIT cannot go out
    };
    const Reply ok = Reply::send("1000.000 200 OK");
    const Reply info = Reply::send(InfoLoco3);
    const Reply noData = Reply::send("1000.000 416 ERROR no data");
    const Reply wrong = Reply::send("1000.000 412 ERROR wrong value");
    const Reply forbidden = Reply::send("1000.000 415 ERROR forbidden");
    const Reply reinit = Reply::send("1000.000 424 ERROR device reinitialized");
    const Reply unknown = Reply::send("1000.000 410 ERROR unknown command");
    const Reply noGroup = Reply::send("1000.000 422 ERROR unsupported device group");
    const Reply noOperation = Reply::send("1000.000 423 ERROR unsupported operation");
    const Reply unparsable = Reply::send("1000.000 100 OK 1 GL 3");
    const std::string get = "GET 1 GL 3";
    const std::string init = "INIT 1 GL 3 M 2 14 1";
    const std::string set = "SET 1 GL 3 1 0 100 0";
    const Case cases[] = {
        {"GET: good reply", Get, {info}, true, {get}, sdsActiv},
        {"GET: 416 then good", Get, {noData, ok, info}, true, {get, init, get}, sdsActiv},
        {"GET: 416 twice", Get, {noData, ok, noData}, false, {get, init, get}, sdsInitialized},
        {"GET: 410", Get, {unknown}, false, {get}, sdsTerminated},
        {"GET: 415", Get, {forbidden}, false, {get}, sdsTerminated},
        {"GET: 422", Get, {noGroup}, false, {get}, sdsTerminated},
        {"GET: 423", Get, {noOperation}, false, {get}, sdsTerminated},
        {"GET: 412, INIT refused", Get, {wrong, wrong, noData}, false, {get, init, get}, sdsTerminated},
        {"GET: unparsable", Get, {unparsable, ok, info}, true, {get, init, get}, sdsActiv},
        {"SET: ok", Set, {ok}, true, {set}, {}},
        // The repeated SET sends what the GET brought: backwards, three functions.
        {"SET: 415, then ok", Set, {forbidden, info, ok}, true, {set, get, "SET 1 GL 3 0 0 100 1 0 1"}, {}},
        {"SET: 415 twice", Set, {forbidden, noData, forbidden}, false, {set, get, set}, {}},
        {"SET: 412", Set, {wrong}, false, {set}, {}},
        {"INIT: ok", Init, {ok}, {}, {init}, sdsInitialized},
        {"INIT: 424, GET fails", Init, {reinit, noData}, {}, {init, get}, sdsInitialized},
        {"INIT: 424, GET good", Init, {reinit, info}, {}, {init, get}, sdsActiv},
        {"INIT: 412", Init, {wrong}, {}, {init}, sdsTerminated},
        {"INIT: unconfigured", Init, {}, {}, {}, sdsTerminated, true},
        {"GET: 416, unconfigured", Get, {noData, noData}, false, {get, get}, sdsTerminated, true},
        {"TERM: 412", Term, {wrong}, {}, {"TERM 1 GL 3"}, sdsTerminated},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LocoSession s;
        if (c.unconfigured)
            s.loco.SetSubProtocol(0);
        int changes = 0;
        s.loco.OnChange = [&](TSRCPBaseDeviceGroup&) { ++changes; };
        s.server.script(c.replies);
        if (c.op == Init)
            s.loco.Initalize();
        else if (c.op == Term)
            s.loco.Terminate();
        else
            EXPECT_EQ(c.result, c.op == Get ? s.loco.GetData() : s.loco.SetData());
        EXPECT_EQ(c.lines, s.sent(c.lines.size()));
        if (c.state) {
            EXPECT_EQ(*c.state, s.loco.DeviceState());
        }
        if (c.op == Get) {
            EXPECT_EQ(*c.result ? 1 : 0, changes);
        }
    }
}

TEST_F(SrcpGroupCommands, GoodGetReplyIsTakenOver) {
    server.script({Reply::send(InfoLoco3)});
    ASSERT_TRUE(loco.GetData());
    EXPECT_EQ(dmBackwards, loco.DriveMode());
    EXPECT_EQ(7, loco.SpeedStep());
    EXPECT_EQ(28, loco.MaxSpeedStep());
    EXPECT_EQ(3, loco.FunctionCount());
    EXPECT_EQ(1, loco.Functions(0));
    EXPECT_EQ(0, loco.Functions(1));
    EXPECT_EQ(1, loco.Functions(2));
    EXPECT_EQ(-1, loco.Functions(3));
    EXPECT_EQ(1000.5, loco.TimeStamps(ststData));
}

TEST_F(SrcpGroupCommands, LinesOfEveryGroup) {
    TSRCPCustomAccessoire ga;
    TSRCPPower power;
    TSRCPTime time;
    TSRCPCustomFeedback fb;
    for (TSRCPBaseDeviceGroup* g : std::initializer_list<TSRCPBaseDeviceGroup*>{&ga, &power, &time, &fb}) {
        g->SetCommandClient(&client);
        g->SetBus(1);
    }
    fb.SetBus(8);
    ga.SetAddress(12);
    ga.SetValue(1);
    ga.SetDelay(250);
    loco.SetSpeed(50);
    loco.SetFunctionCount(5);
    loco.SetFunctions(0, 1);
    loco.SetProtocol(spNMRA);
    loco.SetSubProtocol(2);
    loco.SetMaxSpeedStep(28);
    power.SetPowerOn(true);
    time.SetMultiplicator(10);
    time.SetDivisor(0);
    time.SetTimeDate({(12 * 3600 + 30 * 60 + 45) * 1000 + 999, 738886}); // 2024-01-01 12:30:45.999

    loco.SetData();
    loco.Initalize();
    ga.Initalize();
    ga.GetData();
    ga.SetData();
    ga.Terminate();
    power.SetData();
    power.GetData();
    time.Initalize();
    time.SetData();
    time.GetData();
    fb.Initalize();
    fb.GetData();
    fb.Terminate();
    EXPECT_EQ((std::vector<std::string>{
                  "SET 1 GL 3 1 50 100 1 0 0 0 0", "INIT 1 GL 3 N 2 28 5", "INIT 1 GA 12 M", "GET 1 GA 12 0",
                  "SET 1 GA 12 0 1 250", "TERM 1 GA 12", "SET 1 POWER ON", "GET 1 POWER", "INIT 1 TIME 10 1",
                  "SET 1 TIME 2460311 12 30 45", "GET 1 TIME", "INIT 8 FB S88", "GET 8 FB 0", "TERM 8 FB"}),
              sent(14));
    // FB has no SET: it is not sent and fires OnError; no reply is waited for.
    const int before = errors;
    EXPECT_FALSE(fb.SetData());
    EXPECT_EQ(before + 1, errors);
    EXPECT_EQ(14u, sent().size());
}

TEST_F(SrcpGroupCommands, NoSessionNoCommand) {
    TSRCPCustomLoco group;
    EXPECT_FALSE(group.GetData());
    EXPECT_FALSE(group.SetData());
    group.Initalize();
    group.Terminate();
    EXPECT_EQ(sdsTerminated, group.DeviceState());
    TSRCPCommandClient closed;
    group.SetCommandClient(&closed);
    EXPECT_FALSE(group.SetData());
    EXPECT_FALSE(group.GetData());
}

TEST_F(SrcpGroupCommands, EnablingClockAndFeedback) {
    TSRCPTime time;
    TSRCPCustomFeedback fb;
    time.SetCommandClient(&client);
    fb.SetCommandClient(&client);
    fb.SetInitString("S88 LPT1 4");
    time.SetEnabled(false); // terminated already: nothing
    time.SetEnabled(true);  // INIT, then SET of the time held (day 0)
    EXPECT_TRUE(time.Enabled());
    time.SetTimeDate({0, 738886});
    fb.SetEnabled(true);
    fb.SetEnabled(true);
    fb.SetEnabled(false);
    EXPECT_FALSE(fb.Enabled());
    EXPECT_EQ((std::vector<std::string>{"INIT 0 TIME 1 1", "SET 0 TIME 1721425 0 0 0",
                                        "SET 0 TIME 2460311 0 0 0", "INIT 0 FB S88 LPT1 4", "TERM 0 FB"}),
              sent(5));
}

// --- taking lines over, without a server ---

// Hands the group one server line, as the info session would.
void feed(TSRCPBaseDeviceGroup& group, const std::string& text) {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.ExamineAnswer(text);
    group.SetDataAnswer(cmd);
}

struct Counter {
    int change = 0, init = 0, term = 0, lock = 0, unlock = 0;
    void bind(TSRCPBaseDeviceGroup& g) {
        g.OnChange = [this](TSRCPBaseDeviceGroup&) { ++change; };
        g.OnInit = [this](TSRCPBaseDeviceGroup&) { ++init; };
        g.OnTerm = [this](TSRCPBaseDeviceGroup&) { ++term; };
        g.OnLock = [this](TSRCPBaseDeviceGroup&) { ++lock; };
        g.OnUnlock = [this](TSRCPBaseDeviceGroup&) { ++unlock; };
    }
};

TEST(SrcpGroups, AcceptanceByModeAddressBusAndStamp) {
    struct Step {
        const char* line;
        int changes; // OnChange count after the line
        int address; // Address after the line
        int speedStep;
    };
    struct Case {
        const char* name;
        TSRCPEventMode mode;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"exact",
         semExact,
         {{"1001.000 100 INFO 1 GL 3 1 5 14 0", 1, 3, 5},
          {"1001.000 100 INFO 1 GL 3 1 6 14 0", 1, 3, 5},
          {"1000.000 100 INFO 1 GL 3 1 6 14 0", 1, 3, 5},
          {"1002.000 110 INFO 1 GL 3 1 7 100 0", 2, 3, 7},
          {"1003.000 100 INFO 1 GL 4 1 8 14 0", 2, 3, 7},
          {"1003.000 100 INFO 2 GL 3 1 8 14 0", 2, 3, 7},
          {"1003.000 100 INFO 1 GA 3 0 1", 2, 3, 7},
          {"1004.000 102 INFO 1 GL 4", 2, 3, 7},
          {"1004.000 100 INFO 1 LOCK GL 4 20 2", 2, 3, 7}}},
        {"bus",
         semBus,
         {{"1001.000 100 INFO 1 GL 3 1 5 14 0", 1, 3, 5},
          {"1001.000 100 INFO 1 GL 4 1 6 14 0", 2, 4, 6},
          {"1000.000 100 INFO 1 GL 5 1 7 14 0", 3, 5, 7},
          {"1003.000 100 INFO 2 GL 3 1 8 14 0", 3, 5, 7},
          // TERM and LOCK lines move the group to their address too.
          {"1004.000 102 INFO 1 GL 7", 3, 7, 7},
          {"1005.000 100 INFO 1 LOCK GL 9 20 4", 3, 9, 7},
          {"1006.000 102 INFO 1 LOCK GL 11", 3, 11, 7}}},
        {"all",
         semAll,
         {{"1001.000 100 INFO 1 GL 3 1 5 14 0", 1, 3, 5}, {"1001.000 100 INFO 2 GL 9 1 6 14 0", 2, 9, 6}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSRCPCustomLoco loco;
        loco.SetBus(1);
        loco.SetAddress(3);
        loco.SetEventMode(c.mode);
        Counter count;
        count.bind(loco);
        for (const auto& step : c.steps) {
            SCOPED_TRACE(step.line);
            feed(loco, step.line);
            EXPECT_EQ(step.changes, count.change);
            EXPECT_EQ(step.address, loco.Address());
            EXPECT_EQ(step.speedStep, loco.SpeedStep());
        }
    }
}

TEST(SrcpGroups, LocoStateChanges) {
    TSRCPCustomLoco loco;
    loco.SetBus(1);
    loco.SetAddress(3);
    Counter count;
    count.bind(loco);
    feed(loco, "1001.000 101 INFO 1 GL 3 N 2 28 5");
    EXPECT_EQ(1, count.init);
    EXPECT_EQ(sdsInitialized, loco.DeviceState());
    EXPECT_EQ(spNMRA, loco.Protocol());
    EXPECT_EQ(2, loco.SubProtocol());
    EXPECT_EQ(28, loco.MaxSpeedStep());
    EXPECT_EQ(5, loco.FunctionCount());
    EXPECT_EQ(1001.0, loco.TimeStamps(ststInit));
    // INFO 110 carries the maximum speed where INFO 100 has the step count.
    loco.SetSpeed(42);
    feed(loco, "1002.000 110 INFO 1 GL 3 1 9 126 1 1");
    EXPECT_EQ(28, loco.MaxSpeedStep());
    EXPECT_EQ(9, loco.SpeedStep());
    EXPECT_EQ(42, loco.Speed());
    EXPECT_EQ(2, loco.FunctionCount());
    feed(loco, "1003.000 102 INFO 1 GL 3");
    EXPECT_EQ(1, count.term);
    EXPECT_EQ(sdsTerminated, loco.DeviceState());
    feed(loco, "1003.000 102 INFO 1 GL 3"); // same stamp
    EXPECT_EQ(1, count.term);
    feed(loco, "1002.500 101 INFO 1 GL 3 M 2 14 5"); // older than the TERM
    EXPECT_EQ(1, count.init);
}

TEST(SrcpGroups, LockAndUnlock) {
    TSRCPCustomAccessoire ga;
    ga.SetBus(1);
    ga.SetAddress(12);
    Counter count;
    count.bind(ga);
    struct Step {
        const char* line;
        int locks, unlocks, lockClient;
    };
    const Step steps[] = {
        {"1001.000 100 INFO 1 LOCK GA 12 20 7", 1, 0, 7}, {"1001.000 100 INFO 1 LOCK GA 12 20 8", 1, 0, 7},
        {"1002.000 100 INFO 1 LOCK GA 13 20 8", 1, 0, 7}, {"1003.000 101 INFO 1 LOCK GA 12 20", 2, 0, 7},
        {"1004.000 102 INFO 1 LOCK GA 12", 2, 1, -1},     {"1005.000 110 INFO 1 LOCK GA 12 20 9", 3, 1, -1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.line);
        feed(ga, s.line);
        EXPECT_EQ(s.locks, count.lock);
        EXPECT_EQ(s.unlocks, count.unlock);
        EXPECT_EQ(s.lockClient, ga.LockClient());
    }
    EXPECT_EQ(0, count.change);
}

TEST(SrcpGroups, FeedbackContacts) {
    TSRCPCustomFeedback fb;
    fb.SetBus(8);
    fb.SetEventMode(semBus);
    Counter count;
    count.bind(fb);
    struct Step {
        const char* line;
        int changes, contactCount, index, value;
        double stamp;
    };
    const Step steps[] = {
        {"1001.000 100 INFO 8 FB 20 1", 1, 20, 19, 1, 1001.0},
        {"1000.000 100 INFO 8 FB 20 0", 2, 20, 19, 1, 1001.0},
        {"1002.000 100 INFO 8 FB 5 1", 3, 20, 4, 1, 1002.0},
        // Set and cleared within one millisecond: the later line of the session wins.
        {"1002.000 100 INFO 8 FB 5 0", 4, 20, 4, 0, 1002.0},
        {"1003.000 100 INFO 8 FB 0 1", 4, 20, 4, 0, 1002.0},
        {"1003.000 100 INFO 8 FB -1 1", 4, 20, 4, 0, 1002.0},
        {"1003.000 100 INFO 8 FB 4097 1", 4, 20, 4, 0, 1002.0},
        {"1003.000 100 INFO 9 FB 21 1", 4, 20, 4, 0, 1002.0},
        {"1004.000 100 INFO 8 FB 4096 1", 5, 4096, 4095, 1, 1004.0},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.line);
        feed(fb, s.line);
        EXPECT_EQ(s.changes, count.change);
        EXPECT_EQ(s.contactCount, fb.ContactCount());
        EXPECT_EQ(s.value, fb.Contacts(s.index));
        EXPECT_EQ(s.stamp, fb.ContactTimeStamp(s.index));
    }
    for (int i = 0; i < 19; ++i)
        EXPECT_EQ(0, fb.Contacts(i)) << i;
    EXPECT_EQ(-1, fb.Contacts(-1));
    EXPECT_EQ(-1, fb.Contacts(fb.ContactCount()));
    EXPECT_EQ(-1, fb.ContactTimeStamp(-1));
    EXPECT_EQ(-1, fb.ContactTimeStamp(fb.ContactCount()));
}

TEST(SrcpGroups, PowerAccessoryAndDescription) {
    TSRCPPower power;
    power.SetBus(1);
    feed(power, "1001.000 100 INFO 1 POWER ON");
    EXPECT_TRUE(power.PowerOn());
    feed(power, "1002.000 110 INFO 1 POWER OFF");
    EXPECT_FALSE(power.PowerOn());

    TSRCPCustomAccessoire ga;
    ga.SetBus(1);
    ga.SetEventMode(semBus);
    feed(ga, "1001.000 100 INFO 1 GA 12 1 1");
    EXPECT_EQ(12, ga.Address());
    EXPECT_EQ(1, ga.Port());
    EXPECT_EQ(1, ga.Value());
    ga.SetSubProtocol(3);
    feed(ga, "1002.000 101 INFO 1 GA 12 N");
    EXPECT_EQ(spNMRA, ga.Protocol());
    EXPECT_EQ(0, ga.SubProtocol());

    TSRCPCustomDescription description;
    description.SetEventMode(semAll);
    feed(description, "1000.000 100 INFO 2 DESCRIPTION POWER GL GA FB");
    EXPECT_EQ(2, description.Bus());
    ASSERT_EQ(4, description.DeviceGroupsCount());
    EXPECT_EQ(dgPower, description.DeviceGroups(0));
    EXPECT_EQ(dgLoco, description.DeviceGroups(1));
    EXPECT_EQ(dgAccessoire, description.DeviceGroups(2));
    EXPECT_EQ(dgFeedback, description.DeviceGroups(3));
    EXPECT_EQ(dgInvalid, description.DeviceGroups(4));
}

TEST(SrcpGroups, TimeConversions) {
    struct Case {
        TTimeStamp stamp;
        TDateTime dateTime;
    };
    const Case cases[] = {
        {{0, 693594}, 0.0},
        {{(12 * 3600 + 30 * 60 + 45) * 1000, 738886}, 45292.0 + 45045.0 / 86400.0}, // 2024-01-01 12:30:45
        {{6 * 3600 * 1000, 693593}, -1.25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dateTime);
        EXPECT_DOUBLE_EQ(c.dateTime, TimeStampToDateTime(c.stamp));
        const TTimeStamp back = DateTimeToTimeStamp(c.dateTime);
        EXPECT_EQ(c.stamp.Date, back.Date);
        EXPECT_EQ(c.stamp.Time, back.Time);
    }

    TSRCPTime time;
    time.SetBus(1);
    Counter count;
    count.bind(time);
    feed(time, "1001.000 100 INFO 1 TIME 2460311 12 30 45");
    EXPECT_EQ(1, count.change);
    EXPECT_EQ(738886, time.TimeDate().Date);
    EXPECT_EQ(45045000, time.TimeDate().Time);
    EXPECT_DOUBLE_EQ(45292.0 + 45045.0 / 86400.0, time.DateTime());
    feed(time, "1002.000 101 INFO 1 TIME 0 -5");
    EXPECT_EQ(1, time.Multiplicator());
    EXPECT_EQ(1, time.Divisor());
    feed(time, "1003.000 101 INFO 1 TIME 10 3");
    EXPECT_EQ(10, time.Multiplicator());
    EXPECT_EQ(3, time.Divisor());
    time.SetDivisor(-4);
    EXPECT_EQ(1, time.Divisor());
    // Hostile numbers neither overflow nor crash.
    feed(time, "1004.000 100 INFO 1 TIME -2147483648 2147483647 2147483647 2147483647");
    EXPECT_EQ(INT_MIN, time.TimeDate().Date);
    EXPECT_EQ(INT_MAX, time.TimeDate().Time);
}

} // namespace

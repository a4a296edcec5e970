#include "srcp/SrcpCmds.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

// The values a row sets; every other value stays as a fresh command has it.
struct Values {
    std::optional<int> address{};
    std::optional<TSRCPDeviceGroup> other{}; // the group a lock or a description names
    std::optional<TSRCPProtocols> protocol{};
    std::optional<int> sub{}, steps{}, functions{}, f0{};
    std::optional<TSRCPDriveMode> drive{};
    std::optional<int> speed{}, maxSpeed{};
    std::optional<TSRCPServiceModeType> smType{};
    std::optional<int> cv{}, port{}, bit{}, value{}, delay{}, timeOut{}, duration{};
    const char* data = nullptr;
    std::optional<bool> powerOn{};
    std::optional<int> mult{}, div{}, days{}, hour{}, minute{}, second{}, session{};
    std::optional<TSRCPCommandVersion> version{};
    std::optional<TSRCPConnectionModeType> mode{};
};

template <class Device, class Owner, class Arg, class T>
void Put(Device& device, void (Owner::*setter)(Arg), const std::optional<T>& v) {
    if (v)
        (device.*setter)(*v);
}

void Apply(TSRCPCmd& cmd, const Values& v) {
    if (auto* device = dynamic_cast<TSRCPAddressedDevice*>(cmd.Devices(cmd.DeviceGroup())))
        Put(*device, &TSRCPAddressedDevice::SetAddress, v.address);
    TSRCPDeviceLoco& gl = cmd.DevLoco();
    Put(gl, &TSRCPDeviceLoco::SetProtocol, v.protocol);
    Put(gl, &TSRCPDeviceLoco::SetSubProtocol, v.sub);
    Put(gl, &TSRCPDeviceLoco::SetMaxSpeedStep, v.steps);
    Put(gl, &TSRCPDeviceLoco::SetFunctionCount, v.functions);
    if (v.f0)
        gl.SetFunctions(0, *v.f0);
    Put(gl, &TSRCPDeviceLoco::SetDriveMode, v.drive);
    Put(gl, &TSRCPDeviceLoco::SetSpeed, v.speed);
    Put(gl, &TSRCPDeviceLoco::SetMaxSpeed, v.maxSpeed);
    TSRCPDeviceAccessoire& ga = cmd.DevAccessoire();
    Put(ga, &TSRCPDeviceAccessoire::SetProtocol, v.protocol);
    Put(ga, &TSRCPDeviceAccessoire::SetPort, v.port);
    Put(ga, &TSRCPDeviceAccessoire::SetValue, v.value);
    Put(ga, &TSRCPDeviceAccessoire::SetDelay, v.delay);
    if (v.data)
        cmd.DevFeedback().SetData(v.data);
    Put(cmd.DevFeedback(), &TSRCPDeviceFeedback::SetValue, v.value);
    Put(cmd.DevFeedback(), &TSRCPDeviceFeedback::SetTimeOut, v.timeOut);
    TSRCPDeviceServiceMode& sm = cmd.DevServiceMode();
    Put(sm, &TSRCPDeviceServiceMode::SetProtocol, v.protocol);
    Put(sm, &TSRCPDeviceServiceMode::SetAddressType, v.smType);
    Put(sm, &TSRCPDeviceServiceMode::SetTypeAddress, v.cv);
    Put(sm, &TSRCPDeviceServiceMode::SetBit, v.bit);
    Put(sm, &TSRCPDeviceServiceMode::SetValue, v.value);
    Put(cmd.DevLock(), &TSRCPDeviceLock::SetLockDevGroup, v.other);
    Put(cmd.DevLock(), &TSRCPDeviceLock::SetDuration, v.duration);
    Put(cmd.DevPower(), &TSRCPDevicePower::SetPowerOn, v.powerOn);
    TSRCPDeviceTime& time = cmd.DevTime();
    Put(time, &TSRCPDeviceTime::SetMultiplicator, v.mult);
    Put(time, &TSRCPDeviceTime::SetDivisor, v.div);
    Put(time, &TSRCPDeviceTime::SetDays, v.days);
    Put(time, &TSRCPDeviceTime::SetHour, v.hour);
    Put(time, &TSRCPDeviceTime::SetMinute, v.minute);
    Put(time, &TSRCPDeviceTime::SetSecond, v.second);
    Put(cmd.DevSession(), &TSRCPDeviceSession::SetSessionID, v.session);
    Put(cmd.DevDescription(), &TSRCPDeviceDescription::SetDescriptionDevGroup, v.other);
    Put(cmd.DevHandshake(), &TSRCPDeviceHandshake::SetVersion, v.version);
    Put(cmd.DevHandshake(), &TSRCPDeviceHandshake::SetMode, v.mode);
}

struct BuildCase {
    const char* expected;
    TSRCPCommandType type;
    TSRCPDeviceGroup group;
    int bus; // handshake lines name no bus: not set for them
    Values values;
};

Values Gl(TSRCPProtocols protocol, int sub, int steps = 14) {
    return {.address = 3, .protocol = protocol, .sub = sub, .steps = steps, .functions = 5};
}

Values Drive(int functions, std::optional<int> f0, TSRCPDriveMode drive, int speed) {
    Values v = Gl(spMotorola, 2);
    v.functions = functions;
    v.f0 = f0;
    v.drive = drive;
    v.speed = speed;
    v.maxSpeed = 100;
    return v;
}

// CV 29 of decoder 3 in service mode.
Values Cv29(TSRCPServiceModeType type, std::optional<int> bit, int value) {
    return {.address = 3, .smType = type, .cv = 29, .bit = bit, .value = value};
}

TEST(SrcpDeviceCodecs, BuildsEveryCommandLine) {
    const BuildCase cases[] = {
        {"INIT 1 GL 3 M 2 14 5", ctInit, dgLoco, 1, Gl(spMotorola, 2)},
        // M and N without a protocol version: every server refuses the short line, so none is built.
        {"699 ERROR internal error", ctInit, dgLoco, 1, Gl(spNMRA, 0, 28)},
        {"INIT 1 GL 3 A", ctInit, dgLoco, 1, Gl(spAnalog, 2)},
        {"INIT 1 GL 3 Z 14 5", ctInit, dgLoco, 1, Gl(spZimo, 2)},
        {"699 ERROR internal error", ctInit, dgLoco, 1, Gl(spMotorola, -1)},
        {"GET 1 GL 3", ctGet, dgLoco, 1, Gl(spMotorola, 2)},
        {"TERM 1 GL 3", ctTerm, dgLoco, 1, Gl(spMotorola, 2)},
        {"SET 1 GL 3 1 50 100 1 0 0 0 0", ctSet, dgLoco, 1, Drive(5, 1, dmForward, 50)},
        {"SET 1 GL 3 2 0 100 0", ctSet, dgLoco, 1, Drive(1, std::nullopt, dmEmergencyStop, 0)},
        {"INIT 1 GA 12 M", ctInit, dgAccessoire, 1, {.address = 12, .protocol = spMotorola}},
        {"INIT 1 GA 12", ctInit, dgAccessoire, 1, {.address = 12, .protocol = spZimo}},
        {"SET 1 GA 12 0 1 250", ctSet, dgAccessoire, 1, {.address = 12, .port = 0, .value = 1, .delay = 250}},
        {"GET 1 GA 12 0", ctGet, dgAccessoire, 1, {.address = 12, .port = 0}},
        {"TERM 1 GA 12", ctTerm, dgAccessoire, 1, {.address = 12}},
        {"INIT 8 FB S88 LPT1 4", ctInit, dgFeedback, 8, {.data = "S88 LPT1 4"}},
        {"GET 8 FB 3", ctGet, dgFeedback, 8, {.address = 3}},
        {"WAIT 8 FB 3 1 10", ctWait, dgFeedback, 8, {.address = 3, .value = 1, .timeOut = 10}},
        {"TERM 8 FB", ctTerm, dgFeedback, 8, {}},
        {"INIT 1 SM NMRA", ctInit, dgServiceMode, 1, {.protocol = spNMRA}},
        {"GET 1 SM 3 CV 29", ctGet, dgServiceMode, 1, Cv29(smtCV, std::nullopt, -1)},
        {"SET 1 SM 3 CV 29 5", ctSet, dgServiceMode, 1, Cv29(smtCV, 2, 5)},
        {"SET 1 SM 3 CVBIT 29 2 1", ctSet, dgServiceMode, 1, Cv29(smtCVBit, 2, 1)},
        {"TERM 1 SM 3", ctTerm, dgServiceMode, 1, {.address = 3}},
        {"SET 1 LOCK GL 3 60", ctSet, dgLock, 1, {.address = 3, .other = dgLoco, .duration = 60}},
        {"TERM 1 LOCK GA 7", ctTerm, dgLock, 1, {.address = 7, .other = dgAccessoire}},
        {"GET 1 POWER", ctGet, dgPower, 1, {}},
        {"SET 1 POWER ON", ctSet, dgPower, 1, {.powerOn = true}},
        {"SET 1 POWER OFF", ctSet, dgPower, 1, {}},
        {"INIT 1 POWER", ctInit, dgPower, 1, {}},
        {"TERM 1 POWER", ctTerm, dgPower, 1, {}},
        {"INIT 1 TIME 10 1", ctInit, dgTime, 1, {.mult = 10, .div = 1}},
        {"SET 1 TIME 12 8 30 0", ctSet, dgTime, 1, {.days = 12, .hour = 8, .minute = 30, .second = 0}},
        {"GET 1 TIME", ctGet, dgTime, 1, {}},
        {"TERM 1 TIME", ctTerm, dgTime, 1, {}},
        {"TERM 0 SESSION 5", ctTerm, dgSession, 0, {.session = 5}},
        // No group described: no address either.
        {"GET 1 DESCRIPTION", ctGet, dgDescription, 1, {.address = 3}},
        {"GET 1 DESCRIPTION GL 3", ctGet, dgDescription, 1, {.address = 3, .other = dgLoco}},
        {"GET 0 SERVER", ctGet, dgServer, 0, {}},
        {"RESET 0 SERVER", ctReset, dgServer, 0, {}},
        {"SET PROTOCOL SRCP 0.8.2", ctSetVersion, dgHandshake, 0, {.version = cv082}},
        {"SET CONNECTIONMODE SRCP COMMAND", ctSetMode, dgHandshake, 0, {.mode = cmtCommand}},
        {"SET CONNECTIONMODE SRCP INFO", ctSetMode, dgHandshake, 0, {.mode = cmtInfo}},
        {"GO", ctGo, dgHandshake, 0, {}},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.expected);
        TSRCPCmd cmd; // fresh: a codec starts without a described group
        cmd.SetSRCPVersion(cv082);
        cmd.SetCommandType(c.type);
        cmd.SetDeviceGroup(c.group);
        if (c.group != dgHandshake)
            cmd.SetBus(c.bus);
        Apply(cmd, c.values);
        EXPECT_EQ(cmd.Command(), c.expected);
        EXPECT_EQ(cmd.CommandClass(), ccCommand);
    }
}

TEST(SrcpDeviceCodecs, StartWithTheirDocumentedValues) {
    TSRCPCmd cmd;
    EXPECT_EQ(cmd.CommandType(), ctInvalid);
    EXPECT_EQ(cmd.SRCPVersion(), cvUnknown);
    EXPECT_EQ(cmd.DeviceGroup(), dgInvalid);
    EXPECT_EQ(cmd.DevLoco().Protocol(), spAnalog);
    EXPECT_EQ(cmd.DevLoco().DriveMode(), dmNoChange);
    EXPECT_EQ(cmd.DevLoco().FunctionCount(), 0);
    EXPECT_FALSE(cmd.DevPower().PowerOn());
    EXPECT_EQ(cmd.DevLock().LockDevGroup(), dgInvalid);
    EXPECT_EQ(cmd.DevDescription().DescriptionDevGroup(), dgInvalid);
    for (int g = dgFeedback; g < dgInvalid; ++g)
        EXPECT_NE(cmd.Devices(static_cast<TSRCPDeviceGroup>(g)), nullptr) << g;
    EXPECT_EQ(cmd.Devices(dgInvalid), nullptr);
    EXPECT_EQ(cmd.Devices(dgLoco), &cmd.DevLoco());
    EXPECT_EQ(cmd.Devices(dgWelcome), &cmd.DevWelcome());

    cmd.SetInvalid();
    EXPECT_EQ(cmd.ResponseCode(), 699);
    EXPECT_EQ(cmd.DevLoco().FunctionCount(), 1);
    EXPECT_EQ(cmd.DevLoco().Functions(0), 0);
    EXPECT_EQ(cmd.DevLoco().Functions(1), -1);
    EXPECT_EQ(cmd.DevLoco().Speed(), -1);
    EXPECT_EQ(cmd.DevAccessoire().Protocol(), spMotorola);
    EXPECT_EQ(cmd.DevAccessoire().Delay(), 0);
    EXPECT_EQ(cmd.DevAccessoire().Port(), -1);
    EXPECT_EQ(cmd.DevServiceMode().AddressType(), smtInvalid);
    EXPECT_EQ(cmd.DevHandshake().Mode(), cmtInvalid);
    EXPECT_EQ(cmd.DevServer().State(), ssInvalid);
    EXPECT_EQ(cmd.DevTime().Divisor(), -1);
    EXPECT_EQ(cmd.DevFeedback().Address(), -1);
}

struct LocoCase {
    const char* line;
    bool result;
    TSRCPCommandType type;
    std::vector<int> functions;
};

TEST(SrcpDeviceCodecs, ReadsLocoFunctions) {
    const LocoCase cases[] = {
        {"1105.123 100 INFO 1 GL 3 1 7 14 1 0 0 0 0", true, ctInfoGet, {1, 0, 0, 0, 0}},
        {"1105.123 110 INFO 1 GL 3 0 7 100 0 1", true, ctInfoGuess, {0, 1}},
        {"1105.123 100 INFO 1 GL 3 1 7 14 1 0  1", true, ctInfoGet, {1, 0, 1}},
        // A bad token ends the reading instead of shifting the later values.
        {"1105.123 100 INFO 1 GL 3 1 7 14 1 x 1", false, ctEUnsufficientData, {1}},
        {"1105.123 100 INFO 1 GL 3 1 7 14 1 0 x", false, ctEUnsufficientData, {1, 0}},
        {"1105.123 100 INFO 1 GL 3 1 7 14 x 1", false, ctInfoGet, {0}},
        {"1105.123 100 INFO 1 GL 3 3 7 14 1", false, ctInfoGet, {0}},
        // Analog: the row ends after the letter, the rest are function values.
        {"1105.123 101 INFO 1 GL 3 A 1 0", true, ctInfoInit, {1, 0}},
        {"1105.123 101 INFO 1 GL 3 M 2 14 4", true, ctInfoInit, {0, 0, 0, 0}},
        {"1105.123 101 INFO 1 GL 3 M 2 14 0", true, ctInfoInit, {}},
        {"1105.123 101 INFO 1 GL 3 X 2 14 4", false, ctInfoInit, {0}},
        // A function count is a size: only 0 to 256 is taken.
        {"1105.123 101 INFO 1 GL 3 M 2 14 256", true, ctInfoInit, std::vector<int>(256, 0)},
        {"1105.123 101 INFO 1 GL 3 M 2 14 257", false, ctInfoInit, {0}},
        {"1105.123 101 INFO 1 GL 3 M 2 14 2000000000", false, ctInfoInit, {0}},
        {"1105.123 101 INFO 1 GL 3 M 2 14 -1", false, ctInfoInit, {0}},
        {"1105.123 101 INFO 1 GL 3 M 2 14 *", false, ctInfoInit, {0}},
    };
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    for (const LocoCase& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(cmd.ExamineAnswer(c.line), c.result);
        EXPECT_EQ(cmd.CommandType(), c.type);
        std::vector<int> functions;
        for (int f = 0; f < cmd.DevLoco().FunctionCount(); ++f)
            functions.push_back(cmd.DevLoco().Functions(f));
        EXPECT_EQ(functions, c.functions);
    }

    ASSERT_TRUE(cmd.ExamineAnswer("1105.123 100 INFO 1 GL 3 = 7 14 1"));
    EXPECT_EQ(cmd.DevLoco().DriveMode(), dmNoChange);
    EXPECT_EQ(cmd.DevLoco().SpeedStep(), 7);
    EXPECT_EQ(cmd.DevLoco().MaxSpeedStep(), 14);
    ASSERT_TRUE(cmd.ExamineAnswer("1105.123 101 INFO 1 GL 3 N 2 128 9"));
    EXPECT_EQ(cmd.DevLoco().Protocol(), spNMRA);
    EXPECT_EQ(cmd.DevLoco().SubProtocol(), 2);
    EXPECT_EQ(cmd.DevLoco().MaxSpeedStep(), 128);
}

TEST(SrcpDeviceCodecs, ReadsDescriptionLists) {
    const struct {
        const char* line;
        bool result;
        TSRCPCommandType type;
        std::vector<TSRCPDeviceGroup> groups;
    } cases[] = {
        {"1.000 100 INFO 1 DESCRIPTION GA GL POWER", true, ctInfoGet, {dgAccessoire, dgLoco, dgPower}},
        {"1.000 110 INFO 1 DESCRIPTION fb", true, ctInfoGuess, {dgFeedback}},
        // A group we do not know keeps the known ones.
        {"1.000 100 INFO 1 DESCRIPTION GA XYZ GL", true, ctInfoGet, {dgAccessoire, dgLoco}},
        {"1.000 100 INFO 1 DESCRIPTION XYZ SM", true, ctInfoGet, {dgServiceMode}},
        {"1.000 100 INFO 1 DESCRIPTION", true, ctInfoGet, {}},
        {"1.000 101 INFO 1 DESCRIPTION XYZ", false, ctEUnsufficientData, {}},
    };
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(cmd.ExamineAnswer(c.line), c.result);
        EXPECT_EQ(cmd.CommandType(), c.type);
        std::vector<TSRCPDeviceGroup> groups;
        for (int i = 0; i < cmd.DevDescription().DevGroupListCount(); ++i)
            groups.push_back(cmd.DevDescription().DevGroupList(i));
        EXPECT_EQ(groups, c.groups);
        EXPECT_EQ(cmd.DevDescription().DevGroupList(99), dgInvalid);
    }
}

TEST(SrcpDeviceCodecs, BuildsDescriptionAnswers) {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetTimeStamp(2.5);
    cmd.SetCommandType(ctInfoInit);
    cmd.SetDeviceGroup(dgDescription);
    cmd.SetBus(1);
    EXPECT_EQ(cmd.Command(), "2.500 699 ERROR internal error"); // no group described

    cmd.SetCommandType(ctInfoInit);
    cmd.DevDescription().SetDescriptionDevGroup(dgDescription);
    EXPECT_EQ(cmd.Command(), "2.500 699 ERROR internal error"); // would describe itself forever

    cmd.SetCommandType(ctInfoGet);
    cmd.DevDescription().SetDescriptionDevGroup(dgLoco);
    EXPECT_EQ(cmd.Command(), "2.500 699 ERROR internal error");

    cmd.SetCommandType(ctInfoInit);
    cmd.DevDescription().SetDescriptionDevGroup(dgPower);
    EXPECT_EQ(cmd.Command(), "2.500 101 INFO 1 POWER");
    EXPECT_EQ(cmd.DeviceGroup(), dgPower);
}

TEST(SrcpDeviceCodecs, ReadsWelcomeLines) {
    const struct {
        const char* line;
        const char* welcome;
        std::vector<TSRCPCommandVersion> versions;
        const char* info;
        const char* rebuilt;
    } cases[] = {
        {"Server V1; SRCP 0.8.2; SRCPOTHER 0.7.3",
         "Server V1",
         {cv082, cv073},
         "",
         "Server V1;SRCP 0.8.2;SRCPOTHER 0.7.3"},
        {"srcpd V2.0.10; SRCP 0.8.2", "srcpd V2.0.10", {cv082}, "", "srcpd V2.0.10;SRCP 0.8.2"},
        {"SRCPd V2; srcp 0.8.2", "SRCPd V2", {cv082}, "", "SRCPd V2;SRCP 0.8.2"},
        {"  plain server  ", "plain server", {}, "", "plain server"},
        {"Srv; SRCP 0.9", "Srv", {cvUnknown}, "", "Srv;SRCP Unknown"},
        {"Srv; SRCP 0.8.2; extra; more", "Srv", {cv082}, "extra;more", "Srv;SRCP 0.8.2;extra;more"},
        {"SRCPOTHER 0.7.3; SRCP 0.8.2; Srv", "Srv", {cv073, cv082}, "", "Srv;SRCP 0.7.3;SRCPOTHER 0.8.2"},
        {"Srv; SRCP", "Srv", {cvUnknown}, "", "Srv;SRCP Unknown"},
    };
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_TRUE(cmd.ExamineAnswer(c.line));
        EXPECT_EQ(cmd.CommandType(), ctWelcome);
        const TSRCPDeviceWelcome& welcome = cmd.DevWelcome();
        EXPECT_EQ(welcome.Welcome(), c.welcome);
        std::vector<TSRCPCommandVersion> versions;
        for (int i = 0; i < welcome.VersionCount(); ++i)
            versions.push_back(welcome.Versions(i));
        EXPECT_EQ(versions, c.versions);
        EXPECT_EQ(welcome.Info(), c.info);
        EXPECT_EQ(cmd.Command(), c.rebuilt);
    }
}

TEST(SrcpDeviceCodecs, ReadsGroupValuesAndRefusesBadTokens) {
    const struct {
        const char* line;
        bool result;
        TSRCPCommandType type;
        std::function<void(const TSRCPCmd&)> check;
    } cases[] = {
        {"1.000 100 INFO 1 POWER on", true, ctInfoGet,
         [](const TSRCPCmd& c) { EXPECT_TRUE(c.DevPower().PowerOn()); }},
        {"1.000 100 INFO 1 POWER Off", true, ctInfoGet,
         [](const TSRCPCmd& c) { EXPECT_FALSE(c.DevPower().PowerOn()); }},
        {"1.000 100 INFO 1 SM 3 CV 29 5", true, ctInfoGet,
         [](const TSRCPCmd& c) {
             EXPECT_EQ(c.DevServiceMode().AddressType(), smtCV);
             EXPECT_EQ(c.DevServiceMode().TypeAddress(), 29);
             EXPECT_EQ(c.DevServiceMode().Value(), 5);
             EXPECT_EQ(c.DevServiceMode().Bit(), -1);
         }},
        {"1.000 100 INFO 1 SM 3 cvbit 29 2 1", true, ctInfoGet,
         [](const TSRCPCmd& c) {
             EXPECT_EQ(c.DevServiceMode().AddressType(), smtCVBit);
             EXPECT_EQ(c.DevServiceMode().Bit(), 2);
             EXPECT_EQ(c.DevServiceMode().Value(), 1);
         }},
        {"1.000 101 INFO 1 SM nmra", true, ctInfoInit,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevServiceMode().Protocol(), spNMRA); }},
        {"1.000 100 INFO 1 SM 3 BYTE 29 5", false, ctInfoGet,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevServiceMode().AddressType(), smtInvalid); }},
        {"1.000 100 INFO 1 LOCK GL 3 60 4", true, ctInfoGet,
         [](const TSRCPCmd& c) {
             EXPECT_EQ(c.DevLock().LockDevGroup(), dgLoco);
             EXPECT_EQ(c.DevLock().Address(), 3);
             EXPECT_EQ(c.DevLock().Duration(), 60);
             EXPECT_EQ(c.DevLock().SessionID(), 4);
         }},
        {"1.000 100 INFO 1 LOCK XX 3 60 4", false, ctEUnsufficientData,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevLock().LockDevGroup(), dgInvalid); }},
        {"1.000 101 INFO 1 GA 3 X", false, ctInfoInit,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevAccessoire().Protocol(), spInvalid); }},
        {"1.000 101 INFO 1 GA 3 P", true, ctInfoInit,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevAccessoire().Protocol(), spProtByServer); }},
        {"1.000 100 INFO 0 SERVER resetting", true, ctInfoGet,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevServer().State(), ssResetting); }},
        {"1.000 100 INFO 0 SERVER ???", true, ctInfoGet,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevServer().State(), ssInvalid); }},
        {"1.000 100 INFO 0 SERVER BUSY", false, ctInfoGet,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevServer().State(), ssInvalid); }},
        {"1.000 101 INFO 1 TIME 10 *", true, ctInfoInit,
         [](const TSRCPCmd& c) {
             EXPECT_EQ(c.DevTime().Multiplicator(), 10);
             EXPECT_EQ(c.DevTime().Divisor(), -3);
         }},
        {"1.000 101 INFO 1 TIME 10 x", false, ctInfoInit,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevTime().Divisor(), -1); }},
        {"1.000 200 OK go 12", true, ctCmdOKGo,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevHandshake().SessionID(), 12); }},
        {"1.000 200 OK GO x", false, ctCmdOKGo,
         [](const TSRCPCmd& c) { EXPECT_EQ(c.DevHandshake().SessionID(), -1); }},
    };
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(cmd.ExamineAnswer(c.line), c.result);
        EXPECT_EQ(cmd.CommandType(), c.type);
        c.check(cmd);
    }
}

TEST(SrcpDeviceCodecs, HandshakeCodecRefinesTheTypeOfAnIncomingCommand) {
    // The codecs read command lines too (a server-side view); the handshake word picks the row.
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetCommandType(ctSet);
    cmd.SetDeviceGroup(dgHandshake);
    EXPECT_TRUE(cmd.SetDataPointString(dpExtendedCmd, "protocol"));
    EXPECT_EQ(cmd.CommandType(), ctSetVersion);
    EXPECT_TRUE(cmd.SetDataPointString(dpVersion, "0.8.2"));
    EXPECT_EQ(cmd.DevHandshake().Version(), cv082);
    EXPECT_FALSE(cmd.SetDataPointString(dpVersion, "0.9"));
    EXPECT_TRUE(cmd.SetDataPointString(dpMode, "command"));
    EXPECT_EQ(cmd.DevHandshake().Mode(), cmtCommand);
    EXPECT_FALSE(cmd.SetDataPointString(dpMode, "both"));
    EXPECT_TRUE(cmd.SetDataPointString(dpSRCP, "srcp"));
    EXPECT_FALSE(cmd.SetDataPointString(dpSRCP, "SRCPX"));
    EXPECT_FALSE(cmd.SetDataPointString(dpExtendedCmd, "GO")); // only after a 200 OK
}

} // namespace

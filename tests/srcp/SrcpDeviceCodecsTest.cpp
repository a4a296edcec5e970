#include "srcp/SrcpCmds.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct BuildCase {
    const char* expected;
    std::function<void(TSRCPCmd&)> setup;
};

void Command(TSRCPCmd& cmd, TSRCPCommandType type, TSRCPDeviceGroup group, int bus) {
    cmd.SetCommandType(type);
    cmd.SetDeviceGroup(group);
    cmd.SetBus(bus);
}

void Loco(TSRCPCmd& cmd, TSRCPCommandType type, TSRCPProtocols protocol, int subProtocol) {
    Command(cmd, type, dgLoco, 1);
    cmd.DevLoco().SetAddress(3);
    cmd.DevLoco().SetProtocol(protocol);
    cmd.DevLoco().SetSubProtocol(subProtocol);
    cmd.DevLoco().SetMaxSpeedStep(protocol == spNMRA ? 28 : 14);
    cmd.DevLoco().SetFunctionCount(5);
}

TEST(SrcpDeviceCodecs, BuildsEveryCommandLine) {
    const BuildCase cases[] = {
        {"INIT 1 GL 3 M 2 14 5", [](TSRCPCmd& c) { Loco(c, ctInit, spMotorola, 2); }},
        {"INIT 1 GL 3 N 28 5", [](TSRCPCmd& c) { Loco(c, ctInit, spNMRA, 0); }},
        {"INIT 1 GL 3 A", [](TSRCPCmd& c) { Loco(c, ctInit, spAnalog, 2); }},
        {"INIT 1 GL 3 Z 14 5", [](TSRCPCmd& c) { Loco(c, ctInit, spZimo, 2); }},
        {"INIT 1 GL 3 M 14 5", [](TSRCPCmd& c) { Loco(c, ctInit, spMotorola, -1); }},
        {"GET 1 GL 3", [](TSRCPCmd& c) { Loco(c, ctGet, spMotorola, 2); }},
        {"TERM 1 GL 3", [](TSRCPCmd& c) { Loco(c, ctTerm, spMotorola, 2); }},
        {"SET 1 GL 3 1 50 100 1 0 0 0 0",
         [](TSRCPCmd& c) {
             Loco(c, ctSet, spMotorola, 2);
             c.DevLoco().SetDriveMode(dmForward);
             c.DevLoco().SetSpeed(50);
             c.DevLoco().SetMaxSpeed(100);
             c.DevLoco().SetFunctions(0, 1);
         }},
        {"SET 1 GL 3 2 0 100 0",
         [](TSRCPCmd& c) {
             Loco(c, ctSet, spMotorola, 2);
             c.DevLoco().SetFunctionCount(1);
             c.DevLoco().SetDriveMode(dmEmergencyStop);
             c.DevLoco().SetSpeed(0);
             c.DevLoco().SetMaxSpeed(100);
         }},
        {"INIT 1 GA 12 M",
         [](TSRCPCmd& c) {
             Command(c, ctInit, dgAccessoire, 1);
             c.DevAccessoire().SetAddress(12);
             c.DevAccessoire().SetProtocol(spMotorola);
         }},
        {"INIT 1 GA 12",
         [](TSRCPCmd& c) {
             Command(c, ctInit, dgAccessoire, 1);
             c.DevAccessoire().SetAddress(12);
             c.DevAccessoire().SetProtocol(spZimo);
         }},
        {"SET 1 GA 12 0 1 250",
         [](TSRCPCmd& c) {
             Command(c, ctSet, dgAccessoire, 1);
             c.DevAccessoire().SetAddress(12);
             c.DevAccessoire().SetPort(0);
             c.DevAccessoire().SetValue(1);
             c.DevAccessoire().SetDelay(250);
         }},
        {"GET 1 GA 12 0",
         [](TSRCPCmd& c) {
             Command(c, ctGet, dgAccessoire, 1);
             c.DevAccessoire().SetAddress(12);
             c.DevAccessoire().SetPort(0);
         }},
        {"TERM 1 GA 12",
         [](TSRCPCmd& c) {
             Command(c, ctTerm, dgAccessoire, 1);
             c.DevAccessoire().SetAddress(12);
         }},
        {"INIT 8 FB S88 LPT1 4",
         [](TSRCPCmd& c) {
             Command(c, ctInit, dgFeedback, 8);
             c.DevFeedback().SetData("S88 LPT1 4");
         }},
        {"GET 8 FB 3",
         [](TSRCPCmd& c) {
             Command(c, ctGet, dgFeedback, 8);
             c.DevFeedback().SetAddress(3);
         }},
        {"WAIT 8 FB 3 1 10",
         [](TSRCPCmd& c) {
             Command(c, ctWait, dgFeedback, 8);
             c.DevFeedback().SetAddress(3);
             c.DevFeedback().SetValue(1);
             c.DevFeedback().SetTimeOut(10);
         }},
        {"TERM 8 FB", [](TSRCPCmd& c) { Command(c, ctTerm, dgFeedback, 8); }},
        {"INIT 1 SM NMRA",
         [](TSRCPCmd& c) {
             Command(c, ctInit, dgServiceMode, 1);
             c.DevServiceMode().SetProtocol(spNMRA);
         }},
        {"GET 1 SM 3 CV 29",
         [](TSRCPCmd& c) {
             Command(c, ctGet, dgServiceMode, 1);
             c.DevServiceMode().SetAddress(3);
             c.DevServiceMode().SetAddressType(smtCV);
             c.DevServiceMode().SetTypeAddress(29);
             c.DevServiceMode().SetValue(-1);
         }},
        {"SET 1 SM 3 CV 29 5",
         [](TSRCPCmd& c) {
             Command(c, ctSet, dgServiceMode, 1);
             c.DevServiceMode().SetAddress(3);
             c.DevServiceMode().SetAddressType(smtCV);
             c.DevServiceMode().SetTypeAddress(29);
             c.DevServiceMode().SetBit(2);
             c.DevServiceMode().SetValue(5);
         }},
        {"SET 1 SM 3 CVBIT 29 2 1",
         [](TSRCPCmd& c) {
             Command(c, ctSet, dgServiceMode, 1);
             c.DevServiceMode().SetAddress(3);
             c.DevServiceMode().SetAddressType(smtCVBit);
             c.DevServiceMode().SetTypeAddress(29);
             c.DevServiceMode().SetBit(2);
             c.DevServiceMode().SetValue(1);
         }},
        {"TERM 1 SM 3",
         [](TSRCPCmd& c) {
             Command(c, ctTerm, dgServiceMode, 1);
             c.DevServiceMode().SetAddress(3);
         }},
        {"SET 1 LOCK GL 3 60",
         [](TSRCPCmd& c) {
             Command(c, ctSet, dgLock, 1);
             c.DevLock().SetLockDevGroup(dgLoco);
             c.DevLock().SetAddress(3);
             c.DevLock().SetDuration(60);
         }},
        {"TERM 1 LOCK GA 7",
         [](TSRCPCmd& c) {
             Command(c, ctTerm, dgLock, 1);
             c.DevLock().SetLockDevGroup(dgAccessoire);
             c.DevLock().SetAddress(7);
         }},
        {"GET 1 POWER", [](TSRCPCmd& c) { Command(c, ctGet, dgPower, 1); }},
        {"SET 1 POWER ON",
         [](TSRCPCmd& c) {
             Command(c, ctSet, dgPower, 1);
             c.DevPower().SetPowerOn(true);
         }},
        {"SET 1 POWER OFF", [](TSRCPCmd& c) { Command(c, ctSet, dgPower, 1); }},
        {"INIT 1 POWER", [](TSRCPCmd& c) { Command(c, ctInit, dgPower, 1); }},
        {"TERM 1 POWER", [](TSRCPCmd& c) { Command(c, ctTerm, dgPower, 1); }},
        {"INIT 1 TIME 10 1",
         [](TSRCPCmd& c) {
             Command(c, ctInit, dgTime, 1);
             c.DevTime().SetMultiplicator(10);
             c.DevTime().SetDivisor(1);
         }},
        {"SET 1 TIME 12 8 30 0",
         [](TSRCPCmd& c) {
             Command(c, ctSet, dgTime, 1);
             c.DevTime().SetDays(12);
             c.DevTime().SetHour(8);
             c.DevTime().SetMinute(30);
             c.DevTime().SetSecond(0);
         }},
        {"GET 1 TIME", [](TSRCPCmd& c) { Command(c, ctGet, dgTime, 1); }},
        {"TERM 1 TIME", [](TSRCPCmd& c) { Command(c, ctTerm, dgTime, 1); }},
        {"TERM 0 SESSION 5",
         [](TSRCPCmd& c) {
             Command(c, ctTerm, dgSession, 0);
             c.DevSession().SetSessionID(5);
         }},
        {"GET 1 DESCRIPTION",
         [](TSRCPCmd& c) {
             Command(c, ctGet, dgDescription, 1);
             c.DevDescription().SetAddress(3); // no group described: no address either
         }},
        {"GET 1 DESCRIPTION GL 3",
         [](TSRCPCmd& c) {
             Command(c, ctGet, dgDescription, 1);
             c.DevDescription().SetDescriptionDevGroup(dgLoco);
             c.DevDescription().SetAddress(3);
         }},
        {"GET 0 SERVER", [](TSRCPCmd& c) { Command(c, ctGet, dgServer, 0); }},
        {"RESET 0 SERVER", [](TSRCPCmd& c) { Command(c, ctReset, dgServer, 0); }},
        {"SET PROTOCOL SRCP 0.8.2",
         [](TSRCPCmd& c) {
             c.SetCommandType(ctSetVersion);
             c.SetDeviceGroup(dgHandshake);
             c.DevHandshake().SetVersion(cv082);
         }},
        {"SET CONNECTIONMODE SRCP COMMAND",
         [](TSRCPCmd& c) {
             c.SetCommandType(ctSetMode);
             c.SetDeviceGroup(dgHandshake);
             c.DevHandshake().SetMode(cmtCommand);
         }},
        {"SET CONNECTIONMODE SRCP INFO",
         [](TSRCPCmd& c) {
             c.SetCommandType(ctSetMode);
             c.SetDeviceGroup(dgHandshake);
             c.DevHandshake().SetMode(cmtInfo);
         }},
        {"GO",
         [](TSRCPCmd& c) {
             c.SetCommandType(ctGo);
             c.SetDeviceGroup(dgHandshake);
         }},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.expected);
        TSRCPCmd cmd; // fresh: a codec starts without a described group
        cmd.SetSRCPVersion(cv082);
        c.setup(cmd);
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

    ASSERT_TRUE(cmd.ExamineAnswer("1105.123 101 INFO 1 GL 3 M 2 14 256"));
    EXPECT_EQ(cmd.DevLoco().FunctionCount(), 256);
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

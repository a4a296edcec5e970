#include "srcp/SrcpCmds.h"

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <string>

namespace {

struct ParseCase {
    const char* line;
    bool result;
    TSRCPCommandType type;
    int code;
    TSRCPDeviceGroup group;
    const char* data;
};

TEST(SrcpCmds, ParsesLinesIntoTypeCodeGroupAndData) {
    const ParseCase cases[] = {
        {"1105.123 100 INFO 1 POWER ON", true, ctInfoGet, 100, dgPower, ""},
        {"1105.123 100 INFO 1 power on", true, ctInfoGet, 100, dgPower, ""},
        {"1105.123 412 ERROR wrong value", true, ctEWrongValue, 412, dgInvalid, "wrong value"},
        {"1105.123 412 error", true, ctEWrongValue, 412, dgInvalid, ""},
        {"1105.123 450 ERROR who knows", true, ctInvalid, 699, dgInvalid, "who knows"},
        {"1105.123 412 FAIL wrong value", false, ctInvalid, 699, dgInvalid, ""},
        {"1105.123 200 OK", true, ctCmdOK, 200, dgInvalid, ""},
        {"1105.123 200 OK GO 7", true, ctCmdOKGo, 200, dgHandshake, ""},
        {"1105.123 200 ok go 9", true, ctCmdOKGo, 200, dgHandshake, ""},
        {"1105.123 201 OK PROTOCOL SRCP", false, ctOKProtocol, 201, dgHandshake, ""},
        {"1105.123 202 OK CONNECTIONMODE", false, ctOKConnectionMode, 202, dgHandshake, ""},
        {"1105.123 201 OK", false, ctOKProtocol, 201, dgInvalid, ""},
        {"1105.123 200 OK STRANGE", false, ctCmdOK, 200, dgHandshake, ""},
        {"1105.123 100 OK 1 POWER ON", false, ctInfoGet, 100, dgInvalid, "OK 1 POWER ON"},
        {"1105.123 100 INFO x POWER ON", true, ctEUnknownCommand, 410, dgInvalid, "POWER ON"},
        {"1105.123 100 INFO", true, ctEUnknownCommand, 410, dgInvalid, ""},
        {"1105.123 100 INFO 2147483648 POWER ON", true, ctEUnknownCommand, 410, dgInvalid, "POWER ON"},
        {"1105.123 100 INFO 1 XYZ", true, ctEUnknownValue, 411, dgInvalid, ""},
        {"1105.123 300 INFO 1", false, ctInvalid, 699, dgInvalid, ""},
        {"1105.123 99999999999 INFO 1 POWER ON", false, ctInvalid, 699, dgInvalid, ""},
        {"1105.123 102 INFO 1 GL 3", true, ctInfoTerm, 102, dgLoco, ""},
        {"1105.123 100 INFO 1 POWER", false, ctEUnsufficientData, 402, dgPower, ""},
        {"1105.123 100 INFO 1 POWER 1", false, ctEUnsufficientData, 402, dgPower, ""},
        {"1105.123 100 INFO 1 FB 12", false, ctInfoGet, 100, dgFeedback, ""},
        {"1105.123 100 INFO 1 FB 12 1", true, ctInfoGet, 100, dgFeedback, ""},
        {"1105.123 100 INFO 0 SESSION 5 started here", true, ctInfoGet, 100, dgSession, "started here"},
        {"Server V1; SRCP 0.8.2", true, ctWelcome, 0, dgWelcome, "Server V1; SRCP 0.8.2"},
        {"1105.123", true, ctWelcome, 0, dgWelcome, "1105.123"},
        {" 1105.123 100 INFO 1 POWER ON", true, ctWelcome, 0, dgWelcome, " 1105.123 100 INFO 1 POWER ON"},
        {"1105.123 ", false, ctInvalid, 699, dgInvalid, ""},
        {"", false, ctInvalid, 699, dgInvalid, ""},
        // A time stamp is a finite decimal number; anything else is no time stamp.
        {"inf 100 INFO 1 POWER ON", true, ctWelcome, 0, dgWelcome, "inf 100 INFO 1 POWER ON"},
        {"nan 100 INFO 1 POWER ON", true, ctWelcome, 0, dgWelcome, "nan 100 INFO 1 POWER ON"},
        {"1e999 100 INFO 1 POWER ON", true, ctWelcome, 0, dgWelcome, "1e999 100 INFO 1 POWER ON"},
        {"1105,123 100 INFO 1 POWER ON", true, ctWelcome, 0, dgWelcome, "1105,123 100 INFO 1 POWER ON"},
    };
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(cmd.ExamineAnswer(c.line), c.result);
        EXPECT_EQ(cmd.CommandType(), c.type);
        EXPECT_EQ(cmd.ResponseCode(), c.code);
        EXPECT_EQ(cmd.DeviceGroup(), c.group);
        EXPECT_EQ(cmd.DataString(), c.data);
        EXPECT_EQ(cmd.CommandClass(), ccAnswer);
    }
}

TEST(SrcpCmds, ParsesFieldsOfInfoAndHandshakeLines) {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);

    ASSERT_TRUE(cmd.ExamineAnswer("1105.123 100 INFO 1 POWER ON"));
    EXPECT_EQ(cmd.Bus(), 1);
    EXPECT_DOUBLE_EQ(cmd.TimeStamp(), 1105.123);
    EXPECT_TRUE(cmd.DevPower().PowerOn());

    ASSERT_TRUE(cmd.ExamineAnswer("17.5 100 INFO 2 TIME 12 8 30 5"));
    EXPECT_DOUBLE_EQ(cmd.TimeStamp(), 17.5);
    EXPECT_EQ(cmd.Bus(), 2);
    EXPECT_EQ(cmd.DevTime().Days(), 12);
    EXPECT_EQ(cmd.DevTime().Hour(), 8);
    EXPECT_EQ(cmd.DevTime().Minute(), 30);
    EXPECT_EQ(cmd.DevTime().Second(), 5);

    ASSERT_TRUE(cmd.ExamineAnswer("17.6 101 INFO 1 GA 12 N"));
    EXPECT_EQ(cmd.DevAccessoire().Address(), 12);
    EXPECT_EQ(cmd.DevAccessoire().Protocol(), spNMRA);

    ASSERT_TRUE(cmd.ExamineAnswer("17.7 100 INFO 1 GA 12 1 0"));
    EXPECT_EQ(cmd.DevAccessoire().Port(), 1);
    EXPECT_EQ(cmd.DevAccessoire().Value(), 0);
}

TEST(SrcpCmds, OneObjectServesManyLines) {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    ASSERT_TRUE(cmd.ExamineAnswer("10.000 100 INFO 5 GL 3 1 7 14 1 0 0 0 0"));
    EXPECT_EQ(cmd.DevLoco().FunctionCount(), 5);
    EXPECT_EQ(cmd.DevLoco().Address(), 3);

    // An error line has no bus: the last one stays, every codec value is reset.
    ASSERT_TRUE(cmd.ExamineAnswer("11.000 416 ERROR no data"));
    EXPECT_EQ(cmd.Bus(), 5);
    EXPECT_DOUBLE_EQ(cmd.TimeStamp(), 11.0);
    EXPECT_EQ(cmd.DevLoco().FunctionCount(), 1);
    EXPECT_EQ(cmd.DevLoco().Address(), -1);
    EXPECT_EQ(cmd.DevLoco().Protocol(), spInvalid);
    EXPECT_EQ(cmd.DevLoco().DriveMode(), dmInvalid);

    // A welcome line has no time stamp: the last one stays.
    ASSERT_TRUE(cmd.ExamineAnswer("srcpd V2.0.10; SRCP 0.8.2"));
    EXPECT_DOUBLE_EQ(cmd.TimeStamp(), 11.0);
    EXPECT_EQ(cmd.Bus(), 5);
    EXPECT_EQ(cmd.SRCPVersion(), cv082);

    ASSERT_TRUE(cmd.ExamineAnswer("12.000 100 INFO 1 FB 4 1"));
    EXPECT_EQ(cmd.DevFeedback().Address(), 4);
    EXPECT_EQ(cmd.DevFeedback().Value(), 1);
    EXPECT_EQ(cmd.DevWelcome().Welcome(), "");

    // Parsing the object's own data string must not read freed or reset bytes.
    ASSERT_TRUE(cmd.ExamineAnswer("13.000 100 INFO 0 SESSION 5 12.000 100 INFO 1 POWER ON"));
    ASSERT_TRUE(cmd.ExamineAnswer(cmd.DataString()));
    EXPECT_EQ(cmd.DeviceGroup(), dgPower);
    EXPECT_TRUE(cmd.DevPower().PowerOn());
}

TEST(SrcpCmds, BuildsOnlyUnderVersion082) {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetCommandType(ctGet);
    cmd.SetDeviceGroup(dgPower);
    cmd.SetBus(1);
    EXPECT_EQ(cmd.CommandClass(), ccCommand);
    EXPECT_EQ(cmd.Command(), "GET 1 POWER");

    cmd.SetSRCPVersion(cv073);
    EXPECT_EQ(cmd.Command(), "699 ERROR internal error");
    EXPECT_EQ(cmd.CommandType(), ctInvalid);

    // A type the group has no row for is no line either.
    TSRCPCmd other;
    other.SetSRCPVersion(cv082);
    other.SetCommandType(ctSet);
    other.SetDeviceGroup(dgFeedback);
    EXPECT_EQ(other.Command(), "699 ERROR internal error");
}

// A field with a byte below 0x20 would put more than one command on the wire (CR, LF) or bytes no
// server takes: such a command builds as an error; every other byte goes out as it is.
TEST(SrcpCmds, RefusesFieldsWithControlBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"S88 LPT1 4", "INIT 1 FB S88 LPT1 4"},
        {"S88\x7f\xff", "INIT 1 FB S88\x7f\xff"},
        {"S88\rSET 1 POWER OFF", "412 ERROR wrong value"},
        {"S88\nSET 1 POWER OFF", "412 ERROR wrong value"},
        {std::string("S88\0", 4), "412 ERROR wrong value"},
        {"S88\tLPT1", "412 ERROR wrong value"},
        {"S88\x1f", "412 ERROR wrong value"},
    };
    for (const auto& [initString, line] : cases) {
        SCOPED_TRACE(testing::PrintToString(initString));
        TSRCPCmd cmd;
        cmd.SetSRCPVersion(cv082);
        cmd.SetCommandType(ctInit);
        cmd.SetDeviceGroup(dgFeedback);
        cmd.SetBus(1);
        cmd.SetDataString(initString);
        EXPECT_EQ(line, cmd.Command());
        EXPECT_EQ(line.find("ERROR") != std::string::npos, cmd.IsErrorCmd());
    }
}

TEST(SrcpCmds, BuildsAnswerLines) {
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetTimeStamp(1105.1234);
    cmd.SetCommandType(ctEWrongValue);
    EXPECT_EQ(cmd.Command(), "1105.123 412 ERROR wrong value");
    cmd.SetCommandType(ctCmdOK);
    EXPECT_EQ(cmd.Command(), "1105.123 200 OK");
    cmd.SetCommandType(ctCmdOKGo);
    EXPECT_EQ(cmd.DeviceGroup(), dgHandshake);
    cmd.DevHandshake().SetSessionID(7);
    EXPECT_EQ(cmd.Command(), "1105.123 200 OK GO 7");
    cmd.SetCommandType(ctOKProtocol);
    EXPECT_EQ(cmd.Command(), "1105.123 201 OK PROTOCOL SRCP");
    cmd.SetCommandType(ctOKConnectionMode);
    EXPECT_EQ(cmd.Command(), "1105.123 202 OK CONNECTIONMODE");
}

// Sets each codec value that some info row carries.
void FillValues(TSRCPCmd& cmd) {
    cmd.SetBus(1);
    cmd.SetTimeStamp(1105.123);
    cmd.SetDevAddress(3);
    cmd.SetDataString("");
    TSRCPDeviceLoco& loco = cmd.DevLoco();
    loco.SetProtocol(spMotorola);
    loco.SetSubProtocol(2);
    loco.SetMaxSpeedStep(14);
    loco.SetSpeedStep(7);
    loco.SetMaxSpeed(100);
    loco.SetDriveMode(dmForward);
    loco.SetFunctionCount(5);
    for (int f = 0; f < 5; ++f)
        loco.SetFunctions(f, f % 2);
    cmd.DevFeedback().SetValue(1);
    cmd.DevAccessoire().SetProtocol(spNMRA);
    cmd.DevAccessoire().SetPort(1);
    cmd.DevAccessoire().SetValue(0);
    cmd.DevServiceMode().SetProtocol(spNMRA);
    cmd.DevServiceMode().SetAddressType(smtCVBit);
    cmd.DevServiceMode().SetTypeAddress(29);
    cmd.DevServiceMode().SetBit(2);
    cmd.DevServiceMode().SetValue(1);
    cmd.DevLock().SetLockDevGroup(dgLoco);
    cmd.DevLock().SetDuration(60);
    cmd.DevLock().SetSessionID(4);
    cmd.DevPower().SetPowerOn(true);
    cmd.DevTime().SetDays(12);
    cmd.DevTime().SetHour(8);
    cmd.DevTime().SetMinute(30);
    cmd.DevTime().SetSecond(0);
    cmd.DevTime().SetMultiplicator(10);
    cmd.DevTime().SetDivisor(1);
    cmd.DevSession().SetSessionID(5);
    cmd.DevServer().SetState(ssRunning);
    cmd.DevDescription().SetDescriptionDevGroup(dgInvalid);
    cmd.DevDescription().ClearDevGroupList();
    cmd.DevDescription().AddDevGroup(dgFeedback);
    cmd.DevDescription().AddDevGroup(dgLoco);
}

TEST(SrcpCmds, EveryInfoRowSurvivesARoundTrip) {
    // The rows whose line is written out here; every row must read back as it was written.
    const struct {
        TSRCPDeviceGroup group;
        TSRCPCommandType type;
        const char* line;
    } known[] = {
        {dgLoco, ctInfoGet, "1105.123 100 INFO 1 GL 3 1 7 14 0 1 0 1 0"},
        {dgLoco, ctInfoGuess, "1105.123 110 INFO 1 GL 3 1 7 100 0 1 0 1 0"},
        {dgLoco, ctInfoInit, "1105.123 101 INFO 1 GL 3 M 2 14 5"},
        {dgLoco, ctInfoTerm, "1105.123 102 INFO 1 GL 3"},
        {dgServiceMode, ctInfoGet, "1105.123 100 INFO 1 SM 3 CVBIT 29 2 1"},
        {dgLock, ctInfoGet, "1105.123 100 INFO 1 LOCK GL 3 60 4"},
        {dgDescription, ctInfoGet, "1105.123 100 INFO 1 DESCRIPTION FB GL"},
        {dgDescription, ctInfoInit, "1105.123 101 INFO 1 GL 3 M 2 14 5"},
        {dgSession, ctInfoTerm, "1105.123 102 INFO 1 SESSION 5"},
        {dgServer, ctInfoGet, "1105.123 100 INFO 1 SERVER RUNNING"},
        {dgTime, ctInfoInit, "1105.123 101 INFO 1 TIME 10 1"},
        {dgAccessoire, ctInfoInit, "1105.123 101 INFO 1 GA 3 N"},
    };
    int rows = 0;
    std::size_t compared = 0;
    for (int g = dgFeedback; g < dgHandshake; ++g) {
        for (const TCmdSyntax* row = v082Info[g].Table; row->CmdType != ctInvalid; ++row) {
            if (row->CmdType < ctInfoGet || row->CmdType > ctInfoGuess)
                continue;
            SCOPED_TRACE(testing::Message() << DeviceGroups[g].Desc << " " << int(row->CmdType));
            TSRCPCmd out;
            out.SetSRCPVersion(cv082);
            FillValues(out);
            out.SetCommandType(row->CmdType);
            out.SetDeviceGroup(static_cast<TSRCPDeviceGroup>(g));
            TSRCPDeviceGroup expectedGroup = out.DeviceGroup();
            if (g == dgDescription && row->CmdType == ctInfoInit) {
                // The INFO 101 of a description is the line of the described device.
                out.DevDescription().SetDescriptionDevGroup(dgLoco);
                expectedGroup = dgLoco;
            }
            const std::string line = out.Command();
            ASSERT_FALSE(out.IsErrorCmd()) << line;
            for (const auto& k : known) {
                if (k.group == g && k.type == row->CmdType) {
                    EXPECT_EQ(line, k.line);
                    ++compared;
                }
            }

            TSRCPCmd in;
            in.SetSRCPVersion(cv082);
            EXPECT_TRUE(in.ExamineAnswer(line)) << line;
            EXPECT_EQ(in.CommandType(), row->CmdType) << line;
            EXPECT_EQ(in.DeviceGroup(), expectedGroup) << line;
            EXPECT_EQ(in.Bus(), 1);
            EXPECT_EQ(in.Command(), line);
            ++rows;
        }
    }
    EXPECT_EQ(rows, 39);
    EXPECT_EQ(compared, std::size(known));
}

TEST(SrcpCmds, WritesTimeStampsWithAPointWhateverTheLocale) {
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8",  "de_DE",       "fr_FR.UTF-8",
                                "nl_NL.UTF-8", "ru_RU.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8"};
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* chosen = nullptr;
    for (const char* name : candidates) {
        if (std::setlocale(LC_ALL, name) && *std::localeconv()->decimal_point == ',') {
            chosen = name;
            break;
        }
    }
    if (!chosen) {
        std::setlocale(LC_ALL, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    }
    TSRCPCmd cmd;
    cmd.SetSRCPVersion(cv082);
    cmd.SetTimeStamp(1105.123);
    const std::string stamp = cmd.STimeStamp();
    const bool parsed = cmd.ExamineAnswer("1105.125 100 INFO 1 POWER ON");
    const double parsedStamp = cmd.TimeStamp();
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(stamp, "1105.123") << chosen;
    EXPECT_TRUE(parsed);
    EXPECT_DOUBLE_EQ(parsedStamp, 1105.125);
}

TEST(SrcpCmds, SplitsAtTheFirstSeparator) {
    const struct {
        const char* input;
        char separator;
        bool found;
        const char* token;
        const char* rest;
    } cases[] = {
        {"GET 1 GL", ' ', true, "GET", "1 GL"}, {"GET", ' ', false, "GET", ""},
        {" GET", ' ', true, "", "GET"},         {"", ' ', false, "", ""},
        {"a;b;c", ';', true, "a", "b;c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        std::string_view rest = c.input;
        std::string_view token;
        EXPECT_EQ(TSRCPCmd::SplitString(c.separator, rest, token), c.found);
        EXPECT_EQ(token, c.token);
        EXPECT_EQ(rest, c.rest);
    }
}

} // namespace

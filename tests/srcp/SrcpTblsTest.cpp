#include "srcp/SrcpTbls.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

TEST(SrcpTbls, WritesIntegerTokens) {
    const struct {
        int value;
        const char* token;
    } cases[] = {
        {0, "0"}, {7, "7"}, {INT_MAX, "2147483647"}, {-1, ""}, {-2, "="}, {-3, "*"}, {-4, ""}, {INT_MIN, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SRCPIntToStr(c.value), c.token);
        TSRCPString line;
        line.Add(std::string_view("X"));
        line.Add(c.value);
        EXPECT_EQ(line.Value(), *c.token ? std::string("X ") + c.token : std::string("X"));
    }
}

TEST(SrcpTbls, ReadsIntegerTokens) {
    const struct {
        const char* token;
        bool ok;
        int value;
    } cases[] = {
        {" 12 ", true, 12},
        {"*", true, -3},
        {"=", true, -2},
        {" * ", true, -3},
        {"x", false, -1},
        {"", false, -1},
        {"**", false, -1},
        {"==", false, -1},
        {"12a", false, -1},
        {"1 2", false, -1},
        {"-7", true, -7},
        {"2147483647", true, INT_MAX},
        {"2147483648", false, -1},
        {"-2147483648", true, INT_MIN},
        {"-2147483649", false, -1},
        {"99999999999999999999", false, -1},
        {"1.5", false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token);
        int value = 12345;
        EXPECT_EQ(StrToSRCPInt(c.token, value), c.ok);
        EXPECT_EQ(value, c.value);
    }
}

TEST(SrcpTbls, StringBuilderLeavesNoDoubledBlanks) {
    TSRCPString line;
    line.Add(std::string_view(""));
    line.Add(std::string_view("GET"));
    line.Add(std::string_view(""));
    line.Add(1);
    line.Add(-1);
    line.Add(std::string_view("POWER"));
    EXPECT_EQ(line.Value(), "GET 1 POWER");
    line.Clear();
    EXPECT_EQ(line.Value(), "");
    line.Add(-2);
    EXPECT_EQ(line.Value(), "=");
}

TEST(SrcpTbls, MapsCodesToCommandTypes) {
    const struct {
        int code;
        TSRCPCommandVersion version;
        TSRCPCommandType type;
    } cases[] = {
        {200, cv073, ctCmdOK},
        {200, cv082, ctCmdOK},
        {201, cv082, ctOKProtocol},
        {202, cv073, ctOKConnectionMode},
        {203, cv082, ctInvalid},
        {100, cv073, ctInfoGet},
        {100, cv082, ctInfoGet},
        {101, cv073, ctInfoInit},
        {101, cv082, ctInfoInit},
        {102, cv082, ctInfoTerm},
        {102, cv073, ctInvalid},
        {110, cv082, ctInfoGuess},
        {110, cv073, ctInvalid},
        {300, cv082, ctInvalid},
        {99, cv082, ctInvalid},
        {0, cv082, ctInvalid},
        {-1, cv082, ctInvalid},
        {425, cv073, ctENotSupported},
        {410, cv082, ctEUnknownCommand},
        {499, cv082, ctEUnspecifiedError},
        {500, cv082, ctEOutOfRessources},
        {699, cv082, ctInvalid},
        {426, cv082, ctInvalid},
        {700, cv082, ctInvalid},
        // An unset version reads the 0.8.2 column rather than outside the table.
        {102, cvUnknown, ctInfoTerm},
        {110, cvUnknown, ctInfoGuess},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " v" << int(c.version));
        EXPECT_EQ(SRCPCodeToCommandType(c.code, c.version), c.type);
    }
}

TEST(SrcpTbls, MapsCommandTypesToCodes) {
    const struct {
        TSRCPCommandType type;
        int code073;
        int code082;
    } cases[] = {
        {ctGet, 0, 0},
        {ctSetMode, 0, 0},
        {ctWelcome, 0, 0},
        {ctInfoGet, 100, 100},
        {ctInfoInit, 101, 101},
        {ctInfoTerm, 101, 102},
        {ctInfoGuess, 100, 110},
        {ctConfirmation, 0, 0},
        {ctCmdOK, 200, 200},
        {ctCmdOKGo, 200, 200},
        {ctOKProtocol, 201, 201},
        {ctOKConnectionMode, 202, 202},
        {ctErrorStart, 0, 0},
        {ctEUnsufficientData, 402, 402},
        {ctEUnknownValue, 411, 411},
        {ctEOutOfRessources, 500, 500},
        {ctInvalid, 699, 699},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.type));
        EXPECT_EQ(SRCPCommandTypeToCode(c.type, cv073), c.code073);
        EXPECT_EQ(SRCPCommandTypeToCode(c.type, cv082), c.code082);
        EXPECT_EQ(SRCPCommandTypeToCode(c.type, cvUnknown), c.code082);
    }
    // Every error code leads back to its own type.
    for (int t = ctEUnsupportedProtocol; t <= ctInvalid; ++t) {
        const auto type = static_cast<TSRCPCommandType>(t);
        SCOPED_TRACE(t);
        EXPECT_EQ(SRCPCodeToCommandType(SRCPCommandTypeToCode(type, cv082), cv082), type);
    }
}

TEST(SrcpTbls, KeepsTheServersTexts) {
    EXPECT_EQ(ErrorCommandTypes[ctEUnknownCommand - ctErrorStart].Desc, "unknow command");
    EXPECT_EQ(ErrorCommandTypes[ctEListToLong - ctErrorStart].Desc, "list to long");
    EXPECT_EQ(ErrorCommandTypes[ctEOutOfRessources - ctErrorStart].Desc, "out of ressources");
    EXPECT_EQ(ErrorCommandTypes[ctInvalid - ctErrorStart].Desc, "internal error");
    EXPECT_EQ(ConfirmationCommandTypes[ctOKProtocol - ctConfirmation].Desc, "PROTOCOL SRCP");
    EXPECT_EQ(CommandCommandTypes[ctVerify].Desc, "VERIFY");
    EXPECT_EQ(CommandCommandTypes[ctHandshake].Desc, "");
    EXPECT_EQ(SRCPAMAddressTypes[smtCVBit].Desc, "CVBIT");
    EXPECT_EQ(SRCPServerStates[ssInvalid].Desc, "???");
    EXPECT_EQ(SRCPConnectionModes[cmtInvalid].Desc, "Invalid");
    // Each code table covers exactly its range of types, in order.
    for (int i = 0; i < ctInvalid - ctErrorStart + 1; ++i)
        EXPECT_EQ(ErrorCommandTypes[i].CmdType, ctErrorStart + i);
    for (int i = 0; i < ctErrorStart - ctConfirmation + 1; ++i)
        EXPECT_EQ(ConfirmationCommandTypes[i].CmdType, ctConfirmation + i);
    for (int i = 0; i < ctConfirmation - ctWelcome + 1; ++i)
        EXPECT_EQ(InfoCommandTypes[i].CmdType, ctWelcome + i);
}

TEST(SrcpTbls, RecognisesKeywordsAndVersions) {
    const struct {
        const char* text;
        TSRCPDeviceGroup group;
    } groups[] = {
        {"gl", dgLoco},         {"Gl", dgLoco},     {"GL", dgLoco},
        {"fb", dgFeedback},     {"power", dgPower}, {"DESCRIPTION", dgDescription},
        {"welcome", dgWelcome}, {"???", dgInvalid}, {"", dgInvalid},
        {"G", dgInvalid},       {"GLX", dgInvalid},
    };
    for (const auto& g : groups) {
        SCOPED_TRACE(g.text);
        EXPECT_EQ(SRCPDeviceGroupFromKeyword(g.text), g.group);
    }
    EXPECT_EQ(SRCPDeviceGroupKeyword(dgInvalid), "???");
    EXPECT_EQ(SRCPDeviceGroupKeyword(dgSession), "SESSION");

    const struct {
        const char* text;
        TSRCPCommandVersion version;
    } versions[] = {
        {"0.8.2", cv082}, {"0.7.3", cv073},      {"0.8", cvUnknown},
        {"", cvUnknown},  {"0.8.2 ", cvUnknown}, {"unknown", cvUnknown},
    };
    for (const auto& v : versions) {
        SCOPED_TRACE(v.text);
        EXPECT_EQ(SRCPVersionFromText(v.text), v.version);
    }
}

std::vector<TSRCPCommandType> RowTypes(const TCmdSyntax* table) {
    std::vector<TSRCPCommandType> types;
    for (; table->CmdType != ctInvalid; ++table)
        types.push_back(table->CmdType);
    return types;
}

// Each group's table, reached through the version's list, holds its rows in this order.
TEST(SrcpTbls, SyntaxTablesHaveTheirRowsAndShape) {
    using V = std::vector<TSRCPCommandType>;
    const V info = {ctInfoGet, ctInfoInit, ctInfoTerm, ctInfoGuess};
    auto with = [&](V commands) {
        commands.insert(commands.end(), info.begin(), info.end());
        return commands;
    };
    const V rows[] = {
        with({ctInit, ctGet, ctTerm, ctWait, ctReset}),                   // FB
        with({ctInit, ctGet, ctSet, ctTerm, ctCheck, ctReset}),           // GA
        with({ctInit, ctGet, ctSet, ctTerm, ctCheck, ctReset}),           // GL
        with({ctInit, ctGet, ctSet, ctTerm, ctCheck, ctReset, ctVerify}), // SM
        with({ctGet, ctSet, ctTerm, ctCheck}),                            // LOCK
        with({ctInit, ctGet, ctSet, ctTerm, ctCheck, ctReset}),           // POWER
        with({ctInit, ctGet, ctSet, ctTerm, ctCheck, ctWait, ctReset}),   // TIME
        with({ctGet, ctTerm}),                                            // SESSION
        {ctGet, ctInfoGet, ctInfoInit, ctInfoGuess},                      // DESCRIPTION
        with({ctGet, ctTerm, ctReset}),                                   // SERVER
        {ctGo, ctSet, ctSetVersion, ctSetMode, ctCmdOK, ctCmdOKGo, ctOKProtocol, ctOKConnectionMode},
        {ctWelcome},
    };
    for (int g = dgFeedback; g <= dgWelcome; ++g) {
        SCOPED_TRACE(DeviceGroups[g].Desc);
        ASSERT_EQ(v082Info[g].DevGroupType, g);
        const TCmdSyntax* table = v082Info[g].Table;
        ASSERT_NE(table, nullptr);
        ASSERT_EQ(RowTypes(table), rows[g]);
        for (std::size_t r = 0; r <= rows[g].size(); ++r) {
            const TCmdSyntax& row = table[r];
            SCOPED_TRACE(testing::Message() << "row " << r << " type " << int(row.CmdType));
            if (g < dgHandshake && r < rows[g].size()) {
                if (row.CmdType < ctAnswer) {
                    EXPECT_EQ(row.DataPoint[0], dpCommand);
                    EXPECT_EQ(row.DataPoint[1], dpBusAddress);
                    EXPECT_EQ(row.DataPoint[2], dpDevGroup);
                } else {
                    const TSRCPDataPoint lead[] = {dpTimeStamp, dpResponseCode, dpCommand, dpBusAddress,
                                                   dpDevGroup};
                    for (int i = 0; i < 5; ++i)
                        EXPECT_EQ(row.DataPoint[i], lead[i]);
                }
            }
            // Slots after the first empty one stay empty; the end row has none.
            bool empty = r == rows[g].size();
            for (TSRCPDataPoint dp : row.DataPoint) {
                empty = empty || dp == dpDummy;
                if (empty) {
                    EXPECT_EQ(dp, dpDummy);
                }
            }
        }
    }
    EXPECT_EQ(v082Info[dgInvalid].Table, nullptr);
    EXPECT_EQ(VersionInfos[cv082].Tables, v082Info);
    EXPECT_EQ(VersionInfos[cv073].Tables, nullptr);
    EXPECT_EQ(VersionInfos[cvUnknown].Tables, nullptr);

    // The two GL answers differ in one place: steps for INFO 100, maximum speed for INFO 110.
    EXPECT_EQ(GLSyntaxTable082[6].DataPoint[8], dpSpeedSteps);
    EXPECT_EQ(GLSyntaxTable082[9].DataPoint[8], dpMaxSpeed);
    EXPECT_EQ(SMSyntaxTable082[1].DataPoint[6], dpValue);
    EXPECT_EQ(SMSyntaxTable082[1].DataPoint[7], dpValue);
}

TEST(SrcpTbls, TranslatesProtocolFamilies) {
    for (int b = mpbCustom; b <= mpbZimo; ++b) {
        SCOPED_TRACE(b);
        const TSRCPProtocols wire = MoBaToSRCPProtTranslation[b];
        EXPECT_NE(wire, spInvalid);
        EXPECT_EQ(SRCPToMoBaProtTranslation[wire], b);
    }
    EXPECT_EQ(MoBaToSRCPProtTranslation[mpbCustom], spProtByServer);
    EXPECT_EQ(MoBaToSRCPProtTranslation[mpbFleischmann], spFleischman);
    EXPECT_EQ(SRCPToMoBaProtTranslation[spInvalid], mpbCustom);
    EXPECT_EQ(SRCPToMoBaProtTranslation[spSelectrix], mpbSelectrix);
}

} // namespace

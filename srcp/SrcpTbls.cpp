#include "srcp/SrcpTbls.h"

#include <charconv>
#include <initializer_list>

namespace {

constexpr TCmdSyntax Row(TSRCPCommandType type, std::initializer_list<TSRCPDataPoint> lead,
                         std::initializer_list<TSRCPDataPoint> points) {
    TCmdSyntax row{type, {}};
    for (auto& dp : row.DataPoint)
        dp = dpDummy;
    int i = 0;
    for (TSRCPDataPoint dp : lead)
        row.DataPoint[i++] = dp;
    for (TSRCPDataPoint dp : points)
        row.DataPoint[i++] = dp;
    return row;
}

// A command of a device group: command word, bus, group, then the group's points.
constexpr TCmdSyntax Cmd(TSRCPCommandType type, std::initializer_list<TSRCPDataPoint> points = {}) {
    return Row(type, {dpCommand, dpBusAddress, dpDevGroup}, points);
}

// An answer of a device group: time stamp, code, answer word, bus, group, then the group's points.
constexpr TCmdSyntax Info(TSRCPCommandType type, std::initializer_list<TSRCPDataPoint> points = {}) {
    return Row(type, {dpTimeStamp, dpResponseCode, dpCommand, dpBusAddress, dpDevGroup}, points);
}

// A handshake answer: time stamp, code, answer word, then the handshake points.
constexpr TCmdSyntax Reply(TSRCPCommandType type, std::initializer_list<TSRCPDataPoint> points) {
    return Row(type, {dpTimeStamp, dpResponseCode, dpCommand}, points);
}

constexpr TCmdSyntax End() {
    return Row(ctInvalid, {}, {});
}

} // namespace

constinit const TCmdSyntax FBSyntaxTable082[10] = {
    Cmd(ctInit, {dpAddData}),
    Cmd(ctGet, {dpAddress}),
    Cmd(ctTerm),
    Cmd(ctWait, {dpAddress, dpValue, dpDelay}),
    Cmd(ctReset, {dpAddData}),
    Info(ctInfoGet, {dpAddress, dpValue}),
    Info(ctInfoInit),
    Info(ctInfoTerm),
    Info(ctInfoGuess, {dpAddress, dpValue}),
    End(),
};

constinit const TCmdSyntax GASyntaxTable082[11] = {
    Cmd(ctInit, {dpAddress, dpProtocol}),
    Cmd(ctGet, {dpAddress, dpPort}),
    Cmd(ctSet, {dpAddress, dpPort, dpValue, dpDelay}),
    Cmd(ctTerm, {dpAddress}),
    Cmd(ctCheck, {dpAddress, dpPort, dpValue, dpDelay}),
    Cmd(ctReset, {dpAddress, dpProtocol}),
    Info(ctInfoGet, {dpAddress, dpPort, dpValue}),
    Info(ctInfoInit, {dpAddress, dpProtocol}),
    Info(ctInfoTerm, {dpAddress}),
    Info(ctInfoGuess, {dpAddress, dpPort, dpValue}),
    End(),
};

constinit const TCmdSyntax GLSyntaxTable082[11] = {
    Cmd(ctInit, {dpAddress, dpProtocol, dpSubProtocol, dpSpeedSteps, dpFunctionCount}),
    Cmd(ctGet, {dpAddress}),
    Cmd(ctSet, {dpAddress, dpDriveMode, dpSpeed, dpMaxSpeed, dpFunction}),
    Cmd(ctTerm, {dpAddress}),
    Cmd(ctCheck, {dpAddress, dpDriveMode, dpSpeed, dpMaxSpeed, dpFunction}),
    Cmd(ctReset, {dpAddress, dpProtocol, dpSubProtocol, dpSpeedSteps, dpFunctionCount}),
    Info(ctInfoGet, {dpAddress, dpDriveMode, dpSpeedStep, dpSpeedSteps, dpFunction}),
    Info(ctInfoInit, {dpAddress, dpProtocol, dpSubProtocol, dpSpeedSteps, dpFunctionCount}),
    Info(ctInfoTerm, {dpAddress}),
    Info(ctInfoGuess, {dpAddress, dpDriveMode, dpSpeedStep, dpMaxSpeed, dpFunction}),
    End(),
};

constinit const TCmdSyntax SMSyntaxTable082[12] = {
    Cmd(ctInit, {dpProtocol}),
    Cmd(ctGet, {dpAddress, dpType, dpTypeAddress, dpValue, dpValue}),
    Cmd(ctSet, {dpAddress, dpType, dpTypeAddress, dpValue, dpValue}),
    Cmd(ctTerm, {dpAddress}),
    Cmd(ctCheck, {dpAddress, dpType, dpTypeAddress, dpValue, dpValue}),
    Cmd(ctReset, {dpProtocol}),
    Cmd(ctVerify, {dpAddress, dpType, dpTypeAddress, dpValue, dpValue}),
    Info(ctInfoGet, {dpAddress, dpType, dpTypeAddress, dpValue, dpValue}),
    Info(ctInfoInit, {dpProtocol}),
    Info(ctInfoTerm),
    Info(ctInfoGuess, {dpAddress, dpType, dpTypeAddress, dpValue, dpValue}),
    End(),
};

constinit const TCmdSyntax LockSyntaxTable082[9] = {
    Cmd(ctGet, {dpAddDevGroup, dpAddress}),
    Cmd(ctSet, {dpAddDevGroup, dpAddress, dpDelay}),
    Cmd(ctTerm, {dpAddDevGroup, dpAddress}),
    Cmd(ctCheck, {dpAddDevGroup, dpAddress, dpDelay}),
    Info(ctInfoGet, {dpAddDevGroup, dpAddress, dpDelay, dpSessionID}),
    Info(ctInfoInit, {dpAddDevGroup, dpAddress, dpDelay}),
    Info(ctInfoTerm, {dpAddDevGroup, dpAddress}),
    Info(ctInfoGuess, {dpAddDevGroup, dpAddress, dpDelay, dpSessionID}),
    End(),
};

constinit const TCmdSyntax PowerSyntaxTable082[11] = {
    Cmd(ctInit),
    Cmd(ctGet),
    Cmd(ctSet, {dpPwrStatus}),
    Cmd(ctTerm),
    Cmd(ctCheck, {dpPwrStatus}),
    Cmd(ctReset),
    Info(ctInfoGet, {dpPwrStatus}),
    Info(ctInfoInit),
    Info(ctInfoTerm),
    Info(ctInfoGuess, {dpPwrStatus}),
    End(),
};

constinit const TCmdSyntax TimeSyntaxTable082[12] = {
    Cmd(ctInit, {dpFX, dpFY}),
    Cmd(ctGet),
    Cmd(ctSet, {dpJulDay, dpHour, dpMinute, dpSecond}),
    Cmd(ctTerm),
    Cmd(ctCheck, {dpJulDay, dpHour, dpMinute, dpSecond}),
    Cmd(ctWait, {dpJulDay, dpHour, dpMinute, dpSecond}),
    Cmd(ctReset, {dpFX, dpFY}),
    Info(ctInfoGet, {dpJulDay, dpHour, dpMinute, dpSecond}),
    Info(ctInfoInit, {dpFX, dpFY}),
    Info(ctInfoTerm),
    Info(ctInfoGuess, {dpJulDay, dpHour, dpMinute, dpSecond}),
    End(),
};

constinit const TCmdSyntax SessionSyntaxTable082[7] = {
    Cmd(ctGet, {dpSessionID}),
    Cmd(ctTerm, {dpSessionID}),
    Info(ctInfoGet, {dpSessionID, dpAddData}),
    Info(ctInfoInit, {dpSessionID, dpAddData}),
    Info(ctInfoTerm, {dpSessionID, dpAddData}),
    Info(ctInfoGuess, {dpSessionID, dpAddData}),
    End(),
};

constinit const TCmdSyntax DescriptionSyntaxTable082[5] = {
    Cmd(ctGet, {dpAddDevGroup, dpAddress}),
    Info(ctInfoGet, {dpAddDevGroup}),
    Info(ctInfoInit, {dpAddDevGroup}),
    Info(ctInfoGuess, {dpAddDevGroup}),
    End(),
};

constinit const TCmdSyntax ServerSyntaxTable082[8] = {
    Cmd(ctGet),
    Cmd(ctTerm),
    Cmd(ctReset),
    Info(ctInfoGet, {dpState}),
    Info(ctInfoInit, {dpState}),
    Info(ctInfoTerm, {dpState}),
    Info(ctInfoGuess, {dpState}),
    End(),
};

constinit const TCmdSyntax HandshakeSyntaxTable082[9] = {
    Row(ctGo, {dpCommand}, {}),
    Row(ctSet, {dpCommand}, {dpExtendedCmd}),
    Row(ctSetVersion, {dpCommand}, {dpExtendedCmd, dpSRCP, dpVersion}),
    Row(ctSetMode, {dpCommand}, {dpExtendedCmd, dpSRCP, dpMode}),
    Reply(ctCmdOK, {dpExtendedCmd}),
    Reply(ctCmdOKGo, {dpExtendedCmd, dpSessionID}),
    Reply(ctOKProtocol, {dpExtendedCmd, dpSRCP}),
    Reply(ctOKConnectionMode, {dpExtendedCmd}),
    End(),
};

constinit const TCmdSyntax WelcomeSyntaxTable082[2] = {
    Row(ctWelcome, {dpAddData}, {}),
    End(),
};

constinit const TDevGroupInfo v082Info[SRCPDeviceGroupCount] = {
    {dgFeedback, FBSyntaxTable082},
    {dgAccessoire, GASyntaxTable082},
    {dgLoco, GLSyntaxTable082},
    {dgServiceMode, SMSyntaxTable082},
    {dgLock, LockSyntaxTable082},
    {dgPower, PowerSyntaxTable082},
    {dgTime, TimeSyntaxTable082},
    {dgSession, SessionSyntaxTable082},
    {dgDescription, DescriptionSyntaxTable082},
    {dgServer, ServerSyntaxTable082},
    {dgHandshake, HandshakeSyntaxTable082},
    {dgWelcome, WelcomeSyntaxTable082},
    {dgInvalid, nullptr},
};

constinit const TSRCPVersionOverview VersionInfos[SRCPCommandVersionCount] = {
    {cv073, nullptr, "0.7.3"},
    {cv082, v082Info, "0.8.2"},
    {cvUnknown, nullptr, "Unknown"},
};

constinit const TSRCPTranslate InfoCommandTypes[ctConfirmation - ctWelcome + 1] = {
    {ctWelcome, {0, 0}, ""},      {ctInfoGet, {100, 100}, ""},   {ctInfoInit, {101, 101}, ""},
    {ctInfoTerm, {101, 102}, ""}, {ctInfoGuess, {100, 110}, ""}, {ctConfirmation, {0, 0}, ""},
};

constinit const TSRCPTranslate ConfirmationCommandTypes[ctErrorStart - ctConfirmation + 1] = {
    {ctConfirmation, {0, 0}, ""},
    {ctCmdOK, {200, 200}, ""},
    {ctCmdOKGo, {200, 200}, "GO"},
    {ctOKProtocol, {201, 201}, "PROTOCOL SRCP"},
    {ctOKConnectionMode, {202, 202}, "CONNECTIONMODE"},
    {ctErrorStart, {0, 0}, ""},
};

constinit const TSRCPTranslate ErrorCommandTypes[ctInvalid - ctErrorStart + 1] = {
    {ctErrorStart, {0, 0}, ""},
    {ctEUnsupportedProtocol, {400, 400}, "unsupported protocol"},
    {ctEUnsupportedConnectionMode, {401, 401}, "unsupported connection mode"},
    {ctEUnsufficientData, {402, 402}, "unsufficient data"},
    {ctEUnknownCommand, {410, 410}, "unknow command"},
    {ctEUnknownValue, {411, 411}, "unknown value"},
    {ctEWrongValue, {412, 412}, "wrong value"},
    {ctETempProhibited, {413, 413}, "temporarily prohibited"},
    {ctEDeviceLocked, {414, 414}, "device locked"},
    {ctEForbidden, {415, 415}, "forbidden"},
    {ctENoData, {416, 416}, "no data"},
    {ctETimeout, {417, 417}, "timeout"},
    {ctEListToLong, {418, 418}, "list to long"},
    {ctEListToShort, {419, 419}, "list to short"},
    {ctEUnsupportedDevProtocol, {420, 420}, "unsupported device protocol"},
    {ctEUnsuppportedDevice, {421, 421}, "unsupported device"},
    {ctEUnsupportedDevGroup, {422, 422}, "unsupported device group"},
    {ctEUnsuppotedOperation, {423, 423}, "unsupported operation"},
    {ctEDeviceReinitialized, {424, 424}, "device reinitialized"},
    {ctENotSupported, {425, 425}, "not supported"},
    {ctEUnspecifiedError, {499, 499}, "unspecified error"},
    {ctEOutOfRessources, {500, 500}, "out of ressources"},
    {ctInvalid, {699, 699}, "internal error"},
};

constinit const TSRCPTranslate CommandCommandTypes[ctGo - ctCommands + 1] = {
    {ctCommands, {0, 0}, ""},   {ctGet, {0, 0}, "GET"},     {ctSet, {0, 0}, "SET"},
    {ctCheck, {0, 0}, "CHECK"}, {ctWait, {0, 0}, "WAIT"},   {ctInit, {0, 0}, "INIT"},
    {ctTerm, {0, 0}, "TERM"},   {ctReset, {0, 0}, "RESET"}, {ctVerify, {0, 0}, "VERIFY"},
    {ctHandshake, {0, 0}, ""},  {ctGo, {0, 0}, "GO"},
};

constinit const TSRCPDevGroupTranslate DeviceGroups[SRCPDeviceGroupCount] = {
    {dgFeedback, "FB"},    {dgAccessoire, "GA"},       {dgLoco, "GL"},
    {dgServiceMode, "SM"}, {dgLock, "LOCK"},           {dgPower, "POWER"},
    {dgTime, "TIME"},      {dgSession, "SESSION"},     {dgDescription, "DESCRIPTION"},
    {dgServer, "SERVER"},  {dgHandshake, "HANDSHAKE"}, {dgWelcome, "WELCOME"},
    {dgInvalid, "???"},
};

constinit const TSRCPSMAddressTypeTranslate SRCPAMAddressTypes[smtInvalid + 1] = {
    {smtCV, "CV"},
    {smtCVBit, "CVBIT"},
    {smtReg, "REG"},
    {smtInvalid, ""},
};

constinit const TSRCPServerStateTranslate SRCPServerStates[ssInvalid + 1] = {
    {ssRunning, "RUNNING"},
    {ssResetting, "RESETTING"},
    {ssTerminating, "TERMINATING"},
    {ssInvalid, "???"},
};

constinit const TSRCPConnectionModeTranslate SRCPConnectionModes[cmtInvalid + 1] = {
    {cmtInfo, "INFO"},
    {cmtCommand, "COMMAND"},
    {cmtInvalid, "Invalid"},
};

constinit const std::string_view VersionKeys[2] = {"SRCPOTHER", "SRCP"};

constinit const TMoBaProtocolBase SRCPToMoBaProtTranslation[SRCPProtocolCount] = {
    mpbAnalog,      // spAnalog
    mpbFleischmann, // spFleischman
    mpbLoconet,     // spLoconet
    mpbMotorola,    // spMotorola
    mpbNMRA,        // spNMRA
    mpbCustom,      // spProtByServer
    mpbSelectrix,   // spSelectrix
    mpbZimo,        // spZimo
    mpbCustom,      // spInvalid
};

constinit const TSRCPProtocols MoBaToSRCPProtTranslation[MoBaProtocolBaseCount] = {
    spProtByServer, // mpbCustom
    spAnalog,       // mpbAnalog
    spFleischman,   // mpbFleischmann
    spLoconet,      // mpbLoconet
    spMotorola,     // mpbMotorola
    spNMRA,         // mpbNMRA
    spSelectrix,    // mpbSelectrix
    spZimo,         // mpbZimo
};

constinit const std::string_view SRCPProtocolLetters[SRCPProtocolCount] = {
    "A", "F", "L", "M", "N", "P", "S", "Z", "",
};

std::string SRCPIntToStr(int value) {
    if (value >= 0) {
        char buffer[16];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        (void)ec;
        return std::string(buffer, end);
    }
    if (value == SRCPSameValue)
        return "=";
    if (value == SRCPAnyValue)
        return "*";
    return {};
}

std::string_view SRCPTrim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

bool StrToSRCPInt(std::string_view token, int& value) {
    token = SRCPTrim(token);
    if (!token.empty()) {
        int parsed = 0;
        auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), parsed);
        if (ec == std::errc() && end == token.data() + token.size()) {
            value = parsed;
            return true;
        }
    }
    value = SRCPNoToken;
    if (token == "*") {
        value = SRCPAnyValue;
        return true;
    }
    if (token == "=") {
        value = SRCPSameValue;
        return true;
    }
    return false;
}

namespace {

const TSRCPTranslate* CodeTable(TSRCPCommandType type) {
    if (type >= ctErrorStart && type <= ctInvalid)
        return &ErrorCommandTypes[type - ctErrorStart];
    if (type >= ctConfirmation)
        return &ConfirmationCommandTypes[type - ctConfirmation];
    if (type >= ctInfoGet)
        return &InfoCommandTypes[type - ctWelcome];
    return nullptr;
}

int Column(TSRCPCommandVersion version) {
    return version == cv073 ? 0 : 1;
}

template <std::size_t N>
TSRCPCommandType FirstWithCode(const TSRCPTranslate (&table)[N], int code, int column) {
    for (const TSRCPTranslate& row : table) {
        if (row.RespCode[column] == code)
            return row.CmdType;
    }
    return ctInvalid;
}

} // namespace

TSRCPCommandType SRCPCodeToCommandType(int code, TSRCPCommandVersion version) {
    const int column = Column(version);
    if (code >= 100 && code <= 199)
        return FirstWithCode(InfoCommandTypes, code, column);
    if (code >= 200 && code <= 299)
        return FirstWithCode(ConfirmationCommandTypes, code, column);
    if (code >= 400 && code <= 699)
        return FirstWithCode(ErrorCommandTypes, code, column);
    return ctInvalid;
}

int SRCPCommandTypeToCode(TSRCPCommandType type, TSRCPCommandVersion version) {
    if (type > ctInvalid)
        type = ctInvalid;
    const TSRCPTranslate* row = CodeTable(type);
    return row ? row->RespCode[Column(version)] : 0;
}

bool SRCPSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

TSRCPDeviceGroup SRCPDeviceGroupFromKeyword(std::string_view keyword) {
    for (int g = dgFeedback; g <= dgWelcome; ++g) {
        if (SRCPSameText(keyword, DeviceGroups[g].Desc))
            return DeviceGroups[g].DevGroup;
    }
    return dgInvalid;
}

TSRCPCommandVersion SRCPVersionFromText(std::string_view text) {
    for (const TSRCPVersionOverview& info : VersionInfos) {
        if (SRCPSameText(text, info.Desc))
            return info.Version;
    }
    return cvUnknown;
}

std::string_view SRCPDeviceGroupKeyword(TSRCPDeviceGroup group) {
    return group < SRCPDeviceGroupCount ? DeviceGroups[group].Desc : DeviceGroups[dgInvalid].Desc;
}

std::string_view SRCPVersionText(TSRCPCommandVersion version) {
    return version < SRCPCommandVersionCount ? VersionInfos[version].Desc : VersionInfos[cvUnknown].Desc;
}

void TSRCPString::Add(std::string_view text) {
    if (text.empty())
        return;
    if (!m_value.empty())
        m_value += ' ';
    m_value += text;
}

void TSRCPString::Add(int value) {
    if (value >= 0) {
        char buffer[16];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        (void)ec;
        Add(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
    } else if (value == SRCPSameValue) {
        Add(std::string_view("="));
    } else if (value == SRCPAnyValue) {
        Add(std::string_view("*"));
    }
}

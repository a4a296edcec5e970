#include "srcp/SrcpCmds.h"

#include <charconv>
#include <cmath>
#include <functional>

#include "platform/TextFile.h"

namespace {

// A time stamp is a finite decimal number written with a point. from_chars ignores the C locale,
// which Qt sets from the environment; "inf" and "nan" would parse but are not time stamps.
bool ReadTimeStamp(std::string_view token, double& value) {
    if (token.empty())
        return false;
    double parsed = 0.0;
    auto [end, ec] =
        std::from_chars(token.data(), token.data() + token.size(), parsed, std::chars_format::fixed);
    if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

std::string_view NextToken(std::string_view& rest) {
    std::string_view token;
    TSRCPCmd::SplitString(' ', rest, token);
    return token;
}

} // namespace

TSRCPCmd::TSRCPCmd()
    : FDevices{&FFeedback, &FAccessoire, &FLoco,        &FServiceMode, &FLock,      &FPower,
               &FTime,     &FSession,    &FDescription, &FServer,      &FHandshake, &FWelcome} {}

TSRCPBaseDevice* TSRCPCmd::Devices(TSRCPDeviceGroup group) const {
    return group < SRCPCodecCount ? FDevices[group] : nullptr;
}

void TSRCPCmd::SetCommandType(TSRCPCommandType value) {
    if (value >= ctAnswer) {
        FCommandClass = ccAnswer;
        if (value == ctCmdOKGo || value == ctOKProtocol || value == ctOKConnectionMode)
            FDeviceGroup = dgHandshake;
    } else {
        FCommandClass = ccCommand;
    }
    InternalSetCommandType(value);
}

void TSRCPCmd::InternalSetCommandType(TSRCPCommandType value) {
    if (value > ctInvalid)
        value = ctInvalid;
    FCommandType = value;
    FResponseCode = CommandTypeToCode(value);
    SelectSyntaxLine();
}

void TSRCPCmd::SetDeviceGroup(TSRCPDeviceGroup value) {
    if (value > dgInvalid)
        value = dgInvalid;
    if (value != FDeviceGroup) {
        FDeviceGroup = value;
        SelectSyntaxLine();
    }
}

void TSRCPCmd::SetSRCPVersion(TSRCPCommandVersion value) {
    if (value > cvUnknown)
        value = cvUnknown;
    FSRCPVersion = value;
    SelectSyntaxLine();
}

void TSRCPCmd::SetInvalid() {
    FDeviceGroup = dgInvalid;
    FDataString.clear();
    InternalSetCommandType(ctInvalid);
    for (TSRCPBaseDevice* device : FDevices)
        device->SetDefaultData();
}

void TSRCPCmd::SelectSyntaxLine() {
    FSyntaxLine = nullptr;
    const TDevGroupInfo* tables = VersionInfos[FSRCPVersion].Tables;
    if (!tables || FDeviceGroup >= dgInvalid || FCommandType >= ctErrorStart)
        return;
    for (const TCmdSyntax* row = tables[FDeviceGroup].Table; row && row->CmdType != ctInvalid; ++row) {
        if (row->CmdType == FCommandType) {
            FSyntaxLine = row;
            return;
        }
    }
}

TSRCPDataPoint TSRCPCmd::GetNextDataPoint() {
    TSRCPBaseDevice* device = CurrentDevice();
    if (!FSyntaxLine || !device || FDPPosition < 0 || FDPPosition >= SRCPDataPointsPerRow) {
        FDPPosition = 0;
        return dpDummy;
    }
    while (FDPPosition < SRCPDataPointsPerRow) {
        const TSRCPDataPoint dp = FSyntaxLine->DataPoint[FDPPosition++];
        if (device->CheckNextDataPoint(dp))
            return dp;
    }
    return dpDummy;
}

std::string_view TSRCPCmd::SCommandType() const {
    if (FCommandType <= ctGo)
        return CommandCommandTypes[FCommandType - ctCommands].Desc;
    if (FCommandType <= ctSetMode)
        return "SET";
    if (FCommandType <= ctInfoGuess)
        return "INFO";
    if (FCommandType <= ctOKConnectionMode)
        return "OK";
    return "ERROR";
}

std::string TSRCPCmd::STimeStamp() const {
    // Fixed notation of a double needs at most 309 digits before the point.
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, FTimeStamp, std::chars_format::fixed, 3);
    if (ec != std::errc())
        return {};
    return std::string(buffer, end);
}

TSRCPCommandType TSRCPCmd::CodeToCommandType(int code) const {
    return SRCPCodeToCommandType(code, FSRCPVersion);
}

int TSRCPCmd::CommandTypeToCode(TSRCPCommandType type) const {
    return SRCPCommandTypeToCode(type, FSRCPVersion);
}

TSRCPDeviceGroup TSRCPCmd::DevGroupStringToDeviceGroup(std::string_view text) {
    const TSRCPDeviceGroup group = SRCPDeviceGroupFromKeyword(text);
    if (group == dgInvalid)
        InternalSetCommandType(ctEUnsufficientData);
    return group;
}

TSRCPCommandVersion TSRCPCmd::VersionStringToVersion(std::string_view text) const {
    return SRCPVersionFromText(text);
}

bool TSRCPCmd::SplitString(char separator, std::string_view& rest, std::string_view& token) {
    const std::size_t at = rest.find(separator);
    if (at == std::string_view::npos) {
        token = rest;
        rest = {};
        return false;
    }
    token = rest.substr(0, at);
    rest.remove_prefix(at + 1);
    return true;
}

// ---- building ----

std::string TSRCPCmd::GetCommand() {
    TSRCPString line;
    ++m_buildDepth;
    for (TSRCPBaseDevice* device : FDevices)
        device->InitInterpretation();
    if (IsErrorCmd())
        ErrorCommand(line);
    else if (FCommandType == ctCmdOK)
        ConfirmationCommand(line);
    else
        SyntaxCommand(line);
    // A field from a file or from the user that holds a control byte would end the line early and
    // make the rest a command of its own: such a command is not built but becomes an error, which
    // the session refuses to send.
    if (FCommandClass == ccCommand && !IsErrorCmd() && holdsControlByte(line.Value())) {
        InternalSetCommandType(ctEWrongValue);
        line.Clear();
        ErrorCommand(line);
    }
    --m_buildDepth;
    return line.Value();
}

void TSRCPCmd::SyntaxCommand(TSRCPString& line) {
    FDPPosition = 0;
    if (!FSyntaxLine) {
        InternalSetCommandType(ctInvalid);
        ErrorCommand(line);
        return;
    }
    m_walkEnded = false;
    for (TSRCPDataPoint dp = GetNextDataPoint(); dp != dpDummy; dp = GetNextDataPoint()) {
        GetDataPointString(dp, line);
        if (m_walkEnded)
            break;
    }
    // A codec may have found that no such line exists (the row is gone then): say so instead of
    // sending half a line.
    if (!m_walkEnded && IsErrorCmd()) {
        line.Clear();
        ErrorCommand(line);
    }
    m_walkEnded = false;
}

void TSRCPCmd::ErrorCommand(TSRCPString& line) {
    if (FCommandClass == ccAnswer)
        line.Add(STimeStamp());
    const TSRCPCommandType type = FCommandType >= ctErrorStart ? FCommandType : ctInvalid;
    const TSRCPTranslate& row = ErrorCommandTypes[type - ctErrorStart];
    line.Add(row.RespCode[FSRCPVersion == cv073 ? 0 : 1]);
    line.Add(std::string_view("ERROR"));
    line.Add(row.Desc);
}

void TSRCPCmd::ConfirmationCommand(TSRCPString& line) {
    if (FCommandClass == ccAnswer)
        line.Add(STimeStamp());
    line.Add(FResponseCode);
    line.Add(std::string_view("OK"));
    if (FCommandType >= ctConfirmation && FCommandType <= ctErrorStart)
        line.Add(ConfirmationCommandTypes[FCommandType - ctConfirmation].Desc);
}

void TSRCPCmd::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    TSRCPBaseDevice* device = CurrentDevice();
    switch (dp) {
    case dpTimeStamp:
        line.Add(STimeStamp());
        return;
    case dpResponseCode:
        line.Add(FResponseCode);
        return;
    case dpCommand:
        line.Add(SCommandType());
        return;
    case dpAnswerType:
        line.Add(SAnswerType());
        return;
    case dpDevGroup:
        line.Add(SDeviceGroup());
        return;
    case dpBusAddress:
        line.Add(FBus);
        return;
    case dpParameter:
        if (device) {
            std::string list;
            device->GetParameterList(list);
            line.Add(list);
        }
        return;
    case dpAddData:
        line.Add(FDataString);
        if (device)
            device->GetDataPointString(dp, line);
        return;
    case dpInit:
        line.Add(std::string_view("INIT"));
        return;
    case dpTerm:
        line.Add(std::string_view("TERM"));
        return;
    default:
        if (device)
            device->GetDataPointString(dp, line);
        return;
    }
}

// ---- parsing ----

bool TSRCPCmd::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    bool result = false;
    switch (dp) {
    case dpCommand:
        result = SRCPSameText(token, SCommandType());
        break;
    case dpAnswerType:
        result = SRCPSameText(token, SAnswerType());
        break;
    case dpDevGroup:
        SetDeviceGroup(DevGroupStringToDeviceGroup(token));
        result = FDeviceGroup != dgInvalid;
        break;
    case dpBusAddress:
        result = StrToSRCPInt(token, FBus);
        break;
    case dpAddData:
        FDataString = token;
        result = true;
        break;
    case dpTerm:
        result = SRCPSameText(token, "TERM");
        break;
    default:
        break;
    }
    if (!result || dp == dpAddData) {
        if (TSRCPBaseDevice* device = CurrentDevice())
            result = device->SetDataPointString(dp, token);
    }
    return result;
}

bool TSRCPCmd::ExamineAnswer(std::string_view line) {
    // The fields are reset first; a line that views our own data string must survive that.
    const std::less<const char*> before;
    if (!line.empty() && !before(line.data(), FDataString.data()) &&
        before(line.data(), FDataString.data() + FDataString.size() + 1)) {
        const std::string copy(line);
        return ExamineAnswer(copy);
    }
    SetInvalid();
    FCommandClass = ccAnswer;
    if (line.empty())
        return false;

    std::string_view rest = line;
    std::string_view token;
    const bool hasBlank = SplitString(' ', rest, token);
    double stamp = 0.0;
    if (!hasBlank || !ReadTimeStamp(token, stamp)) {
        // No leading number: the server's welcome line, all of it.
        SetCommandType(ctWelcome);
        SetDeviceGroup(dgWelcome);
        std::string_view whole = line;
        return ExtractDataPoints(0, whole);
    }
    FTimeStamp = stamp;

    token = NextToken(rest);
    StrToSRCPInt(token, FResponseCode);
    InternalSetCommandType(CodeToCommandType(FResponseCode));

    if (IsErrorCmd())
        return ExtractError(rest);
    if (!ExtractAnswerData(rest))
        return false;
    if (!rest.empty())
        FDataString = rest;
    if (!ReceivedAllExpectedData()) {
        InternalSetCommandType(ctEUnsufficientData);
        return false;
    }
    return true;
}

bool TSRCPCmd::ExtractError(std::string_view& rest) {
    const std::string_view word = NextToken(rest);
    if (!SRCPSameText(word, "ERROR")) {
        InternalSetCommandType(ctInvalid);
        return false;
    }
    FDataString = rest;
    rest = {};
    return true;
}

bool TSRCPCmd::ExtractAnswerData(std::string_view& rest) {
    const std::string_view word = NextToken(rest);
    if (!SRCPSameText(word, SCommandType())) {
        FDataString.assign(word);
        FDataString += ' ';
        FDataString += rest;
        rest = {};
        return false;
    }
    if (FCommandType <= ctInfoGuess)
        return ExtractAnswerDeviceGroup(rest);

    rest = SRCPTrim(rest);
    if (rest.empty())
        return FCommandType == ctCmdOK;
    SetDeviceGroup(dgHandshake);
    return ExtractDataPoints(3, rest);
}

bool TSRCPCmd::ExtractAnswerDeviceGroup(std::string_view& rest) {
    int position = 4;
    if (!StrToSRCPInt(NextToken(rest), FBus)) {
        InternalSetCommandType(ctEUnknownCommand);
    } else {
        SetDeviceGroup(DevGroupStringToDeviceGroup(NextToken(rest)));
        if (FDeviceGroup == dgInvalid)
            InternalSetCommandType(ctEUnknownValue);
        else
            position = 5;
    }
    return ExtractDataPoints(position, rest);
}

bool TSRCPCmd::ExtractDataPoints(int position, std::string_view& rest) {
    if (!FSyntaxLine)
        return true;
    FDPPosition = position;
    for (TSRCPDataPoint dp = GetNextDataPoint(); dp != dpDummy; dp = GetNextDataPoint()) {
        std::string_view token;
        if (dp == dpAddData) {
            token = rest;
            rest = {};
        } else {
            SplitString(' ', rest, token);
            rest = SRCPTrim(rest);
        }
        if (!SetDataPointString(dp, token))
            return false;
    }
    return true;
}

bool TSRCPCmd::ReceivedAllExpectedData() {
    TSRCPBaseDevice* device = CurrentDevice();
    return device ? device->EndOfData(FDataString) : true;
}

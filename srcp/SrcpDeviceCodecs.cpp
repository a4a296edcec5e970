#include "srcp/SrcpDeviceCodecs.h"

#include "srcp/SrcpCmds.h"

namespace {

// Calls fn for every token of text split at single blanks; stops when fn answers false.
template <typename Fn> bool ForEachToken(std::string_view text, Fn fn) {
    while (!text.empty()) {
        std::string_view token;
        TSRCPCmd::SplitString(' ', text, token);
        if (!fn(token))
            return false;
    }
    return true;
}

bool ReadNumber(std::string_view token, int& field) {
    return StrToSRCPInt(token, field);
}

} // namespace

// ---- base ----

TSRCPCommandType TSRCPBaseDevice::CommandType() const {
    return FOwner.CommandType();
}

double TSRCPBaseDevice::TimeStamp() const {
    return FOwner.TimeStamp();
}

void TSRCPBaseDevice::GetParameterList(std::string& list) const {
    list.clear();
}

bool TSRCPBaseDevice::CheckNextDataPoint(TSRCPDataPoint) {
    return true;
}

void TSRCPBaseDevice::InitInterpretation() {}

bool TSRCPBaseDevice::EndOfData(std::string_view) {
    return true;
}

// ---- addressed ----

int TSRCPAddressedDevice::Address() const {
    return FOwner.DevAddress();
}

void TSRCPAddressedDevice::SetAddress(int value) {
    FOwner.SetDevAddress(value);
}

void TSRCPAddressedDevice::SetDefaultData() {
    SetAddress(SRCPNoToken);
}

void TSRCPAddressedDevice::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    if (dp == dpAddress)
        line.Add(Address());
}

bool TSRCPAddressedDevice::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    if (dp != dpAddress)
        return false;
    int value = SRCPNoToken;
    const bool ok = StrToSRCPInt(token, value);
    SetAddress(value);
    return ok;
}

// ---- feedback ----

const std::string& TSRCPDeviceFeedback::Data() const {
    return FOwner.DataString();
}

void TSRCPDeviceFeedback::SetData(std::string_view value) {
    FOwner.SetDataString(value);
}

void TSRCPDeviceFeedback::SetDefaultData() {
    TSRCPAddressedDevice::SetDefaultData();
    FValue = SRCPNoToken;
    FTimeOut = SRCPNoToken;
}

void TSRCPDeviceFeedback::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    switch (dp) {
    case dpValue:
        line.Add(FValue);
        break;
    case dpDelay:
        line.Add(FTimeOut);
        break;
    default:
        TSRCPAddressedDevice::GetDataPointString(dp, line);
        break;
    }
}

bool TSRCPDeviceFeedback::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpValue:
        return ReadNumber(token, FValue);
    case dpDelay:
        return ReadNumber(token, FTimeOut);
    case dpAddData:
        return true;
    default:
        return TSRCPAddressedDevice::SetDataPointString(dp, token);
    }
}

// ---- accessory ----

void TSRCPDeviceAccessoire::SetDefaultData() {
    TSRCPAddressedDevice::SetDefaultData();
    FValue = SRCPNoToken;
    FPort = SRCPNoToken;
    FDelay = 0;
    FProtocol = spMotorola;
}

void TSRCPDeviceAccessoire::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    switch (dp) {
    case dpProtocol:
        if (FProtocol == spMotorola || FProtocol == spNMRA || FProtocol == spProtByServer)
            line.Add(SRCPProtocolLetters[FProtocol]);
        break;
    case dpPort:
        line.Add(FPort);
        break;
    case dpValue:
        line.Add(FValue);
        break;
    case dpDelay:
        line.Add(FDelay);
        break;
    default:
        TSRCPAddressedDevice::GetDataPointString(dp, line);
        break;
    }
}

bool TSRCPDeviceAccessoire::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpProtocol: {
        const std::string_view letter = SRCPTrim(token);
        if (letter == "M")
            FProtocol = spMotorola;
        else if (letter == "N")
            FProtocol = spNMRA;
        else if (letter == "P")
            FProtocol = spProtByServer;
        else {
            FProtocol = spInvalid;
            return false;
        }
        return true;
    }
    case dpPort:
        return ReadNumber(token, FPort);
    case dpValue:
        return ReadNumber(token, FValue);
    case dpDelay:
        return ReadNumber(token, FDelay);
    default:
        return TSRCPAddressedDevice::SetDataPointString(dp, token);
    }
}

// ---- loco ----

void TSRCPDeviceLoco::SetFunctionCount(int count) {
    if (count >= 0)
        FFunctions.resize(static_cast<std::size_t>(count), 0);
}

int TSRCPDeviceLoco::Functions(int index) const {
    if (index < 0 || index >= FunctionCount())
        return SRCPNoToken;
    return FFunctions[static_cast<std::size_t>(index)];
}

void TSRCPDeviceLoco::SetFunctions(int index, int value) {
    if (index >= 0 && index < FunctionCount())
        FFunctions[static_cast<std::size_t>(index)] = value;
}

void TSRCPDeviceLoco::SetDefaultData() {
    TSRCPAddressedDevice::SetDefaultData();
    FFunctions.assign(1, 0);
    FMaxSpeedStep = SRCPNoToken;
    FSpeedStep = 0;
    FSpeed = SRCPNoToken;
    FSubProtocol = SRCPNoToken;
    FMaxSpeed = SRCPNoToken;
    FDriveMode = dmInvalid;
    FProtocol = spInvalid;
    FFunctionIndex = 0;
}

void TSRCPDeviceLoco::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    static constexpr std::string_view driveModeTokens[] = {"=", "1", "0", "2", ""};
    switch (dp) {
    case dpProtocol:
        if (FProtocol < spInvalid)
            line.Add(SRCPProtocolLetters[FProtocol]);
        break;
    case dpSubProtocol:
        // Only M and N get here, and every 0.8.x server refuses their line without the version
        // ("419 ERROR list too short"): such a line is not built at all.
        if (FSubProtocol >= 1)
            line.Add(FSubProtocol);
        else
            FOwner.InternalSetCommandType(ctInvalid);
        break;
    case dpSpeedStep:
        line.Add(FSpeedStep);
        break;
    case dpSpeedSteps:
        line.Add(FMaxSpeedStep);
        break;
    case dpFunctionCount:
        line.Add(FunctionCount());
        break;
    case dpDriveMode:
        if (FDriveMode < dmInvalid)
            line.Add(driveModeTokens[FDriveMode]);
        break;
    case dpSpeed:
        line.Add(FSpeed);
        break;
    case dpMaxSpeed:
        line.Add(FMaxSpeed);
        break;
    case dpFunction:
        for (int value : FFunctions)
            line.Add(value);
        break;
    default:
        TSRCPAddressedDevice::GetDataPointString(dp, line);
        break;
    }
}

bool TSRCPDeviceLoco::ReadFunction(std::string_view token) {
    int value = SRCPNoToken;
    if (!StrToSRCPInt(token, value))
        return false;
    if (FFunctionIndex >= FFunctions.size())
        FFunctions.resize(FFunctionIndex + 1, 0);
    FFunctions[FFunctionIndex++] = value;
    return true;
}

bool TSRCPDeviceLoco::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpProtocol: {
        const std::string_view letter = SRCPTrim(token);
        for (int p = spAnalog; p < spInvalid; ++p) {
            if (letter == SRCPProtocolLetters[p]) {
                FProtocol = static_cast<TSRCPProtocols>(p);
                return true;
            }
        }
        FProtocol = spInvalid;
        return false;
    }
    case dpSubProtocol:
        return ReadNumber(token, FSubProtocol);
    case dpSpeedStep:
        return ReadNumber(token, FSpeedStep);
    case dpSpeedSteps:
        return ReadNumber(token, FMaxSpeedStep);
    case dpSpeed:
        return ReadNumber(token, FSpeed);
    case dpMaxSpeed:
        return ReadNumber(token, FMaxSpeed);
    case dpFunctionCount: {
        // The count sizes an array: a server must not make us allocate without bound.
        int count = SRCPNoToken;
        if (!StrToSRCPInt(token, count) || count < 0 || count > MaxWireFunctionCount)
            return false;
        SetFunctionCount(count);
        return true;
    }
    case dpDriveMode: {
        const std::string_view mode = SRCPTrim(token);
        if (mode == "0")
            FDriveMode = dmBackwards;
        else if (mode == "1")
            FDriveMode = dmForward;
        else if (mode == "2")
            FDriveMode = dmEmergencyStop;
        else if (mode == "=")
            FDriveMode = dmNoChange;
        else {
            FDriveMode = dmInvalid;
            return false;
        }
        return true;
    }
    case dpFunction:
        return ReadFunction(token);
    default:
        return TSRCPAddressedDevice::SetDataPointString(dp, token);
    }
}

bool TSRCPDeviceLoco::CheckNextDataPoint(TSRCPDataPoint dp) {
    if (dp == dpSubProtocol)
        return FProtocol == spMotorola || FProtocol == spNMRA;
    if (FProtocol == spAnalog && (dp == dpSpeedSteps || dp == dpFunctionCount))
        return false;
    return true;
}

bool TSRCPDeviceLoco::EndOfData(std::string_view rest) {
    // A bad token ends the reading: skipping it would move every later value to the wrong
    // function. Empty tokens (doubled blanks) carry no value and are passed over.
    return ForEachToken(rest,
                        [this](std::string_view token) { return token.empty() || ReadFunction(token); });
}

// ---- service mode ----

void TSRCPDeviceServiceMode::SetDefaultData() {
    TSRCPAddressedDevice::SetDefaultData();
    FTypeAddress = SRCPNoToken;
    FValue = SRCPNoToken;
    FBit = SRCPNoToken;
    FAddressType = smtInvalid;
    FValueCounter = 0;
    FProtocol = spInvalid;
}

void TSRCPDeviceServiceMode::InitInterpretation() {
    FValueCounter = 0;
}

bool TSRCPDeviceServiceMode::CheckNextDataPoint(TSRCPDataPoint dp) {
    // The rows hold two values; only CVBIT uses the second (bit number, then value).
    return !(dp == dpValue && FValueCounter >= 1 && FAddressType != smtCVBit);
}

void TSRCPDeviceServiceMode::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    switch (dp) {
    case dpProtocol:
        if (FProtocol == spNMRA)
            line.Add(std::string_view("NMRA"));
        break;
    case dpType:
        if (FAddressType < smtInvalid)
            line.Add(SRCPAMAddressTypes[FAddressType].Desc);
        break;
    case dpTypeAddress:
        line.Add(FTypeAddress);
        break;
    case dpValue:
        line.Add(FValueCounter == 0 && FAddressType == smtCVBit ? FBit : FValue);
        ++FValueCounter;
        break;
    default:
        TSRCPAddressedDevice::GetDataPointString(dp, line);
        break;
    }
}

bool TSRCPDeviceServiceMode::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpProtocol:
        if (!SRCPSameText(SRCPTrim(token), "NMRA"))
            return false;
        FProtocol = spNMRA;
        return true;
    case dpType:
        for (int t = smtCV; t < smtInvalid; ++t) {
            if (SRCPSameText(token, SRCPAMAddressTypes[t].Desc)) {
                FAddressType = static_cast<TSRCPServiceModeType>(t);
                return true;
            }
        }
        return false;
    case dpTypeAddress:
        return ReadNumber(token, FTypeAddress);
    case dpValue: {
        const bool bit = FValueCounter == 0 && FAddressType == smtCVBit;
        ++FValueCounter;
        return ReadNumber(token, bit ? FBit : FValue);
    }
    default:
        return TSRCPAddressedDevice::SetDataPointString(dp, token);
    }
}

// ---- lock ----

TSRCPDeviceGroup TSRCPDeviceLock::LockDevGroup() const {
    return FLockDevGroup > dgInvalid ? dgInvalid : FLockDevGroup;
}

void TSRCPDeviceLock::SetDefaultData() {
    TSRCPAddressedDevice::SetDefaultData();
    FDuration = SRCPNoToken;
    FSessionID = SRCPNoToken;
    FLockDevGroup = dgInvalid;
}

void TSRCPDeviceLock::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    switch (dp) {
    case dpDelay:
        line.Add(FDuration);
        break;
    case dpAddDevGroup:
        line.Add(SRCPDeviceGroupKeyword(LockDevGroup()));
        break;
    case dpSessionID:
        line.Add(FSessionID);
        break;
    default:
        TSRCPAddressedDevice::GetDataPointString(dp, line);
        break;
    }
}

bool TSRCPDeviceLock::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpDelay:
        return ReadNumber(token, FDuration);
    case dpAddDevGroup:
        FLockDevGroup = FOwner.DevGroupStringToDeviceGroup(token);
        return FLockDevGroup != dgInvalid;
    case dpSessionID:
        return ReadNumber(token, FSessionID);
    default:
        return TSRCPAddressedDevice::SetDataPointString(dp, token);
    }
}

// ---- power ----

void TSRCPDevicePower::SetDefaultData() {
    FPowerOn = false;
}

void TSRCPDevicePower::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    if (dp == dpPwrStatus)
        line.Add(std::string_view(FPowerOn ? "ON" : "OFF"));
}

bool TSRCPDevicePower::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    if (dp != dpPwrStatus)
        return false;
    if (SRCPSameText(token, "ON")) {
        FPowerOn = true;
        return true;
    }
    if (SRCPSameText(token, "OFF")) {
        FPowerOn = false;
        return true;
    }
    FOwner.InternalSetCommandType(ctEUnsufficientData);
    return false;
}

// ---- time ----

void TSRCPDeviceTime::SetDefaultData() {
    FDays = FHour = FMinute = FSecond = SRCPNoToken;
    FMultiplicator = FDivisor = SRCPNoToken;
}

void TSRCPDeviceTime::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    switch (dp) {
    case dpJulDay:
        line.Add(FDays);
        break;
    case dpHour:
        line.Add(FHour);
        break;
    case dpMinute:
        line.Add(FMinute);
        break;
    case dpSecond:
        line.Add(FSecond);
        break;
    case dpFX:
        line.Add(FMultiplicator);
        break;
    case dpFY:
        line.Add(FDivisor);
        break;
    default:
        break;
    }
}

bool TSRCPDeviceTime::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpJulDay:
        return ReadNumber(token, FDays);
    case dpHour:
        return ReadNumber(token, FHour);
    case dpMinute:
        return ReadNumber(token, FMinute);
    case dpSecond:
        return ReadNumber(token, FSecond);
    case dpFX:
        return ReadNumber(token, FMultiplicator);
    case dpFY:
        return ReadNumber(token, FDivisor);
    default: {
        int ignored = SRCPNoToken;
        return StrToSRCPInt(token, ignored);
    }
    }
}

// ---- session ----

void TSRCPDeviceSession::SetDefaultData() {
    FSessionID = SRCPNoToken;
}

void TSRCPDeviceSession::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    if (dp == dpSessionID)
        line.Add(FSessionID);
}

bool TSRCPDeviceSession::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    if (dp == dpSessionID)
        return ReadNumber(token, FSessionID);
    return dp == dpAddData;
}

// ---- description ----

TSRCPDeviceGroup TSRCPDeviceDescription::DevGroupList(int index) const {
    if (index < 0 || index >= DevGroupListCount())
        return dgInvalid;
    return FDevGroupList[static_cast<std::size_t>(index)];
}

void TSRCPDeviceDescription::SetDefaultData() {
    TSRCPAddressedDevice::SetDefaultData();
    FDescriptionDevGroup = dgInvalid;
    FDevGroupList.clear();
}

bool TSRCPDeviceDescription::ReadsGroupList() const {
    const TSRCPCommandType type = CommandType();
    return type == ctInfoGet || type == ctInfoGuess;
}

void TSRCPDeviceDescription::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    const TSRCPCommandType type = CommandType();
    if (dp == dpAddress) {
        // No described group: the request is for the group list and carries no address.
        if (FDescriptionDevGroup != dgInvalid)
            TSRCPAddressedDevice::GetDataPointString(dp, line);
        return;
    }
    if (dp != dpAddDevGroup)
        return;

    if (FDescriptionDevGroup == dgInvalid) {
        if (type == ctGet)
            return;
        for (TSRCPDeviceGroup group : FDevGroupList)
            line.Add(SRCPDeviceGroupKeyword(group));
        if (type == ctInfoInit)
            FOwner.InternalSetCommandType(ctInvalid);
        return;
    }
    if (type == ctGet) {
        line.Add(SRCPDeviceGroupKeyword(FDescriptionDevGroup));
        return;
    }
    if (type == ctInfoGet || type == ctInfoGuess || FDescriptionDevGroup == dgDescription ||
        FOwner.BuildingNestedLine()) {
        // No such line; a description of a description would never end.
        FOwner.InternalSetCommandType(ctInvalid);
        return;
    }
    // The description of one device is that device's own line.
    FOwner.SetDeviceGroup(FDescriptionDevGroup);
    const std::string described = FOwner.GetCommand();
    line.Clear();
    line.Add(described);
    FOwner.EndDataPointWalk();
}

bool TSRCPDeviceDescription::AppendKeyword(std::string_view keyword) {
    // A keyword we do not know (a newer server's group) is passed over: dropping the whole list
    // would lose the known groups of the bus.
    keyword = SRCPTrim(keyword);
    if (keyword.empty())
        return true;
    const TSRCPDeviceGroup group = SRCPDeviceGroupFromKeyword(keyword);
    if (group != dgInvalid)
        FDevGroupList.push_back(group);
    return true;
}

bool TSRCPDeviceDescription::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    if (ReadsGroupList())
        return dp == dpAddDevGroup && AppendKeyword(token);
    if (dp == dpAddDevGroup) {
        if (token.empty())
            return true;
        const TSRCPDeviceGroup group = FOwner.DevGroupStringToDeviceGroup(token);
        if (group == dgInvalid)
            return false;
        FDescriptionDevGroup = group;
        return true;
    }
    return TSRCPAddressedDevice::SetDataPointString(dp, token);
}

bool TSRCPDeviceDescription::EndOfData(std::string_view rest) {
    if (!ReadsGroupList())
        return true;
    return ForEachToken(rest, [this](std::string_view token) { return AppendKeyword(token); });
}

// ---- server ----

void TSRCPDeviceServer::SetDefaultData() {
    FState = ssInvalid;
}

void TSRCPDeviceServer::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    if (dp == dpState)
        line.Add(SRCPServerStates[FState <= ssInvalid ? FState : ssInvalid].Desc);
}

bool TSRCPDeviceServer::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    if (dp != dpState)
        return false;
    for (const TSRCPServerStateTranslate& row : SRCPServerStates) {
        if (SRCPSameText(token, row.Desc)) {
            FState = row.State;
            return true;
        }
    }
    FState = ssInvalid;
    return false;
}

// ---- handshake ----

void TSRCPDeviceHandshake::SetDefaultData() {
    FSessionID = SRCPNoToken;
    FVersion = cvUnknown;
    FMode = cmtInvalid;
}

void TSRCPDeviceHandshake::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    switch (dp) {
    case dpSessionID:
        line.Add(FSessionID);
        break;
    case dpExtendedCmd:
        switch (CommandType()) {
        case ctSetVersion:
        case ctOKProtocol:
            line.Add(std::string_view("PROTOCOL"));
            break;
        case ctSetMode:
        case ctOKConnectionMode:
            line.Add(std::string_view("CONNECTIONMODE"));
            break;
        case ctCmdOKGo:
            line.Add(std::string_view("GO"));
            break;
        default:
            break;
        }
        break;
    case dpSRCP:
        line.Add(std::string_view("SRCP"));
        break;
    case dpVersion:
        line.Add(SRCPVersionText(FVersion));
        break;
    case dpMode:
        line.Add(SRCPConnectionModes[FMode <= cmtInvalid ? FMode : cmtInvalid].Desc);
        break;
    default:
        break;
    }
}

bool TSRCPDeviceHandshake::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    switch (dp) {
    case dpSessionID:
        return ReadNumber(token, FSessionID);
    case dpExtendedCmd: {
        // The word refines the type, which selects the longer row; reading goes on there.
        const TSRCPCommandType type = CommandType();
        TSRCPCommandType refined = ctInvalid;
        if (type == ctSet) {
            if (SRCPSameText(token, "PROTOCOL"))
                refined = ctSetVersion;
            else if (SRCPSameText(token, "CONNECTIONMODE"))
                refined = ctSetMode;
        } else if (type == ctCmdOK) {
            if (SRCPSameText(token, "GO"))
                refined = ctCmdOKGo;
            else if (SRCPSameText(token, "PROTOCOL"))
                refined = ctOKProtocol;
            else if (SRCPSameText(token, "CONNECTIONMODE"))
                refined = ctOKConnectionMode;
        }
        if (refined == ctInvalid)
            return false;
        FOwner.InternalSetCommandType(refined);
        return true;
    }
    case dpSRCP:
        return SRCPSameText(token, "SRCP");
    case dpVersion:
        FVersion = SRCPVersionFromText(token);
        return FVersion != cvUnknown;
    case dpMode: {
        bool found = false;
        for (const TSRCPConnectionModeTranslate& row : SRCPConnectionModes) {
            if (SRCPSameText(token, row.Desc)) {
                FMode = row.Mode;
                found = true;
            }
        }
        return found;
    }
    default:
        return false;
    }
}

// ---- welcome ----

TSRCPCommandVersion TSRCPDeviceWelcome::Versions(int index) const {
    if (index < 0 || index >= VersionCount())
        return cvUnknown;
    return FVersions[static_cast<std::size_t>(index)];
}

void TSRCPDeviceWelcome::SetDefaultData() {
    FWelcome.clear();
    FVersions.clear();
    FInfo.clear();
    FResult.clear();
}

void TSRCPDeviceWelcome::GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) {
    if (dp != dpAddData)
        return;
    FResult.clear();
    auto join = [this](std::string_view piece) {
        if (piece.empty())
            return;
        if (!FResult.empty())
            FResult += ';';
        FResult += piece;
    };
    join(FWelcome);
    std::string versions;
    for (std::size_t i = 0; i < FVersions.size(); ++i) {
        if (i > 0)
            versions += ';';
        versions += i == 0 ? "SRCP " : "SRCPOTHER ";
        versions += SRCPVersionText(FVersions[i]);
    }
    join(versions);
    join(FInfo);
    line.Clear();
    line.Add(FResult);
}

bool TSRCPDeviceWelcome::SetDataPointString(TSRCPDataPoint dp, std::string_view token) {
    if (dp != dpAddData)
        return false;
    bool haveWelcome = false;
    while (true) {
        std::string_view part;
        const bool more = TSRCPCmd::SplitString(';', token, part);
        part = SRCPTrim(part);
        bool versionPart = false;
        for (std::string_view key : VersionKeys) {
            // The key must stand alone: "srcpd V2.0" is a server name, not a version.
            if (part.size() >= key.size() && SRCPSameText(part.substr(0, key.size()), key) &&
                (part.size() == key.size() || part[key.size()] == ' ')) {
                FVersions.push_back(SRCPVersionFromText(SRCPTrim(part.substr(key.size()))));
                versionPart = true;
                break;
            }
        }
        if (!versionPart && !part.empty()) {
            if (!haveWelcome) {
                FWelcome = part;
                haveWelcome = true;
            } else {
                if (!FInfo.empty())
                    FInfo += ';';
                FInfo += part;
            }
        }
        if (!more)
            break;
    }
    return true;
}

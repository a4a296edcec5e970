#pragma once

// TSRCPCmd: the one message object of the SRCP 0.8.2 layer. It builds a line from its fields
// (GetCommand) and fills its fields from a received line (ExamineAnswer), both driven by the syntax
// rows of SrcpTbls.h; the group-specific values live in the codecs of SrcpDeviceCodecs.h.
// An object does no input or output and is used by one thread at a time.

#include "srcp/SrcpDeviceCodecs.h"
#include "srcp/SrcpTbls.h"

#include <string>
#include <string_view>

class TSRCPCmd {
public:
    TSRCPCmd();
    ~TSRCPCmd() = default;
    TSRCPCmd(const TSRCPCmd&) = delete;
    TSRCPCmd& operator=(const TSRCPCmd&) = delete;

    int Bus() const { return FBus; }
    void SetBus(int value) { FBus = value; }
    int DevAddress() const { return FDevAddress; }
    void SetDevAddress(int value) { FDevAddress = value; }
    int ResponseCode() const { return FResponseCode; }
    void SetResponseCode(int value) { FResponseCode = value; }
    const std::string& DataString() const { return FDataString; }
    void SetDataString(std::string_view value) { FDataString = value; }
    double TimeStamp() const { return FTimeStamp; }
    void SetTimeStamp(double value) { FTimeStamp = value; }
    TSRCPCommandClass CommandClass() const { return FCommandClass; }
    void SetCommandClass(TSRCPCommandClass value) { FCommandClass = value; }

    TSRCPCommandType CommandType() const { return FCommandType; }
    // Also sets the class, and the handshake group for the refined OK types; overwrites the
    // response code with the type's code.
    void SetCommandType(TSRCPCommandType value);
    // Stores the type and its code and selects the row anew, nothing else.
    void InternalSetCommandType(TSRCPCommandType value);
    TSRCPDeviceGroup DeviceGroup() const { return FDeviceGroup; }
    void SetDeviceGroup(TSRCPDeviceGroup value);
    TSRCPCommandVersion SRCPVersion() const { return FSRCPVersion; }
    void SetSRCPVersion(TSRCPCommandVersion value);

    // True for every error type, ctInvalid included.
    bool IsErrorCmd() const { return FCommandType > ctErrorStart; }
    // Group dgInvalid, empty data string, type ctInvalid, every codec at its defaults.
    void SetInvalid();

    // The line for the current fields, without line end.
    std::string GetCommand();
    std::string Command() { return GetCommand(); }
    // Fills the fields from one received line (without line end). Never throws: a false result or
    // an error type tells what was wrong. Bus and time stamp keep their values when the line
    // lacks them.
    bool ExamineAnswer(std::string_view line);

    std::string_view SCommandType() const;
    std::string_view SAnswerType() const { return SCommandType(); }
    std::string_view SDeviceGroup() const { return SRCPDeviceGroupKeyword(FDeviceGroup); }
    // Three decimals with a point whatever the C locale says.
    std::string STimeStamp() const;

    TSRCPCommandType CodeToCommandType(int code) const;
    int CommandTypeToCode(TSRCPCommandType type) const;
    // An unknown keyword gives dgInvalid and makes this line ctEUnsufficientData.
    TSRCPDeviceGroup DevGroupStringToDeviceGroup(std::string_view text);
    TSRCPCommandVersion VersionStringToVersion(std::string_view text) const;

    // Splits rest at the first separator: token before it, rest after it, true. Without one the
    // token is all of rest, rest becomes empty and the result is false.
    static bool SplitString(char separator, std::string_view& rest, std::string_view& token);

    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line);
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token);

    // Ends the walk of the current line build; a codec that has written the whole line itself
    // (the description of another group) calls it.
    void EndDataPointWalk() { m_walkEnded = true; }
    // True while a line is built inside the build of another line.
    bool BuildingNestedLine() const { return m_buildDepth > 1; }

    // Codec of a group; null for dgInvalid.
    TSRCPBaseDevice* Devices(TSRCPDeviceGroup group) const;
    TSRCPDeviceFeedback& DevFeedback() { return FFeedback; }
    TSRCPDeviceAccessoire& DevAccessoire() { return FAccessoire; }
    TSRCPDeviceLoco& DevLoco() { return FLoco; }
    TSRCPDeviceServiceMode& DevServiceMode() { return FServiceMode; }
    TSRCPDeviceLock& DevLock() { return FLock; }
    TSRCPDevicePower& DevPower() { return FPower; }
    TSRCPDeviceTime& DevTime() { return FTime; }
    TSRCPDeviceSession& DevSession() { return FSession; }
    TSRCPDeviceDescription& DevDescription() { return FDescription; }
    TSRCPDeviceServer& DevServer() { return FServer; }
    TSRCPDeviceHandshake& DevHandshake() { return FHandshake; }
    TSRCPDeviceWelcome& DevWelcome() { return FWelcome; }
    const TSRCPDeviceFeedback& DevFeedback() const { return FFeedback; }
    const TSRCPDeviceAccessoire& DevAccessoire() const { return FAccessoire; }
    const TSRCPDeviceLoco& DevLoco() const { return FLoco; }
    const TSRCPDeviceServiceMode& DevServiceMode() const { return FServiceMode; }
    const TSRCPDeviceLock& DevLock() const { return FLock; }
    const TSRCPDevicePower& DevPower() const { return FPower; }
    const TSRCPDeviceTime& DevTime() const { return FTime; }
    const TSRCPDeviceSession& DevSession() const { return FSession; }
    const TSRCPDeviceDescription& DevDescription() const { return FDescription; }
    const TSRCPDeviceServer& DevServer() const { return FServer; }
    const TSRCPDeviceHandshake& DevHandshake() const { return FHandshake; }
    const TSRCPDeviceWelcome& DevWelcome() const { return FWelcome; }

private:
    void SelectSyntaxLine();
    TSRCPDataPoint GetNextDataPoint();
    void SyntaxCommand(TSRCPString& line);
    void ErrorCommand(TSRCPString& line);
    void ConfirmationCommand(TSRCPString& line);
    bool ExtractDataPoints(int position, std::string_view& rest);
    bool ExtractError(std::string_view& rest);
    bool ExtractAnswerData(std::string_view& rest);
    bool ExtractAnswerDeviceGroup(std::string_view& rest);
    bool ReceivedAllExpectedData();
    TSRCPBaseDevice* CurrentDevice() const { return Devices(FDeviceGroup); }

    const TCmdSyntax* FSyntaxLine = nullptr;
    double FTimeStamp = 0.0;
    int FResponseCode = 0;
    std::string FDataString;
    TSRCPCommandClass FCommandClass = ccAnswer;
    TSRCPCommandType FCommandType = ctInvalid;
    TSRCPCommandVersion FSRCPVersion = cvUnknown;
    TSRCPDeviceGroup FDeviceGroup = dgInvalid;
    int FBus = 0;
    int FDevAddress = 0;
    // The codecs, in group order.
    TSRCPDeviceFeedback FFeedback{*this};
    TSRCPDeviceAccessoire FAccessoire{*this};
    TSRCPDeviceLoco FLoco{*this};
    TSRCPDeviceServiceMode FServiceMode{*this};
    TSRCPDeviceLock FLock{*this};
    TSRCPDevicePower FPower{*this};
    TSRCPDeviceTime FTime{*this};
    TSRCPDeviceSession FSession{*this};
    TSRCPDeviceDescription FDescription{*this};
    TSRCPDeviceServer FServer{*this};
    TSRCPDeviceHandshake FHandshake{*this};
    TSRCPDeviceWelcome FWelcome{*this};
    TSRCPBaseDevice* FDevices[SRCPCodecCount];
    int FDPPosition = 0;
    bool m_walkEnded = false;
    int m_buildDepth = 0;
};

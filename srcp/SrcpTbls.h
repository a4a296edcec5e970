#pragma once

// Vocabulary of the SRCP 0.8.2 layer: enumerations, the syntax row of every command and answer of
// each device group, the reply-code tables, keyword tables and protocol translations, and the small
// conversions over them. Nothing here changes at run time.

#include "srcp/MoBaProtocolBase.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Ordinals matter: ranges of this enumeration decide the class of a line (see the helpers below).
enum TSRCPCommandType : std::uint8_t {
    ctCommands, // marker: commands start here
    ctGet,
    ctSet,
    ctCheck,
    ctWait,
    ctInit,
    ctTerm,
    ctReset,
    ctVerify,
    ctHandshake, // marker: handshake commands start here
    ctGo,
    ctSetVersion,
    ctSetMode,
    ctAnswer, // marker: information answers start here
    ctWelcome,
    ctInfoGet,
    ctInfoInit,
    ctInfoTerm,
    ctInfoGuess,
    ctConfirmation, // marker: confirmations start here
    ctCmdOK,
    ctCmdOKGo,
    ctOKProtocol,
    ctOKConnectionMode,
    ctErrorStart, // marker: errors start here
    ctEUnsupportedProtocol,
    ctEUnsupportedConnectionMode,
    ctEUnsufficientData,
    ctEUnknownCommand,
    ctEUnknownValue,
    ctEWrongValue,
    ctETempProhibited,
    ctEDeviceLocked,
    ctEForbidden,
    ctENoData,
    ctETimeout,
    ctEListToLong,
    ctEListToShort,
    ctEUnsupportedDevProtocol,
    ctEUnsuppportedDevice,
    ctEUnsupportedDevGroup,
    ctEUnsuppotedOperation,
    ctEDeviceReinitialized,
    ctENotSupported,
    ctEUnspecifiedError,
    ctEOutOfRessources,
    ctInvalid, // counts as an error
};
inline constexpr int SRCPCommandTypeCount = ctInvalid + 1;

enum TSRCPDataPoint : std::uint8_t {
    dpTimeStamp,
    dpResponseCode,
    dpCommand,
    dpAnswerType,
    dpDevGroup,
    dpBusAddress,
    dpParameter,
    dpAddData,
    dpInit,
    dpTerm,
    dpAddress,
    dpProtocol,
    dpSubProtocol,
    dpSpeedStep,
    dpSpeedSteps,
    dpFunctionCount,
    dpDriveMode,
    dpSpeed,
    dpMaxSpeed,
    dpFunction,
    dpPort,
    dpValue,
    dpDelay,
    dpType,
    dpTypeAddress,
    dpAddDevGroup,
    dpSessionID,
    dpPwrStatus,
    dpFX,
    dpFY,
    dpJulDay,
    dpHour,
    dpMinute,
    dpSecond,
    dpState,
    dpExtendedCmd,
    dpSRCP,
    dpVersion,
    dpMode,
    dpDummy, // empty slot of a row, and the end of a walk
};

enum TSRCPDeviceGroup : std::uint8_t {
    dgFeedback,
    dgAccessoire,
    dgLoco,
    dgServiceMode,
    dgLock,
    dgPower,
    dgTime,
    dgSession,
    dgDescription,
    dgServer,
    dgHandshake, // pseudo-group: the handshake lines
    dgWelcome,   // pseudo-group: the server's welcome line
    dgInvalid,   // no group at all
};
inline constexpr int SRCPDeviceGroupCount = dgInvalid + 1;
// Groups that own a codec (everything but dgInvalid).
inline constexpr int SRCPCodecCount = dgInvalid;

enum TSRCPCommandVersion : std::uint8_t { cv073, cv082, cvUnknown };
inline constexpr int SRCPCommandVersionCount = cvUnknown + 1;

enum TSRCPCommandClass : std::uint8_t { ccCommand, ccAnswer };

enum TSRCPProtocols : std::uint8_t {
    spAnalog,
    spFleischman,
    spLoconet,
    spMotorola,
    spNMRA,
    spProtByServer,
    spSelectrix,
    spZimo,
    spInvalid,
};
inline constexpr int SRCPProtocolCount = spInvalid + 1;

enum TSRCPDriveMode : std::uint8_t { dmNoChange, dmForward, dmBackwards, dmEmergencyStop, dmInvalid };

enum TSRCPServiceModeType : std::uint8_t { smtCV, smtCVBit, smtReg, smtInvalid };

enum TSRCPServerState : std::uint8_t { ssRunning, ssResetting, ssTerminating, ssInvalid };

enum TSRCPConnectionModeType : std::uint8_t { cmtInfo, cmtCommand, cmtInvalid };

// Integer tokens: these negative values stand for tokens that are not numbers.
inline constexpr int SRCPNoToken = -1;   // nothing is written
inline constexpr int SRCPSameValue = -2; // "="
inline constexpr int SRCPAnyValue = -3;  // "*"

inline constexpr int SRCPDataPointsPerRow = 10;

struct TCmdSyntax {
    TSRCPCommandType CmdType;
    TSRCPDataPoint DataPoint[SRCPDataPointsPerRow];
};

struct TDevGroupInfo {
    TSRCPDeviceGroup DevGroupType;
    const TCmdSyntax* Table; // first row, closed by a ctInvalid row; null for dgInvalid
};

struct TSRCPVersionOverview {
    TSRCPCommandVersion Version;
    const TDevGroupInfo* Tables; // indexed by TSRCPDeviceGroup; null when the version has no rows
    std::string_view Desc;
};

struct TSRCPTranslate {
    TSRCPCommandType CmdType;
    int RespCode[2]; // the code under cv073, then under cv082
    std::string_view Desc;
};

struct TSRCPDevGroupTranslate {
    TSRCPDeviceGroup DevGroup;
    std::string_view Desc;
};

struct TSRCPSMAddressTypeTranslate {
    TSRCPServiceModeType AddressType;
    std::string_view Desc;
};

struct TSRCPServerStateTranslate {
    TSRCPServerState State;
    std::string_view Desc;
};

struct TSRCPConnectionModeTranslate {
    TSRCPConnectionModeType Mode;
    std::string_view Desc;
};

// Syntax rows of version 0.8.2; each array ends with its closing ctInvalid row.
extern const TCmdSyntax FBSyntaxTable082[10];
extern const TCmdSyntax GASyntaxTable082[11];
extern const TCmdSyntax GLSyntaxTable082[11];
extern const TCmdSyntax SMSyntaxTable082[12];
extern const TCmdSyntax LockSyntaxTable082[9];
extern const TCmdSyntax PowerSyntaxTable082[11];
extern const TCmdSyntax TimeSyntaxTable082[12];
extern const TCmdSyntax SessionSyntaxTable082[7];
extern const TCmdSyntax DescriptionSyntaxTable082[5];
extern const TCmdSyntax ServerSyntaxTable082[8];
extern const TCmdSyntax HandshakeSyntaxTable082[9];
extern const TCmdSyntax WelcomeSyntaxTable082[2];

extern const TDevGroupInfo v082Info[SRCPDeviceGroupCount];
extern const TSRCPVersionOverview VersionInfos[SRCPCommandVersionCount];

// Code tables, each covering a closed range of TSRCPCommandType (first and last row are markers).
extern const TSRCPTranslate InfoCommandTypes[ctConfirmation - ctWelcome + 1];
extern const TSRCPTranslate ConfirmationCommandTypes[ctErrorStart - ctConfirmation + 1];
extern const TSRCPTranslate ErrorCommandTypes[ctInvalid - ctErrorStart + 1];
extern const TSRCPTranslate CommandCommandTypes[ctGo - ctCommands + 1];

extern const TSRCPDevGroupTranslate DeviceGroups[SRCPDeviceGroupCount];
extern const TSRCPSMAddressTypeTranslate SRCPAMAddressTypes[smtInvalid + 1];
extern const TSRCPServerStateTranslate SRCPServerStates[ssInvalid + 1];
extern const TSRCPConnectionModeTranslate SRCPConnectionModes[cmtInvalid + 1];
extern const std::string_view VersionKeys[2]; // tried in this order

extern const TMoBaProtocolBase SRCPToMoBaProtTranslation[SRCPProtocolCount];
extern const TSRCPProtocols MoBaToSRCPProtTranslation[MoBaProtocolBaseCount];

// The letter of each protocol on the wire; empty for spInvalid.
extern const std::string_view SRCPProtocolLetters[SRCPProtocolCount];

// A value of 0 or more as its digits, -2 "=", -3 "*", any other negative value the empty text.
std::string SRCPIntToStr(int value);

// Reads a blank-trimmed decimal token (out of range counts as not a number). On failure the value
// becomes -1, except that "*" gives -3 and "=" gives -2 with a true result.
bool StrToSRCPInt(std::string_view token, int& value);

// Lookups of the code tables in the column of a version. cvUnknown reads the 0.8.2 column.
TSRCPCommandType SRCPCodeToCommandType(int code, TSRCPCommandVersion version);
int SRCPCommandTypeToCode(TSRCPCommandType type, TSRCPCommandVersion version);

// Keyword lookups without side effects (case-insensitive, first match).
TSRCPDeviceGroup SRCPDeviceGroupFromKeyword(std::string_view keyword); // "FB" to "WELCOME"
TSRCPCommandVersion SRCPVersionFromText(std::string_view text);
std::string_view SRCPDeviceGroupKeyword(TSRCPDeviceGroup group); // "???" out of range
std::string_view SRCPVersionText(TSRCPCommandVersion version);

// Case-insensitive comparison of ASCII letters; other bytes compare exactly.
bool SRCPSameText(std::string_view a, std::string_view b);
// Strips bytes up to and including the blank from both ends.
std::string_view SRCPTrim(std::string_view text);

// Builds a line from tokens so that absent tokens leave no doubled blank.
class TSRCPString {
public:
    const std::string& Value() const { return m_value; }
    void Add(std::string_view text);
    void Add(int value); // the SRCPIntToStr text; -1 adds nothing
    void Clear() { m_value.clear(); }

private:
    std::string m_value;
};

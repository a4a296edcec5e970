#pragma once

// One codec per device group: it holds the values of its group that a line can carry, writes and
// reads the data points of its group, and decides which points of a syntax row apply. The line codec
// TSRCPCmd (SrcpCmds.h) owns one of each and hands them every data point it does not handle itself.

#include "srcp/SrcpTbls.h"

#include <string>
#include <string_view>
#include <vector>

class TSRCPCmd;

class TSRCPBaseDevice {
public:
    explicit TSRCPBaseDevice(TSRCPCmd& owner) : FOwner(owner) {}
    virtual ~TSRCPBaseDevice() = default;
    TSRCPBaseDevice(const TSRCPBaseDevice&) = delete;
    TSRCPBaseDevice& operator=(const TSRCPBaseDevice&) = delete;

    TSRCPCmd& Owner() const { return FOwner; }
    TSRCPCommandType CommandType() const;
    double TimeStamp() const;

    virtual void SetDefaultData() = 0;
    virtual void GetParameterList(std::string& list) const;
    virtual void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) = 0;
    virtual bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) = 0;
    virtual bool CheckNextDataPoint(TSRCPDataPoint dp);
    virtual void InitInterpretation();
    // Reads the tokens that remain after the row.
    virtual bool EndOfData(std::string_view rest);

protected:
    TSRCPCmd& FOwner;
    TSRCPDeviceGroup FDevGroup = dgInvalid;
};

// The address is the owner's: every addressed codec of one TSRCPCmd shares it.
class TSRCPAddressedDevice : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    int Address() const;
    void SetAddress(int value);

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;
};

class TSRCPDeviceFeedback : public TSRCPAddressedDevice {
public:
    using TSRCPAddressedDevice::TSRCPAddressedDevice;

    int Value() const { return FValue; }
    void SetValue(int value) { FValue = value; }
    int TimeOut() const { return FTimeOut; }
    void SetTimeOut(int value) { FTimeOut = value; }
    // The init text of FB INIT and RESET travels as the owner's data string.
    const std::string& Data() const;
    void SetData(std::string_view value);

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    int FValue = 0;
    int FTimeOut = 0;
};

class TSRCPDeviceAccessoire : public TSRCPAddressedDevice {
public:
    using TSRCPAddressedDevice::TSRCPAddressedDevice;

    int Value() const { return FValue; }
    void SetValue(int value) { FValue = value; }
    int Port() const { return FPort; }
    void SetPort(int value) { FPort = value; }
    int Delay() const { return FDelay; }
    void SetDelay(int value) { FDelay = value; }
    TSRCPProtocols Protocol() const { return FProtocol; }
    void SetProtocol(TSRCPProtocols value) { FProtocol = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    int FValue = 0;
    int FPort = 0;
    int FDelay = 0;
    TSRCPProtocols FProtocol = spAnalog;
};

class TSRCPDeviceLoco : public TSRCPAddressedDevice {
public:
    using TSRCPAddressedDevice::TSRCPAddressedDevice;

    // Largest function count accepted from the wire.
    static constexpr int MaxWireFunctionCount = 256;

    TSRCPProtocols Protocol() const { return FProtocol; }
    void SetProtocol(TSRCPProtocols value) { FProtocol = value; }
    int SubProtocol() const { return FSubProtocol; }
    void SetSubProtocol(int value) { FSubProtocol = value; }
    int SpeedStep() const { return FSpeedStep; }
    void SetSpeedStep(int value) { FSpeedStep = value; }
    int MaxSpeedStep() const { return FMaxSpeedStep; }
    void SetMaxSpeedStep(int value) { FMaxSpeedStep = value; }
    int Speed() const { return FSpeed; }
    void SetSpeed(int value) { FSpeed = value; }
    int MaxSpeed() const { return FMaxSpeed; }
    void SetMaxSpeed(int value) { FMaxSpeed = value; }
    TSRCPDriveMode DriveMode() const { return FDriveMode; }
    void SetDriveMode(TSRCPDriveMode value) { FDriveMode = value; }
    int FunctionCount() const { return static_cast<int>(FFunctions.size()); }
    // Keeps the values below the new count, new ones are 0; a negative count changes nothing.
    void SetFunctionCount(int count);
    // -1 at or beyond the count.
    int Functions(int index) const;
    // Only below the count: the array does not grow here.
    void SetFunctions(int index, int value);

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;
    bool CheckNextDataPoint(TSRCPDataPoint dp) override;
    bool EndOfData(std::string_view rest) override;

private:
    bool ReadFunction(std::string_view token);

    std::vector<int> FFunctions;
    int FMaxSpeedStep = 0;
    int FSpeedStep = 0;
    int FSpeed = 0;
    int FSubProtocol = 0;
    int FMaxSpeed = 0;
    TSRCPDriveMode FDriveMode = dmNoChange;
    TSRCPProtocols FProtocol = spAnalog;
    std::size_t FFunctionIndex = 0;
};

class TSRCPDeviceServiceMode : public TSRCPAddressedDevice {
public:
    using TSRCPAddressedDevice::TSRCPAddressedDevice;

    int TypeAddress() const { return FTypeAddress; }
    void SetTypeAddress(int value) { FTypeAddress = value; }
    int Value() const { return FValue; }
    void SetValue(int value) { FValue = value; }
    int Bit() const { return FBit; }
    void SetBit(int value) { FBit = value; }
    TSRCPServiceModeType AddressType() const { return FAddressType; }
    void SetAddressType(TSRCPServiceModeType value) { FAddressType = value; }
    TSRCPProtocols Protocol() const { return FProtocol; }
    void SetProtocol(TSRCPProtocols value) { FProtocol = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;
    bool CheckNextDataPoint(TSRCPDataPoint dp) override;
    void InitInterpretation() override;

private:
    int FTypeAddress = 0;
    int FValue = 0;
    int FBit = 0;
    TSRCPServiceModeType FAddressType = smtCV;
    int FValueCounter = 0;
    TSRCPProtocols FProtocol = spAnalog;
};

class TSRCPDeviceLock : public TSRCPAddressedDevice {
public:
    using TSRCPAddressedDevice::TSRCPAddressedDevice;

    int Duration() const { return FDuration; }
    void SetDuration(int value) { FDuration = value; }
    int SessionID() const { return FSessionID; }
    void SetSessionID(int value) { FSessionID = value; }
    TSRCPDeviceGroup LockDevGroup() const;
    void SetLockDevGroup(TSRCPDeviceGroup value) { FLockDevGroup = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    int FDuration = 0;
    int FSessionID = 0;
    TSRCPDeviceGroup FLockDevGroup = dgInvalid;
};

class TSRCPDevicePower : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    bool PowerOn() const { return FPowerOn; }
    void SetPowerOn(bool value) { FPowerOn = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    bool FPowerOn = false;
};

class TSRCPDeviceTime : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    int Days() const { return FDays; }
    void SetDays(int value) { FDays = value; }
    int Hour() const { return FHour; }
    void SetHour(int value) { FHour = value; }
    int Minute() const { return FMinute; }
    void SetMinute(int value) { FMinute = value; }
    int Second() const { return FSecond; }
    void SetSecond(int value) { FSecond = value; }
    int Multiplicator() const { return FMultiplicator; }
    void SetMultiplicator(int value) { FMultiplicator = value; }
    int Divisor() const { return FDivisor; }
    void SetDivisor(int value) { FDivisor = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    int FDays = 0;
    int FHour = 0;
    int FMinute = 0;
    int FSecond = 0;
    int FMultiplicator = 0;
    int FDivisor = 0;
};

class TSRCPDeviceSession : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    int SessionID() const { return FSessionID; }
    void SetSessionID(int value) { FSessionID = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    int FSessionID = 0;
};

class TSRCPDeviceDescription : public TSRCPAddressedDevice {
public:
    using TSRCPAddressedDevice::TSRCPAddressedDevice;

    TSRCPDeviceGroup DescriptionDevGroup() const { return FDescriptionDevGroup; }
    void SetDescriptionDevGroup(TSRCPDeviceGroup value) {
        FDescriptionDevGroup = value > dgInvalid ? dgInvalid : value;
    }
    // dgInvalid beyond the count.
    TSRCPDeviceGroup DevGroupList(int index) const;
    int DevGroupListCount() const { return static_cast<int>(FDevGroupList.size()); }
    void AddDevGroup(TSRCPDeviceGroup group) { FDevGroupList.push_back(group); }
    void ClearDevGroupList() { FDevGroupList.clear(); }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;
    bool EndOfData(std::string_view rest) override;

private:
    bool ReadsGroupList() const;
    bool AppendKeyword(std::string_view keyword);

    // No group is described until one is set, so that a first request for the group list of a
    // bus carries no group.
    TSRCPDeviceGroup FDescriptionDevGroup = dgInvalid;
    std::vector<TSRCPDeviceGroup> FDevGroupList;
};

class TSRCPDeviceServer : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    TSRCPServerState State() const { return FState; }
    void SetState(TSRCPServerState value) { FState = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    TSRCPServerState FState = ssRunning;
};

class TSRCPDeviceHandshake : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    int SessionID() const { return FSessionID; }
    void SetSessionID(int value) { FSessionID = value; }
    TSRCPCommandVersion Version() const { return FVersion; }
    void SetVersion(TSRCPCommandVersion value) { FVersion = value; }
    TSRCPConnectionModeType Mode() const { return FMode; }
    void SetMode(TSRCPConnectionModeType value) { FMode = value; }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    int FSessionID = 0;
    TSRCPCommandVersion FVersion = cv073;
    TSRCPConnectionModeType FMode = cmtInfo;
};

class TSRCPDeviceWelcome : public TSRCPBaseDevice {
public:
    using TSRCPBaseDevice::TSRCPBaseDevice;

    const std::string& Welcome() const { return FWelcome; }
    void SetWelcome(std::string_view value) { FWelcome = value; }
    const std::string& Info() const { return FInfo; }
    void SetInfo(std::string_view value) { FInfo = value; }
    int VersionCount() const { return static_cast<int>(FVersions.size()); }
    // cvUnknown beyond the count.
    TSRCPCommandVersion Versions(int index) const;
    void AddVersion(TSRCPCommandVersion version) { FVersions.push_back(version); }
    void ClearVersions() { FVersions.clear(); }

    void SetDefaultData() override;
    void GetDataPointString(TSRCPDataPoint dp, TSRCPString& line) override;
    bool SetDataPointString(TSRCPDataPoint dp, std::string_view token) override;

private:
    std::string FWelcome;
    std::vector<TSRCPCommandVersion> FVersions;
    std::string FInfo;
    std::string FResult; // the line written, kept to reuse its buffer
};

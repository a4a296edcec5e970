#pragma once

// Device groups: one SRCP device group of one bus (POWER, GL, GA, FB, TIME, DESCRIPTION), or one
// device of it. A group sends GET, SET, INIT and TERM on a command session with the retry rules of the
// protocol, and takes over what the server reports, as the reply to its own GET or as an INFO line of
// an info session. Everything here runs on the main thread.

#include "srcp/SrcpClnt.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

enum TSRCPEventMode : std::uint8_t {
    semExact, // one address of one bus, newer lines only
    semBus,   // every address of one bus, every line
    semAll,   // every bus, every line
};

enum TSRCPTimeStampType : std::uint8_t { ststData, ststInit, ststLock };

enum TSRCPDeviceState : std::uint8_t {
    sdsInitializing,
    sdsInitialized,
    sdsActiv,
    sdsTerminating,
    sdsTerminated
};

class TSRCPBaseDeviceGroup : public TSRCPInfoReceiver {
public:
    using TGroupEvent = std::function<void(TSRCPBaseDeviceGroup& Sender)>;

    TSRCPBaseDeviceGroup();
    ~TSRCPBaseDeviceGroup() override;
    TSRCPBaseDeviceGroup(const TSRCPBaseDeviceGroup&) = delete;
    TSRCPBaseDeviceGroup& operator=(const TSRCPBaseDeviceGroup&) = delete;

    TSRCPCommandClient* CommandClient() const { return FCommandClient; }
    void SetCommandClient(TSRCPCommandClient* value);
    TSRCPInfoClient* InfoClient() const { return FInfoClient; }
    // Leaves the old session's registry and joins the new one's.
    void SetInfoClient(TSRCPInfoClient* value);

    TSRCPDeviceGroup DeviceGroup() const override { return FDeviceGroup; }
    int Bus() const { return FBus; }
    void SetBus(int value) { FBus = value; }
    TSRCPEventMode EventMode() const { return FEventMode; }
    void SetEventMode(TSRCPEventMode value) { FEventMode = value; }
    int LockClient() const { return FLockClient; }
    double TimeStamps(TSRCPTimeStampType type) const { return FTimeStamps[type]; }
    TSRCPDeviceState DeviceState() const { return FDeviceState; }

    // GET; a failed reply leads to one INIT and one more GET unless the server rejects the group or
    // the operation outright.
    bool GetData();
    // SET; a reply "forbidden" leads to one GET and one more SET.
    bool SetData();
    void Initalize();
    void Terminate();

    // A line for this group: from the info session's dispatch or the reply to our own GET.
    void SetDataAnswer(TSRCPCmd& Cmd) override;
    // Lines of our device group, on our bus unless the event mode takes every bus.
    bool TakesLinesOf(TSRCPDeviceGroup group, int bus) const override;

    void Notification(TSRCPBaseClient* AComponent) override;

    TGroupEvent OnChange;
    TGroupEvent OnTerm;
    TGroupEvent OnInit;
    TGroupEvent OnUnlock;
    TGroupEvent OnLock;

protected:
    // Taking data from a received line into the group; overrides call these first.
    virtual void DoSetInfoData(TSRCPCmd& Cmd);
    virtual void DoSetInitData(TSRCPCmd& Cmd);
    virtual void DoSetTermData(TSRCPCmd& Cmd);
    virtual void DoSetLockData(TSRCPDeviceLock& Lock);
    virtual void DoSetUnlockData(TSRCPDeviceLock& Lock);
    // Putting the group's data into FCmd before a command is sent.
    virtual void DoGetData() = 0;
    virtual void DoSetData() = 0;
    virtual void DoTerminate() = 0;
    virtual void DoInitalize() = 0;
    virtual void DoLock() = 0;
    virtual void DoUnlock() = 0;
    // Whether the line's address is one this group takes; every address here.
    virtual bool AcceptsAddress(TSRCPCmd& Cmd) const;

    // True while the GET inside the retry of a SET runs.
    bool SetGetActive() const { return FSetGetActiv; }
    void SetDeviceState(TSRCPDeviceState value) { FDeviceState = value; }

    TSRCPDeviceGroup FDeviceGroup = dgInvalid;
    TSRCPCmd FCmd;

private:
    // Builds the command of that type with fill, sends it and reads the reply into FCmd.
    bool Execute(TSRCPCommandType type, void (TSRCPBaseDeviceGroup::*fill)());
    // The time-stamp test: with semExact only a line newer than the stored one runs.
    bool IsNewer(TSRCPTimeStampType type, double stamp) const;
    static void Fire(const TGroupEvent& event, TSRCPBaseDeviceGroup& sender);

    TSRCPCommandClient* FCommandClient = nullptr;
    TSRCPInfoClient* FInfoClient = nullptr;
    int FBus = 0;
    bool FRecursive = false;
    TSRCPEventMode FEventMode = semExact;
    int FLockClient = -1;
    std::array<double, 3> FTimeStamps{0.0, 0.0, 0.0};
    bool FSetGetActiv = false;
    TSRCPDeviceState FDeviceState = sdsTerminated;
};

class TSRCPAddressedDeviceGroup : public TSRCPBaseDeviceGroup {
public:
    int Address() const { return FAddress; }
    void SetAddress(int value) { FAddress = value; }

protected:
    void DoGetData() override;
    void DoSetData() override;
    void DoInitalize() override;
    void DoTerminate() override;
    void DoLock() override;
    void DoUnlock() override;
    void DoSetTermData(TSRCPCmd& Cmd) override;
    void DoSetLockData(TSRCPDeviceLock& Lock) override;
    void DoSetUnlockData(TSRCPDeviceLock& Lock) override;
    bool AcceptsAddress(TSRCPCmd& Cmd) const override;
    // The address a line is about: the lock codec's for a LOCK line, else the group codec's when it
    // is addressed, else -1.
    static int LineAddress(TSRCPCmd& Cmd);

    int FAddress = 0;
};

class TSRCPCustomPower : public TSRCPBaseDeviceGroup {
public:
    TSRCPCustomPower();

    bool PowerOn() const { return FPowerOn; }
    // Stores the state; SetData sends it.
    void SetPowerOn(bool value) { FPowerOn = value; }

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoGetData() override {}
    void DoSetData() override;
    void DoTerminate() override {}
    void DoInitalize() override {}
    void DoLock() override {}
    void DoUnlock() override {}

    bool FPowerOn = false;
};

class TSRCPCustomLoco : public TSRCPAddressedDeviceGroup {
public:
    // More functions than this are not kept.
    static constexpr int MaxFunctionCount = 256;

    TSRCPCustomLoco();

    int MaxSpeedStep() const { return FMaxSpeedStep; }
    void SetMaxSpeedStep(int value) { FMaxSpeedStep = value; }
    int MaxSpeed() const { return FMaxSpeed; }
    void SetMaxSpeed(int value) { FMaxSpeed = value; }
    int Speed() const { return FSpeed; }
    void SetSpeed(int value) { FSpeed = value; }
    int SubProtocol() const { return FSubProtocol; }
    void SetSubProtocol(int value) { FSubProtocol = value; }
    int SpeedStep() const { return FSpeedStep; }
    void SetSpeedStep(int value) { FSpeedStep = value; }
    TSRCPDriveMode DriveMode() const { return FDriveMode; }
    void SetDriveMode(TSRCPDriveMode value) { FDriveMode = value; }
    TSRCPProtocols Protocol() const { return FProtocol; }
    void SetProtocol(TSRCPProtocols value) { FProtocol = value; }
    int FunctionCount() const { return static_cast<int>(FFunctions.size()); }
    // Keeps the values below the new count, new ones 0; counts outside 0..MaxFunctionCount are ignored.
    void SetFunctionCount(int value);
    // -1 outside 0..FunctionCount-1.
    int Functions(int index) const;
    // Only below FunctionCount.
    void SetFunctions(int index, int value);

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
    void DoSetData() override;
    void DoInitalize() override;

    int FMaxSpeedStep = 14;
    int FMaxSpeed = 100;
    int FSpeed = 0;
    int FSubProtocol = 0;
    int FSpeedStep = 0;
    TSRCPDriveMode FDriveMode = dmForward;
    TSRCPProtocols FProtocol = spMotorola;
    std::vector<int> FFunctions{0};

private:
    void TakeFunctions(const TSRCPDeviceLoco& loco);
    void PutFunctions(TSRCPDeviceLoco& loco) const;
};

class TSRCPCustomAccessoire : public TSRCPAddressedDeviceGroup {
public:
    TSRCPCustomAccessoire();

    int Port() const { return FPort; }
    void SetPort(int value) { FPort = value; }
    int Value() const { return FValue; }
    void SetValue(int value) { FValue = value; }
    int SubProtocol() const { return FSubProtocol; }
    void SetSubProtocol(int value) { FSubProtocol = value; }
    TSRCPProtocols Protocol() const { return FProtocol; }
    void SetProtocol(TSRCPProtocols value) { FProtocol = value; }
    int Delay() const { return FDelay; }
    void SetDelay(int value) { FDelay = value; }

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
    void DoGetData() override;
    void DoSetData() override;
    void DoInitalize() override;

    int FPort = 0;
    int FValue = 0;
    int FSubProtocol = 0;
    TSRCPProtocols FProtocol = spMotorola;
    int FDelay = 200;
};

class TSRCPCustomFeedback : public TSRCPAddressedDeviceGroup {
public:
    // Contact addresses run from 1 to this (the largest S88 layout a server reports).
    static constexpr int MaxContactAddress = 4096;

    TSRCPCustomFeedback();

    // Contact i has address i + 1; -1 outside 0..ContactCount-1.
    int Contacts(int index) const;
    double ContactTimeStamp(int index) const;
    int ContactCount() const { return static_cast<int>(FContacts.size()); }
    const std::string& InitString() const { return FInitString; }
    void SetInitString(const std::string& value) { FInitString = value; }
    bool Enabled() const { return DeviceState() != sdsTerminated; }
    // false terminates an initialised or active group; true initialises a terminated one.
    void SetEnabled(bool value);

    void SetDataAnswer(TSRCPCmd& Cmd) override;

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoInitalize() override;

    std::vector<int> FContacts;
    std::vector<double> FContactStamps;
    std::string FInitString = "S88";
};

class TSRCPCustomDescription : public TSRCPBaseDeviceGroup {
public:
    TSRCPCustomDescription();

    TSRCPDeviceGroup DeviceGroups(int index) const;
    int DeviceGroupsCount() const { return static_cast<int>(FDeviceGroups.size()); }

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoGetData() override {}
    void DoSetData() override {}
    void DoTerminate() override {}
    void DoInitalize() override {}
    void DoLock() override {}
    void DoUnlock() override {}

    std::vector<TSRCPDeviceGroup> FDeviceGroups;
};

// A point in time as two integers: milliseconds since midnight, and days counted so that 1 is the
// first of January of year 1.
struct TTimeStamp {
    int Time = 0;
    int Date = 0;
};

// Days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

// Day 1 of the time stamp count is Julian day 1721426.
inline constexpr int SRCPJulianDayOffset = 1721425;
// Day 0 of TDateTime (1899-12-30) in the time stamp count.
inline constexpr int DateTimeDateDelta = 693594;

TDateTime TimeStampToDateTime(const TTimeStamp& stamp);
TTimeStamp DateTimeToTimeStamp(TDateTime value);

class TSRCPCustomTime : public TSRCPBaseDeviceGroup {
public:
    TSRCPCustomTime();

    const TTimeStamp& TimeDate() const { return FTimeDate; }
    // Stores, then sends SET when enabled.
    void SetTimeDate(const TTimeStamp& value);
    TDateTime DateTime() const { return TimeStampToDateTime(FTimeDate); }
    void SetDateTime(TDateTime value) { SetTimeDate(DateTimeToTimeStamp(value)); }
    int Divisor() const { return FDivisor; }
    // Values below 1 become 1; nothing is sent.
    void SetDivisor(int value) { FDivisor = value < 1 ? 1 : value; }
    int Multiplicator() const { return FMultiplicator; }
    void SetMultiplicator(int value) { FMultiplicator = value < 1 ? 1 : value; }
    bool Enabled() const { return DeviceState() != sdsTerminated; }
    // false terminates an initialised or active clock; true initialises a terminated one and sends
    // the current time.
    void SetEnabled(bool value);

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
    void DoGetData() override {}
    void DoSetData() override;
    void DoTerminate() override {}
    void DoInitalize() override;
    void DoLock() override {}
    void DoUnlock() override {}

    TTimeStamp FTimeDate;
    int FDivisor = 1;
    int FMultiplicator = 1;
};

class TSRCPPower : public TSRCPCustomPower {};

class TSRCPTime : public TSRCPCustomTime {};

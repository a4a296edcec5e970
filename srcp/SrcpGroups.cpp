#include "srcp/SrcpGroups.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int clampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Clears a flag when the retry ends, also by an exception.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

// ---------------------------------------------------------------------------------------------------
// TSRCPBaseDeviceGroup

TSRCPBaseDeviceGroup::TSRCPBaseDeviceGroup() = default;

TSRCPBaseDeviceGroup::~TSRCPBaseDeviceGroup() {
    SetInfoClient(nullptr);
    SetCommandClient(nullptr);
    OnChange = nullptr;
}

void TSRCPBaseDeviceGroup::SetCommandClient(TSRCPCommandClient* value) {
    if (FCommandClient == value)
        return;
    if (FCommandClient)
        FCommandClient->RemoveFreeNotification(this);
    FCommandClient = value;
    if (FCommandClient)
        FCommandClient->AddFreeNotification(this);
}

void TSRCPBaseDeviceGroup::SetInfoClient(TSRCPInfoClient* value) {
    if (FInfoClient == value)
        return;
    if (FInfoClient) {
        FInfoClient->UnregisterDeviceGroup(this);
        FInfoClient->RemoveFreeNotification(this);
    }
    FInfoClient = value;
    if (FInfoClient) {
        FInfoClient->RegisterDeviceGroup(this);
        FInfoClient->AddFreeNotification(this);
    }
}

void TSRCPBaseDeviceGroup::Notification(TSRCPBaseClient* AComponent) {
    if (AComponent && AComponent == FCommandClient)
        FCommandClient = nullptr;
    if (AComponent && AComponent == FInfoClient) {
        FInfoClient->UnregisterDeviceGroup(this);
        FInfoClient = nullptr;
    }
}

void TSRCPBaseDeviceGroup::Fire(const TGroupEvent& event, TSRCPBaseDeviceGroup& sender) {
    if (event)
        event(sender);
}

bool TSRCPBaseDeviceGroup::Execute(TSRCPCommandType type, void (TSRCPBaseDeviceGroup::*fill)()) {
    FCmd.SetSRCPVersion(FCommandClient->Version());
    FCmd.SetCommandType(type);
    FCmd.SetDeviceGroup(FDeviceGroup);
    FCmd.SetBus(FBus);
    (this->*fill)();
    const bool sent = FCommandClient->SendCommand(FCmd);
    // A command that is (or built as) an error never went out: there is no reply to wait for.
    if (!sent && FCmd.IsErrorCmd())
        return false;
    return FCommandClient->ReceiveAnswer(FCmd);
}

bool TSRCPBaseDeviceGroup::GetData() {
    if (!FCommandClient)
        return false;
    bool result = Execute(ctGet, &TSRCPBaseDeviceGroup::DoGetData);
    if (result && FCmd.DeviceGroup() == FDeviceGroup) {
        FDeviceState = sdsActiv;
        SetDataAnswer(FCmd);
    }
    if (!result) {
        const TSRCPCommandType type = FCmd.CommandType();
        const bool rejected = type == ctEUnknownCommand || type == ctEForbidden ||
                              type == ctEUnsupportedDevGroup || type == ctEUnsuppotedOperation;
        if (!rejected && !FRecursive) {
            FlagGuard guard(FRecursive);
            Initalize();
            result = GetData();
        }
    }
    return result;
}

bool TSRCPBaseDeviceGroup::SetData() {
    if (!FCommandClient)
        return false;
    if (Execute(ctSet, &TSRCPBaseDeviceGroup::DoSetData))
        return true;
    if (FCmd.CommandType() == ctEForbidden && !FRecursive) {
        FlagGuard recursive(FRecursive);
        FlagGuard setGet(FSetGetActiv);
        GetData();
        return SetData();
    }
    return false;
}

void TSRCPBaseDeviceGroup::Initalize() {
    if (!FCommandClient)
        return;
    FDeviceState = sdsInitializing;
    const bool good = Execute(ctInit, &TSRCPBaseDeviceGroup::DoInitalize);
    if (FCmd.CommandType() == ctEDeviceReinitialized) {
        FDeviceState = sdsInitialized;
        if (!FRecursive) {
            FlagGuard guard(FRecursive);
            GetData();
        }
    } else {
        FDeviceState = good ? sdsInitialized : sdsTerminated;
    }
}

void TSRCPBaseDeviceGroup::Terminate() {
    if (!FCommandClient)
        return;
    FDeviceState = sdsTerminating;
    Execute(ctTerm, &TSRCPBaseDeviceGroup::DoTerminate);
    FDeviceState = sdsTerminated;
}

bool TSRCPBaseDeviceGroup::TakesLinesOf(TSRCPDeviceGroup group, int bus) const {
    return group == FDeviceGroup && (FEventMode == semAll || bus == FBus);
}

bool TSRCPBaseDeviceGroup::AcceptsAddress(TSRCPCmd&) const {
    return true;
}

bool TSRCPBaseDeviceGroup::IsNewer(TSRCPTimeStampType type, double stamp) const {
    return FEventMode != semExact || stamp > FTimeStamps[type];
}

void TSRCPBaseDeviceGroup::SetDataAnswer(TSRCPCmd& Cmd) {
    if (!AcceptsAddress(Cmd))
        return;
    const TSRCPCommandType type = Cmd.CommandType();
    if (Cmd.DeviceGroup() == FDeviceGroup) {
        if (FEventMode != semAll && Cmd.Bus() != FBus)
            return;
        switch (type) {
        case ctInfoGet:
        case ctInfoGuess:
            if (IsNewer(ststData, Cmd.TimeStamp())) {
                DoSetInfoData(Cmd);
                Fire(OnChange, *this);
            }
            break;
        case ctInfoInit:
            if (IsNewer(ststInit, Cmd.TimeStamp())) {
                FDeviceState = sdsInitialized;
                DoSetInitData(Cmd);
                Fire(OnInit, *this);
            }
            break;
        case ctInfoTerm:
            if (IsNewer(ststInit, Cmd.TimeStamp())) {
                FDeviceState = sdsTerminated;
                DoSetTermData(Cmd);
                Fire(OnTerm, *this);
            }
            break;
        default:
            break;
        }
    } else if (Cmd.DeviceGroup() == dgLock) {
        TSRCPDeviceLock& lock = Cmd.DevLock();
        switch (type) {
        case ctInfoGet:
        case ctInfoInit:
        case ctInfoGuess:
            if (IsNewer(ststLock, lock.TimeStamp())) {
                if (type == ctInfoGet)
                    FLockClient = lock.SessionID();
                DoSetLockData(lock);
                Fire(OnLock, *this);
            }
            break;
        case ctInfoTerm:
            if (IsNewer(ststLock, lock.TimeStamp())) {
                FLockClient = -1;
                DoSetUnlockData(lock);
                Fire(OnUnlock, *this);
            }
            break;
        default:
            break;
        }
    }
}

void TSRCPBaseDeviceGroup::DoSetInfoData(TSRCPCmd& Cmd) {
    FTimeStamps[ststData] = Cmd.TimeStamp();
}
void TSRCPBaseDeviceGroup::DoSetInitData(TSRCPCmd& Cmd) {
    FTimeStamps[ststInit] = Cmd.TimeStamp();
}
void TSRCPBaseDeviceGroup::DoSetTermData(TSRCPCmd& Cmd) {
    FTimeStamps[ststInit] = Cmd.TimeStamp();
}
void TSRCPBaseDeviceGroup::DoSetLockData(TSRCPDeviceLock& Lock) {
    FTimeStamps[ststLock] = Lock.TimeStamp();
}
void TSRCPBaseDeviceGroup::DoSetUnlockData(TSRCPDeviceLock& Lock) {
    FTimeStamps[ststLock] = Lock.TimeStamp();
}

// ---------------------------------------------------------------------------------------------------
// TSRCPAddressedDeviceGroup

int TSRCPAddressedDeviceGroup::LineAddress(TSRCPCmd& Cmd) {
    if (Cmd.DeviceGroup() == dgLock)
        return Cmd.DevLock().Address();
    if (dynamic_cast<TSRCPAddressedDevice*>(Cmd.Devices(Cmd.DeviceGroup())))
        return Cmd.DevAddress();
    return -1;
}

bool TSRCPAddressedDeviceGroup::AcceptsAddress(TSRCPCmd& Cmd) const {
    return EventMode() != semExact || LineAddress(Cmd) == FAddress;
}

void TSRCPAddressedDeviceGroup::DoGetData() {
    FCmd.SetDevAddress(FAddress);
}
void TSRCPAddressedDeviceGroup::DoSetData() {
    FCmd.SetDevAddress(FAddress);
}
void TSRCPAddressedDeviceGroup::DoInitalize() {
    FCmd.SetDevAddress(FAddress);
}
void TSRCPAddressedDeviceGroup::DoTerminate() {
    FCmd.SetDevAddress(FAddress);
}
void TSRCPAddressedDeviceGroup::DoLock() {
    FCmd.DevLock().SetAddress(FAddress);
}
void TSRCPAddressedDeviceGroup::DoUnlock() {
    FCmd.DevLock().SetAddress(FAddress);
}

void TSRCPAddressedDeviceGroup::DoSetTermData(TSRCPCmd& Cmd) {
    TSRCPBaseDeviceGroup::DoSetTermData(Cmd);
    FAddress = Cmd.DevAddress();
}

void TSRCPAddressedDeviceGroup::DoSetLockData(TSRCPDeviceLock& Lock) {
    TSRCPBaseDeviceGroup::DoSetLockData(Lock);
    FAddress = Lock.Address();
}

void TSRCPAddressedDeviceGroup::DoSetUnlockData(TSRCPDeviceLock& Lock) {
    TSRCPBaseDeviceGroup::DoSetUnlockData(Lock);
    FAddress = Lock.Address();
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCustomPower

TSRCPCustomPower::TSRCPCustomPower() {
    FDeviceGroup = dgPower;
}

void TSRCPCustomPower::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPBaseDeviceGroup::DoSetInfoData(Cmd);
    FPowerOn = Cmd.DevPower().PowerOn();
}

void TSRCPCustomPower::DoSetData() {
    FCmd.DevPower().SetPowerOn(FPowerOn);
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCustomLoco

TSRCPCustomLoco::TSRCPCustomLoco() {
    FDeviceGroup = dgLoco;
}

void TSRCPCustomLoco::SetFunctionCount(int value) {
    if (value >= 0 && value <= MaxFunctionCount)
        FFunctions.resize(static_cast<std::size_t>(value), 0);
}

int TSRCPCustomLoco::Functions(int index) const {
    if (index < 0 || index >= FunctionCount())
        return -1;
    return FFunctions[static_cast<std::size_t>(index)];
}

void TSRCPCustomLoco::SetFunctions(int index, int value) {
    if (index >= 0 && index < FunctionCount())
        FFunctions[static_cast<std::size_t>(index)] = value;
}

void TSRCPCustomLoco::TakeFunctions(const TSRCPDeviceLoco& loco) {
    const int count = std::min(loco.FunctionCount(), MaxFunctionCount);
    FFunctions.assign(static_cast<std::size_t>(count), 0);
    for (int i = 0; i < count; ++i)
        FFunctions[static_cast<std::size_t>(i)] = loco.Functions(i);
}

void TSRCPCustomLoco::PutFunctions(TSRCPDeviceLoco& loco) const {
    loco.SetFunctionCount(FunctionCount());
    for (int i = 0; i < FunctionCount(); ++i)
        loco.SetFunctions(i, FFunctions[static_cast<std::size_t>(i)]);
}

void TSRCPCustomLoco::DoInitalize() {
    TSRCPAddressedDeviceGroup::DoInitalize();
    TSRCPDeviceLoco& loco = FCmd.DevLoco();
    loco.SetProtocol(FProtocol);
    loco.SetSubProtocol(FSubProtocol);
    loco.SetMaxSpeedStep(FMaxSpeedStep);
    loco.SetFunctionCount(FunctionCount());
}

void TSRCPCustomLoco::DoSetData() {
    TSRCPAddressedDeviceGroup::DoSetData();
    TSRCPDeviceLoco& loco = FCmd.DevLoco();
    loco.SetDriveMode(FDriveMode);
    loco.SetSpeed(FSpeed);
    loco.SetMaxSpeed(FMaxSpeed);
    PutFunctions(loco);
}

void TSRCPCustomLoco::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPAddressedDeviceGroup::DoSetInfoData(Cmd);
    const TSRCPDeviceLoco& loco = Cmd.DevLoco();
    FAddress = Cmd.DevAddress();
    FDriveMode = loco.DriveMode();
    FSpeedStep = loco.SpeedStep();
    // INFO 110 carries the maximum speed where INFO 100 has the number of steps, so the codec has no
    // step count then: keep ours.
    if (loco.MaxSpeedStep() > 0)
        FMaxSpeedStep = loco.MaxSpeedStep();
    TakeFunctions(loco);
}

void TSRCPCustomLoco::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPAddressedDeviceGroup::DoSetInitData(Cmd);
    const TSRCPDeviceLoco& loco = Cmd.DevLoco();
    FAddress = Cmd.DevAddress();
    FProtocol = loco.Protocol();
    FSubProtocol = loco.SubProtocol();
    if (loco.MaxSpeedStep() > 0)
        FMaxSpeedStep = loco.MaxSpeedStep();
    SetFunctionCount(loco.FunctionCount());
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCustomAccessoire

TSRCPCustomAccessoire::TSRCPCustomAccessoire() {
    FDeviceGroup = dgAccessoire;
}

void TSRCPCustomAccessoire::DoInitalize() {
    TSRCPAddressedDeviceGroup::DoInitalize();
    FCmd.DevAccessoire().SetProtocol(FProtocol);
}

void TSRCPCustomAccessoire::DoGetData() {
    TSRCPAddressedDeviceGroup::DoGetData();
    FCmd.DevAccessoire().SetPort(FPort);
}

void TSRCPCustomAccessoire::DoSetData() {
    TSRCPAddressedDeviceGroup::DoSetData();
    TSRCPDeviceAccessoire& ga = FCmd.DevAccessoire();
    ga.SetPort(FPort);
    ga.SetValue(FValue);
    ga.SetDelay(FDelay);
}

void TSRCPCustomAccessoire::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPAddressedDeviceGroup::DoSetInfoData(Cmd);
    FAddress = Cmd.DevAddress();
    FPort = Cmd.DevAccessoire().Port();
    FValue = Cmd.DevAccessoire().Value();
}

void TSRCPCustomAccessoire::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPAddressedDeviceGroup::DoSetInitData(Cmd);
    FAddress = Cmd.DevAddress();
    FProtocol = Cmd.DevAccessoire().Protocol();
    FSubProtocol = 0;
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCustomFeedback

TSRCPCustomFeedback::TSRCPCustomFeedback() {
    FDeviceGroup = dgFeedback;
}

int TSRCPCustomFeedback::Contacts(int index) const {
    if (index < 0 || index >= ContactCount())
        return -1;
    return FContacts[static_cast<std::size_t>(index)];
}

double TSRCPCustomFeedback::ContactTimeStamp(int index) const {
    if (index < 0 || index >= ContactCount())
        return -1;
    return FContactStamps[static_cast<std::size_t>(index)];
}

void TSRCPCustomFeedback::SetEnabled(bool value) {
    const TSRCPDeviceState state = DeviceState();
    if (!value && (state == sdsInitialized || state == sdsActiv))
        Terminate();
    else if (value && state == sdsTerminated)
        Initalize();
}

void TSRCPCustomFeedback::SetDataAnswer(TSRCPCmd& Cmd) {
    // A contact address outside the contacts a layout can have would size the list from the wire.
    const TSRCPCommandType type = Cmd.CommandType();
    if (Cmd.DeviceGroup() == dgFeedback && (type == ctInfoGet || type == ctInfoGuess) &&
        (Cmd.DevAddress() < 1 || Cmd.DevAddress() > MaxContactAddress))
        return;
    TSRCPAddressedDeviceGroup::SetDataAnswer(Cmd);
}

void TSRCPCustomFeedback::DoInitalize() {
    TSRCPAddressedDeviceGroup::DoInitalize();
    FCmd.DevFeedback().SetData(FInitString);
}

void TSRCPCustomFeedback::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPAddressedDeviceGroup::DoSetInfoData(Cmd);
    FAddress = Cmd.DevAddress();
    if (FAddress < 1 || FAddress > MaxContactAddress)
        return;
    const auto index = static_cast<std::size_t>(FAddress - 1);
    if (index >= FContacts.size()) {
        FContacts.resize(index + 1, 0);
        FContactStamps.resize(index + 1, 0.0);
    }
    // Each contact keeps its newest report, whatever order the lines come in. Servers stamp in
    // milliseconds, so a contact set and cleared at once gives two equal stamps; the lines of one
    // session come in order, so an equal stamp is the later report and replaces the stored one.
    const double stamp = TimeStamps(ststData);
    if (stamp >= FContactStamps[index]) {
        FContacts[index] = Cmd.DevFeedback().Value();
        FContactStamps[index] = stamp;
    }
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCustomDescription

TSRCPCustomDescription::TSRCPCustomDescription() {
    FDeviceGroup = dgDescription;
}

TSRCPDeviceGroup TSRCPCustomDescription::DeviceGroups(int index) const {
    if (index < 0 || index >= DeviceGroupsCount())
        return dgInvalid;
    return FDeviceGroups[static_cast<std::size_t>(index)];
}

void TSRCPCustomDescription::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPBaseDeviceGroup::DoSetInfoData(Cmd);
    const TSRCPDeviceDescription& description = Cmd.DevDescription();
    FDeviceGroups.clear();
    for (int i = 0; i < description.DevGroupListCount(); ++i)
        FDeviceGroups.push_back(description.DevGroupList(i));
    SetBus(Cmd.Bus());
}

// ---------------------------------------------------------------------------------------------------
// TSRCPCustomTime

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
    const double days = static_cast<double>(stamp.Date) - DateTimeDateDelta;
    const double fraction = static_cast<double>(stamp.Time) / 86400000.0;
    // Before 1899-12-30 the time of day counts away from zero, as the integral part does.
    return days < 0 ? days - fraction : days + fraction;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
    TTimeStamp stamp;
    if (!std::isfinite(value))
        return stamp;
    const double days = std::trunc(value);
    long long ms = std::llround(std::fabs(value - days) * 86400000.0);
    long long date = static_cast<long long>(days) + DateTimeDateDelta;
    // Rounding up to the next midnight belongs to the next day.
    if (ms >= 86400000) {
        ms -= 86400000;
        date += value < 0 ? -1 : 1;
    }
    stamp.Time = static_cast<int>(ms);
    stamp.Date = clampToInt(date);
    return stamp;
}

TSRCPCustomTime::TSRCPCustomTime() {
    FDeviceGroup = dgTime;
}

void TSRCPCustomTime::SetTimeDate(const TTimeStamp& value) {
    FTimeDate = value;
    if (Enabled())
        SetData();
}

void TSRCPCustomTime::SetEnabled(bool value) {
    const TSRCPDeviceState state = DeviceState();
    if (!value && (state == sdsInitialized || state == sdsActiv)) {
        Terminate();
    } else if (value && state == sdsTerminated) {
        Initalize();
        SetData();
    }
}

void TSRCPCustomTime::DoInitalize() {
    FCmd.DevTime().SetMultiplicator(FMultiplicator);
    FCmd.DevTime().SetDivisor(FDivisor);
}

void TSRCPCustomTime::DoSetData() {
    TSRCPDeviceTime& time = FCmd.DevTime();
    const long long ms = FTimeDate.Time;
    time.SetDays(clampToInt(static_cast<long long>(FTimeDate.Date) + SRCPJulianDayOffset));
    time.SetHour(static_cast<int>(ms / 3600000));
    time.SetMinute(static_cast<int>(ms / 60000 % 60));
    time.SetSecond(static_cast<int>(ms / 1000 % 60));
}

void TSRCPCustomTime::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPBaseDeviceGroup::DoSetInfoData(Cmd);
    const TSRCPDeviceTime& time = Cmd.DevTime();
    FTimeDate.Date = clampToInt(static_cast<long long>(time.Days()) - SRCPJulianDayOffset);
    const long long seconds = static_cast<long long>(time.Hour()) * 3600 +
                              static_cast<long long>(time.Minute()) * 60 + time.Second();
    FTimeDate.Time = clampToInt(seconds * 1000);
}

void TSRCPCustomTime::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPBaseDeviceGroup::DoSetInitData(Cmd);
    SetDivisor(Cmd.DevTime().Divisor());
    SetMultiplicator(Cmd.DevTime().Multiplicator());
}

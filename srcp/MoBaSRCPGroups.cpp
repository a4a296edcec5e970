#include "srcp/MoBaSRCPGroups.h"

#include <algorithm>

namespace {

// Every function that is on goes out as 1.
int onOff(int value) {
    return value != 0 ? 1 : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPLocoClient

TMoBaSRCPLocoClient::TMoBaSRCPLocoClient() : FLoco(std::make_unique<TMoBaAdvancedLoco>()) {}

void TMoBaSRCPLocoClient::DoInitalize() {
    const TSRCPProtocolAndVersion protocol = MoBaToSRCPProtocol(FLoco->Protocol());
    FProtocol = protocol.Protocol;
    FSubProtocol = protocol.SubProtocol;
    FAddress = FLoco->Address();
    FMaxSpeedStep = FLoco->MaxSteps();
    SetFunctionCount(FLoco->MaxFunctions());
    TSRCPCustomLoco::DoInitalize();
}

void TMoBaSRCPLocoClient::DoSetData() {
    FAddress = FLoco->Address();
    FDriveMode = MoBaToSRCPDriveMode(FLoco->DriveMode(), FDriveMode);
    FSpeed = FLoco->Speed();
    FMaxSpeed = FLoco->MaxSpeed();
    SetFunctionCount(FLoco->MaxFunctions());
    for (int i = 0; i < FunctionCount(); ++i)
        SetFunctions(i, onOff(FLoco->Functions(i)));
    TSRCPCustomLoco::DoSetData();
}

void TMoBaSRCPLocoClient::DoGetData() {
    FAddress = FLoco->Address();
    TSRCPCustomLoco::DoGetData();
}

void TMoBaSRCPLocoClient::DoTerminate() {
    FAddress = FLoco->Address();
    TSRCPCustomLoco::DoTerminate();
}

void TMoBaSRCPLocoClient::DoLock() {
    FAddress = FLoco->Address();
    TSRCPCustomLoco::DoLock();
}

void TMoBaSRCPLocoClient::DoUnlock() {
    FAddress = FLoco->Address();
    TSRCPCustomLoco::DoUnlock();
}

void TMoBaSRCPLocoClient::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPCustomLoco::DoSetInfoData(Cmd);
    // A group that listens to a whole bus cannot know the protocol of this loco; the GET inside the
    // retry of a SET is about the loco we hold, whose protocol stays.
    if (EventMode() != semExact && !SetGetActive())
        FLoco->SetProtocol(nullptr);
    FLoco->SetAddress(FAddress);
    FLoco->SetDriveMode(SRCPToMoBaDriveMode(FDriveMode, FLoco->DriveMode()));
    FLoco->SetSpeedStep(FSpeedStep);
    FLoco->SetFunctionCount(FunctionCount());
    for (int i = 0; i < FunctionCount(); ++i)
        FLoco->SetFunctions(i, static_cast<std::uint8_t>(onOff(Functions(i))));
}

void TMoBaSRCPLocoClient::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPCustomLoco::DoSetInitData(Cmd);
    FLoco->SetProtocol(
        SRCPToMoBaLocoProtocol(FProtocol, FSubProtocol, FMaxSpeedStep, Bus(), FAddress, FunctionCount()));
    FLoco->SetAddress(FAddress);
    if (FLoco->MaxSteps() != FMaxSpeedStep)
        FMaxSpeedStep = FLoco->MaxSteps();
    FLoco->SetFunctionCount(FunctionCount());
}

void TMoBaSRCPLocoClient::DoSetTermData(TSRCPCmd& Cmd) {
    TSRCPCustomLoco::DoSetTermData(Cmd);
    if (EventMode() != semExact)
        FLoco->SetProtocol(nullptr);
    FLoco->SetAddress(FAddress);
}

void TMoBaSRCPLocoClient::DoSetLockData(TSRCPDeviceLock& Lock) {
    TSRCPCustomLoco::DoSetLockData(Lock);
    FLoco->SetAddress(FAddress);
    FLoco->Locked = true;
    FLoco->LockID = Lock.SessionID();
}

void TMoBaSRCPLocoClient::DoSetUnlockData(TSRCPDeviceLock& Lock) {
    TSRCPCustomLoco::DoSetUnlockData(Lock);
    FLoco->SetAddress(FAddress);
    FLoco->Locked = false;
    FLoco->LockID = 0;
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPAccessoireClient

TMoBaSRCPAccessoireClient::TMoBaSRCPAccessoireClient()
    : FSolenoid(std::make_unique<TMoBaAdvancedSolenoid>()) {}

void TMoBaSRCPAccessoireClient::DoInitalize() {
    FProtocol = MoBaToSRCPProtocol(FSolenoid->Protocol()).Protocol;
    FSubProtocol = 0;
    FAddress = FSolenoid->Address();
    TSRCPCustomAccessoire::DoInitalize();
}

void TMoBaSRCPAccessoireClient::DoSetData() {
    FAddress = FSolenoid->Address();
    FPort = FSolenoid->ActivePort();
    FValue = FSolenoid->Ports(FPort);
    FDelay = FSolenoid->ActivationTime();
    TSRCPCustomAccessoire::DoSetData();
}

void TMoBaSRCPAccessoireClient::DoGetData() {
    FAddress = FSolenoid->Address();
    FPort = FSolenoid->ActivePort();
    TSRCPCustomAccessoire::DoGetData();
}

void TMoBaSRCPAccessoireClient::DoTerminate() {
    FAddress = FSolenoid->Address();
    TSRCPCustomAccessoire::DoTerminate();
}

void TMoBaSRCPAccessoireClient::DoLock() {
    FAddress = FSolenoid->Address();
    TSRCPCustomAccessoire::DoLock();
}

void TMoBaSRCPAccessoireClient::DoUnlock() {
    FAddress = FSolenoid->Address();
    TSRCPCustomAccessoire::DoUnlock();
}

void TMoBaSRCPAccessoireClient::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPCustomAccessoire::DoSetInfoData(Cmd);
    if (EventMode() != semExact && !SetGetActive())
        FSolenoid->SetProtocol(nullptr);
    FSolenoid->SetAddress(FAddress);
    FSolenoid->SetPorts(FPort, FValue);
}

void TMoBaSRCPAccessoireClient::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPCustomAccessoire::DoSetInitData(Cmd);
    FSolenoid->SetProtocol(SRCPToMoBaSolenoidProtocol(FProtocol, 0, FAddress, Bus()));
    FSolenoid->SetAddress(FAddress);
}

void TMoBaSRCPAccessoireClient::DoSetTermData(TSRCPCmd& Cmd) {
    TSRCPCustomAccessoire::DoSetTermData(Cmd);
    if (EventMode() != semExact)
        FSolenoid->SetProtocol(nullptr);
    FSolenoid->SetAddress(FAddress);
}

void TMoBaSRCPAccessoireClient::DoSetLockData(TSRCPDeviceLock& Lock) {
    TSRCPCustomAccessoire::DoSetLockData(Lock);
    FSolenoid->SetAddress(FAddress);
    FSolenoid->Locked = true;
    FSolenoid->LockID = Lock.SessionID();
}

void TMoBaSRCPAccessoireClient::DoSetUnlockData(TSRCPDeviceLock& Lock) {
    TSRCPCustomAccessoire::DoSetUnlockData(Lock);
    FSolenoid->SetAddress(FAddress);
    FSolenoid->Locked = false;
    FSolenoid->LockID = 0;
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPFeedbackClient

TMoBaSRCPFeedback* TMoBaSRCPFeedbackClient::Feedbacks(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return FFBList[static_cast<std::size_t>(index)].get();
}

void TMoBaSRCPFeedbackClient::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPCustomFeedback::DoSetInfoData(Cmd);
    const auto count = static_cast<std::size_t>(ContactCount());
    while (FFBList.size() < count) {
        auto contact = std::make_unique<TMoBaSRCPFeedback>();
        contact->SetBus(Bus());
        contact->SetAddress(static_cast<int>(FFBList.size()) + 1);
        FFBList.push_back(std::move(contact));
    }
    FFBList.resize(count);
    const int index = FAddress - 1;
    if (TMoBaSRCPFeedback* contact = Feedbacks(index)) {
        contact->SetValue(Contacts(index));
        contact->SetTimeStamp(ContactTimeStamp(index));
    }
}

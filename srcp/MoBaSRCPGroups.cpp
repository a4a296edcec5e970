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

void TMoBaSRCPLocoClient::DoInitalize() {
    const TSRCPProtocolAndVersion protocol = MoBaToSRCPProtocol(FDevice->Protocol());
    FProtocol = protocol.Protocol;
    FSubProtocol = protocol.SubProtocol;
    FAddress = FDevice->Address();
    FMaxSpeedStep = FDevice->MaxSteps();
    SetFunctionCount(FDevice->MaxFunctions());
    TSRCPCustomLoco::DoInitalize();
}

void TMoBaSRCPLocoClient::DoSetData() {
    FAddress = FDevice->Address();
    FDriveMode = MoBaToSRCPDriveMode(FDevice->DriveMode(), FDriveMode);
    FSpeed = FDevice->Speed();
    FMaxSpeed = FDevice->MaxSpeed();
    SetFunctionCount(FDevice->MaxFunctions());
    for (int i = 0; i < FunctionCount(); ++i)
        SetFunctions(i, onOff(FDevice->Functions(i)));
    TSRCPCustomLoco::DoSetData();
}

void TMoBaSRCPLocoClient::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPCustomLoco::DoSetInfoData(Cmd);
    TakeReportedDevice();
    FDevice->SetDriveMode(SRCPToMoBaDriveMode(FDriveMode, FDevice->DriveMode()));
    FDevice->SetSpeedStep(FSpeedStep);
    FDevice->SetFunctionCount(FunctionCount());
    for (int i = 0; i < FunctionCount(); ++i)
        FDevice->SetFunctions(i, static_cast<std::uint8_t>(onOff(Functions(i))));
}

void TMoBaSRCPLocoClient::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPCustomLoco::DoSetInitData(Cmd);
    FDevice->SetProtocol(
        SRCPToMoBaLocoProtocol(FProtocol, FSubProtocol, FMaxSpeedStep, Bus(), FAddress, FunctionCount()));
    FDevice->SetAddress(FAddress);
    if (FDevice->MaxSteps() != FMaxSpeedStep)
        FMaxSpeedStep = FDevice->MaxSteps();
    FDevice->SetFunctionCount(FunctionCount());
}

// ---------------------------------------------------------------------------------------------------
// TMoBaSRCPAccessoireClient

void TMoBaSRCPAccessoireClient::DoInitalize() {
    FProtocol = MoBaToSRCPProtocol(FDevice->Protocol()).Protocol;
    FSubProtocol = 0;
    FAddress = FDevice->Address();
    TSRCPCustomAccessoire::DoInitalize();
}

void TMoBaSRCPAccessoireClient::DoSetData() {
    FAddress = FDevice->Address();
    FPort = FDevice->ActivePort();
    FValue = FDevice->Ports(FPort);
    FDelay = FDevice->ActivationTime();
    TSRCPCustomAccessoire::DoSetData();
}

void TMoBaSRCPAccessoireClient::DoGetData() {
    FAddress = FDevice->Address();
    FPort = FDevice->ActivePort();
    TSRCPCustomAccessoire::DoGetData();
}

void TMoBaSRCPAccessoireClient::DoSetInfoData(TSRCPCmd& Cmd) {
    TSRCPCustomAccessoire::DoSetInfoData(Cmd);
    TakeReportedDevice();
    FDevice->SetPorts(FPort, FValue);
}

void TMoBaSRCPAccessoireClient::DoSetInitData(TSRCPCmd& Cmd) {
    TSRCPCustomAccessoire::DoSetInitData(Cmd);
    FDevice->SetProtocol(SRCPToMoBaSolenoidProtocol(FProtocol, 0, FAddress, Bus()));
    FDevice->SetAddress(FAddress);
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

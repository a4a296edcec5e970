#pragma once

// Device groups bound to the device model: they build their commands from a model object and take
// what the server reports into it. The bus wrappers (MoBaSRCPBus.h) own them.

#include "srcp/MoBaSRCPDevices.h"
#include "srcp/SrcpGroups.h"

#include <memory>
#include <vector>

// What the loco and the accessory binding share: the owned device, whose address every command
// carries, and what TERM and LOCK lines do to it.
template <class Group, class Device> class TMoBaSRCPDeviceBinding : public Group {
public:
    // Lines about addresses outside 1..HighestAddress are dropped: each would make a cache entry of
    // the bus wrapper (and an INIT an automatic protocol description) for a decoder no protocol has.
    void SetDataAnswer(TSRCPCmd& Cmd) override {
        if (Cmd.DeviceGroup() == this->DeviceGroup() || Cmd.DeviceGroup() == dgLock) {
            const int address = this->LineAddress(Cmd);
            if (address < 1 || address > FHighestAddress)
                return;
        }
        Group::SetDataAnswer(Cmd);
    }

protected:
    explicit TMoBaSRCPDeviceBinding(int HighestAddress)
        : FDevice(std::make_unique<Device>()), FHighestAddress(HighestAddress) {}

    void DoGetData() override {
        this->FAddress = FDevice->Address();
        Group::DoGetData();
    }
    void DoTerminate() override {
        this->FAddress = FDevice->Address();
        Group::DoTerminate();
    }
    void DoLock() override {
        this->FAddress = FDevice->Address();
        Group::DoLock();
    }
    void DoUnlock() override {
        this->FAddress = FDevice->Address();
        Group::DoUnlock();
    }
    // A group that listens to a whole bus cannot know the protocol of the device a line is about; the
    // GET inside the retry of a SET is about the device we hold, whose protocol stays.
    void TakeReportedDevice() {
        if (this->EventMode() != semExact && !this->SetGetActive())
            FDevice->SetProtocol(nullptr);
        FDevice->SetAddress(this->FAddress);
    }
    void DoSetTermData(TSRCPCmd& Cmd) override {
        Group::DoSetTermData(Cmd);
        TakeReportedDevice();
    }
    void DoSetLockData(TSRCPDeviceLock& Lock) override {
        Group::DoSetLockData(Lock);
        FDevice->SetAddress(this->FAddress);
        FDevice->Locked = true;
        FDevice->LockID = Lock.SessionID();
    }
    void DoSetUnlockData(TSRCPDeviceLock& Lock) override {
        Group::DoSetUnlockData(Lock);
        FDevice->SetAddress(this->FAddress);
        FDevice->Locked = false;
        FDevice->LockID = 0;
    }

    std::unique_ptr<Device> FDevice;
    const int FHighestAddress;
};

class TMoBaSRCPLocoClient : public TMoBaSRCPDeviceBinding<TSRCPCustomLoco, TMoBaAdvancedLoco> {
public:
    TMoBaSRCPLocoClient() : TMoBaSRCPDeviceBinding(MoBaHighestLocoAddress) {}
    // The loco whose state is sent or was received last; created without protocol.
    TMoBaAdvancedLoco* Loco() const { return FDevice.get(); }
    // Copies value.
    void SetLoco(const TMoBaAdvancedLoco& value) { FDevice->Assign(value); }

protected:
    void DoSetData() override;
    void DoInitalize() override;
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
};

class TMoBaSRCPAccessoireClient
    : public TMoBaSRCPDeviceBinding<TSRCPCustomAccessoire, TMoBaAdvancedSolenoid> {
public:
    TMoBaSRCPAccessoireClient() : TMoBaSRCPDeviceBinding(MoBaHighestSolenoidAddress) {}
    TMoBaAdvancedSolenoid* Solenoid() const { return FDevice.get(); }
    void SetSolenoid(const TMoBaAdvancedSolenoid& value) { FDevice->Assign(value); }

protected:
    void DoGetData() override;
    void DoSetData() override;
    void DoInitalize() override;
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
};

// Keeps one contact object per contact: entry i has address i + 1.
class TMoBaSRCPFeedbackClient : public TSRCPCustomFeedback {
public:
    int Count() const { return static_cast<int>(FFBList.size()); }
    // Null outside 0..Count-1.
    TMoBaSRCPFeedback* Feedbacks(int index) const;

protected:
    void DoSetInfoData(TSRCPCmd& Cmd) override;

private:
    std::vector<std::unique_ptr<TMoBaSRCPFeedback>> FFBList;
};

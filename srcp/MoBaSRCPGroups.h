#pragma once

// Device groups bound to the device model: they build their commands from a model object and take
// what the server reports into it. The bus wrappers (MoBaSRCPBus.h) own them.

#include "srcp/MoBaSRCPDevices.h"
#include "srcp/SrcpGroups.h"

#include <memory>
#include <vector>

class TMoBaSRCPLocoClient : public TSRCPCustomLoco {
public:
    TMoBaSRCPLocoClient();

    // The loco whose state is sent or was received last; created without protocol.
    TMoBaAdvancedLoco* Loco() const { return FLoco.get(); }
    // Copies value.
    void SetLoco(const TMoBaAdvancedLoco& value) { FLoco->Assign(value); }

protected:
    void DoGetData() override;
    void DoSetData() override;
    void DoInitalize() override;
    void DoTerminate() override;
    void DoLock() override;
    void DoUnlock() override;
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
    void DoSetTermData(TSRCPCmd& Cmd) override;
    void DoSetLockData(TSRCPDeviceLock& Lock) override;
    void DoSetUnlockData(TSRCPDeviceLock& Lock) override;

private:
    std::unique_ptr<TMoBaAdvancedLoco> FLoco;
};

class TMoBaSRCPAccessoireClient : public TSRCPCustomAccessoire {
public:
    TMoBaSRCPAccessoireClient();

    TMoBaAdvancedSolenoid* Solenoid() const { return FSolenoid.get(); }
    void SetSolenoid(const TMoBaAdvancedSolenoid& value) { FSolenoid->Assign(value); }

protected:
    void DoGetData() override;
    void DoSetData() override;
    void DoInitalize() override;
    void DoTerminate() override;
    void DoLock() override;
    void DoUnlock() override;
    void DoSetInfoData(TSRCPCmd& Cmd) override;
    void DoSetInitData(TSRCPCmd& Cmd) override;
    void DoSetTermData(TSRCPCmd& Cmd) override;
    void DoSetLockData(TSRCPDeviceLock& Lock) override;
    void DoSetUnlockData(TSRCPDeviceLock& Lock) override;

private:
    std::unique_ptr<TMoBaAdvancedSolenoid> FSolenoid;
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

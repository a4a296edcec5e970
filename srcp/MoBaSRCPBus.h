#pragma once

// One bus of the server and its wrappers, one per device group that the server describes for it:
// power, locos, accessories, feedback contacts and the clock. Each wrapper owns a device group that
// listens to the whole bus, turns the caller's model objects into commands, keeps the devices as the
// server last reported them, and passes every change to the client component (MoBaSRCP.h), which
// fires its events. Everything here runs on the main thread.

#include "platform/MainThreadDispatcher.h"
#include "srcp/MoBaSRCPGroups.h"

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

class IniFile;
class TMoBaSRCPBus;
class TMoBaSRCPClient;

// The devices of one group as the server last reported them, in the order of their first report,
// found by address without a walk over all of them: a server may report thousands.
template <class Cached> class TMoBaSRCPCache {
public:
    int Count() const { return static_cast<int>(FList.size()); }
    // Raises std::out_of_range outside 0..Count-1.
    Cached* Items(int index) const {
        if (index < 0 || index >= Count())
            throw std::out_of_range("list index " + std::to_string(index) + " out of bounds");
        return FList[static_cast<std::size_t>(index)].get();
    }
    // The device with that address, or null.
    Cached* Find(int address) const {
        const auto it = FIndex.find(address);
        return it != FIndex.end() ? it->second : nullptr;
    }
    Cached& Append(std::unique_ptr<Cached> device) {
        Cached& added = *device;
        FIndex.emplace(added.Address(), &added);
        FList.push_back(std::move(device));
        return added;
    }
    // After the address of a cached device may have changed (a protocol with a lower highest address
    // clamps it): it is found by its new address, unless another device has that one already.
    void Readdress(Cached& device, int oldAddress) {
        if (device.Address() == oldAddress)
            return;
        const auto it = FIndex.find(oldAddress);
        if (it != FIndex.end() && it->second == &device)
            FIndex.erase(it);
        FIndex.emplace(device.Address(), &device);
    }
    // The device with that address, out of the cache; null when there is none.
    std::unique_ptr<Cached> TakeOut(int address) {
        Cached* device = Find(address);
        if (!device)
            return nullptr;
        FIndex.erase(address);
        const auto it =
            std::find_if(FList.begin(), FList.end(), [&](const auto& d) { return d.get() == device; });
        std::unique_ptr<Cached> out = std::move(*it);
        FList.erase(it);
        return out;
    }

private:
    std::vector<std::unique_ptr<Cached>> FList;
    std::unordered_map<int, Cached*> FIndex;
};

// What every wrapper has: its bus and the way to the client component.
class TMoBaSRCPBusWrapper {
public:
    explicit TMoBaSRCPBusWrapper(TMoBaSRCPBus* ABus) : FBus(ABus) {}
    virtual ~TMoBaSRCPBusWrapper() = default;
    TMoBaSRCPBusWrapper(const TMoBaSRCPBusWrapper&) = delete;
    TMoBaSRCPBusWrapper& operator=(const TMoBaSRCPBusWrapper&) = delete;

    TMoBaSRCPBus* Bus() const { return FBus; }
    // Takes the wrapper's group off the client's sessions.
    void Detach();

protected:
    virtual TSRCPBaseDeviceGroup& Group() const = 0;
    TMoBaSRCPClient& Client() const;
    // Commands go out only while the client is connected and this bus is still its own: during a
    // teardown (a handler of OnDisconnect, a command after the connection was lost) they return false.
    bool MaySend() const;
    // Gives group the client's sessions, the bus and the whole-bus event mode.
    void Attach(TSRCPBaseDeviceGroup& group) const;

    TMoBaSRCPBus* FBus;
};

class TMoBaSRCPPower : public TMoBaSRCPBusWrapper {
public:
    // Asks the server for the power state at once.
    explicit TMoBaSRCPPower(TMoBaSRCPBus* ABus);

    bool PowerOn() const { return FPower->PowerOn(); }
    // Stores the state and sends it; false when it did not go through.
    bool SetPowerOn(bool value);
    // Asks the server (GET).
    bool Update();

private:
    TSRCPBaseDeviceGroup& Group() const override { return *FPower; }
    void HandleOnInit();
    std::unique_ptr<TSRCPPower> FPower;
};

class TMoBaSRCPLocos : public TMoBaSRCPBusWrapper {
public:
    explicit TMoBaSRCPLocos(TMoBaSRCPBus* ABus);

    // Announces the loco (INIT) and sends its state (SET); the result is that of SET.
    bool Add(const TMoBaAdvancedLoco& ALoco);
    // Sends the loco's state (SET).
    bool Change(const TMoBaAdvancedLoco& ALoco);

    // The locos as the server last reported them. Items raises std::out_of_range outside the list;
    // Locos gives the first with that address, or null. A handler must not keep them: TERM frees.
    int Count() const {
        QUARN_ASSERT_MAIN_THREAD();
        return FLocoList.Count();
    }
    TMoBaSRCPLoco* Items(int index) const {
        QUARN_ASSERT_MAIN_THREAD();
        return FLocoList.Items(index);
    }
    TMoBaSRCPLoco* Locos(int address) const {
        QUARN_ASSERT_MAIN_THREAD();
        return FLocoList.Find(address);
    }

private:
    TSRCPBaseDeviceGroup& Group() const override { return *FSRCPLoco; }
    TMoBaSRCPLoco& FindOrCreate(int address);
    void HandleOnChange();
    void HandleOnInit();
    void HandleOnTerm();
    void HandleLockUnlock();

    TMoBaSRCPCache<TMoBaSRCPLoco> FLocoList;
    std::unique_ptr<TMoBaSRCPLocoClient> FSRCPLoco;
};

class TMoBaSRCPAccessoires : public TMoBaSRCPBusWrapper {
public:
    explicit TMoBaSRCPAccessoires(TMoBaSRCPBus* ABus);

    // INIT, then SET; a good SET keeps a copy until the server's first report of the accessory, which
    // takes over its activation time. The result is that of SET.
    bool Add(const TMoBaAdvancedSolenoid& ASolenoid);
    bool Change(const TMoBaAdvancedSolenoid& ASolenoid);

    int Count() const {
        QUARN_ASSERT_MAIN_THREAD();
        return FAccessoireList.Count();
    }
    TMoBaSRCPSolenoid* Items(int index) const {
        QUARN_ASSERT_MAIN_THREAD();
        return FAccessoireList.Items(index);
    }
    TMoBaSRCPSolenoid* Solenoids(int address) const {
        QUARN_ASSERT_MAIN_THREAD();
        return FAccessoireList.Find(address);
    }
    // The activation time of accessories that the server reports without an Add of ours.
    int DefaultDelay() const { return FDefaultDelay; }
    void SetDefaultDelay(int value) {
        QUARN_ASSERT_MAIN_THREAD();
        FDefaultDelay = value;
    }
    // Copies kept by Add and not yet taken over.
    int AddedCount() const { return static_cast<int>(FAddedList.size()); }

    void ReadFromIniFile(const IniFile& Ini);
    void WriteToIniFile(IniFile& Ini) const;

private:
    TSRCPBaseDeviceGroup& Group() const override { return *FSRCPAccessoire; }
    TMoBaSRCPSolenoid& FindOrCreate(int address);
    std::unique_ptr<TMoBaSRCPSolenoid> NewSolenoid(int address) const;
    void CopyDelayTime(TMoBaSRCPSolenoid& solenoid);
    void HandleOnChange();
    void HandleOnInit();
    void HandleOnTerm();
    void HandleLockUnlock();

    TMoBaSRCPCache<TMoBaSRCPSolenoid> FAccessoireList;
    std::vector<std::unique_ptr<TMoBaSRCPSolenoid>> FAddedList;
    std::unique_ptr<TMoBaSRCPAccessoireClient> FSRCPAccessoire;
    int FDefaultDelay = 200;
};

class TMoBaSRCPFeedbacks : public TMoBaSRCPBusWrapper {
public:
    explicit TMoBaSRCPFeedbacks(TMoBaSRCPBus* ABus);

    // One contact object per contact up to the highest address reported; entry i has address i + 1.
    int Count() const {
        QUARN_ASSERT_MAIN_THREAD();
        return FSRCPFeedback->Count();
    }
    TMoBaSRCPFeedback* Items(int index) const;
    const std::string& InitString() const { return FSRCPFeedback->InitString(); }
    void SetInitString(const std::string& value) {
        QUARN_ASSERT_MAIN_THREAD();
        FSRCPFeedback->SetInitString(value);
    }
    bool Enabled() const { return FSRCPFeedback->Enabled(); }
    // true sends INIT with the init string when the group is terminated, false TERM when it runs.
    void SetEnabled(bool value);

    void ReadFromIniFile(const IniFile& Ini);
    void WriteToIniFile(IniFile& Ini) const;

private:
    TSRCPBaseDeviceGroup& Group() const override { return *FSRCPFeedback; }
    void HandleOnChange();
    void HandleInitTerm(bool init);

    std::unique_ptr<TMoBaSRCPFeedbackClient> FSRCPFeedback;
};

class TMoBaSRCPTime : public TMoBaSRCPBusWrapper {
public:
    explicit TMoBaSRCPTime(TMoBaSRCPBus* ABus);

    // Values below 1 become 1; nothing is sent.
    int Multiplicator() const { return FTime->Multiplicator(); }
    void SetMultiplicator(int value) { FTime->SetMultiplicator(value); }
    int Divisor() const { return FTime->Divisor(); }
    void SetDivisor(int value) { FTime->SetDivisor(value); }
    bool Enabled() const { return FTime->Enabled(); }
    // true initialises the server's clock with multiplicator and divisor and sends the time; false
    // ends it.
    void SetEnabled(bool value);
    // Writing sends SET while the clock is enabled.
    TDateTime DateTime() const { return FTime->DateTime(); }
    void SetDateTime(TDateTime value);
    const TTimeStamp& TimeDate() const { return FTime->TimeDate(); }
    void SetTimeDate(const TTimeStamp& value);

    void ReadFromIniFile(const IniFile& Ini);
    void WriteToIniFile(IniFile& Ini) const;

private:
    TSRCPBaseDeviceGroup& Group() const override { return *FTime; }
    std::unique_ptr<TSRCPTime> FTime;
};

class TMoBaSRCPBus {
public:
    // From a description, or (without one) by asking the server for the description of bus
    // BusCount() of the client. A bus whose description names no group stays Invalid.
    TMoBaSRCPBus(TMoBaSRCPClient* AClient, const TSRCPCustomDescription* ADescription);
    // While the client's profile is active, the accessory, feedback and clock settings are written
    // first.
    ~TMoBaSRCPBus();
    TMoBaSRCPBus(const TMoBaSRCPBus&) = delete;
    TMoBaSRCPBus& operator=(const TMoBaSRCPBus&) = delete;

    int BusNumber() const { return FBusNumber; }
    bool Invalid() const { return FInvalid; }
    bool EmergencyStop() const { return FEmergencyStop; }
    // true stops every cached loco, false lets those that were stopped go on in their direction.
    void SetEmergencyStop(bool value);
    // The wrappers of the groups the server named; null for the others.
    TMoBaSRCPPower* Power() const { return FPower.get(); }
    TMoBaSRCPLocos* GLs() const { return FLocos.get(); }
    TMoBaSRCPAccessoires* GAs() const { return FAccessoires.get(); }
    TMoBaSRCPFeedbacks* FBs() const { return FFeedbacks.get(); }
    TMoBaSRCPTime* Time() const { return FTime.get(); }
    bool AutoPowerOn() const;
    TSRCPCommandClient* CmdClnt() const;
    TSRCPInfoClient* InfoClnt() const;
    // "Bus<n>Info", the profile section of this bus.
    std::string BusSectionName() const;
    TMoBaSRCPClient* Client() const { return FSRCPClnt; }

    // Clock, accessories, feedback, in this order, for the wrappers that exist.
    void ReadFromIniFile(const IniFile& Ini);
    void WriteToIniFile(IniFile& Ini) const;

    // Takes every group off the client's sessions: a bus that the client has let go of receives no
    // line and sends no command any more.
    void Detach();
    bool Detached() const { return FDetached; }

private:
    void AddDeviceGroup(TSRCPDeviceGroup group);
    // The profile's settings of a wrapper just made, when the profile is active.
    template <class Wrapper> void ReadProfile(Wrapper& wrapper) const;

    bool FInvalid = true;
    bool FEmergencyStop = false;
    int FBusNumber = 0;
    bool FDetached = false;
    TMoBaSRCPClient* FSRCPClnt;
    // Freed in the order power, locos, accessories, feedback, clock.
    std::unique_ptr<TMoBaSRCPTime> FTime;
    std::unique_ptr<TMoBaSRCPFeedbacks> FFeedbacks;
    std::unique_ptr<TMoBaSRCPAccessoires> FAccessoires;
    std::unique_ptr<TMoBaSRCPLocos> FLocos;
    std::unique_ptr<TMoBaSRCPPower> FPower;
};

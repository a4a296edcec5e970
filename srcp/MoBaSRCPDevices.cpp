#include "srcp/MoBaSRCPDevices.h"

#include "srcp/SrcpClnt.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// A description made up for an address beyond 256 must still cover that address, or the next
// INIT of the same device would not find it and append another one.
constexpr int AutomaticMaxAddress = 256;

// An address below 1, which no description covers, is looked up as address 1: otherwise every
// INIT of such a device would append another automatic description.
bool coversAddress(const TMoBaBaseProtocol& protocol, int address) {
    return std::max(address, 1) <= protocol.MaxAddress;
}

// Bus numbers outside the set's range are not members of any set.
void joinGroups(TMoBaBaseProtocol& protocol, int bus) {
    if (bus >= 0 && bus < static_cast<int>(protocol.Groups.size()))
        protocol.Groups.set(static_cast<std::size_t>(bus));
}

TMoBaProtocolBase baseOf(TSRCPProtocols protocol) {
    return protocol < SRCPProtocolCount ? SRCPToMoBaProtTranslation[protocol] : mpbCustom;
}

template <class... Args> std::string formatText(int number, Args... args) {
    const std::string format = SRCPResourceString(number);
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format.c_str(), args...);
    return buffer;
}

// The first description of the list of that family and version whose addresses include address and
// that passes further; the bus joins its groups.
template <class List, class Further>
auto* findDescription(List& list, TMoBaProtocolBase base, int version, int address, int bus,
                      Further further) {
    for (int i = 0; i < list.Count(); ++i) {
        auto* p = list.Items(i);
        if (p->ProtocolBase == base && p->ProtocolExtension == version && coversAddress(*p, address) &&
            further(*p)) {
            joinGroups(*p, bus);
            return p;
        }
    }
    return decltype(list.Items(0))(nullptr);
}

// Descriptions made up for what a server reports are few on a real layout: one per protocol variant,
// whatever the addresses. A server that keeps naming new variants (protocol version, speed steps,
// function count) must not grow the list (and every look-up in it) without end. Past this many, a
// device of a new variant gets no description and so the open limits of a device without one.
constexpr int MaxAutomaticDescriptions = 256;

template <class List> bool roomForAutomatic(const List& list, int name) {
    const std::string automatic = SRCPResourceString(name);
    int count = 0;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i)->Name == automatic)
            ++count;
    return count < MaxAutomaticDescriptions;
}

// The description made up before for this variant, whatever its addresses, grown to take address;
// null when there is none. Devices keep referring to it: it is changed in place, never replaced.
template <class List, class Same>
auto* grownAutomatic(List& list, TMoBaProtocolBase base, int version, int address, int bus, int name,
                     Same same) {
    const std::string automatic = SRCPResourceString(name);
    for (int i = 0; i < list.Count(); ++i) {
        auto* p = list.Items(i);
        if (p->Name == automatic && p->ProtocolBase == base && p->ProtocolExtension == version && same(*p)) {
            p->MaxAddress = std::max(p->MaxAddress, address);
            joinGroups(*p, bus);
            return p;
        }
    }
    return decltype(list.Items(0))(nullptr);
}

template <class Protocol>
std::unique_ptr<Protocol> automaticDescription(TMoBaProtocolBase base, int version, int address, int bus,
                                               int name) {
    auto p = std::make_unique<Protocol>();
    p->ProtocolBase = base;
    p->ProtocolExtension = version;
    p->MaxAddress = std::max(AutomaticMaxAddress, address);
    joinGroups(*p, bus);
    p->Name = SRCPResourceString(name);
    return p;
}

} // namespace

// ---- cached devices ----

void TMoBaSRCPLoco::AssignTo(Assignable& Dest) const {
    TMoBaAdvancedLoco::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaSRCPLoco*>(&Dest)) {
        target->FSRCPState = FSRCPState;
        target->FBus = FBus;
        target->FTimeStamp = FTimeStamp;
    }
}

TMoBaSRCPSolenoid::TMoBaSRCPSolenoid() {
    FTimeStamps.assign(static_cast<std::size_t>(PortCount()), 0.0);
}

double TMoBaSRCPSolenoid::TimeStamps(int port) const {
    if (port < 0 || port >= static_cast<int>(FTimeStamps.size()))
        return 0;
    return FTimeStamps[static_cast<std::size_t>(port)];
}

void TMoBaSRCPSolenoid::SetTimeStamps(int port, double value) {
    if (port >= 0 && port < static_cast<int>(FTimeStamps.size()))
        FTimeStamps[static_cast<std::size_t>(port)] = value;
}

void TMoBaSRCPSolenoid::RecalculateSettings() {
    TMoBaAdvancedSolenoid::RecalculateSettings();
    FTimeStamps.resize(static_cast<std::size_t>(PortCount()), 0.0);
}

void TMoBaSRCPSolenoid::AssignTo(Assignable& Dest) const {
    TMoBaAdvancedSolenoid::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaSRCPSolenoid*>(&Dest)) {
        target->FSRCPState = FSRCPState;
        target->FBus = FBus;
        // The port array came over with its length.
        target->FTimeStamps.resize(static_cast<std::size_t>(target->PortCount()), 0.0);
    }
}

void TMoBaSRCPFeedback::AssignTo(Assignable& Dest) const {
    TMoBaBaseFeedback::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaSRCPFeedback*>(&Dest)) {
        target->FBus = FBus;
        target->FTimeStamp = FTimeStamp;
    }
}

// ---- translations ----

TSRCPProtocolAndVersion MoBaToSRCPProtocol(const TMoBaBaseProtocol* Protocol) {
    if (!Protocol)
        return {};
    return {MoBaToSRCPProtTranslation[Protocol->ProtocolBase], Protocol->ProtocolExtension};
}

TSRCPDriveMode MoBaToSRCPDriveMode(TMoBaDriveMode Mode, TSRCPDriveMode Current) {
    switch (Mode) {
    case mdmForward:
        return dmForward;
    case mdmBackwards:
        return dmBackwards;
    case mdmChange:
        return Current == dmForward ? dmBackwards : dmForward;
    case mdmEmergencyStop:
        return dmEmergencyStop;
    default:
        return dmInvalid;
    }
}

TMoBaDriveMode SRCPToMoBaDriveMode(TSRCPDriveMode Mode, TMoBaDriveMode Current) {
    switch (Mode) {
    case dmForward:
        return mdmForward;
    case dmBackwards:
        return mdmBackwards;
    case dmEmergencyStop:
        return mdmEmergencyStop;
    default:
        return Current;
    }
}

TMoBaLocoProtocol* SRCPToMoBaLocoProtocol(TSRCPProtocols Protocol, int SubProtocol, int SpeedSteps, int Bus,
                                          int Address, int FunctionCount) {
    if (!MoBaLocoProtocols)
        return nullptr;
    const TMoBaProtocolBase base = baseOf(Protocol);
    const auto sameLimits = [&](const TMoBaLocoProtocol& d) {
        return d.MaxSteps == SpeedSteps && d.MaxFunctions == FunctionCount;
    };
    if (auto* p = findDescription(*MoBaLocoProtocols, base, SubProtocol, Address, Bus, sameLimits))
        return p;
    if (auto* p = grownAutomatic(*MoBaLocoProtocols, base, SubProtocol, Address, Bus,
                                 SRCPTextAutomaticLocoProtocol, sameLimits)) {
        p->Description = formatText(SRCPTextAutomaticLocoDescription, p->Name.c_str(), p->MaxAddress,
                                    p->MaxSteps, p->MaxFunctions);
        return p;
    }
    if (!roomForAutomatic(*MoBaLocoProtocols, SRCPTextAutomaticLocoProtocol))
        return nullptr;
    auto p = automaticDescription<TMoBaLocoProtocol>(base, SubProtocol, Address, Bus,
                                                     SRCPTextAutomaticLocoProtocol);
    p->MaxSteps = SpeedSteps;
    p->MaxFunctions = FunctionCount;
    p->MinSteps = 0;
    p->Description = formatText(SRCPTextAutomaticLocoDescription, p->Name.c_str(), p->MaxAddress, p->MaxSteps,
                                p->MaxFunctions);
    TMoBaLocoProtocol* added = p.get();
    MoBaLocoProtocols->Add(p.release());
    return added;
}

TMoBaSolenoidProtocol* SRCPToMoBaSolenoidProtocol(TSRCPProtocols Protocol, int SubProtocol, int Address,
                                                  int Bus) {
    if (!MoBaSolenoidProtocols)
        return nullptr;
    const TMoBaProtocolBase base = baseOf(Protocol);
    const auto anyLimits = [](const TMoBaSolenoidProtocol&) { return true; };
    if (auto* p = findDescription(*MoBaSolenoidProtocols, base, SubProtocol, Address, Bus, anyLimits))
        return p;
    if (auto* p = grownAutomatic(*MoBaSolenoidProtocols, base, SubProtocol, Address, Bus,
                                 SRCPTextAutomaticSolenoidProtocol, anyLimits)) {
        p->Description = formatText(SRCPTextAutomaticSolenoidDescription, p->Name.c_str(), p->MaxAddress);
        return p;
    }
    if (!roomForAutomatic(*MoBaSolenoidProtocols, SRCPTextAutomaticSolenoidProtocol))
        return nullptr;
    auto p = automaticDescription<TMoBaSolenoidProtocol>(base, SubProtocol, Address, Bus,
                                                         SRCPTextAutomaticSolenoidProtocol);
    p->MaxPort = 1;
    p->MaxValue = 1;
    p->Description = formatText(SRCPTextAutomaticSolenoidDescription, p->Name.c_str(), p->MaxAddress);
    TMoBaSolenoidProtocol* added = p.get();
    MoBaSolenoidProtocols->Add(p.release());
    return added;
}

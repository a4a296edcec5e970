#include "engine/SRCP08unit.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/MainFormState.h"
#include "engine/lokunit.h"
#include "platform/DialogService.h"
#include "srcp/MoBaSRCP.h"

C_SRCP08* SRCP08 = nullptr;
TMoBaSolenoidProtocol* MMSopr = nullptr;
TMoBaSolenoidProtocol* NMRASopr = nullptr;

namespace {

struct LocoProtocolRow {
    const char* name;
    TMoBaProtocolBase base;
    int maxAddress;
    int extension;
    int group;
    int minSteps;
    int maxSteps;
    int maxFunctions;
};

constexpr LocoProtocolRow MotorolaRows[] = {
    {"Old Motorola", mpbMotorola, 80, 1, 1, 0, 14, 1},
    {"New Motorola (M2)", mpbMotorola, 80, 2, 1, 0, 14, 5},
    {"Extended Motorola 1 (M3)", mpbMotorola, 255, 2, 1, 0, 28, 5},
    {"Extended Motorola 2 (M4)", mpbMotorola, 255, 2, 1, 0, 14, 5},
    {"Extended Motorola 3 (M5)", mpbMotorola, 80, 2, 1, 0, 27, 5},
};

constexpr LocoProtocolRow NmraRows[] = {
    {"NMRA Base (NB)", mpbNMRA, 99, 1, 2, 0, 14, 0},
    {"Extended NMRA 1 (N1a)", mpbNMRA, 99, 1, 2, 0, 14, 9},
    {"Extended NMRA 1 (N1b)", mpbNMRA, 99, 1, 2, 0, 28, 5},
    {"Extended NMRA 2 (N2)", mpbNMRA, 99, 1, 2, 0, 128, 5},
    {"Extended NMRA 3 (N3)", mpbNMRA, 10239, 2, 3, 0, 28, 5},
    {"Extended NMRA 4 (N4)", mpbNMRA, 10239, 2, 3, 0, 128, 5},
};

// Keeps every description made by an adapter until the program ends.
std::vector<std::unique_ptr<TMoBaLocoProtocol>>& keptProtocols() {
    static std::vector<std::unique_ptr<TMoBaLocoProtocol>> kept;
    return kept;
}

TMoBaLocoProtocol* makeProtocol(const LocoProtocolRow& row) {
    auto protocol = std::make_unique<TMoBaLocoProtocol>();
    protocol->Name = row.name;
    protocol->Description.clear();
    protocol->ProtocolBase = row.base;
    protocol->MaxAddress = row.maxAddress;
    protocol->ProtocolExtension = row.extension;
    protocol->Groups.reset();
    protocol->Groups.set(static_cast<std::size_t>(row.group));
    protocol->MinSteps = row.minSteps;
    protocol->MaxSteps = row.maxSteps;
    protocol->MaxFunctions = row.maxFunctions;
    keptProtocols().push_back(std::move(protocol));
    return keptProtocols().back().get();
}

TMoBaSolenoidProtocol* makeSolenoidProtocol(const char* name, TMoBaProtocolBase base, int maxAddress,
                                            int group) {
    auto* protocol = new TMoBaSolenoidProtocol;
    protocol->Name = name;
    protocol->ProtocolBase = base;
    protocol->ProtocolExtension = 0;
    protocol->MaxAddress = maxAddress;
    protocol->Groups.reset();
    protocol->Groups.set(static_cast<std::size_t>(group));
    protocol->MaxPort = 1;
    protocol->MaxValue = 1;
    return protocol;
}

void debugLine(const std::string& text) {
    if (debugOn())
        MainForm->debugLine(text);
}

// The slot's direction, maximum, speed and functions on loco.
void takeSlotState(TMoBaAdvancedLoco& loco, const tLokEntry& slot) {
    loco.SetDriveMode(slot.Direction == 1 ? mdmForward : mdmBackwards);
    // The maximum first: the speed step is derived from the speed and the maximum together.
    loco.SetMaxSpeed(slot.Speed_max);
    loco.SetSpeed(slot.Speed);
    // The slot holds F0..F32; a protocol of the server's may claim up to 255 functions.
    const int functions = std::min({loco.MaxFunctions(), loco.FunctionCount(), Dekod_FuncsCount});
    for (int j = 0; j < functions; ++j)
        loco.SetFunctions(j, slot.F[static_cast<std::size_t>(j)] > 10 ? 1 : 0);
}

} // namespace

void createAccessoryProtocols() {
    freeAccessoryProtocols();
    MMSopr = makeSolenoidProtocol("Motorola Solenoid", mpbMotorola, 256, 5);
    NMRASopr = makeSolenoidProtocol("NMRA Accessory", mpbNMRA, 4096, 6);
}

void freeAccessoryProtocols() {
    delete MMSopr;
    MMSopr = nullptr;
    delete NMRASopr;
    NMRASopr = nullptr;
}

TMoBaSRCPClient* connectedClient() {
    TMoBaSRCPClient* client = MainForm ? MainForm->SRCPCl2 : nullptr;
    return client && client->Connected() ? client : nullptr;
}

TMoBaSRCPBus* clientBus(int index, const char* what) {
    TMoBaSRCPClient* client = connectedClient();
    if (!client)
        return nullptr;
    // Bus list positions come from the settings file and from the order of the server's
    // descriptions; the list may be shorter than the layout this program expects.
    if (index < 0 || index >= client->BusCount()) {
        debugLine(std::string(what) + ": bus list entry " + std::to_string(index) + " does not exist (" +
                  std::to_string(client->BusCount()) + " buses described)");
        return nullptr;
    }
    return client->Busses(index);
}

namespace {

constexpr const char* UserCommandNames[] = {"Loco command", "Accessory command", "Power command",
                                            "Feedback start"};

// What the user has been told in this connection of the drops for a missing bus list entry, by
// kind of command: the box, and a note in status panel 1 since the kind last found its entry.
struct MissingBusReports {
    std::array<bool, std::size(UserCommandNames)> boxShown{};
    std::array<bool, std::size(UserCommandNames)> panelShown{};
};

MissingBusReports& missingBusReports() {
    static MissingBusReports reports;
    return reports;
}

} // namespace

std::string missingBusText(UserCommand what, int position, int described) {
    return std::string(UserCommandNames[static_cast<std::size_t>(what)]) +
           " not sent to server: it needs position " + std::to_string(position) +
           " of the server's bus list, and the server described " + std::to_string(described) +
           (described == 1 ? " bus." : " buses.");
}

TMoBaSRCPBus* userCommandBus(int index, UserCommand what) {
    const auto kind = static_cast<std::size_t>(what);
    TMoBaSRCPBus* bus = clientBus(index, UserCommandNames[kind]);
    MissingBusReports& reports = missingBusReports();
    if (bus) {
        reports.panelShown[kind] = false;
        return bus;
    }
    // Without a connection nothing was dropped: the caller says so where it matters.
    const TMoBaSRCPClient* client = connectedClient();
    if (!client)
        return nullptr;
    const std::string text = missingBusText(what, index, client->BusCount());
    if (!reports.boxShown[kind]) {
        reports.boxShown[kind] = true;
        dialogs().message(uiText(102), text, MessageIcon::Stop);
    } else if (!reports.panelShown[kind]) {
        reports.panelShown[kind] = true;
        MainForm->setStatusPanel(1, text);
    }
    return nullptr;
}

void forgetMissingBusReports() {
    missingBusReports() = {};
}

C_SRCP08::C_SRCP08() {
    createLocoProtocols();
}

void C_SRCP08::createLocoProtocols() {
    for (std::size_t i = 0; i < std::size(MotorolaRows); ++i)
        MMpr[i] = makeProtocol(MotorolaRows[i]);
    for (std::size_t i = 0; i < std::size(NmraRows); ++i)
        NMRADCCpr[i] = makeProtocol(NmraRows[i]);
}

TMoBaLocoProtocol* C_SRCP08::locoProtocol(int base, int version) const {
    // The version comes from the settings file and may be any number.
    if (version < 1 || version > 6)
        return nullptr;
    const auto index = static_cast<std::size_t>(version - 1);
    if (base == mpbMotorola)
        return MMpr[index];
    if (base == mpbNMRA)
        return NMRADCCpr[index];
    return nullptr;
}

void C_SRCP08::createNewLoco(int Protocoltype, int Protovers, int Busnr, int Addr, const tLokEntry* state) {
    TMoBaLocoProtocol* protocol = locoProtocol(Protocoltype, Protovers);
    if (!protocol) {
        debugLine("Loco " + std::to_string(Addr) + ": protocol type " + std::to_string(Protocoltype) +
                  " version " + std::to_string(Protovers) + " is not known; not announced");
        return;
    }
    // The device model would move the address into the protocol's range, announcing another loco.
    if (Addr < 1 || Addr > protocol->MaxAddress) {
        debugLine("Loco " + std::to_string(Addr) + ": outside the addresses of " + protocol->Name +
                  "; not announced");
        return;
    }
    TMoBaSRCPBus* bus = clientBus(Busnr, "loco");
    if (!bus || !bus->GLs() || bus->GLs()->Locos(Addr))
        return;
    TMoBaAdvancedLoco loco;
    loco.SetProtocol(protocol);
    loco.SetAddress(Addr);
    loco.SetSpeed(0);
    loco.SetMaxSpeed(100);
    for (int j = 0; j < loco.MaxFunctions(); ++j)
        loco.SetFunctions(j, 0);
    loco.SetDriveMode(mdmForward);
    if (state)
        takeSlotState(loco, *state);
    if (!bus->GLs()->Add(loco))
        dialogs().plainMessage("Loco data could not sent do server");
}

void C_SRCP08::sendallLocoData(int Loknr) {
    if (!Lok)
        return;
    const tLokEntry* acting = Lok->entry(Loknr);
    const bool actingAnnounced =
        acting && acting->ProtType > 3 && locoProtocol(acting->ProtType, acting->Protversion);
    for (int i = 0; i < LOKMAX; ++i) {
        const tLokEntry* slot = Lok->entry(i);
        if (!slot || slot->ProtType <= 3)
            continue;
        if (i == Loknr) {
            createNewLoco(slot->ProtType, slot->Protversion, slot->SRCPBusnr, slot->Addr, slot);
            continue;
        }
        // Announced standing as well, the loco the acting slot just set going could stop again.
        if (actingAnnounced && acting->SRCPBusnr == slot->SRCPBusnr && acting->Addr == slot->Addr)
            continue;
        createNewLoco(slot->ProtType, slot->Protversion, slot->SRCPBusnr, slot->Addr);
    }
}

void C_SRCP08::setloco(int Loknr) {
    const tLokEntry* slot = Lok ? Lok->entry(Loknr) : nullptr;
    if (!slot)
        return;
    // The user's command: the announcement of this slot on the first command went to the same
    // entry, so a missing one is told here once.
    TMoBaSRCPBus* bus = userCommandBus(slot->SRCPBusnr, UserCommand::Loco);
    if (!bus || !bus->GLs())
        return;
    // Only the locos that the server has reported are sent; the cache holds one per address.
    const TMoBaSRCPLoco* cached = bus->GLs()->Locos(slot->Addr);
    if (!cached)
        return;
    // A copy: the cache keeps what the server last reported until it reports the change.
    TMoBaAdvancedLoco loco;
    loco.Assign(*cached);
    takeSlotState(loco, *slot);
    bus->GLs()->Change(loco);
}

bool C_SRCP08::setpower(int state) {
    if (!connectedClient()) {
        dialogs().plainMessage("not connected to server");
        return false;
    }
    TMoBaSRCPBus* bus = userCommandBus(PowerBus, UserCommand::Power);
    if (!bus || !bus->Power())
        return false;
    return bus->Power()->SetPowerOn(state >= 1);
}

void C_SRCP08::setSolenoid(const TMoBaAdvancedSolenoid& ASol) {
    const TMoBaBaseProtocol* protocol = ASol.Protocol();
    const int Busnr =
        protocol && protocol->ProtocolBase == mpbMotorola ? MotorolaAccessoryBus : NmraAccessoryBus;
    TMoBaSRCPBus* bus = clientBus(Busnr, "accessory");
    if (bus && bus->GAs())
        bus->GAs()->Change(ASol);
}

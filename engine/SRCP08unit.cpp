#include "engine/SRCP08unit.h"

#include <memory>
#include <vector>

#include "srcp/MoBaProtocols.h"

C_SRCP08* SRCP08 = nullptr;

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

} // namespace

C_SRCP08::C_SRCP08() {
    createLocoProtocols();
}

void C_SRCP08::createLocoProtocols() {
    for (std::size_t i = 0; i < std::size(MotorolaRows); ++i)
        MMpr[i] = makeProtocol(MotorolaRows[i]);
    for (std::size_t i = 0; i < std::size(NmraRows); ++i)
        NMRADCCpr[i] = makeProtocol(NmraRows[i]);
}

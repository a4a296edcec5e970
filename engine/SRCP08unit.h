#pragma once

#include <array>

class TMoBaLocoProtocol;

// The adapter from the layout engine to the SRCP client library. A loco slot of family Motorola
// uses MMpr[Protversion - 1], one of family NMRA NMRADCCpr[Protversion - 1].
class C_SRCP08 {
public:
    C_SRCP08();
    C_SRCP08(const C_SRCP08&) = delete;
    C_SRCP08& operator=(const C_SRCP08&) = delete;

    // The descriptions live for the whole run (loco objects of the client refer to them), so they
    // are not freed with the adapter. MMpr[5] stays empty.
    std::array<TMoBaLocoProtocol*, 6> MMpr{};
    std::array<TMoBaLocoProtocol*, 6> NMRADCCpr{};

private:
    void createLocoProtocols();
};

extern C_SRCP08* SRCP08;

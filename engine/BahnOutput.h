#pragma once

#include <cstdint>
#include <optional>
#include <string>

class TLok;

// Wire text of the accessory and loco commands on the "SRCP 0.73" command connection. Lines are
// Windows-1252 byte strings, built here and written by Cbahn::ga_out and Cbahn::gl_out.

// "N" and "n" select NMRA; every other protocol text (also "m" and an empty one) means Motorola.
bool isNmraProtocol(const std::string& protocol);

// Where one decoder output lands on the wire: decoder d covers the addresses 4d + 1 .. 4d + 4,
// odd outputs on port 0 and even ones on port 1. The address is 64-bit because a decoder number
// comes from a plan file and four times it need not fit an int.
struct AccessoryTarget {
    std::int64_t address = 0;
    int port = 0;
    bool operator==(const AccessoryTarget&) const = default;
};

// Outputs 1..8 exist; any other output number means "no output" and gives nothing.
std::optional<AccessoryTarget> accessoryTarget(int decoder, int output);

// "SET GA M 10 0 1 -1\n": the line carries its own LF and no CR.
std::string accessoryLine(bool nmra, const AccessoryTarget& target, int value);

// "SET GL M2 24 1 5 14 1 4 0 1 0 0 " for one loco slot (the caller adds CR LF). A direction other
// than 0, 1 or 2 is sent as 0 and the function count is kept within 0..32.
std::string locoLine(const TLok& lok, int slot);

// The direction and function count as they go on the wire.
int wireDirection(int direction);
int wireFunctionCount(int maxFunctions);

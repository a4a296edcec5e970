#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Accessory addressing shared by both transports; Cbahn::ga_out and Cbahn::gl_out hand their
// commands to the command output (engine/CommandOutput.h), which for "SRCP 0.80" comes back to the
// two steps at the end of this header.

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

// The "SRCP 0.80" steps of Cbahn::ga_out: while the main window's client is connected, the
// accessory at target's address is announced to bus list entry 5 ("M" or "m") or 6 (any other
// protocol text) unless that entry knows it already, and its port is switched on with SolTime as the
// server's activation time. An address outside the protocol's sends nothing (a debug line says so);
// nor does a server without the entry, which the user is told of (userCommandBus).
void accessoryThroughClient(const std::string& Protokoll, const AccessoryTarget& target);
// The "SRCP 0.80" steps of Cbahn::gl_out: while the client is connected, the first loco command
// since connecting announces the loco table (LocoData_sent), then the slot's state is sent. A server
// without the slot's entry is told to the user (userCommandBus), once for the command.
void locoThroughClient(int Loknummer);

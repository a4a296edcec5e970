#pragma once

#include <array>
#include <string>

#include "engine/CommandOutput.h"
#include "engine/lokunit.h"

class TLok;

// How long opening one of the line connections may take before the server counts as unreachable.
constexpr int ConnectTimeoutMs = 4000;

// The "SRCP 0.73" transport: plain text lines on the main window's command connection, each written
// under Lock_socket; feedback comes on a connection of its own (port P+1), read by the poll reader.
class Srcp073Output final : public CommandOutput {
public:
    bool connected() const override;
    CommandResult setPower(bool on) override;
    CommandResult resetServer() override;
    void accessoryPulse(const std::string& protocol, int decoder, const AccessoryTarget& target) override;
    void locoState(int slot) override;
    CommandResult freeCommand(const std::string& line) override;
    CommandResult startFeedback() override;
    void stopFeedback() override;
    std::optional<int> feedbackState(int module, int contact) override;

private:
    // Writes bytes on the open command connection under the socket lock.
    CommandResult write(const std::string& bytes);
    // False, with a debug line, for a line (without its line end) that holds a byte below 0x20: such
    // a byte ends the line for the server or starts another command there.
    bool sendable(const std::string& line) const;

    // Per loco slot, the protocol whose line was refused last and told in the status bar; empty
    // after a line of the slot went out. A throttle drag sends line after line: each refusal is told
    // once, and again for another slot, another value or after a good line.
    std::array<std::string, LOKMAX> m_refusedProtocol{};
};

// The wire lines of this transport, Windows-1252 byte strings.

// "SET GA M 10 0 1 -1\n": the line carries its own LF and no CR.
std::string accessoryLine(bool nmra, const AccessoryTarget& target, int value);

// "SET GL M2 24 1 5 14 1 4 0 1 0 0 " for one loco slot (the caller adds CR LF). A direction other
// than 0, 1 or 2 is sent as 0 and the function count is kept within 0..32.
std::string locoLine(const TLok& lok, int slot);

// The direction and function count as they go on the wire.
int wireDirection(int direction);
int wireFunctionCount(int maxFunctions);

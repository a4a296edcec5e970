#pragma once

#include "engine/CommandOutput.h"

// The "SRCP 0.80" transport: commands go through the client component (SRCPCl2) and the adapter
// SRCP08, which announce locos and accessories to the server's buses and send their states there.
// Without a client session every command finds the transport not connected; the server reset, which
// this transport lacks, is never available.
class Srcp080Output final : public CommandOutput {
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
};

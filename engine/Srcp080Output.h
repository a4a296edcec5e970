#pragma once

#include "engine/CommandOutput.h"

#include <string>

// The "SRCP 0.80" transport: commands go through the main window's client component (SRCPCl2) and
// the adapter SRCP08, which announce locos and accessories to the server's buses and send their
// states there. Feedback contacts are those of bus list entry 8. The server reset and free command
// lines, which this transport lacks, are never sent (NotAvailable). A command whose bus list entry
// the server did not describe is told to the user here (userCommandBus); power and feedback start
// then answer Dropped.
class Srcp080Output final : public CommandOutput {
public:
    bool connected() const override;
    CommandResult setPower(bool on) override;
    CommandResult resetServer() override;
    void accessoryPulse(const std::string& protocol, int decoder, const AccessoryTarget& target) override;
    void locoState(int slot) override;
    CommandResult freeCommand(const std::string& line) override;
    bool carriesFreeCommands() const override { return false; }
    CommandResult startFeedback() override;
    void stopFeedback() override;
    std::optional<int> feedbackState(int module, int contact) override;

private:
    // The server's refusal of a feedback start as status panel 1 shows it, and what the panel showed
    // before that refusal was written over it; a later start that the server accepts puts that back.
    std::string m_refusalShown;
    std::string m_panelBeforeRefusal;
};

// A feedback contact that the client reports (its absolute address and value): the first detector of
// the plan on that module and contact shows it, and the debug memo gets a line for it whether or not
// Debug is set. Runs on the GUI thread.
void showClientFeedback(int address, int value);

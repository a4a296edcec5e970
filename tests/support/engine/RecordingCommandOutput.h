#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/CommandOutput.h"

// A command output that sends nothing: it records each command as a line of text ("power on",
// "reset", "accessory M 2 -> 10/0", "loco 3", "free SET GA M 1 0 1 -1", "feedback start",
// "feedback stop") and answers with the results and feedback states a test gives it. While it lives
// it is the output in use, whatever the transport setting; when it goes, the transport's is again.
class RecordingCommandOutput : public CommandOutput {
public:
    RecordingCommandOutput();
    ~RecordingCommandOutput() override;
    RecordingCommandOutput(const RecordingCommandOutput&) = delete;
    RecordingCommandOutput& operator=(const RecordingCommandOutput&) = delete;

    bool connected() const override { return isConnected; }
    CommandResult setPower(bool on) override;
    CommandResult resetServer() override;
    void accessoryPulse(const std::string& protocol, int decoder, const AccessoryTarget& target) override;
    void locoState(int slot) override;
    CommandResult freeCommand(const std::string& line) override;
    CommandResult startFeedback() override;
    void stopFeedback() override;
    std::optional<int> feedbackState(int module, int contact) override;

    // What connected() says, and the answer of every command with a result.
    bool isConnected = true;
    CommandResult result = CommandResult::Sent;
    // When not empty, an accessory pulse is recorded and then fails with this text, as a write on a
    // lost connection does.
    std::string accessoryFailure;
    // The states feedbackState reads back, by (module, contact); none for a contact not listed.
    std::map<std::pair<int, int>, int> feedbackStates;

    std::vector<std::string> commands;

private:
    CommandResult recorded(std::string command);
};

#include "support/engine/RecordingCommandOutput.h"

#include <stdexcept>

RecordingCommandOutput::RecordingCommandOutput() {
    setCommandOutput(this);
}

RecordingCommandOutput::~RecordingCommandOutput() {
    setCommandOutput(nullptr);
}

CommandResult RecordingCommandOutput::recorded(std::string command) {
    commands.push_back(std::move(command));
    return result;
}

CommandResult RecordingCommandOutput::setPower(bool on) {
    return recorded(on ? "power on" : "power off");
}

CommandResult RecordingCommandOutput::resetServer() {
    return recorded("reset");
}

void RecordingCommandOutput::accessoryPulse(const std::string& protocol, int decoder,
                                            const AccessoryTarget& target) {
    recorded("accessory " + protocol + " " + std::to_string(decoder) + " -> " +
             std::to_string(target.address) + "/" + std::to_string(target.port));
    if (!accessoryFailure.empty())
        throw std::runtime_error(accessoryFailure);
}

void RecordingCommandOutput::locoState(int slot) {
    recorded("loco " + std::to_string(slot));
}

CommandResult RecordingCommandOutput::freeCommand(const std::string& line) {
    return recorded("free " + line);
}

CommandResult RecordingCommandOutput::startFeedback() {
    return recorded("feedback start");
}

void RecordingCommandOutput::stopFeedback() {
    recorded("feedback stop");
}

std::optional<int> RecordingCommandOutput::feedbackState(int module, int contact) {
    const auto it = feedbackStates.find({module, contact});
    return it == feedbackStates.end() ? std::nullopt : std::optional<int>(it->second);
}

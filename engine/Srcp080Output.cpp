#include "engine/Srcp080Output.h"

// Without a client session nothing can be sent: loco and accessory commands go nowhere and the
// commands with a result report the missing connection.

bool Srcp080Output::connected() const {
    return false;
}

CommandResult Srcp080Output::setPower(bool) {
    return CommandResult::NotConnected;
}

CommandResult Srcp080Output::resetServer() {
    return CommandResult::NotAvailable;
}

void Srcp080Output::accessoryPulse(const std::string&, int, const AccessoryTarget&) {}

void Srcp080Output::locoState(int) {}

CommandResult Srcp080Output::freeCommand(const std::string&) {
    // Free commands are lines of the plain command connection, which this transport does not open.
    return CommandResult::NotConnected;
}

CommandResult Srcp080Output::startFeedback() {
    return CommandResult::NotConnected;
}

void Srcp080Output::stopFeedback() {}

std::optional<int> Srcp080Output::feedbackState(int, int) {
    return std::nullopt;
}

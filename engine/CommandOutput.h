#pragma once

#include <optional>
#include <string>

#include "engine/BahnOutput.h"

// What a command to the server came to, for the caller to tell the user.
enum class CommandResult {
    Sent,         // handed to the server
    NotConnected, // nothing sent: there is no connection to send it on
    NotAvailable, // nothing sent: the transport has no such command
    Failed,       // nothing done: the connection it needs could not be opened, or the server refused it
    Dropped,      // nothing sent, and nothing for the caller to tell: the output has told the user
                  // itself (a server without the bus list entry the command needs included), or
                  // the server has no device for it
    Refused,      // nothing sent: the command holds a control byte, which would end it early at the
                  // server and make the rest a command of its own; the caller tells the user
};

// Everything the program sends to the command station, whichever transport carries it. Menu
// handlers, routes, throttles and joysticks call this and never look at the transport; a failing
// write raises the connection's error to the caller. GUI thread only.
class CommandOutput {
public:
    virtual ~CommandOutput() = default;

    // True while commands can reach the server.
    virtual bool connected() const = 0;

    // Track power on or off.
    virtual CommandResult setPower(bool on) = 0;
    // Asks the server to initialise itself.
    virtual CommandResult resetServer() = 0;
    // Switches one output of an accessory decoder as a pulse. protocol is the plan element's protocol
    // text, decoder its decoder number and target where the output lands on the wire.
    virtual void accessoryPulse(const std::string& protocol, int decoder, const AccessoryTarget& target) = 0;
    // Sends the whole state of loco slot (0..9) of the loco table.
    virtual void locoState(int slot) = 0;
    // A command line the user typed, as Windows-1252 bytes without its line end.
    virtual CommandResult freeCommand(const std::string& line) = 0;
    // False when the transport has no free commands at all, connected or not; where it has them,
    // asking the user for one is worth it while connected.
    virtual bool carriesFreeCommands() const { return true; }

    // Starts reading the feedback contacts; Sent when they are being read now (also when they
    // already were).
    virtual CommandResult startFeedback() = 0;
    virtual void stopFeedback() = 0;
    // The state the server reports for contact (1..16) of feedback module (1 and up), or none when
    // the transport keeps no states to read back.
    virtual std::optional<int> feedbackState(int module, int contact) = 0;
};

// The output of the transport that the main window's setting SrcpVer chooses: "SRCP 0.73" for 73,
// "SRCP 0.80" for any other value. An output installed by setCommandOutput takes the place of both.
CommandOutput& commandOutput();
// Installs an output of the caller's (a test's); nullptr goes back to the transport's.
void setCommandOutput(CommandOutput* output);

#include "engine/Srcp080Output.h"

#include <cstdint>
#include <string>

#include "engine/FeedbackLine.h"
#include "engine/MainFormState.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/SRCP08unit.h"
#include "srcp/MoBaSRCP.h"

namespace {

// What the feedback group of bus list entry 8 is initialised with.
const char* const FeedbackInitString = "S88 LPT1 4";

void debugLine(const std::string& text) {
    if (debugOn())
        MainForm->debugLine(text);
}

// The feedback group of bus, the client's bus list entry 8; null (with a debug line when the entry
// exists without one) when there is none.
TMoBaSRCPFeedbacks* feedbackGroup(TMoBaSRCPBus* bus, const char* what) {
    if (bus && !bus->FBs())
        debugLine(std::string(what) + ": bus list entry " + std::to_string(FeedbackBus) + " has no feedback");
    return bus ? bus->FBs() : nullptr;
}

// Keeps the last error reply of one session while it lives; a handler already set still runs.
class ErrorReplyCatcher {
public:
    explicit ErrorReplyCatcher(TSRCPBaseClient& session) : m_session(session), m_previous(session.OnError) {
        session.OnError = [this](TSRCPBaseClient& sender) {
            m_reply = sender.Response();
            if (m_previous)
                m_previous(sender);
        };
    }
    ~ErrorReplyCatcher() { m_session.OnError = std::move(m_previous); }
    ErrorReplyCatcher(const ErrorReplyCatcher&) = delete;
    ErrorReplyCatcher& operator=(const ErrorReplyCatcher&) = delete;
    const std::string& reply() const { return m_reply; }

private:
    TSRCPBaseClient& m_session;
    TSRCPBaseClient::TNotifyEvent m_previous;
    std::string m_reply;
};

// A reply line without the server's time stamp in front: "419 ERROR list too short".
std::string withoutTimeStamp(const std::string& reply) {
    const std::size_t space = reply.find(' ');
    return space == std::string::npos ? reply : reply.substr(space + 1);
}

} // namespace

bool Srcp080Output::connected() const {
    return connectedClient() != nullptr;
}

CommandResult Srcp080Output::setPower(bool on) {
    if (!SRCP08)
        return CommandResult::NotConnected;
    const TMoBaSRCPClient* client = connectedClient();
    const bool entryThere = client && client->BusCount() > PowerBus;
    if (SRCP08->setpower(on ? 1 : 0))
        return CommandResult::Sent;
    // Without a connection or without the entry the adapter has told the user itself.
    return entryThere ? CommandResult::Failed : CommandResult::Dropped;
}

CommandResult Srcp080Output::resetServer() {
    return CommandResult::NotAvailable;
}

void Srcp080Output::accessoryPulse(const std::string& protocol, int, const AccessoryTarget& target) {
    accessoryThroughClient(protocol, target);
}

void Srcp080Output::locoState(int slot) {
    locoThroughClient(slot);
}

CommandResult Srcp080Output::freeCommand(const std::string&) {
    // Free commands are lines of the plain command connection, which this transport does not open.
    return CommandResult::NotAvailable;
}

CommandResult Srcp080Output::startFeedback() {
    TMoBaSRCPClient* client = connectedClient();
    if (!client)
        return CommandResult::NotConnected;
    // Holds the bus while we look at it after a command that may lose the server.
    TMoBaSRCPClient::TActivity activity(*client);
    TMoBaSRCPFeedbacks* feedback =
        feedbackGroup(userCommandBus(FeedbackBus, UserCommand::FeedbackStart), "Feedback start");
    if (!feedback)
        return CommandResult::Dropped;
    feedback->SetInitString(FeedbackInitString);
    // The server's answer when it refuses the INIT (srcpd: "419 ERROR list too short"), for the user:
    // without it, no contact would ever change and nothing would say why.
    std::string refusal;
    {
        const ErrorReplyCatcher catcher(*client->CmdClnt());
        feedback->SetEnabled(true);
        refusal = catcher.reply();
    }
    if (feedback->Enabled()) {
        // The refusal is over: unless something else has been written there since, panel 1 shows
        // again what it showed before.
        if (!m_refusalShown.empty() && MainForm && MainForm->statusPanelText(1) == m_refusalShown)
            MainForm->setStatusPanel(1, m_panelBeforeRefusal);
        m_refusalShown.clear();
        return CommandResult::Sent;
    }
    debugLine("Feedback start: the server did not initialise the feedback");
    if (!refusal.empty() && MainForm) {
        const std::string before = MainForm->statusPanelText(1);
        // Refused again: what the panel showed before is still the text from before the first one.
        if (m_refusalShown.empty() || before != m_refusalShown)
            m_panelBeforeRefusal = before;
        MainForm->setStatusPanel(1, withoutTimeStamp(refusal));
        // As the panel reads it back, which is what the comparison above meets.
        m_refusalShown = MainForm->statusPanelText(1);
    }
    return CommandResult::Dropped;
}

void Srcp080Output::stopFeedback() {
    TMoBaSRCPClient* client = connectedClient();
    if (!client)
        return;
    TMoBaSRCPClient::TActivity activity(*client);
    if (TMoBaSRCPFeedbacks* feedback =
            feedbackGroup(clientBus(FeedbackBus, "Feedback stop"), "Feedback stop"))
        feedback->SetEnabled(false);
}

std::optional<int> Srcp080Output::feedbackState(int module, int contact) {
    TMoBaSRCPClient* client = connectedClient();
    if (!client)
        return std::nullopt;
    TMoBaSRCPFeedbacks* feedback =
        feedbackGroup(clientBus(FeedbackBus, "Feedback synchronise"), "Feedback synchronise");
    if (!feedback)
        return std::nullopt;
    // Module and contact come from the plan file: in 64 bits, and a contact index the server has not
    // reported reads free.
    const std::int64_t index = (static_cast<std::int64_t>(module) - 1) * 16 + contact - 1;
    if (index < 0 || index >= feedback->Count())
        return 0;
    const int value = feedback->Items(static_cast<int>(index))->Value();
    if (value == 0 || value == 1)
        return value;
    debugLine("Feedback synchronise: contact " + std::to_string(index + 1) + " has value " +
              std::to_string(value));
    return std::nullopt;
}

void showClientFeedback(int address, int value) {
    const S88Contact c = s88Contact(address);
    // Only free and occupied have an icon.
    if ((value == 0 || value == 1) && Rueckmodul)
        Rueckmodul->iconrefresh(c.Modul, c.Portnr, value);
    if (MainForm)
        MainForm->debugLine("Addr: " + std::to_string(address) + " Wert: " + std::to_string(value) +
                            " Modul: " + std::to_string(c.Modul) + " Portnr: " + std::to_string(c.Portnr));
}

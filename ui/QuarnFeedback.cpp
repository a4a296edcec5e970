// The Feedback modules menu: reading the feedback contacts, synchronising and resetting their
// symbols.

#include <QAction>
#include <optional>
#include <string>

#include "engine/CommandOutput.h"
#include "engine/Positionunit.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/Srcp080Output.h"
#include "engine/elementunit.h"
#include "platform/LineConnection.h"
#include "ui/Quarnunit.h"

void TMainForm::Abfragestarten1Click() {
    Abfragestarten1->setEnabled(false);
    Reset1->setEnabled(false);
    repaint();
    // Before the connection opens, so that a close noticed from here on belongs to this opening.
    ++m_poll.generation;
    const CommandResult result = sendCommand([](CommandOutput& out) { return out.startFeedback(); });
    if (result == CommandResult::Sent) {
        m_poll.online = true;
        return;
    }
    // Dropped: the output has told the user (a server without the bus list entry), the server has
    // no feedback to read (the debug memo says so), or the error is shown.
    if (result != CommandResult::Dropped)
        stopBox(result == CommandResult::NotConnected ? 142 : 123);
    Abfragestarten1->setEnabled(true);
    Reset1->setEnabled(true);
}

void TMainForm::feedbackStopped() {
    // Feedback read over the "SRCP 0.73" poll connection goes on by itself.
    if (!m_poll.online || Poll_Socket->isConnected())
        return;
    m_poll.online = false;
    Abfragestarten1->setEnabled(true);
    Reset1->setEnabled(true);
}

void TMainForm::SRCPCl2FeedbackChange(TMoBaSRCPClient&, TMoBaSRCPFeedback* AFeedback) {
    if (AFeedback)
        showClientFeedback(AFeedback->Address(), AFeedback->Value());
}

void TMainForm::Abfragebeenden1Click() {
    // Our own close: the closed hook must not report it as a loss.
    m_poll.online = false;
    sendCommand([](CommandOutput& out) {
        out.stopFeedback();
        return CommandResult::Sent;
    });
    Abfragestarten1->setEnabled(true);
    Reset1->setEnabled(true);
}

void TMainForm::Synchronize2Click() {
    const int n = Postable ? Postable->getNumbofEntries() : 0;
    progressShow(n);
    setBusyCursor(true);
    debugLine(std::to_string(n));
    for (int i = 0; i < n; ++i) {
        if (const tPosEntry* e = Postable->getEntryByNum(i)) {
            if (Debug)
                debugLine(std::to_string(i) + " " + std::to_string(e->CompID) + " " +
                          std::to_string(e->Enummer) + " " + std::to_string(e->Decod1) + " " +
                          std::to_string(e->Daten1));
            if (isDetectorKind(e->Enummer) && e->Decod1 > 0 && e->Daten1 > 0) {
                if (const std::optional<int> value = commandOutput().feedbackState(e->Decod1, e->Daten1)) {
                    if (Rueckmodul)
                        Rueckmodul->iconrefresh(e->Decod1, e->Daten1, *value);
                    if (Debug)
                        debugLine("Ergebnis:" + std::to_string(*value));
                }
            }
        }
        const std::string percent = std::to_string(static_cast<long long>(i) * 100 / n) + " %";
        progressSet(i, percent);
        setStatusPanel(1, percent);
    }
    progressHide();
    setStatusPanel(1, std::string());
    setBusyCursor(false);
}

void TMainForm::Reset1Click() {
    if (Rueckmodul)
        Rueckmodul->iconreset();
}

// The Feedback modules menu: reading the feedback contacts, synchronising and resetting their
// symbols.

#include <QAction>
#include <exception>
#include <string>

#include "engine/Positionunit.h"
#include "engine/RueckReaders.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/WaitClock.h"
#include "engine/elementunit.h"
#include "platform/LineConnection.h"
#include "ui/Quarnunit.h"

namespace {

// The server gets this wait to settle after the connection opened.
constexpr int ChannelSettleMs = 500;

} // namespace

void TMainForm::Abfragestarten1Click() {
    if (SrcpVer != 73)
        return;
    // Opening again would close the connection under its running reader.
    if (Poll_Socket->isConnected())
        return;
    Abfragestarten1->setEnabled(false);
    Reset1->setEnabled(false);
    repaint();
    try {
        Poll_Socket->connect(ConnectTimeoutMs);
        waitClock().sleep(ChannelSettleMs);
        startPollHandleThread(*Poll_Socket);
        m_poll.online = true;
    } catch (const std::exception&) {
        stopPollHandleThread();
        Poll_Socket->close();
        stopBox(123);
        Abfragestarten1->setEnabled(true);
        Reset1->setEnabled(true);
    }
}

void TMainForm::Abfragebeenden1Click() {
    m_poll.online = false;
    if (SrcpVer == 73) {
        stopPollHandleThread();
        Poll_Socket->close();
    }
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

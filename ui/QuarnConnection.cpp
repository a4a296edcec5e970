// Connecting to the server and disconnecting, the Feedback modules menu and the Commands menu.
// Only the "SRCP 0.73" transport is handled here: three line connections, each read by its own
// reader thread (engine/RueckReaders.h). The "SRCP 0.80" branches go through the client component.

#include <QAction>
#include <QMetaObject>
#include <QTimer>
#include <chrono>
#include <exception>
#include <thread>

#include "engine/Bahncalcunit.h"
#include "engine/Positionunit.h"
#include "engine/RueckReaders.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/elementunit.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/LineConnection.h"
#include "texts/langunit.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"
#include "ui/Uhrunit.h"

namespace {

// The seven Commands items that only make sense while connected.
constexpr const char* ConnectedCommands[] = {"Synchronize1",     "Spannungan1", "Spannungaus1",
                                             "Initialisierung1", "Zeit1",       "Decoderprogrammieren1",
                                             "FreieBefehle1"};

// The server gets these waits to settle after a connection opened, before we write to it.
constexpr std::uint16_t CommandSettleMs = 1000;
constexpr auto ChannelSettle = std::chrono::milliseconds(500);

} // namespace

void TMainForm::setupConnectionCommands() {
    const std::pair<const char*, void (TMainForm::*)()> handlers[] = {
        {"Hostverbinden1", &TMainForm::Hostverbinden1Click},
        {"Hosttrennen1", &TMainForm::Hosttrennen1Click},
        {"Abfragestarten1", &TMainForm::Abfragestarten1Click},
        {"Abfragebeenden1", &TMainForm::Abfragebeenden1Click},
        {"Synchronize2", &TMainForm::Synchronize2Click},
        {"Reset1", &TMainForm::Reset1Click},
        {"Spannungan1", &TMainForm::Spannungan1Click},
        {"Spannungaus1", &TMainForm::Spannungaus1Click},
        {"Initialisierung1", &TMainForm::Initialisierung1Click},
        {"Decoderprogrammieren1", &TMainForm::Decoderprogrammieren1Click},
        {"FreieBefehle1", &TMainForm::FreieBefehle1Click},
    };
    for (const auto& [name, handler] : handlers)
        connect(menuAction(name), &QAction::triggered, this, [this, h = handler] { (this->*h)(); });
    connect(PowerTimer, &QTimer::timeout, this, [this] { PowerTimerTimer(); });

    // A server that drops the command connection is noticed by the reader's failed read (or by a
    // failed write), on whatever thread that was; the window then goes to the disconnected state on
    // the GUI thread. A queued call to this window is dropped if the window is gone by then.
    Command_Socket->setClosedHook([this] {
        const unsigned generation = m_commandGeneration.load();
        QMetaObject::invokeMethod(
            this, [this, generation] { commandConnectionClosed(generation); }, Qt::QueuedConnection);
    });

    // Readers are joined before their connections close and before the global objects go.
    addShutdownHook([] { stopAllReaders(); });
}

std::string TMainForm::message(int number) const {
    return Lang ? Lang->getmessage(number, Lang_id) : std::string();
}

void TMainForm::stopBox(int textNumber, int titleNumber) {
    dialogs().message(message(titleNumber), message(textNumber), MessageIcon::Stop);
}

bool TMainForm::writeCommand(const std::string& bytes) {
    try {
        Command_Socket->writeRaw(bytes);
        return true;
    } catch (const std::exception& e) {
        // The connection has closed itself; its closed hook brings the menus back.
        showExceptionText(e.what());
        return false;
    }
}

void TMainForm::setConnectedMenuState() {
    for (const char* name : ConnectedCommands)
        setItemEnabled(name, true);
    setItemEnabled("Hostverbinden1", false);
}

// ---------------------------------------------------------------------------------------------
// Connect and disconnect

// Runs on the GUI thread and blocks it while the connections open and settle; what the user must
// see meanwhile is painted first, without running the event loop.
void TMainForm::Hostverbinden1Click() {
    if (SrcpVer != 73)
        return; // "SRCP 0.80": the client component connects here.
    // The menu item may be stale (the assistant calls us too): never tear down a live connection.
    if (m_connecting || m_commandOnline || connectionOpen())
        return;
    m_connecting = true;
    Connecting = true;
    repaint();

    // Before the socket opens, so that a close noticed from here on belongs to this connection.
    ++m_commandGeneration;
    bool commandUp = false;
    try {
        Command_Socket->connect(ConnectTimeoutMs);
        startReadCommand(*Command_Socket);
        Bahn->pause(CommandSettleMs);
        // A server that hung up during the pause has not accepted us either.
        if (Command_Socket->isConnected()) {
            if (Autopower > 0)
                Command_Socket->writeRaw("SET POWER ON\n");
            commandUp = true;
        }
    } catch (const std::exception&) {
        commandUp = false;
    }
    if (commandUp) {
        m_commandOnline = true;
        setConnectedMenuState();
        if (Monitorpower > 0)
            PowerTimer->start();
        else
            PowerTimer->stop();
    } else {
        stopReadCommand();
        Command_Socket->close();
        stopBox(110);
    }

    if (Infoport_an > 0 && Command_Socket->isConnected()) {
        try {
            Info_Socket->connect(ConnectTimeoutMs);
            repaint();
            std::this_thread::sleep_for(ChannelSettle);
            startReadinfo(*Info_Socket);
        } catch (const std::exception&) {
            stopReadinfo();
            Info_Socket->close();
            stopBox(111);
        }
    }
    m_connecting = false;
}

void TMainForm::Hosttrennen1Click() {
    // The settings dialog may switch the transport while connected (it leaves an open connection
    // alone), so an open "SRCP 0.73" connection is closed whatever the setting now says.
    if (SrcpVer == 73 || m_commandOnline || connectionOpen())
        disconnect073();
    // "SRCP 0.80": the client component disconnects here.
    disconnectCommonTail();
}

void TMainForm::disconnect073() {
    PowerTimer->stop();
    // Each reader is woken from its read and joined before its connection closes; a reader that
    // ended by itself is joined just the same, and the connection is closed either way.
    stopReadCommand();
    Command_Socket->close();
    setStatusPanel(1, message(120));
    stopReadinfo();
    Info_Socket->close();
}

void TMainForm::disconnectCommonTail() {
    m_commandOnline = false;
    for (const char* name : ConnectedCommands)
        setItemEnabled(name, false);
    setStatusPanel(2, std::string());
    setItemEnabled("Hostverbinden1", true);
    LocoData_sent = false;
    SolenoidData_sent = false;
    setStatusPanel(0, "Power off");
    setItemEnabled("Softregler1", true);
    if (UhrForm) {
        UhrForm->FormCanClose = true;
        UhrForm->close();
    }
    menuAction("Zeit1")->setChecked(false);
}

void TMainForm::commandConnectionClosed(unsigned generation) {
    // Our own disconnect, a connect that failed, or a connection older than the current one.
    if (m_shutdownDone || !m_commandOnline || generation != m_commandGeneration.load() ||
        Command_Socket->isConnected())
        return;
    disconnect073();
    disconnectCommonTail();
}

// ---------------------------------------------------------------------------------------------
// Feedback modules

void TMainForm::Abfragestarten1Click() {
    if (SrcpVer != 73)
        return; // "SRCP 0.80": feedback comes through the client component's info session.
    // Opening again would close the connection under its running reader.
    if (Poll_Socket->isConnected())
        return;
    setItemEnabled("Abfragestarten1", false);
    setItemEnabled("Reset1", false);
    repaint();
    try {
        Poll_Socket->connect(ConnectTimeoutMs);
        std::this_thread::sleep_for(ChannelSettle);
        startPollHandleThread(*Poll_Socket);
    } catch (const std::exception&) {
        stopPollHandleThread();
        Poll_Socket->close();
        stopBox(123);
        setItemEnabled("Abfragestarten1", true);
        setItemEnabled("Reset1", true);
    }
}

void TMainForm::Abfragebeenden1Click() {
    if (SrcpVer == 73) {
        stopPollHandleThread();
        Poll_Socket->close();
    }
    // "SRCP 0.80": nothing to stop, the client component keeps its info session.
    setItemEnabled("Abfragestarten1", true);
    setItemEnabled("Reset1", true);
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
                // "SRCP 0.80": the client's feedback group of bus list entry 8 gives the state of
                // contact (Decod1 - 1) x 16 + Daten1 - 1 to Rueckmodul->iconrefresh here.
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

// ---------------------------------------------------------------------------------------------
// Commands

void TMainForm::Spannungan1Click() {
    if (SrcpVer != 73)
        return; // "SRCP 0.80": the client component switches the power here.
    if (Command_Socket->isConnected())
        writeCommand("SET POWER ON\n");
    else
        stopBox(127);
}

void TMainForm::Spannungaus1Click() {
    if (SrcpVer != 73)
        return; // "SRCP 0.80": the client component switches the power here.
    if (Command_Socket->isConnected())
        writeCommand("SET POWER OFF\n");
    else
        stopBox(127);
}

void TMainForm::Initialisierung1Click() {
    if (SrcpVer != 73) {
        stopBox(124);
        return;
    }
    if (!Command_Socket->isConnected()) {
        stopBox(127);
        return;
    }
    if (writeCommand("RESET\n"))
        stopBox(129, 128);
}

void TMainForm::Decoderprogrammieren1Click() {
    stopBox(124);
}

void TMainForm::FreieBefehle1Click() {
    if (!Command_Socket->isConnected()) {
        stopBox(127);
        return;
    }
    const DialogService::Input input =
        dialogs().inputBox(message(125), "e.g.: SET GA M 16 1 1 500", std::string());
    // The server may have gone while the box was open.
    if (!input.ok)
        return;
    if (!Command_Socket->isConnected()) {
        stopBox(127);
        return;
    }
    writeCommand(utf8ToCp1252(input.text) + "\n");
}

void TMainForm::PowerTimerTimer() {
    PowerTimer->stop();
    if (SrcpVer != 73)
        return; // "SRCP 0.80": the client component switches the power here.
    // The power monitor of this transport: track power on again, on the open command connection.
    if (Command_Socket->isConnected())
        writeCommand("SET POWER ON\n");
}

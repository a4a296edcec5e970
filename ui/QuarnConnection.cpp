// Connecting to the server and disconnecting. The "SRCP 0.73" transport opens three line connections,
// each read by its own reader thread (engine/RueckReaders.h); the window notices the loss of each.
// "SRCP 0.80" connects the client component SRCPCl2, whose events arrive here on the GUI thread.

#include <QAction>
#include <QMetaObject>
#include <QTimer>
#include <exception>

#include "engine/CommandOutput.h"
#include "engine/RueckReaders.h"
#include "engine/SRCP08unit.h"
#include "engine/Srcp073Output.h"
#include "engine/WaitClock.h"
#include "platform/DialogService.h"
#include "platform/LineConnection.h"
#include "texts/langunit.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"
#include "ui/Uhrunit.h"

namespace {

// The server gets these waits to settle after a connection opened, before we write to it.
constexpr std::uint16_t CommandSettleMs = 1000;
constexpr int ChannelSettleMs = 500;
constexpr int ClientSettleMs = 200;

// Why a connect that raised nothing has left the client disconnected: the command session's word,
// else the info session's. Each Connect of a session clears its word, and the info session is tried
// only after the command session got through (which has said its goodbye since, so its session id
// tells nothing any more).
std::string refusalText(const TMoBaSRCPClient& client) {
    std::string text = client.CmdClnt()->RefusalText();
    if (text.empty())
        text = client.InfoClnt()->RefusalText();
    return text.empty() ? SRCPResourceString(SRCPErrClientRefused) : text;
}

} // namespace

void TMainForm::setupConnectionCommands() {
    connect(PowerTimer, &QTimer::timeout, this, [this] { PowerTimerTimer(); });
    watchConnection(*Command_Socket, m_command, &TMainForm::commandConnectionClosed);
    watchConnection(*Poll_Socket, m_poll, &TMainForm::pollConnectionClosed);
    watchConnection(*Info_Socket, m_info, &TMainForm::infoConnectionClosed);
    // Readers are joined before their connections close and before the global objects go.
    addShutdownHook([] { stopAllReaders(); });

    // Host and port come from the settings (applyConnectionSettings); the log stays off.
    m_srcpClient = std::make_unique<TMoBaSRCPClient>();
    SRCPCl2 = m_srcpClient.get();
    SRCPCl2->SetHost("localhost");
    SRCPCl2->SetPort(12345);
    SRCPCl2->SetAutoPowerOn(false);
    SRCPCl2->SetLogEnabled(false);
    SRCPCl2->SetProfileActive(false);
    using namespace std::placeholders;
    SRCPCl2->OnCmdLog = std::bind(&TMainForm::SRCPCl2CmdLog, this, _1, _2);
    SRCPCl2->OnInfoLog = std::bind(&TMainForm::SRCPCl2InfoLog, this, _1, _2);
    SRCPCl2->OnBusPowerChange = std::bind(&TMainForm::SRCPCl2BusPowerChange, this, _1, _2);
    SRCPCl2->OnLocoChange = std::bind(&TMainForm::SRCPCl2LocoChange, this, _1, _2);
    SRCPCl2->OnAccessoireChange = std::bind(&TMainForm::SRCPCl2AccessoireChange, this, _1, _2);
    SRCPCl2->OnFeedbackChange = std::bind(&TMainForm::SRCPCl2FeedbackChange, this, _1, _2);
    SRCPCl2->OnTimeChange = std::bind(&TMainForm::SRCPCl2TimeChange, this, _1);
    SRCPCl2->OnDisconnect = std::bind(&TMainForm::SRCPCl2Disconnect, this, _1);
    // The client says goodbye to the server before the global objects go; from then on it tells
    // this window nothing.
    addShutdownHook([this] {
        SRCPCl2->OnDisconnect = nullptr;
        SRCPCl2->Disconnect();
    });
}

void TMainForm::watchConnection(LineConnection& connection, WatchedConnection& watch,
                                void (TMainForm::*handler)(unsigned)) {
    // The close is noticed by a reader's failed read (or by a failed write), on whatever thread that
    // was. A queued call to this window is dropped if the window is gone by then.
    connection.setClosedHook([this, &watch, handler] {
        const unsigned generation = watch.generation.load();
        QMetaObject::invokeMethod(
            this, [this, handler, generation] { (this->*handler)(generation); }, Qt::QueuedConnection);
    });
}

std::string TMainForm::message(int number) const {
    return Lang ? Lang->getmessage(number, Lang_id) : std::string();
}

void TMainForm::stopBox(int textNumber, int titleNumber) {
    dialogs().message(message(titleNumber), message(textNumber), MessageIcon::Stop);
}

// Runs on the GUI thread and blocks it while the connections open and settle; what the user must
// see meanwhile is painted first, without running the event loop.
void TMainForm::Hostverbinden1Click() {
    // The menu item may be stale (the assistant calls us too): never tear down a live connection.
    if (m_connecting || m_command.online || connectionOpen())
        return;
    if (SrcpVer == 73)
        connect073();
    else
        connect080();
}

void TMainForm::connect073() {
    m_connecting = true;
    Connecting = true;
    repaint();

    // Before the socket opens, so that a close noticed from here on belongs to this connection.
    ++m_command.generation;
    bool commandUp = false;
    try {
        Command_Socket->connect(ConnectTimeoutMs);
        startReadCommand(*Command_Socket);
        waitClock().pause(CommandSettleMs);
        // A server that hung up during the pause has not accepted us either.
        if (Command_Socket->isConnected())
            commandUp = Autopower <= 0 || commandOutput().setPower(true) == CommandResult::Sent;
    } catch (const std::exception&) {
        commandUp = false;
    }
    if (commandUp) {
        m_command.online = true;
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
        ++m_info.generation;
        try {
            Info_Socket->connect(ConnectTimeoutMs);
            repaint();
            waitClock().sleep(ChannelSettleMs);
            startReadinfo(*Info_Socket);
            m_info.online = true;
        } catch (const std::exception&) {
            stopReadinfo();
            Info_Socket->close();
            stopBox(111);
        }
    }
    m_connecting = false;
}

void TMainForm::connect080() {
    m_connecting = true;
    SRCPCl2->SetAutoPowerOn(Autopower >= 1);
    repaint();
    try {
        SRCPCl2->Connect();
    } catch (const std::exception& e) {
        // As the application's default handler shows it; the menus stay disconnected.
        m_connecting = false;
        showExceptionText(e.what());
        return;
    }
    waitClock().sleep(ClientSettleMs);
    m_connecting = false;
    if (!SRCPCl2->Connected()) {
        // A server that refuses the handshake raises nothing, but the user must learn why: an old
        // protocol version, a welcome line that is none, or a refused session.
        showExceptionText(refusalText(*SRCPCl2));
        return;
    }
    setConnectedMenuState();
    LocoData_sent = false;
    SolenoidData_sent = false;
    forgetMissingBusReports();
    // The loco table is announced on the first loco command and must not change meanwhile.
    Softregler1->setEnabled(false);
}

void TMainForm::Hosttrennen1Click() {
    // The settings dialog may switch the transport while connected (it leaves an open connection
    // alone), so an open connection is closed whatever the setting now says.
    if (SrcpVer == 73 || m_command.online || Command_Socket->isConnected() || Info_Socket->isConnected())
        disconnect073();
    if (SrcpVer != 73 || SRCPCl2->Connected())
        disconnect080();
    disconnectCommonTail();
}

void TMainForm::disconnect080() {
    m_closingClient = true;
    SRCPCl2->Disconnect();
    m_closingClient = false;
    feedbackStopped();
}

void TMainForm::SRCPCl2Disconnect(TMoBaSRCPClient&) {
    // An explicit disconnect runs the tail itself; a connect that fails changes no menu.
    if (m_shutdownDone || m_closingClient || m_connecting)
        return;
    feedbackStopped();
    disconnectCommonTail();
    if (Debug)
        debugLine("The server closed the connection");
}

void TMainForm::SRCPCl2CmdLog(TMoBaSRCPClient&, const std::string& text) {
    debugLine("Command: " + text);
}

void TMainForm::SRCPCl2InfoLog(TMoBaSRCPClient&, const std::string& text) {
    debugLine(text);
}

void TMainForm::SRCPCl1InfoLog(TMoBaSRCPClient&, const std::string& text) {
    debugLine("Infolog: " + text);
}

void TMainForm::SRCPCl2LocoChange(TMoBaSRCPClient&, TMoBaSRCPLoco*) {
    // The throttles show what they sent, not what the server reports.
}

void TMainForm::SRCPCl2AccessoireChange(TMoBaSRCPClient&, TMoBaSRCPSolenoid*) {
    // The plan shows what it switched, not what the server reports.
}

void TMainForm::SRCPCl2TimeChange(TMoBaSRCPClient&) {
    TMoBaSRCPBus* bus = clientBus(ClockBus, "Time");
    if (!bus || !bus->Time())
        return;
    ZolTime = bus->Time()->DateTime();
    // The clock shows the reported hours and minutes and counts its seconds again from 0.
    if (UhrForm)
        UhrForm->ZolSeconds = 0;
}

void TMainForm::disconnect073() {
    PowerTimer->stop();
    // Each reader is woken from its read and joined before its connection closes; a reader that
    // ended by itself is joined just the same, and the connection is closed either way.
    stopReadCommand();
    Command_Socket->close();
    setStatusPanel(1, message(120));
    m_info.online = false;
    stopReadinfo();
    Info_Socket->close();
}

void TMainForm::disconnectCommonTail() {
    m_command.online = false;
    setCommandItemsEnabled(false);
    setStatusPanel(2, std::string());
    Hostverbinden1->setEnabled(true);
    LocoData_sent = false;
    SolenoidData_sent = false;
    setStatusPanel(0, "Power off");
    Softregler1->setEnabled(true);
    if (UhrForm) {
        UhrForm->FormCanClose = true;
        UhrForm->close();
    }
    Zeit1->setChecked(false);
}

void TMainForm::commandConnectionClosed(unsigned generation) {
    // Our own disconnect, a connect that failed, or a connection older than the current one.
    if (m_shutdownDone || !m_command.online || generation != m_command.generation.load() ||
        Command_Socket->isConnected())
        return;
    disconnect073();
    disconnectCommonTail();
}

// The server dropped the feedback connection: its contacts are no longer read, so Start and Reset
// come back. The command connection stays.
void TMainForm::pollConnectionClosed(unsigned generation) {
    if (m_shutdownDone || !m_poll.online || generation != m_poll.generation.load() ||
        Poll_Socket->isConnected())
        return;
    m_poll.online = false;
    stopPollHandleThread();
    Poll_Socket->close();
    Abfragestarten1->setEnabled(true);
    Reset1->setEnabled(true);
    setStatusPanel(1, message(123));
    if (Debug)
        debugLine("The server closed the feedback connection");
}

// The server dropped the info connection; the command connection stays.
void TMainForm::infoConnectionClosed(unsigned generation) {
    if (m_shutdownDone || !m_info.online || generation != m_info.generation.load() ||
        Info_Socket->isConnected())
        return;
    m_info.online = false;
    stopReadinfo();
    Info_Socket->close();
    setStatusPanel(2, message(123));
    if (Debug)
        debugLine("The server closed the info connection");
}

// The Commands menu (power, server reset, decoder programming, free commands, the power monitor) and
// the window's own Setup, Help and Debug commands.

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "engine/CommandOutput.h"
#include "engine/SRCP08unit.h"
#include "loco/GetDXVerUnit.h"
#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/Paths.h"
#include "ui/Assistunit.h"
#include "ui/Debugunit.h"
#include "ui/Infounit.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

// ---------------------------------------------------------------------------------------------
// Commands

namespace {

// Why a command the user typed was not sent: the first control byte in it, named.
std::string notSentText(const std::string& line) {
    std::string what = "a control character";
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20)
            continue;
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", b);
        what = b == '\t'                ? std::string("a tab")
               : b == '\r' || b == '\n' ? std::string("a line break")
                                        : "the control character " + std::string(code);
        break;
    }
    return "The command was not sent: it holds " + what +
           ", which would end the command at the server and make the rest a command of its own. "
           "Send each command on its own.";
}

} // namespace

CommandResult TMainForm::sendCommand(const std::function<CommandResult(CommandOutput&)>& command) {
    try {
        return command(commandOutput());
    } catch (const std::exception& e) {
        // A connection whose write failed closes itself; its closed hook brings the menus back.
        showExceptionText(e.what());
        return CommandResult::Dropped;
    }
}

void TMainForm::reportRefusal(CommandResult result) {
    if (result == CommandResult::NotConnected)
        stopBox(127);
    else if (result == CommandResult::NotAvailable)
        stopBox(124);
}

void TMainForm::Spannungan1Click() {
    reportRefusal(sendCommand([](CommandOutput& out) { return out.setPower(true); }));
}

void TMainForm::Spannungaus1Click() {
    reportRefusal(sendCommand([](CommandOutput& out) { return out.setPower(false); }));
}

void TMainForm::Initialisierung1Click() {
    const CommandResult result = sendCommand([](CommandOutput& out) { return out.resetServer(); });
    if (result == CommandResult::Sent)
        stopBox(129, 128);
    else
        reportRefusal(result);
}

void TMainForm::Decoderprogrammieren1Click() {
    stopBox(124);
}

void TMainForm::FreieBefehle1Click() {
    // Over the client the item is on while connected, yet there is nothing to send a line on.
    if (!commandOutput().carriesFreeCommands()) {
        dialogs().message(message(102),
                          "Free commands are sent over an \"SRCP 0.73\" connection only. Nothing was sent.",
                          MessageIcon::Stop);
        return;
    }
    if (!commandOutput().connected()) {
        stopBox(127);
        return;
    }
    const DialogService::Input input =
        dialogs().inputBox(message(125), "e.g.: SET GA M 16 1 1 500", std::string());
    if (!input.ok)
        return;
    // The server may have gone while the box was open.
    const std::string line = utf8ToCp1252(input.text);
    const CommandResult result = sendCommand([&line](CommandOutput& out) { return out.freeCommand(line); });
    if (result == CommandResult::Refused)
        dialogs().message(message(102), notSentText(line), MessageIcon::Stop);
    else
        reportRefusal(result);
}

void TMainForm::PowerTimerTimer() {
    PowerTimer->stop();
    // The power monitor: track power on again where there is a connection to send it on. A server
    // that went away meanwhile is no reason for a box.
    if (commandOutput().connected())
        sendCommand([](CommandOutput& out) { return out.setPower(true); });
}

void TMainForm::SRCPCl2BusPowerChange(TMoBaSRCPClient& client, TMoBaSRCPBus* ABus) {
    // The panel tells of the power that Voltage on and off switch; other buses' power would
    // contradict it.
    if (client.BusCount() <= PowerBus || ABus != client.Busses(PowerBus))
        return;
    if (ABus && ABus->Power())
        setStatusPanel(0, ABus->Power()->PowerOn() ? "Power on" : "Power off");
}

void TMainForm::SRCPCl1BusConfigChange(TMoBaSRCPClient&, TMoBaSRCPBus* ABus) {
    if (ABus && ABus->Power() && Autopower > 0 && !ABus->Power()->PowerOn())
        ABus->Power()->SetPowerOn(true);
}

// ---------------------------------------------------------------------------------------------
// Setup, Help and Debug menus

void TMainForm::Joystickcalibrieren1Click() {
    if (Joy_Mode == 1 && JoyWinForm)
        dialogs().modalWindow("JoyWinForm", [] { return JoyWinForm->exec(); });
    else if (Joy_Mode == 0 && JoyDxForm)
        dialogs().modalWindow("JoyDxForm", [] { return JoyDxForm->exec(); });
}

void TMainForm::Assistent1Click() {
    if (AssistForm)
        AssistForm->showInFront();
}

void TMainForm::QuarnHilfe1Click() {
    const std::string page = resolvePath(helpFolder() + "QUARN.html");
    const QString file = QFile::decodeName(QByteArray::fromStdString(page));
    if (!QFileInfo(file).isFile()) {
        dialogs().plainMessage("The help file " + page + " was not found.");
        return;
    }
    // The launcher runs as our own process, so that its failure (no browser for the page: it exits
    // non-zero) is told to the user, who then learns where the page is. The window does not wait
    // for it: the outcome arrives as a signal.
    const std::string failed = "No browser or help viewer could show the help file " + page + ".";
    const QString launcher = helpLauncher.empty()
                                 ? QStandardPaths::findExecutable("xdg-open")
                                 : QFile::decodeName(QByteArray::fromStdString(helpLauncher));
    if (launcher.isEmpty()) {
        dialogs().plainMessage(failed);
        return;
    }
    auto* process = new QProcess(this);
    // Its output goes where ours goes: a pipe that nobody reads could stall a chatty browser.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    connect(process, &QProcess::errorOccurred, this, [this, process, failed](QProcess::ProcessError error) {
        // A crash or a lost pipe ends in finished(), which reports it.
        if (error != QProcess::FailedToStart)
            return;
        process->deleteLater();
        dialogs().plainMessage(failed);
    });
    connect(process, &QProcess::finished, this,
            [this, process, failed](int exitCode, QProcess::ExitStatus status) {
                process->deleteLater();
                if (status != QProcess::NormalExit || exitCode != 0)
                    dialogs().plainMessage(failed);
            });
    process->start(launcher, {file});
}

void TMainForm::Info1Click() {
    if (InfoForm)
        dialogs().modalWindow("InfoForm", [] { return InfoForm->exec(); });
}

void TMainForm::DirectX1Click() {
    std::uint32_t version = 0;
    std::string text;
    const bool ok = SUCCEEDED(GetDXVersion(version, text));
    dialogs().message("Info", directXMessage(ok, version, text), MessageIcon::Information);
}

void TMainForm::openDebugWindow1Click() {
    if (DebugForm)
        DebugForm->show();
}

void TMainForm::openStringGrid1Click() {}

void TMainForm::InitLok1Click() {}

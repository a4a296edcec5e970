// The Commands menu (power, server reset, decoder programming, free commands, the power monitor) and
// the window's own Setup, Help and Debug commands.

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <exception>

#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/LineConnection.h"
#include "platform/Paths.h"
#include "ui/Assistunit.h"
#include "ui/Debugunit.h"
#include "ui/Infounit.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

// ---------------------------------------------------------------------------------------------
// Commands

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

void TMainForm::Spannungan1Click() {
    if (SrcpVer != 73)
        return;
    if (Command_Socket->isConnected())
        writeCommand("SET POWER ON\n");
    else
        stopBox(127);
}

void TMainForm::Spannungaus1Click() {
    if (SrcpVer != 73)
        return;
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
        return;
    // The power monitor of this transport: track power on again, on the open command connection.
    if (Command_Socket->isConnected())
        writeCommand("SET POWER ON\n");
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
        AssistForm->show();
}

void TMainForm::QuarnHilfe1Click() {
    const std::string page = resolvePath(helpFolder() + "QUARN.html");
    const QString file = QString::fromStdString(page);
    if (!QFileInfo(file).isFile()) {
        dialogs().plainMessage("The help file " + page + " was not found.");
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void TMainForm::Info1Click() {
    if (InfoForm)
        dialogs().modalWindow("InfoForm", [] { return InfoForm->exec(); });
}

std::string TMainForm::directXMessage(bool detectionOk, unsigned packedVersion,
                                      const std::string& versionText) {
    if (!detectionOk)
        return "Unknown version of DirectX installed";
    if (packedVersion != 0)
        return "DirectX " + versionText + " installed";
    return "DirectX not installed";
}

void TMainForm::DirectX1Click() {
    // There is no DirectX on this platform; the detection reports no version.
    dialogs().message("Info", directXMessage(true, testdx(std::string()), std::string()),
                      MessageIcon::Information);
}

void TMainForm::openDebugWindow1Click() {
    if (DebugForm)
        DebugForm->show();
}

void TMainForm::openStringGrid1Click() {}

void TMainForm::InitLok1Click() {}

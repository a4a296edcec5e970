// The main window's own menu commands, closing and destruction.

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include "engine/initunit.h"
#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "platform/DialogService.h"
#include "platform/LineConnection.h"
#include "platform/Paths.h"
#include "srcp/HighResTimer.h"
#include "texts/langunit.h"
#include "ui/Assistunit.h"
#include "ui/Debugunit.h"
#include "ui/Infounit.h"
#include "ui/Quarnunit.h"

// ---------------------------------------------------------------------------------------------
// Closing

bool TMainForm::FormCloseQuery() {
    if (Command_Socket && Command_Socket->isConnected()) {
        dialogs().message(Lang ? Lang->getmessage(102, Lang_id) : std::string(),
                          Lang ? Lang->getmessage(126, Lang_id) : std::string(), MessageIcon::Stop);
        return false;
    }
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    runShutdownHooks();
    event->accept();
    emit closedForGood();
}

void TMainForm::addShutdownHook(std::function<void()> hook) {
    m_shutdownHooks.push_back(std::move(hook));
}

void TMainForm::runShutdownHooks() {
    if (m_shutdownDone)
        return;
    m_shutdownDone = true;
    // Readers are stopped and joined by their hooks first; only then may their sockets be closed.
    for (auto& hook : m_shutdownHooks)
        hook();
    for (LineConnection* connection : {Command_Socket, Poll_Socket, Info_Socket}) {
        if (connection && connection->isConnected())
            connection->close();
    }
    // Its tick thread too; a wait asked for later returns at once.
    if (HRT1)
        HRT1->SetEnabled(false);
}

void TMainForm::Ende1Click() {
    // With the command connection closed the close cannot be refused, so the readers may be stopped
    // now, before their connections are closed under them.
    runShutdownHooks();
    if (Command_Socket && Command_Socket->isConnected())
        Command_Socket->close();
    if (Info_Socket && Info_Socket->isConnected())
        Info_Socket->close();
    close();
}

void TMainForm::FormDestroy() {
    if (m_destroyed)
        return;
    runShutdownHooks();
    m_destroyed = true;
    if (Lang)
        Lang->setCaptionSink("MainForm", nullptr);
    delete Init;
    Init = nullptr;
    if (MainForm == this)
        MainForm = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Setup, screen and help menus

void TMainForm::Joystickcalibrieren1Click() {
    if (Joy_Mode == 1 && JoyWinForm)
        JoyWinForm->exec();
    else if (Joy_Mode == 0 && JoyDxForm)
        JoyDxForm->exec();
}

void TMainForm::chooseScreen(QAction* item, int w, int h) {
    Screen_x = w;
    Screen_y = h;
    for (const char* name : {"automatisch1", "N640mal480", "N800mal600", "N1024mal768"})
        menuAction(name)->setChecked(menuAction(name) == item);
    setscreen(Screen_x, Screen_y);
}

void TMainForm::automatisch1Click() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(Screen_x, Screen_y);
    chooseScreen(menuAction("automatisch1"), size.width(), size.height());
}

void TMainForm::N640mal480Click() {
    chooseScreen(menuAction("N640mal480"), 640, 480);
}

void TMainForm::N800mal600Click() {
    chooseScreen(menuAction("N800mal600"), 800, 600);
}

void TMainForm::N1024mal768Click() {
    chooseScreen(menuAction("N1024mal768"), 1024, 768);
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
        InfoForm->exec();
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

// Start-up of the main window (FormCreate, FormShow), the connections' settings, closing and
// destruction.

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <optional>

#include "engine/Bahncalcunit.h"
#include "engine/elementunit.h"
#include "engine/initunit.h"
#include "loco/GetDXVerUnit.h"
#include "loco/JoyWinUnit.h"
#include "loco/ThrottlePanel.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/LineConnection.h"
#include "platform/Paths.h"
#include "srcp/HighResTimer.h"
#include "texts/langunit.h"
#include "ui/Assistunit.h"
#include "ui/Debugunit.h"
#include "ui/PaintBoxWidget.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

namespace {

QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void TMainForm::FormCreate() {
    Version = " V 0.71";
    Debug = false;

    Init = new C_Init;
    if (!Init->ok()) {
        // The later steps and every other window rely on these objects.
        m_startupFailed = true;
        return;
    }
    Lang->setCaptionSink("MainForm", this);

    // New labels store this font line, which the plan files written on Windows hold for labels
    // made with the default font; drawing uses whatever font Qt substitutes for it.
    LabelFont = std::make_unique<ColoredFont>();
    Bahn->StringToFont("MS Sans Serif,8,0000,clWindowText", *LabelFont);
    Dunkelrot = 128;
    Grau = 0xC0C0C0;
    Quarnbreite = 980;
    Quarnhoehe = 680;
    Panelbreite = 617;
    Panelhoehe = 113;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    Screen_x = screenSize.width();
    Screen_y = screenSize.height();

    *Quarn_bitmap = QImage(Quarnbreite, Quarnhoehe, QImage::Format_RGB32);
    Quarn_bitmap->fill(Qt::white);
    Design_Panel->resize(Panelbreite, Panelhoehe);
    *Design_Panel_bitmap = QImage(Panelbreite, Panelhoehe, QImage::Format_RGB32);
    Design_Panel_bitmap->fill(Qt::white);
    for (QImage* cell : {Cache.get(), Rueck_cache.get(), Undo.get(), &m_pickedSymbol}) {
        *cell = QImage(CellSize, CellSize, QImage::Format_RGB32);
        cell->fill(Qt::white);
    }

    setscreen(Screen_x, Screen_y);

    Regler_nr = 0;
    // Every setting of the settings file starts at its default; the file may replace them below.
    static_cast<TSettingsFields&>(*this) = TSettingsFields();
    DateinameohneEndung.clear();
    Connecting = false;
    Quarnerstellen = Decoder = Betrieb = Fahrstrasseerstellen = Lokregler = false;
    El_geladen = Symbol = Gefunden = Rueck = Fehler = Texteingabe = false;
    Fahrstrasse = 1;
    Hpos_alt = Vpos_alt = 0;
    Hscrollbewegt = Vscrollbewegt = false;

    setStartMenuState();
    automatisch1->setChecked(true);
    for (QAction* size : {N640mal480, N800mal600, N1024mal768})
        size->setChecked(false);

    Joy1con = Joy2con = 0;
    Joy1loknr = Joy2loknr = -1;
    Joy1button_pressed = Joy2button_pressed = Joysetup = false;
    TextLabelNr = -1;
    LocoData_sent = SolenoidData_sent = false;
    LabelCanMove = Move_elements = false;
    Move_el_counter = 0;

    Hilfsbild1->setVisible(Debug);
    Debug1->menuAction()->setVisible(Debug);
    Design_Panel->hide();

    WorkDir = workFolder();
    setStatusPanel(1, "WorkDir: " + WorkDir);

    Bahn->quarngraufaerben();
    Fehler = false;
    Dxpresent = testdx(std::string()) > 0;

    SolTime = 250;

    // A missing or damaged catalogue or icon is reported, and the program still starts without a
    // palette: the settings and the title must not be lost with it.
    try {
        Bahn->elementeladen();
    } catch (const std::exception& e) {
        setBusyCursor(false);
        showExceptionText(e.what());
    }

    applyConnectionSettings();

    try {
        Bahn->parameterladen();
    } catch (...) {
        // The user may still want what the damaged file held: it is moved aside, and the box says
        // where; where that fails it is not written over, now or by a later save.
        std::string text = Lang->getmessage(101, Lang_id);
        std::string failure;
        try {
            if (const std::optional<std::string> kept = Bahn->keepBadSettingsFile())
                text += "\n\nThe damaged file was kept as " + *kept + ".";
        } catch (const std::exception& e) {
            failure = e.what();
        }
        dialogs().message(Lang->getmessage(102, Lang_id), text, MessageIcon::Stop);
        if (failure.empty()) {
            try {
                Bahn->parameterspeichern();
            } catch (const std::exception& e) {
                failure = e.what();
            }
        }
        if (!failure.empty())
            showExceptionText(failure);
    }
    // Also after a partial read: the connections must use what the fields now hold.
    applyConnectionSettings();

    const std::string title = Lang->getmessage(100, Lang_id);
    Infostring = utf8ToCp1252(title);
    setWindowTitle(qs(title));

    Knopf.clearAll();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    checkScreenFrame();
    if (!event->spontaneous())
        FormShow();
}

bool TMainForm::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // A window manager reports the frame it puts around the window after showing it.
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        checkScreenFrame();
    return handled;
}

void TMainForm::FormShow() {
    if (m_startupFailed)
        return;
    if (Joy_Mode == 1 && JoyWinForm)
        JoyWinForm->setup();
    applyLanguage();
    if (Throttles)
        Throttles->Joyinitsetup();
    if (Debug && DebugForm)
        DebugForm->show();
    // Once the main window is on the screen, so that the assistant opens in front of it.
    if (Showassist == 1 && AssistForm)
        QTimer::singleShot(0, this, [] {
            if (AssistForm)
                AssistForm->showInFront();
        });
}

void TMainForm::applyConnectionSettings() {
    for (LineConnection* connection : {Command_Socket, Poll_Socket, Info_Socket}) {
        if (connection)
            connection->setHost(Iphostchar);
    }
    // The port comes from the settings file and may be any number; P + 1 and P + 2 must not overflow.
    auto port = [this](int offset) {
        return static_cast<int>(
            std::min<long long>(std::numeric_limits<int>::max(), static_cast<long long>(Ipport) + offset));
    };
    if (Command_Socket)
        Command_Socket->setPort(Ipport);
    if (Poll_Socket)
        Poll_Socket->setPort(port(1));
    if (Info_Socket)
        Info_Socket->setPort(port(2));
    if (SRCPCl2) {
        SRCPCl2->SetHost(Iphostchar);
        SRCPCl2->SetPort(Ipport);
    }
}

unsigned TMainForm::testdx(const std::string&) {
    std::uint32_t version = 0;
    std::string text;
    return SUCCEEDED(GetDXVersion(version, text)) ? version : 0;
}

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

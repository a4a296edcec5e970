#include "ui/Quarnunit.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <limits>

#include "engine/Bahncalcunit.h"
#include "engine/elementunit.h"
#include "engine/initunit.h"
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

TMainForm* mainWindow() {
    return dynamic_cast<TMainForm*>(MainForm);
}

namespace {

// The client area of the main window. Components are placed by hand (FormResize), as the original
// window does, so it has no layout; its resize runs FormResize.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget* parent) : QWidget(parent) {}
    std::function<void()> onResize;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (onResize)
            onResize();
    }
};

constexpr int kScrollBarThickness = 17;

QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void setPanelColour(QWidget* panel, const QColor& colour) {
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName("MainForm");
    MainForm = this;
    buildComponents();
    buildMenus();
    setupConnectionCommands();
    resize(828, 626);
    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
    // The components call back into this object; they must go before it does.
    delete takeCentralWidget();
}

// ---------------------------------------------------------------------------------------------
// Components

void TMainForm::buildComponents() {
    auto* client = new ClientArea(this);
    client->setObjectName("ClientArea");
    setCentralWidget(client);

    Quarn = new PaintBoxWidget(client);
    Quarn->setObjectName("Quarn");
    Quarn->setGeometry(1, 1, 980, 680);
    Quarn->setResizedCallback([this] { QuarnPaint(); });

    Design_Panel = new PaintBoxWidget(client);
    Design_Panel->setObjectName("Design_Panel");
    Design_Panel->setGeometry(1, 0, 617, 113);
    Design_Panel->hide();

    Hilfsbild1 = new PaintBoxWidget(client);
    Hilfsbild1->setObjectName("Hilfsbild1");
    Hilfsbild1->setGeometry(0, 0, 27, 27);

    Regler_panel = new QFrame(client);
    Regler_panel->setObjectName("Regler_panel");
    setPanelColour(Regler_panel, QColor(0x00, 0x80, 0x80));
    Regler_panel->setGeometry(0, 0, 620, 113);
    Regler_panel->hide();

    Decod_panel = new QFrame(client);
    Decod_panel->setObjectName("Decod_panel");
    setPanelColour(Decod_panel, QColor(0x80, 0x80, 0x00));
    Decod_panel->setGeometry(0, 0, 620, 113);
    Decod_panel->hide();
    buildAddressPanel();

    PageControl1 = new QTabWidget(client);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    PageControl1->addTab(TabSheet1, "Create routes");
    PageControl1->addTab(TabSheet2, "Delete routes");
    PageControl1->setGeometry(5, 0, 580, 113);
    PageControl1->hide();

    HScrollBar = new QScrollBar(Qt::Horizontal, client);
    HScrollBar->setObjectName("HScrollBar");
    HScrollBar->setGeometry(0, 0, 100, kScrollBarThickness);
    VScrollBar = new QScrollBar(Qt::Vertical, client);
    VScrollBar->setObjectName("VScrollBar");
    VScrollBar->setGeometry(0, 1, kScrollBarThickness, 100);
    for (QScrollBar* bar : {HScrollBar, VScrollBar}) {
        bar->setRange(0, 0);
        // The view moves by whole cells.
        bar->setSingleStep(CellSize);
        bar->setPageStep(5 * CellSize);
        bar->hide();
    }
    connect(HScrollBar, &QScrollBar::valueChanged, this, [this] { HScrollBarChange(); });
    connect(VScrollBar, &QScrollBar::valueChanged, this, [this] { VScrollBarChange(); });

    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(0, 0, 300, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    Prozent_label = new QLabel(client);
    Prozent_label->setObjectName("Prozent_label");
    Prozent_label->hide();

    StatusBar1 = new QStatusBar(client);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    const int panelWidths[3] = {100, 500, 50};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(StatusBar1);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setFixedWidth(panelWidths[i]);
        StatusBar1->addWidget(panel);
        m_statusPanels[static_cast<std::size_t>(i)] = panel;
    }
    StatusBar1->setFixedHeight(StatusBar1->sizeHint().height());

    StringGrid1 = new QTableWidget(client);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->hide();
    DebugLabel = new QLabel(client);
    DebugLabel->setObjectName("DebugLabel");

    PowerTimer = new QTimer(this);
    PowerTimer->setObjectName("PowerTimer");
    PowerTimer->setInterval(3000);
    PowerTimer->setSingleShot(true);

    m_commandSocket = std::make_unique<LineConnection>();
    m_pollSocket = std::make_unique<LineConnection>();
    m_infoSocket = std::make_unique<LineConnection>();
    Command_Socket = m_commandSocket.get();
    Poll_Socket = m_pollSocket.get();
    Info_Socket = m_infoSocket.get();

    m_highResTimer = std::make_unique<THighResTimer>();
    m_highResTimer->SetResolution(1);
    m_highResTimer->SetUseTSC(true);
    m_highResTimer->SetEnabled(true);
    HRT1 = m_highResTimer.get();

    client->onResize = [this] { FormResize(); };
}

void TMainForm::buildAddressPanel() {
    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(text, Decod_panel);
        l->setObjectName(name);
        return l;
    };
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(Decod_panel);
        e->setObjectName(name);
        e->resize(90, 21);
        return e;
    };
    auto image = [this](const char* name) {
        auto* i = new QLabel(Decod_panel);
        i->setObjectName(name);
        i->resize(27, 27);
        return i;
    };
    Index_label = label("Index_label", "Index");
    Posindex_dbtext = label("Posindex_dbtext", "");
    Decod_label = label("Decod_label", "Decoder");
    Daten_label = label("Daten_label", "Data port");
    Protokoll_label = label("Protokoll_label", "Protocol");
    Image1 = image("Image1");
    Image2 = image("Image2");
    Image3 = image("Image3");
    Decod_edit1 = edit("Decod_edit1");
    Decod_edit2 = edit("Decod_edit2");
    Decod_edit3 = edit("Decod_edit3");
    Daten_Edit1 = edit("Daten_Edit1");
    Daten_Edit2 = edit("Daten_Edit2");
    Daten_Edit3 = edit("Daten_Edit3");
    Proto_CB = new QComboBox(Decod_panel);
    Proto_CB->setObjectName("Proto_CB");
    Proto_CB->addItems({"M", "N"});
    Proto_CB->resize(90, 21);
    Speichern_button = new QPushButton("Save", Decod_panel);
    Speichern_button->setObjectName("Speichern_button");
    Speichern_button->resize(90, 23);
}

void TMainForm::buildMenus() {
    struct Item {
        const char* name;
        const char* caption;
        void (TMainForm::*handler)();
        bool checkable;
    };
    struct Menu {
        QMenu** menu;
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    // Items without a handler here are served by the file, mode, connection and clock commands.
    const Menu menus[] = {
        {&FileMenu,
         "FileMenu",
         "&File",
         {{"Neu1", "&New", nullptr, false},
          {"Oeffnen1", "&Open", nullptr, false},
          {"Speichern1", "&Save", nullptr, false},
          {"Speichernals1", "Save &as", nullptr, false},
          {"Hostverbinden1", "&Connect to server", nullptr, false},
          {"Hosttrennen1", "&Disconnect from server", nullptr, false},
          {"Ende1", "&End", &TMainForm::Ende1Click, false}}},
        {&Optionen1,
         "Optionen1",
         "&Options",
         {{"Gleisbildentwerfen1", "Create &layout", nullptr, false},
          {"DecoderAdressen1", "Decoder &addresses", nullptr, false},
          {"S88modules1", "S88 modules", nullptr, false},
          {"Text1", "Te&xt", nullptr, false},
          {"Betrieb1", "&Operate", nullptr, false},
          {"Fahrstrassen1", "&Routes", nullptr, false},
          {"Softregler1", "&Loco setup", nullptr, false},
          {"Joystickeinrichten1", "&Joystick setup", nullptr, false}}},
        {&Einstellungen1,
         "Einstellungen1",
         "&Setup",
         {{"IPAddrHost1", "IP &Addr/Host", nullptr, false},
          {"Joystickcalibrieren1", "&Joystick test", &TMainForm::Joystickcalibrieren1Click, false}}},
        {&Rckmeldemodule1,
         "Rckmeldemodule1",
         "&Feedback modules",
         {{"Abfragestarten1", "&Start", nullptr, false},
          {"Abfragebeenden1", "Sto&p", nullptr, false},
          {"Synchronize2", "Synchroni&ze", nullptr, false},
          {"Reset1", "&Reset", nullptr, false}}},
        {&Befehle1,
         "Befehle1",
         "&Commands",
         {{"Synchronize1", "S&ynchronize", nullptr, false},
          {"Spannungan1", "Voltage &on", nullptr, false},
          {"Spannungaus1", "Voltage o&ff", nullptr, false},
          {"Initialisierung1", "Server &initialization", nullptr, false},
          {"Zeit1", "&Time", nullptr, true},
          {"Decoderprogrammieren1", "Decoder &programing", nullptr, false},
          {"FreieBefehle1", "Free co&mmands", nullptr, false}}},
        {&Bildschirm1,
         "Bildschirm1",
         "&Screen",
         {{"automatisch1", "&Automatic", &TMainForm::automatisch1Click, true},
          {"N640mal480", "640 x 480", &TMainForm::N640mal480Click, true},
          {"N800mal600", "800 x 600", &TMainForm::N800mal600Click, true},
          {"N1024mal768", "1024 x 768", &TMainForm::N1024mal768Click, true}}},
        {&Hilfe1,
         "Hilfe1",
         "&Help",
         {{"Assistent1", "Assistent", &TMainForm::Assistent1Click, false},
          {"QuarnHilfe1", "&Quarn Help", &TMainForm::QuarnHilfe1Click, false},
          {"Info1", "&Info", &TMainForm::Info1Click, false},
          {"DirectX1", "DirectX", &TMainForm::DirectX1Click, false}}},
        {&Debug1,
         "Debug1",
         "Debug",
         {{"openStringGrid1", "open StringGrid", &TMainForm::openStringGrid1Click, false},
          {"openDebugWindow1", "open Debug Window", &TMainForm::openDebugWindow1Click, false},
          {"InitLok1", "Init Lok", &TMainForm::InitLok1Click, false}}},
    };
    for (const Menu& m : menus) {
        QMenu* menu = menuBar()->addMenu(m.caption);
        menu->setObjectName(m.name);
        menu->menuAction()->setObjectName(QString(m.name) + "_action");
        m_menuActions[m.name] = menu->menuAction();
        *m.menu = menu;
        for (const Item& item : m.items) {
            QAction* action = menu->addAction(item.caption);
            action->setObjectName(item.name);
            action->setCheckable(item.checkable);
            m_menuActions[item.name] = action;
            if (item.handler) {
                auto handler = item.handler;
                connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
            }
        }
    }
    menuAction("Joystickeinrichten1")->setVisible(false);
}

QAction* TMainForm::menuAction(const std::string& objectName) const {
    auto it = m_menuActions.find(objectName);
    return it == m_menuActions.end() ? nullptr : it->second;
}

void TMainForm::setItemEnabled(const char* name, bool on) {
    if (QAction* action = menuAction(name))
        action->setEnabled(on);
}

// ---------------------------------------------------------------------------------------------
// Start

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

    LabelFont = std::make_unique<ColoredFont>();
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
    for (QImage* cell : {Cache.get(), Rueck_cache.get(), Undo.get()}) {
        *cell = QImage(CellSize, CellSize, QImage::Format_RGB32);
        cell->fill(Qt::white);
    }

    setscreen(Screen_x, Screen_y);

    Regler_nr = 0;
    SrcpVer = 73;
    DateinameohneEndung.clear();
    Connecting = false;
    Quarnerstellen = Decoder = Betrieb = Fahrstrasseerstellen = Lokregler = false;
    El_geladen = Symbol = Gefunden = Rueck = Fehler = Texteingabe = false;
    Fahrstrasse = 1;
    Hpos_alt = Vpos_alt = 0;
    Hscrollbewegt = Vscrollbewegt = false;

    setStartMenuState();
    menuAction("automatisch1")->setChecked(true);
    menuAction("N640mal480")->setChecked(false);
    menuAction("N800mal600")->setChecked(false);
    menuAction("N1024mal768")->setChecked(false);

    Joy1con = Joy2con = 0;
    Joy1loknr = Joy2loknr = -1;
    Joy1button_pressed = Joy2button_pressed = Joysetup = false;
    Joy_Mode = 1;
    TextLabelNr = -1;
    Lang_id = 1;
    Showassist = 1;
    Monitorpower = Autopower = 0;
    LocoData_sent = SolenoidData_sent = false;
    BusGlMM = 1;
    BusGlNMRA_S = 2;
    BusGlNMRA_L = 3;
    BusGaMM = 5;
    BusGaNMRA = 6;
    BusS88 = 8;
    Buspower = 1;
    LabelCanMove = Move_elements = false;
    Move_el_counter = 0;

    Hilfsbild1->setVisible(Debug);
    menuAction("Debug1")->setVisible(Debug);
    Design_Panel->hide();

    WorkDir = workFolder();
    setStatusPanel(1, "WorkDir: " + WorkDir);

    Bahn->quarngraufaerben();
    Fehler = false;
    Dxpresent = testdx(std::string()) > 0;

    Iphostchar = "localhost";
    Ipport = 12345;
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
    Infoport_an = 0;

    try {
        Bahn->parameterladen();
    } catch (...) {
        dialogs().message(Lang->getmessage(102, Lang_id), Lang->getmessage(101, Lang_id), MessageIcon::Stop);
        // The user may still want what the damaged file held.
        Bahn->keepBadSettingsFile();
        try {
            Bahn->parameterspeichern();
        } catch (const std::exception& e) {
            showExceptionText(e.what());
        }
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
    if (!event->spontaneous())
        FormShow();
}

void TMainForm::FormShow() {
    if (m_startupFailed)
        return;
    Lang->setup(Lang_id);
    if (Debug && DebugForm)
        DebugForm->show();
    if (Showassist == 1 && AssistForm)
        AssistForm->show();
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
}

unsigned TMainForm::testdx(const std::string&) {
    // No DirectX on this platform until the detection says otherwise.
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Menu states

void TMainForm::setStartMenuState() {
    for (const char* name : {"Hostverbinden1", "Joystickeinrichten1", "Bildschirm1"})
        setItemEnabled(name, true);
    for (const char* name :
         {"Speichernals1", "Gleisbildentwerfen1", "DecoderAdressen1", "S88modules1", "Text1", "Betrieb1",
          "Fahrstrassen1", "Softregler1", "Abfragestarten1", "Abfragebeenden1", "Joystickcalibrieren1",
          "Synchronize1", "Spannungan1", "Spannungaus1", "Initialisierung1", "Zeit1", "Decoderprogrammieren1",
          "FreieBefehle1"})
        setItemEnabled(name, false);
}

void TMainForm::setPlanMenuState() {
    for (const char* name :
         {"Speichernals1", "Gleisbildentwerfen1", "DecoderAdressen1", "S88modules1", "Text1", "Betrieb1",
          "Fahrstrassen1", "Joystickeinrichten1", "Abfragestarten1", "Abfragebeenden1"})
        setItemEnabled(name, true);
    const bool open = connectionOpen();
    setItemEnabled("Hostverbinden1", !open);
    // With "SRCP 0.80" the loco table is announced to the server on connecting, so it must not be
    // edited while connected.
    setItemEnabled("Softregler1", !(open && SrcpVer == 80));
    setItemEnabled("Bildschirm1", false);
}

bool TMainForm::connectionOpen() const {
    for (const LineConnection* connection : {Command_Socket, Info_Socket}) {
        if (connection && connection->isConnected())
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Operations the engine asks of the window

void TMainForm::debugLine(const std::string& utf8) {
    if (DebugForm)
        DebugForm->addLine(utf8);
}

void TMainForm::setStatusPanel(int panel, const std::string& utf8) {
    if (panel < 0 || panel > 2)
        return;
    m_statusPanels[static_cast<std::size_t>(panel)]->setText(qs(utf8));
}

std::string TMainForm::statusPanelText(int panel) const {
    if (panel < 0 || panel > 2)
        return {};
    return m_statusPanels[static_cast<std::size_t>(panel)]->text().toStdString();
}

void TMainForm::progressShow(int maximum) {
    ProgressBar1->setRange(0, std::max(0, maximum));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    Prozent_label->setText("0 %");
    Prozent_label->adjustSize();
    Prozent_label->show();
}

void TMainForm::progressSet(int position, const std::string& captionUtf8) {
    ProgressBar1->setValue(position);
    Prozent_label->setText(qs(captionUtf8));
    Prozent_label->adjustSize();
}

void TMainForm::progressHide() {
    ProgressBar1->hide();
    Prozent_label->hide();
}

PaintBoxImage& TMainForm::paintBoxImage(PaintBox box) {
    switch (box) {
    case PaintBox::Design_Panel:
        return Design_Panel->view();
    case PaintBox::Hilfsbild1:
        return Hilfsbild1->view();
    case PaintBox::Quarn:
        break;
    }
    return Quarn->view();
}

bool TMainForm::showerror(const std::string&) {
    return true;
}

void TMainForm::setBusyCursor(bool busy) {
    if (busy == m_busyCursor)
        return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainForm::setCaption(const std::string& objectName, const std::string& text) {
    const QString caption = qs(text);
    if (QAction* action = menuAction(objectName)) {
        action->setText(caption);
        return;
    }
    const QString name = QString::fromStdString(objectName);
    if (name == QObject::objectName()) {
        setWindowTitle(caption);
        return;
    }
    QWidget* widget = centralWidget()->findChild<QWidget*>(name);
    if (!widget)
        return;
    if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(caption);
    else if (const int tab = PageControl1->indexOf(widget); tab >= 0)
        PageControl1->setTabText(tab, caption);
}

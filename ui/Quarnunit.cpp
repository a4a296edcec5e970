// The main window's construction: its components and the address panel, and the operations that the
// engine asks of the window.

#include "ui/Quarnunit.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

#include "engine/elementunit.h"
#include "loco/ThrottlePanel.h"
#include "platform/LineConnection.h"
#include "platform/qtwidgets/ChildCaption.h"
#include "platform/qtwidgets/UpDown.h"
#include "srcp/HighResTimer.h"
#include "ui/Debugunit.h"
#include "ui/PaintBoxWidget.h"

TMainForm* mainWindow() {
    return dynamic_cast<TMainForm*>(MainForm);
}

namespace {

// The client area of the main window. Its components sit at fixed positions that FormResize works
// out from the client size, so it has no layout; its resize runs FormResize.
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

// A panel of the status bar: one line of plain text. A text wider than the panel ends in "…", and a
// line break in it (a work folder's name may hold one) is painted as a blank. Whenever the painting
// shows less than the whole text, the whole text is the panel's tool tip; text() always holds it.
class StatusPanel final : public QLabel {
public:
    explicit StatusPanel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

    void setPanelText(const QString& text) {
        setText(text);
        updateToolTip();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        style()->drawItemText(&painter, contentsRect(),
                              QStyle::visualAlignment(layoutDirection(), alignment()), palette(), isEnabled(),
                              shownText(), foregroundRole());
    }
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        updateToolTip();
    }
    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            updateToolTip();
    }

private:
    // What the painting shows, which also decides the tool tip: the text's rounded width can pass
    // for fitting where the elision, measuring exactly, cuts it.
    QString shownText() const {
        QString line = text();
        // The painter breaks lines at these; the elision takes U+009C for a choice of texts.
        for (QChar& c : line)
            if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator)
                c = u' ';
        return fontMetrics().elidedText(line, Qt::ElideRight, contentsRect().width());
    }
    void updateToolTip() {
        const QString whole = text();
        // A tool tip that looks like markup is shown as rich text, which also reads the files its
        // images name: a server's or a file name's text is shown as it stands.
        const QString tip =
            Qt::mightBeRichText(whole) ? Qt::convertFromPlainText(whole, Qt::WhiteSpacePre) : whole;
        setToolTip(shownText() == whole ? QString() : tip);
    }
};

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
    connectEditing();
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
    // The ten throttles; the panel owns them and they are the throttles in use while they live.
    new ThrottlePanel(Regler_panel);

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
    buildRouteEditor();

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
        auto* panel = new StatusPanel(StatusBar1);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        // As in a Windows status bar, the last panel reaches to the right edge: its width is only
        // the least it gets (the joystick text would be cut off after a few letters).
        if (i < 2) {
            panel->setFixedWidth(panelWidths[i]);
            StatusBar1->addWidget(panel);
        } else {
            panel->setMinimumWidth(panelWidths[i]);
            StatusBar1->addWidget(panel, 1);
        }
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
    // Labels and buttons sit at fixed places; captions that change at run time (language, mode,
    // route numbers, the element's index) widen them instead of being cut off.
    for (QWidget* container :
         {static_cast<QWidget*>(client), static_cast<QWidget*>(Decod_panel), TabSheet1, TabSheet2})
        keepCaptionsFitting(*container);
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
    auto upDown = [this](const char* name, QLineEdit* associate) {
        auto* u = new UpDown(Decod_panel);
        u->setObjectName(name);
        u->setMin(0);
        u->setMax(8);
        u->setAssociate(associate);
        return u;
    };
    UpDoDaten1 = upDown("UpDoDaten1", Daten_Edit1);
    UpDoDaten2 = upDown("UpDoDaten2", Daten_Edit2);
    UpDoDaten3 = upDown("UpDoDaten3", Daten_Edit3);
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
    static_cast<StatusPanel*>(m_statusPanels[static_cast<std::size_t>(panel)])->setPanelText(qs(utf8));
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
    const QString caption = qs(captionUtf8);
    if (Prozent_label->text() == caption)
        return;
    Prozent_label->setText(caption);
    Prozent_label->adjustSize();
    // Loading a plan and the synchronising commands switch accessories on the GUI thread, with no
    // event loop between the elements: the display is painted whenever the percentage changes.
    ProgressBar1->repaint();
    Prozent_label->repaint();
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
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(caption);
        fitCaption(*label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(caption);
        fitCaption(*button);
    } else if (const int tab = PageControl1->indexOf(widget); tab >= 0)
        PageControl1->setTabText(tab, caption);
}

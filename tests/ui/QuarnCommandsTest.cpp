// The main window's own commands: closing, help, DirectX, the debug window, the default exception
// handler, and what the engine asks of the window.

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QUrl>
#include <gtest/gtest.h>
#include <stdexcept>

#include "QuarnTestFolder.h"
#include "engine/initunit.h"
#include "srcp/HighResTimer.h"
#include "support/LineListener.h"
#include "ui/Debugunit.h"
#include "ui/PaintBoxWidget.h"
#include "ui/QuarnApplication.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;

class QuarnCommandsTest : public QuarnTestFolder {};

// Records the pages the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(QuarnCommandsTest, CloseIsRefusedWhileTheCommandConnectionIsOpen) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    m_dialogs.clear();
    QSignalSpy closed(window, &TMainForm::closedForGood);

    LineListener server;
    window->Command_Socket->connect("127.0.0.1", server.port(), 2000);
    auto peer = server.accept(2000);
    ASSERT_NE(peer, nullptr);

    bool initAliveInHook = false;
    int hookRuns = 0;
    window->addShutdownHook([&] {
        ++hookRuns;
        initAliveInHook = Init != nullptr;
    });

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(m_dialogs.calls(),
              (std::vector<Call>{{Kind::Message, "Fehler",
                                  "Quarn ist noch mit dem Server verbunden, bitte erst die "
                                  "Verbindung beenden!",
                                  MessageIcon::Stop}}));
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(hookRuns, 0);

    // File > End closes the connection first, so it always closes.
    window->menuAction("Ende1")->trigger();
    EXPECT_FALSE(window->Command_Socket->isConnected());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(hookRuns, 1);
    EXPECT_TRUE(initAliveInHook);
    EXPECT_EQ(m_dialogs.calls().size(), 1u);

    stopWindows();
    EXPECT_EQ(hookRuns, 1);
    EXPECT_EQ(Init, nullptr);
    EXPECT_EQ(MainForm, nullptr);
}

TEST_F(QuarnCommandsTest, AcceptedCloseStopsEveryConnectionBeforeTheObjectsGo) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    LineListener server;
    window->Poll_Socket->connect("127.0.0.1", server.port(), 2000);
    auto peer = server.accept(2000);
    ASSERT_NE(peer, nullptr);

    std::vector<std::string> order;
    window->addShutdownHook([&] {
        order.push_back(window->Poll_Socket->isConnected() ? "reader stopped, socket open"
                                                           : "socket already closed");
    });
    window->addShutdownHook([&] { order.push_back("second"); });
    ASSERT_NE(window->HRT1, nullptr);
    EXPECT_TRUE(window->HRT1->Enabled());
    EXPECT_EQ(window->HRT1->Resolution(), 1u);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(order, (std::vector<std::string>{"reader stopped, socket open", "second"}));
    EXPECT_FALSE(window->Poll_Socket->isConnected());
    EXPECT_FALSE(window->HRT1->Enabled());
}

TEST_F(QuarnCommandsTest, DefaultExceptionHandlerShowsTheTextAndGoesOn) {
    class Thrower : public QObject {
    public:
        int handled = 0;
        bool event(QEvent* e) override {
            if (e->type() != QEvent::User)
                return QObject::event(e);
            if (++handled == 1)
                throw std::runtime_error("'abc' ist kein gültiger Integerwert");
            return true;
        }
    };
    Thrower receiver;
    QEvent first(QEvent::User);
    EXPECT_FALSE(QuarnApplication::notifyGuarded(qApp, &receiver, &first));
    EXPECT_EQ(m_dialogs.calls(),
              (std::vector<Call>{
                  {Kind::Message, "Quarn", "'abc' ist kein gültiger Integerwert", MessageIcon::Stop}}));
    QEvent second(QEvent::User);
    EXPECT_TRUE(QuarnApplication::notifyGuarded(qApp, &receiver, &second));
    EXPECT_EQ(receiver.handled, 2);
    EXPECT_EQ(m_dialogs.calls().size(), 1u);
}

TEST_F(QuarnCommandsTest, DirectXTexts) {
    struct Case {
        bool ok;
        unsigned packed;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {false, 0, "", "Unknown version of DirectX installed"},
        {false, 0x00090003, "9.0c", "Unknown version of DirectX installed"},
        {true, 0x00090003, "9.0c", "DirectX 9.0c installed"},
        {true, 0, "", "DirectX not installed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TMainForm::directXMessage(c.ok, c.packed, c.text), c.expected) << c.expected;

    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Dxpresent);
    m_dialogs.clear();
    window->menuAction("DirectX1")->trigger();
    EXPECT_EQ(m_dialogs.calls(), (std::vector<Call>{{Kind::Message, "Info", "DirectX not installed",
                                                     MessageIcon::Information}}));
}

TEST_F(QuarnCommandsTest, HelpOpensTheHelpPageOrSaysItIsMissing) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");

    m_dialogs.clear();
    window->menuAction("QuarnHilfe1")->trigger();
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_EQ(m_dialogs.calls()[0].kind, Kind::Plain);
    EXPECT_NE(m_dialogs.calls()[0].text.find("QUARN.html"), std::string::npos);
    EXPECT_TRUE(recorder.urls.isEmpty());

    // The folder and page are found without regard to case.
    writeFileBytes(m_dir.file("hilfe/Quarn.HTML"), "<html></html>");
    m_dialogs.clear();
    window->menuAction("QuarnHilfe1")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    EXPECT_TRUE(m_dialogs.calls().empty());
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls[0].toLocalFile().toStdString(), m_dir.path() + "hilfe/Quarn.HTML");
}

TEST_F(QuarnCommandsTest, WhatTheEngineAsksOfTheWindow) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);

    window->debugLine("IconName :Icon0101.bmp");
    window->debugLine("Gleisbild ä");
    EXPECT_EQ(DebugForm->Memo1->toPlainText().toStdString(), "IconName :Icon0101.bmp\nGleisbild ä");
    EXPECT_TRUE(DebugForm->windowFlags() & Qt::WindowStaysOnTopHint);
    window->menuAction("openDebugWindow1")->trigger();
    EXPECT_TRUE(DebugForm->isVisible());

    // A panel number outside 0..2 changes nothing.
    for (int panel : {-1, 0, 1, 2, 3})
        window->setStatusPanel(panel, "panel " + std::to_string(panel));
    EXPECT_EQ(window->statusPanelText(0) + "|" + window->statusPanelText(1) + "|" +
                  window->statusPanelText(2),
              "panel 0|panel 1|panel 2");

    window->show();
    window->progressShow(3);
    EXPECT_TRUE(window->ProgressBar1->isVisible());
    EXPECT_EQ(window->ProgressBar1->maximum(), 3);
    EXPECT_EQ(window->ProgressBar1->value(), 0);
    EXPECT_EQ(window->findChild<QLabel*>("Prozent_label")->text().toStdString(), "0 %");
    window->progressSet(2, "66 %");
    EXPECT_EQ(window->ProgressBar1->value(), 2);
    EXPECT_EQ(window->findChild<QLabel*>("Prozent_label")->text().toStdString(), "66 %");
    window->progressHide();
    EXPECT_FALSE(window->ProgressBar1->isVisible());

    // Captions from the text table reach labels, buttons and tab sheets too.
    window->setCaption("Decod_label", "Dekoder");
    window->setCaption("Speichern_button", "speichern");
    window->setCaption("TabSheet2", "Fahrstrasse löschen");
    window->setCaption("NoSuchControl", "nothing");
    EXPECT_EQ(window->Decod_label->text().toStdString(), "Dekoder");
    EXPECT_EQ(window->findChild<QWidget*>("Speichern_button")->property("text").toString().toStdString(),
              "speichern");
    EXPECT_EQ(window->PageControl1->tabText(1).toStdString(), "Fahrstrasse löschen");

    m_dialogs.clear();
    EXPECT_TRUE(window->showerror("Das benötigte Icon konnte nicht geladen werden"));
    EXPECT_TRUE(m_dialogs.calls().empty());

    // Drawing reported by the engine reaches the screen at once.
    PaintBoxImage& view = window->paintBoxImage(PaintBox::Quarn);
    EXPECT_EQ(&view, &window->Quarn->view());
    view.image().setPixelColor(3, 4, Qt::green);
    view.changed(TRect{3, 4, 4, 5});
    EXPECT_EQ(window->Quarn->grab(QRect(3, 4, 1, 1)).toImage().pixelColor(0, 0), QColor(Qt::green));
    EXPECT_EQ(&window->paintBoxImage(PaintBox::Design_Panel), &window->Design_Panel->view());
    EXPECT_EQ(&window->paintBoxImage(PaintBox::Hilfsbild1), &window->Hilfsbild1->view());
}

} // namespace

#include "QuarnCommandsTest.moc"

// The main window's own commands: closing, help, DirectX, the debug window, the default exception
// handler, and what the engine asks of the window.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "engine/initunit.h"
#include "srcp/HighResTimer.h"
#include "support/LineListener.h"
#include "support/engine/RecordingCommandOutput.h"
#include "ui/Debugunit.h"
#include "ui/PaintBoxWidget.h"
#include "ui/QuarnApplication.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;

class QuarnCommandsTest : public QuarnTestFolder {};

const Call NotConnected = stopBox("Fehler", "Nicht mit dem Server verbunden");
const Call NotAvailable = stopBox("Fehler", "Diese Funktion ist noch nicht verf\xC3\xBCgbar");
const Call ResetDone = stopBox("Info", "Server wurde initialisiert!");
const Call NoFeedbackChannel = stopBox("Fehler", "Der R\xC3\xBC"
                                                 "ckmeldekanal konnte nicht ge\xC3\xB6"
                                                 "ffnet werden");
const Call ConnectFirst = stopBox("Fehler", "Bitte erst mit dem Server verbinden!");

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

TEST_F(QuarnCommandsTest, CloseIsRefusedWhileTheCommandConnectionIsOpen) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    m_dialogs.clear();
    QSignalSpy closed(window, &TMainForm::closedForGood);

    LineListener server;
    window->Command_Socket->connect("127.0.0.1", server.port(), PatienceMs);
    auto peer = server.accept(PatienceMs);
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
    window->Ende1->trigger();
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
    window->Poll_Socket->connect("127.0.0.1", server.port(), PatienceMs);
    auto peer = server.accept(PatienceMs);
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

TEST_F(QuarnCommandsTest, CommandsTellWhatTheOutputAnswered) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->setPlanMenuState();
    RecordingCommandOutput output;
    using R = CommandResult;
    struct Case {
        void (TMainForm::*handler)();
        R result;
        std::vector<std::string> commands;
        std::vector<Call> boxes;
        bool feedbackRunning = false; // afterwards; Start and Reset are off while it runs
    };
    const Case cases[] = {
        {&TMainForm::Spannungan1Click, R::Sent, {"power on"}, {}},
        {&TMainForm::Spannungaus1Click, R::NotConnected, {"power off"}, {NotConnected}},
        {&TMainForm::Spannungan1Click, R::NotAvailable, {"power on"}, {NotAvailable}},
        {&TMainForm::Initialisierung1Click, R::Sent, {"reset"}, {ResetDone}},
        {&TMainForm::Initialisierung1Click, R::NotConnected, {"reset"}, {NotConnected}},
        {&TMainForm::Initialisierung1Click, R::NotAvailable, {"reset"}, {NotAvailable}},
        // A failed write has shown its own error.
        {&TMainForm::Initialisierung1Click, R::Failed, {"reset"}, {}},
        // The power monitor tells nobody.
        {&TMainForm::PowerTimerTimer, R::NotConnected, {"power on"}, {}},
        {&TMainForm::Abfragestarten1Click, R::Sent, {"feedback start"}, {}, true},
        {&TMainForm::Abfragebeenden1Click, R::Sent, {"feedback stop"}, {}},
        {&TMainForm::Abfragestarten1Click, R::Failed, {"feedback start"}, {NoFeedbackChannel}},
        {&TMainForm::Abfragestarten1Click, R::NotConnected, {"feedback start"}, {ConnectFirst}},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(row++);
        output.commands.clear();
        output.result = c.result;
        m_dialogs.clear();
        (window->*c.handler)();
        EXPECT_EQ(output.commands, c.commands);
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        EXPECT_EQ(window->feedbackRunning(), c.feedbackRunning);
        EXPECT_EQ(window->Abfragestarten1->isEnabled(), !c.feedbackRunning);
        EXPECT_EQ(window->Reset1->isEnabled(), !c.feedbackRunning);
    }
}

TEST_F(QuarnCommandsTest, FreeCommandsAskOnlyWhileConnected) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    RecordingCommandOutput output;
    const Call input{Kind::Input, "Befehlseingabe", "e.g.: SET GA M 16 1 1 500", MessageIcon::None, ""};
    struct Case {
        bool connected;
        std::vector<std::pair<bool, std::string>> inputs;
        CommandResult result;
        std::vector<std::string> commands;
        std::vector<Call> boxes;
    };
    const Case cases[] = {
        {false, {}, CommandResult::Sent, {}, {NotConnected}},
        {true, {{false, "SET POWER OFF"}}, CommandResult::Sent, {}, {input}},
        // Sent as the Windows-1252 bytes of the text.
        {true, {{true, "SET GL M \xC3\xBC 1"}}, CommandResult::Sent, {"free SET GL M \xFC 1"}, {input}},
        // The server went while the box was open.
        {true, {{true, "RESET"}}, CommandResult::NotConnected, {"free RESET"}, {input, NotConnected}},
        // Two pasted commands: the output refuses the line, the box says why.
        {true,
         {{true, "SET POWER ON\tRESET"}},
         CommandResult::Refused,
         {"free SET POWER ON\tRESET"},
         {input, stopBox("Fehler", "The command was not sent: it holds a tab, which would end the command at "
                                   "the server and make the rest a command of its own. Send each command "
                                   "on its own.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.boxes.size());
        output.commands.clear();
        output.isConnected = c.connected;
        output.result = c.result;
        m_dialogs.clear();
        for (const auto& [ok, text] : c.inputs)
            m_dialogs.pushInput(ok, text);
        window->FreieBefehle1Click();
        EXPECT_EQ(output.commands, c.commands);
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
    }
}

TEST_F(QuarnCommandsTest, WithoutAClientConnectionTheOtherTransportSendsNothing) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->setPlanMenuState();
    window->SrcpVer = 80;
    struct Case {
        void (TMainForm::*handler)();
        std::vector<Call> boxes;
    };
    const Case cases[] = {
        // Power goes through the client's adapter, which says so in a plain box of its own.
        {&TMainForm::Spannungan1Click, {{Kind::Plain, "", "not connected to server", MessageIcon::None}}},
        {&TMainForm::Spannungaus1Click, {{Kind::Plain, "", "not connected to server", MessageIcon::None}}},
        {&TMainForm::Initialisierung1Click, {NotAvailable}},
        {&TMainForm::FreieBefehle1Click,
         {stopBox("Fehler",
                  "Free commands are sent over an \"SRCP 0.73\" connection only. Nothing was sent.")}},
        {&TMainForm::PowerTimerTimer, {}},
        {&TMainForm::Abfragestarten1Click, {ConnectFirst}},
        {&TMainForm::Abfragebeenden1Click, {}},
    };
    int row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(row++);
        m_dialogs.clear();
        (window->*c.handler)();
        EXPECT_EQ(m_dialogs.calls(), c.boxes);
        EXPECT_TRUE(window->Abfragestarten1->isEnabled());
        EXPECT_FALSE(window->feedbackRunning());
    }
}

TEST_F(QuarnCommandsTest, ModalWindowsGoThroughTheDialogService) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    struct Case {
        QAction* TMainForm::*item;
        int joyMode;
        const char* shown; // null: none
    };
    const Case cases[] = {
        {&TMainForm::Info1, 1, "InfoForm"},
        {&TMainForm::Joystickcalibrieren1, 1, "JoyWinForm"},
        {&TMainForm::Joystickcalibrieren1, 0, "JoyDxForm"},
        {&TMainForm::Joystickcalibrieren1, 2, nullptr},
        {&TMainForm::Joystickcalibrieren1, -1, nullptr},
    };
    for (const Case& c : cases) {
        QAction* item = window->*c.item;
        SCOPED_TRACE(item->objectName().toStdString() + " " + std::to_string(c.joyMode));
        m_dialogs.clear();
        window->Joy_Mode = c.joyMode;
        if (c.shown)
            m_dialogs.pushWindowResult(1);
        item->setEnabled(true);
        item->trigger();
        std::vector<Call> expected;
        if (c.shown)
            expected.push_back({Kind::Window, c.shown, "", MessageIcon::None});
        EXPECT_EQ(m_dialogs.calls(), expected);
        EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
    }
}

TEST_F(QuarnCommandsTest, HelpHandsThePageToTheLauncherOrSaysWhereItIs) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    // Launchers that note the page they were given and exit with their name's code.
    const std::string opened = m_dir.path() + "opened";
    for (const std::string code : {"0", "3"}) {
        writeFileBytes(m_dir.file("exit" + code),
                       "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened + "'\nexit " + code);
        QFile::setPermissions(QString::fromStdString(m_dir.file("exit" + code)),
                              QFile::ReadOwner | QFile::ExeOwner);
    }
    const struct {
        const char* name;
        const char* page; // written before the click; nullptr: none
        const char* launcher;
        const char* box; // what the box says besides where the page is; "": no box
    } cases[] = {
        {"no page", nullptr, "exit0", "not found"},
        // The folder and page are found without regard to case.
        {"launcher shows it", "hilfe/Quarn.HTML", "exit0", ""},
        {"launcher finds no browser", "hilfe/Quarn.HTML", "exit3", "could show the help file"},
        {"no launcher", "hilfe/Quarn.HTML", "none", "could show the help file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.page)
            writeFileBytes(m_dir.file(c.page), "<html></html>");
        window->helpLauncher = m_dir.file(c.launcher);
        std::filesystem::remove(opened);
        m_dialogs.clear();
        window->QuarnHilfe1->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->findChildren<QProcess*>().isEmpty(); }, PatienceMs));
        const bool runs = c.page && std::filesystem::exists(window->helpLauncher);
        EXPECT_EQ(std::filesystem::exists(opened) ? readFileBytes(opened) : "",
                  runs ? m_dir.path() + c.page : "");
        const auto& calls = m_dialogs.calls();
        ASSERT_EQ(calls.size(), *c.box ? 1u : 0u);
        if (*c.box) {
            EXPECT_EQ(calls[0].kind, Kind::Plain);
            EXPECT_NE(calls[0].text.find(c.box), std::string::npos) << calls[0].text;
            EXPECT_NE(calls[0].text.find(c.page ? m_dir.path() + c.page : "QUARN.html"), std::string::npos);
        }
    }
}

TEST_F(QuarnCommandsTest, WhatTheEngineAsksOfTheWindow) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);

    window->debugLine("IconName :Icon0101.bmp");
    window->debugLine("Gleisbild ä");
    EXPECT_EQ(DebugForm->Memo1->toPlainText().toStdString(), "IconName :Icon0101.bmp\nGleisbild ä");
    EXPECT_TRUE(DebugForm->windowFlags() & Qt::WindowStaysOnTopHint);
    window->openDebugWindow1->trigger();
    EXPECT_TRUE(DebugForm->isVisible());

    // A panel number outside 0..2 changes nothing.
    for (int panel : {-1, 0, 1, 2, 3})
        window->setStatusPanel(panel, "panel " + std::to_string(panel));
    EXPECT_EQ(window->statusPanelText(0) + "|" + window->statusPanelText(1) + "|" +
                  window->statusPanelText(2),
              "panel 0|panel 1|panel 2");

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window, PatienceMs));
    window->progressShow(3);
    EXPECT_TRUE(window->ProgressBar1->isVisible());
    EXPECT_EQ(window->ProgressBar1->maximum(), 3);
    EXPECT_EQ(window->ProgressBar1->value(), 0);
    EXPECT_EQ(window->findChild<QLabel*>("Prozent_label")->text().toStdString(), "0 %");
    // The blocking loops run no event loop: a new percentage is painted at once, the same one not again.
    PaintCounter painted(window->findChild<QLabel*>("Prozent_label"));
    window->progressSet(2, "66 %");
    EXPECT_EQ(window->ProgressBar1->value(), 2);
    EXPECT_EQ(window->findChild<QLabel*>("Prozent_label")->text().toStdString(), "66 %");
    const int paints = painted.count;
    EXPECT_GT(paints, 0);
    window->progressSet(2, "66 %");
    EXPECT_EQ(painted.count, paints);
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

    // The address panel: the element's number goes to Index_label; a picture not given stays.
    QImage red(27, 27, QImage::Format_RGB32);
    red.fill(Qt::red);
    DecoderPanelData first;
    first.compId = 42;
    first.decod = {1, 2, 3};
    first.daten = {4, 5, 6};
    first.protoIndex = 1;
    first.images[0] = red;
    DecoderPanelData second;
    second.compId = -7;
    second.protoIndex = 2; // no such item: the selection stays
    for (const DecoderPanelData& panel : {first, second}) {
        SCOPED_TRACE(panel.compId);
        window->showDecoderPanel(panel);
        EXPECT_EQ(window->Index_label->text().toStdString(), std::to_string(panel.compId));
        EXPECT_EQ(window->Posindex_dbtext->text().toStdString(), "");
        const QLineEdit* edits[] = {window->Decod_edit1, window->Decod_edit2, window->Decod_edit3,
                                    window->Daten_Edit1, window->Daten_Edit2, window->Daten_Edit3};
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(edits[i]->text().toInt(), panel.decod[i]);
            EXPECT_EQ(edits[i + 3]->text().toInt(), panel.daten[i]);
        }
        EXPECT_EQ(window->Proto_CB->currentIndex(), 1);
        EXPECT_EQ(window->Image1->pixmap().toImage().pixelColor(13, 13), QColor(Qt::red));
        EXPECT_TRUE(window->Image2->pixmap().isNull());
    }

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

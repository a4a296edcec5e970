// The model clock: the time dialog, the clock window's title, tick and face, Commands > Time over both
// transports with the server's clock of bus list entry 0, and the about box. The PC's time is set by
// each test and the clock ticks only when a test calls Timer1Timer.

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "support/FakeSrcp073Server.h"
#include "support/FakeSrcpServer.h"
#include "support/engine/RecordingClock.h"
#include "ui/Infounit.h"
#include "ui/PaintBoxWidget.h"
#include "ui/Uhrunit.h"
#include "ui/timsetupunit.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
using Lines = std::vector<std::string>;

const Call TimeDialog{Kind::Window, "TimeForm", "", MessageIcon::None};
const QRgb Black = qRgb(0, 0, 0);
const QRgb White = qRgb(255, 255, 255);
const QRgb Red = qRgb(255, 0, 0);

// What the user does in the time dialog.
struct Choice {
    bool server = false;
    bool decrease = false;
    int speed = 1;
    QTime start{12, 0, 0};
    bool set = true;
};

TDateTime dayFraction(QTime time) {
    return time.msecsSinceStartOfDay() / 86400000.0;
}

class QuarnClockTest : public QuarnDispatchingTestFolder {
protected:
    void SetUp() override {
        QuarnDispatchingTestFolder::SetUp();
        setPcTimeOfDaySource([this] { return m_pcTime; });
    }
    void TearDown() override {
        QuarnDispatchingTestFolder::TearDown();
        setPcTimeOfDaySource(nullptr);
    }

    // The user of the next time dialog: it appears, takes the choice, and Set or Cancel closes it.
    // meanwhile runs while the dialog is open.
    void answerTimeDialog(const Choice& c, const std::function<void()>& meanwhile = nullptr) {
        m_dialogs.pushWindow([c, meanwhile] {
            TTimeForm& form = *TimeForm;
            form.show();
            if (meanwhile)
                meanwhile();
            form.udHours->setValue(c.start.hour());
            form.udMin->setValue(c.start.minute());
            form.udSecs->setValue(c.start.second());
            if (c.server)
                form.rgServerItems->button(1)->click();
            if (c.decrease)
                form.rgSpeedItems->button(1)->click();
            form.udSpeed->setValue(c.speed);
            (c.set ? form.Button1 : form.Button2)->click();
            return form.result();
        });
    }

    // Commands > Time as the menu runs it. The clock's own timer is stopped afterwards so that only
    // the test ticks it.
    static void clickTime(TMainForm* window) {
        window->Zeit1->trigger();
        UhrForm->Timer1->stop();
    }

    static QImage face() { return UhrForm->PBox1->grab().toImage(); }

    // Whether a pixel of that colour lies at p or next to it (a wide line's edge depends on the
    // rasteriser).
    static bool near(const QImage& image, QPoint p, QRgb colour) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (image.pixel(p.x() + dx, p.y() + dy) == colour)
                    return true;
        return false;
    }

    // Nothing here waits in real time.
    RecordingClock m_clock;
    QTime m_pcTime{7, 8, 9};
};

TEST_F(QuarnClockTest, TheTimeDialogShowsThePcTimeAndOffersTheSpeedOnlyForTheServerClock) {
    ASSERT_NE(startWindows(), nullptr);
    TTimeForm& form = *TimeForm;
    // What an earlier use of the dialog left behind.
    form.rgServerItems->button(1)->setChecked(true);
    form.rgSpeedItems->button(1)->setChecked(true);
    form.udSpeed->setEnabled(true);
    form.udSpeed->setValue(7);
    form.Faktx = 3;
    form.Fakty = 2;

    form.show();
    EXPECT_EQ(form.udHours->value(), 7);
    EXPECT_EQ(form.udMin->value(), 8);
    EXPECT_EQ(form.udSecs->value(), 9);
    EXPECT_EQ(form.Faktx, 1);
    EXPECT_EQ(form.Fakty, 1);
    EXPECT_EQ(form.serverItem(), 0);
    EXPECT_EQ(form.speedItem(), 0);
    EXPECT_FALSE(form.rgSpeed->isEnabled());
    EXPECT_FALSE(form.udSpeed->isEnabled());
    EXPECT_EQ(form.udSpeed->value(), 1);

    // The server item offers the speed; the PC item takes it back to 1.
    for (int item : {1, 0}) {
        SCOPED_TRACE(item);
        form.udSpeed->setValue(5);
        form.rgServerItems->button(item)->click();
        EXPECT_EQ(form.rgSpeed->isEnabled(), item == 1);
        EXPECT_EQ(form.udSpeed->isEnabled(), item == 1);
        EXPECT_EQ(form.udSpeed->value(), item == 1 ? 5 : 1);
    }

    // The speed divides the tick, so it stays within 1 to 10 whatever is typed.
    form.rgServerItems->button(1)->click();
    struct Typed {
        const char* text;
        int value;
    };
    const Typed typed[] = {{"0", 1}, {"11", 1}, {"10", 10}};
    for (const Typed& t : typed) {
        SCOPED_TRACE(t.text);
        form.udSpeed->setValue(1);
        form.udSpeed->findChild<QLineEdit*>()->selectAll();
        QTest::keyClicks(form.udSpeed, t.text);
        form.udSpeed->interpretText();
        EXPECT_EQ(form.udSpeed->value(), t.value);
    }
    form.hide();
}

TEST_F(QuarnClockTest, TheClockShowsItsSourceAndTicksAtItsSpeed) {
    struct Case {
        const char* name;
        Choice choice;
        int interval;
        int faktx, fakty;
        Lines titles; // after each tick
    };
    const Case cases[] = {
        {"PC clock", {false, false, 1, {12, 0, 0}}, 1000, 1, 1, {"07:08:09"}},
        {"increase 4", {true, false, 4, {12, 30, 0}}, 250, 4, 1, {"12:30:01"}},
        {"decrease 4", {true, true, 4, {12, 30, 0}}, 4000, 1, 4, {"12:30:01"}},
        {"increase 3", {true, false, 3, {12, 30, 0}}, 333, 3, 1, {"12:30:01"}},
        {"increase 10", {true, false, 10, {12, 30, 0}}, 100, 10, 1, {"12:30:01"}},
        // Without a report from the server the seconds stop at 60.
        {"at 12:30:58", {true, false, 1, {12, 30, 58}}, 1000, 1, 1, {"12:30:59", "12:30:60", "12:30:60"}},
    };
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->Zeit1->setEnabled(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_dialogs.clear();
        UhrForm->setWindowTitle("");
        answerTimeDialog(c.choice);
        clickTime(window);
        // At once, before the first tick: the time the clock starts from.
        const QTime first = c.choice.server ? c.choice.start : m_pcTime;
        EXPECT_EQ(UhrForm->windowTitle().toStdString(), first.toString("hh:mm:ss").toStdString());
        EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{TimeDialog});
        EXPECT_TRUE(window->Zeit1->isChecked());
        EXPECT_TRUE(UhrForm->isVisible());
        EXPECT_EQ(UhrForm->Timer1->interval(), c.interval);
        EXPECT_EQ(TimeForm->Faktx, c.faktx);
        EXPECT_EQ(TimeForm->Fakty, c.fakty);
        EXPECT_EQ(TimeForm->ZolMaster, c.choice.server);
        EXPECT_DOUBLE_EQ(TimeForm->Settime, dayFraction(c.choice.start));
        EXPECT_DOUBLE_EQ(window->ZolTime, TimeForm->Settime);
        for (const std::string& title : c.titles) {
            UhrForm->Timer1Timer();
            EXPECT_EQ(UhrForm->windowTitle().toStdString(), title);
        }
        clickTime(window);
        EXPECT_FALSE(window->Zeit1->isChecked());
        EXPECT_FALSE(UhrForm->isVisible());
    }
}

TEST_F(QuarnClockTest, TheFaceShowsTicksAndHandsAndClearsTheHandsItMoves) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->Zeit1->setEnabled(true);
    m_pcTime = QTime(6, 0, 15);
    answerTimeDialog({});
    clickTime(window);
    ASSERT_TRUE(UhrForm->isVisible());
    // Made 152 x 140, the window keeps itself square.
    EXPECT_EQ(UhrForm->size(), QSize(152, 152));
    EXPECT_EQ(UhrForm->PBox1->size(), QSize(152, 152));
    EXPECT_EQ(UhrForm->Center, QPoint(76, 76));

    UhrForm->Timer1Timer();
    QImage image = face();
    EXPECT_EQ(image.pixel(76, 19), Black);      // the mark at twelve
    EXPECT_EQ(image.pixel(116, 76), Red);       // the second hand at 15 s
    EXPECT_TRUE(near(image, {76, 40}, Black));  // the minute hand at 0
    EXPECT_TRUE(near(image, {76, 100}, Black)); // the hour hand at six
    EXPECT_EQ(image.pixel(40, 40), White);

    m_pcTime = QTime(6, 1, 16);
    UhrForm->Timer1Timer();
    image = face();
    EXPECT_EQ(image.pixel(116, 76), White);
    EXPECT_EQ(image.pixel(76, 40), White);
    EXPECT_TRUE(near(image, {79, 41}, Black)); // the minute hand at 6 degrees
    EXPECT_TRUE(near(image, {76, 100}, Black));
    EXPECT_EQ(image.pixel(76, 19), Black);
    EXPECT_EQ(UhrForm->windowTitle().toStdString(), "06:01:16");

    // Where the marks begin and the hands end.
    m_pcTime = QTime(6, 44, 15);
    UhrForm->Timer1Timer();
    image = face();
    const struct {
        const char* what;
        QPoint at;
        QRgb colour;
    } pixels[] = {
        {"the mark at nine reaches in to radius 53", {25, 76}, Black},
        {"and no further", {26, 76}, White},
        {"the mark at 1 minute begins at radius 57", {81, 23}, White},
        {"its innermost pixel", {80, 20}, Black},
        {"the first one past it", {80, 21}, White},
        {"the second hand at 15 s ends at radius 53", {128, 76}, Red},
        {"past it, the mark at three", {129, 76}, Black},
        {"the minute hand at 44", {29, 81}, Black},
        {"its last pixel, at radius 50", {26, 81}, Black},
        {"the first one past it", {25, 81}, White},
        {"ends at radius 50", {23, 81}, White},
        {"the hour hand at six", {76, 107}, Black},
        {"its last pixel, at radius 32", {76, 109}, Black},
        {"the first one past it", {76, 110}, White},
        {"ends at radius 32", {76, 111}, White},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(image.pixel(p.at), p.colour) << p.what;
}

// At exit the windows go one by one while the clock's timer may still tick.
TEST_F(QuarnClockTest, ATickCopesWithTheTimeDialogOrTheMainWindowGone) {
    ASSERT_EQ(MainForm, nullptr);
    auto clock = std::make_unique<TUhrForm>();
    auto dialog = std::make_unique<TTimeForm>();
    UhrForm = clock.get();
    struct Case {
        bool dialogThere;
        bool zolMaster;
        const char* title; // after the tick
    };
    const Case cases[] = {
        {true, false, "07:08:09"},
        // The model time lives in the main window: nothing to show.
        {true, true, "07:08:09"},
        {false, true, "07:08:11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dialogThere) + std::to_string(c.zolMaster));
        dialog->ZolMaster = c.zolMaster;
        TimeForm = c.dialogThere ? dialog.get() : nullptr;
        clock->Timer1Timer();
        EXPECT_EQ(clock->windowTitle().toStdString(), c.title);
        m_pcTime = m_pcTime.addSecs(1);
    }
    TimeForm = nullptr;
    UhrForm = nullptr;
}

TEST_F(QuarnClockTest, TimeOnAndOffOverAnSrcp073Server) {
    FakeSrcp073Server server;
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    pointAt(window, server.port());
    window->Hostverbinden1->trigger();
    ASSERT_TRUE(window->Command_Socket->isConnected());
    ASSERT_TRUE(window->Zeit1->isEnabled());
    m_dialogs.clear();

    answerTimeDialog({});
    clickTime(window);
    EXPECT_TRUE(window->Zeit1->isChecked());
    EXPECT_TRUE(UhrForm->isVisible());
    EXPECT_FALSE(UhrForm->close());
    EXPECT_TRUE(UhrForm->isVisible());

    clickTime(window);
    EXPECT_FALSE(window->Zeit1->isChecked());
    EXPECT_FALSE(UhrForm->isVisible());

    // Cancel: no clock, and the item says so.
    window->ZolTime = 0.25;
    answerTimeDialog({true, false, 4, {12, 30, 0}, false});
    clickTime(window);
    EXPECT_FALSE(window->Zeit1->isChecked());
    EXPECT_FALSE(UhrForm->isVisible());
    EXPECT_EQ(window->ZolTime, 0.25);

    answerTimeDialog({});
    clickTime(window);
    EXPECT_TRUE(UhrForm->isVisible());
    window->Hosttrennen1->trigger();
    EXPECT_FALSE(UhrForm->isVisible());
    EXPECT_FALSE(window->Zeit1->isChecked());
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>(3, TimeDialog));
    EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
}

class QuarnServerClockTest : public QuarnClockTest {
protected:
    // The main window connected over "SRCP 0.80" to a server that describes these buses.
    TMainForm* connectedWindow(FakeSrcpServer& server, const Lines& buses) {
        server.setBusDescriptions(buses);
        TMainForm* window = startWindows();
        if (!window)
            return nullptr;
        window->show();
        pointAt(window, server.port(), 80);
        window->Hostverbinden1->trigger();
        if (!window->SRCPCl2->Connected() ||
            !QTest::qWaitFor([&] { return window->SRCPCl2->BusCount() == static_cast<int>(buses.size()); },
                             FakeSrcpServer::Patience))
            return nullptr;
        m_dialogs.clear();
        server.newCommandLines();
        return window;
    }
};

const Lines TwoBuses = {"SERVER TIME", "POWER GL GA FB"};
const std::string SetTime = "SET 0 TIME 2415019 12 30 0";

TEST_F(QuarnServerClockTest, StartingAndStoppingTheServersClock) {
    struct Case {
        const char* name;
        Lines buses;
        bool decrease;
        const char* running; // a report that the clock runs, from an earlier run
        bool transport73;    // the setting changed while connected
        Lines on, off;
    };
    const Case cases[] = {
        {"increase 4", TwoBuses, false, nullptr, false, {"INIT 0 TIME 4 1", SetTime}, {"TERM 0 TIME"}},
        {"decrease 4", TwoBuses, true, nullptr, false, {"INIT 0 TIME 1 4", SetTime}, {"TERM 0 TIME"}},
        {"running at 2:1",
         TwoBuses,
         false,
         "100.000 101 INFO 0 TIME 2 1",
         false,
         {"TERM 0 TIME", "INIT 0 TIME 4 1", SetTime},
         {"TERM 0 TIME"}},
        {"no bus described", {}, false, nullptr, false, {}, {}},
        {"bus 0 without a clock", {"POWER GL GA FB", "POWER"}, false, nullptr, false, {}, {}},
        {"transport 73", TwoBuses, false, nullptr, true, {}, {}},
    };
    // The server's seconds count from the chosen time, not from the PC's.
    m_pcTime = QTime(9, 41, 37);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSrcpServer server;
        TMainForm* window = connectedWindow(server, c.buses);
        ASSERT_NE(window, nullptr);
        if (c.running) {
            server.injectInfo(c.running);
            ASSERT_TRUE(QTest::qWaitFor([&] { return window->SRCPCl2->Busses(0)->Time()->Enabled(); },
                                        FakeSrcpServer::Patience));
        }
        if (c.transport73)
            window->SrcpVer = 73;
        // The hidden clock has ticked with the PC's seconds.
        UhrForm->Timer1Timer();

        answerTimeDialog({true, c.decrease, 4, {12, 30, 0}});
        clickTime(window);
        EXPECT_EQ(server.newCommandLines(), c.on);
        EXPECT_TRUE(UhrForm->isVisible());
        EXPECT_TRUE(TimeForm->ZolMaster);
        EXPECT_DOUBLE_EQ(window->ZolTime, 12.5 / 24);
        UhrForm->Timer1Timer();
        EXPECT_EQ(UhrForm->windowTitle().toStdString(), "12:30:01");

        clickTime(window);
        EXPECT_EQ(server.newCommandLines(), c.off);
        EXPECT_FALSE(UhrForm->isVisible());
        EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{TimeDialog});
        stopWindows();
    }
}

// Set pressed after the server went away while the dialog was open: no clock that cannot be closed.
TEST_F(QuarnServerClockTest, AConnectionLostWhileTheTimeDialogIsOpenOpensNoClock) {
    FakeSrcpServer server;
    TMainForm* window = connectedWindow(server, TwoBuses);
    ASSERT_NE(window, nullptr);
    answerTimeDialog({true, false, 4, {12, 30, 0}}, [&] {
        server.closeConnections();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return window->Hostverbinden1->isEnabled(); }, FakeSrcpServer::Patience));
    });
    clickTime(window);
    EXPECT_FALSE(UhrForm->isVisible());
    EXPECT_FALSE(window->Zeit1->isChecked());
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{TimeDialog});
}

TEST_F(QuarnServerClockTest, AReportOfTheServersClockSetsTheTimeAndStartsTheSecondsAgain) {
    FakeSrcpServer server;
    TMainForm* window = connectedWindow(server, TwoBuses);
    ASSERT_NE(window, nullptr);
    answerTimeDialog({true, false, 1, {12, 30, 0}});
    clickTime(window);
    for (int i = 0; i < 5; ++i)
        UhrForm->Timer1Timer();
    EXPECT_EQ(UhrForm->windowTitle().toStdString(), "12:30:05");

    server.injectInfo("200.000 100 INFO 0 TIME 2415019 12 31 0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return UhrForm->ZolSeconds == 0; }, FakeSrcpServer::Patience));
    EXPECT_DOUBLE_EQ(window->ZolTime, (12 * 60 + 31) / 1440.0);
    UhrForm->Timer1Timer();
    EXPECT_EQ(UhrForm->windowTitle().toStdString(), "12:31:01");
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{TimeDialog});
}

TEST_F(QuarnClockTest, TheAboutBoxShowsTheVersionInTheMiddleOfTheScreen) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    std::string version;
    QRect frame;
    m_dialogs.pushWindow([&] {
        InfoForm->show();
        version = InfoForm->Version->text().toStdString();
        frame = InfoForm->frameGeometry();
        InfoForm->OKButton->click();
        return InfoForm->result();
    });
    window->Info1->trigger();
    EXPECT_EQ(version, " V 0.71");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(frame.left(), screen.left() + screen.width() / 2 - frame.width() / 2);
    EXPECT_EQ(frame.top(), screen.top() + screen.height() / 2 - frame.height() / 2);
    EXPECT_FALSE(InfoForm->isVisible());
    EXPECT_EQ(InfoForm->result(), QDialog::Accepted);
}

} // namespace

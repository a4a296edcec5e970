// The multimedia joystick back-end's window: set-up, polling with its scaling and button lock-out,
// the "Test" button and the test display.

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>
#include <cstring>
#include <functional>

#include "JoyFixture.h"

namespace {

using Lines = std::vector<std::string>;
using Call = RecordingDialogs::Call;

class JoyWinUnitTest : public JoyFixture {
protected:
    // Joystick 1 on throttle 1 (slot 0, "M2" 11), joystick 2 on throttle 2 (slot 1, "N2" 12); both
    // slots with F0 .. F2, key 3 switching F2. The first poll brings the bars to the axes, pulled
    // fully back: the locos stand.
    void start(bool bindSecond = true) {
        m_node = plugIn();
        m_form.Joy_Mode = 1;
        m_panel->Joyinitsetup();
        for (int K : {1, 2}) {
            setSlot(K - 1, K == 1 ? "M2" : "N2", 10 + K, 100, 1, 4);
            setFunctions(K - 1, {1, 2, 3, 0, 0});
            m_panel->setupScrollBar(K - 1);
            if (K == 1 || bindSecond)
                bind(K, K - 1);
        }
        m_devices->setAxis(m_node, Axis::Y, 100);
        m_devices->setAxis(m_node, Axis::Z, 100);
        m_win->JoyMove();
        m_output.lines.clear();
    }
    // Holds the buttons of mask for one poll, then lets go for two.
    Lines press(std::uint32_t mask) {
        m_output.lines.clear();
        for (int k = 1; k <= 4; ++k)
            m_devices->setButton(m_node, k, (mask >> (k - 1)) & 1);
        m_win->JoyMove();
        holdButtons(m_node, {});
        m_win->JoyMove();
        m_win->JoyMove();
        return m_output.lines;
    }

    std::string m_node;
};

TEST_F(JoyWinUnitTest, SetupReadsTheCapabilitiesAndStartsPolling) {
    m_win->JoyTimer->start();
    EXPECT_EQ(m_win->setup(), 1);
    EXPECT_TRUE(m_panel->Button1->isHidden());
    EXPECT_FALSE(m_win->JoyTimer->isActive()) << "a failed start stops the polling";

    plugIn();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(m_win->setup(), 0);
        EXPECT_EQ(m_win->Joy, 0);
        EXPECT_EQ(m_win->Ymin, 0);
        EXPECT_EQ(m_win->Zmax, 65535);
        for (QSlider* bar : {m_win->TrackBarY, m_win->TrackBarZ}) {
            EXPECT_EQ(bar->maximum(), 65535);
            EXPECT_EQ(bar->tickInterval(), 65);
        }
        EXPECT_EQ(m_win->Label1->text(), "Ymin = 0");
        EXPECT_EQ(m_win->Label2->text(), "Ymax = 65535");
        EXPECT_FALSE(m_panel->Button1->isHidden());
        EXPECT_FALSE(m_panel->Button2->isHidden());
        EXPECT_TRUE(m_win->JoyTimer->isActive());
        EXPECT_EQ(m_win->JoyTimer->interval(), 200);
    }
    m_win->JoyTimer->stop();
}

TEST_F(JoyWinUnitTest, ExactButtonValuesActForTheirJoystick) {
    struct Case {
        std::uint32_t mask;
        Lines bothBound, secondUnbound;
    };
    const Case cases[] = {
        {1, {"SET GL M2 11 1 0 100 0 4 0 0 0 0 "}, {"SET GL M2 11 0 0 100 1 4 0 1 0 0 "}},
        {2, {"SET GL M2 11 1 0 100 1 4 0 0 0 0 "}, {"SET GL M2 11 0 0 100 0 4 0 1 0 0 "}},
        {3, {"SET GL M2 11 1 0 100 1 4 0 1 0 0 "}, {"SET GL M2 11 0 0 100 0 4 0 0 0 0 "}},
        {4, {"SET GL N2 12 1 0 100 0 4 0 0 0 0 "}, {}},
        {8, {"SET GL N2 12 1 0 100 1 4 0 0 0 0 "}, {}},
        {12, {"SET GL N2 12 1 0 100 1 4 0 1 0 0 "}, {}},
        {5, {}, {}},
        {15, {}, {}},
    };
    for (bool second : {true, false}) {
        if (second)
            start();
        else
            m_panel->Button2MouseDown(Qt::RightButton);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.mask) + (second ? "" : ", joystick 2 unbound"));
            EXPECT_EQ(press(c.mask), second ? c.bothBound : c.secondUnbound);
        }
    }
}

TEST_F(JoyWinUnitTest, AHeldValueActsAgainAtTheThirdPoll) {
    start();
    m_devices->setButton(m_node, 2, true);
    for (int poll = 0; poll < 6; ++poll)
        m_win->JoyMove();
    EXPECT_EQ(m_output.lines,
              (Lines{"SET GL M2 11 0 0 100 1 4 0 0 0 0 ", "SET GL M2 11 0 0 100 0 4 0 0 0 0 "}));
}

TEST_F(JoyWinUnitTest, AxesMoveTheBoundBarsFromTopToBottom) {
    struct Case {
        int speedMax1, speedMax2, y, z, bar1, bar2;
    };
    const Case cases[] = {
        {100, 100, -100, 100, 0, 100}, {100, 100, 100, -100, 100, 0}, {100, 100, 0, 0, 50, 50},
        {28, 100, -1, 1, 14, 50},      {28, 100, 1, 0, 14, 50},       {28, 7, 50, -50, 21, 2},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.y) + " " + std::to_string(c.z));
        m_form.Joy1faktor = c.speedMax1;
        m_form.Joy2faktor = c.speedMax2;
        m_devices->setAxis(m_node, Axis::Y, c.y);
        m_devices->setAxis(m_node, Axis::Z, c.z);
        m_win->JoyMove();
        EXPECT_EQ(m_panel->scrollBar(0)->value(), c.bar1);
        EXPECT_EQ(m_panel->scrollBar(1)->value(), c.bar2);
    }
    // A zero-width range moves no bar; a device that cannot be read does nothing at all.
    m_win->Ymax = m_win->Ymin;
    m_devices->setAxis(m_node, Axis::Y, -100);
    m_win->JoyMove();
    EXPECT_EQ(m_panel->scrollBar(0)->value(), 21);
    m_devices->setButton(m_node, 2, true);
    m_win->JoyMove();
    m_devices->unplug(m_node);
    m_output.lines.clear();
    for (int poll = 0; poll < 6; ++poll)
        m_win->JoyMove();
    EXPECT_TRUE(m_output.lines.empty()) << "the last reading's button is not replayed";
}

TEST_F(JoyWinUnitTest, AGamePadsTriggerDoesNotDriveJoystickTwo) {
    // Z is the left trigger, resting at its minimum; the second stick rests in the middle.
    TestDeviceDescription pad = TestDeviceDescription::gamepad();
    pad.axes.insert(pad.axes.end(), {{evcode::AbsRx, -32768, 32767, 0}, {evcode::AbsRy, -32768, 32767, 0}});
    plugIn(pad);
    m_form.Joy_Mode = 1;
    ASSERT_EQ(m_panel->Joyinitsetup(), 0);
    for (const auto& [centreZero, speed] : {std::pair{true, 0}, std::pair{false, 50}}) {
        SCOPED_TRACE(centreZero ? "centre-zero" : "normal");
        setSlot(1, "N2", 12);
        setCentreZero(1, centreZero);
        m_panel->setupScrollBar(1);
        bind(2, 1);
        m_win->JoyMove();
        EXPECT_EQ(Lok->get_speed(1), speed);
    }
}

TEST_F(JoyWinUnitTest, APadPluggedInAfterAStartWithoutOneDrives) {
    m_form.Joy_Mode = 1;
    for (const bool byTest : {true, false}) {
        SCOPED_TRACE(byTest ? "found by Test" : "found by a poll");
        m_win = std::make_unique<TJoyWinForm>();
        JoyWinForm = m_win.get();
        ASSERT_EQ(m_panel->Joyinitsetup(), 0);
        ASSERT_EQ(m_win->Joy, 167);
        ASSERT_EQ(m_form.statusPanels[2], "No Joystick detected!");
        const std::string node = plugIn();
        if (byTest) {
            m_win->Test_buttonClick();
            EXPECT_EQ(m_win->TrackBarY->maximum(), 65535) << "the test display's range";
            m_win->EndButtonClick();
        } else {
            m_win->JoyMove();
        }
        // What set-up shows when it finds a controller.
        EXPECT_FALSE(m_panel->Button1->isHidden());
        EXPECT_FALSE(m_panel->Button2->isHidden());
        EXPECT_EQ(m_form.statusPanels[2], " Joystick(s) is(are) detected");
        setSlot(0, "M2", 11);
        m_panel->setupScrollBar(0);
        bind(1, 0);
        m_devices->setAxis(node, Axis::Y, -100);
        m_win->JoyMove();
        EXPECT_EQ(m_panel->scrollBar(0)->value(), 0) << "stick forward: the top of the bar";
        m_devices->unplug(node);
        m_win->JoyTimer->stop();
    }
}

TEST_F(JoyWinUnitTest, TestButtonAndTestDisplay) {
    m_form.Joy_Mode = 1;
    // Without a controller: the box names the reason when a joystick's node may not be read.
    const struct {
        const char* name;
        std::function<void()> devices;
        std::string box;
    } none[] = {
        {"no input device", [] {}, "No Joystick detected!"},
        {"a keyboard that may not be read",
         [&] { m_devices->refuseNode(m_devices->attach(TestDeviceDescription::keyboard())); },
         "No Joystick detected!"},
        {"a pad that may not be read", [&] { m_devices->refuseNode(m_devices->attach(stick())); },
         "No Joystick detected! (/test/input/event1: " + std::string(std::strerror(EACCES)) + ")"},
    };
    for (const auto& c : none) {
        SCOPED_TRACE(c.name);
        c.devices();
        m_panel->Joyinitsetup();
        m_panel->Button1->show();
        m_win->TestTimer->start();
        m_dialogs.clear();
        m_win->Test_buttonClick();
        EXPECT_EQ(m_dialogs.calls(),
                  (std::vector<Call>{{RecordingDialogs::Kind::Message, "Error", c.box, MessageIcon::Stop}}));
        EXPECT_EQ(m_win->Label3->text(), "Joy = 167");
        EXPECT_TRUE(m_panel->Button1->isHidden());
        EXPECT_TRUE(m_win->TestTimer->isActive()) << "the timers stay as they were";
        EXPECT_FALSE(m_win->JoyTimer->isActive());
    }
    for (int n = 0; n < 2; ++n) {
        const std::string node = TestDeviceSource::kFolder + std::string("/event") + std::to_string(n);
        m_devices->unplug(node);
        m_devices->refuseNode(node, false);
    }

    start();
    m_win->Test_buttonClick();
    EXPECT_EQ(m_win->Label1->text(), "Zmin = 0");
    EXPECT_EQ(m_win->Label4->text(), "Ymax = 65535");
    EXPECT_TRUE(m_win->TestTimer->isActive());
    EXPECT_FALSE(m_win->JoyTimer->isActive());
    struct Case {
        std::uint32_t mask;
        const char* boxes; // cb11 cb12 cb13 cb21 cb22 cb23, from all ticked
    };
    const Case cases[] = {{1, "x..xxx"}, {2, ".x.xxx"},  {3, "..xxxx"}, {8, "xxx.x."},
                          {4, "xxxx.."}, {12, "xxx..x"}, {5, "......"}, {0, "......"}};
    QCheckBox* boxes[] = {m_win->cb11, m_win->cb12, m_win->cb13, m_win->cb21, m_win->cb22, m_win->cb23};
    m_devices->setAxis(m_node, Axis::Y, -100);
    m_devices->setAxis(m_node, Axis::Z, 100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        for (QCheckBox* box : boxes)
            box->setChecked(true);
        for (int k = 1; k <= 4; ++k)
            m_devices->setButton(m_node, k, (c.mask >> (k - 1)) & 1);
        m_win->TestTimerTimer();
        std::string shown;
        for (QCheckBox* box : boxes)
            shown += box->isChecked() ? "x" : ".";
        EXPECT_EQ(shown, c.boxes);
    }
    EXPECT_EQ(m_win->TrackBarY->value(), 0);
    EXPECT_EQ(m_win->YLabel2->text(), "65535");
    EXPECT_TRUE(m_output.lines.empty()) << "the test display moves no throttle";

    // The title bar and Escape do what Exit does.
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "title bar");
        m_win->show();
        m_win->Test_buttonClick();
        ASSERT_TRUE(m_win->TestTimer->isActive());
        if (escape) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(m_win.get(), &key);
        } else {
            m_win->close();
        }
        EXPECT_FALSE(m_win->isVisible());
        EXPECT_FALSE(m_win->TestTimer->isActive());
        EXPECT_TRUE(m_win->JoyTimer->isActive());
        m_win->JoyTimer->stop();
    }
}

} // namespace

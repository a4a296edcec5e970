// The DirectInput-style back-end's window: polling, bar positions, the button lock-out, the test
// display, its buttons and the calibration; the calibration of the other window too, as both share it.

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QSlider>
#include <stdexcept>

#include "JoyFixture.h"
#include "loco/JoystickWindows.h"
#include "loco/input/ControlPanelApplet.h"

namespace {

using Lines = std::vector<std::string>;

class JoyDxUnitTest : public JoyFixture {
protected:
    // Sticks on nodes 0.. (serials told apart), the back-end started; joystick K bound to throttle K
    // (slot K - 1: "M2", address 10 + K) for each K in bound.
    void start(int sticks, std::initializer_list<int> bound, int speedMax = 100) {
        for (int n = 0; n < sticks; ++n)
            m_nodes.push_back(m_devices->attach(stick("stick " + std::to_string(n)), n));
        m_form.Joy_Mode = 0;
        m_panel->Joyinitsetup();
        for (int K : bound) {
            setSlot(K - 1, "M2", 10 + K, speedMax, 1, 4);
            m_panel->setupScrollBar(K - 1);
            bind(K, K - 1);
        }
        // The bars go to the resting sticks' places.
        ticks(2);
        m_output.lines.clear();
    }
    // Ticks of the polling timer; each controller is served every second one, controller 1 first.
    void ticks(int n) {
        for (int k = 0; k < n; ++k)
            m_dx->JoyTimerTimer();
    }
    QTimer* timer(const char* name) const { return m_dx->findChild<QTimer*>(name); }

    std::vector<std::string> m_nodes;
};

TEST_F(JoyDxUnitTest, ServesTheBoundControllersInTurn) {
    start(2, {1, 2});
    EXPECT_EQ(timer("JoyTimer")->interval(), 50);
    m_devices->setAxis(m_nodes[0], Axis::Y, -100);
    m_devices->setAxis(m_nodes[1], Axis::Y, 100);
    m_devices->setButton(m_nodes[1], 2, true);
    ticks(1);
    EXPECT_EQ(m_output.lines, Lines{"SET GL M2 11 0 100 100 0 4 0 0 0 0 "});
    EXPECT_EQ(m_panel->scrollBar(1)->value(), 50);
    ticks(1);
    EXPECT_EQ(m_output.lines,
              (Lines{"SET GL M2 11 0 100 100 0 4 0 0 0 0 ", "SET GL M2 12 0 0 100 0 4 0 0 0 0 ",
                     "SET GL M2 12 0 0 100 1 4 0 0 0 0 "}));

    // With one controller attached joystick 2 reads nothing, though bound.
    m_devices->unplug(m_nodes[1]);
    m_panel->Joyinitsetup();
    m_devices->setAxis(m_nodes[0], Axis::Y, 100);
    m_output.lines.clear();
    ticks(4);
    EXPECT_EQ(m_output.lines, Lines{"SET GL M2 11 0 0 100 0 4 0 0 0 0 "});
    EXPECT_EQ(m_form.Joy2con, 2);
}

TEST_F(JoyDxUnitTest, StickForwardIsTheTopOfTheBar) {
    struct Case {
        int speedMax, y, position;
    };
    const Case cases[] = {
        {100, -100, 0}, {100, -3, 49},   {100, -1, 50}, {100, 0, 50}, {100, 1, 50},
        {100, 3, 51},   {100, 100, 100}, {28, -100, 0}, {28, 0, 14},  {28, 100, 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.speedMax) + " " + std::to_string(c.y));
        if (m_nodes.empty() || m_form.Joy1faktor != c.speedMax) {
            m_devices->unplug(TestDeviceSource::kFolder + std::string("/event0"));
            m_nodes.clear();
            start(1, {1}, c.speedMax);
        }
        m_devices->setAxis(m_nodes[0], Axis::Y, c.y);
        m_dx->StickChanged = false;
        ticks(1);
        EXPECT_EQ(m_panel->scrollBar(0)->value(), c.position);
    }
}

TEST_F(JoyDxUnitTest, ButtonsActOnceThenRestForFourReadings) {
    start(1, {1});
    m_devices->setAxis(m_nodes[0], Axis::Y, 100);
    ticks(2);
    m_output.lines.clear();
    // Held for one second (ten readings of the controller): at 0 and 500 ms.
    m_devices->setButton(m_nodes[0], 2, true);
    ticks(20);
    EXPECT_EQ(m_output.lines,
              (Lines{"SET GL M2 11 0 0 100 1 4 0 0 0 0 ", "SET GL M2 11 0 0 100 0 4 0 0 0 0 "}));

    // Buttons 1 and 2 together: direction, then light, in one tick; then four readings of rest.
    m_devices->setButton(m_nodes[0], 2, false);
    ticks(10);
    holdButtons(m_nodes[0], {1, 2});
    m_output.lines.clear();
    ticks(1);
    EXPECT_EQ(m_output.lines,
              (Lines{"SET GL M2 11 1 0 100 0 4 0 0 0 0 ", "SET GL M2 11 1 0 100 1 4 0 0 0 0 "}));
    ticks(8);
    EXPECT_EQ(m_output.lines.size(), 2u);
    ticks(2);
    EXPECT_EQ(m_output.lines.size(), 4u);

    // A throttle number above 10 moves no bar, but the buttons act.
    holdButtons(m_nodes[0], {});
    ticks(10);
    m_form.Joy1con = 11;
    m_devices->setAxis(m_nodes[0], Axis::Y, -100);
    m_devices->setButton(m_nodes[0], 2, true);
    m_output.lines.clear();
    m_dx->StickChanged = false;
    ticks(1);
    EXPECT_EQ(m_output.lines, Lines{"SET GL M2 11 0 0 100 1 4 0 0 0 0 "});
    EXPECT_EQ(m_panel->scrollBar(0)->value(), 100);
}

TEST_F(JoyDxUnitTest, AControllerThatCannotBeReadIsNotServed) {
    start(1, {1});
    m_devices->setAxis(m_nodes[0], Axis::Y, -100);
    ticks(10);
    m_devices->setButton(m_nodes[0], 2, true);
    ticks(2);
    m_devices->unplug(m_nodes[0]);
    m_output.lines.clear();
    ticks(20);
    EXPECT_TRUE(m_output.lines.empty()) << "the last reading's button is not replayed";
    EXPECT_EQ(m_panel->scrollBar(0)->value(), 0);

    // After a failed start the polling is off; "Exit" of the window turns it on, and it reads nothing.
    m_panel->Joyinitsetup();
    EXPECT_FALSE(m_dx->JoyTimer->isActive());
    m_dx->Exit_buttonClick();
    EXPECT_TRUE(m_dx->JoyTimer->isActive());
    ticks(20);
    EXPECT_TRUE(m_output.lines.empty());
    m_dx->JoyTimer->stop();
}

TEST_F(JoyDxUnitTest, TestDisplayRunsBetweenTestAndExitTitleBarOrEscape) {
    start(2, {});
    EXPECT_EQ(m_form.Joy1faktor, 100);
    EXPECT_EQ(m_dx->Label1->text(), "false");
    const std::int32_t mainHandle = m_panel->mainWindowHandle();
    EXPECT_EQ(Joystick->DIhandle, mainHandle);
    m_devices->setAxis(m_nodes[0], Axis::Y, -30);
    holdButtons(m_nodes[0], {1, 3});
    m_devices->setAxis(m_nodes[1], Axis::Y, 80);
    holdButtons(m_nodes[1], {4});

    enum class Close { Exit, TitleBar, Escape };
    for (Close close : {Close::Exit, Close::TitleBar, Close::Escape}) {
        SCOPED_TRACE(static_cast<int>(close));
        m_dx->show();
        m_dx->Test_buttonClick();
        EXPECT_TRUE(m_dx->TestTimer->isActive());
        EXPECT_FALSE(m_dx->JoyTimer->isActive());
        EXPECT_EQ(Joystick->DIhandle, nativeHandle(m_dx.get()));
        EXPECT_NE(Joystick->DIhandle, mainHandle);
        m_dx->StickChanged = false;
        m_dx->TestTimerTimer();
        m_dx->TestTimerTimer();
        EXPECT_EQ(m_dx->TrackBar1->value(), -30);
        EXPECT_EQ(m_dx->TrackBar2->value(), 50);
        std::string boxes;
        for (int k = 0; k < 5; ++k)
            boxes += std::string(m_dx->CBF[k]->isChecked() ? "x" : ".") +
                     (m_dx->CBF1x[k]->isChecked() ? "x" : ".");
        EXPECT_EQ(boxes, "x...x..x..");
        EXPECT_TRUE(m_output.lines.empty()) << "the test display moves no throttle";

        if (close == Close::Exit) {
            m_dx->Exit_button->click();
        } else if (close == Close::TitleBar) {
            m_dx->close();
        } else {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(m_dx.get(), &escape);
        }
        EXPECT_FALSE(m_dx->isVisible());
        EXPECT_FALSE(m_dx->TestTimer->isActive());
        EXPECT_TRUE(m_dx->JoyTimer->isActive());
        EXPECT_EQ(Joystick->DIhandle, mainHandle);
    }
    m_dx->JoyTimer->stop();
}

TEST_F(JoyDxUnitTest, CalibrateStopsThePollingRunsTheAppletAndResumesTheTestDisplay) {
    struct Case {
        const char* what;
        bool library, entry;
        std::int32_t initAnswer;
        bool fails;
        std::vector<std::uint32_t> messages;
    };
    const Case cases[] = {
        {"applet", true, true, 1, false, {CPL_INIT, CPL_DBLCLK, CPL_STOP, CPL_EXIT}},
        {"CPL_INIT answers 0", true, true, 0, false, {CPL_INIT, CPL_STOP, CPL_EXIT}},
        {"applet fails", true, true, 1, true, {CPL_INIT, CPL_DBLCLK}},
        {"no entry", true, false, 1, false, {}},
        {"no library", false, false, 1, false, {}},
    };
    for (bool dx : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (dx ? " JoyDxForm" : " JoyWinForm"));
            std::vector<std::uint32_t> messages;
            bool polling = false;
            m_input.modules().remove("joy.cpl");
            Module module;
            if (c.entry)
                module.add<CplAppletSignature>("CPlApplet", [&](std::uint32_t window, std::uint32_t message,
                                                                std::intptr_t, std::intptr_t) {
                    messages.push_back(message);
                    EXPECT_EQ(window, 0u);
                    polling = (dx ? m_dx->JoyTimer : m_win->JoyTimer)->isActive();
                    if (message == CPL_DBLCLK && c.fails)
                        throw std::runtime_error("applet failed");
                    return message == CPL_INIT ? c.initAnswer : 0;
                });
            if (c.library)
                m_input.modules().install("joy.cpl", module);
            QTimer* joyTimer = dx ? m_dx->JoyTimer : m_win->JoyTimer;
            QTimer* testTimer = dx ? m_dx->TestTimer : m_win->TestTimer;
            joyTimer->start();
            testTimer->start();
            auto calibrate = [&] { dx ? m_dx->CalButtonClick() : m_win->CalButtonClick(); };
            if (c.fails)
                EXPECT_THROW(calibrate(), std::runtime_error);
            else
                calibrate();
            EXPECT_EQ(messages, c.messages);
            EXPECT_FALSE(polling);
            EXPECT_EQ(m_input.modules().loadCount("joy.cpl"), 0);
            EXPECT_TRUE(testTimer->isActive());
            EXPECT_FALSE(joyTimer->isActive());
            testTimer->stop();
        }
    }
}

} // namespace

#pragma once

// The throttle panel with its joystick controls and the two joystick windows, without the main
// window, over test input devices. The joystick driver is made with the global objects, as at
// program start. Polling ticks are run by calling the timer handlers.

#include <QPushButton>
#include <QTimer>

#include "LocoFixture.h"
#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "loco/JoystickUnit.h"
#include "loco/input/InputPlatform.h"
#include "loco/input/TestDeviceSource.h"
#include "texts/langunit.h"

class JoyFixture : public LocoFixture {
protected:
    void SetUp() override {
        Joynr = 0;
        joystick1GUID = {};
        joystick2GUID = {};
        lookUpDirectInput8();
        setJoystickLifecycle(createJoystick, releaseJoystick);
        m_form.Lang_id = LANGENGLISH;
        LocoFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_dx = std::make_unique<TJoyDxForm>();
        m_win = std::make_unique<TJoyWinForm>();
        JoyDxForm = m_dx.get();
        JoyWinForm = m_win.get();
        for (int i = 0; i < LOKMAX; ++i)
            Lok->set_addr(i, 0);
        m_form.Betrieb = true;
    }

    void TearDown() override {
        JoyDxForm = nullptr;
        JoyWinForm = nullptr;
        m_dx.reset();
        m_win.reset();
        LocoFixture::TearDown();
        setJoystickLifecycle(nullptr, nullptr);
    }

    // A stick whose X, Y and Z run from -100 to 100 and rest at 0, so that the DirectInput-style
    // back-end reads them as they are set; four buttons.
    static TestDeviceDescription stick(const std::string& serial = "") {
        TestDeviceDescription d = TestDeviceDescription::joystick(4);
        d.axes = {{evcode::AbsX, -100, 100, 0}, {evcode::AbsY, -100, 100, 0}, {evcode::AbsZ, -100, 100, 0}};
        d.uniq = serial;
        return d;
    }
    std::string plugIn(const TestDeviceDescription& device = stick()) { return m_devices->attach(device); }

    // Binds joystick K to throttle i as the user does: its button, then the direction button in
    // operate mode (which also works the direction).
    void bind(int K, int i) {
        (K == 1 ? m_panel->Button1 : m_panel->Button2)->click();
        m_panel->SpeedButton1Click(i);
    }
    // Presses exactly the buttons given (1..4) of the controller on node.
    void holdButtons(const std::string& node, std::initializer_list<int> pressed) {
        for (int k = 1; k <= 4; ++k)
            m_devices->setButton(node, k, std::find(pressed.begin(), pressed.end(), k) != pressed.end());
    }

    std::shared_ptr<TestDeviceSource> m_devices = std::make_shared<TestDeviceSource>();
    InputPlatform m_input{m_devices};
    ScopedInputPlatform m_useInput{m_input};
    std::unique_ptr<TJoyDxForm> m_dx;
    std::unique_ptr<TJoyWinForm> m_win;
};

#pragma once

#include <array>
#include <cstdint>

#include "loco/JoystickUnit.h"
#include "loco/JoystickWindows.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class QStatusBar;

// The window of the DirectInput-style joystick back-end. Its polling timer JoyTimer drives: every
// 50 ms it serves controller 1 and controller 2 in turn, moves the bar of the throttle the controller
// is bound to from its Y axis and presses the joystick's key icons for its buttons 1 to 4. Shown
// modally by Setup > Joystick test, it offers a live test display (TestTimer) and the calibration
// through the game-controller applet. Created at program start and alive for the whole run; the
// texts are not translated. GUI thread only.
class TJoyDxForm : public JoystickWindow {
    Q_OBJECT
public:
    explicit TJoyDxForm(QWidget* parent = nullptr);
    ~TJoyDxForm() override;

    void FormCreate();
    void FormDestroy();
    // Test: the test display runs in place of the polling.
    void Test_buttonClick();
    // Exit: the polling runs again in place of the test display, with the main window's handle for
    // the driver, and the window closes. The title bar and Escape do the same.
    void Exit_buttonClick();
    void reject() override;
    // Calibrate: both timers stop while the applet runs; afterwards, however it ends, the test
    // display runs.
    void CalButtonClick();
    // One tick of the test display: the reading of the controller served in this tick.
    void TestTimerTimer() override;
    // One tick of the polling: serves the controller whose turn it is, when it is bound.
    void JoyTimerTimer() override;

    // The actions of the buttons of controller 1 and 2 on the joystick's key icons.
    void richtung1aendern();
    void licht1aendern();
    void funkt11aendern();
    void funkt12aendern();
    void richtung2aendern();
    void licht2aendern();
    void funkt21aendern();
    void funkt22aendern();

    QLabel* Label1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    // CBF0 .. CBF4 and CBF10 .. CBF14.
    std::array<QCheckBox*, 5> CBF{};
    std::array<QCheckBox*, 5> CBF1x{};
    QPushButton* Test_button = nullptr;
    QPushButton* CalButton = nullptr;
    QPushButton* Exit_button = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // The parent window handed to the applet; nothing sets it.
    std::uint32_t FWindowHandle = 0;
    // Flips on every tick of either timer and picks the controller of that tick.
    bool StickChanged = false;
    // The last readings of controller 1 and 2.
    TJoyData Joy1State;
    TJoyData Joy2State;
    // Button lock-out counters of controller 1 and 2 (0 .. 4): after an action the controller's
    // buttons are ignored for its next four readings.
    int Joy1buttonpressed = 0;
    int Joy2buttonpressed = 0;

private:
    void buildControls();
    // Serves controller K (1, 2) with a fresh reading: its bar and its buttons.
    void serve(int K, const TJoyData& reading);
    // The action of button 1..4 of controller K.
    void buttonAction(int K, int button);
    void showTest(const TJoyData& reading, QSlider* bar, const std::array<QCheckBox*, 5>& boxes);
};

extern TJoyDxForm* JoyDxForm;

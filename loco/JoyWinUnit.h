#pragma once

#include <array>
#include <cstdint>

#include "loco/JoystickWindows.h"
#include "loco/input/MultimediaJoystick.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

// The window of the multimedia joystick back-end: one device, the first game controller, drives both
// joystick bindings. Its polling timer JoyTimer reads it every 200 ms: the Y axis moves the throttle
// bound to joystick 1, the Z axis (a game pad's second stick) the one bound to joystick 2; the button mask
// presses their key icons (1, 2, 1 + 2 for joystick 1; 3, 4, 3 + 4 for joystick 2). Shown modally by Setup >
// Joystick test, it offers a live test display (TestTimer) and the calibration through the game-controller
// applet. Created at program start and alive for the whole run; the texts are not translated. GUI
// thread only.
class TJoyWinForm : public JoystickWindow {
    Q_OBJECT
public:
    explicit TJoyWinForm(QWidget* parent = nullptr);
    ~TJoyWinForm() override;

    // Reads the device's capabilities: 0 when it answers (its ranges recorded, the joystick buttons
    // shown, the polling on), 1 when not (the joystick buttons hidden, the polling off).
    int setup();
    // One poll: the bound bars from the axes, then the buttons. Nothing when the device cannot be
    // read. A controller that answers after set-up or Test found none is announced as set-up does.
    void JoyMove();

    void FormCreate();
    void FormDestroy();
    // Test: when the device answers, the test display runs in place of the polling; otherwise
    // message 130 in a box and the joystick buttons hidden. A device found again after a failed
    // query has its capabilities read anew, here and in the polls.
    void Test_buttonClick();
    // Exit: the polling runs again in place of the test display and the window closes. The title
    // bar and Escape do the same.
    void EndButtonClick();
    void reject() override;
    // Calibrate: both timers stop while the applet runs; afterwards, however it ends, the test
    // display runs.
    void CalButtonClick();
    void TestTimerTimer() override;
    void JoyTimerTimer() override;

    // The actions of the button mask on the joystick key icons.
    void richtung1aendern();
    void licht1aendern();
    void funkt1aendern();
    void richtung2aendern();
    void licht2aendern();
    void funkt2aendern();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* YLabel1 = nullptr;
    QLabel* YLabel2 = nullptr;
    QSlider* TrackBarY = nullptr;
    QSlider* TrackBarZ = nullptr;
    QCheckBox* cb11 = nullptr;
    QCheckBox* cb12 = nullptr;
    QCheckBox* cb13 = nullptr;
    QCheckBox* cb21 = nullptr;
    QCheckBox* cb22 = nullptr;
    QCheckBox* cb23 = nullptr;
    QPushButton* Test_button = nullptr;
    QPushButton* CalButton = nullptr;
    QPushButton* EndButton = nullptr;

    // The result of the last device query (setup or Test); 0 is success.
    std::int32_t Joy = 0;
    // The device's Y and Z ranges from its capabilities.
    std::int32_t Ymin = 0;
    std::int32_t Ymax = 0;
    std::int32_t Zmin = 0;
    std::int32_t Zmax = 0;
    // The parent window handed to the applet; nothing sets it.
    std::uint32_t FWindowHandle = 0;
    JoyInfoEx JoyInfo{};
    JoyCapsA JoyCaps{};

private:
    void buildControls();
    // The capabilities into JoyCaps and, when the device answers, the ranges and Label1, Label2.
    std::uint32_t readCapabilities();
    // The position into JoyInfo.
    std::uint32_t queryPosition();
    // Ranges and tick spacing of the test bars from the capabilities last read.
    void applyRanges();
    // Moves the bar of throttle con (1..10) to the reading's place in min..max.
    void moveBar(int con, int faktor, std::uint32_t reading, std::int32_t min, std::int32_t max);
    void showBindingButtons(bool on);
    // A controller answers after set-up or Test found none: what set-up shows on success, the
    // binding buttons and status panel 2's text.
    void showFound();

    // After an action the buttons are ignored for the next two polls.
    int m_buttonLockout = 0;
    // The last query failed: the capabilities in JoyCaps may be none or another device's.
    bool m_capsStale = true;
    // The binding buttons were last shown (set-up or Test found a controller), not hidden.
    bool m_buttonsShown = false;
};

extern TJoyWinForm* JoyWinForm;

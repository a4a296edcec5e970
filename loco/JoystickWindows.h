#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QWidget;

// What the throttle panel's joystick controls and the two joystick windows share. GUI thread only.

// The 32-bit window handle the DirectInput-style back-end takes: folded from the window's native id,
// never 0 (0 means "no window" to it).
std::int32_t nativeHandle(QWidget* window);

// Switches a polling timer on or off as a Windows timer's Enabled does: switching on a running timer
// leaves its interval running.
void setTimerEnabled(QTimer* timer, bool on);

// Message 130 ("No Joystick detected!"), followed on the same line by the first joystick node and
// the system's reason in brackets when joystick nodes exist but none may be read: a missing access
// right is otherwise told only to the debug window. One line, as status panel 2 has room for one.
std::string noJoystickText();

// Runs one tick of a polling timer from the timer. A failure is shown as the program's default
// handler shows it; while that box is open the timer goes on firing, and those ticks are skipped
// rather than run inside the first (running marks a tick under way).
void runTick(bool& running, const std::function<void()>& tick);

// "Calibrate" of both joystick windows: both timers stop while the game-controller applet runs (with
// parentWindow as its parent); afterwards, however it ends, the test display (testTimer) runs. A
// failure of the applet passes on.
void calibrateThroughApplet(std::uint32_t parentWindow, QTimer* joyTimer, QTimer* testTimer);

// The controls the two joystick windows share: a label at (x, y), bold for a column heading, and a
// vertical track bar at x whose minimum is at the top (the stick pushed forward reads its minimum).
QLabel* joystickLabel(QWidget* parent, const char* name, const char* text, int x, int y, bool bold = false);
QSlider* joystickTrackBar(QWidget* parent, const char* name, int minimum, int maximum, int x);
// One of the buttons in the bottom row at x; a click runs handler as the default handler guards it.
QPushButton* joystickButton(QWidget* parent, const char* name, const char* text, int x,
                            const std::function<void()>& handler);

// What the two joystick windows have alike: a fixed dialog named and titled name, 420 pixels wide;
// the column headings Label9 "Joystick 1" and Label10 "Joystick 2" and the hidden labels Label11 and
// Label12 "Function"; the test display's timer TestTimer and the polling timer JoyTimer, both every
// tickMs and disabled, whose ticks run through runTick so that neither runs inside the other.
class JoystickWindow : public QDialog {
    Q_OBJECT
public:
    virtual void TestTimerTimer() = 0;
    virtual void JoyTimerTimer() = 0;

    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QTimer* TestTimer = nullptr;
    QTimer* JoyTimer = nullptr;

protected:
    JoystickWindow(const char* name, int height, int tickMs, QWidget* parent);

private:
    bool m_ticking = false;
};

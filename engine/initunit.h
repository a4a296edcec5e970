#pragma once

// Creates every long-lived object the units share, in one fixed order, and frees them again.
// MainForm must be set before it is created.
class C_Init {
public:
    // When an object cannot be created, the rest is skipped, a plain message says so and ok()
    // is false; the objects not yet created stay unset.
    C_Init();
    // Empties the plan, text and move lists, then frees every object that is set.
    ~C_Init();
    C_Init(const C_Init&) = delete;
    C_Init& operator=(const C_Init&) = delete;

    bool ok() const { return m_ok; }

private:
    bool m_ok = false;
};

extern C_Init* Init;

// The joystick driver belongs to loco control, above this layer. Loco control installs how it is
// created and freed at program start; with nothing installed no joystick object is made.
using JoystickLifecycleFn = void (*)();
void setJoystickLifecycle(JoystickLifecycleFn create, JoystickLifecycleFn release);

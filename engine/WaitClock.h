#pragma once

#include <cstdint>

// The fixed waits that block the GUI thread: Cbahn::pause (the accessory pulse, the settle time after
// connecting) and the plain sleeps of the connection commands. The program waits in real time; tests
// install a clock of their own, so that nothing sleeps and they can act while a wait lasts.
class WaitClock {
public:
    virtual ~WaitClock() = default;
    // Waits ms milliseconds on the main window's high-resolution timer, or sleeps while there is none.
    virtual void pause(std::uint16_t ms) = 0;
    // A plain sleep of ms milliseconds.
    virtual void sleep(int ms) = 0;
};

// The clock in use: the one set last, else the real one.
WaitClock& waitClock();
// nullptr goes back to the real clock.
void setWaitClock(WaitClock* clock);

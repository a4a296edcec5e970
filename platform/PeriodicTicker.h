#pragma once

#include <cstdint>

// A periodic timer the owning thread blocks on: wait() returns at each period, and returns false at
// once when stop() was called from another thread. Stands in for a periodic multimedia timer that
// sets an event every period.
class PeriodicTicker {
public:
    PeriodicTicker();
    ~PeriodicTicker();
    PeriodicTicker(const PeriodicTicker&) = delete;
    PeriodicTicker& operator=(const PeriodicTicker&) = delete;

    // False when the kernel gave us no timer or no stop signal; wait() then returns false at once.
    bool valid() const { return m_timerFd >= 0 && m_stopFd >= 0; }
    // (Re)arms the timer with the period in milliseconds (at least 1). False when arming failed.
    bool arm(uint32_t periodMs);
    void disarm();
    // Blocks until the next period (true) or until stop() (false). Periods missed while nobody
    // waited count as one.
    bool wait();
    // Safe from any thread; sticky.
    void stop();

private:
    int m_timerFd = -1;
    int m_stopFd = -1;
};

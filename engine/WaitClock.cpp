#include "engine/WaitClock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "engine/MainFormState.h"
#include "srcp/HighResTimer.h"

namespace {

class RealWaitClock : public WaitClock {
public:
    void pause(std::uint16_t ms) override {
        if (MainForm && MainForm->HRT1) {
            MainForm->HRT1->Wait(static_cast<std::uint32_t>(ms) * 1000u);
            return;
        }
        // Before the window's timer exists a pulse still needs its length.
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
    void sleep(int ms) override {
        if (ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

RealWaitClock g_real;
std::atomic<WaitClock*> g_clock{nullptr};

} // namespace

WaitClock& waitClock() {
    WaitClock* clock = g_clock.load();
    return clock != nullptr ? *clock : g_real;
}

void setWaitClock(WaitClock* clock) {
    g_clock.store(clock);
}

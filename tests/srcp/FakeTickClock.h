#pragma once

#include <functional>
#include <memory>

#include "srcp/HighResTimer.h"

// A clock the test advances: every counter read moves it on by `step` counts (1 count = 1 us), and a
// tick wait jumps to the next tick. onFirstTick runs inside the first tick wait, so that a test can
// look at the world in the middle of a wait.
struct FakeTickClock {
    int64_t now = 0;
    int64_t step = 1;
    int64_t period = 1000; // counts per tick
    int64_t lastTick = 0;
    int sleeps = 0;
    std::function<void()> onFirstTick;
};

class FakeTickThread : public TTickThread {
public:
    explicit FakeTickThread(std::shared_ptr<FakeTickClock> clock) : m_clock(std::move(clock)) {}
    void SetAccuracy(uint32_t) override {}
    void SetResolution(uint32_t) override {}
    void SetCounterFunction(TCounterFunction) override {}
    void SetPriority(TThreadPriority) override {}
    int64_t GetCountValue() const override { return m_clock->lastTick; }
    void WaitNextTick() override {
        if (m_clock->sleeps++ == 0 && m_clock->onFirstTick)
            m_clock->onFirstTick();
        m_clock->lastTick = (m_clock->now / m_clock->period + 1) * m_clock->period;
        m_clock->now = m_clock->lastTick;
    }
    void Resume() override {}
    void TerminateAndWait() override {}

private:
    std::shared_ptr<FakeTickClock> m_clock;
};

// A performance counter of 1 count per microsecond driven by the clock; no time-stamp counter.
inline THighResPlatform fakeTickPlatform(const std::shared_ptr<FakeTickClock>& clock) {
    THighResPlatform p;
    p.performanceCounter = [clock] { return clock->now += clock->step; };
    p.performanceFrequency = 1000000;
    p.timeStampAvailable = false;
    p.sleepMs = [](uint32_t) {};
    p.minResolution = 1;
    p.createTickThread = [clock] { return std::make_unique<FakeTickThread>(clock); };
    return p;
}

#include "srcp/HighResTimer.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A clock the test advances: every read moves it on by `step` counts (the cost of one spin), and a
// tick wait jumps to the next tick.
struct FakeClock {
    int64_t now = 0;
    int64_t step = 1;
    int64_t period = 1000; // counts per tick
    int64_t lastTick = 0;
    int sleeps = 0;
    int reads = 0;
};

class FakeTickThread : public TTickThread {
public:
    explicit FakeTickThread(std::shared_ptr<FakeClock> clock) : m_clock(std::move(clock)) {}
    void SetAccuracy(uint32_t) override {}
    void SetResolution(uint32_t) override {}
    void SetCounterFunction(TCounterFunction) override {}
    void SetPriority(TThreadPriority) override {}
    int64_t GetCountValue() const override { return m_clock->lastTick; }
    void WaitNextTick() override {
        ++m_clock->sleeps;
        m_clock->lastTick = (m_clock->now / m_clock->period + 1) * m_clock->period;
        m_clock->now = m_clock->lastTick;
    }
    void Resume() override {}
    void TerminateAndWait() override {}

private:
    std::shared_ptr<FakeClock> m_clock;
};

// Performance counter at 1 count per microsecond; no time-stamp counter.
THighResPlatform fakePlatform(const std::shared_ptr<FakeClock>& clock) {
    THighResPlatform p;
    p.performanceCounter = [clock] {
        ++clock->reads;
        return clock->now += clock->step;
    };
    p.performanceFrequency = 1000000;
    p.timeStampAvailable = false;
    p.sleepMs = [](uint32_t) {};
    p.minResolution = 1;
    p.createTickThread = [clock] { return std::make_unique<FakeTickThread>(clock); };
    return p;
}

} // namespace

TEST(HighResTimer, WaitSleepsOnTicksThenSpinsAndNeverReturnsEarly) {
    struct Case {
        const char* name;
        int64_t start;
        int64_t lastTick;
        uint32_t us;
        bool suspend;
        int sleeps;
    };
    const Case cases[] = {
        {"zero wait", 500, 0, 0, true, 0},
        // End 10500: ticks at 1000 .. 10000 are slept through, the last 500 us are spun.
        {"ten periods", 500, 0, 10000, true, 10},
        // End 1300 lies less than one period after the last tick (1000): spin from the start.
        {"inside last period", 1000, 1000, 300, true, 0},
        {"exactly one period left", 1000, 1000, 1000, true, 1},
        {"suspend off spins all the way", 500, 0, 10000, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto clock = std::make_shared<FakeClock>();
        clock->now = c.start;
        clock->lastTick = c.lastTick;
        THighResTimer timer(fakePlatform(clock));
        timer.SetUseSuspend(c.suspend);
        timer.SetEnabled(true);
        const int64_t before = clock->now;
        timer.Wait(c.us);
        EXPECT_EQ(clock->sleeps, c.sleeps);
        // The end is the counter at StartWait (one read after `before`) plus the wait.
        EXPECT_GE(clock->now, before + clock->step + static_cast<int64_t>(c.us));
        // Spinning stops at the first read past the end.
        EXPECT_LT(clock->now, before + clock->step + static_cast<int64_t>(c.us) + 2 * clock->step + 1);
    }
}

TEST(HighResTimer, DisabledWaitReturnsAtOnceAndReportsTheRemainder) {
    auto clock = std::make_shared<FakeClock>();
    clock->step = 0;
    THighResTimer timer(fakePlatform(clock));
    EXPECT_FALSE(timer.Enabled());
    timer.Wait(5000);
    EXPECT_EQ(clock->sleeps, 0);
    EXPECT_EQ(timer.RemainingCount(), 5000);
    EXPECT_DOUBLE_EQ(timer.RemainingTime(), 5000.0);
    clock->now += 7000;
    EXPECT_EQ(timer.RemainingCount(), 0); // clamped, never negative
}

TEST(HighResTimer, CounterTicksRoundHalfToEvenAndResolutionIsAtLeastOneMs) {
    auto clock = std::make_shared<FakeClock>();
    THighResPlatform p = fakePlatform(clock);
    p.performanceFrequency = 2500000; // 2.5 counts per microsecond
    THighResTimer timer(p);
    EXPECT_DOUBLE_EQ(timer.CountSpeed(), 2.5);
    EXPECT_EQ(timer.GetCounterTicks(1), 2); // 2.5 -> 2
    EXPECT_EQ(timer.GetCounterTicks(3), 8); // 7.5 -> 8
    EXPECT_EQ(timer.GetCounterTicks(4000000000u), 10000000000LL);
    timer.SetResolution(0);
    EXPECT_EQ(timer.Resolution(), 1u);
}

TEST(HighResTimer, CalibratesTheTimeStampCounterAgainstThePerformanceCounter) {
    // The real tick thread samples the counter while the test advances it.
    std::atomic<int64_t> pc{0};
    std::atomic<int64_t> tsc{0};
    THighResPlatform p;
    p.performanceFrequency = 1000000000;
    p.performanceCounter = [&] { return pc.load(); };
    p.timeStampCounter = [&] { return tsc.load(); };
    p.timeStampAvailable = true;
    p.sleepMs = [&](uint32_t ms) {
        pc += int64_t(ms) * 1000000;  // 1e9 per second
        tsc += int64_t(ms) * 3000000; // a 3 GHz counter
    };
    p.createTickThread = [] { return std::make_unique<TMMTimerThread>(); };
    THighResTimer timer(p);
    EXPECT_TRUE(timer.TSC());
    EXPECT_TRUE(timer.UseTSC());
    EXPECT_DOUBLE_EQ(timer.CountSpeed(), 3000.0);

    // While enabled the counter source stays; switching it off later recalibrates on the other one.
    timer.SetEnabled(true);
    timer.SetUseTSC(false);
    EXPECT_TRUE(timer.UseTSC());
    timer.SetEnabled(false);
    timer.SetUseTSC(false);
    EXPECT_FALSE(timer.UseTSC());
    EXPECT_DOUBLE_EQ(timer.CountSpeed(), 1000.0);
}

TEST(HighResTimer, AStandingTimeStampCounterFallsBackToThePerformanceCounter) {
    int64_t pc = 0;
    THighResPlatform p;
    p.performanceFrequency = 1000000000;
    p.performanceCounter = [&] { return pc; };
    p.timeStampCounter = [] { return int64_t(42); };
    p.timeStampAvailable = true;
    p.sleepMs = [&](uint32_t ms) { pc += int64_t(ms) * 1000000; };
    p.createTickThread = [] { return std::make_unique<TMMTimerThread>(); };
    THighResTimer timer(p);
    EXPECT_FALSE(timer.UseTSC());
    EXPECT_DOUBLE_EQ(timer.CountSpeed(), 1000.0);
}

TEST(HighResTimer, EnablingTwiceOrDisablingTwiceChangesNothing) {
    int created = 0;
    auto clock = std::make_shared<FakeClock>();
    THighResPlatform p = fakePlatform(clock);
    p.createTickThread = [&, clock] {
        ++created;
        return std::make_unique<FakeTickThread>(clock);
    };
    THighResTimer timer(p);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    timer.SetEnabled(true);
    EXPECT_EQ(created, 1);
    timer.SetEnabled(false);
    timer.SetEnabled(false);
    timer.SetResolution(5); // stored only
    EXPECT_EQ(timer.Resolution(), 5u);
    EXPECT_EQ(created, 1);
}

// One real-clock check with a generous bound: the real tick thread and counters end a wait after
// its end and well before a blunder (a missed tick costs two periods at most).
TEST(HighResTimer, RealClockWaitEndsAfterItsTime) {
    THighResTimer timer;
    timer.SetAccuracy(0);
    timer.SetEnabled(true);
    timer.SetResolution(1);
    timer.SetUseTSC(true);
    const auto t0 = std::chrono::steady_clock::now();
    timer.Wait(20000);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(elapsed, std::chrono::microseconds(19900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
    timer.SetEnabled(false);
}

TEST(HighResTimer, TickThreadStopsPromptlyWhenNoTickEverCame) {
    TMMTimerThread thread;
    thread.SetResolution(60000); // a minute: no tick will come while the test runs
    thread.Resume();
    const auto t0 = std::chrono::steady_clock::now();
    thread.TerminateAndWait();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
}

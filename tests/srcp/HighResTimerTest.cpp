#include "srcp/HighResTimer.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

#include "srcp/FakeTickClock.h"

TEST(HighResTimer, WaitSleepsOnTicksThenSpinsAndNeverReturnsEarly) {
    const struct {
        const char* name;
        int64_t start, lastTick;
        uint32_t us;
        bool suspend;
        int sleeps;
    } cases[] = {
        {"zero wait", 500, 0, 0, true, 0},
        // End 10501: ticks at 1000 .. 10000 are slept through, the rest is spun.
        {"ten periods", 500, 0, 10000, true, 10},
        // End 1301 lies less than one period after the last tick (1000): spin from the start.
        {"inside last period", 1000, 1000, 300, true, 0},
        {"exactly one period left", 1000, 1000, 1000, true, 1},
        {"suspend off spins all the way", 500, 0, 10000, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto clock = std::make_shared<FakeTickClock>();
        clock->now = c.start;
        clock->lastTick = c.lastTick;
        THighResTimer timer(fakeTickPlatform(clock));
        timer.SetUseSuspend(c.suspend);
        timer.SetEnabled(true);
        timer.Wait(c.us);
        EXPECT_EQ(clock->sleeps, c.sleeps);
        // The end is the counter read by StartWait plus the wait; spinning stops at the first read
        // past it.
        const int64_t end = c.start + 1 + c.us;
        EXPECT_GE(clock->now, end);
        EXPECT_LE(clock->now, end + 1);
    }
}

TEST(HighResTimer, DisabledWaitReturnsAtOnceAndEnablingTwiceChangesNothing) {
    int created = 0;
    auto clock = std::make_shared<FakeTickClock>();
    clock->step = 0;
    THighResPlatform p = fakeTickPlatform(clock);
    p.createTickThread = [&, clock] {
        ++created;
        return std::make_unique<FakeTickThread>(clock);
    };
    THighResTimer timer(p);
    EXPECT_FALSE(timer.Enabled());
    timer.Wait(5000);
    EXPECT_EQ(clock->sleeps, 0);
    EXPECT_EQ(timer.RemainingCount(), 5000);
    EXPECT_DOUBLE_EQ(timer.RemainingTime(), 5000.0);
    clock->now += 7000;
    EXPECT_EQ(timer.RemainingCount(), 0); // clamped, never negative

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

TEST(HighResTimer, CounterTicksRoundHalfToEvenAndResolutionIsAtLeastOneMs) {
    THighResPlatform p = fakeTickPlatform(std::make_shared<FakeTickClock>());
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
    // The real tick thread samples the counters while the test advances them.
    std::atomic<int64_t> pc{0}, tsc{0}, tscPerMs{3000000}; // a 3 GHz counter
    THighResPlatform p;
    p.performanceFrequency = 1000000000;
    p.performanceCounter = [&] { return pc.load(); };
    p.timeStampCounter = [&] { return tsc.load(); };
    p.timeStampAvailable = true;
    p.sleepMs = [&](uint32_t ms) {
        pc += int64_t(ms) * 1000000;
        tsc += int64_t(ms) * tscPerMs;
    };
    p.createTickThread = [] { return std::make_unique<TMMTimerThread>(); };
    {
        THighResTimer timer(p);
        EXPECT_TRUE(timer.TSC());
        EXPECT_TRUE(timer.UseTSC());
        EXPECT_DOUBLE_EQ(timer.CountSpeed(), 3000.0);

        // While enabled the counter source stays, but the counter is calibrated again.
        timer.SetEnabled(true);
        tscPerMs = 2000000;
        timer.SetUseTSC(false);
        EXPECT_TRUE(timer.UseTSC());
        EXPECT_DOUBLE_EQ(timer.CountSpeed(), 2000.0);
        timer.SetEnabled(false);
        timer.SetUseTSC(false);
        EXPECT_FALSE(timer.UseTSC());
        EXPECT_DOUBLE_EQ(timer.CountSpeed(), 1000.0);
    }
    // A time-stamp counter that stands still cannot measure time: count on the other one.
    tscPerMs = 0;
    THighResTimer standing(p);
    EXPECT_FALSE(standing.UseTSC());
    EXPECT_DOUBLE_EQ(standing.CountSpeed(), 1000.0);
}

// The real tick thread and counters: a wait ends after its time and well before a blunder (a missed
// tick costs two periods at most), and a thread that never got a tick still stops at once.
TEST(HighResTimer, RealClockWaitEndsAfterItsTimeAndTheThreadStopsPromptly) {
    THighResTimer timer;
    timer.SetAccuracy(0);
    timer.SetEnabled(true);
    timer.SetResolution(1);
    timer.SetUseTSC(true);
    auto t0 = std::chrono::steady_clock::now();
    timer.Wait(20000);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(elapsed, std::chrono::microseconds(19900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
    timer.SetEnabled(false);

    TMMTimerThread thread;
    thread.SetResolution(60000); // a minute: no tick will come while the test runs
    thread.Resume();
    t0 = std::chrono::steady_clock::now();
    thread.TerminateAndWait();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
}

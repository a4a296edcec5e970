#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <utility>

#include "platform/PeriodicTicker.h"

// A wait of a given number of microseconds that sleeps on periodic ticks while more than one period
// remains and spins on a fine counter through the last one.

enum TThreadClass { tcIdle, tcNormal, tcHigh, tcRealTime };
// The process priority classes the thread classes stand for (kept for their values; see SetHRThreadClass).
extern const uint32_t PriorityClasses[4];
constexpr uint32_t CalibrateDelayTime = 100; // ms

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TCounterFunction = std::function<int64_t()>;

// What a wait needs of the tick thread, and what the component tells it.
class TTickThread {
public:
    virtual ~TTickThread() = default;
    virtual void SetAccuracy(uint32_t value) = 0;
    virtual void SetResolution(uint32_t value) = 0;
    virtual void SetCounterFunction(TCounterFunction fn) = 0;
    virtual void SetPriority(TThreadPriority priority) = 0;
    // Counter value sampled at the last tick.
    virtual int64_t GetCountValue() const = 0;
    // Blocks until the next tick, at most two periods.
    virtual void WaitNextTick() = 0;
    virtual void Resume() = 0;
    // Asks the thread to end and joins it; never hangs, also when no tick ever came.
    virtual void TerminateAndWait() = 0;
};

// The tick thread: a periodic timer sets an event every period; the thread samples the counter
// and sets the tick event, an auto-reset flag that releases one waiter per tick.
class TMMTimerThread : public TTickThread {
public:
    TMMTimerThread(); // created suspended
    ~TMMTimerThread() override;

    void SetAccuracy(uint32_t value) override;
    void SetResolution(uint32_t value) override;
    void SetCounterFunction(TCounterFunction fn) override;
    void SetPriority(TThreadPriority priority) override;
    int64_t GetCountValue() const override;
    void SetCountValue(int64_t value);
    void WaitNextTick() override;
    void Resume() override;
    void TerminateAndWait() override;

private:
    void Execute();

    TCounterFunction FGetCountValue;
    // Written by the owner's thread, read by the tick thread.
    std::atomic<uint32_t> FAccuracy{0};
    std::atomic<uint32_t> FResolution{1};
    std::atomic<bool> FChanged{true};
    std::atomic<bool> m_terminated{false};
    std::atomic<int> m_threadId{0};
    PeriodicTicker m_ticker;

    std::mutex m_tickMutex;
    std::condition_variable m_tickEvent;
    bool m_tickSet = false;

    mutable std::shared_mutex FReadWriteSync;
    int64_t FCountValue = 0;

    std::thread m_thread;
};

// The counters and sleeps the component uses; tests give it a clock of their own.
struct THighResPlatform {
    TCounterFunction performanceCounter;
    int64_t performanceFrequency = 0; // counts per second
    TCounterFunction timeStampCounter;
    bool timeStampAvailable = false; // CPUID present and it reports a time-stamp counter
    std::function<void(uint32_t)> sleepMs;
    uint32_t minResolution = 1; // ms
    std::function<std::unique_ptr<TTickThread>()> createTickThread;

    static THighResPlatform system();
};

class THighResTimer {
public:
    THighResTimer();
    explicit THighResTimer(THighResPlatform platform);
    ~THighResTimer();
    THighResTimer(const THighResTimer&) = delete;
    THighResTimer& operator=(const THighResTimer&) = delete;

    void Wait(uint32_t usTime);
    void StartWait(uint32_t usTime);
    void EndWait();
    int64_t GetCounterTicks(uint32_t usTime) const;
    void Calibrate(uint32_t msCalibrateTime);

    uint32_t Accuracy() const { return FAccuracy; }
    void SetAccuracy(uint32_t value);
    double CountSpeed() const { return FCountSpeed; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t MinAccuracy() const { return FMinAccuracy; }
    uint32_t MinResolution() const { return FMinResolution; }
    int64_t RemainingCount() const;
    double RemainingTime() const;
    uint32_t Resolution() const { return FResolution; }
    void SetResolution(uint32_t value);
    TThreadClass ThreadClass() const { return FThreadClass; }
    void SetHRThreadClass(TThreadClass value);
    TThreadPriority ThreadPriority() const { return FThreadPriority; }
    void SetHRThreadPriority(TThreadPriority value);
    bool TSC() const { return FTSC; }
    bool UseTSC() const { return FUseTSC; }
    void SetUseTSC(bool value);
    bool UseSuspend() const { return FUseSuspend; }
    void SetUseSuspend(bool value) { FUseSuspend = value; }

    static bool IsCPUIDAvailable();
    static bool IsRDTSCAvailable();

private:
    void SetCounter();
    void SetResolutionTicks();
    std::pair<int64_t, int64_t> readCounterPair() const;

    THighResPlatform m_platform;
    int64_t FEndWaitTime = 0;
    uint32_t FMinAccuracy = 1;
    uint32_t FMinResolution = 1;
    uint32_t FAccuracy = 0;
    uint32_t FResolution = 1;
    int64_t FResolutionTicks = 0;
    TThreadClass FThreadClass = tcNormal;
    TThreadPriority FThreadPriority = tpNormal;
    std::unique_ptr<TTickThread> FMMTimerThread;
    bool FTSC = false;
    bool FUseTSC = false;
    bool FEnabled = false;
    TCounterFunction FGetCounterValue;
    double FCountSpeed = 0.0;
    bool FUseSuspend = true;
};

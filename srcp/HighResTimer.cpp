#include "srcp/HighResTimer.h"

#include <chrono>
#include <cmath>
#include <limits>

#include "platform/PerfCounter.h"

const uint32_t PriorityClasses[4] = {0x40, 0x20, 0x80, 0x100};

namespace {
perf::ThreadPriority toPlatform(TThreadPriority p) {
    switch (p) {
    case tpIdle:
        return perf::ThreadPriority::Idle;
    case tpLowest:
        return perf::ThreadPriority::Lowest;
    case tpLower:
        return perf::ThreadPriority::Lower;
    case tpNormal:
        return perf::ThreadPriority::Normal;
    case tpHigher:
        return perf::ThreadPriority::Higher;
    case tpHighest:
        return perf::ThreadPriority::Highest;
    case tpTimeCritical:
        return perf::ThreadPriority::TimeCritical;
    }
    return perf::ThreadPriority::Normal;
}
} // namespace

// --- TMMTimerThread ---------------------------------------------------------------------------

TMMTimerThread::TMMTimerThread() = default;

TMMTimerThread::~TMMTimerThread() {
    TerminateAndWait();
}

void TMMTimerThread::SetAccuracy(uint32_t value) {
    FAccuracy = value;
    FChanged = true;
}

void TMMTimerThread::SetResolution(uint32_t value) {
    FResolution = value < 1 ? 1 : value;
    FChanged = true;
}

void TMMTimerThread::SetCounterFunction(TCounterFunction fn) {
    FGetCountValue = std::move(fn);
}

void TMMTimerThread::SetPriority(TThreadPriority priority) {
    const int tid = m_threadId.load();
    if (tid != 0)
        perf::setThreadPriority(toPlatform(priority), tid);
}

int64_t TMMTimerThread::GetCountValue() const {
    std::shared_lock lock(FReadWriteSync);
    return FCountValue;
}

void TMMTimerThread::SetCountValue(int64_t value) {
    std::unique_lock lock(FReadWriteSync);
    FCountValue = value;
}

void TMMTimerThread::WaitNextTick() {
    std::unique_lock lock(m_tickMutex);
    // The outcome is not examined: a missing tick costs at most two periods.
    m_tickEvent.wait_for(lock, std::chrono::milliseconds(2 * FResolution.load()),
                         [this] { return m_tickSet; });
    m_tickSet = false;
}

void TMMTimerThread::Resume() {
    if (!m_thread.joinable() && !m_terminated)
        m_thread = std::thread([this] { Execute(); });
}

void TMMTimerThread::TerminateAndWait() {
    m_terminated = true;
    m_ticker.stop();
    if (m_thread.joinable())
        m_thread.join();
}

void TMMTimerThread::Execute() {
    m_threadId = perf::currentThreadId();
    FChanged = false;
    // Arming may fail (no timer from the kernel); the loop then ends or waits only for stop().
    m_ticker.arm(FResolution.load());
    while (!m_terminated) {
        if (FChanged.exchange(false))
            m_ticker.arm(FResolution.load());
        if (!m_ticker.wait())
            break;
        if (FGetCountValue)
            SetCountValue(FGetCountValue());
        {
            std::lock_guard lock(m_tickMutex);
            m_tickSet = true;
        }
        m_tickEvent.notify_one();
    }
    m_ticker.disarm();
    m_threadId = 0;
}

// --- THighResTimer ----------------------------------------------------------------------------

THighResPlatform THighResPlatform::system() {
    THighResPlatform p;
    p.performanceCounter = &perf::performanceCounter;
    p.performanceFrequency = perf::performanceFrequency();
    p.timeStampCounter = &perf::timeStampCounter;
    p.timeStampAvailable = THighResTimer::IsCPUIDAvailable() && THighResTimer::IsRDTSCAvailable();
    p.sleepMs = &perf::sleepMs;
    p.minResolution = perf::minTimerPeriodMs();
    p.createTickThread = [] { return std::make_unique<TMMTimerThread>(); };
    return p;
}

THighResTimer::THighResTimer() : THighResTimer(THighResPlatform::system()) {}

THighResTimer::THighResTimer(THighResPlatform platform) : m_platform(std::move(platform)) {
    FEndWaitTime = 0;
    FMinAccuracy = 1;
    FAccuracy = 0;
    FMinResolution = m_platform.minResolution < 1 ? 1 : m_platform.minResolution;
    FResolution = FMinAccuracy;
    FThreadClass = tcNormal;
    FThreadPriority = tpNormal;
    FTSC = FUseTSC = FEnabled = false;
    if (m_platform.timeStampAvailable && m_platform.timeStampCounter)
        FTSC = FUseTSC = true;
    FUseSuspend = true;
    SetCounter();
    Calibrate(CalibrateDelayTime);
    SetResolutionTicks();
}

THighResTimer::~THighResTimer() {
    SetEnabled(false);
}

bool THighResTimer::IsCPUIDAvailable() {
    return perf::isCpuidAvailable();
}

bool THighResTimer::IsRDTSCAvailable() {
    uint32_t a, b, c, d;
    if (perf::executeCpuid(0, a, b, c, d) < 1)
        return false;
    perf::executeCpuid(1, a, b, c, d);
    return (d & 0x10) != 0;
}

void THighResTimer::SetCounter() {
    FGetCounterValue = FUseTSC ? m_platform.timeStampCounter : m_platform.performanceCounter;
}

void THighResTimer::Calibrate(uint32_t msCalibrateTime) {
    FCountSpeed = static_cast<double>(m_platform.performanceFrequency) / 1000000.0;
    if (!FUseTSC)
        return;
    // The process is not raised to real-time priority here: an ordinary user may not, and a desktop
    // program that does can starve the rest of the session for the calibration's length.
    m_platform.sleepMs(10);
    const auto [tsc1, pc1] = readCounterPair();
    m_platform.sleepMs(msCalibrateTime);
    const auto [tsc2, pc2] = readCounterPair();
    const double elapsedUs = FCountSpeed > 0 ? static_cast<double>(pc2 - pc1) / FCountSpeed : 0.0;
    const double tscDiff = static_cast<double>(tsc2 - tsc1);
    if (elapsedUs > 0 && tscDiff > 0) {
        FCountSpeed = tscDiff / elapsedUs;
    } else {
        // A counter that did not advance cannot be used to measure time: fall back to the other one.
        FUseTSC = false;
        SetCounter();
    }
}

std::pair<int64_t, int64_t> THighResTimer::readCounterPair() const {
    // The two counters cannot be read at one instant. A pair read across a preemption would skew the
    // rate by the length of the preemption, so the pair is read a few times, each time-stamp reading
    // bracketed by two performance-counter readings, and the tightest bracket is taken.
    int64_t bestTsc = 0, bestPc = 0, bestGap = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < 5; ++i) {
        const int64_t before = m_platform.performanceCounter();
        const int64_t tsc = m_platform.timeStampCounter();
        const int64_t after = m_platform.performanceCounter();
        if (after - before < bestGap) {
            bestGap = after - before;
            bestTsc = tsc;
            bestPc = before + (after - before) / 2;
        }
    }
    return {bestTsc, bestPc};
}

void THighResTimer::SetResolutionTicks() {
    FResolutionTicks = GetCounterTicks(FResolution * 1000);
}

int64_t THighResTimer::GetCounterTicks(uint32_t usTime) const {
    return static_cast<int64_t>(std::nearbyint(static_cast<double>(usTime) * FCountSpeed));
}

void THighResTimer::Wait(uint32_t usTime) {
    StartWait(usTime);
    EndWait();
}

void THighResTimer::StartWait(uint32_t usTime) {
    FEndWaitTime = FGetCounterValue() + GetCounterTicks(usTime);
}

void THighResTimer::EndWait() {
    if (!FEnabled || !FMMTimerThread)
        return;
    bool sleeping = true;
    int64_t now = FGetCounterValue();
    while (now < FEndWaitTime) {
        if (sleeping) {
            // Sleep only while a whole period remains after the last tick; the rest is spun.
            if (FEndWaitTime - FResolutionTicks >= FMMTimerThread->GetCountValue()) {
                if (FUseSuspend)
                    FMMTimerThread->WaitNextTick();
            } else {
                sleeping = false;
            }
        }
        now = FGetCounterValue();
    }
}

int64_t THighResTimer::RemainingCount() const {
    const int64_t left = FEndWaitTime - FGetCounterValue();
    return left < 0 ? 0 : left;
}

double THighResTimer::RemainingTime() const {
    return FCountSpeed > 0 ? static_cast<double>(RemainingCount()) / FCountSpeed : 0.0;
}

void THighResTimer::SetAccuracy(uint32_t value) {
    FAccuracy = value;
    if (FMMTimerThread)
        FMMTimerThread->SetAccuracy(value);
}

void THighResTimer::SetResolution(uint32_t value) {
    // A period of 0 ms would make every wait spin and the tick timer fire without pause.
    FResolution = value < 1 ? 1 : value;
    SetResolutionTicks();
    if (FMMTimerThread)
        FMMTimerThread->SetResolution(FResolution);
}

void THighResTimer::SetEnabled(bool value) {
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (value) {
        FMMTimerThread = m_platform.createTickThread();
        FMMTimerThread->SetAccuracy(FAccuracy);
        FMMTimerThread->SetResolution(FResolution);
        FMMTimerThread->SetCounterFunction(FGetCounterValue);
        FMMTimerThread->Resume();
    } else if (FMMTimerThread) {
        FMMTimerThread->TerminateAndWait();
        FMMTimerThread.reset();
    }
}

void THighResTimer::SetHRThreadPriority(TThreadPriority value) {
    FThreadPriority = value;
    if (FMMTimerThread)
        FMMTimerThread->SetPriority(value);
}

void THighResTimer::SetHRThreadClass(TThreadClass value) {
    // A priority class belongs to a whole process; changing the process's priority for the sake of
    // one helper thread would be wrong, so the value is kept and has no effect.
    FThreadClass = value;
}

void THighResTimer::SetUseTSC(bool value) {
    if (value == FUseTSC)
        return;
    if (FTSC) {
        if (!FEnabled) {
            FUseTSC = value;
            SetCounter();
        }
    } else {
        FUseTSC = false;
    }
    Calibrate(CalibrateDelayTime);
    SetResolutionTicks();
}

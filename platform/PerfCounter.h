#pragma once

#include <cstdint>

// Fine counters and priority calls that the high-resolution wait expects of the platform.
namespace perf {

// A monotonic counter (CLOCK_MONOTONIC in nanoseconds) and its rate in counts per second.
int64_t performanceCounter();
int64_t performanceFrequency();

// The processor's identification and time-stamp counter (x86 only; elsewhere none is available).
bool isCpuidAvailable();
// Runs CPUID for the level; returns EAX. All zero where there is no CPUID.
uint32_t executeCpuid(uint32_t level, uint32_t& eax, uint32_t& ebx, uint32_t& ecx, uint32_t& edx);
int64_t timeStampCounter();

// Smallest period a periodic timer of this platform can have, in whole milliseconds (at least 1).
uint32_t minTimerPeriodMs();

// Seven steps of thread priority, from idle to time-critical, mapped to nice values of the thread.
enum class ThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };
// Sets the priority of the thread with the given kernel id (0: the calling thread). Errors are ignored:
// an unprivileged process may not raise its priority, and its threads then run at the one they have.
void setThreadPriority(ThreadPriority priority, int threadId = 0);
ThreadPriority threadPriority(int threadId = 0);
// The kernel id of the calling thread.
int currentThreadId();

void sleepMs(uint32_t ms);

} // namespace perf

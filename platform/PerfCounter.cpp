#include "platform/PerfCounter.h"

#include <cerrno>
#include <ctime>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define QUARN_HAVE_X86 1
#endif

namespace perf {

int64_t performanceCounter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t performanceFrequency() {
    return 1000000000;
}

bool isCpuidAvailable() {
#ifdef QUARN_HAVE_X86
    // Every x86-64 processor has CPUID; the compiler's helper checks the ID flag on 32-bit x86.
    return __get_cpuid_max(0, nullptr) != 0;
#else
    return false;
#endif
}

uint32_t executeCpuid(uint32_t level, uint32_t& eax, uint32_t& ebx, uint32_t& ecx, uint32_t& edx) {
    eax = ebx = ecx = edx = 0;
#ifdef QUARN_HAVE_X86
    __cpuid(level, eax, ebx, ecx, edx);
#else
    (void)level;
#endif
    return eax;
}

int64_t timeStampCounter() {
#ifdef QUARN_HAVE_X86
    return static_cast<int64_t>(__rdtsc());
#else
    return performanceCounter();
#endif
}

uint32_t minTimerPeriodMs() {
    timespec res{};
    if (clock_getres(CLOCK_MONOTONIC, &res) != 0)
        return 1;
    const int64_t ns = static_cast<int64_t>(res.tv_sec) * 1000000000 + res.tv_nsec;
    const int64_t ms = (ns + 999999) / 1000000;
    return ms < 1 ? 1 : static_cast<uint32_t>(ms);
}

namespace {
int niceOf(ThreadPriority p) {
    switch (p) {
    case ThreadPriority::Idle:
        return 19;
    case ThreadPriority::Lowest:
        return 10;
    case ThreadPriority::Lower:
        return 5;
    case ThreadPriority::Normal:
        return 0;
    case ThreadPriority::Higher:
        return -5;
    case ThreadPriority::Highest:
        return -10;
    case ThreadPriority::TimeCritical:
        return -20;
    }
    return 0;
}
} // namespace

int currentThreadId() {
    return static_cast<int>(syscall(SYS_gettid));
}

void setThreadPriority(ThreadPriority priority, int threadId) {
    // On Linux a nice value set for a thread id applies to that thread alone.
    const int tid = threadId == 0 ? currentThreadId() : threadId;
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceOf(priority));
}

ThreadPriority threadPriority(int threadId) {
    const int tid = threadId == 0 ? currentThreadId() : threadId;
    errno = 0;
    const int n = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (n >= 19)
        return ThreadPriority::Idle;
    if (n >= 10)
        return ThreadPriority::Lowest;
    if (n >= 5)
        return ThreadPriority::Lower;
    if (n > -5)
        return ThreadPriority::Normal;
    if (n > -10)
        return ThreadPriority::Higher;
    if (n > -20)
        return ThreadPriority::Highest;
    return ThreadPriority::TimeCritical;
}

void sleepMs(uint32_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

} // namespace perf

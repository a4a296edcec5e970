#include "platform/PeriodicTicker.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

PeriodicTicker::PeriodicTicker() {
    m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

PeriodicTicker::~PeriodicTicker() {
    if (m_timerFd >= 0)
        close(m_timerFd);
    if (m_stopFd >= 0)
        close(m_stopFd);
}

bool PeriodicTicker::arm(uint32_t periodMs) {
    if (m_timerFd < 0)
        return false;
    if (periodMs < 1)
        periodMs = 1;
    itimerspec timing{};
    timing.it_interval.tv_sec = periodMs / 1000;
    timing.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1000000L;
    timing.it_value = timing.it_interval;
    return timerfd_settime(m_timerFd, 0, &timing, nullptr) == 0;
}

void PeriodicTicker::disarm() {
    if (m_timerFd < 0)
        return;
    itimerspec timing{};
    timerfd_settime(m_timerFd, 0, &timing, nullptr);
}

bool PeriodicTicker::wait() {
    if (!valid())
        return false;
    pollfd fds[2] = {{m_stopFd, POLLIN, 0}, {m_timerFd, POLLIN, 0}};
    for (;;) {
        const int n = poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (fds[0].revents != 0)
            return false;
        if (fds[1].revents & POLLIN) {
            uint64_t expirations = 0;
            if (read(m_timerFd, &expirations, sizeof expirations) < 0 && errno != EAGAIN)
                return false;
            return true;
        }
        if (fds[1].revents != 0)
            return false;
    }
}

void PeriodicTicker::stop() {
    if (m_stopFd < 0)
        return;
    const uint64_t one = 1;
    // Only fails when the counter would overflow, i.e. stop() was already signalled.
    (void)!write(m_stopFd, &one, sizeof one);
}

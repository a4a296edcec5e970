#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// How long a test waits for an event that must come before it counts it as missing: generous, since
// a loaded machine may park a process for seconds, and a wait that succeeds costs nothing more.
inline constexpr int PatienceMs = 20000;

// Looks at pred every millisecond until it holds; false after timeoutMs. For conditions that no
// signal announces (a thread's progress, the kernel's view of a socket).
inline bool waitUntil(const std::function<bool()>& pred, int timeoutMs = PatienceMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Guards a call that must return however slow the machine is (a stop that must wake a blocked read).
// Should the guarded scope outlast PatienceMs, the call is taken to hang: rescue runs on the
// watchdog's own thread, so that the call can return (it ends what the call waits on), and fired()
// says so.
class Watchdog {
public:
    explicit Watchdog(std::function<void()> rescue)
        : m_thread([this, rescue = std::move(rescue)] {
              std::unique_lock lock(m_mutex);
              if (m_wake.wait_for(lock, std::chrono::milliseconds(PatienceMs), [this] { return m_done; }))
                  return;
              m_fired = true;
              lock.unlock();
              rescue();
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    bool fired() const { return m_fired.load(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::atomic<bool> m_fired{false};
    // Last: it starts once the members above exist.
    std::thread m_thread;
};

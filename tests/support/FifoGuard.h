#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// A FIFO at path for a reader that must refuse it. Should the reader block on it instead, the guard
// opens and closes the writer end after a deadline: the reader then sees an empty file and its test
// fails (fired() is true) instead of hanging the suite.
class FifoGuard {
public:
    explicit FifoGuard(std::string path)
        : m_path(std::move(path)), m_made(::mkfifo(m_path.c_str(), 0600) == 0) {}
    bool made() const { return m_made; }
    bool fired() const { return m_fired; }

private:
    std::string m_path;
    bool m_made;
    std::atomic<bool> m_fired{false};
    // Opening fails with ENXIO while no reader has the FIFO open; a reader that opens it again is let go
    // again. Last member: stopped and joined first.
    std::jthread m_thread{[this](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        auto wait = std::chrono::milliseconds(10000);
        while (!wake.wait_for(lock, stop, wait, [&] { return stop.stop_requested(); })) {
            m_fired = true;
            if (const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0)
                ::close(fd);
            wait = std::chrono::milliseconds(20);
        }
    }};
};

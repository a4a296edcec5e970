#pragma once

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
    explicit FifoGuard(std::string path) : m_path(std::move(path)) {
        m_made = ::mkfifo(m_path.c_str(), 0600) == 0;
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (m_cv.wait_for(lock, std::chrono::seconds(10), [this] { return m_done; }))
                return;
            m_fired = true;
            // Fails with ENXIO while no reader has the FIFO open; a reader that opens it again is
            // let go again.
            while (!m_done) {
                const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0)
                    ::close(fd);
                m_cv.wait_for(lock, std::chrono::milliseconds(20));
            }
        });
    }
    ~FifoGuard() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    bool made() const { return m_made; }
    bool fired() {
        std::lock_guard lock(m_mutex);
        return m_fired;
    }

private:
    std::string m_path;
    bool m_made = false;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};

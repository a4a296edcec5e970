#include "platform/MainThreadDispatcher.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<MainThreadDispatcher*> g_dispatcher{nullptr};
}

MainThreadDispatcher* mainThreadDispatcher() {
    return g_dispatcher.load();
}
void setMainThreadDispatcher(MainThreadDispatcher* dispatcher) {
    g_dispatcher.store(dispatcher);
}

void assertMainThread([[maybe_unused]] const char* where) {
#ifndef NDEBUG
    const MainThreadDispatcher* dispatcher = g_dispatcher.load();
    if (dispatcher && !dispatcher->isMainThread()) {
        std::fprintf(stderr, "%s must run on the GUI thread\n", where);
        std::abort();
    }
#endif
}

void MainThreadDispatcher::CancelToken::cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_wake.notify_all();
}

bool MainThreadDispatcher::CancelToken::cancelled() const {
    std::lock_guard lock(m_mutex);
    return m_cancelled;
}

void MainThreadDispatcher::CancelToken::reset() {
    std::lock_guard lock(m_mutex);
    m_cancelled = false;
}

bool MainThreadDispatcher::invokeAndWait(std::function<void()> fn, CancelToken& token) {
    if (isMainThread()) {
        if (token.cancelled())
            return false;
        fn();
        return true;
    }
    // The state outlives this call: a cancelled hand-over may still be run (as a no-op) later.
    struct State {
        std::mutex mutex;
        bool started = false;
        bool done = false;
        bool abandoned = false;
    };
    auto state = std::make_shared<State>();
    post([state, fn = std::move(fn), &token] {
        {
            std::lock_guard lock(state->mutex);
            if (state->abandoned)
                return;
            state->started = true;
        }
        // The worker is released even when fn throws; the exception goes on to the main thread's
        // handler, which is where an exception of the main thread belongs.
        struct Release {
            State& state;
            CancelToken& token;
            ~Release() {
                std::lock_guard lock(token.m_mutex);
                {
                    std::lock_guard slock(state.mutex);
                    state.done = true;
                }
                token.m_wake.notify_all();
            }
        } release{*state, token};
        fn();
    });
    std::unique_lock lock(token.m_mutex);
    for (;;) {
        {
            std::lock_guard slock(state->mutex);
            if (state->done)
                return true;
            if (token.m_cancelled && !state->started) {
                state->abandoned = true;
                return false;
            }
        }
        // A started closure is waited for even when cancelled: it may use values of the caller.
        token.m_wake.wait_for(lock, std::chrono::milliseconds(50));
    }
}

ManualDispatcher::ManualDispatcher() : m_owner(std::this_thread::get_id()) {}

void ManualDispatcher::post(std::function<void()> fn) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(fn));
    }
    m_posted.notify_all();
}

bool ManualDispatcher::isMainThread() const {
    return std::this_thread::get_id() == m_owner;
}

int ManualDispatcher::pump() {
    int ran = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(m_mutex);
            if (m_queue.empty())
                return ran;
            fn = std::move(m_queue.front());
            m_queue.pop_front();
        }
        fn();
        ++ran;
    }
}

bool ManualDispatcher::pumpUntil(const std::function<bool()>& pred, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pump();
        if (pred())
            return true;
        std::unique_lock lock(m_mutex);
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        m_posted.wait_until(
            lock, std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(10)),
            [this] { return !m_queue.empty(); });
    }
}

std::size_t ManualDispatcher::pending() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

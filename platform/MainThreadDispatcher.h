#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Hands work from worker threads to the GUI thread. Closures carry their values by copy; lines handed
// over are owning strings, never views into a reader's buffer.
class MainThreadDispatcher {
public:
    virtual ~MainThreadDispatcher() = default;

    // Queues fn to run on the main thread. Safe from any thread.
    virtual void post(std::function<void()> fn) = 0;
    // True on the thread that runs the posted closures.
    virtual bool isMainThread() const = 0;

    // A blocking hand-over that the main thread can call off, so that it can stop and join a worker
    // that waits here without deadlock. One token serves one worker; cancel() is sticky.
    class CancelToken {
    public:
        void cancel();
        bool cancelled() const;
        void reset();

    private:
        friend class MainThreadDispatcher;
        mutable std::mutex m_mutex;
        std::condition_variable m_wake;
        bool m_cancelled = false;
    };

    // Runs fn on the main thread and waits until it has run (true) or the token is cancelled (false;
    // fn then never runs). Called on the main thread itself, fn runs at once.
    bool invokeAndWait(std::function<void()> fn, CancelToken& token);
};

// The dispatcher of the running program, set by the program start (and by tests). May be null.
MainThreadDispatcher* mainThreadDispatcher();
void setMainThreadDispatcher(MainThreadDispatcher* dispatcher);

// For code that must run on the GUI thread. In a debug build a call from another thread, while a
// dispatcher is set, prints where and aborts; in a release build it costs nothing.
void assertMainThread(const char* where);
#define QUARN_ASSERT_MAIN_THREAD() assertMainThread(__func__)

// A dispatcher that tests pump by hand: the thread that created it is the "main thread".
class ManualDispatcher : public MainThreadDispatcher {
public:
    ManualDispatcher();

    void post(std::function<void()> fn) override;
    bool isMainThread() const override;

    // Runs every closure queued so far (and those they queue); returns how many ran.
    int pump();
    // Pumps until pred() is true or the time-out (ms) passes; returns pred().
    bool pumpUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
    std::size_t pending() const;

private:
    std::thread::id m_owner;
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_queue;
};

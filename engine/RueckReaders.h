#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

class LineConnection;
class MainThreadDispatcher;

// The reader threads of the "SRCP 0.73" transport, one per open line connection. A reader only
// blocks in its read and hands every line, in the order read, to the GUI thread; it never draws
// and never touches the plan. It ends when its connection fails or its owner stops it; a line that
// cannot be evaluated costs only that line.
//
// Lines wait for the GUI thread in a bounded queue, so that a flooding server cannot grow memory
// without end or keep the GUI thread from its own events: the GUI thread handles one line per pass
// of its event loop. On the command and poll connections an all-contacts feedback line that arrives
// while the line before it in the queue is also an all-contacts line is merged into that one (the
// merged line has the effect of both, and the status bar shows the newer); every other line is kept
// in order. When ReaderQueueBound lines wait, the reader waits for room; a stop ends that wait.
//
// The owner (the main window's connection commands) starts a reader after its connection is open
// and stops it, which also wakes a blocked read, before it closes the connection. Nothing frees
// itself: a reader that ended on its own stays until its owner stops or replaces it.
inline constexpr std::size_t ReaderQueueBound = 64;

class TSrcp073Reader {
public:
    virtual ~TSrcp073Reader();
    TSrcp073Reader(const TSrcp073Reader&) = delete;
    TSrcp073Reader& operator=(const TSrcp073Reader&) = delete;

    // Starts the thread at the lowest priority; a second call does nothing. Throws
    // std::logic_error when there is no dispatcher to hand lines to.
    void Start();
    // Asks the thread to end, shuts the connection down so that a blocked read returns, and joins
    // it; a reader waiting for room in its queue stops waiting. The connection is left open for its
    // owner to close. Lines not yet handled on the GUI thread are dropped. Call it on the GUI
    // thread.
    void Stop();

    // Started and its loop not yet left.
    bool Running() const;
    // Its loop has ended (connection failed or stopped).
    bool Finished() const { return m_finished.load(); }
    // Lines read and queued for the GUI thread so far (a merged line counts).
    long linesRead() const { return m_linesRead.load(); }
    // Lines waiting for the GUI thread.
    std::size_t pendingLines() const;

protected:
    // Run on the GUI thread: a line as read (for the status bar) and the line to evaluate (the same,
    // or the merge of all-contacts lines); and, once, a connection that failed without a stop.
    using LineHandler = void (*)(const std::string& line, const std::string& evaluated);
    using FailureHandler = void (*)();

    TSrcp073Reader(LineConnection& connection, MainThreadDispatcher* dispatcher, LineHandler onLine,
                   FailureHandler onFailure, bool mergeAllContactsLines);

    // Last line read; the reader thread writes it, anyone may read it.
    std::string lastLine() const;

private:
    struct Channel;

    void Execute();
    // Queues a line (or the failure, with no line) and makes sure the GUI thread will drain the
    // queue. False when the reader was stopped while it waited for room.
    bool enqueue(std::string line, bool failure);

    LineConnection& m_connection;
    MainThreadDispatcher* m_dispatcher;
    std::thread m_thread;
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
    std::atomic<long> m_linesRead{0};
    // Shared with the work posted to the GUI thread, which may run after the reader is gone.
    std::shared_ptr<Channel> m_channel;
};

// Reads the command connection: status-bar panel 1, feedback lines evaluated, others to
// Rueckmodul->parse.
class TReadCommand final : public TSrcp073Reader {
public:
    explicit TReadCommand(LineConnection& connection, MainThreadDispatcher* dispatcher = nullptr)
        : TSrcp073Reader(connection, dispatcher, &UpdateStatusBarAndEvaluate, &reportFailure, true) {}

    std::string Cinfo() const { return lastLine(); }

    // Run on the GUI thread.
    static void UpdateStatusBar(const std::string& line);
    static void UpdateStatusBarAndEvaluate(const std::string& line, const std::string& evaluated);

private:
    static void reportFailure();
};

// Reads the info connection: status-bar panel 2, then Bahn->parse.
class TReadinfo final : public TSrcp073Reader {
public:
    explicit TReadinfo(LineConnection& connection, MainThreadDispatcher* dispatcher = nullptr)
        : TSrcp073Reader(connection, dispatcher, &UpdateStatusBarAndParse, &reportFailure, false) {}

    std::string InMessage() const { return lastLine(); }

    // Run on the GUI thread.
    static void UpdateStatusBar(const std::string& line);
    static void UpdateStatusBarAndParse(const std::string& line, const std::string& evaluated);

private:
    static void reportFailure();
};

// Reads the feedback-poll connection: feedback lines evaluated, nothing on the status bar.
class TPollHandleThread final : public TSrcp073Reader {
public:
    explicit TPollHandleThread(LineConnection& connection, MainThreadDispatcher* dispatcher = nullptr)
        : TSrcp073Reader(connection, dispatcher, &handleInput, &reportFailure, true) {}

    std::string InMessage() const { return lastLine(); }

    // Runs on the GUI thread.
    static void handleInput(const std::string& line, const std::string& evaluated);

private:
    static void reportFailure();
};

// The running readers, owned here and driven by the main window's connection commands (all on the
// GUI thread). Each start stops and joins the reader it replaces; each stop leaves the connection
// open for the caller to close.
extern std::unique_ptr<TReadCommand> ReadCommand;
extern std::unique_ptr<TReadinfo> Readinfo;
extern std::unique_ptr<TPollHandleThread> PollHandleThread;

void startReadCommand(LineConnection& connection);
void stopReadCommand();
void startReadinfo(LineConnection& connection);
void stopReadinfo();
void startPollHandleThread(LineConnection& connection);
void stopPollHandleThread();
// Stops and joins every reader; the program calls it before its global objects are freed.
void stopAllReaders();

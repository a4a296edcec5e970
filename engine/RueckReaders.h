#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class LineConnection;
class MainThreadDispatcher;

// The reader threads of the "SRCP 0.73" transport, one per open line connection. A reader only
// blocks in its read and hands every line, in the order read, to the GUI thread; it never draws
// and never touches the plan. It ends when its connection fails or its owner stops it; a line that
// cannot be evaluated costs only that line.
//
// The owner (the main window's connection commands) starts a reader after its connection is open
// and stops it, which also wakes a blocked read, before it closes the connection. Nothing frees
// itself: a reader that ended on its own stays until its owner stops or replaces it.
class TSrcp073Reader {
public:
    virtual ~TSrcp073Reader();
    TSrcp073Reader(const TSrcp073Reader&) = delete;
    TSrcp073Reader& operator=(const TSrcp073Reader&) = delete;

    // Starts the thread at the lowest priority; a second call does nothing. Throws
    // std::logic_error when there is no dispatcher to hand lines to.
    void Start();
    // Asks the thread to end, shuts the connection down so that a blocked read returns, and joins
    // it. The connection is left open for its owner to close. Lines already handed over but not
    // yet handled on the GUI thread are dropped. Call it on the GUI thread.
    void Stop();

    // Started and its loop not yet left.
    bool Running() const;
    // Its loop has ended (connection failed or stopped).
    bool Finished() const { return m_finished.load(); }
    // Lines read and handed to the GUI thread so far.
    long linesRead() const { return m_linesRead.load(); }

protected:
    // Runs on the GUI thread with one line.
    using LineHandler = void (*)(const std::string& line);

    // onLine gets every line in the order read; onFailure gets an empty line once when the
    // connection failed without a stop.
    TSrcp073Reader(LineConnection& connection, MainThreadDispatcher* dispatcher, LineHandler onLine,
                   LineHandler onFailure);

    // Last line read; the reader thread writes it, anyone may read it.
    std::string lastLine() const;

private:
    void Execute();
    // Hands the call to the GUI thread; once the reader has been stopped it no longer runs there.
    void handOver(LineHandler handler, std::string line);

    LineConnection& m_connection;
    MainThreadDispatcher* m_dispatcher;
    LineHandler m_onLine;
    LineHandler m_onFailure;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
    std::atomic<long> m_linesRead{0};
    // Cleared by Stop(); work handed over before that checks it on the GUI thread and then does
    // nothing.
    std::shared_ptr<std::atomic<bool>> m_alive;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_lastLine;
};

// Reads the command connection: status-bar panel 1, feedback lines evaluated, others to
// Rueckmodul->parse.
class TReadCommand final : public TSrcp073Reader {
public:
    explicit TReadCommand(LineConnection& connection, MainThreadDispatcher* dispatcher = nullptr)
        : TSrcp073Reader(connection, dispatcher, &UpdateStatusBarAndEvaluate, &reportFailure) {}

    std::string Cinfo() const { return lastLine(); }

    // Run on the GUI thread.
    static void UpdateStatusBar(const std::string& line);
    static void UpdateStatusBarAndEvaluate(const std::string& line);

private:
    static void reportFailure(const std::string&);
};

// Reads the info connection: status-bar panel 2, then Bahn->parse.
class TReadinfo final : public TSrcp073Reader {
public:
    explicit TReadinfo(LineConnection& connection, MainThreadDispatcher* dispatcher = nullptr)
        : TSrcp073Reader(connection, dispatcher, &UpdateStatusBarAndParse, &reportFailure) {}

    std::string InMessage() const { return lastLine(); }

    // Run on the GUI thread.
    static void UpdateStatusBar(const std::string& line);
    static void UpdateStatusBarAndParse(const std::string& line);

private:
    static void reportFailure(const std::string&);
};

// Reads the feedback-poll connection: feedback lines evaluated, nothing on the status bar.
class TPollHandleThread final : public TSrcp073Reader {
public:
    explicit TPollHandleThread(LineConnection& connection, MainThreadDispatcher* dispatcher = nullptr)
        : TSrcp073Reader(connection, dispatcher, &handleInput, &reportFailure) {}

    std::string InMessage() const { return lastLine(); }

    // Runs on the GUI thread.
    static void handleInput(const std::string& line);

private:
    static void reportFailure(const std::string&);
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

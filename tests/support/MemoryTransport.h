#pragma once

#include "PeerLine.h"
#include "platform/LineTransport.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// One in-memory connection: the bytes each way and how each end has left it. Shared by the two ends.
struct MemoryPipe {
    std::mutex mutex;
    std::condition_variable changed;
    std::string toServer;
    std::string toClient;
    bool clientClosed = false; // closed or shut down by the client: the server reads end-of-stream
    bool serverClosed = false; // FIN from the server
    bool serverReset = false;  // RST from the server: what it had sent and the client not read is lost
};

// The client's end: a LineTransport with the semantics of LineConnection (closed hook once per
// connection, a failed write only shuts down, a shutdown wakes a blocked reader without closing),
// plus knobs that make it fail as a network does.
class MemoryTransport : public LineTransport {
public:
    // Makes the pipe of a new connection; null means nobody listens (the connect is refused).
    using Dialer = std::function<std::shared_ptr<MemoryPipe>()>;

    explicit MemoryTransport(Dialer dial);
    // Closes without running the closed hook.
    ~MemoryTransport() override;

    void connect(const std::string& host, int port, int timeoutMs) override;
    bool isConnected() const override { return m_open.load() && !m_failed.load(); }
    void writeLine(std::string_view line) override;
    std::string readLine(int timeoutMs) override;
    void shutdown() override;
    void close() override;
    void checkForDisconnect(bool raise) override;
    void setClosedHook(std::function<void()> hook) override { m_closedHook = std::move(hook); }

    // Knobs, safe from any thread. Writes fail with a reset once this many more bytes have gone
    // (-1: never); the failing write delivers what fitted.
    void failWritesAfter(long long bytes) { m_writeBudget = bytes; }
    // While stalled the peer takes no data: a write waits for its time-out and fails.
    void setStalled(bool stalled);
    void setWriteTimeout(int ms) { m_writeTimeoutMs = ms; }
    int connects() const { return m_connects.load(); }

private:
    std::shared_ptr<MemoryPipe> pipe() const;
    void runClosedHookOnce();
    void closePipe(bool notify);
    template <class Error> [[noreturn]] void failRead(const Error& error);
    template <class Error> [[noreturn]] void failWrite(const Error& error);

    Dialer m_dial;
    mutable std::mutex m_pipeMutex;
    std::shared_ptr<MemoryPipe> m_pipe;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_shutdown{false};
    std::atomic<bool> m_hookDue{false};
    std::atomic<bool> m_stalled{false};
    std::atomic<long long> m_writeBudget{-1};
    std::atomic<int> m_writeTimeoutMs{5000};
    std::atomic<int> m_connects{0};
    std::function<void()> m_closedHook;
};

// The server's end of an in-memory connection.
class MemoryPeer : public PeerLine {
public:
    explicit MemoryPeer(std::shared_ptr<MemoryPipe> pipe) : m_pipe(std::move(pipe)) {}

    bool isConnected() const override;
    void writeLine(std::string_view line) override;
    void writeRaw(std::string_view bytes) override;
    std::string readLineRaw(int timeoutMs) override;
    bool waitForData(int timeoutMs) override;
    void close() override;
    void abort() override;

private:
    std::shared_ptr<MemoryPipe> m_pipe;
};

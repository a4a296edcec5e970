#pragma once

#include "platform/LineTransport.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

struct addrinfo;

// How a host name is turned into addresses: getaddrinfo's signature. Names are looked up on a thread
// of their own, so that a resolver that does not answer holds connect() no longer than its time-out.
using HostLookup =
    std::function<int(const char* node, const char* service, const addrinfo* hints, addrinfo** result)>;
// Installs the lookup for names (tests); an empty one goes back to getaddrinfo. The result list must
// be one that freeaddrinfo releases. Safe while connections look names up: those already running
// keep the lookup they started with.
void setHostLookup(HostLookup lookup);
// Look-ups of names that have not ended yet, whether a connect still waits for them or not.
int hostLookupsRunning();

// A TCP client connection that speaks lines, over POSIX sockets. Threads and the closed hook follow
// LineTransport. Besides, no descriptor is ever closed while another thread is inside a call on it: a
// close that meets a running write (or read) shuts the socket down at once and leaves the release of
// the descriptor to the last of those calls, so that its number cannot be reused under it.
class LineConnection : public LineTransport {
public:
    static constexpr std::size_t MaxLineLength = 64 * 1024;

    LineConnection();
    // Closes the socket without running the closed hook (its owner is going away).
    ~LineConnection() override;

    const std::string& host() const { return m_host; }
    void setHost(const std::string& host) { m_host = host; }
    int port() const { return m_port; }
    void setPort(int port) { m_port = port; }

    // Opens the connection to host() and port(); the time-out covers the name lookup and the connect,
    // and one of 0 or less waits as long as the system does. Raises SocketError (also for an unknown
    // host) or TimeoutError; an open connection is closed first. A connection has at most one name
    // look-up running: a connect that finds one still running from an earlier connect waits for it
    // (and takes its answer, for the same name) instead of starting another.
    void connect(int timeoutMs);
    void connect(const std::string& host, int port, int timeoutMs) override;

    bool isConnected() const override { return m_fd.load() >= 0 && !m_failed.load(); }

    void writeRaw(std::string_view bytes);
    void writeLine(std::string_view line) override;

    // Waits readTimeout() ms for the whole line (0: no limit).
    std::string readLine();
    std::string readLine(int timeoutMs) override;

    int readTimeout() const { return m_readTimeoutMs; }
    void setReadTimeout(int ms) { m_readTimeoutMs = ms; }
    int writeTimeout() const { return m_writeTimeoutMs; }
    void setWriteTimeout(int ms) { m_writeTimeoutMs = ms; }

    // Wakes a reader blocked on this connection (SHUT_RDWR); safe from any thread.
    void shutdown() override;
    // Reads and writes inside a socket call on this connection right now (a reader blocked in its
    // read is one), so that a thread can know another waits on the connection; safe from any thread.
    int callsInProgress() const;
    // Closes the socket and runs the closed hook unless it ran for this connection already.
    void close() override;
    void checkForDisconnect(bool raise) override;
    void setClosedHook(std::function<void()> hook) override { m_closedHook = std::move(hook); }

protected:
    // Takes over a socket that is already connected (the accepting side of a connection).
    explicit LineConnection(int connectedSocket);

    // For the reading thread of a subclass: the open descriptor (-1 when closed), whether bytes wait
    // in the buffer, and the next line with its terminator as it arrived ("...\r\n" or "...\n").
    int descriptor() const { return m_fd.load(); }
    bool hasBufferedBytes() const { return !m_buffer.empty(); }
    std::string readTerminatedLine(int timeoutMs);
    // Closes; with reset the peer gets an RST instead of an orderly FIN.
    void closeSocketAndNotify(bool reset);

private:
    // Keeps the descriptor from being released while a call uses it.
    class DescriptorUse;
    // A name look-up on its thread, shared by that thread and the connection that started it.
    struct PendingLookup;
    using AddressList = std::unique_ptr<addrinfo, void (*)(addrinfo*)>;

    // The addresses of node: an address literal at once, a name through the running look-up.
    AddressList lookUp(const char* node, const std::string& service, bool limited,
                       std::chrono::steady_clock::time_point deadline, int timeoutMs);

    // True when this call closed an open socket.
    bool closeSocket(bool reset);
    void runClosedHookOnce();
    // A failure noticed by a read: the reading side closes.
    template <class Error> [[noreturn]] void failRead(const Error& error);
    // A failure noticed by a write: marks the connection failed and shuts it down, never closes.
    template <class Error> [[noreturn]] void failWrite(const Error& error);
    // Fills the buffer until it holds a LF; returns the index of that LF.
    std::size_t waitForLine(int timeoutMs);
    void setOpen(int fd);

    std::string m_host;
    int m_port = 0;
    // The owner's thread only: the last look-up started, until its answer has been taken.
    std::shared_ptr<PendingLookup> m_lookup;
    int m_readTimeoutMs = 0;
    int m_writeTimeoutMs = 5000;

    // Written under m_mutex, read without it.
    std::atomic<int> m_fd{-1};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_shutdownRequested{false};
    // Set when a connection opens; the first end of it to notice takes it and runs the hook.
    std::atomic<bool> m_hookDue{false};
    mutable std::mutex m_mutex;
    // Under m_mutex: calls inside a socket operation, and a descriptor closed while they were.
    int m_users = 0;
    int m_releaseWhenUnused = -1;

    // Only the reading thread touches the buffer (and the owner when it opens the connection).
    std::string m_buffer;
    std::function<void()> m_closedHook;
};

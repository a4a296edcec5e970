#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Failures of a line connection. Callers catch the base for "the connection failed" and the three
// kinds below to tell a socket error, a close by the peer and a time-out apart.
class LineConnectionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed socket operation (connect refused, host unknown, reset, over-long line, ...); code() is
// the errno value, or 0 where there is none.
class SocketError : public LineConnectionError {
public:
    SocketError(const std::string& what, int code) : LineConnectionError(what), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// The peer closed the connection (or it was shut down on our side while a read was waiting).
class ConnectionClosedError : public LineConnectionError {
public:
    using LineConnectionError::LineConnectionError;
};

// Nothing arrived (or could be sent) within the time-out.
class TimeoutError : public LineConnectionError {
public:
    using LineConnectionError::LineConnectionError;
};

// A TCP client connection that speaks lines: LF ends a line, a CR just before it is dropped, CR LF is
// written. One thread reads; shutdown() and isConnected() may be called from any other thread, so a
// blocked reader can be woken. close() belongs to the reading thread or to the owner after the reader
// has been joined.
//
// A read or write that fails closes the socket and runs the closed hook, exactly once per opened
// connection, on the thread that noticed it. A read that fails because shutdown() was called here
// does not close: the owner that asked for the shutdown closes after joining its reader.
class LineConnection {
public:
    static constexpr std::size_t MaxLineLength = 64 * 1024;

    LineConnection();
    // Closes the socket without running the closed hook (its owner is going away).
    ~LineConnection();
    LineConnection(const LineConnection&) = delete;
    LineConnection& operator=(const LineConnection&) = delete;

    const std::string& host() const { return m_host; }
    void setHost(const std::string& host) { m_host = host; }
    int port() const { return m_port; }
    void setPort(int port) { m_port = port; }

    // Opens the connection to host() and port(); a time-out of 0 or less waits as long as the system
    // does. Raises SocketError (also for an unknown host) or TimeoutError; an open connection is
    // closed first.
    void connect(int timeoutMs);
    void connect(const std::string& host, int port, int timeoutMs);

    bool isConnected() const { return m_fd.load() >= 0; }

    void writeRaw(std::string_view bytes);
    void writeLine(std::string_view line);

    // Reads one line without its LF and without one CR before it. Waits readTimeout() ms for the
    // whole line (0: no limit).
    std::string readLine();
    std::string readLine(int timeoutMs);
    // The line with its terminator as it arrived ("...\r\n" or "...\n").
    std::string readLineRaw(int timeoutMs);
    // Reads up to maxLines lines, trims blanks from each, and returns the first non-empty one; empty
    // when all were empty. timeoutMs bounds the whole call.
    std::string readFirstNonEmptyLine(int maxLines, int timeoutMs);

    // True when a line's bytes are waiting (buffered or on the socket) within timeoutMs; never
    // fails. Lets a server thread look up from its reads now and then.
    bool waitForData(int timeoutMs);

    int readTimeout() const { return m_readTimeoutMs; }
    void setReadTimeout(int ms) { m_readTimeoutMs = ms; }
    int writeTimeout() const { return m_writeTimeoutMs; }
    void setWriteTimeout(int ms) { m_writeTimeoutMs = ms; }

    // Wakes a reader blocked on this connection (SHUT_RDWR); safe from any thread.
    void shutdown();
    // Closes the socket and runs the closed hook when it was open.
    void close();
    // Closes with a reset (RST) instead of an orderly FIN, as a crashed peer would; runs the hook.
    void abort();
    // When the peer has closed the connection: closes it, runs the hook and, with raise, throws
    // ConnectionClosedError. Lines already received are not a close.
    void checkForDisconnect(bool raise);

    // Lines the server greeted us with; kept here for the session that owns the connection.
    std::vector<std::string>& greetingLines() { return m_greeting; }
    const std::vector<std::string>& greetingLines() const { return m_greeting; }

    // Called after the socket was closed (by close(), abort() or a failure); not by the destructor.
    void setClosedHook(std::function<void()> hook) { m_closedHook = std::move(hook); }

private:
    friend class LineListener;
    explicit LineConnection(int acceptedFd);

    // True when this call closed an open socket.
    bool closeSocket(bool reset);
    template <class Error> [[noreturn]] void fail(const Error& error);
    [[noreturn]] void failSocket(const std::string& what, int code);
    // Fills the buffer until it holds a LF; returns the index of that LF.
    std::size_t waitForLine(int timeoutMs);
    void setOpen(int fd);

    std::string m_host;
    int m_port = 0;
    int m_readTimeoutMs = 0;
    int m_writeTimeoutMs = 5000;

    // Written under m_mutex, read without it by the reading thread and by isConnected().
    std::atomic<int> m_fd{-1};
    std::atomic<bool> m_shutdownRequested{false};
    std::mutex m_mutex;

    std::string m_buffer;
    std::vector<std::string> m_greeting;
    std::function<void()> m_closedHook;
};

// A listening socket on a loopback address, for test servers.
class LineListener {
public:
    // Listens on 127.0.0.1 at port (0: an ephemeral one). Raises SocketError.
    explicit LineListener(int port = 0);
    ~LineListener();
    LineListener(const LineListener&) = delete;
    LineListener& operator=(const LineListener&) = delete;

    int port() const { return m_port; }
    // Waits up to timeoutMs for a client; null on time-out or after close().
    std::unique_ptr<LineConnection> accept(int timeoutMs);
    // Stops accepting; a waiting accept() returns null. Safe from any thread.
    void close();

private:
    std::atomic<int> m_fd{-1};
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
};

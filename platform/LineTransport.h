#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

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

// A connection that carries text lines: LF ends a line, a CR just before it is dropped, CR LF is
// written. The SRCP sessions talk through this; the program gives them a LineConnection, tests an
// in-memory transport.
//
// Threads: one thread reads (readLine, checkForDisconnect); writes come from the owner's thread;
// shutdown() and isConnected() may be called from any thread. close() belongs to the reading thread,
// or to the owner once the reader has been joined.
//
// The closed hook runs exactly once per opened connection, on the thread that noticed the end:
// - a read that fails (peer closed, reset, time-out, over-long line) closes and runs it;
// - a write that fails marks the connection failed and shuts it down, which wakes a blocked reader
//   with end-of-stream; it runs the hook but leaves the closing to the reader or the owner;
// - close() runs it if nothing ran it before;
// - a read that ends because shutdown() was called neither closes nor runs it.
class LineTransport {
public:
    virtual ~LineTransport() = default;

    // Opens the connection; an open one is closed first. A time-out of 0 or less waits as long as the
    // system does. Raises SocketError or TimeoutError.
    virtual void connect(const std::string& host, int port, int timeoutMs) = 0;
    // Open and not failed.
    virtual bool isConnected() const = 0;
    virtual void writeLine(std::string_view line) = 0;
    // One line without its LF and one CR before it, within timeoutMs (0: no limit).
    virtual std::string readLine(int timeoutMs) = 0;
    // Reads up to maxLines lines, trims blanks from each, and returns the first non-empty one; empty
    // when all were empty. timeoutMs bounds the whole call; running out of it closes and raises.
    std::string readFirstNonEmptyLine(int maxLines, int timeoutMs);
    // Wakes a reader blocked on this connection; safe from any thread.
    virtual void shutdown() = 0;
    virtual void close() = 0;
    // When the peer has closed the connection: closes it, runs the hook and, with raise, throws
    // ConnectionClosedError. Lines already received are not a close.
    virtual void checkForDisconnect(bool raise) = 0;
    // Called after the connection ended (see above); not by the destructor.
    virtual void setClosedHook(std::function<void()> hook) = 0;

protected:
    LineTransport() = default;
    LineTransport(const LineTransport&) = delete;
    LineTransport& operator=(const LineTransport&) = delete;
};

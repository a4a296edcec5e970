#pragma once

#include "PeerLine.h"
#include "platform/LineConnection.h"

#include <atomic>
#include <memory>
#include <string>

// The server's end of a connection that a LineListener accepted, with what only test servers need.
class AcceptedConnection : public LineConnection, public PeerLine {
public:
    explicit AcceptedConnection(int connectedSocket) : LineConnection(connectedSocket) {}

    bool isConnected() const override { return LineConnection::isConnected(); }
    void writeLine(std::string_view line) override { LineConnection::writeLine(line); }
    void writeRaw(std::string_view bytes) override { LineConnection::writeRaw(bytes); }
    void close() override { LineConnection::close(); }
    // Closes with a reset (RST) instead of an orderly FIN; runs the hook.
    void abort() override { closeSocketAndNotify(true); }
    // Lets a server thread look up from its reads now and then.
    bool waitForData(int timeoutMs) override;
    std::string readLineRaw(int timeoutMs) override { return readTerminatedLine(timeoutMs); }
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
    std::unique_ptr<AcceptedConnection> accept(int timeoutMs);
    // Stops accepting; a waiting accept() returns null. Safe from any thread.
    void close();

private:
    std::atomic<int> m_fd{-1};
    int m_wakeFds[2] = {-1, -1};
    int m_port = 0;
};

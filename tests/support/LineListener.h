#pragma once

#include "PeerLine.h"
#include "platform/LineConnection.h"

#include <atomic>
#include <memory>
#include <string>

// The ports of a connected loopback socket's two ends.
struct SocketEnds {
    int local = 0;
    int peer = 0;
};
SocketEnds socketEnds(int connectedSocket);
// Waits until the client's end of a connection whose server end had these ports has taken the
// server's close or reset (it is no longer established), so that the client's next read or write
// meets it; the kernel hands the FIN or RST over on its own time. False after timeoutMs.
bool waitForClientToTakeClose(const SocketEnds& serverEnd, int timeoutMs);

// The server's end of a connection that a LineListener accepted, with what only test servers need.
// Its close and abort return once the client's end has taken them.
class AcceptedConnection : public LineConnection, public PeerLine {
public:
    explicit AcceptedConnection(int connectedSocket) : LineConnection(connectedSocket) {}

    bool isConnected() const override { return LineConnection::isConnected(); }
    void writeLine(std::string_view line) override { LineConnection::writeLine(line); }
    void writeRaw(std::string_view bytes) override { LineConnection::writeRaw(bytes); }
    void close() override { closeAndWaitForClient(false); }
    // Closes with a reset (RST) instead of an orderly FIN; runs the hook.
    void abort() override { closeAndWaitForClient(true); }
    // Lets a server thread look up from its reads now and then.
    bool waitForData(int timeoutMs) override;
    std::string readLineRaw(int timeoutMs) override { return readTerminatedLine(timeoutMs); }
    // Waits until the client's program has read every byte written here so far; false after timeoutMs.
    bool waitForClientToRead(int timeoutMs);

private:
    void closeAndWaitForClient(bool reset);
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

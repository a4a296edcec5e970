#pragma once

#include <string>
#include <string_view>

// The server's end of a test connection, over a real socket (AcceptedConnection) or in memory
// (MemoryPeer), so that a fake server serves both alike. Raises the LineTransport exceptions.
class PeerLine {
public:
    virtual ~PeerLine() = default;

    // Until this end closed or reset the connection.
    virtual bool isConnected() const = 0;
    virtual void writeLine(std::string_view line) = 0;
    virtual void writeRaw(std::string_view bytes) = 0;
    // The next line with its terminator as it arrived ("...\r\n" or "...\n").
    virtual std::string readLineRaw(int timeoutMs) = 0;
    // True when a line's bytes (or the client's close) are waiting within timeoutMs; never fails.
    virtual bool waitForData(int timeoutMs) = 0;
    // An orderly close (FIN).
    virtual void close() = 0;
    // A reset (RST), as a crashed server would.
    virtual void abort() = 0;
};

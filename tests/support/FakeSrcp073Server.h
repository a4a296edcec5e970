#pragma once

#include <array>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "support/Patience.h"

class LineConnection;

// A scripted "SRCP 0.73" server on 127.0.0.1: three listening ports, command on P, feedback poll on
// P+1 and info on P+2 (P chosen free). It records every byte it receives per channel, sends lines on
// demand, and can close or reset a connection or refuse a port.
class FakeSrcp073Server {
public:
    enum Channel { Command = 0, Poll = 1, Info = 2 };

    // The bound of the waits below: only a fault lets it pass.
    static constexpr int Patience = PatienceMs;

    FakeSrcp073Server();
    ~FakeSrcp073Server();
    FakeSrcp073Server(const FakeSrcp073Server&) = delete;
    FakeSrcp073Server& operator=(const FakeSrcp073Server&) = delete;

    int port() const { return m_basePort; }

    // Stops listening on the channel's port: connects from now on are refused.
    void refuse(Channel channel);

    // Everything received on the channel so far, over all its connections.
    std::string received(Channel channel) const;
    void clearReceived(Channel channel);
    // Waits until pred(received bytes) holds; false after the time-out.
    bool waitFor(Channel channel, const std::function<bool(const std::string&)>& pred,
                 int timeoutMs = Patience) const;
    bool waitReceived(Channel channel, const std::string& bytes, int timeoutMs = Patience) const;
    // What the command channel received since the last call (or clearReceived), made exact by a
    // fence line that this writes on client, the program's command connection, after it.
    std::string commandBytes(LineConnection& client);

    // Accepted connections so far, and whether one is open now.
    int connections(Channel channel) const;
    bool connected(Channel channel) const;
    bool waitConnected(Channel channel, int timeoutMs = Patience) const;
    bool waitDisconnected(Channel channel, int timeoutMs = Patience) const;

    // Writes raw bytes to the channel's open connection; false when none is open.
    bool send(Channel channel, const std::string& bytes);
    // Both return once the client's end has taken the close, so that its next read or write meets it.
    void closeConnection(Channel channel);
    // Closes with a reset (RST) instead of an orderly shutdown.
    void resetConnection(Channel channel);

private:
    void run();
    void wake();
    void dropClient(int channel, bool reset);

    int m_basePort = 0;
    std::array<int, 3> m_listen{-1, -1, -1};
    std::array<int, 3> m_client{-1, -1, -1};
    std::array<std::string, 3> m_received;
    std::array<int, 3> m_accepted{0, 0, 0};
    int m_wakePipe[2] = {-1, -1};
    bool m_stop = false;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::thread m_thread;
};

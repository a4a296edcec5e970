#pragma once

#include "LineListener.h"
#include "MemoryTransport.h"
#include "Patience.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A scripted SRCP 0.8.2 server on 127.0.0.1 with an ephemeral port, which also serves in-memory
// connections (memoryTransport()) alike. Every connection gets the welcome line, the handshake is answered
// line by line, and after "GO" each command line gets one reply from the script, the rule table or the
// defaults below. All replies are literal text given by the test.
//
// Defaults (used when neither script nor rule matches):
//   SET PROTOCOL SRCP <v>        -> "1000.000 201 OK PROTOCOL SRCP"
//   SET CONNECTIONMODE SRCP <m>  -> "1000.000 202 OK CONNECTIONMODE" (or as setConnectionModeReply says)
//   GO                           -> "1000.000 200 OK GO <id>"   (ids 1, 2, 3, ... per connection)
//   TERM 0 SESSION <id>          -> "1000.000 200 OK", then the server closes the connection (or, with
//                                   setTermClosesAtOnce, it closes without a reply)
//   GET <n> DESCRIPTION          -> the description of bus n, or "1000.000 416 ERROR no data"
//   INIT <n> GL <a> M|N <s> <f>  -> "1000.000 419 ERROR list too short" (no protocol version)
//   anything else                -> "1000.000 200 OK"
// An info connection gets, right after its GO reply, one description line per bus (0, 1, 2, ...),
// then the device states, then the INFO lines injected so far. A command a real server does not
// support goes unanswered: addPrefixRule(prefix, Reply::silence()).
class FakeSrcpServer {
public:
    // What the server does with one received line.
    struct Reply {
        enum class Kind { Lines, Silence, Close, Reset };
        Kind kind = Kind::Lines;
        std::vector<std::string> lines;

        static Reply send(std::vector<std::string> lines) { return {Kind::Lines, std::move(lines)}; }
        static Reply send(std::string line) { return {Kind::Lines, {std::move(line)}}; }
        static Reply silence() { return {Kind::Silence, {}}; }
        // Closes this connection gracefully (FIN) without a reply.
        static Reply close() { return {Kind::Close, {}}; }
        // Aborts this connection (RST) without a reply.
        static Reply reset() { return {Kind::Reset, {}}; }
    };

    // One accepted connection as the server saw it.
    struct Connection {
        std::string mode; // "COMMAND", "INFO" or empty before SET CONNECTIONMODE
        int sessionId = -1;
        std::string raw;                // every byte received, in order
        std::vector<std::string> lines; // the received lines without CR LF
        bool open = true;
    };

    // How long the waits below wait by default, and what tests give the waits and handshakes that
    // should succeed: a loaded machine may park a process for seconds.
    static constexpr int Patience = PatienceMs;

    FakeSrcpServer();
    ~FakeSrcpServer();
    FakeSrcpServer(const FakeSrcpServer&) = delete;
    FakeSrcpServer& operator=(const FakeSrcpServer&) = delete;

    int port() const { return m_listener.port(); }
    // A transport for a session whose every connect reaches this server in memory; the server keeps
    // no reference to it.
    std::unique_ptr<MemoryTransport> memoryTransport();

    // Sent to every new connection; default "srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3".
    void setWelcome(const std::string& line);
    // Group lists of buses 0, 1, 2, ... ("POWER GL GA FB TIME"); sent in rising order.
    void setBusDescriptions(const std::vector<std::string>& groupLists);
    // Whole INFO lines, one per device state the server knows; every info connection gets them.
    void setDeviceStates(const std::vector<std::string>& lines);
    // The words after "202 OK " in the reply to SET CONNECTIONMODE (some servers write
    // "CONNECTION MODE").
    void setConnectionModeReply(const std::string& words);
    // TERM 0 SESSION is answered by closing at once, without "200 OK".
    void setTermClosesAtOnce(bool atOnce);
    // A rule for a received line, exactly as received (without CR LF). Rules are tried in the order
    // they were added; a rule with once is used a single time. Rules also cover the handshake lines.
    void addRule(const std::string& line, Reply reply, bool once = false);
    // A rule for every received line that starts with prefix.
    void addPrefixRule(const std::string& prefix, Reply reply);
    // Replies for the next command lines after GO on command connections, in order; used before rules.
    void script(std::vector<Reply> replies);
    // While stalled the server records what it receives and sends nothing, not even the welcome.
    void setStalled(bool stalled);
    // The session id the next GO reply gives.
    void setNextSessionId(int id);

    // Sends an INFO line to every info connection past GO; kept for later ones when there is none.
    void injectInfo(const std::string& line);
    // Writes lines "<stamp> " + rest, with rising stamps, to every info connection until stopFlood()
    // or the connection goes; the server blocks in its write when the client does not read.
    void startFlood(const std::string& rest);
    void stopFlood();

    // Closes every connection (of that mode, "COMMAND" or "INFO") gracefully, or with a reset; both
    // return once the server's ends are closed (and a socket's client end has taken it).
    void closeConnections(const std::string& mode = "");
    void resetConnections();

    std::vector<Connection> connections() const;
    // The lines received on connections of that mode, in connection order.
    std::vector<std::string> linesOf(const std::string& mode) const;
    std::size_t connectionCount() const;
    // The lines the command connections received after their three handshake lines, in connection
    // order, less those an earlier call returned.
    std::vector<std::string> newCommandLines();
    // Waits (polling the recorded state) until pred holds; returns pred().
    bool waitUntil(const std::function<bool()>& pred, int timeoutMs = Patience) const;
    // Waits until connections of that mode have received at least count lines in total.
    bool waitForLines(const std::string& mode, std::size_t count, int timeoutMs = Patience) const;

private:
    struct Peer;
    struct Rule {
        std::string text;
        bool prefix = false;
        bool once = false;
        bool used = false;
        Reply reply;
    };

    void acceptLoop();
    void addPeer(std::unique_ptr<PeerLine> conn);
    void serve(std::shared_ptr<Peer> peer);
    Reply replyFor(Peer& peer, const std::string& line);
    void send(Peer& peer, const std::string& line);
    void afterGo(Peer& peer);
    // Asks the peers that match to close (or reset) and waits until their threads are done.
    void endPeers(const std::function<bool(const Peer&)>& match, bool reset);

    LineListener m_listener;
    mutable std::mutex m_mutex;
    std::string m_welcome = "srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3";
    std::vector<std::string> m_descriptions;
    std::vector<std::string> m_deviceStates;
    std::string m_modeReply = "CONNECTIONMODE";
    bool m_termClosesAtOnce = false;
    std::vector<Rule> m_rules;
    std::deque<Reply> m_script;
    std::vector<std::string> m_pendingInfo;
    std::vector<std::shared_ptr<Peer>> m_peers;
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_stopping{false};
    std::string m_floodRest;
    int m_nextSessionId = 1;
    std::size_t m_commandLinesTaken = 0;
    std::thread m_acceptThread;
};

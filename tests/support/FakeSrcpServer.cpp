#include "FakeSrcpServer.h"

#include <algorithm>
#include <cstddef>

namespace {

const char* const Stamp = "1000.000";

bool startsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const auto start = line.find_first_not_of(' ', pos);
        if (start == std::string::npos)
            break;
        auto end = line.find(' ', start);
        if (end == std::string::npos)
            end = line.size();
        out.push_back(line.substr(start, end - start));
        pos = end;
    }
    return out;
}

} // namespace

// One client connection; everything on it happens on its own thread, which alone reads, writes and
// closes the socket. Other threads leave requests here.
struct FakeSrcpServer::Peer {
    std::unique_ptr<PeerLine> conn;
    std::size_t index = 0; // position in m_peers and in the recorded connections
    Connection record;     // guarded by the server's mutex
    bool pastGo = false;
    bool closeAfterReply = false;
    std::vector<std::string> outbox; // guarded by the server's mutex
    std::atomic<bool> closeRequested{false};
    std::atomic<bool> resetRequested{false};
    std::string floodRest; // guarded by the server's mutex
    long floodCounter = 0;
    bool ended = false; // its thread is done with the connection; guarded by the server's mutex
};

FakeSrcpServer::FakeSrcpServer() : m_listener(0) {
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

FakeSrcpServer::~FakeSrcpServer() {
    m_stopping = true;
    m_listener.close();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    for (auto& t : m_threads)
        t.join();
}

void FakeSrcpServer::setWelcome(const std::string& line) {
    std::lock_guard lock(m_mutex);
    m_welcome = line;
}

void FakeSrcpServer::setBusDescriptions(const std::vector<std::string>& groupLists) {
    std::lock_guard lock(m_mutex);
    m_descriptions = groupLists;
}

void FakeSrcpServer::setDeviceStates(const std::vector<std::string>& lines) {
    std::lock_guard lock(m_mutex);
    m_deviceStates = lines;
}

void FakeSrcpServer::setConnectionModeReply(const std::string& words) {
    std::lock_guard lock(m_mutex);
    m_modeReply = words;
}

void FakeSrcpServer::setTermClosesAtOnce(bool atOnce) {
    std::lock_guard lock(m_mutex);
    m_termClosesAtOnce = atOnce;
}

void FakeSrcpServer::addRule(const std::string& line, Reply reply, bool once) {
    std::lock_guard lock(m_mutex);
    m_rules.push_back({line, false, once, false, std::move(reply)});
}

void FakeSrcpServer::addPrefixRule(const std::string& prefix, Reply reply) {
    std::lock_guard lock(m_mutex);
    m_rules.push_back({prefix, true, false, false, std::move(reply)});
}

void FakeSrcpServer::script(std::vector<Reply> replies) {
    std::lock_guard lock(m_mutex);
    for (auto& r : replies)
        m_script.push_back(std::move(r));
}

void FakeSrcpServer::setStalled(bool stalled) {
    m_stalled = stalled;
}

void FakeSrcpServer::setNextSessionId(int id) {
    std::lock_guard lock(m_mutex);
    m_nextSessionId = id;
}

void FakeSrcpServer::injectInfo(const std::string& line) {
    std::lock_guard lock(m_mutex);
    bool delivered = false;
    for (auto& peer : m_peers) {
        if (peer->record.open && peer->record.mode == "INFO" && peer->pastGo) {
            peer->outbox.push_back(line);
            delivered = true;
        }
    }
    if (!delivered)
        m_pendingInfo.push_back(line);
}

void FakeSrcpServer::startFlood(const std::string& rest) {
    std::lock_guard lock(m_mutex);
    for (auto& peer : m_peers)
        if (peer->record.open && peer->record.mode == "INFO")
            peer->floodRest = rest;
    m_floodRest = rest;
}

void FakeSrcpServer::stopFlood() {
    std::lock_guard lock(m_mutex);
    for (auto& peer : m_peers)
        peer->floodRest.clear();
    m_floodRest.clear();
}

void FakeSrcpServer::closeConnections(const std::string& mode) {
    endPeers([&](const Peer& peer) { return mode.empty() || peer.record.mode == mode; }, false);
}

void FakeSrcpServer::resetConnections() {
    endPeers([](const Peer&) { return true; }, true);
}

void FakeSrcpServer::endPeers(const std::function<bool(const Peer&)>& match, bool reset) {
    std::vector<std::shared_ptr<Peer>> ending;
    {
        std::lock_guard lock(m_mutex);
        for (auto& peer : m_peers) {
            if (!match(*peer))
                continue;
            (reset ? peer->resetRequested : peer->closeRequested) = true;
            ending.push_back(peer);
        }
    }
    waitUntil([&] {
        std::lock_guard lock(m_mutex);
        return std::all_of(ending.begin(), ending.end(), [](const auto& peer) { return peer->ended; });
    });
}

std::vector<FakeSrcpServer::Connection> FakeSrcpServer::connections() const {
    std::lock_guard lock(m_mutex);
    std::vector<Connection> out;
    for (const auto& peer : m_peers)
        out.push_back(peer->record);
    return out;
}

std::vector<std::string> FakeSrcpServer::linesOf(const std::string& mode) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> out;
    for (const auto& peer : m_peers)
        if (peer->record.mode == mode)
            out.insert(out.end(), peer->record.lines.begin(), peer->record.lines.end());
    return out;
}

std::size_t FakeSrcpServer::connectionCount() const {
    std::lock_guard lock(m_mutex);
    return m_peers.size();
}

std::vector<std::string> FakeSrcpServer::newCommandLines() {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> all;
    for (const auto& peer : m_peers)
        if (peer->record.mode == "COMMAND")
            for (std::size_t i = 3; i < peer->record.lines.size(); ++i)
                all.push_back(peer->record.lines[i]);
    std::vector<std::string> fresh(
        all.begin() + static_cast<std::ptrdiff_t>(std::min(m_commandLinesTaken, all.size())), all.end());
    m_commandLinesTaken = all.size();
    return fresh;
}

bool FakeSrcpServer::waitUntil(const std::function<bool()>& pred, int timeoutMs) const {
    return ::waitUntil(pred, timeoutMs);
}

bool FakeSrcpServer::waitForLines(const std::string& mode, std::size_t count, int timeoutMs) const {
    return waitUntil([&] { return linesOf(mode).size() >= count; }, timeoutMs);
}

void FakeSrcpServer::acceptLoop() {
    while (!m_stopping) {
        auto conn = m_listener.accept(-1);
        if (!conn)
            return;
        conn->setWriteTimeout(2000);
        addPeer(std::move(conn));
    }
}

void FakeSrcpServer::addPeer(std::unique_ptr<PeerLine> conn) {
    auto peer = std::make_shared<Peer>();
    peer->conn = std::move(conn);
    std::lock_guard lock(m_mutex);
    peer->index = m_peers.size();
    m_peers.push_back(peer);
    m_threads.emplace_back([this, peer] { serve(peer); });
}

std::unique_ptr<MemoryTransport> FakeSrcpServer::memoryTransport() {
    return std::make_unique<MemoryTransport>([this]() -> std::shared_ptr<MemoryPipe> {
        if (m_stopping)
            return nullptr;
        auto pipe = std::make_shared<MemoryPipe>();
        addPeer(std::make_unique<MemoryPeer>(pipe));
        return pipe;
    });
}

void FakeSrcpServer::send(Peer& peer, const std::string& line) {
    peer.conn->writeLine(line);
}

void FakeSrcpServer::afterGo(Peer& peer) {
    std::vector<std::string> lines;
    {
        std::lock_guard lock(m_mutex);
        peer.pastGo = true;
        if (peer.record.mode != "INFO")
            return;
        for (std::size_t bus = 0; bus < m_descriptions.size(); ++bus)
            lines.push_back(std::string(Stamp) + " 100 INFO " + std::to_string(bus) + " DESCRIPTION " +
                            m_descriptions[bus]);
        lines.insert(lines.end(), m_deviceStates.begin(), m_deviceStates.end());
        lines.insert(lines.end(), m_pendingInfo.begin(), m_pendingInfo.end());
        m_pendingInfo.clear();
        peer.floodRest = m_floodRest;
    }
    for (const auto& line : lines)
        send(peer, line);
}

FakeSrcpServer::Reply FakeSrcpServer::replyFor(Peer& peer, const std::string& line) {
    const auto w = words(line);
    std::lock_guard lock(m_mutex);
    if (w.size() == 4 && w[0] == "SET" && w[1] == "CONNECTIONMODE")
        peer.record.mode = w[3];
    if (peer.pastGo && peer.record.mode == "COMMAND" && !m_script.empty()) {
        Reply r = std::move(m_script.front());
        m_script.pop_front();
        return r;
    }
    for (auto& rule : m_rules) {
        if (rule.used)
            continue;
        if (rule.prefix ? startsWith(line, rule.text) : line == rule.text) {
            if (rule.once)
                rule.used = true;
            if (line == "GO")
                peer.record.sessionId = m_nextSessionId++;
            return rule.reply;
        }
    }
    const std::string ok = std::string(Stamp) + " 200 OK";
    if (w.size() == 4 && w[0] == "SET" && w[1] == "PROTOCOL")
        return Reply::send(std::string(Stamp) + " 201 OK PROTOCOL SRCP");
    if (w.size() == 4 && w[0] == "SET" && w[1] == "CONNECTIONMODE")
        return Reply::send(std::string(Stamp) + " 202 OK " + m_modeReply);
    if (line == "GO") {
        peer.record.sessionId = m_nextSessionId++;
        return Reply::send(std::string(Stamp) + " 200 OK GO " + std::to_string(peer.record.sessionId));
    }
    if (w.size() == 4 && w[0] == "TERM" && w[2] == "SESSION") {
        if (m_termClosesAtOnce)
            return Reply::close();
        peer.closeAfterReply = true;
        return Reply::send(ok);
    }
    if (w.size() == 7 && w[0] == "INIT" && w[2] == "GL" && (w[4] == "M" || w[4] == "N"))
        return Reply::send(std::string(Stamp) + " 419 ERROR list too short");
    if (w.size() == 3 && w[0] == "GET" && w[2] == "DESCRIPTION") {
        for (std::size_t bus = 0; bus < m_descriptions.size(); ++bus)
            if (w[1] == std::to_string(bus))
                return Reply::send(std::string(Stamp) + " 100 INFO " + w[1] + " DESCRIPTION " +
                                   m_descriptions[bus]);
        return Reply::send(std::string(Stamp) + " 416 ERROR no data");
    }
    return Reply::send(ok);
}

void FakeSrcpServer::serve(std::shared_ptr<Peer> peer) {
    PeerLine& conn = *peer->conn;
    // A close of ours is recorded before the client can see it, so that a line injected after the
    // client noticed goes to its next connection and not to this one.
    auto closeHere = [&](bool reset) {
        {
            std::lock_guard lock(m_mutex);
            peer->record.open = false;
        }
        if (reset)
            conn.abort();
        else
            conn.close();
    };
    try {
        std::string welcome;
        {
            std::lock_guard lock(m_mutex);
            welcome = m_welcome;
        }
        if (!m_stalled)
            send(*peer, welcome);
        while (!m_stopping && conn.isConnected()) {
            if (peer->resetRequested) {
                closeHere(true);
                break;
            }
            if (peer->closeRequested) {
                closeHere(false);
                break;
            }
            std::vector<std::string> out;
            std::string floodRest;
            {
                std::lock_guard lock(m_mutex);
                out.swap(peer->outbox);
                floodRest = peer->floodRest;
            }
            if (!m_stalled) {
                for (const auto& line : out)
                    send(*peer, line);
                for (int i = 0; i < 32 && !floodRest.empty(); ++i)
                    send(*peer, std::to_string(1000 + ++peer->floodCounter) + ".000 " + floodRest);
            }
            if (!conn.waitForData(floodRest.empty() ? 5 : 0))
                continue;
            std::string raw = conn.readLineRaw(Patience);
            std::string line = raw.substr(0, raw.size() - 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            {
                std::lock_guard lock(m_mutex);
                peer->record.raw += raw;
                peer->record.lines.push_back(line);
            }
            Reply reply = replyFor(*peer, line);
            if (m_stalled)
                continue;
            if (reply.kind == Reply::Kind::Reset) {
                closeHere(true);
                break;
            }
            if (reply.kind == Reply::Kind::Close) {
                closeHere(false);
                break;
            }
            bool goOk = false;
            for (const auto& r : reply.lines) {
                send(*peer, r);
                goOk = goOk || (line == "GO" && r.find(" 200 OK GO ") != std::string::npos);
            }
            if (goOk)
                afterGo(*peer);
            if (peer->closeAfterReply) {
                closeHere(false);
                break;
            }
        }
    } catch (const LineConnectionError&) {
        // The client went away; the record keeps what arrived.
    }
    std::lock_guard lock(m_mutex);
    peer->record.open = false;
    peer->ended = true;
}

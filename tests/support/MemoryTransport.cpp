#include "MemoryTransport.h"

#include "platform/LineConnection.h"

#include <cerrno>
#include <chrono>

namespace {

std::string takeLine(std::string& buffer, std::size_t lf) {
    std::string line = buffer.substr(0, lf + 1);
    buffer.erase(0, lf + 1);
    return line;
}

} // namespace

// ---- the client's end ----

MemoryTransport::MemoryTransport(Dialer dial) : m_dial(std::move(dial)) {}

MemoryTransport::~MemoryTransport() {
    closePipe(true);
}

std::shared_ptr<MemoryPipe> MemoryTransport::pipe() const {
    std::lock_guard lock(m_pipeMutex);
    return m_pipe;
}

void MemoryTransport::runClosedHookOnce() {
    if (m_hookDue.exchange(false) && m_closedHook)
        m_closedHook();
}

// The server reads end-of-stream from here on.
void MemoryTransport::closePipe(bool notify) {
    if (auto p = pipe()) {
        std::lock_guard lock(p->mutex);
        p->clientClosed = true;
        if (notify)
            p->changed.notify_all();
    }
}

void MemoryTransport::connect(const std::string&, int, int) {
    close();
    auto p = m_dial ? m_dial() : nullptr;
    if (!p)
        throw SocketError("connect: Connection refused", ECONNREFUSED);
    {
        std::lock_guard lock(m_pipeMutex);
        m_pipe = std::move(p);
    }
    m_failed = false;
    m_shutdown = false;
    m_hookDue = true;
    m_open = true;
    ++m_connects;
}

void MemoryTransport::setStalled(bool stalled) {
    m_stalled = stalled;
    if (auto p = pipe()) {
        std::lock_guard lock(p->mutex);
        p->changed.notify_all();
    }
}

template <class Error> void MemoryTransport::failRead(const Error& error) {
    close();
    throw error;
}

template <class Error> void MemoryTransport::failWrite(const Error& error) {
    m_failed = true;
    m_shutdown = true;
    closePipe(true);
    runClosedHookOnce();
    throw error;
}

void MemoryTransport::writeLine(std::string_view line) {
    auto p = pipe();
    if (!p || !m_open || m_failed)
        throw ConnectionClosedError("not connected");
    std::string bytes(line);
    bytes += "\r\n";
    std::unique_lock lock(p->mutex);
    if (m_stalled) {
        const bool moved = p->changed.wait_for(lock, std::chrono::milliseconds(m_writeTimeoutMs.load()),
                                               [&] { return !m_stalled || m_shutdown; });
        if (!moved) {
            lock.unlock();
            failWrite(TimeoutError("write: peer takes no data"));
        }
    }
    if (m_shutdown)
        throw ConnectionClosedError("connection shut down");
    if (p->serverReset) {
        lock.unlock();
        failWrite(SocketError("write: Connection reset by peer", ECONNRESET));
    }
    const long long budget = m_writeBudget.load();
    if (budget >= 0 && static_cast<long long>(bytes.size()) > budget) {
        p->toServer.append(bytes, 0, static_cast<std::size_t>(budget));
        m_writeBudget = 0;
        lock.unlock();
        failWrite(SocketError("write: Connection reset by peer", ECONNRESET));
    }
    if (budget >= 0)
        m_writeBudget = budget - static_cast<long long>(bytes.size());
    p->toServer += bytes;
    p->changed.notify_all();
}

std::string MemoryTransport::readLine(int timeoutMs) {
    auto p = pipe();
    if (!p || !m_open)
        throw ConnectionClosedError("not connected");
    std::unique_lock lock(p->mutex);
    // As on a socket, a line may not grow beyond the bound.
    constexpr std::size_t bound = LineConnection::MaxLineLength;
    const auto ready = [&] {
        return p->toClient.find('\n') != std::string::npos || p->toClient.size() > bound + 1 ||
               p->serverClosed || p->serverReset || m_shutdown;
    };
    if (timeoutMs > 0) {
        if (!p->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
            lock.unlock();
            failRead(TimeoutError("read: no line within " + std::to_string(timeoutMs) + " ms"));
        }
    } else {
        p->changed.wait(lock, ready);
    }
    const auto lf = p->toClient.find('\n');
    const std::size_t length = lf == std::string::npos ? p->toClient.size() : lf;
    if (length > bound && (length > bound + 1 || p->toClient[bound] != '\r')) {
        lock.unlock();
        failRead(SocketError("read: line longer than 65536 bytes: Message too long", EMSGSIZE));
    }
    if (lf != std::string::npos) {
        std::string line = takeLine(p->toClient, lf);
        line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return line;
    }
    if (m_shutdown)
        throw ConnectionClosedError("connection shut down");
    const bool reset = p->serverReset;
    lock.unlock();
    if (reset)
        failRead(SocketError("read: Connection reset by peer", ECONNRESET));
    failRead(ConnectionClosedError("connection closed by peer"));
}

void MemoryTransport::shutdown() {
    m_shutdown = true;
    closePipe(true);
}

void MemoryTransport::close() {
    if (m_open.exchange(false))
        closePipe(true);
    runClosedHookOnce();
}

void MemoryTransport::checkForDisconnect(bool raise) {
    auto p = pipe();
    if (!p || !m_open || m_shutdown)
        return;
    bool closed = false;
    {
        std::lock_guard lock(p->mutex);
        closed = p->toClient.empty() && (p->serverClosed || p->serverReset);
    }
    if (!closed)
        return;
    close();
    if (raise)
        throw ConnectionClosedError("connection closed by peer");
}

// ---- the server's end ----

bool MemoryPeer::isConnected() const {
    std::lock_guard lock(m_pipe->mutex);
    return !m_pipe->serverClosed && !m_pipe->serverReset;
}

void MemoryPeer::writeLine(std::string_view line) {
    std::string bytes(line);
    bytes += "\r\n";
    writeRaw(bytes);
}

void MemoryPeer::writeRaw(std::string_view bytes) {
    std::lock_guard lock(m_pipe->mutex);
    if (m_pipe->serverClosed || m_pipe->serverReset)
        throw ConnectionClosedError("not connected");
    if (m_pipe->clientClosed)
        throw ConnectionClosedError("write: Broken pipe");
    m_pipe->toClient.append(bytes);
    m_pipe->changed.notify_all();
}

std::string MemoryPeer::readLineRaw(int timeoutMs) {
    std::unique_lock lock(m_pipe->mutex);
    const auto ready = [&] {
        return m_pipe->toServer.find('\n') != std::string::npos || m_pipe->clientClosed ||
               m_pipe->serverClosed || m_pipe->serverReset;
    };
    if (timeoutMs > 0) {
        if (!m_pipe->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
            throw TimeoutError("read: no line within " + std::to_string(timeoutMs) + " ms");
    } else {
        m_pipe->changed.wait(lock, ready);
    }
    const auto lf = m_pipe->toServer.find('\n');
    if (lf != std::string::npos)
        return takeLine(m_pipe->toServer, lf);
    throw ConnectionClosedError("connection closed by peer");
}

bool MemoryPeer::waitForData(int timeoutMs) {
    std::unique_lock lock(m_pipe->mutex);
    return m_pipe->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0),
                                    [&] { return !m_pipe->toServer.empty() || m_pipe->clientClosed; });
}

void MemoryPeer::close() {
    std::lock_guard lock(m_pipe->mutex);
    m_pipe->serverClosed = true;
    m_pipe->changed.notify_all();
}

void MemoryPeer::abort() {
    std::lock_guard lock(m_pipe->mutex);
    m_pipe->serverReset = true;
    m_pipe->toClient.clear();
    m_pipe->changed.notify_all();
}

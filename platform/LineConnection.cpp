#include "platform/LineConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::string errnoText(const std::string& what, int code) {
    return what + ": " + std::strerror(code);
}

// Milliseconds left until deadline for poll(): -1 waits without limit.
int remainingMs(bool limited, Clock::time_point deadline) {
    if (!limited)
        return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Opens one socket to one address within the time-out; returns the descriptor or throws.
int connectOne(const addrinfo* ai, int timeoutMs, bool limited, Clock::time_point deadline) {
    const int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0)
        throw SocketError(errnoText("socket", errno), errno);
    setNonBlocking(fd);
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        const int code = errno;
        ::close(fd);
        throw SocketError(errnoText("connect", code), code);
    }
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int rc = ::poll(&p, 1, remainingMs(limited, deadline));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc < 0) {
            const int code = errno;
            ::close(fd);
            throw SocketError(errnoText("poll", code), code);
        }
        if (rc == 0) {
            ::close(fd);
            throw TimeoutError("connect: no answer within " + std::to_string(timeoutMs) + " ms");
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
        if (soError != 0) {
            ::close(fd);
            throw SocketError(errnoText("connect", soError), soError);
        }
        return fd;
    }
}

std::mutex g_lookupMutex;
HostLookup g_lookup;
std::atomic<int> g_lookupsRunning{0};

HostLookup currentHostLookup() {
    std::lock_guard lock(g_lookupMutex);
    return g_lookup ? g_lookup : HostLookup(::getaddrinfo);
}

SocketError lookupError(const std::string& node, int rc, int error) {
    return SocketError("host " + node + ": " + ::gai_strerror(rc), rc == EAI_SYSTEM ? error : 0);
}

SocketError overLongLine() {
    return SocketError(
        errnoText("read: line longer than " + std::to_string(LineConnection::MaxLineLength) + " bytes",
                  EMSGSIZE),
        EMSGSIZE);
}

} // namespace

class LineConnection::DescriptorUse {
public:
    explicit DescriptorUse(LineConnection& c) : m_c(c) {
        std::lock_guard lock(m_c.m_mutex);
        fd = m_c.m_fd.load();
        if (fd >= 0)
            ++m_c.m_users;
    }
    ~DescriptorUse() {
        if (fd < 0)
            return;
        std::lock_guard lock(m_c.m_mutex);
        if (--m_c.m_users == 0 && m_c.m_releaseWhenUnused >= 0) {
            ::close(m_c.m_releaseWhenUnused);
            m_c.m_releaseWhenUnused = -1;
        }
    }
    DescriptorUse(const DescriptorUse&) = delete;
    DescriptorUse& operator=(const DescriptorUse&) = delete;

    int fd = -1;

private:
    LineConnection& m_c;
};

// What the look-up thread hands over. The list is freed by whoever holds the last reference and has
// not taken it: a look-up given up on frees its own late answer.
struct LineConnection::PendingLookup {
    std::string node;
    std::string service;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int rc = 0;
    int error = 0;
    addrinfo* list = nullptr;

    ~PendingLookup() {
        if (list)
            ::freeaddrinfo(list);
    }
};

void setHostLookup(HostLookup lookup) {
    std::lock_guard lock(g_lookupMutex);
    g_lookup = std::move(lookup);
}

int hostLookupsRunning() {
    return g_lookupsRunning.load();
}

// A name is looked up on a thread of its own, waited for until deadline when limited (the resolver
// may take far longer: several servers, each with retries). Only one runs per connection, so that
// connecting again and again to a resolver that does not answer cannot pile up threads.
LineConnection::AddressList LineConnection::lookUp(const char* node, const std::string& service, bool limited,
                                                   Clock::time_point deadline, int timeoutMs) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* numeric = nullptr;
    if (::getaddrinfo(node, service.c_str(), &hints, &numeric) == 0)
        return {numeric, ::freeaddrinfo};
    hints.ai_flags = 0;

    const auto waitFor = [&](PendingLookup& pending, std::unique_lock<std::mutex>& lock) {
        const auto finished = [&] { return pending.finished; };
        if (!limited) {
            pending.done.wait(lock, finished);
        } else if (!pending.done.wait_until(lock, deadline, finished)) {
            throw TimeoutError(std::string("host ") + node + ": no address within " +
                               std::to_string(timeoutMs) + " ms");
        }
    };
    if (m_lookup) {
        std::unique_lock lock(m_lookup->mutex);
        const bool sameName = m_lookup->node == node && m_lookup->service == service;
        // The one look-up this connection may run is busy with another name: it has to end first.
        if (!sameName)
            waitFor(*m_lookup, lock);
        if (!sameName || (m_lookup->finished && m_lookup->rc != 0)) {
            lock.unlock();
            m_lookup.reset();
        }
    }
    if (!m_lookup) {
        auto pending = std::make_shared<PendingLookup>();
        pending->node = node;
        pending->service = service;
        ++g_lookupsRunning;
        try {
            std::thread([pending, lookup = currentHostLookup(), hints] {
                addrinfo* found = nullptr;
                const int rc = lookup(pending->node.c_str(), pending->service.c_str(), &hints, &found);
                const int error = errno;
                {
                    std::lock_guard lock(pending->mutex);
                    pending->finished = true;
                    pending->rc = rc;
                    pending->error = error;
                    pending->list = rc == 0 ? found : nullptr;
                    pending->done.notify_all();
                }
                --g_lookupsRunning;
            }).detach();
        } catch (...) {
            --g_lookupsRunning;
            throw;
        }
        m_lookup = std::move(pending);
    }

    const std::shared_ptr<PendingLookup> pending = m_lookup;
    std::unique_lock lock(pending->mutex);
    // Left running on a time-out: the next connect waits for it again.
    waitFor(*pending, lock);
    m_lookup.reset();
    if (pending->rc != 0)
        throw lookupError(node, pending->rc, pending->error);
    AddressList list(pending->list, ::freeaddrinfo);
    pending->list = nullptr;
    return list;
}

LineConnection::LineConnection() = default;

LineConnection::LineConnection(int connectedSocket) {
    setNonBlocking(connectedSocket);
    setOpen(connectedSocket);
}

LineConnection::~LineConnection() {
    closeSocket(false);
}

void LineConnection::setOpen(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_buffer.clear();
    std::lock_guard lock(m_mutex);
    m_shutdownRequested = false;
    m_failed = false;
    m_hookDue = true;
    m_fd = fd;
}

void LineConnection::connect(const std::string& host, int port, int timeoutMs) {
    m_host = host;
    m_port = port;
    connect(timeoutMs);
}

void LineConnection::connect(int timeoutMs) {
    close();
    if (m_port <= 0 || m_port > 65535)
        throw SocketError("connect: invalid port " + std::to_string(m_port), EINVAL);
    // The resolver reads the name up to its first NUL: "localhost\0x" would reach another host.
    if (m_host.find('\0') != std::string::npos)
        throw SocketError("connect: the host name holds a NUL byte", EINVAL);
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);

    const std::string service = std::to_string(m_port);
    const char* node = m_host.empty() ? "localhost" : m_host.c_str();
    const AddressList list = lookUp(node, service, limited, deadline, timeoutMs);

    // Try every address; the last failure is what the caller sees. A time-out ends the search, since
    // the time is used up.
    std::exception_ptr last;
    for (const addrinfo* ai = list.get(); ai; ai = ai->ai_next) {
        try {
            setOpen(connectOne(ai, timeoutMs, limited, deadline));
            return;
        } catch (const SocketError&) {
            last = std::current_exception();
        }
    }
    if (last)
        std::rethrow_exception(last);
    throw SocketError(std::string("host ") + node + ": no address", 0);
}

bool LineConnection::closeSocket(bool reset) {
    std::lock_guard lock(m_mutex);
    const int fd = m_fd.load();
    if (fd < 0)
        return false;
    if (reset) {
        linger lg{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    }
    m_fd = -1;
    if (m_users > 0) {
        // Wakes the call that still uses it; the number is released when that call is done.
        ::shutdown(fd, SHUT_RDWR);
        m_releaseWhenUnused = fd;
    } else {
        ::close(fd);
    }
    return true;
}

void LineConnection::runClosedHookOnce() {
    if (m_hookDue.exchange(false) && m_closedHook)
        m_closedHook();
}

void LineConnection::close() {
    closeSocket(false);
    runClosedHookOnce();
}

void LineConnection::closeSocketAndNotify(bool reset) {
    closeSocket(reset);
    runClosedHookOnce();
}

void LineConnection::shutdown() {
    std::lock_guard lock(m_mutex);
    m_shutdownRequested = true;
    const int fd = m_fd.load();
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
}

int LineConnection::callsInProgress() const {
    std::lock_guard lock(m_mutex);
    return m_users;
}

template <class Error> void LineConnection::failRead(const Error& error) {
    close();
    throw error;
}

template <class Error> void LineConnection::failWrite(const Error& error) {
    {
        std::lock_guard lock(m_mutex);
        m_failed = true;
        m_shutdownRequested = true;
        const int fd = m_fd.load();
        if (fd >= 0)
            ::shutdown(fd, SHUT_RDWR);
    }
    runClosedHookOnce();
    throw error;
}

void LineConnection::writeLine(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size() + 2);
    bytes.append(line);
    bytes.append("\r\n");
    writeRaw(bytes);
}

void LineConnection::writeRaw(std::string_view bytes) {
    const bool limited = m_writeTimeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? m_writeTimeoutMs : 0);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (m_failed)
            throw ConnectionClosedError("connection failed");
        DescriptorUse use(*this);
        if (use.fd < 0)
            throw ConnectionClosedError("not connected");
        const ssize_t n =
            ::send(use.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        const int code = errno;
        if (n < 0 && code == EINTR)
            continue;
        if (n < 0 && (code == EAGAIN || code == EWOULDBLOCK)) {
            pollfd p{use.fd, POLLOUT, 0};
            const int rc = ::poll(&p, 1, remainingMs(limited, deadline));
            if (rc == 0)
                failWrite(TimeoutError("write: peer takes no data"));
            continue;
        }
        if (m_shutdownRequested)
            throw ConnectionClosedError("connection shut down");
        if (code == EPIPE)
            failWrite(ConnectionClosedError(errnoText("write", code)));
        failWrite(SocketError(errnoText("write", code), code));
    }
}

std::size_t LineConnection::waitForLine(int timeoutMs) {
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    std::size_t searched = 0;
    for (;;) {
        const auto lf = m_buffer.find('\n', searched);
        if (lf != std::string::npos)
            return lf;
        searched = m_buffer.size();
        // Room for the longest line plus its CR; anything longer can no longer be a line we take.
        if (m_buffer.size() > MaxLineLength + 1)
            failRead(overLongLine());
        DescriptorUse use(*this);
        if (use.fd < 0)
            throw ConnectionClosedError("not connected");
        pollfd p{use.fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, remainingMs(limited, deadline));
        if (rc < 0) {
            const int code = errno;
            if (code == EINTR)
                continue;
            failRead(SocketError(errnoText("poll", code), code));
        }
        if (rc == 0)
            failRead(TimeoutError("read: no line within " + std::to_string(timeoutMs) + " ms"));
        char chunk[4096];
        const std::size_t room = MaxLineLength + 2 - m_buffer.size();
        const ssize_t n = ::recv(use.fd, chunk, std::min(sizeof chunk, room), 0);
        if (n > 0) {
            m_buffer.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        const int code = errno;
        if (n < 0 && (code == EINTR || code == EAGAIN || code == EWOULDBLOCK))
            continue;
        // Our own shutdown (a stop, or a write that failed): the owner closes after joining us.
        if (m_shutdownRequested)
            throw ConnectionClosedError("connection shut down");
        if (n == 0)
            failRead(ConnectionClosedError("connection closed by peer"));
        failRead(SocketError(errnoText("read", code), code));
    }
}

std::string LineConnection::readTerminatedLine(int timeoutMs) {
    // A closed connection has nothing more to give, whatever was left in the buffer.
    if (m_fd.load() < 0)
        throw ConnectionClosedError("not connected");
    const std::size_t lf = waitForLine(timeoutMs);
    const std::size_t contentLength = (lf > 0 && m_buffer[lf - 1] == '\r') ? lf - 1 : lf;
    if (contentLength > MaxLineLength)
        failRead(overLongLine());
    std::string line = m_buffer.substr(0, lf + 1);
    m_buffer.erase(0, lf + 1);
    return line;
}

std::string LineConnection::readLine(int timeoutMs) {
    std::string line = readTerminatedLine(timeoutMs);
    line.pop_back();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string LineConnection::readLine() {
    return readLine(m_readTimeoutMs);
}

void LineConnection::checkForDisconnect(bool raise) {
    if (!m_buffer.empty() || m_shutdownRequested)
        return;
    bool closed = false;
    {
        DescriptorUse use(*this);
        if (use.fd < 0)
            return;
        char probe;
        const ssize_t n = ::recv(use.fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    }
    if (!closed)
        return;
    close();
    if (raise)
        throw ConnectionClosedError("connection closed by peer");
}

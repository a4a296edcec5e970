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
#include <cstring>
#include <exception>

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

std::string trimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
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

} // namespace

LineConnection::LineConnection() = default;

LineConnection::LineConnection(int acceptedFd) {
    setNonBlocking(acceptedFd);
    setOpen(acceptedFd);
}

LineConnection::~LineConnection() {
    closeSocket(false);
}

void LineConnection::setOpen(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::lock_guard lock(m_mutex);
    m_buffer.clear();
    m_shutdownRequested = false;
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
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(m_port);
    const char* node = m_host.empty() ? "localhost" : m_host.c_str();
    const int rc = ::getaddrinfo(node, service.c_str(), &hints, &list);
    if (rc != 0)
        throw SocketError(std::string("host ") + node + ": " + ::gai_strerror(rc),
                          rc == EAI_SYSTEM ? errno : 0);
    std::unique_ptr<addrinfo, void (*)(addrinfo*)> guard(list, ::freeaddrinfo);

    // Try every address; the last failure is what the caller sees. A time-out ends the search, since
    // the time is used up.
    std::exception_ptr last;
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
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
    ::close(fd);
    m_buffer.clear();
    return true;
}

void LineConnection::close() {
    // Only the call that closed the socket runs the hook.
    if (closeSocket(false) && m_closedHook)
        m_closedHook();
}

void LineConnection::abort() {
    if (closeSocket(true) && m_closedHook)
        m_closedHook();
}

void LineConnection::shutdown() {
    std::lock_guard lock(m_mutex);
    m_shutdownRequested = true;
    const int fd = m_fd.load();
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
}

template <class Error> void LineConnection::fail(const Error& error) {
    close();
    throw error;
}

void LineConnection::failSocket(const std::string& what, int code) {
    fail(SocketError(errnoText(what, code), code));
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
        const int fd = m_fd.load();
        if (fd < 0)
            throw ConnectionClosedError("not connected");
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        const int code = errno;
        if (n < 0 && code == EINTR)
            continue;
        if (n < 0 && (code == EAGAIN || code == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            const int rc = ::poll(&p, 1, remainingMs(limited, deadline));
            if (rc == 0)
                fail(TimeoutError("write: peer takes no data"));
            continue;
        }
        if (m_shutdownRequested)
            throw ConnectionClosedError("connection shut down");
        if (code == EPIPE)
            fail(ConnectionClosedError(errnoText("write", code)));
        failSocket("write", code);
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
            failSocket("read: line longer than " + std::to_string(MaxLineLength) + " bytes", EMSGSIZE);
        const int fd = m_fd.load();
        if (fd < 0)
            throw ConnectionClosedError("not connected");
        pollfd p{fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, remainingMs(limited, deadline));
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            failSocket("poll", errno);
        }
        if (rc == 0)
            fail(TimeoutError("read: no line within " + std::to_string(timeoutMs) + " ms"));
        char chunk[4096];
        const std::size_t room = MaxLineLength + 2 - m_buffer.size();
        const ssize_t n = ::recv(fd, chunk, std::min(sizeof chunk, room), 0);
        if (n > 0) {
            m_buffer.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        const int code = errno;
        if (n < 0 && (code == EINTR || code == EAGAIN || code == EWOULDBLOCK))
            continue;
        if (m_shutdownRequested)
            throw ConnectionClosedError("connection shut down");
        if (n == 0)
            fail(ConnectionClosedError("connection closed by peer"));
        failSocket("read", code);
    }
}

std::string LineConnection::readLineRaw(int timeoutMs) {
    const std::size_t lf = waitForLine(timeoutMs);
    const std::size_t contentLength = (lf > 0 && m_buffer[lf - 1] == '\r') ? lf - 1 : lf;
    if (contentLength > MaxLineLength)
        failSocket("read: line longer than " + std::to_string(MaxLineLength) + " bytes", EMSGSIZE);
    std::string line = m_buffer.substr(0, lf + 1);
    m_buffer.erase(0, lf + 1);
    return line;
}

std::string LineConnection::readLine(int timeoutMs) {
    std::string line = readLineRaw(timeoutMs);
    line.pop_back();
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string LineConnection::readLine() {
    return readLine(m_readTimeoutMs);
}

std::string LineConnection::readFirstNonEmptyLine(int maxLines, int timeoutMs) {
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (int i = 0; i < maxLines; ++i) {
        int left = 0;
        if (limited) {
            left = remainingMs(true, deadline);
            if (left == 0)
                fail(TimeoutError("read: no line within " + std::to_string(timeoutMs) + " ms"));
        }
        std::string line;
        try {
            line = trimBlanks(readLine(left));
        } catch (const TimeoutError&) {
            // Closed already; the caller's bound is the one to name, not what was left of it.
            throw TimeoutError("read: no line within " + std::to_string(timeoutMs) + " ms");
        }
        if (!line.empty())
            return line;
    }
    return {};
}

bool LineConnection::waitForData(int timeoutMs) {
    if (!m_buffer.empty())
        return true;
    const int fd = m_fd.load();
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
}

void LineConnection::checkForDisconnect(bool raise) {
    const int fd = m_fd.load();
    if (fd < 0 || !m_buffer.empty() || m_shutdownRequested)
        return;
    char probe;
    const ssize_t n = ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    const bool closed = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
    if (!closed)
        return;
    close();
    if (raise)
        throw ConnectionClosedError("connection closed by peer");
}

LineListener::LineListener(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw SocketError(errnoText("socket", errno), errno);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        const int code = errno;
        ::close(fd);
        throw SocketError(errnoText("listen", code), code);
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    if (::pipe2(m_wakeFds, O_CLOEXEC) != 0) {
        const int code = errno;
        ::close(fd);
        throw SocketError(errnoText("pipe", code), code);
    }
    m_fd = fd;
}

LineListener::~LineListener() {
    close();
    ::close(m_fd.exchange(-1));
    ::close(m_wakeFds[0]);
    ::close(m_wakeFds[1]);
}

void LineListener::close() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFds[1], &byte, 1);
}

std::unique_ptr<LineConnection> LineListener::accept(int timeoutMs) {
    const int fd = m_fd.load();
    if (fd < 0)
        return nullptr;
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        const int rc = ::poll(p, 2, remainingMs(limited, deadline));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0 || (p[1].revents & POLLIN))
            return nullptr;
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            return std::unique_ptr<LineConnection>(new LineConnection(client));
        if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED)
            return nullptr;
    }
}

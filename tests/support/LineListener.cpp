#include "LineListener.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

std::string errnoText(const std::string& what, int code) {
    return what + ": " + std::strerror(code);
}

} // namespace

bool AcceptedConnection::waitForData(int timeoutMs) {
    if (hasBufferedBytes())
        return true;
    const int fd = descriptor();
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0;
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

std::unique_ptr<AcceptedConnection> LineListener::accept(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const int fd = m_fd.load();
    if (fd < 0)
        return nullptr;
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        int wait = -1;
        if (limited) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        pollfd p[2] = {{fd, POLLIN, 0}, {m_wakeFds[0], POLLIN, 0}};
        const int rc = ::poll(p, 2, wait);
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0 || (p[1].revents & POLLIN))
            return nullptr;
        const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            return std::make_unique<AcceptedConnection>(client);
        if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED)
            return nullptr;
    }
}

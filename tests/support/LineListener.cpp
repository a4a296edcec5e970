#include "LineListener.h"

#include "Patience.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace {

std::string errnoText(const std::string& what, int code) {
    return what + ": " + std::strerror(code);
}

// The kernel's row for the TCP connection from local port to remote port: its state and the bytes
// not yet acknowledged by the peer (tx) and not yet read by the program (rx).
struct TcpRow {
    bool found = false;
    std::string state;
    unsigned long tx = 0;
    unsigned long rx = 0;
};

TcpRow tcpRow(int localPort, int remotePort) {
    const auto port = [](const std::string& address) {
        const auto colon = address.rfind(':');
        return colon == std::string::npos
                   ? -1
                   : static_cast<int>(std::strtoul(address.c_str() + colon + 1, nullptr, 16));
    };
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line); // the heading
        while (std::getline(in, line)) {
            // "  7: 0100007F:9C41 0100007F:A3F2 01 00000000:00000000 ...": slot, local and remote
            // address, state, queues.
            std::istringstream fields(line);
            std::string slot, local, remote, queues;
            TcpRow row;
            if (!(fields >> slot >> local >> remote >> row.state >> queues))
                continue;
            if (port(local) != localPort || port(remote) != remotePort)
                continue;
            row.found = true;
            const auto colon = queues.find(':');
            row.tx = std::strtoul(queues.c_str(), nullptr, 16);
            row.rx = colon == std::string::npos ? 0 : std::strtoul(queues.c_str() + colon + 1, nullptr, 16);
            return row;
        }
    }
    return {};
}

} // namespace

SocketEnds socketEnds(int connectedSocket) {
    SocketEnds ends;
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    const auto portOf = [&] {
        return addr.ss_family == AF_INET    ? ntohs(reinterpret_cast<const sockaddr_in&>(addr).sin_port)
               : addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<const sockaddr_in6&>(addr).sin6_port)
                                            : 0;
    };
    if (connectedSocket >= 0 && ::getsockname(connectedSocket, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        ends.local = portOf();
    len = sizeof addr;
    if (connectedSocket >= 0 && ::getpeername(connectedSocket, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        ends.peer = portOf();
    return ends;
}

bool waitForClientToTakeClose(const SocketEnds& serverEnd, int timeoutMs) {
    if (serverEnd.local == 0 || serverEnd.peer == 0)
        return true;
    // The client's end is the connection from the peer port to ours.
    return waitUntil(
        [&] {
            const TcpRow client = tcpRow(serverEnd.peer, serverEnd.local);
            return !client.found || client.state != "01";
        },
        timeoutMs);
}

bool AcceptedConnection::waitForClientToRead(int timeoutMs) {
    const SocketEnds ends = socketEnds(descriptor());
    return waitUntil(
        [&] {
            const TcpRow server = tcpRow(ends.local, ends.peer);
            const TcpRow client = tcpRow(ends.peer, ends.local);
            return server.found && server.tx == 0 && client.found && client.rx == 0;
        },
        timeoutMs);
}

void AcceptedConnection::closeAndWaitForClient(bool reset) {
    const SocketEnds ends = socketEnds(descriptor());
    closeSocketAndNotify(reset);
    waitForClientToTakeClose(ends, PatienceMs);
}

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

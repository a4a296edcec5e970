#pragma once

// A line server on 127.0.0.1 for the benchmarks: one thread serves every client from one poll()
// loop, so that whatever is compared meets the same server in the same state.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class LoopbackLineServer {
public:
    // Each runs on the server thread: a client has connected; a client sent a line (false closes
    // it); wake() was called.
    struct Handlers {
        std::function<void(int fd)> accepted;
        std::function<bool(int fd, const std::string& line)> line;
        std::function<void()> woken;
    };

    explicit LoopbackLineServer(Handlers handlers) : m_handlers(std::move(handlers)) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_listen, 8) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0 ||
            ::pipe2(m_wake, O_CLOEXEC) != 0)
            throw std::runtime_error("server setup failed");
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~LoopbackLineServer() {
        m_stop = true;
        wake();
        m_thread.join();
        for (const auto& [fd, buffer] : m_clients)
            ::close(fd);
        ::close(m_listen);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }
    LoopbackLineServer(const LoopbackLineServer&) = delete;
    LoopbackLineServer& operator=(const LoopbackLineServer&) = delete;

    int port() const { return m_port; }
    // Safe from any thread.
    void wake() {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
    }

    // Blocks until every byte is taken or the client is gone.
    static void sendAll(int fd, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

private:
    void Run() {
        while (!m_stop) {
            std::vector<pollfd> fds = {{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
            for (const auto& [fd, buffer] : m_clients)
                fds.push_back({fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), -1) < 0)
                continue;
            if (fds[0].revents) {
                char drain[64];
                [[maybe_unused]] const ssize_t n = ::read(m_wake[0], drain, sizeof drain);
                if (m_handlers.woken && !m_stop)
                    m_handlers.woken();
            }
            if (fds[1].revents & POLLIN) {
                const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    const int one = 1;
                    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    m_clients[fd];
                    if (m_handlers.accepted)
                        m_handlers.accepted(fd);
                }
            }
            for (std::size_t i = 2; i < fds.size(); ++i)
                if (fds[i].revents)
                    Read(fds[i].fd);
        }
    }

    void Read(int fd) {
        std::string& buffer = m_clients[fd];
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        bool keep = n > 0;
        if (keep)
            buffer.append(chunk, static_cast<std::size_t>(n));
        for (auto lf = buffer.find('\n'); keep && lf != std::string::npos; lf = buffer.find('\n')) {
            std::string line = buffer.substr(0, lf);
            buffer.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            keep = m_handlers.line(fd, line);
        }
        if (!keep) {
            ::close(fd);
            m_clients.erase(fd);
        }
    }

    Handlers m_handlers;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::map<int, std::string> m_clients;
    std::thread m_thread;
};

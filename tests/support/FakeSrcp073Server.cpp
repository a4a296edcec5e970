#include "support/FakeSrcp073Server.h"

#include "platform/LineConnection.h"
#include "support/LineListener.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <stdexcept>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int listenOn(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FakeSrcp073Server::FakeSrcp073Server() {
    if (pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("fake server: no pipe");
    // Three consecutive free ports: try bases in the ephemeral range until all three bind.
    std::mt19937 rng(std::random_device{}());
    std::uniform_int_distribution<int> pick(20000, 60000);
    for (int attempt = 0; attempt < 200 && m_basePort == 0; ++attempt) {
        const int base = pick(rng);
        std::array<int, 3> fds{listenOn(base), listenOn(base + 1), listenOn(base + 2)};
        if (fds[0] >= 0 && fds[1] >= 0 && fds[2] >= 0) {
            m_listen = fds;
            m_basePort = base;
        } else {
            for (int fd : fds)
                if (fd >= 0)
                    close(fd);
        }
    }
    if (m_basePort == 0)
        throw std::runtime_error("fake server: no three free ports");
    m_thread = std::thread([this] { run(); });
}

FakeSrcp073Server::~FakeSrcp073Server() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    wake();
    m_thread.join();
    for (int i = 0; i < 3; ++i) {
        if (m_client[i] >= 0)
            close(m_client[i]);
        if (m_listen[i] >= 0)
            close(m_listen[i]);
    }
    close(m_wakePipe[0]);
    close(m_wakePipe[1]);
}

void FakeSrcp073Server::wake() {
    const char c = 1;
    (void)!write(m_wakePipe[1], &c, 1);
}

void FakeSrcp073Server::run() {
    for (;;) {
        pollfd fds[7];
        int n = 0;
        fds[n++] = {m_wakePipe[0], POLLIN, 0};
        int owner[7] = {-1, -1, -1, -1, -1, -1, -1};
        bool isListener[7] = {};
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
            for (int i = 0; i < 3; ++i) {
                // One connection per channel at a time: a second connect waits in the backlog.
                if (m_client[i] >= 0) {
                    owner[n] = i;
                    fds[n++] = {m_client[i], POLLIN, 0};
                } else if (m_listen[i] >= 0) {
                    owner[n] = i;
                    isListener[n] = true;
                    fds[n++] = {m_listen[i], POLLIN, 0};
                }
            }
        }
        if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents) {
            char buf[64];
            while (read(m_wakePipe[0], buf, sizeof buf) > 0) {
            }
        }
        for (int k = 1; k < n; ++k) {
            if (!fds[k].revents)
                continue;
            const int ch = owner[k];
            std::unique_lock lock(m_mutex);
            if (isListener[k]) {
                if (m_listen[ch] != fds[k].fd)
                    continue;
                const int c = accept4(fds[k].fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) {
                    m_client[ch] = c;
                    ++m_accepted[ch];
                }
            } else {
                if (m_client[ch] != fds[k].fd)
                    continue;
                char buf[4096];
                const ssize_t got = recv(fds[k].fd, buf, sizeof buf, 0);
                if (got > 0) {
                    m_received[ch].append(buf, static_cast<size_t>(got));
                } else {
                    close(m_client[ch]);
                    m_client[ch] = -1;
                }
            }
            lock.unlock();
            m_changed.notify_all();
        }
    }
}

void FakeSrcp073Server::refuse(Channel channel) {
    std::lock_guard lock(m_mutex);
    if (m_listen[channel] >= 0) {
        // Closed alone, a socket that the server thread is polling keeps listening until that poll
        // returns; shut down, it refuses at once.
        ::shutdown(m_listen[channel], SHUT_RDWR);
        close(m_listen[channel]);
        m_listen[channel] = -1;
    }
    wake();
}

std::string FakeSrcp073Server::received(Channel channel) const {
    std::lock_guard lock(m_mutex);
    return m_received[channel];
}

void FakeSrcp073Server::clearReceived(Channel channel) {
    std::lock_guard lock(m_mutex);
    m_received[channel].clear();
}

bool FakeSrcp073Server::waitFor(Channel channel, const std::function<bool(const std::string&)>& pred,
                                int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return pred(m_received[channel]); });
}

bool FakeSrcp073Server::waitReceived(Channel channel, const std::string& bytes, int timeoutMs) const {
    return waitFor(
        channel, [&](const std::string& got) { return got.find(bytes) != std::string::npos; }, timeoutMs);
}

std::string FakeSrcp073Server::commandBytes(LineConnection& client) {
    static constexpr std::string_view Fence = "FENCE\n";
    client.writeRaw(Fence);
    EXPECT_TRUE(waitFor(Command, [](const std::string& s) { return s.ends_with(Fence); }));
    const std::string bytes = received(Command);
    clearReceived(Command);
    return bytes.substr(0, bytes.size() - Fence.size());
}

int FakeSrcp073Server::connections(Channel channel) const {
    std::lock_guard lock(m_mutex);
    return m_accepted[channel];
}

bool FakeSrcp073Server::connected(Channel channel) const {
    std::lock_guard lock(m_mutex);
    return m_client[channel] >= 0;
}

bool FakeSrcp073Server::waitConnected(Channel channel, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_client[channel] >= 0; });
}

bool FakeSrcp073Server::waitDisconnected(Channel channel, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_client[channel] < 0; });
}

bool FakeSrcp073Server::send(Channel channel, const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    if (m_client[channel] < 0)
        return false;
    size_t off = 0;
    while (off < bytes.size()) {
        const ssize_t n = ::send(m_client[channel], bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        off += static_cast<size_t>(n);
    }
    return true;
}

void FakeSrcp073Server::dropClient(int channel, bool reset) {
    SocketEnds ends;
    {
        std::lock_guard lock(m_mutex);
        if (m_client[channel] < 0)
            return;
        ends = socketEnds(m_client[channel]);
        if (reset) {
            const linger l{1, 0};
            setsockopt(m_client[channel], SOL_SOCKET, SO_LINGER, &l, sizeof l);
        } else {
            ::shutdown(m_client[channel], SHUT_RDWR);
        }
        // While the server thread polls the socket, the reset goes out only once that poll returns.
        close(m_client[channel]);
        m_client[channel] = -1;
    }
    m_changed.notify_all();
    wake();
    waitForClientToTakeClose(ends, Patience);
}

void FakeSrcp073Server::closeConnection(Channel channel) {
    dropClient(channel, false);
}
void FakeSrcp073Server::resetConnection(Channel channel) {
    dropClient(channel, true);
}

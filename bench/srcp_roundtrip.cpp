// Round trips of the command session on loopback: SendCommand plus ReceiveAnswer of SET GL lines,
// against a baseline in the same run that writes the same lines and reads the same replies on a
// plain blocking socket.
//
// The baseline talks to the socket directly on purpose: it is the floor under everything we add
// (line connection, line codec, session). Both talk to one server thread that serves every
// connection from one poll() loop, so that neither gets a server in another wake-up regime; they
// alternate trip by trip, and the figure is the median of the rounds' ratios.

#include "LoopbackLineServer.h"
#include "srcp/SrcpClnt.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int CommandsPerRound = 2000;
constexpr int Rounds = 15;

struct RoundResult {
    double rate = 0; // commands per second
    std::vector<double> latenciesUs;
};

std::string SetLine(int i) {
    return "SET 1 GL " + std::to_string(i % 80 + 1) + " 1 " + std::to_string(i % 100) + " 100 1 0 0 0 0";
}

class PlainSocket {
public:
    explicit PlainSocket(int port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            throw std::runtime_error("baseline connect failed");
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        readLine(); // the welcome
    }
    ~PlainSocket() { ::close(m_fd); }

    void writeLine(const std::string& line) {
        const std::string bytes = line + "\r\n";
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                throw std::runtime_error("baseline send failed");
            sent += static_cast<std::size_t>(n);
        }
    }

    std::string readLine() {
        for (;;) {
            const auto lf = m_buffer.find('\n');
            if (lf != std::string::npos) {
                std::string line = m_buffer.substr(0, lf);
                m_buffer.erase(0, lf + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return line;
            }
            char chunk[4096];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                throw std::runtime_error("baseline recv failed");
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    int m_fd = -1;
    std::string m_buffer;
};

// A minimal SRCP 0.8.2 command server.
class OneThreadServer {
public:
    OneThreadServer()
        : m_server({[](int fd) { LoopbackLineServer::sendAll(fd, "srcpd V2.1.2; SRCP 0.8.2\r\n"); },
                    [this](int fd, const std::string& line) { return Answer(fd, line); }, nullptr}) {}
    int port() const { return m_server.port(); }
    // The last line a client sent (read once the client has its reply).
    std::string lastLine() const { return m_lastLine.load() ? *m_lastLine.load() : std::string(); }

private:
    static void Send(int fd, const std::string& line) { LoopbackLineServer::sendAll(fd, line + "\r\n"); }

    // False when the client is to be closed.
    bool Answer(int fd, const std::string& line) {
        m_lines.push_back(std::make_unique<std::string>(line));
        m_lastLine = m_lines.back().get();
        if (line.rfind("SET PROTOCOL", 0) == 0)
            Send(fd, "1000.000 201 OK PROTOCOL SRCP");
        else if (line.rfind("SET CONNECTIONMODE", 0) == 0)
            Send(fd, "1000.000 202 OK CONNECTIONMODE");
        else if (line == "GO")
            Send(fd, "1000.000 200 OK GO 1");
        else
            Send(fd, "1000.000 200 OK");
        return line.rfind("TERM 0 SESSION", 0) != 0;
    }

    // Every line received, kept so that lastLine() can hand out a stable pointer without a lock.
    std::vector<std::unique_ptr<std::string>> m_lines;
    std::atomic<const std::string*> m_lastLine{nullptr};
    // Last, so that its thread has stopped before the members above go.
    LoopbackLineServer m_server;
};

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    return values[index];
}

void Print(const char* name, const RoundResult& r) {
    std::printf("%-9s %9.0f commands/s  p50 %6.1f us  p99 %6.1f us\n", name, r.rate,
                Percentile(r.latenciesUs, 0.50), Percentile(r.latenciesUs, 0.99));
}

// A session connected to the fake server; none when the handshake failed.
std::unique_ptr<TSRCPCommandClient> Connected(int port) {
    auto client = std::make_unique<TSRCPCommandClient>();
    client->SetHost("127.0.0.1");
    client->SetPort(port);
    client->Connect(2000);
    if (!client->Connected())
        return nullptr;
    return client;
}

int Measure() {
    OneThreadServer server;
    std::vector<std::string> lines;
    for (int i = 0; i < CommandsPerRound; ++i)
        lines.push_back(SetLine(i));

    TSRCPCmd cmd;
    auto sessionTrip = [&](TSRCPCommandClient& client, int i) {
        cmd.SetSRCPVersion(cv082);
        cmd.SetCommandType(ctSet);
        cmd.SetDeviceGroup(dgLoco);
        cmd.SetBus(1);
        cmd.SetDevAddress(i % 80 + 1);
        auto& loco = cmd.DevLoco();
        loco.SetDriveMode(dmForward);
        loco.SetSpeed(i % 100);
        loco.SetMaxSpeed(100);
        loco.SetFunctionCount(5);
        loco.SetFunctions(0, 1);
        for (int f = 1; f < 5; ++f)
            loco.SetFunctions(f, 0);
        if (!client.SendCommand(cmd) || !client.ReceiveAnswer(cmd))
            throw std::runtime_error("session round trip failed");
    };

    // The two must send the same bytes for the comparison to mean anything.
    {
        auto client = Connected(server.port());
        if (!client) {
            std::printf("session did not connect\n");
            std::printf("target roundtrip_rate_vs_plain_socket: 0.00 (goal 0.80) FAIL\n");
            return 0;
        }
        sessionTrip(*client, 7);
        const std::string sent = server.lastLine();
        if (cmd.CommandType() != ctCmdOK || sent != SetLine(7)) {
            std::printf("session sent \"%s\", expected \"%s\"\n", sent.c_str(), SetLine(7).c_str());
            std::printf("target roundtrip_rate_vs_plain_socket: 0.00 (goal 0.80) FAIL\n");
            return 0;
        }
    }

    // The two alternate trip by trip against the one server thread, so that whatever else the machine
    // does hits both alike; a kind's rate is its trips over the time spent in them. Each round has
    // fresh connections, and the one that goes first changes from round to round.
    std::vector<std::pair<RoundResult, RoundResult>> rounds;
    for (int round = 0; round < Rounds; ++round) {
        PlainSocket plain(server.port());
        auto client = Connected(server.port());
        if (!client)
            throw std::runtime_error("session did not connect");
        RoundResult p, s;
        p.latenciesUs.reserve(CommandsPerRound);
        s.latenciesUs.reserve(CommandsPerRound);
        double plainUs = 0, sessionUs = 0;
        auto plainTrip = [&](int i) {
            const auto t0 = Clock::now();
            plain.writeLine(lines[static_cast<std::size_t>(i)]);
            if (plain.readLine().empty())
                throw std::runtime_error("baseline reply empty");
            p.latenciesUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            plainUs += p.latenciesUs.back();
        };
        auto timedSessionTrip = [&](int i) {
            const auto t0 = Clock::now();
            sessionTrip(*client, i);
            s.latenciesUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            sessionUs += s.latenciesUs.back();
        };
        for (int i = 0; i < CommandsPerRound; ++i) {
            if (round % 2 == 0) {
                plainTrip(i);
                timedSessionTrip(i);
            } else {
                timedSessionTrip(i);
                plainTrip(i);
            }
        }
        client->Disconnect();
        p.rate = CommandsPerRound / (plainUs / 1e6);
        s.rate = CommandsPerRound / (sessionUs / 1e6);
        rounds.emplace_back(std::move(p), std::move(s));
    }
    // The median of the rounds' ratios stands for the run (the round it comes from gives the
    // latencies): a stall of either kind moves single rounds only.
    std::sort(rounds.begin(), rounds.end(), [](const auto& a, const auto& b) {
        return a.second.rate / a.first.rate < b.second.rate / b.first.rate;
    });
    const auto& [medianPlain, medianSession] = rounds[rounds.size() / 2];

    std::printf("%d round trips of each kind per round, trip by trip in turn; the median of %d rounds\n",
                CommandsPerRound, Rounds);
    Print("plain", medianPlain);
    Print("session", medianSession);
    const double ratio = medianSession.rate / medianPlain.rate;
    std::printf("target roundtrip_rate_vs_plain_socket: %.2f (goal 0.80) %s\n", ratio,
                ratio >= 0.80 ? "PASS" : "FAIL");
    return 0;
}

} // namespace

int main() {
    try {
        return Measure();
    } catch (const std::exception& e) {
        std::printf("measurement failed: %s\n", e.what());
        std::printf("target roundtrip_rate_vs_plain_socket: 0.00 (goal 0.80) FAIL\n");
        return 0;
    }
}

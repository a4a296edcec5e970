// INFO lines from an SRCP 0.8.2 server to the client component's events on the main thread: the
// rate of a burst of loco and feedback changes, and the latency of single lines in a quiet period,
// from the server's write to the event handler. The baseline in the same run is a plain socket
// reader that hands each line to the main thread through the same MainThreadDispatcher (waiting
// until it has run there, as the info session does) and does nothing else.
//
// Both are connected to one server thread at the same time, which writes the lines as fast as the
// socket takes them. The burst of each goes out in slices, the two taking turns slice by slice, so
// that whatever else the machine does hits both alike; the quiet lines take turns likewise.
//
// A second measurement compares two clients: one hears about 200 distinct locos, the other about
// 20,000 (10,000 on each of two buses, the most one bus can have), the same number of lines each, in
// slices in turn, each line handed straight to the info session's dispatch. Finding a reported loco
// in a large cache must cost about what it costs in a small one.

#include "LoopbackLineServer.h"
#include "srcp/MoBaLibrary.h"
#include "srcp/MoBaSRCP.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int BurstLines = 100000;
constexpr int Slices = 10;
constexpr int QuietLines = 200;
constexpr auto QuietGap = std::chrono::milliseconds(2);

void sendAll(int fd, const std::string& bytes) {
    LoopbackLineServer::sendAll(fd, bytes);
}

// An SRCP 0.8.2 server: it answers the handshakes of command and info connections, describes its
// buses to info connections (bus 1 as "GL FB" unless told otherwise), and writes to an info
// connection (by the order they said GO) what it is told to.
class InfoServer {
public:
    explicit InfoServer(std::string descriptions = "1000.000 100 INFO 1 DESCRIPTION GL FB\r\n")
        : m_descriptions(std::move(descriptions)),
          m_server({[](int fd) { sendAll(fd, "srcpd V2.1.3; SRCP 0.8.4; SRCPOTHER 0.8.3\r\n"); },
                    [this](int fd, const std::string& line) { return Answer(fd, line); },
                    [this] { RunJobs(); }}) {}
    int port() const { return m_server.port(); }
    int infoConnections() const { return m_infoCount.load(); }

    // Writes lines to info connection `which`; the time just before the first write is returned.
    Clock::time_point write(int which, std::vector<std::string> lines) {
        auto job = std::make_shared<Job>();
        job->which = which;
        job->lines = std::move(lines);
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(job);
        }
        m_server.wake();
        std::unique_lock lock(m_mutex);
        // The server writes on while we go back to the main thread's work, as a real server would.
        m_started.wait(lock, [&] { return job->running; });
        return job->started;
    }

private:
    struct Job {
        int which = 0;
        std::vector<std::string> lines;
        Clock::time_point started;
        bool running = false;
    };

    // Server thread.
    bool Answer(int fd, const std::string& line) {
        if (line.rfind("SET PROTOCOL", 0) == 0) {
            sendAll(fd, "1000.000 201 OK PROTOCOL SRCP\r\n");
        } else if (line.rfind("SET CONNECTIONMODE", 0) == 0) {
            if (line.find("INFO") != std::string::npos)
                m_infoClients.insert(fd);
            sendAll(fd, "1000.000 202 OK CONNECTIONMODE\r\n");
        } else if (line == "GO") {
            sendAll(fd, "1000.000 200 OK GO " + std::to_string(++m_sessions) + "\r\n");
            if (m_infoClients.count(fd)) {
                sendAll(fd, m_descriptions);
                m_infoFds.push_back(fd);
                ++m_infoCount;
            }
        } else {
            sendAll(fd, "1000.000 200 OK\r\n");
        }
        return true;
    }

    // Server thread.
    void RunJobs() {
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::lock_guard lock(m_mutex);
                if (m_jobs.empty())
                    return;
                job = m_jobs.front();
                m_jobs.pop_front();
            }
            const int fd = job->which < static_cast<int>(m_infoFds.size()) ? m_infoFds[job->which] : -1;
            {
                std::lock_guard lock(m_mutex);
                job->started = Clock::now();
                job->running = true;
            }
            m_started.notify_all();
            std::string chunk;
            for (const auto& line : job->lines) {
                chunk += line;
                chunk += "\r\n";
                if (chunk.size() >= 16384) {
                    sendAll(fd, chunk);
                    chunk.clear();
                }
            }
            if (!chunk.empty())
                sendAll(fd, chunk);
        }
    }

    const std::string m_descriptions;
    int m_sessions = 0;
    std::set<int> m_infoClients;
    std::vector<int> m_infoFds;
    std::atomic<int> m_infoCount{0};
    std::mutex m_mutex;
    std::condition_variable m_started;
    std::deque<std::shared_ptr<Job>> m_jobs;
    // Last, so that its thread has stopped before the members above go.
    LoopbackLineServer m_server;
};

// The plain reader: one socket, the info handshake written by hand, then each line handed to the
// main thread and waited for.
class PlainReader {
public:
    PlainReader(int port, MainThreadDispatcher& dispatcher, std::function<void(const std::string&)> onLine)
        : m_dispatcher(dispatcher), m_onLine(std::move(onLine)) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<std::uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            throw std::runtime_error("baseline connect failed");
        sendAll(m_fd, "SET PROTOCOL SRCP 0.8.2\r\nSET CONNECTIONMODE SRCP INFO\r\nGO\r\n");
        for (int i = 0; i < 5; ++i) // welcome, three replies, the description
            ReadLine();
        m_thread = std::thread([this] {
            for (;;) {
                std::string line = ReadLine();
                if (line.empty() || m_stop)
                    return;
                if (!m_dispatcher.invokeAndWait([this, line] { m_onLine(line); }, m_token))
                    return;
            }
        });
    }
    ~PlainReader() {
        m_stop = true;
        m_token.cancel();
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }

private:
    std::string ReadLine() {
        for (;;) {
            const auto lf = m_buffer.find('\n', m_start);
            if (lf != std::string::npos) {
                std::string line = m_buffer.substr(m_start, lf - m_start);
                m_start = lf + 1;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return line;
            }
            m_buffer.erase(0, m_start);
            m_start = 0;
            char chunk[16384];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return {};
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    MainThreadDispatcher& m_dispatcher;
    std::function<void(const std::string&)> m_onLine;
    MainThreadDispatcher::CancelToken m_token;
    std::atomic<bool> m_stop{false};
    int m_fd = -1;
    std::string m_buffer;
    std::size_t m_start = 0;
    std::thread m_thread;
};

std::string stamp(long i) {
    return std::to_string(100000 + i / 1000) + "." + std::to_string(1000 + i % 1000).substr(1);
}

// Loco and feedback changes in turn, each line newer than the one before.
std::vector<std::string> burstLines(long first) {
    std::vector<std::string> lines;
    lines.reserve(BurstLines);
    for (long i = first; i < first + BurstLines; ++i) {
        if (i % 2 == 0)
            lines.push_back(stamp(i) + " 100 INFO 1 GL " + std::to_string(i / 2 % 80 + 1) + " 1 " +
                            std::to_string(i % 28) + " 28 1 0 0 0 0");
        else
            lines.push_back(stamp(i) + " 100 INFO 1 FB " + std::to_string(i / 2 % 128 + 1) + " " +
                            std::to_string(i / 256 % 2));
    }
    return lines;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

struct Result {
    double rate = 0;
    double p50Us = 0, p99Us = 0;
};

// One reader under test: the lines its handler got and when the last came, and which info
// connection of the server it reads.
struct Receiver {
    int connection = 0;
    long handled = 0;
    Clock::time_point last;
    std::vector<double> sliceSeconds;
    std::vector<double> latenciesUs;
};

// Writes lines to the receiver's connection and waits until its handler has seen them all; returns
// the time from the first write to the last handler call.
double Deliver(InfoServer& server, ManualDispatcher& dispatcher, Receiver& receiver,
               std::vector<std::string> lines) {
    const long target = receiver.handled + static_cast<long>(lines.size());
    const auto start = server.write(receiver.connection, std::move(lines));
    if (!dispatcher.pumpUntil([&] { return receiver.handled >= target; }, 120000))
        throw std::runtime_error("lines not delivered");
    return std::chrono::duration<double>(receiver.last - start).count();
}

// Both bursts slice by slice in turn, then the quiet lines in turn.
void Measure(InfoServer& server, ManualDispatcher& dispatcher, Receiver* receivers[2], long& stampBase) {
    const std::vector<std::string> all = burstLines(stampBase);
    stampBase += BurstLines;
    const std::size_t slice = all.size() / Slices;
    for (int k = 0; k < Slices; ++k)
        for (int turn = 0; turn < 2; ++turn) {
            // Strictly in turn: a slice right after one to the same connection meets TCP's
            // delayed acknowledgement and would say nothing about the reader.
            Receiver& r = *receivers[turn];
            const auto from = all.begin() + static_cast<std::ptrdiff_t>(k * slice);
            r.sliceSeconds.push_back(
                Deliver(server, dispatcher, r,
                        std::vector<std::string>(from, from + static_cast<std::ptrdiff_t>(slice))));
        }
    for (int i = 0; i < QuietLines; ++i)
        for (int turn = 0; turn < 2; ++turn) {
            Receiver& r = *receivers[turn];
            const std::string line = stamp(stampBase++) + " 100 INFO 1 FB " + std::to_string(i % 128 + 1) +
                                     " " + std::to_string(i % 2);
            r.latenciesUs.push_back(1e6 * Deliver(server, dispatcher, r, {line}));
            const auto until = Clock::now() + QuietGap;
            dispatcher.pumpUntil([&] { return Clock::now() >= until; }, 100);
        }
}

Result Figures(const Receiver& r) {
    double seconds = 0;
    for (double s : r.sliceSeconds)
        seconds += s;
    const double lines = static_cast<double>(r.sliceSeconds.size()) * (BurstLines / Slices);
    return {lines / seconds, percentile(r.latenciesUs, 0.50), percentile(r.latenciesUs, 0.99)};
}

constexpr int CacheLines = 40000;
constexpr int SmallCache = 200;
constexpr int LargeCache = 20000;

// Loco changes on buses 1 and 2 over `locos` distinct addresses (half on each bus), each line newer
// than the one before.
std::vector<std::string> cacheLines(int locos, int count, long& stampBase) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    const int perBus = locos / 2;
    for (int i = 0; i < count; ++i) {
        const int n = i % locos;
        lines.push_back(stamp(stampBase++) + " 100 INFO " + std::to_string(1 + n / perBus) + " GL " +
                        std::to_string(n % perBus + 1) + " 1 " + std::to_string(i % 28) + " 28 1 0 0 0 0");
    }
    return lines;
}

// Seconds per line of a client whose caches hold 200 locos and of one whose caches hold 20,000, and
// the median of their ratios slice by slice.
struct CacheCost {
    double small = 0, large = 0, ratio = 0;
};

CacheCost CacheCosts(ManualDispatcher& dispatcher, long& stampBase) {
    InfoServer server("1000.000 100 INFO 1 DESCRIPTION GL\r\n1000.000 100 INFO 2 DESCRIPTION GL\r\n");
    Receiver small, large;
    TMoBaSRCPClient clients[2];
    Receiver* receivers[2] = {&small, &large};
    for (int k = 0; k < 2; ++k) {
        Receiver& r = *receivers[k];
        clients[k].SetHost("127.0.0.1");
        clients[k].SetPort(server.port());
        clients[k].SetDispatcher(&dispatcher);
        clients[k].OnLocoChange = [&r](TMoBaSRCPClient&, TMoBaSRCPLoco*) {
            ++r.handled;
            r.last = Clock::now();
        };
        clients[k].Connect();
        if (!clients[k].Connected() || !dispatcher.pumpUntil([&] { return clients[k].BusCount() == 2; }))
            throw std::runtime_error("a cache client did not connect");
    }
    const int locos[2] = {SmallCache, LargeCache};
    std::vector<std::string> lines[2];
    for (int turn = 0; turn < 2; ++turn) {
        // Every loco once, untimed: a new loco costs its entry and its event, in any cache.
        for (const auto& line : cacheLines(locos[turn], locos[turn], stampBase))
            clients[turn].InfoClnt()->DoDataReceive(line);
        receivers[turn]->handled = 0;
        lines[turn] = cacheLines(locos[turn], CacheLines, stampBase);
    }
    // Straight into the info sessions' dispatch on the main thread: what the client does with a line
    // once it has it, without the socket and the thread hand-over that cost the same for both.
    const std::size_t slice = CacheLines / Slices;
    for (std::size_t k = 0; k < Slices; ++k)
        for (int turn = 0; turn < 2; ++turn) {
            Receiver& r = *receivers[turn];
            const auto start = Clock::now();
            for (std::size_t i = k * slice; i < (k + 1) * slice; ++i)
                clients[turn].InfoClnt()->DoDataReceive(lines[turn][i]);
            r.sliceSeconds.push_back(std::chrono::duration<double>(r.last - start).count());
        }
    const int cached = clients[1].Busses(0)->GLs()->Count() + clients[1].Busses(1)->GLs()->Count();
    const long handled = small.handled + large.handled;
    for (auto& client : clients)
        client.Disconnect();
    if (cached != LargeCache || handled != 2 * CacheLines)
        throw std::runtime_error("the large cache holds " + std::to_string(cached) + " locos, " +
                                 std::to_string(handled) + " changes");
    CacheCost cost;
    std::vector<double> ratios;
    for (std::size_t k = 0; k < small.sliceSeconds.size(); ++k) {
        cost.small += small.sliceSeconds[k] / CacheLines;
        cost.large += large.sliceSeconds[k] / CacheLines;
        ratios.push_back(large.sliceSeconds[k] / small.sliceSeconds[k]);
    }
    cost.ratio = percentile(ratios, 0.5);
    return cost;
}

int Run() {
    const auto folder = std::filesystem::temp_directory_path() / "quarn-bench-info";
    std::filesystem::create_directories(folder);
    MoBaLibraryInitialize(folder.string());
    InfoServer server;
    ManualDispatcher dispatcher;
    long stampBase = 0;

    Receiver plain, session;
    const auto note = [](Receiver& r) {
        ++r.handled;
        r.last = Clock::now();
    };
    PlainReader reader(server.port(), dispatcher, [&](const std::string&) { note(plain); });
    plain.connection = 0;
    if (!dispatcher.pumpUntil([&] { return server.infoConnections() == 1; }))
        throw std::runtime_error("the plain reader did not connect");
    TMoBaSRCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.port());
    client.SetDispatcher(&dispatcher);
    client.OnLocoChange = [&](TMoBaSRCPClient&, TMoBaSRCPLoco*) { note(session); };
    client.OnFeedbackChange = [&](TMoBaSRCPClient&, TMoBaSRCPFeedback*) { note(session); };
    client.Connect();
    session.connection = 1;
    if (!client.Connected() || !dispatcher.pumpUntil([&] { return client.BusCount() == 1; }))
        throw std::runtime_error("the client did not connect");
    Receiver* receivers[2] = {&plain, &session};
    Measure(server, dispatcher, receivers, stampBase);
    client.Disconnect();
    const CacheCost cache = CacheCosts(dispatcher, stampBase);
    MoBaLibraryFinalize();
    std::filesystem::remove_all(folder);

    std::vector<double> ratios;
    for (std::size_t k = 0; k < plain.sliceSeconds.size(); ++k)
        ratios.push_back(plain.sliceSeconds[k] / session.sliceSeconds[k]);
    const double ratio = percentile(ratios, 0.5);
    const Result p = Figures(plain);
    const Result c = Figures(session);
    std::printf(
        "%d lines each (loco and feedback changes) in %d slices in turn, %d quiet lines each %lld ms apart\n",
        BurstLines, Slices, QuietLines, static_cast<long long>(QuietGap.count()));
    std::printf("plain     %9.0f lines/s  quiet p50 %6.1f us  p99 %6.1f us\n", p.rate, p.p50Us, p.p99Us);
    std::printf("client    %9.0f lines/s  quiet p50 %6.1f us  p99 %6.1f us\n", c.rate, c.p50Us, c.p99Us);
    std::printf("rate ratio of the slices: median %.2f, lowest %.2f\n", ratio,
                *std::min_element(ratios.begin(), ratios.end()));
    std::printf("%d loco lines each over %d and %d locos: %.1f and %.1f us per line\n", CacheLines,
                SmallCache, LargeCache, 1e6 * cache.small, 1e6 * cache.large);
    std::printf("target info_rate_vs_plain_reader: %.2f (goal 0.50) %s\n", ratio,
                ratio >= 0.5 ? "PASS" : "FAIL");
    std::printf("target info_lines_per_second: %.0f (goal 20000) %s\n", c.rate,
                c.rate >= 20000 ? "PASS" : "FAIL");
    std::printf("target info_line_cost_20000_vs_200_locos: %.2f (goal 2.00) %s\n", cache.ratio,
                cache.ratio <= 2.0 ? "PASS" : "FAIL");
    return 0;
}

} // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& e) {
        std::printf("measurement failed: %s\n", e.what());
        std::printf("target info_rate_vs_plain_reader: 0.00 (goal 0.50) FAIL\n");
        std::printf("target info_lines_per_second: 0 (goal 20000) FAIL\n");
        std::printf("target info_line_cost_20000_vs_200_locos: 0.00 (goal 2.00) FAIL\n");
        return 0;
    }
}

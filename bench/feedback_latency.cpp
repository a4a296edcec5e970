// Feedback from the server to the plan: the time from the server writing a feedback line to the
// detector icon being drawn on the GUI thread, over "SRCP 0.73" ("INFO FB S88 n v" read by the
// command reader) and over "SRCP 0.80" ("INFO <bus> FB n v" read by the client component's info
// session), against a plain reader of the same lines in the same run, and the lines per second the
// command reader sustains.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QTimer>

#include "DetectorBench.h"
#include "LoopbackLineServer.h"
#include "engine/Positionunit.h"
#include "engine/RueckReaders.h"
#include "engine/Rueckmeldeunit.h"
#include "engine/Srcp080Output.h"
#include "platform/LineConnection.h"
#include "platform/Paths.h"
#include "platform/PerfCounter.h"
#include "platform/qt/QtDispatcher.h"
#include "srcp/MoBaSRCP.h"
#include "support/FakeSrcp073Server.h"
#include "support/SrcpdBuses.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double p50Ms = 0, p99Ms = 0, maxMs = 0;
};

Figures figures(std::vector<double> ms) {
    Figures f;
    if (ms.empty())
        return f;
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(q * (ms.size() - 1) + 0.5))];
    };
    f.p50Ms = at(0.50);
    f.p99Ms = at(0.99);
    f.maxMs = ms.back();
    return f;
}

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Runs the GUI thread's event loop until pred() holds or the time-out passes.
bool runUntil(const std::function<bool()>& pred, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (Clock::now() >= deadline)
            return false;
        // Blocks like the idle GUI thread of the program; the heartbeat timer bounds each wait.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// An SRCP 0.8.2 server for the client component: it answers the handshakes, describes the nine buses
// the program expects (S88 feedback on the last) to an info connection, and lets the benchmark write
// to that connection itself, as the "SRCP 0.73" server is written to.
class Srcp082Server {
public:
    Srcp082Server()
        : m_server({[](int fd) { send(fd, "srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3"); },
                    [this](int fd, const std::string& line) { return answer(fd, line); }, nullptr}) {}

    int port() const { return m_server.port(); }
    // The info connection past its GO, or -1.
    int infoFd() const { return m_infoFd.load(); }
    static void send(int fd, const std::string& line) { LoopbackLineServer::sendAll(fd, line + "\r\n"); }

private:
    // Server thread.
    bool answer(int fd, const std::string& line) {
        if (line.rfind("SET PROTOCOL", 0) == 0) {
            send(fd, "1000.000 201 OK PROTOCOL SRCP");
        } else if (line.rfind("SET CONNECTIONMODE", 0) == 0) {
            if (line.find("INFO") != std::string::npos)
                m_infoClient = fd;
            send(fd, "1000.000 202 OK CONNECTIONMODE");
        } else if (line == "GO") {
            send(fd, "1000.000 200 OK GO " + std::to_string(++m_sessions));
            if (fd == m_infoClient) {
                for (std::size_t bus = 0; bus < NineBuses.size(); ++bus)
                    send(fd, "1000.000 100 INFO " + std::to_string(bus) + " DESCRIPTION " + NineBuses[bus]);
                m_infoFd = fd;
            }
        } else {
            send(fd, "1000.000 200 OK");
        }
        return true;
    }

    int m_sessions = 0;
    int m_infoClient = -1;
    std::atomic<int> m_infoFd{-1};
    // Last, so that its thread has stopped before the members above go.
    LoopbackLineServer m_server;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtDispatcher dispatcher;
    setMainThreadDispatcher(&dispatcher);
    QTimer heartbeat;
    heartbeat.start(50);

    DetectorBench bench;
    FakeMainForm& form = bench.form;
    C_Position table;
    Postable = &table;
    // A plan of 200 detectors; the one on contact 17 is the last, so every line walks the list.
    for (int i = 0; i < 200; ++i) {
        auto e = std::make_unique<tPosEntry>();
        e->Enummer = 65;
        e->Decod1 = i == 199 ? 2 : 3 + i / 16;
        e->Daten1 = i == 199 ? 1 : i % 16 + 1;
        e->Posx = (i % 36) * 27;
        e->Posy = (i / 36) * 27;
        table.addEntry(std::move(e));
    }

    std::atomic<long> drawn{0};
    Clock::time_point lastDraw;
    form.quarn.setChangedCallback([&](const TRect&) {
        lastDraw = Clock::now();
        ++drawn;
    });

    FakeSrcp073Server server;
    LineConnection command, plain;
    command.connect("127.0.0.1", server.port(), 5000);
    plain.connect("127.0.0.1", server.port() + FakeSrcp073Server::Info, 5000);
    server.waitConnected(FakeSrcp073Server::Command);
    server.waitConnected(FakeSrcp073Server::Info);

    // The baseline: a thread blocked in a read of the same lines, nothing else. It runs at the
    // readers' lowest priority, so that a busy machine delays both alike.
    std::atomic<long> plainRead{0};
    std::atomic<int64_t> plainAtNs{0};
    std::thread baseline([&] {
        perf::setThreadPriority(perf::ThreadPriority::Lowest);
        try {
            for (;;) {
                plain.readLine(0);
                plainAtNs = Clock::now().time_since_epoch().count();
                ++plainRead;
            }
        } catch (const std::exception&) {
        }
    });

    startReadCommand(command);

    // "SRCP 0.80": a client component whose feedback event goes where the main window's does.
    Srcp082Server server080;
    TMoBaSRCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server080.port());
    client.OnFeedbackChange = [](TMoBaSRCPClient&, TMoBaSRCPFeedback* contact) {
        showClientFeedback(contact->Address(), contact->Value());
    };
    client.Connect();
    // Without the client the SRCP 0.80 row has no samples and its targets fail; the rest is measured.
    const bool client080Up =
        client.Connected() &&
        runUntil([&] { return client.BusCount() == 9 && server080.infoFd() >= 0; }, 5000);
    if (!client080Up)
        std::printf("the SRCP 0.80 client did not connect\n");

    const int samples = 300;
    // Each line is written while the reader waits in its read (its 10 ms pause is over), as feedback
    // from a layout arrives: now and then, not back to back.
    const auto idle = std::chrono::milliseconds(15);
    std::vector<double> ours, base, client080;
    for (int i = 0; i < samples; ++i) {
        const std::string line = "INFO FB S88 17 " + std::to_string(i % 2) + "\n";

        std::this_thread::sleep_for(idle);
        const long before = drawn.load();
        const auto t0 = Clock::now();
        server.send(FakeSrcp073Server::Command, line);
        if (!runUntil([&] { return drawn.load() > before; }, 2000))
            break;
        ours.push_back(msBetween(t0, lastDraw));

        std::this_thread::sleep_for(idle);
        const long plainBefore = plainRead.load();
        const auto t1 = Clock::now();
        server.send(FakeSrcp073Server::Info, line);
        while (plainRead.load() == plainBefore)
            std::this_thread::yield();
        base.push_back(msBetween(t1, Clock::time_point(Clock::duration(plainAtNs.load()))));

        if (!client080Up)
            continue;
        // Rising time stamps: the client keeps each contact's newest report.
        const std::string info = std::to_string(2000 + i) + ".000 100 INFO 8 FB 17 " + std::to_string(i % 2);
        std::this_thread::sleep_for(idle);
        const long before080 = drawn.load();
        const auto t2 = Clock::now();
        Srcp082Server::send(server080.infoFd(), info);
        if (!runUntil([&] { return drawn.load() > before080; }, 2000))
            break;
        client080.push_back(msBetween(t2, lastDraw));
    }

    // Sustained: a burst of lines written at once, drawn as fast as the reader passes them on.
    const int burst = 500;
    std::string lines;
    for (int i = 0; i < burst; ++i)
        lines += "INFO FB S88 17 " + std::to_string(i % 2) + "\n";
    std::this_thread::sleep_for(idle);
    const long before = drawn.load();
    const auto start = Clock::now();
    server.send(FakeSrcp073Server::Command, lines);
    const bool all = runUntil([&] { return drawn.load() >= before + burst; }, 30000);
    const double seconds = msBetween(start, lastDraw) / 1000.0;
    const double perSecond = all && seconds > 0 ? burst / seconds : 0;

    const long plainStart = plainRead.load();
    const auto plainT0 = Clock::now();
    server.send(FakeSrcp073Server::Info, lines);
    while (plainRead.load() < plainStart + burst)
        std::this_thread::yield();
    const double plainPerSecond = burst / (msBetween(plainT0, Clock::now()) / 1000.0);

    client.Disconnect();
    stopAllReaders();
    plain.shutdown();
    baseline.join();
    Postable = nullptr;
    setMainThreadDispatcher(nullptr);

    const Figures o = figures(ours), b = figures(base), c = figures(client080);
    std::printf("samples: %zu of %d, plan of %d detectors, line written while the reader waits in its read\n",
                ours.size(), samples, table.getNumbofEntries());
    std::printf("%-28s p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", "write -> icon drawn (GUI)", o.p50Ms,
                o.p99Ms, o.maxMs);
    std::printf("%-28s p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms  (%zu samples)\n", "SRCP 0.80 -> icon drawn",
                c.p50Ms, c.p99Ms, c.maxMs, client080.size());
    std::printf("%-28s p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", "write -> line read (plain)", b.p50Ms,
                b.p99Ms, b.maxMs);
    std::printf("sustained: command reader %.1f lines/s (10 ms pause per line), plain reader %.0f lines/s\n",
                perSecond, plainPerSecond);

    const double overhead = o.p50Ms - b.p50Ms;
    std::printf("target feedback_latency_p50: %.3f ms (goal < 1 ms) %s\n", o.p50Ms,
                o.p50Ms < 1 ? "PASS" : "FAIL");
    std::printf("target feedback_latency_p99: %.3f ms (goal < 5 ms) %s\n", o.p99Ms,
                o.p99Ms < 5 ? "PASS" : "FAIL");
    std::printf("target feedback_overhead_vs_plain_read_p50: %.3f ms (goal < 0.5 ms) %s\n", overhead,
                overhead < 0.5 ? "PASS" : "FAIL");
    const bool all080 = static_cast<int>(client080.size()) == samples;
    const double ratio080 = o.p50Ms > 0 ? c.p50Ms / o.p50Ms : 0;
    std::printf("target feedback_latency_srcp080_p50: %.3f ms (goal < 1 ms) %s\n", c.p50Ms,
                all080 && c.p50Ms < 1 ? "PASS" : "FAIL");
    std::printf("target feedback_latency_srcp080_p99: %.3f ms (goal < 5 ms) %s\n", c.p99Ms,
                all080 && c.p99Ms < 5 ? "PASS" : "FAIL");
    std::printf("target feedback_srcp080_vs_srcp073_p50: %.2fx (goal <= 2x) %s\n", ratio080,
                all080 && ratio080 <= 2 ? "PASS" : "FAIL");
    std::printf(
        "target feedback_sustained_lines_per_second: %.1f (goal >= 80, the 10 ms pause caps it at 100) %s\n",
        perSecond, perSecond >= 80 ? "PASS" : "FAIL");
    return 0;
}

// Throughput of the SRCP line codec: parsing a realistic mix of INFO lines, and building SET GL
// lines, against a baseline in the same run that only splits the same lines into blank-separated
// tokens. Plain C++ timing: best of several rounds, one core.

#include "srcp/SrcpCmds.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A small deterministic generator, so every run measures the same lines.
struct Lcg {
    std::uint32_t state = 12345;
    std::uint32_t next(std::uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    }
};

std::vector<std::string> MakeInfoLines(std::size_t count) {
    std::vector<std::string> lines;
    lines.reserve(count);
    Lcg rnd;
    char buffer[160];
    for (std::size_t i = 0; i < count; ++i) {
        const double stamp = 1100000.0 + static_cast<double>(i) * 0.137;
        const auto ms = static_cast<long long>(stamp * 1000.0);
        const long long sec = ms / 1000;
        const int frac = static_cast<int>(ms % 1000);
        const std::uint32_t kind = rnd.next(100);
        int n = 0;
        if (kind < 40) { // feedback contacts change most often
            n = std::snprintf(buffer, sizeof buffer, "%lld.%03d 100 INFO 8 FB %u %u", sec, frac,
                              rnd.next(512) + 1, rnd.next(2));
        } else if (kind < 65) {
            n = std::snprintf(buffer, sizeof buffer, "%lld.%03d 100 INFO 1 GL %u %u %u 28 %u %u %u %u %u",
                              sec, frac, rnd.next(99) + 1, rnd.next(2), rnd.next(29), rnd.next(2),
                              rnd.next(2), rnd.next(2), rnd.next(2), rnd.next(2));
        } else if (kind < 85) {
            n = std::snprintf(buffer, sizeof buffer, "%lld.%03d 100 INFO 5 GA %u %u %u", sec, frac,
                              rnd.next(256) + 1, rnd.next(2), rnd.next(2));
        } else if (kind < 90) {
            n = std::snprintf(buffer, sizeof buffer, "%lld.%03d 100 INFO 1 POWER %s", sec, frac,
                              rnd.next(2) ? "ON" : "OFF");
        } else {
            n = std::snprintf(buffer, sizeof buffer, "%lld.%03d 100 INFO 0 TIME %u %u %u %u", sec, frac,
                              rnd.next(365), rnd.next(24), rnd.next(60), rnd.next(60));
        }
        lines.emplace_back(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
    }
    return lines;
}

// Runs one pass of work over the lines repeatedly and returns the best lines per second.
template <typename Pass> double LinesPerSecond(std::size_t linesPerPass, Pass pass) {
    double best = 0.0;
    for (int round = 0; round < 5; ++round) {
        std::size_t lines = 0;
        const auto start = Clock::now();
        auto now = start;
        do {
            pass();
            lines += linesPerPass;
            now = Clock::now();
        } while (now - start < std::chrono::milliseconds(300));
        const double seconds = std::chrono::duration<double>(now - start).count();
        const double rate = static_cast<double>(lines) / seconds;
        if (rate > best)
            best = rate;
    }
    return best;
}

volatile std::uint64_t g_sink = 0;

void Report(const char* name, double measured, double goal, const char* unit) {
    std::printf("target %s: %.3g%s (goal %.3g%s) %s\n", name, measured, unit, goal, unit,
                measured >= goal ? "PASS" : "FAIL");
}

} // namespace

int main() {
    const std::vector<std::string> lines = MakeInfoLines(20000);

    // Baseline: split each line into its blank-separated tokens, nothing more.
    std::vector<std::string_view> tokens;
    tokens.reserve(16);
    const double splitRate = LinesPerSecond(lines.size(), [&] {
        std::uint64_t sum = 0;
        for (const std::string& line : lines) {
            tokens.clear();
            std::string_view rest = line;
            std::string_view token;
            while (true) {
                const bool more = TSRCPCmd::SplitString(' ', rest, token);
                tokens.push_back(token);
                if (!more)
                    break;
            }
            sum += tokens.size() + tokens.back().size();
        }
        g_sink = g_sink + sum;
    });

    TSRCPCmd parser;
    parser.SetSRCPVersion(cv082);
    std::size_t failures = 0;
    const double parseRate = LinesPerSecond(lines.size(), [&] {
        std::uint64_t sum = 0;
        for (const std::string& line : lines) {
            if (!parser.ExamineAnswer(line))
                ++failures;
            sum += static_cast<std::uint64_t>(parser.ResponseCode()) + parser.DeviceGroup();
        }
        g_sink = g_sink + sum;
    });

    // SET GL lines as a throttle sends them: speed, direction and five functions change.
    TSRCPCmd builder;
    builder.SetSRCPVersion(cv082);
    builder.SetCommandType(ctSet);
    builder.SetDeviceGroup(dgLoco);
    builder.SetBus(1);
    builder.DevLoco().SetMaxSpeed(100);
    builder.DevLoco().SetFunctionCount(5);
    constexpr std::size_t buildsPerPass = 10000;
    std::size_t builtBytes = 0;
    const double buildRate = LinesPerSecond(buildsPerPass, [&] {
        for (std::size_t i = 0; i < buildsPerPass; ++i) {
            TSRCPDeviceLoco& loco = builder.DevLoco();
            loco.SetAddress(static_cast<int>(i % 80) + 1);
            loco.SetSpeed(static_cast<int>(i % 101));
            loco.SetDriveMode(i & 1 ? dmForward : dmBackwards);
            loco.SetFunctions(static_cast<int>(i % 5), static_cast<int>((i >> 3) & 1));
            builtBytes += builder.GetCommand().size();
        }
    });
    g_sink = g_sink + builtBytes;

    builder.DevLoco().SetAddress(3);
    std::printf("sample parsed line: %s\n", lines[1].c_str());
    std::printf("sample built line:  %s\n", builder.GetCommand().c_str());
    std::printf("lines rejected by the parser: %zu (expected 0)\n", failures);
    std::printf("split baseline: %.0f lines/s\n", splitRate);
    std::printf("ExamineAnswer:  %.0f lines/s (%.2f of baseline)\n", parseRate, parseRate / splitRate);
    std::printf("GetCommand:     %.0f lines/s\n", buildRate);
    Report("parse_vs_split", parseRate / splitRate, 0.25, "");
    Report("parse_lines_per_second", parseRate, 1e6, "");
    Report("build_set_gl_lines_per_second", buildRate, 1e6, "");
    return 0;
}

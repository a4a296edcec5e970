// A feedback storm: a server that repeats the all-contacts line "INFO FB S88 * " with 4,096 digits,
// alternating between two patterns that differ in every fourth contact. Measured is the GUI thread's
// time for one line (status bar and evaluation, as the command reader hands it over) on a plan of
// 900 elements with 200 detectors and one of 9,000 elements with 2,000 detectors; the baseline of
// the same run is drawing just the detectors that the line changes. Prints one "target" line per
// goal; exits 0 either way.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QImage>

#include "DetectorBench.h"
#include "engine/IconCache.h"
#include "engine/Positionunit.h"
#include "engine/RueckReaders.h"
#include "engine/Rueckmeldeunit.h"
#include "platform/Paths.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Contacts = 4096;
constexpr int Rounds = 400;

// Two patterns of all 4,096 contacts that differ in every fourth one.
std::string patternLine(bool second) {
    std::string digits(Contacts, '0');
    for (int k = 0; k < Contacts; ++k)
        digits[static_cast<std::size_t>(k)] = (k % 2 == 1) != (second && k % 4 == 0) ? '1' : '0';
    return "INFO FB S88 * " + digits;
}

double medianMs(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0 : samples[samples.size() / 2];
}

double timeMs(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Result {
    int elements = 0, detectors = 0, changed = 0;
    double lineMs = 0, baselineMs = 0;
};

// Detector i carries absolute contact i + 1 and sits on one of the plan bitmap's 900 cells; the
// other elements are track, which a feedback line never touches.
Result measure(int elements, int detectors) {
    C_Position table;
    Postable = &table;
    for (int i = 0; i < elements; ++i) {
        auto e = std::make_unique<tPosEntry>();
        e->CompID = i + 1;
        const int cell = i % 900;
        e->Posx = cell % 36 * 27;
        e->Posy = cell / 36 * 27;
        // The detectors are spread through the plan, as a layout's are.
        const int step = elements / detectors;
        const int detector = i % step == 0 ? i / step : -1;
        if (detector >= 0 && detector < detectors) {
            e->Enummer = 65;
            e->Decod1 = detector / 16 + 1;
            e->Daten1 = detector % 16 + 1;
        } else {
            e->Enummer = 1;
        }
        table.addEntry(std::move(e));
    }

    const std::string lines[2] = {patternLine(false), patternLine(true)};
    // The detectors each line changes, and the state it shows them in.
    std::vector<std::pair<const tPosEntry*, int>> changes[2];
    for (const auto& e : table.entries()) {
        if (e->Enummer != 65)
            continue;
        const std::size_t k = static_cast<std::size_t>((e->Decod1 - 1) * 16 + e->Daten1 - 1);
        for (int p = 0; p < 2; ++p)
            if (lines[p][14 + k] != lines[1 - p][14 + k])
                changes[p].emplace_back(e.get(), lines[p][14 + k] - '0');
    }

    const std::string icons[2] = {dataFolder() + "Icon6501.bmp", dataFolder() + "Icon6502.bmp"};
    // Both patterns once, so that every detector shows a state.
    TReadCommand::UpdateStatusBarAndEvaluate(lines[0], lines[0]);
    TReadCommand::UpdateStatusBarAndEvaluate(lines[1], lines[1]);

    // The two run one after the other: the baseline's drawing covers the detectors, and the
    // evaluation, seeing that, would draw them all again.
    std::vector<double> ours, base;
    for (int round = 0; round < Rounds; ++round) {
        const int p = round % 2;
        ours.push_back(timeMs([&] { TReadCommand::UpdateStatusBarAndEvaluate(lines[p], lines[p]); }));
    }
    for (int round = 0; round < Rounds; ++round) {
        const int p = round % 2;
        base.push_back(timeMs([&] {
            for (const auto& [entry, value] : changes[p])
                Bahn->drawIcon(iconCache().load(icons[value]), entry->Posx, entry->Posy, true);
        }));
    }
    Postable = nullptr;

    Result r;
    r.elements = elements;
    r.detectors = detectors;
    r.changed = static_cast<int>(changes[0].size());
    r.lineMs = medianMs(ours);
    r.baselineMs = medianMs(base);
    return r;
}

const char* verdict(bool pass) {
    return pass ? "PASS" : "FAIL";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    DetectorBench bench;
    // The fake window records every repaint it is asked for; a window only marks them.
    bench.form.quarn.setChangedCallback([](const TRect&) {});

    const Result small = measure(900, 200);
    const Result large = measure(9000, 2000);

    for (const Result& r : {small, large})
        std::printf("plan of %5d elements, %4d detectors: one line %.3f ms, drawing its %4d changed "
                    "detectors alone %.3f ms, ratio %.2f\n",
                    r.elements, r.detectors, r.lineMs, r.changed, r.baselineMs,
                    r.baselineMs > 0 ? r.lineMs / r.baselineMs : 0);
    const double ratioSmall = small.baselineMs > 0 ? small.lineMs / small.baselineMs : 0;
    const double ratioLarge = large.baselineMs > 0 ? large.lineMs / large.baselineMs : 0;
    const double growth = small.lineMs > 0 ? large.lineMs / small.lineMs : 0;
    const double changedGrowth = small.changed > 0 ? double(large.changed) / small.changed : 0;
    std::printf("9,000/900: per-line time %.2fx, changed detectors %.2fx\n", growth, changedGrowth);

    std::printf("target storm_line_vs_drawing_900: %.2f (goal <= 2.00) %s\n", ratioSmall,
                verdict(ratioSmall <= 2.0));
    std::printf("target storm_line_vs_drawing_9000: %.2f (goal <= 2.00) %s\n", ratioLarge,
                verdict(ratioLarge <= 2.0));
    std::printf("target storm_line_ms_900: %.3f ms (goal < 1 ms) %s\n", small.lineMs,
                verdict(small.lineMs < 1.0));
    std::printf("target storm_growth_vs_changed_detectors: %.2f (goal < 2.00) %s\n",
                changedGrowth > 0 ? growth / changedGrowth : 0,
                verdict(changedGrowth > 0 && growth < 2.0 * changedGrowth));
    return 0;
}

// Feeds arbitrary lines to the S88 feedback line parser of the "SRCP 0.73" transport, as a server
// sends them on the command and poll connections, and checks that merging two all-contacts lines
// (as the readers do while a line waits for the GUI thread) has the effect of both in turn.

#include "engine/FeedbackLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// The state of absolute contact k at index k - 1: '0', '1', or '-' while none was reported.
using States = std::string;

void applyRun(const std::string& line, States& states) {
    const std::string run = contactRun(line);
    if (states.size() < run.size())
        states.resize(run.size(), '-');
    for (std::size_t k = 0; k < run.size(); ++k)
        if (run[k] == '0' || run[k] == '1')
            states[k] = run[k];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::string previousAll;
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        std::string line(rest.substr(0, lf));
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        if (!isFeedbackLine(line))
            continue;
        if (!isAllContactsLine(line)) {
            const ContactReport report = parseContactLine(line);
            if (!report.ignored) {
                if (report.value != 0 && report.value != 1)
                    std::abort();
                const S88Contact c = s88Contact(report.contact);
                if (c.Portnr == 0 || c.Portnr > 16 || c.Portnr < -15)
                    std::abort();
            }
            continue;
        }
        if (!previousAll.empty()) {
            States one, two;
            applyRun(previousAll, one);
            applyRun(line, one);
            const std::string merged = mergeAllContactsLines(previousAll, line);
            if (!isAllContactsLine(merged))
                std::abort();
            applyRun(merged, two);
            if (one != two)
                std::abort();
        }
        previousAll = line;
    }
    return 0;
}

#include "platform/LineTransport.h"

#include <chrono>

namespace {

std::string trimBlanks(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

} // namespace

std::string LineTransport::readFirstNonEmptyLine(int maxLines, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const bool limited = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    const std::string timeoutText = "read: no line within " + std::to_string(timeoutMs) + " ms";
    for (int i = 0; i < maxLines; ++i) {
        int left = 0;
        if (limited) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (ms <= 0) {
                close();
                throw TimeoutError(timeoutText);
            }
            left = static_cast<int>(ms);
        }
        std::string line;
        try {
            line = trimBlanks(readLine(left));
        } catch (const TimeoutError&) {
            // Closed already; the caller's bound is the one to name, not what was left of it.
            throw TimeoutError(timeoutText);
        }
        if (!line.empty())
            return line;
    }
    return {};
}

#include "engine/FeedbackLine.h"

#include <algorithm>
#include <optional>

#include "platform/TextFile.h"

namespace {

constexpr const char* FeedbackPrefix = "INFO FB S88";
constexpr std::size_t FeedbackPrefixLength = 11;
// Character 13 of a feedback line tells the two forms apart.
constexpr std::size_t FormIndex = 12;
// What precedes the run of an all-contacts line: "INFO FB S88 * ".
constexpr std::size_t RunStart = 14;
constexpr std::size_t ContactStart = 12;

// Blanks and control characters off both ends.
std::string trimmed(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

bool reportsState(char c) {
    return c == '0' || c == '1';
}

} // namespace

S88Contact s88Contact(int Nr) {
    S88Contact c;
    c.Portnr = Nr % 16;
    c.Modul = Nr / 16 + 1;
    if (c.Portnr == 0) {
        c.Portnr = 16;
        if (c.Modul > 0)
            --c.Modul;
    }
    return c;
}

bool isFeedbackLine(const std::string& line) {
    return line.compare(0, FeedbackPrefixLength, FeedbackPrefix) == 0;
}

bool isAllContactsLine(const std::string& line) {
    return isFeedbackLine(line) && line.size() > FormIndex && line[FormIndex] == '*';
}

ContactReport parseContactLine(const std::string& line) {
    ContactReport report;
    const std::string text = line.size() > ContactStart ? trimmed(line.substr(ContactStart)) : std::string();
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos) {
        report.ignored = "no value";
        return report;
    }
    const std::optional<int> nr = parseDecimalInt(text.substr(0, blank));
    const std::optional<int> value = parseDecimalInt(text.substr(blank + 1));
    if (!nr)
        report.ignored = "contact is not a number";
    else if (!value || (*value != 0 && *value != 1))
        report.ignored = "value is not 0 or 1";
    else {
        report.contact = *nr;
        report.value = *value;
    }
    return report;
}

std::string contactRun(const std::string& line) {
    return line.size() > RunStart ? trimmed(line.substr(RunStart)) : std::string();
}

std::string mergeAllContactsLines(const std::string& older, const std::string& newer) {
    const std::string a = contactRun(older), b = contactRun(newer);
    // A position that neither line reports keeps a character that reports nothing and is no blank,
    // so that the positions after it keep their numbers.
    std::string run(std::max(a.size(), b.size()), '-');
    for (std::size_t k = 0; k < run.size(); ++k) {
        if (k < b.size() && reportsState(b[k]))
            run[k] = b[k];
        else if (k < a.size() && reportsState(a[k]))
            run[k] = a[k];
    }
    return std::string(FeedbackPrefix) + " * " + run;
}

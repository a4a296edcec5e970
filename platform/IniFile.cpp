#include "platform/IniFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Case folding for Windows-1252 letters: ASCII and the Latin-1 range (but not the multiplication sign).
unsigned char fold(unsigned char c) {
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 32);
    return c;
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

void checkName(std::string_view name, std::string_view forbidden, const char* what) {
    if (trim(name).empty() || name.find_first_of(forbidden) != std::string_view::npos)
        throw std::invalid_argument(std::string("unusable INI ") + what + " name");
}

} // namespace

struct IniFile::Line {
    enum Kind { Other, Section, Entry };
    Kind kind = Other;
    std::string raw;   // the line as read, without its line end; rebuilt for changed lines
    std::string name;  // section or key name, trimmed
    std::string value; // entry value, trimmed
};

IniFile::IniFile(std::string fileName) : m_fileName(std::move(fileName)) {}

std::vector<IniFile::Line> IniFile::load(bool forWrite) const {
    std::vector<Line> lines;
    FILE* f = std::fopen(m_fileName.c_str(), "rb");
    if (!f) {
        // A missing file is empty. Any other failure must not lead a write to replace the file.
        if (errno != ENOENT && forWrite)
            throw IniFileError("Unable to read " + m_fileName + ": " + std::strerror(errno));
        return lines;
    }
    std::string text;
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        if (forWrite)
            throw IniFileError("Unable to read " + m_fileName);
        return {};
    }

    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string_view raw(text.data() + pos, (end == std::string::npos ? text.size() : end) - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            t.remove_prefix(1);
            std::size_t close = t.find(']');
            line.kind = Line::Section;
            line.name = std::string(trim(t.substr(0, close)));
        } else if (!t.empty() && t.front() != ';') {
            std::size_t eq = t.find('=');
            if (eq != std::string_view::npos && !trim(t.substr(0, eq)).empty()) {
                line.kind = Line::Entry;
                line.name = std::string(trim(t.substr(0, eq)));
                line.value = std::string(trim(t.substr(eq + 1)));
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void IniFile::save(const std::vector<Line>& lines) const {
    std::string text;
    for (const Line& line : lines) {
        text += line.raw;
        text += "\r\n";
    }

    // Write beside the file and rename over it, so that a failed write never leaves a truncated file.
    static std::atomic<int> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = m_fileName + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw IniFileError("Unable to write to " + m_fileName + ": " + std::strerror(errno));

    struct stat old {};
    if (::stat(m_fileName.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        ok = w > 0;
        if (ok)
            done += static_cast<std::size_t>(w);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), m_fileName.c_str()) == 0;
    if (!ok) {
        int err = errno;
        ::unlink(temp.c_str());
        throw IniFileError("Unable to write to " + m_fileName + ": " + std::strerror(err));
    }
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    std::vector<Line> lines = load(false);
    bool inSection = false;
    for (const Line& line : lines) {
        if (line.kind == Line::Section) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = sameText(line.name, trim(section));
        } else if (inSection && line.kind == Line::Entry && sameText(line.name, trim(key))) {
            return line.value;
        }
    }
    return std::string(defaultValue);
}

int IniFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const {
    int value = 0;
    return parseInteger(readString(section, key, ""), value) ? value : defaultValue;
}

std::vector<std::string> IniFile::readSection(std::string_view section) const {
    std::vector<std::string> keys;
    bool inSection = false;
    for (const Line& line : load(false)) {
        if (line.kind == Line::Section) {
            if (inSection)
                break;
            inSection = sameText(line.name, trim(section));
        } else if (inSection && line.kind == Line::Entry) {
            bool seen = false;
            for (const std::string& k : keys)
                seen = seen || sameText(k, line.name);
            if (!seen)
                keys.push_back(line.name);
        }
    }
    return keys;
}

bool IniFile::sectionExists(std::string_view section) const {
    for (const Line& line : load(false))
        if (line.kind == Line::Section && sameText(line.name, trim(section)))
            return true;
    return false;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    checkName(section, "[]\r\n", "section");
    checkName(key, "=[\r\n", "key");
    std::string cleanValue(trim(value));
    for (char& c : cleanValue)
        if (c == '\r' || c == '\n')
            c = ' ';
    std::vector<Line> lines = load(true);

    Line entry;
    entry.kind = Line::Entry;
    entry.name = std::string(trim(key));
    entry.value = cleanValue;
    entry.raw = entry.name + "=" + entry.value;

    std::size_t header = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Section && sameText(lines[i].name, trim(section))) {
            header = i;
            break;
        }
    if (header == lines.size()) {
        Line head;
        head.kind = Line::Section;
        head.name = std::string(trim(section));
        head.raw = "[" + head.name + "]";
        lines.push_back(std::move(head));
        lines.push_back(std::move(entry));
        save(lines);
        return;
    }

    // A new key goes after the last non-blank line of the section, so that blank lines between
    // sections stay where they are.
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < lines.size() && lines[i].kind != Line::Section; ++i) {
        if (lines[i].kind == Line::Entry && sameText(lines[i].name, entry.name)) {
            lines[i].value = entry.value;
            lines[i].raw = lines[i].name + "=" + entry.value;
            save(lines);
            return;
        }
        if (!trim(lines[i].raw).empty())
            insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    save(lines);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::eraseSection(std::string_view section) {
    std::vector<Line> lines = load(true);
    std::vector<Line> kept;
    bool erasing = false;
    bool changed = false;
    for (Line& line : lines) {
        if (line.kind == Line::Section)
            erasing = sameText(line.name, trim(section));
        if (erasing)
            changed = true;
        else
            kept.push_back(std::move(line));
    }
    if (changed)
        save(kept);
}

bool IniFile::parseInteger(std::string_view text, int& value) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return false;
    long long magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    long long v = negative ? -magnitude : magnitude;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

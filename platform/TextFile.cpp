#include "platform/TextFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxNumberLength = 32;

std::string errorText(int error) {
    return std::strerror(error);
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool endsRun(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b <= 0x20 || b == 0x7F;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
}

// Renames from to to unless something stands at to; false with errno set otherwise (EEXIST when
// the name is taken). A check first and a rename then could replace what another program made
// between the two.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A filesystem that cannot rename without replacing: a second name, which link() never puts
    // over an existing one, then the first name goes.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    if (::unlink(from.c_str()) != 0) {
        const int error = errno;
        ::unlink(to.c_str());
        errno = error;
        return false;
    }
    return true;
}

} // namespace

bool nothingStandsAt(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

std::string keepAside(const std::string& path, const std::string& stem) {
    for (int n = 0; n < MaxBackupNames; ++n) {
        const std::string backup = stem + ".bak" + (n == 0 ? std::string() : std::to_string(n));
        if (renameWithoutReplacing(path, backup))
            return backup;
        if (errno != EEXIST)
            throw TextFileError("cannot keep " + path + " as " + backup + ": " + errorText(errno));
    }
    throw TextFileError("cannot keep " + path + ": every name from " + stem + ".bak to " + stem + ".bak" +
                        std::to_string(MaxBackupNames - 1) + " is taken");
}

std::optional<int32_t> parseDecimalInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    // from_chars takes no '+'; "+-5" stays refused.
    if (last - first >= 2 && *first == '+' && first[1] != '-')
        ++first;
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, 10);
    if (first == last || ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

std::string readRegularFile(const std::string& path, std::size_t maxBytes) {
    const auto refuse = [&path](const std::string& why) -> TextFileError {
        return TextFileError("cannot open " + path + ": " + why);
    };
    // Looked at before it is opened too: opening some devices has effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        throw refuse(S_ISDIR(st.st_mode) ? errorText(EISDIR) : "not a regular file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw refuse(errorText(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // The name may have been replaced between the two looks.
    if (::fstat(fd, &st) != 0)
        throw refuse(errorText(errno));
    if (!S_ISREG(st.st_mode))
        throw refuse(S_ISDIR(st.st_mode) ? errorText(EISDIR) : "not a regular file");
    const auto tooLarge = [&] { return refuse("larger than " + std::to_string(maxBytes) + " bytes"); };
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        throw tooLarge();

    std::string bytes;
    char chunk[65536];
    // The size is only a hint: a file may grow while it is read, and some report none.
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw TextFileError("cannot read " + path + ": " + errorText(errno));
        }
        if (n == 0)
            return bytes;
        if (static_cast<std::size_t>(n) > maxBytes - bytes.size())
            throw tooLarge();
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
}

TextReader::TextReader(const std::string& path, std::size_t maxBytes)
    : m_path(path), m_bytes(readRegularFile(path, maxBytes)) {}

TextReader TextReader::fromBytes(std::string bytes, std::string name) {
    TextReader reader;
    reader.m_path = std::move(name);
    reader.m_bytes = std::move(bytes);
    return reader;
}

bool TextReader::hasValue() const {
    for (std::size_t i = m_pos; i < m_bytes.size(); ++i)
        if (!isSpace(m_bytes[i]))
            return true;
    return false;
}

void TextReader::skipLine() {
    const auto lf = m_bytes.find('\n', m_pos);
    m_pos = lf == std::string::npos ? m_bytes.size() : lf + 1;
    ++m_line;
}

int32_t TextReader::readInt() {
    while (m_pos < m_bytes.size() && isSpace(m_bytes[m_pos])) {
        if (m_bytes[m_pos] == '\n')
            ++m_line;
        ++m_pos;
    }
    if (atEnd())
        return 0;
    const std::size_t start = m_pos;
    std::size_t end = start;
    while (end < m_bytes.size() && !endsRun(m_bytes[end]))
        ++end;
    const std::string run = m_bytes.substr(start, end - start);
    const std::string where = m_path + ", line " + std::to_string(m_line);
    if (run.size() > kMaxNumberLength)
        throw TextFileError(where + ": number too long");

    // from_chars takes no leading '+'.
    const char* first = run.data();
    const char* last = run.data() + run.size();
    if (first != last && *first == '+' && (last - first < 2 || first[1] != '-'))
        ++first;
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, 10);
    if (ec == std::errc::result_out_of_range)
        throw TextFileError(where + ": number out of range: \"" + run + "\"");
    if (ec != std::errc() || ptr != last || first == last)
        throw TextFileError(where + ": not a number: \"" + run + "\"");
    m_pos = end;
    skipLine();
    return value;
}

std::string TextReader::readString() {
    if (atEnd())
        return {};
    const auto lf = m_bytes.find('\n', m_pos);
    const std::size_t end = lf == std::string::npos ? m_bytes.size() : lf;
    std::string line = m_bytes.substr(m_pos, end - m_pos);
    // A CR before the LF belongs to the line end; so does one left at the very end of the file.
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    m_pos = lf == std::string::npos ? m_bytes.size() : lf + 1;
    ++m_line;
    return line;
}

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

TextWriter::TextWriter(const std::string& path) : m_path(path) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = folderOf(path);
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        throw TextFileError("cannot create " + path + ": no file name");
    // open() with O_EXCL and mode 0666 keeps the user's umask, which mkstemp's 0600 would not.
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_tempPath = folder + "/." + name + ".tmp" + std::to_string(getpid()) + "-" +
                     std::to_string(counter.fetch_add(1));
        m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0)
            break;
        if (errno != EEXIST)
            throw TextFileError("cannot create " + path + ": " + errorText(errno));
    }
    if (m_fd < 0)
        throw TextFileError("cannot create " + path + ": " + errorText(EEXIST));
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        (void)fchmod(m_fd, st.st_mode & 07777);
}

TextWriter::~TextWriter() {
    discard();
}

void TextWriter::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_committed && !m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

void TextWriter::fail(const std::string& what, int error) {
    discard();
    throw TextFileError(what + " " + m_path + ": " + errorText(error));
}

void TextWriter::writeInt(int32_t value) {
    char digits[16];
    const auto [ptr, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec; // 16 characters always suffice for a 32-bit number
    m_buffer.append(digits, ptr);
    m_buffer += "\r\n";
}

bool holdsControlByte(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            return true;
    return false;
}

void TextWriter::writeString(const std::string& value) {
    const std::size_t start = m_buffer.size();
    m_buffer += value;
    for (std::size_t i = start; i < m_buffer.size(); ++i)
        if (m_buffer[i] == '\r' || m_buffer[i] == '\n')
            m_buffer[i] = ' ';
    m_buffer += "\r\n";
}

void TextWriter::commit() {
    if (m_committed)
        return;
    if (m_fd < 0)
        throw TextFileError("cannot write " + m_path + ": the file was discarded after an error");
    std::size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("cannot write", errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(m_fd) != 0)
        fail("cannot write", errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail("cannot write", errno);
    if (::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
        fail("cannot replace", errno);
    m_committed = true;
    // Make the rename itself durable; a failure here leaves a complete file either way.
    const int dir = ::open(folderOf(m_path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The data files are text with one value per line, read with LF or CR LF line ends and written with
// CR LF. Their bytes are Windows-1252 and pass through unchanged. Paths are used as given; callers
// that hold a Windows-style name pass it through resolvePath first.

// An input/output error: a file that cannot be opened or written, or a malformed number.
class TextFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A decimal 32-bit integer: leading blanks and one sign allowed, nothing after the digits (the font
// line's size and the feedback lines rely on this strictness). Empty when the text is not such a
// number or out of range.
std::optional<int32_t> parseDecimalInt(std::string_view text);

// True when text holds a byte below 0x20 (CR, LF, tab, NUL and the like). Such a byte in a command
// would end it early at the server and make the rest a command of its own, so the command builders
// refuse it. The data files read and write such values as they stand (see TextWriter::writeString).
bool holdsControlByte(std::string_view text);

// The whole of a regular file, at most maxBytes long. The file is opened without blocking and
// checked to be a regular file before anything is read, so that a FIFO, a device or a folder given
// for a data file is an error instead of a start that waits for ever or reads without end. Throws
// TextFileError naming the path when the file is missing, not a regular file, longer than maxBytes
// or cannot be read.
std::string readRegularFile(const std::string& path, std::size_t maxBytes);

// The bound of a data file whose caller names none: the settings file and the element catalogue
// are some ten kilobytes.
inline constexpr std::size_t MaxTextFileBytes = 4u << 20;

// True when no file, folder, link or anything else stands at path (a dangling link counts as
// something). Any other failure to look counts as something standing there.
bool nothingStandsAt(const std::string& path);

// The most names keepAside tries: path + ".bak", then ".bak1" up to ".bak999".
inline constexpr int MaxBackupNames = 1000;

// Moves whatever stands at path (a file, a link, a pipe, a folder) to the first of the names
// stem + ".bak", ".bak1", ".bak2", ... that nothing stands under, and returns that name; stem is path
// itself unless given. Nothing that stands under such a name is ever replaced, also when another
// program makes it meanwhile. Throws TextFileError naming path when the move fails or all
// MaxBackupNames names are taken.
std::string keepAside(const std::string& path, const std::string& stem);
inline std::string keepAside(const std::string& path) {
    return keepAside(path, path);
}

class TextReader {
public:
    // Reads the whole file as readRegularFile does; throws TextFileError when it cannot.
    explicit TextReader(const std::string& path, std::size_t maxBytes = MaxTextFileBytes);
    // name stands for the file in error messages.
    static TextReader fromBytes(std::string bytes, std::string name = "(text)");

    // Skips blanks, tabs and line ends, converts the following run of characters that are neither
    // blanks nor control characters as a signed decimal 32-bit number and skips the rest of its line.
    // Reads 0 at the end of the file. A run that is not such a number, or is longer than 32
    // characters, throws TextFileError.
    int32_t readInt();
    // The rest of the current line (without its CR LF or LF); then moves to the next line.
    // Reads "" at the end of the file.
    std::string readString();
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // True while anything but blanks and line ends is left: readInt would find a value.
    bool hasValue() const;
    std::size_t remainingBytes() const { return m_bytes.size() - m_pos; }
    // The line the next value is read from, counted from 1.
    int line() const { return m_line; }
    const std::string& name() const { return m_path; }

private:
    TextReader() = default;
    void skipLine();

    std::string m_path;
    std::string m_bytes;
    std::size_t m_pos = 0;
    int m_line = 1;
};

// Makes a write beyond the process's file-size limit (RLIMIT_FSIZE) fail with EFBIG, which the
// writer reports as on a full disk, instead of ending the program by SIGXFSZ with a temporary file
// left behind. Called once at program start.
void ignoreFileSizeSignal();

// Writes a file in one piece: the lines go to a temporary file in the same folder, which commit()
// moves over the old file. Until then (and when commit fails) the old file is untouched; a writer
// destroyed without commit removes its temporary file.
class TextWriter {
public:
    // Creates the temporary file; throws TextFileError when the folder does not allow it.
    explicit TextWriter(const std::string& path);
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void writeInt(int32_t value);
    // Writes value unchanged, a tab or any other byte included, except CR and LF: either one ends a
    // line for the readers of these files (a CR alone does for readers on Windows), which would
    // shift every later value by a line. Each is written as a blank.
    void writeString(const std::string& value);
    // Writes, flushes to disk and renames over the old file; throws TextFileError on any failure.
    void commit();

private:
    void discard();
    [[noreturn]] void fail(const std::string& what, int error);

    std::string m_path;
    std::string m_tempPath;
    std::string m_buffer;
    int m_fd = -1;
    bool m_committed = false;
};

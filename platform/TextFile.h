#pragma once

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

// A decimal 32-bit integer as the original's integer conversion takes it: leading blanks and one sign
// allowed, nothing after the digits. Empty when the text is not such a number or out of range.
std::optional<int32_t> parseDecimalInt(std::string_view text);

class TextReader {
public:
    // Reads the whole file; throws TextFileError when it cannot be opened or read.
    explicit TextReader(const std::string& path);
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
    // A CR or LF inside value is written as a blank, so that the value stays on one line.
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

#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Raised when an INI file cannot be written (or, before a write, cannot be read).
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An INI file with the behaviour Windows programs expect of one: section and key names are compared
// without regard to case, names and values are trimmed, the first of several equal sections or keys
// counts, and every call works on the file as it is on disk (a missing file reads as empty and is
// created by the first write). Lines are read with LF or CR LF and written with CR LF; lines the class
// does not understand (comments, text before the first section) are kept as they are.
// Contents are byte strings (Windows-1252); nothing is converted.
class IniFile {
public:
    explicit IniFile(std::string fileName);

    const std::string& fileName() const { return m_fileName; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // A value that is not a whole integer (decimal, or hexadecimal after "$" or "0x") gives the default.
    int readInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // The key names of a section in file order, each once, as spelled in the file.
    std::vector<std::string> readSection(std::string_view section) const;
    bool sectionExists(std::string_view section) const;

    // A line break inside a value would split it into two lines; each CR or LF is written as a blank.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    // Removes every section of that name with all its lines.
    void eraseSection(std::string_view section);

    // The whole text as an integer: optional sign, then decimal digits or hex digits after "$" or "0x".
    static bool parseInteger(std::string_view text, int& value);

private:
    struct Line;
    std::vector<Line> load(bool forWrite) const;
    void save(const std::vector<Line>& lines) const;

    std::string m_fileName;
};

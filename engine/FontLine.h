#pragma once

#include <stdexcept>
#include <string>

#include "platform/ColorNames.h"

// A text that does not convert: a malformed font line, a size or colour that is not a number.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A label's font as its font line "name,size,BIUS,colour" holds it, e.g. "Arial,10,1000,clBlack".
struct FontLine {
    std::string name; // Windows-1252 bytes
    int size = 0;     // points, as written; also 0 or below
    bool bold = false, italic = false, underline = false, strikeOut = false;
    TColor color = clWindowText;
    bool operator==(const FontLine&) const = default;
};

// Reads the line from the right, so that a name may itself hold a comma. Throws ConversionError
// "Invalid string to font conversion" for a line without its commas or four style characters, and
// "'x' is not a valid integer value" for a size or colour that does not convert.
FontLine parseFontLine(const std::string& line);
std::string formatFontLine(const FontLine& font);

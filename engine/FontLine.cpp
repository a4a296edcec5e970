#include "engine/FontLine.h"

#include <optional>

#include "platform/TextFile.h"

namespace {

[[noreturn]] void invalidLine() {
    throw ConversionError("Invalid string to font conversion");
}

[[noreturn]] void invalidInteger(const std::string& text) {
    throw ConversionError("'" + text + "' is not a valid integer value");
}

} // namespace

FontLine parseFontLine(const std::string& s) {
    const std::size_t colorComma = s.rfind(',');
    if (colorComma == std::string::npos || colorComma < 5 || s[colorComma - 5] != ',')
        invalidLine();
    const std::size_t styleComma = colorComma - 5;
    if (styleComma == 0)
        invalidLine();
    const std::size_t sizeComma = s.rfind(',', styleComma - 1);
    if (sizeComma == std::string::npos)
        invalidLine();

    const std::string sizeText = s.substr(sizeComma + 1, styleComma - sizeComma - 1);
    const std::string style = s.substr(styleComma + 1, 4);
    // Read from the left, the style ends at the first comma after the size; one inside it is an error.
    if (style.find(',') != std::string::npos)
        invalidLine();
    const std::string colorText = s.substr(colorComma + 1);

    FontLine font;
    const std::optional<int32_t> size = parseDecimalInt(sizeText);
    if (!size)
        invalidInteger(sizeText);
    if (!StringToColor(colorText, font.color))
        invalidInteger(colorText);
    font.name = s.substr(0, sizeComma);
    font.size = *size;
    font.bold = style[0] == '1';
    font.italic = style[1] == '1';
    font.underline = style[2] == '1';
    font.strikeOut = style[3] == '1';
    return font;
}

std::string formatFontLine(const FontLine& font) {
    const char style[5] = {font.bold ? '1' : '0', font.italic ? '1' : '0', font.underline ? '1' : '0',
                           font.strikeOut ? '1' : '0', '\0'};
    return font.name + "," + std::to_string(font.size) + "," + style + "," + ColorToString(font.color);
}

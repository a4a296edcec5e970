#include "platform/ColorNames.h"

#include <charconv>
#include <cstdio>
#include <iterator>

namespace {

struct NamedColor {
    TColor value;
    const char* name;
};

constexpr NamedColor kNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return i == a.size() && b[i] == '\0';
}

} // namespace

std::string ColorToString(TColor color) {
    for (const NamedColor& named : kNames)
        if (named.value == color)
            return named.name;
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(static_cast<uint32_t>(color)));
    return text;
}

bool StringToColor(const std::string& text, TColor& color) {
    for (const NamedColor& named : kNames) {
        if (equalsIgnoringAsciiCase(text, named.name)) {
            color = named.value;
            return true;
        }
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '$') {
        ++first;
        if (last - first < 1 || last - first > 8)
            return false;
        uint32_t value = 0;
        const auto [ptr, ec] = std::from_chars(first, last, value, 16);
        if (ec != std::errc() || ptr != last)
            return false;
        color = static_cast<TColor>(value);
        return true;
    }
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, 10);
    if (first == last || ec != std::errc() || ptr != last)
        return false;
    color = value;
    return true;
}

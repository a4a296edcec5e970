#include "platform/qt/Colors.h"

#include <charconv>
#include <cstdio>

#include <QGuiApplication>
#include <QPalette>

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

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// By system colour index 0 to 24.
constexpr SystemRole kSystemRoles[] = {
    {QPalette::Active, QPalette::Button},            // clScrollBar
    {QPalette::Active, QPalette::Dark},              // clBackground (the desktop)
    {QPalette::Active, QPalette::Highlight},         // clActiveCaption
    {QPalette::Inactive, QPalette::Highlight},       // clInactiveCaption
    {QPalette::Active, QPalette::Window},            // clMenu
    {QPalette::Active, QPalette::Base},              // clWindow
    {QPalette::Active, QPalette::Shadow},            // clWindowFrame
    {QPalette::Active, QPalette::WindowText},        // clMenuText
    {QPalette::Active, QPalette::Text},              // clWindowText
    {QPalette::Active, QPalette::HighlightedText},   // clCaptionText
    {QPalette::Active, QPalette::Window},            // clActiveBorder
    {QPalette::Inactive, QPalette::Window},          // clInactiveBorder
    {QPalette::Active, QPalette::Dark},              // clAppWorkSpace
    {QPalette::Active, QPalette::Highlight},         // clHighlight
    {QPalette::Active, QPalette::HighlightedText},   // clHighlightText
    {QPalette::Active, QPalette::Button},            // clBtnFace
    {QPalette::Active, QPalette::Dark},              // clBtnShadow
    {QPalette::Disabled, QPalette::Text},            // clGrayText
    {QPalette::Active, QPalette::ButtonText},        // clBtnText
    {QPalette::Inactive, QPalette::HighlightedText}, // clInactiveCaptionText
    {QPalette::Active, QPalette::Light},             // clBtnHighlight
    {QPalette::Active, QPalette::Shadow},            // cl3DDkShadow
    {QPalette::Active, QPalette::Midlight},          // cl3DLight
    {QPalette::Active, QPalette::ToolTipText},       // clInfoText
    {QPalette::Active, QPalette::ToolTipBase},       // clInfoBk
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

QColor colorFromTColor(TColor color) {
    const auto bits = static_cast<uint32_t>(color);
    // Any value with the top bit set names the system colour of its low byte.
    if (color < 0) {
        const uint32_t index = bits & 0xFFu;
        // An index the system does not know has no colour there; it draws black.
        if (index >= std::size(kSystemRoles))
            return QColor(0, 0, 0);
        const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                     ? QGuiApplication::palette()
                                     : QPalette();
        const SystemRole& r = kSystemRoles[index];
        return palette.color(r.group, r.role);
    }
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                  static_cast<int>((bits >> 16) & 0xFF));
}

TColor tcolorFromQColor(const QColor& color) {
    if (!color.isValid())
        return clNone;
    const QColor rgb = color.toRgb();
    return static_cast<TColor>(static_cast<uint32_t>(rgb.red()) | static_cast<uint32_t>(rgb.green()) << 8 |
                               static_cast<uint32_t>(rgb.blue()) << 16);
}

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

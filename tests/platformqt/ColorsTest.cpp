#include "platform/qt/Colors.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Named {
    uint32_t value;
    const char* name;
};

const Named kNamed[] = {
    {0x00000000, "clBlack"},   {0x00000080, "clMaroon"},     {0x00008000, "clGreen"},
    {0x00008080, "clOlive"},   {0x00800000, "clNavy"},       {0x00800080, "clPurple"},
    {0x00808000, "clTeal"},    {0x00808080, "clGray"},       {0x00C0C0C0, "clSilver"},
    {0x000000FF, "clRed"},     {0x0000FF00, "clLime"},       {0x0000FFFF, "clYellow"},
    {0x00FF0000, "clBlue"},    {0x00FF00FF, "clFuchsia"},    {0x00FFFF00, "clAqua"},
    {0x00FFFFFF, "clWhite"},   {0x00C0DCC0, "clMoneyGreen"}, {0x00F0CAA6, "clSkyBlue"},
    {0x00F0FBFF, "clCream"},   {0x00A4A0A0, "clMedGray"},    {0x1FFFFFFF, "clNone"},
    {0x20000000, "clDefault"},
};

// The system colours, numbered from 0xFF000000 in this order.
const char* const kSystem[] = {
    "clScrollBar",    "clBackground",     "clActiveCaption", "clInactiveCaption", "clMenu",
    "clWindow",       "clWindowFrame",    "clMenuText",      "clWindowText",      "clCaptionText",
    "clActiveBorder", "clInactiveBorder", "clAppWorkSpace",  "clHighlight",       "clHighlightText",
    "clBtnFace",      "clBtnShadow",      "clGrayText",      "clBtnText",         "clInactiveCaptionText",
    "clBtnHighlight", "cl3DDkShadow",     "cl3DLight",       "clInfoText",        "clInfoBk"};

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

TEST(Colors, NamesConvertBothWays) {
    std::vector<Named> named(std::begin(kNamed), std::end(kNamed));
    for (std::size_t i = 0; i < std::size(kSystem); ++i)
        named.push_back({0xFF000000 + static_cast<uint32_t>(i), kSystem[i]});
    ASSERT_EQ(named.size(), 47u);
    for (const Named& n : named) {
        SCOPED_TRACE(n.name);
        const auto value = static_cast<TColor>(n.value);
        EXPECT_EQ(ColorToString(value), n.name);
        for (const std::string& spelling : {std::string(n.name), upper(n.name)}) {
            TColor parsed = 12345;
            ASSERT_TRUE(StringToColor(spelling, parsed)) << spelling;
            EXPECT_EQ(parsed, value);
        }
    }
}

TEST(Colors, UnnamedValuesAreEightHexDigits) {
    struct Case {
        uint32_t value;
        const char* text;
    } cases[] = {
        {0x00C0DCC1, "$00C0DCC1"}, {0x0000007F, "$0000007F"}, {0x12ABCDEF, "$12ABCDEF"},
        {0xFF000019, "$FF000019"}, {0x80000005, "$80000005"}, {0xFFFFFFFF, "$FFFFFFFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ColorToString(static_cast<TColor>(c.value)), c.text);
        TColor parsed = 0;
        ASSERT_TRUE(StringToColor(c.text, parsed));
        EXPECT_EQ(parsed, static_cast<TColor>(c.value));
    }
}

TEST(Colors, ParsesNumbersAndRejectsTheRest) {
    struct Good {
        const char* text;
        uint32_t value;
    } good[] = {
        {"$ff", 0xFF},  {"$0000FF00", 0xFF00},        {"$1", 1},          {"255", 255},
        {"+5", 5},      {"-16777208", 0xFF000008},    {"-1", 0xFFFFFFFF}, {"2147483647", 0x7FFFFFFF},
        {"clblack", 0}, {"CLWINDOWTEXT", 0xFF000008},
    };
    for (const auto& g : good) {
        SCOPED_TRACE(g.text);
        TColor parsed = 99;
        ASSERT_TRUE(StringToColor(g.text, parsed));
        EXPECT_EQ(parsed, static_cast<TColor>(g.value));
    }
    const char* bad[] = {"",    "$",  "$123456789", "$-1",  "$+1",        "$12G", "cl", "clRedd", "Red",
                         "12a", " 5", "5 ",         "0x10", "2147483648", "+-1",  "-",  "+"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        TColor parsed = 99;
        EXPECT_FALSE(StringToColor(text, parsed));
        EXPECT_EQ(parsed, 99);
    }
}

TEST(Colors, ConvertsToQtColours) {
    struct Case {
        const char* name;
        uint32_t value;
        QColor expected;
    } cases[] = {
        {"red", 0x000000FF, QColor(255, 0, 0)},
        {"byte order", 0x00112233, QColor(0x33, 0x22, 0x11)},
        {"clNone keeps its low bytes", 0x1FFFFFFF, QColor(255, 255, 255)},
        {"clDefault keeps its low bytes", 0x20000000, QColor(0, 0, 0)},
        {"unknown system index", 0xFF000099, QColor(0, 0, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(colorFromTColor(static_cast<TColor>(c.value)), c.expected);
    }
    EXPECT_EQ(tcolorFromQColor(QColor(0x33, 0x22, 0x11)), 0x00112233);
    EXPECT_EQ(tcolorFromQColor(QColor(0x33, 0x22, 0x11, 0x40)), 0x00112233);
    EXPECT_EQ(tcolorFromQColor(QColor()), clNone);
    EXPECT_EQ(tcolorFromQColor(QColor::fromHsv(0, 255, 255)), clRed);
}

TEST(Colors, SystemColoursFollowTheApplicationPalette) {
    const QPalette saved = QGuiApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Active, QPalette::Text, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Button, QColor(4, 5, 6));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(7, 8, 9));
    palette.setColor(QPalette::Active, QPalette::ToolTipBase, QColor(10, 11, 12));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(13, 14, 15));
    QGuiApplication::setPalette(palette);
    struct Case {
        TColor color;
        QColor expected;
    } cases[] = {
        {clWindowText, QColor(1, 2, 3)},
        {clBtnFace, QColor(4, 5, 6)},
        {clHighlight, QColor(7, 8, 9)},
        {clInfoBk, QColor(10, 11, 12)},
        {clGrayText, QColor(13, 14, 15)},
        // only the low byte picks the system colour
        {static_cast<TColor>(0xFF120008), QColor(1, 2, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ColorToString(c.color));
        EXPECT_EQ(colorFromTColor(c.color), c.expected);
    }
    QGuiApplication::setPalette(saved);
}

} // namespace

#include "platform/Cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, ConvertsBytesToUtf8) {
    struct Case {
        std::string bytes, utf8;
    } cases[] = {
        {"Lok 1", "Lok 1"},
        {"\xE4\xF6\xFC\xDF", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"}, // äöüß
        {"\x80", "\xE2\x82\xAC"},                                 // euro sign
        {"\x8A\x9F", "\xC5\xA0\xC5\xB8"},                         // Š Ÿ
        {"\x99", "\xE2\x84\xA2"},                                 // trade mark
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(cp1252ToUtf8(c.bytes), c.utf8);
        EXPECT_EQ(utf8ToCp1252(c.utf8), c.bytes);
    }
}

TEST(Cp1252, EveryByteStringRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Cp1252, UnmappableAndInvalidInputBecomesQuestionMarks) {
    struct Case {
        const char* name;
        std::string utf8, bytes;
    } cases[] = {
        {"CJK", "a\xE6\xBC\xA2z", "a?z"},
        {"C1 control that 1252 gives another character", "\xC2\x80", "?"},
        {"lone continuation byte", "a\x80z", "a?z"},
        {"truncated sequence", "a\xC3", "a?"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"broken sequence resumes at the next byte", "\xC3(", "?("},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(utf8ToCp1252(c.utf8), c.bytes);
    }
}

} // namespace

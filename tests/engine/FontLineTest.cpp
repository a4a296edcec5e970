#include <gtest/gtest.h>

#include <string>

#include "engine/Bahncalcunit.h"
#include "engine/Positionunit.h"

namespace {

// "family size bold italic underline strikeout colour" of a font, the family in UTF-8.
std::string describe(const ColoredFont& f) {
    return f.family().toStdString() + " " + std::to_string(f.pointSize()) + " " + std::to_string(f.bold()) +
           std::to_string(f.italic()) + std::to_string(f.underline()) + std::to_string(f.strikeOut()) + " " +
           std::to_string(f.Color);
}

TEST(FontLine, ReadsEveryAttributeAndWritesTheLineBack) {
    struct Case {
        const char* line;
        const char* font;
        const char* written; // null: the line itself
    };
    const Case cases[] = {
        {"Arial,10,1000,clBlack", "Arial 10 1000 0", nullptr},
        {"Times New Roman,14,0101,clWindowText", "Times New Roman 14 0101 -16777208", nullptr},
        {"Courier,8,0010,$00123456", "Courier 8 0010 1193046", nullptr},
        {"Courier,8,2x1 ,255", "Courier 8 0010 255", "Courier,8,0010,clRed"},
        {"Caf\xe9,11,1111,clred", "Caf\xc3\xa9 11 1111 255", "Caf\xe9,11,1111,clRed"},
        // A name may hold a comma: the line is read from the right.
        {"Serif, condensed,9,1000,clNavy", "Serif, condensed 9 1000 8388608", nullptr},
        {"a,,b,7,0000,clBtnFace", "a,,b 7 0000 -16777201", nullptr},
        {" Arial ,12,0000,clBlack", " Arial  12 0000 0", nullptr},
        {",12,0000,clBlack", " 12 0000 0", nullptr},
        // A size Qt cannot hold is drawn at the font's size and written back as read.
        {"Arial,0,0000,clBlack", "Arial 30 0000 0", nullptr},
        {"Arial,-7,1000,clBlack", "Arial 30 1000 0", nullptr},
    };
    Cbahn bahn;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ColoredFont font;
        font.setFamily("Other");
        font.setPointSize(30);
        font.setBold(true);
        font.setStrikeOut(true);
        font.Color = clYellow;
        bahn.StringToFont(c.line, font);
        EXPECT_EQ(describe(font), c.font);
        std::string back;
        bahn.FontToString(font, back);
        EXPECT_EQ(back, c.written ? c.written : c.line);
        // A size set afterwards is the one written.
        font.setPointSize(21);
        bahn.FontToString(font, back);
        EXPECT_NE(back.find(",21,"), std::string::npos) << back;
    }
}

TEST(FontLine, MalformedLinesRaiseAndLeaveTheFont) {
    const char* invalid = "Invalid string to font conversion";
    const char* const cases[][2] = {
        {"", invalid},
        {"Arial", invalid},
        {"Arial,10,1000", invalid},
        {"Arial,10,100,clBlack", invalid},
        {"Arial,10,10000,clBlack", invalid},
        {",1000,clBlack", invalid},
        {"Arial,ten,1000,clBlack", "'ten' is not a valid integer value"},
        {"Arial,,1000,clBlack", "'' is not a valid integer value"},
        {"Arial,+-5,1000,clBlack", "'+-5' is not a valid integer value"},
        {"Arial,10,1,00,clBlack", invalid}, // the style ends at the first comma after the size
        {"Arial,10,1000,clPink", "'clPink' is not a valid integer value"},
    };
    Cbahn bahn;
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        ColoredFont font;
        font.setFamily("Keep");
        font.setPointSize(17);
        font.setItalic(true);
        font.Color = clLime;
        try {
            bahn.StringToFont(c[0], font);
            ADD_FAILURE() << "no error";
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), c[1]);
        }
        EXPECT_EQ(describe(font), "Keep 17 0100 65280");
    }
}

} // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FeedbackPlan.h"
#include "engine/Bahncalcunit.h"
#include "engine/Rueckmeldeunit.h"

namespace {

using Feedback = FeedbackPlan;

TEST(S88Contact, CountsSixteenContactsPerModule) {
    const int cases[][3] = {
        {1, 1, 1},  {16, 1, 16}, {17, 2, 1},   {32, 2, 16},  {33, 3, 1},
        {0, 0, 16}, {-1, 1, -1}, {-16, 0, 16}, {-17, 0, -1}, {2147483647, 134217728, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(s88Contact(c[0]), (S88Contact{c[1], c[2]}));
    }
}

TEST_F(Feedback, LinesChangeExactlyTheFirstMatchingDetector) {
    struct Case {
        std::string line;
        std::vector<QRgb> cells;
    };
    const Case cases[] = {
        {"INFO FB S88 17 1", expect({{"A", Busy65}})},
        {"INFO FB S88 17 0", expect({{"A", Free65}})},
        {"INFO FB S88 16 0", expect({{"C", Free87}})},
        {"INFO FB S88 16 1", expect({{"C", Busy87}})},
        {"INFO FB S88 32 1", expect({{"D", Busy65}})},
        {"INFO FB S88 0 1", expect({{"E", Busy65}})},
        {"INFO FB S88 17  1 ", expect({{"A", Busy65}})},
        {"INFO FB S88 +17 1\r", expect({{"A", Busy65}})},
        {"INFO FB S88 * 0110", expect({{"H1", Free87}, {"H2", Busy87}, {"H3", Busy87}, {"H4", Free65}})},
        {"INFO FB S88 * 1x1", expect({{"H1", Busy87}, {"H3", Busy87}})},
        {"INFO FB S88 * 00000000000000001",
         expect(
             {{"H1", Free87}, {"H2", Free87}, {"H3", Free87}, {"H4", Free65}, {"C", Free87}, {"A", Busy65}})},
        {"INFO FB S88 * " + std::string(65000, '1'), expect({{"A", Busy65},
                                                             {"C", Busy87},
                                                             {"D", Busy65},
                                                             {"H1", Busy87},
                                                             {"H2", Busy87},
                                                             {"H3", Busy87},
                                                             {"H4", Busy65}})},
        {"INFO FB S88 *", expect({})},
        {"INFO FB S88 * ", expect({})},
        // Neither a contact of 0 nor an unconfigured detector ever matches.
        {"INFO FB S88 -1 1", expect({})},
        {"INFO FB S88 5 1", expect({})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        clearPlan();
        Rueckmodul->evaluateFeedbackLine(c.line);
        EXPECT_EQ(cells(), c.cells);
    }
}

TEST_F(Feedback, MalformedLinesAreIgnoredWithADebugLine) {
    const char* lines[] = {
        "INFO FB S88 17 2",  "INFO FB S88 17 -1",
        "INFO FB S88 x 1",   "INFO FB S88 17",
        "INFO FB S88 17 ",   "INFO FB S88",
        "INFO FB S88 ",      "INFO FB S88 17 1 9",
        "INFO FB S88 17 1x", "INFO FB S88 99999999999 1",
    };
    for (bool debug : {false, true}) {
        form.Debug = debug;
        for (const char* line : lines) {
            SCOPED_TRACE(std::string(line) + (debug ? " debug" : ""));
            clearPlan();
            EXPECT_NO_THROW(Rueckmodul->evaluateFeedbackLine(line));
            EXPECT_EQ(cells(), expect({}));
            EXPECT_EQ(form.debugLines.size(), debug ? 1u : 0u);
            EXPECT_TRUE(form.changes.empty());
        }
    }
}

TEST_F(Feedback, OnlyFeedbackLinesAreEvaluated) {
    for (const char* line :
         {"info fb s88 17 1", "INFO FB S87 17 1", " INFO FB S88 17 1", "INFO GA 17 1", "", "INFO F"}) {
        SCOPED_TRACE(line);
        clearPlan();
        EXPECT_FALSE(isFeedbackLine(line));
        Rueckmodul->evaluateFeedbackLine(line);
        EXPECT_EQ(cells(), expect({}));
    }
    EXPECT_TRUE(isFeedbackLine("INFO FB S88"));
}

TEST_F(Feedback, IconrefreshDrawsTheViewShiftedAndNamesTheIconWhenDebugging) {
    form.Debug = true;
    Rueckmodul->iconrefresh(2, 16, 1);
    EXPECT_EQ(cells(), expect({{"D", Busy65}}));
    EXPECT_EQ(form.debugLines, std::vector<std::string>{"Icon6502.bmp"});
    ASSERT_EQ(form.changes.size(), 1u);
    EXPECT_EQ(form.changes[0].second, (TRect{81, 0, 108, 27}));
    EXPECT_EQ(form.Dest_rect, (TRect{108, 27, 135, 54}));
    EXPECT_EQ(form.Source_rect, (TRect{0, 0, 27, 27}));
}

TEST_F(Feedback, IconrefreshWithAnotherValueFailsToLoad) {
    EXPECT_THROW(Rueckmodul->iconrefresh(2, 1, 2), BitmapFileError);
    EXPECT_EQ(cells(), expect({}));
    removeIcon("Icon6502.bmp");
    EXPECT_THROW(Rueckmodul->iconrefresh(2, 1, 1), BitmapFileError);
}

TEST_F(Feedback, IconresetDrawsEveryDetectorFreeAndSkipsOnesThatFail) {
    Rueckmodul->evaluateFeedbackLine("INFO FB S88 * 11111111111111111111111111111111");
    Rueckmodul->iconreset();
    EXPECT_EQ(cells(), expect({{"A", Free65},
                               {"B", Free65},
                               {"C", Free87},
                               {"D", Free65},
                               {"E", Free65},
                               {"F", Free65},
                               {"H1", Free87},
                               {"H2", Free87},
                               {"H3", Free87},
                               {"H4", Free65}}));

    clearPlan();
    form.Debug = true;
    removeIcon("Icon8701.bmp");
    EXPECT_NO_THROW(Rueckmodul->iconreset());
    EXPECT_EQ(
        cells(),
        expect({{"A", Free65}, {"B", Free65}, {"D", Free65}, {"E", Free65}, {"F", Free65}, {"H4", Free65}}));
    int failures = 0;
    for (const std::string& l : form.debugLines)
        failures += l == "Es wurde eine Exception im Modul !Rueckmodul! ausgelöst";
    EXPECT_EQ(failures, 4);
}

} // namespace

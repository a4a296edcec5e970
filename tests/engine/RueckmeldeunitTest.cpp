#include <gtest/gtest.h>

#include <algorithm>
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
    enum Outcome { Evaluated, IgnoredWithDebugLine, NotFeedback };
    struct Case {
        std::string line;
        std::vector<QRgb> cells;
        Outcome outcome = Evaluated;
    };
    const std::vector<QRgb> none = expect({});
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
        {"INFO FB S88 *", none},
        {"INFO FB S88 * ", none},
        // Neither a negative contact nor an unconfigured detector ever matches.
        {"INFO FB S88 -1 1", none},
        {"INFO FB S88 5 1", none},
        // Malformed: ignored, the reader goes on.
        {"INFO FB S88 17 2", none, IgnoredWithDebugLine},
        {"INFO FB S88 17 -1", none, IgnoredWithDebugLine},
        {"INFO FB S88 x 1", none, IgnoredWithDebugLine},
        {"INFO FB S88 17", none, IgnoredWithDebugLine},
        {"INFO FB S88 17 ", none, IgnoredWithDebugLine},
        {"INFO FB S88", none, IgnoredWithDebugLine},
        {"INFO FB S88 ", none, IgnoredWithDebugLine},
        {"INFO FB S88 17 1 9", none, IgnoredWithDebugLine},
        {"INFO FB S88 17 1x", none, IgnoredWithDebugLine},
        {"INFO FB S88 99999999999 1", none, IgnoredWithDebugLine},
        // Not feedback lines at all (case matters).
        {"info fb s88 17 1", none, NotFeedback},
        {"INFO FB S87 17 1", none, NotFeedback},
        {" INFO FB S88 17 1", none, NotFeedback},
        {"INFO F", none, NotFeedback},
        {"", none, NotFeedback},
    };
    form.Debug = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        clearPlan();
        EXPECT_EQ(isFeedbackLine(c.line), c.outcome != NotFeedback);
        EXPECT_NO_THROW(Rueckmodul->evaluateFeedbackLine(c.line));
        EXPECT_EQ(cells(), c.cells);
        if (c.outcome != Evaluated) {
            EXPECT_EQ(form.debugLines.size(), c.outcome == IgnoredWithDebugLine ? 1u : 0u);
            EXPECT_TRUE(form.changes.empty());
        }
    }
    // Without Debug an ignored line leaves no trace.
    form.Debug = false;
    clearPlan();
    Rueckmodul->evaluateFeedbackLine("INFO FB S88 x 1");
    EXPECT_TRUE(form.debugLines.empty());
}

TEST_F(Feedback, IconrefreshDrawsTheShiftedViewAndTheBitmapOrRaises) {
    form.Debug = true;
    Rueckmodul->iconrefresh(2, 16, 1);
    EXPECT_EQ(cells(), expect({{"D", Busy65}}));
    EXPECT_EQ(form.debugLines, std::vector<std::string>{"Icon6502.bmp"});
    ASSERT_EQ(form.changes.size(), 1u);
    EXPECT_EQ(form.changes[0].second, (TRect{81, 0, 108, 27}));
    EXPECT_EQ(form.Dest_rect, (TRect{108, 27, 135, 54}));
    EXPECT_EQ(form.Source_rect, (TRect{0, 0, 27, 27}));

    // A value other than 0 or 1 names no icon; a missing icon fails as well.
    clearPlan();
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
    EXPECT_EQ(std::count(form.debugLines.begin(), form.debugLines.end(),
                         "Es wurde eine Exception im Modul !Rueckmodul! ausgelöst"),
              4);
}

} // namespace

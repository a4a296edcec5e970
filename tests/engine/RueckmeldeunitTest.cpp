#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

TEST(FeedbackLine, TwoMergedAllContactsLinesReportWhatBothReportInTurn) {
    const char* const cases[][3] =
        {
            // older run, newer run, merged run
            {"0110", "1001", "1001"},    {"1111", "01", "0111"}, {"01", "1111", "1111"},
            {"1x1", "x0", "101"},        {"x", "", "-"},         {"", "", ""},
            {"  0110  ", "\t1", "1110"}, // blanks and controls around a run are no positions
        };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c[0]) + " + " + c[1]);
        const std::string merged =
            mergeAllContactsLines(std::string("INFO FB S88 * ") + c[0], std::string("INFO FB S88 * ") + c[1]);
        EXPECT_TRUE(isAllContactsLine(merged));
        EXPECT_EQ(contactRun(merged), c[2]);
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

// The left edges, in the view, of the cells drawn since the last call.
std::vector<int> drawnSince(FakeMainForm& form) {
    std::vector<int> lefts;
    for (const auto& [box, rect] : form.changes)
        lefts.push_back(rect.left);
    form.changes.clear();
    return lefts;
}

TEST_F(Feedback, ALineRedrawsOnlyTheDetectorsWhoseShownStateItChanges) {
    const auto at = [this](std::initializer_list<int> xs) {
        std::vector<int> lefts;
        for (int x : xs)
            lefts.push_back(x - form.Hpos_alt);
        return lefts;
    };
    const QImage other(27, 27, QImage::Format_RGB32);
    struct Step {
        const char* what;
        std::function<void()> before;
        std::string line;
        std::vector<int> drawn;
    };
    const Step steps[] = {
        {"a first report draws", nullptr, "INFO FB S88 * 0110", at({216, 243, 270, 297})},
        {"the same report again draws nothing", nullptr, "INFO FB S88 * 0110", {}},
        {"one contact changes", nullptr, "INFO FB S88 * 0100", at({270})},
        {"a single contact as shown", nullptr, "INFO FB S88 2 1", {}},
        {"a single contact that changes", nullptr, "INFO FB S88 2 0", at({243})},
        {"after any other drawing every report draws again", [&] { Bahn->drawIcon(other, 500, 500, true); },
         "INFO FB S88 * 0000", at({216, 243, 270, 297})},
        {"so after a change of the plan bitmap", [&] { form.Quarn_bitmap->fill(Grey); }, "INFO FB S88 * 0000",
         at({216, 243, 270, 297})},
        {"and after a change of the view", [&] { form.quarn.image().fill(Grey); }, "INFO FB S88 1 0",
         at({216})},
        {"a reset draws all and forgets", [&] { Rueckmodul->iconreset(); }, "INFO FB S88 1 0", at({216})},
        {"iconrefresh draws even a shown state", [&] { Rueckmodul->iconrefresh(1, 1, 0); }, "", at({216})},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.before)
            step.before();
        form.changes.clear();
        if (step.before && step.line.empty())
            continue;
        Rueckmodul->evaluateFeedbackLine(step.line);
        EXPECT_EQ(drawnSince(form), step.drawn);
    }
}

TEST_F(Feedback, PlacementDeletionAndAddressChangesReachTheDetectors) {
    tPosEntry* C = m_table.getEntryByNum(2);
    C_Position other;
    placeDetectors(other, {{"O", 87, 1, 1, 405, 81}});
    struct Step {
        const char* what;
        std::function<void()> change;
        const char* line;
        int drawnX; // -1: nothing
    };
    const Step steps[] = {
        {"a detector placed on a free contact",
         [&] {
             placeDetectors(m_table, {{"N", 65, 1, 5, 324, 54}});
         },
         "INFO FB S88 5 1", 324},
        {"the first of two on a contact deleted", [&] { m_table.delEntry(27, 27); }, "INFO FB S88 17 1", 54},
        {"an address changed in place",
         [&] {
             C->Daten1 = 3;
             m_table.addressChanged();
         },
         "INFO FB S88 3 1", 81},
        {"the plan emptied", [&] { m_table.EmptyQuarnList(); }, "INFO FB S88 * 11111111111111111", -1},
        {"another plan", [&] { Postable = &other; }, "INFO FB S88 1 1", 405},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        // Every detector has shown its state once, so that only the change can draw.
        Rueckmodul->evaluateFeedbackLine("INFO FB S88 * " + std::string(32, '0'));
        step.change();
        form.changes.clear();
        Rueckmodul->evaluateFeedbackLine(step.line);
        const std::vector<int> drawn = drawnSince(form);
        if (step.drawnX < 0) {
            EXPECT_TRUE(drawn.empty());
        } else {
            EXPECT_EQ(drawn, std::vector<int>{step.drawnX - form.Hpos_alt});
        }
    }
    Postable = &m_table;
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

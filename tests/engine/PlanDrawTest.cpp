#include "PlanFixture.h"

#include <QFile>

#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"

namespace {

using PlanDraw = PlanFixture;

TEST(Sollkoord, SnapsToTheCellStart) {
    const std::pair<int, int> cases[] = {{0, 0},   {26, 0}, {27, 27},   {53, 27},   {54, 54},
                                         {80, 54}, {-5, 0}, {-27, -27}, {-30, -27}, {979, 972}};
    for (auto [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(Cbahn::sollkoord(in), out);
    }
}

TEST_F(PlanDraw, ChangeiconDrawsOnTheBitmapAndTheShiftedView) {
    form.Hpos_alt = 54;
    form.Vpos_alt = 27;
    const QImage expected = icon(5, 2);
    ASSERT_NE(expected, icon(5, 1));
    Bahn->changeicon(2, 108, 81, 5);

    EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 108, 81, expected));
    EXPECT_TRUE(cellShows(form.quarn.image(), 54, 54, expected));
    EXPECT_TRUE(cellIsWhite(form.quarn.image(), 108, 81));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 54, 54));
    EXPECT_EQ(*form.Cache, expected);
    EXPECT_EQ(form.Source_rect, (TRect{0, 0, 27, 27}));
    EXPECT_EQ(form.Dest_rect, (TRect{108, 81, 135, 108}));
    ASSERT_EQ(form.changes.size(), 1u);
    EXPECT_EQ(form.changes[0].first, PaintBox::Quarn);
    EXPECT_EQ(form.changes[0].second, (TRect{54, 54, 81, 81}));
}

TEST_F(PlanDraw, ChangeiconStatesAndKinds) {
    const struct {
        int state, kind;
        int drawnState; // 0: nothing drawn
        bool raises;
    } cases[] = {
        {0, 1, 1, false},   {-3, 2, 1, false}, {3, 1, 3, false},  {11, 66, 11, false},
        {13, 1, 13, false}, {5, 1, 0, true},   {10, 1, 0, true},  {14, 1, 0, true},
        {1, 0, 0, false},   {1, 89, 0, false}, {1, -1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.state) + "/" + std::to_string(c.kind));
        form.Quarn_bitmap->fill(Qt::white);
        if (c.raises) {
            EXPECT_THROW(Bahn->changeicon(c.state, 27, 27, c.kind), BitmapFileError);
        } else {
            Bahn->changeicon(c.state, 27, 27, c.kind);
        }
        if (c.drawnState) {
            EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 27, 27, icon(c.kind, c.drawnState)));
        } else {
            EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 27, 27));
        }
    }
}

TEST_F(PlanDraw, ChangeiconSeesAnIconRemovedOrReplacedAfterItWasCached) {
    const std::string file = dir.path() + "Data/Icon0101.bmp";
    Bahn->changeicon(1, 0, 0, 1);
    ASSERT_TRUE(cellShows(*form.Quarn_bitmap, 0, 0, icon(1, 1)));

    const QImage other = icon(2, 1);
    ASSERT_TRUE(QFile::remove(QString::fromStdString(file)));
    EXPECT_THROW(Bahn->changeicon(1, 0, 0, 1), BitmapFileError);
    ASSERT_TRUE(other.save(QString::fromStdString(file), "BMP"));
    Bahn->changeicon(1, 27, 0, 1);
    EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 27, 0, other));
}

TEST_F(PlanDraw, Change2IconDrawsTheViewOnlyAndReportsAFailure) {
    form.Debug = true;
    form.Hpos_alt = 27;
    Bahn->change_2_icon(14, 54, 27, 3);
    EXPECT_TRUE(cellShows(form.quarn.image(), 27, 27, icon(3, 1)));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 54, 27));
    EXPECT_EQ(form.debugLines, (std::vector<std::string>{"IconName :Icon0301.bmp"}));
    EXPECT_TRUE(form.errors.empty());

    Bahn->change_2_icon(7, 54, 27, 3);
    EXPECT_EQ(form.errors, (std::vector<std::string>{"Das benötigte Icon konnte nicht geladen werden"}));
    EXPECT_EQ(form.debugLines.back(), "IconName :Icon03");
    Bahn->change_2_icon(2, 54, 27, 89);
    EXPECT_EQ(form.errors.size(), 1u);
}

TEST_F(PlanDraw, CompsuchenFindsThePaletteCellByItsExactCorner) {
    const int x = Element->get_posx(9), y = Element->get_posy(9);
    const struct {
        int x, y, kind;
    } cases[] = {
        {x, y, 10}, {x + 1, y, 0}, {x, y - 1, 0}, {Element->get_posx(87), Element->get_posy(87), 88}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        EXPECT_EQ(Bahn->compsuchen(c.x, c.y), c.kind);
    }
    // Two kinds on one cell: the later one wins.
    Element->set_posx(40, x);
    Element->set_posy(40, y);
    EXPECT_EQ(Bahn->compsuchen(x, y), 41);
}

TEST_F(PlanDraw, PlacingLookingUpAndRemovingElements) {
    form.Debug = true;
    form.Anzahl = 7;
    Bahn->Quarnliste_eintragen(27, 54, 5);
    form.Anzahl = 8;
    Bahn->Quarnliste_eintragen(27, 54, 12);
    Bahn->Quarnliste_eintragen(0, 0, 3);
    EXPECT_EQ(form.debugLines.back(), "Anzahl der Elemente in Quarnliste: 3");
    EXPECT_EQ(Postable->getEntryByNum(0)->CompID, 7);
    EXPECT_EQ(Postable->getEntryByNum(0)->Enummer, 5);

    // Lookups take the last entry at a position.
    EXPECT_EQ(Bahn->poslistsuchen(27, 54), 12);
    EXPECT_EQ(Bahn->poslistsuchen2(27, 54), 8);
    EXPECT_EQ(Bahn->poslistsuchen(28, 54), 0);
    EXPECT_EQ(Bahn->poslistsuchen2(28, 54), 0);

    // Removal takes the first, and with it its place in the move list.
    form.Movelist->push_back(Postable->getEntryByNum(0));
    form.Movelist->push_back(Postable->getEntryByNum(2));
    EXPECT_TRUE(Bahn->deletecompfromlist(27, 54));
    EXPECT_EQ(Bahn->poslistsuchen(27, 54), 12);
    EXPECT_EQ(*form.Movelist, (TMoveList{Postable->getEntryByNum(1)}));
    EXPECT_TRUE(Bahn->deletecompfromlist(27, 54));
    EXPECT_FALSE(Bahn->deletecompfromlist(27, 54));
    EXPECT_EQ(Postable->getNumbofEntries(), 1);
    form.Movelist->push_back(Postable->getEntryByNum(0));
    Bahn->EmptyQuarnlist();
    EXPECT_TRUE(form.Movelist->empty());
}

TEST_F(PlanDraw, DeletefromTextlistRemovesTheEarlierOfTwoLabels) {
    for (const char* text : {"first", "second", "elsewhere"}) {
        auto label = std::make_unique<TTextEntry>();
        label->TextInfo = text;
        label->XText = text[0] == 'e' ? 5 : 10;
        label->YText = 20;
        form.Textliste->push_back(std::move(label));
    }
    form.Movelabel = (*form.Textliste)[0].get();
    form.Debug = true;
    EXPECT_TRUE(Bahn->deletefromTextlist(10, 20));
    ASSERT_EQ(form.Textliste->size(), 2u);
    EXPECT_EQ((*form.Textliste)[0]->TextInfo, "second");
    EXPECT_EQ((*form.Textliste)[1]->TextInfo, "elsewhere");
    EXPECT_EQ(form.Movelabel, nullptr);
    EXPECT_EQ(form.debugLines, (std::vector<std::string>{"Item removed form Textliste"}));
    EXPECT_FALSE(Bahn->deletefromTextlist(10, 21));
    EXPECT_EQ(form.debugLines.size(), 1u);
}

TEST_F(PlanDraw, DecoderPanelShowsTheEntryAndTheKindsIcons) {
    auto placeDecoder = [this](int x, int y, int kind, const char* protocol) {
        tPosEntry& e = place(x, y, kind);
        e.CompID = 40 + x;
        e.Decod1 = 3;
        e.Decod2 = 4;
        e.Decod3 = 5;
        e.Daten1 = 6;
        e.Daten2 = 7;
        e.Daten3 = 8;
        e.Protokoll = protocol;
    };
    // Kinds 1 (three states), 5 (two), 9 (none): icons follow the number of states.
    const struct {
        int kind;
        const char* protocol;
        int protoIndex;
        int images;
    } cases[] = {{1, "M", 0, 3}, {5, "N", 1, 2}, {9, "n", 1, 1},
                 {1, "m", 0, 3}, {1, "", 0, 3},  {5, "X", 0, 2}};
    int x = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + c.protocol);
        placeDecoder(x, 27, c.kind, c.protocol);
        form.decoderPanels.clear();
        Bahn->decodpaneldarstellen(c.kind, x, 27);
        ASSERT_EQ(form.decoderPanels.size(), 1u);
        const DecoderPanelData& d = form.decoderPanels[0];
        EXPECT_EQ(d.compId, 40 + x);
        EXPECT_EQ(d.decod, (std::array<int, 3>{3, 4, 5}));
        EXPECT_EQ(d.daten, (std::array<int, 3>{6, 7, 8}));
        EXPECT_EQ(d.protoIndex, c.protoIndex);
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(d.images[i].has_value(), i < c.images);
            if (d.images[i]) {
                EXPECT_EQ(*d.images[i], icon(c.kind, i + 1));
            }
        }
        x += 27;
    }

    // Kind 22, an empty cell and a kind outside the catalogue leave the panel alone.
    placeDecoder(0, 54, 22, "M");
    form.decoderPanels.clear();
    Bahn->decodpaneldarstellen(22, 0, 54);
    Bahn->decodpaneldarstellen(1, 0, 81);
    Bahn->decodpaneldarstellen(89, 0, 27);
    EXPECT_TRUE(form.decoderPanels.empty());

    // A missing icon of the kind is an error for the caller.
    std::filesystem::remove(dir.path() + "Data/Icon0502.bmp");
    EXPECT_THROW(Bahn->decodpaneldarstellen(5, 27, 27), BitmapFileError);
    EXPECT_TRUE(form.decoderPanels.empty());
}

// Runs of ten cells opened from a plan file, drawn from the icon files as File > Open draws them: the
// track's centre pixels are dark across every cell border, with no gap every 27 pixels.
TEST_F(PlanDraw, TrackOpenedFromAFileRunsWithoutAGapAcrossCellBorders) {
    const struct {
        const char* name;
        int kind;
        int x0, y0, dx, dy;         // first cell and the step to the next
        int px, py, pxStep, pyStep; // the track's centre in a cell: first pixel and step
    } cases[] = {
        {"straight, west to east", 20, 27, 27, 27, 0, 0, 13, 1, 0},
        {"straight, north to south", 55, 540, 27, 0, 27, 13, 0, 0, 1},
        {"diagonal, south-west to north-east", 11, 27, 540, 27, -27, 0, 26, 1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string plan = "10\r\n";
        for (int i = 0; i < 10; ++i) {
            for (int v : {i + 1, c.kind, c.x0 + i * c.dx, c.y0 + i * c.dy, 1, 0, 0, 0, 0, 0, 0, 0})
                plan += std::to_string(v) + "\r\n";
            plan += "M\r\n";
        }
        writeFileBytes(dir.path() + "Layouts/run.pln", plan + "0\r\n");
        Bahn->EmptyQuarnlist();
        form.Quarn_bitmap->fill(Qt::white);
        Bahn->gleisbildladen("run.pln", dir.path() + "Layouts/");
        int gaps = 0; // light pixels where the track's centre runs
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 27; ++j) {
                const QPoint at(c.x0 + i * c.dx + c.px + j * c.pxStep, c.y0 + i * c.dy + c.py + j * c.pyStep);
                gaps += form.Quarn_bitmap->pixelColor(at).value() >= 90;
            }
        EXPECT_EQ(gaps, 0);
    }
}

} // namespace

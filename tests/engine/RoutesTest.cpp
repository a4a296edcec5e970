#include "PlanFixture.h"

#include <array>
#include <functional>

#include "engine/Fahrunit.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "platform/TextFile.h"

namespace {

// (route, x, y, state) of every element, in list order.
std::vector<std::array<int, 4>> contents(const C_fahr& fahr) {
    std::vector<std::array<int, 4>> out;
    for (const auto& e : fahr.Fahrlist)
        out.push_back({e->Fahrnr, e->Xpos, e->Ypos, e->Stellung});
    return out;
}

TEST(RouteTable, EntriesAreKeyedByRouteAndPosition) {
    C_fahr fahr;
    fahr.fahreintragen(1, 5, 0, 0, 11);
    fahr.fahreintragen(1, 5, 0, 0, 12); // same key as the first element: ignored
    fahr.fahreintragen(2, 5, 0, 0, 13); // same place in another route
    fahr.fahreintragen(1, 7, 27, 0, 12);
    fahr.fahreintragen(1, 7, 27, 0, 11);
    fahr.fahreintragen(1, 3, 54, 27, 13);
    EXPECT_EQ(contents(fahr), (std::vector<std::array<int, 4>>{
                                  {1, 0, 0, 11}, {2, 0, 0, 13}, {1, 27, 0, 12}, {1, 54, 27, 13}}));
    EXPECT_EQ(fahr.getEntryByNum(2)->Gleiselementnr, 7);
    EXPECT_EQ(fahr.getEntryByNum(4), nullptr);
    EXPECT_EQ(fahr.getEntryByNum(-1), nullptr);
    EXPECT_EQ(fahr.getnumerofEntries(), 4);

    const struct {
        int route, x, y, found, state;
    } lookups[] = {
        {1, 0, 0, 1, 11}, {2, 0, 0, 1, 13}, {3, 0, 0, 0, 0}, {1, 27, 27, 0, 0}, {1, 54, 27, 1, 13}};
    for (const auto& l : lookups) {
        SCOPED_TRACE(std::to_string(l.route) + "@" + std::to_string(l.x) + "," + std::to_string(l.y));
        EXPECT_EQ(fahr.fahrsuchen(l.route, l.x, l.y), l.found);
        EXPECT_EQ(fahr.getstellung(l.route, l.x, l.y), l.state);
    }
    EXPECT_EQ(fahr.readgleisnr(1), 3);
    EXPECT_EQ(fahr.readgleisnr(2), 1);
    EXPECT_EQ(fahr.readgleisnr(9), 0);

    fahr.setstellung(1, 0, 0, 12);
    EXPECT_EQ(fahr.getstellung(1, 0, 0), 12);
    EXPECT_EQ(fahr.getstellung(2, 0, 0), 13);

    fahr.fahrdel(1, 0, 0);
    EXPECT_EQ(contents(fahr),
              (std::vector<std::array<int, 4>>{{2, 0, 0, 13}, {1, 27, 0, 12}, {1, 54, 27, 13}}));
    fahr.fahrdel(1, 99, 99);
    EXPECT_EQ(fahr.getnumerofEntries(), 3);
}

using Routes = PlanFixture;

TEST_F(Routes, SwitchingAndDrawingARoute) {
    // Route 1 holds a three-state turnout recorded in state 2 (decoder 2, output 3), a one-state
    // track, a two-state signal without an output for state 1 and a position without a plan entry.
    // A turnout belongs to route 2 only. The plan's first entry is route 1's button; a button
    // without a route stands beside it.
    place(135, 0, 66, 1, 1);
    place(162, 0, 88, 1, 0);
    tPosEntry& turnout = place(0, 0, 1, 1);
    turnout.Decod2 = 2;
    turnout.Daten2 = 3;
    place(27, 0, 9, 1);
    tPosEntry& signal = place(54, 0, 5, 2);
    signal.Decod1 = 6;
    signal.Decod2 = 6;
    signal.Daten2 = 4;
    tPosEntry& other = place(108, 0, 1, 1);
    other.Decod1 = 1;
    other.Daten1 = 1;
    Fahr->fahreintragen(1, 1, 0, 0, 12);
    Fahr->fahreintragen(1, 9, 27, 0, 11);
    Fahr->fahreintragen(1, 5, 54, 0, 11);
    Fahr->fahreintragen(1, 1, 81, 0, 11);
    Fahr->fahreintragen(2, 1, 108, 0, 11);
    form.Debug = true;

    // The cells at x = 0, 27, ..., 189 and the kinds they show; a state of 0 means left white.
    const int kinds[8] = {1, 9, 5, 0, 1, 66, 88, 0};
    const struct {
        const char* what;
        std::function<void()> run;
        std::array<int, 8> states;
        std::vector<std::string> switched;
    } cases[] = {
        // Only switchable kinds, drawn in the route state; one without an output is only drawn.
        {"fahraktivieren", [] { Fahr->fahraktivieren(1); }, {2, 0, 1, 0, 0, 0, 0, 0}, {"SET GA M 10 0 1 -1"}},
        {"fahrdeaktiv", [] { Fahr->fahrdeaktiv(1); }, {12, 0, 11, 0, 0, 0, 0, 0}, {}},
        {"fahrstrasseniconchange", [] { Fahr->fahrstrasseniconchange(1); }, {12, 11, 11, 0, 0, 0, 0, 0}, {}},
        {"normaleiconchange", [] { Fahr->normaleiconchange(1); }, {1, 1, 2, 0, 0, 1, 0, 0}, {}},
        {"knopfan",
         [] {
             Fahr->knopfan(135, 0);
             Fahr->knopfan(189, 0);
         },
         {0, 0, 0, 0, 0, 11, 0, 0},
         {}},
        {"alleknopfaus", [] { Fahr->alleknopfaus(); }, {0, 0, 0, 0, 0, 1, 0, 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        form.Quarn_bitmap->fill(Qt::white);
        form.debugLines.clear();
        c.run();
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE(27 * i);
            if (c.states[i])
                EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 27 * i, 0, icon(kinds[i], c.states[i])));
            else
                EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 27 * i, 0));
        }
        EXPECT_EQ(switchedLines(), c.switched);
        // The plan keeps the states it had.
        EXPECT_EQ(turnout.Stellung, 1);
        EXPECT_EQ(signal.Stellung, 2);
    }
}

TEST_F(Routes, DeletingARouteClearsItsElementsButtonsAndFlag) {
    for (int route : {2, 3, 4, 3})
        Fahr->fahreintragen(route, 1, 27 * route, 0, 11);
    Fahr->fahreintragen(3, 1, 0, 27, 12);
    place(0, 54, 66, 1, 3);
    place(27, 54, 66, 1, 2);
    place(54, 54, 88, 1, 3);
    form.Knopf.set(3, true);
    form.Knopf.set(2, true);
    Fahr->fahrtotdel(3);
    EXPECT_EQ(contents(*Fahr), (std::vector<std::array<int, 4>>{{2, 54, 0, 11}, {4, 108, 0, 11}}));
    EXPECT_EQ(Postable->getEntryByKor(0, 54)->Fahrnr, 0);
    EXPECT_EQ(Postable->getEntryByKor(27, 54)->Fahrnr, 2);
    EXPECT_EQ(Postable->getEntryByKor(54, 54)->Fahrnr, 0);
    EXPECT_FALSE(form.Knopf[3]);
    EXPECT_TRUE(form.Knopf[2]);

    // Route numbers have no upper bound, and a huge one costs no memory.
    Fahr->fahreintragen(5000, 1, 0, 0, 11);
    form.Knopf.set(5000, true);
    form.Knopf.set(2147483647, true);
    EXPECT_TRUE(form.Knopf[5000]);
    EXPECT_TRUE(form.Knopf[2147483647]);
    form.Knopf.set(2147483647, false);
    Fahr->fahrtotdel(5000);
    EXPECT_FALSE(form.Knopf[5000]);
    EXPECT_EQ(Fahr->readgleisnr(5000), 0);
}

TEST_F(Routes, TheRouteFileIsWrittenAndReadBack) {
    form.DateinameohneEndung = "Anlage";
    Fahr->fahreintragen(1, 1, 0, 0, 12);
    Fahr->fahreintragen(1, 5, 27, 0, 11);
    Fahr->fahreintragen(3, 9, 54, 81, 13);
    Fahr->Anz_strassen = 4;
    Bahn->fahrspeichern();
    const std::string path = dir.path() + "Layouts/Anlage.dat";
    const std::string bytes = "3\r\n1\r\n1\r\n0\r\n0\r\n12\r\n1\r\n5\r\n27\r\n0\r\n11\r\n"
                              "3\r\n9\r\n54\r\n81\r\n13\r\n4\r\n";
    EXPECT_EQ(readFileBytes(path), bytes);

    Fahr->Fahrlist.clear();
    Fahr->Anz_strassen = 0;
    form.Knopf.set(1, true);
    Bahn->fahrladen();
    EXPECT_EQ(contents(*Fahr),
              (std::vector<std::array<int, 4>>{{1, 0, 0, 12}, {1, 27, 0, 11}, {3, 54, 81, 13}}));
    EXPECT_EQ(Fahr->getEntryByNum(2)->Gleiselementnr, 9);
    EXPECT_EQ(Fahr->Anz_strassen, 4);
    EXPECT_FALSE(form.Knopf[1]) << "the loaded routes start released";

    // Saving again gives the same file.
    Bahn->fahrspeichern();
    EXPECT_EQ(readFileBytes(path), bytes);
}

TEST_F(Routes, ReadingRouteFiles) {
    const struct {
        const char* what;
        const char* bytes; // null: no file
        bool raises;
        std::vector<std::array<int, 4>> routes;
        int counter;
    } cases[] = {
        {"no file", nullptr, false, {}, 0},
        {"empty table", "0\r\n0\r\n", false, {}, 0},
        {"LF only, other case", "1\n2\n1\n0\n0\n13\n5\n", false, {{2, 0, 0, 13}}, 5},
        {"counter below a route", "1\r\n7\r\n1\r\n0\r\n0\r\n11\r\n2\r\n", false, {{7, 0, 0, 11}}, 7},
        {"no counter line", "1\r\n2\r\n1\r\n0\r\n0\r\n11\r\n", false, {{2, 0, 0, 11}}, 2},
        {"unusable records dropped",
         "4\r\n0\r\n1\r\n0\r\n0\r\n11\r\n1\r\n1\r\n0\r\n0\r\n14\r\n1\r\n1\r\n0\r\n0\r\n2\r\n1\r\n1\r\n27\r\n0"
         "\r\n11\r\n1\r\n",
         false,
         {{1, 27, 0, 11}},
         1},
        {"count above the records", "2\r\n1\r\n1\r\n0\r\n0\r\n11\r\n1\r\n", true, {}, 0},
        {"not a number", "1\r\n1\r\nx\r\n0\r\n0\r\n11\r\n1\r\n", true, {}, 0},
        {"negative count", "-1\r\n0\r\n", true, {}, 0},
        // No new route could be numbered after these.
        {"counter at the limit", "0\r\n2147483647\r\n", true, {}, 0},
        {"route at the limit", "1\r\n2147483647\r\n1\r\n0\r\n0\r\n11\r\n1\r\n", true, {}, 0},
        {"counter with no number after it", "0\r\n2147483646\r\n", true, {}, 0},
        {"route with no number after it", "1\r\n2147483646\r\n1\r\n0\r\n0\r\n11\r\n1\r\n", true, {}, 0},
        // The last ones taken: one more route can be numbered.
        {"counter one below", "0\r\n2147483645\r\n", false, {}, 2147483645},
        {"route one below",
         "1\r\n2147483645\r\n1\r\n0\r\n0\r\n11\r\n1\r\n",
         false,
         {{2147483645, 0, 0, 11}},
         2147483645},
    };
    form.DateinameohneEndung = "Anlage";
    const std::string path = dir.path() + "Layouts/anlage.DAT";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path);
        if (c.bytes)
            writeFileBytes(path, c.bytes);
        Fahr->Fahrlist.clear();
        Fahr->fahreintragen(9, 1, 0, 0, 11);
        Fahr->Anz_strassen = 9;
        form.Knopf.set(9, true);
        // Reading alone changes nothing, whatever the file holds.
        if (c.raises) {
            EXPECT_THROW(Bahn->readRouteFile("Anlage"), TextFileError);
        } else {
            EXPECT_EQ(Bahn->readRouteFile("Anlage").elements.size(), c.routes.size());
        }
        EXPECT_EQ(contents(*Fahr), (std::vector<std::array<int, 4>>{{9, 0, 0, 11}}));
        EXPECT_TRUE(form.Knopf[9]);
        if (c.raises) {
            EXPECT_THROW(Bahn->fahrladen(), TextFileError);
        } else {
            Bahn->fahrladen();
        }
        EXPECT_EQ(contents(*Fahr), c.routes);
        EXPECT_EQ(Fahr->Anz_strassen, c.counter);
        EXPECT_FALSE(form.Knopf[9]);
        // Whatever the reader took, a new route can be recorded.
        EXPECT_TRUE(Fahr->reserveRoute());
        EXPECT_EQ(Fahr->Anz_strassen, c.counter + 1);
    }
}

} // namespace

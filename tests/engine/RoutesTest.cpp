#include "PlanFixture.h"

#include "engine/Fahrunit.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "platform/TextFile.h"

namespace {

// (route, x, y, state) of every element, in list order.
std::vector<std::array<int, 4>> contents(const C_fahr& fahr)
{
    std::vector<std::array<int, 4>> out;
    for (const auto& e : fahr.Fahrlist)
        out.push_back({e->Fahrnr, e->Xpos, e->Ypos, e->Stellung});
    return out;
}

TEST(RouteTable, EntriesAreKeyedByRouteAndPosition)
{
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
    } lookups[] = {{1, 0, 0, 1, 11}, {2, 0, 0, 1, 13}, {3, 0, 0, 0, 0}, {1, 27, 27, 0, 0}, {1, 54, 27, 1, 13}};
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

class Routes : public PlanFixture {
protected:
    tPosEntry& place(int x, int y, int kind, int state = 1, int route = 0)
    {
        auto e = std::make_unique<tPosEntry>();
        Postable->initializeEntry(Postable->getNumbofEntries() + 1, *e);
        e->Posx = x;
        e->Posy = y;
        e->Enummer = kind;
        e->Stellung = state;
        e->Fahrnr = route;
        tPosEntry& ref = *e;
        Postable->addEntry(std::move(e));
        return ref;
    }
    void clearPlan()
    {
        form.Quarn_bitmap->fill(Qt::white);
        form.quarn.fill(Qt::white);
        form.debugLines.clear();
    }
    bool shows(int x, int y, int kind, int state) const
    {
        return cellShows(*form.Quarn_bitmap, x, y, icon(kind, state));
    }

    // Route 1: a three-state turnout in state 2 (decoder 2, output 3), a one-state track, a
    // two-state signal without an output for state 1, an element without a plan entry, and a
    // turnout that belongs to route 2 only.
    void buildRoutes()
    {
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
        place(135, 0, 66, 1, 1); // the route button
        Fahr->fahreintragen(1, 1, 0, 0, 12);
        Fahr->fahreintragen(1, 9, 27, 0, 11);
        Fahr->fahreintragen(1, 5, 54, 0, 11);
        Fahr->fahreintragen(1, 1, 81, 0, 11);
        Fahr->fahreintragen(2, 1, 108, 0, 11);
        form.Debug = true;
        clearPlan();
    }
};

TEST_F(Routes, SettingARouteSwitchesAndDrawsItsSwitchableElements)
{
    buildRoutes();
    Fahr->fahraktivieren(1);
    EXPECT_EQ(switchedLines(), (std::vector<std::string>{"SET GA M 10 0 1 -1"}));
    EXPECT_TRUE(shows(0, 0, 1, 2));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 27, 0)) << "a one-state kind is left alone";
    EXPECT_TRUE(shows(54, 0, 5, 1)) << "drawn although it has no output";
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 81, 0));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 108, 0)) << "route 2";
    EXPECT_EQ(Postable->getEntryByKor(0, 0)->Stellung, 1) << "the plan keeps its own state";
}

TEST_F(Routes, ReleasingARouteOnlyDraws)
{
    buildRoutes();
    Fahr->fahrdeaktiv(1);
    EXPECT_TRUE(switchedLines().empty());
    EXPECT_TRUE(shows(0, 0, 1, 12));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 27, 0));
    EXPECT_TRUE(shows(54, 0, 5, 11));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 108, 0));
}

TEST_F(Routes, ShowingAndHidingARoute)
{
    buildRoutes();
    Fahr->fahrstrasseniconchange(1);
    EXPECT_TRUE(shows(0, 0, 1, 12));
    EXPECT_TRUE(shows(27, 0, 9, 11)) << "every element, switchable or not";
    EXPECT_TRUE(shows(54, 0, 5, 11));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 81, 0));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 135, 0));

    Fahr->knopfan(135, 0);
    EXPECT_TRUE(shows(135, 0, 66, 11));
    Fahr->knopfan(162, 0); // no element there
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 162, 0));

    Fahr->normaleiconchange(1);
    EXPECT_TRUE(shows(0, 0, 1, 1));
    EXPECT_TRUE(shows(27, 0, 9, 1));
    EXPECT_TRUE(shows(54, 0, 5, 2));
    EXPECT_TRUE(shows(135, 0, 66, 1)) << "the buttons are released at the end";
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 108, 0));
    EXPECT_TRUE(switchedLines().empty());
}

TEST_F(Routes, AllButtonsAreReleasedTheFirstOneToo)
{
    place(0, 27, 66, 1, 4);
    place(27, 27, 88, 1, 0); // a button without a route stays as it is
    place(54, 27, 88, 1, 2);
    clearPlan();
    Fahr->alleknopfaus();
    EXPECT_TRUE(shows(0, 27, 66, 1));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 27, 27));
    EXPECT_TRUE(shows(54, 27, 88, 1));
}

TEST_F(Routes, DeletingARouteClearsItsElementsButtonsAndFlag)
{
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

    // Route numbers have no upper bound.
    Fahr->fahreintragen(5000, 1, 0, 0, 11);
    form.Knopf.set(5000, true);
    EXPECT_TRUE(form.Knopf[5000]);
    Fahr->fahrtotdel(5000);
    EXPECT_FALSE(form.Knopf[5000]);
    EXPECT_EQ(Fahr->readgleisnr(5000), 0);
}

TEST_F(Routes, TheRouteFileIsWrittenAndReadBack)
{
    form.DateinameohneEndung = "Anlage";
    Fahr->fahreintragen(1, 1, 0, 0, 12);
    Fahr->fahreintragen(1, 5, 27, 0, 11);
    Fahr->fahreintragen(3, 9, 54, 81, 13);
    Fahr->Anz_strassen = 4;
    Bahn->fahrspeichern();
    const std::string path = dir.path() + "Layouts/Anlage.dat";
    EXPECT_EQ(readFileBytes(path), "3\r\n1\r\n1\r\n0\r\n0\r\n12\r\n1\r\n5\r\n27\r\n0\r\n11\r\n"
                                   "3\r\n9\r\n54\r\n81\r\n13\r\n4\r\n");

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
    EXPECT_EQ(readFileBytes(path), "3\r\n1\r\n1\r\n0\r\n0\r\n12\r\n1\r\n5\r\n27\r\n0\r\n11\r\n"
                                   "3\r\n9\r\n54\r\n81\r\n13\r\n4\r\n");
}

TEST_F(Routes, ReadingRouteFiles)
{
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
         "4\r\n0\r\n1\r\n0\r\n0\r\n11\r\n1\r\n1\r\n0\r\n0\r\n14\r\n1\r\n1\r\n0\r\n0\r\n2\r\n1\r\n1\r\n27\r\n0\r\n11\r\n1\r\n",
         false, {{1, 27, 0, 11}}, 1},
        {"count above the records", "2\r\n1\r\n1\r\n0\r\n0\r\n11\r\n1\r\n", true, {}, 0},
        {"not a number", "1\r\n1\r\nx\r\n0\r\n0\r\n11\r\n1\r\n", true, {}, 0},
        {"negative count", "-1\r\n0\r\n", true, {}, 0},
    };
    form.DateinameohneEndung = "Anlage";
    const std::string path = dir.path() + "Layouts/anlage.DAT";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path);
        if (c.bytes)
            writeFileBytes(path, c.bytes);
        Fahr->fahreintragen(9, 1, 0, 0, 11);
        Fahr->Anz_strassen = 9;
        form.Knopf.set(9, true);
        if (c.raises) {
            EXPECT_THROW(Bahn->fahrladen(), TextFileError);
        } else {
            Bahn->fahrladen();
        }
        EXPECT_EQ(contents(*Fahr), c.routes);
        EXPECT_EQ(Fahr->Anz_strassen, c.counter);
        EXPECT_FALSE(form.Knopf[9]);
    }
}

} // namespace

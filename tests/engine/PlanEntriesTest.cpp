#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeMainForm.h"
#include "engine/Bahncalcunit.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"

namespace {

// The CompIDs of the table, in list order.
std::vector<int> ids(const C_Position& table) {
    std::vector<int> out;
    for (int i = 0; i < table.getNumbofEntries(); ++i)
        out.push_back(table.getEntryByNum(i)->CompID);
    return out;
}

int idOf(const tPosEntry* e) {
    return e ? e->CompID : 0;
}

class PlanEntries : public ::testing::Test {
protected:
    void SetUp() override {
        const int cells[][2] = {{27, 27}, {54, 27}, {27, 27}, {27, 54}, {27, 27}};
        for (const auto& c : cells) {
            auto e = std::make_unique<tPosEntry>();
            e->CompID = table.getNumbofEntries() + 1;
            e->Posx = c[0];
            e->Posy = c[1];
            ASSERT_EQ(table.addEntry(std::move(e)), 0);
        }
    }

    FakeMainForm form;
    C_Position table;
};

TEST_F(PlanEntries, LookupsFindTheLastMatchAndStayInsideTheList) {
    const int byKor[][3] = {{27, 27, 5}, {54, 27, 2}, {27, 54, 4}, {0, 0, 0}, {28, 27, 0}, {27, 26, 0}};
    for (const auto& c : byKor)
        EXPECT_EQ(idOf(table.getEntryByKor(c[0], c[1])), c[2]) << c[0] << "," << c[1];
    const int byNum[][2] = {{0, 1}, {4, 5}, {5, 0}, {-1, 0}, {-2147483647 - 1, 0}, {2147483647, 0}};
    for (const auto& c : byNum)
        EXPECT_EQ(idOf(table.getEntryByNum(c[0])), c[1]) << c[0];
    EXPECT_EQ(table.addEntry(nullptr), -1);
    EXPECT_EQ(ids(table), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(PlanEntries, RemovalByPositionTakesTheFirstMatch) {
    struct Step {
        int x, y, result;
        std::vector<int> left;
    };
    const Step steps[] = {{27, 27, 0, {2, 3, 4, 5}}, {27, 27, 0, {2, 4, 5}}, {99, 99, -1, {2, 4, 5}},
                          {27, 54, 0, {2, 5}},       {27, 27, 0, {2}},       {27, 27, -1, {2}}};
    for (const Step& s : steps) {
        EXPECT_EQ(table.delEntry(s.x, s.y), s.result);
        EXPECT_EQ(ids(table), s.left);
    }
    EXPECT_TRUE(form.debugLines.empty());
    form.Debug = true;
    table.delEntry(54, 27);
    table.delEntry(1, 1);
    EXPECT_EQ(form.debugLines, (std::vector<std::string>{"Anzahl der Elemente in Quarnlist :0",
                                                         "Anzahl der Elemente in Quarnlist :0"}));
}

TEST_F(PlanEntries, InitializeEntrySetsTheStartValues) {
    TTextEntry label;
    TElementEntry kind;
    tPosEntry e{7, 12, 27, 54, 3, 1, 2, 3, 4, 5, 6, 9, "N", &label, 8, 9, &kind};
    table.initializeEntry(5, e);
    const tPosEntry expected{5, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, "M", nullptr, 0, 0, nullptr};
    const auto fields = [](const tPosEntry& p) {
        return std::tuple(p.CompID, p.Enummer, p.Posx, p.Posy, p.Stellung, p.Decod1, p.Decod2, p.Decod3,
                          p.Daten1, p.Daten2, p.Daten3, p.Fahrnr, p.Protokoll, p.Text, p.Refposx, p.Refposy,
                          p.Element);
    };
    EXPECT_EQ(fields(e), fields(expected));
}

TEST_F(PlanEntries, PlanServiceEmptiesTheThreeLists) {
    C_Position* previous = Postable;
    Postable = &table;
    form.Textliste = std::make_unique<TTextList>();
    form.Textliste->push_back(std::make_unique<TTextEntry>());
    form.Textliste->back()->TextFont = std::make_unique<ColoredFont>();
    form.Movelist = std::make_unique<TMoveList>(TMoveList{table.getEntryByNum(1), table.getEntryByNum(3)});

    Cbahn bahn;
    bahn.EmptyMovelist();
    EXPECT_TRUE(form.Movelist->empty());
    EXPECT_EQ(table.getNumbofEntries(), 5) << "the move list does not own its entries";
    bahn.EmptyTextlist();
    EXPECT_TRUE(form.Textliste->empty());
    bahn.EmptyQuarnlist();
    EXPECT_EQ(table.getNumbofEntries(), 0);
    bahn.EmptyQuarnlist();
    EXPECT_EQ(table.getEntryByKor(27, 27), nullptr);
    Postable = previous;
}

TEST(ElementCatalogue, IndexesOutsideTheCatalogueReadNothingAndChangeNothing) {
    C_Element catalogue;
    for (int i : {-1, 0, 87, 88, -2147483647 - 1}) {
        catalogue.set_nummer(i, i + 1);
        catalogue.set_posx(i, 100 + i);
        catalogue.set_art(i, 3);
        catalogue.set_i03(i, "c");
    }
    const int cases[][4] = {{0, 1, 100, 3}, {87, 88, 187, 3}, {1, 0, 0, 0}, {-1, 0, 0, 0}, {88, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(catalogue.get_nummer(c[0]), c[1]);
        EXPECT_EQ(catalogue.get_posx(c[0]), c[2]);
        EXPECT_EQ(catalogue.get_art(c[0]), c[3]);
        EXPECT_EQ(catalogue.get_i03(c[0]), c[3] ? "c" : "");
    }
}

} // namespace

#include "PlanFixture.h"

#include <QFile>

#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "engine/Rueckmeldeunit.h"
#include "platform/Cp1252.h"
#include "platform/LineConnection.h"
#include "platform/TextFile.h"
#include "support/FakeSrcp073Server.h"
#include "support/FifoGuard.h"

namespace {

struct Rec {
    int compId, kind, x, y, state;
    int decod[3];
    int daten[3];
    int route;
    std::string protocol;
};

std::string lines(std::initializer_list<std::string> values) {
    std::string text;
    for (const std::string& v : values)
        text += v + "\r\n";
    return text;
}

std::string recordText(const Rec& r) {
    auto n = [](int v) { return std::to_string(v); };
    return lines({n(r.compId), n(r.kind), n(r.x), n(r.y), n(r.state), n(r.decod[0]), n(r.decod[1]),
                  n(r.decod[2]), n(r.daten[0]), n(r.daten[1]), n(r.daten[2]), n(r.route), r.protocol});
}

std::string planText(const std::vector<Rec>& records, const std::string& labels = "0\r\n") {
    std::string text = std::to_string(records.size()) + "\r\n";
    for (const Rec& r : records)
        text += recordText(r);
    return text + labels;
}

class PlanFile : public PlanFixture {
protected:
    std::string layouts() const { return dir.path() + "Layouts/"; }
    void writePlan(const std::string& name, const std::string& bytes) const {
        writeFileBytes(layouts() + name, bytes);
    }
};

TEST_F(PlanFile, ALoadedPlanIsWrittenBackByteForByte) {
    // Strings are taken as they stand, a tab or another control byte in them too.
    const std::string written = planText({{1, 1, 27, 54, 2, {1, 2, 3}, {4, 5, 6}, 0, "M"},
                                          {2, 66, 0, 0, 1, {0, 0, 0}, {0, 0, 0}, 17, "N\x01"},
                                          {3, 5, 972, 648, 3, {255, -1, 0}, {8, 0, 1}, 0, ""}},
                                         lines({"2", "Qtextlabel1",
                                                "Bahnhof\tS\xfc"
                                                "d",
                                                "81", "27", "0", "Arial,10,1000,clBlack", "Qtextlabel2",
                                                " padded text, 4096 bytes long " + std::string(4066, '.'),
                                                "0", "0", "-3", "Courier New,12,0110,$00102030"}));
    writePlan("Mein Plan.pln", written);
    Bahn->gleisbildladen("Mein Plan.pln", layouts());

    EXPECT_EQ(form.Anzahl, 3);
    EXPECT_EQ(form.TextLabelNr, 2);
    ASSERT_EQ(Postable->getNumbofEntries(), 3);
    const tPosEntry& e = *Postable->getEntryByNum(2);
    EXPECT_EQ(e.Enummer, 5);
    EXPECT_EQ(e.Posx, 972);
    EXPECT_EQ(e.Decod2, -1);
    EXPECT_EQ(e.Daten1, 8);
    EXPECT_EQ(Postable->getEntryByNum(1)->Fahrnr, 17);
    ASSERT_EQ(form.Textliste->size(), 2u);
    const TTextEntry& label = *(*form.Textliste)[0];
    EXPECT_EQ(label.Name, "Qtextlabel1");
    EXPECT_EQ(label.TextInfo, "Bahnhof\tS\xfc"
                              "d");
    EXPECT_EQ(Postable->getEntryByNum(1)->Protokoll, "N\x01");
    EXPECT_EQ(label.XText, 81);
    ASSERT_TRUE(label.TextFont);
    EXPECT_EQ(label.TextFont->family().toStdString(), "Arial");
    EXPECT_TRUE(label.TextFont->bold());
    EXPECT_EQ((*form.Textliste)[1]->Textwkl, -3);
    EXPECT_EQ((*form.Textliste)[1]->TextInfo.size(), 4096u) << "the longest text a label may have";
    EXPECT_EQ(form.writtenLabels,
              (std::vector<TTextEntry*>{(*form.Textliste)[0].get(), (*form.Textliste)[1].get()}));

    Bahn->gleisbildspeichern("copy.pln", layouts());
    EXPECT_EQ(readFileBytes(layouts() + "copy.pln"), written);
}

TEST_F(PlanFile, WritingRenumbersOnlyTheElementNumbers) {
    for (auto [id, x] : {std::pair{9, 0}, {4, 27}}) {
        tPosEntry& e = place(x, 27, 7, 2);
        e.CompID = id;
        e.Decod3 = 12;
        e.Daten2 = 7;
        e.Protokoll = "n";
    }
    Bahn->gleisbildspeichern("p.pln", layouts());
    EXPECT_EQ(readFileBytes(layouts() + "p.pln"),
              "2\r\n9\r\n7\r\n0\r\n27\r\n2\r\n0\r\n0\r\n12\r\n0\r\n7\r\n0\r\n0\r\nn\r\n"
              "4\r\n7\r\n27\r\n27\r\n2\r\n0\r\n0\r\n12\r\n0\r\n7\r\n0\r\n0\r\nn\r\n0\r\n");

    Bahn->EmptyQuarnlist();
    Bahn->gleisbildladen("p.pln", layouts());
    ASSERT_EQ(Postable->getNumbofEntries(), 2);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const tPosEntry& e = *Postable->getEntryByNum(i);
        EXPECT_EQ(e.CompID, i + 1);
        EXPECT_EQ(e.Posx, 27 * i);
        EXPECT_EQ(e.Stellung, 2);
        EXPECT_EQ(e.Decod3, 12);
        EXPECT_EQ(e.Daten2, 7);
        EXPECT_EQ(e.Protokoll, "n");
    }
    EXPECT_EQ(form.TextLabelNr, -1);
}

TEST_F(PlanFile, TheLoaderKeepsCellsFromZeroAndKindsFromOne) {
    const struct {
        int kind, x, y;
        bool kept, drawn;
    } cases[] = {
        {1, 0, 0, true, true},     {88, 27, 0, true, true},
        {12, 0, 27, true, true},   {0, 27, 27, false, false},
        {89, 54, 27, true, false}, {-4, 27, 27, false, false},
        {5, -27, 0, false, false}, {5, 0, -1, false, false},
        {5, 54, 54, true, true},   {7, 2147483647, 2147483647, true, false},
    };
    std::vector<Rec> records, kept;
    for (const auto& c : cases) {
        records.push_back({99, c.kind, c.x, c.y, 1, {3, 0, 0}, {1, 0, 0}, 0, "M"});
        if (c.kept) {
            kept.push_back(records.back());
            kept.back().compId = static_cast<int>(records.size());
        }
    }
    writePlan("f.pln", planText(records));
    form.Debug = true; // with no connection, each pulse shows as its first line in the memo
    Bahn->gleisbildladen("f.pln", layouts());

    EXPECT_EQ(form.Anzahl, 10);
    std::vector<int> ids;
    for (const auto& e : Postable->entries())
        ids.push_back(e->CompID);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 5, 9, 10}));
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n++);
        if (c.drawn) {
            EXPECT_TRUE(cellShows(*form.Quarn_bitmap, c.x, c.y, icon(c.kind, 1)));
        }
    }
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 27, 27));
    EXPECT_TRUE(cellIsWhite(*form.Quarn_bitmap, 54, 27)) << "an unknown kind is not drawn";
    EXPECT_EQ(switchedLines().size(), 5u) << "an unknown kind is not switched";
    EXPECT_EQ(form.progressMax, 10);
    EXPECT_EQ(form.progressSteps,
              (std::vector<std::pair<int, std::string>>{
                  {0, "0 %"}, {1, "10 %"}, {2, "20 %"}, {3, "30 %"}, {4, "40 %"}, {5, "50 %"}, {6, "60 %"}}));
    EXPECT_FALSE(form.progressVisible);

    // Saved again, the unknown kind is still there.
    Bahn->gleisbildspeichern("again.pln", layouts());
    EXPECT_EQ(readFileBytes(layouts() + "again.pln"), planText(kept));
}

TEST_F(PlanFile, ProgressCountsKeptRecordsAgainstTheFilesCount) {
    writePlan("p.pln", planText({{1, 3, 0, 0, 1, {0, 0, 0}, {0, 0, 0}, 0, "M"},
                                 {2, 3, -27, 0, 1, {0, 0, 0}, {0, 0, 0}, 0, "M"},
                                 {3, 3, 27, 0, 1, {0, 0, 0}, {0, 0, 0}, 0, "M"}}));
    Bahn->gleisbildladen("p.pln", layouts());
    EXPECT_EQ(form.Anzahl, 3);
    EXPECT_EQ(Bahn->poslistsuchen2(0, 0), 1);
    EXPECT_EQ(Bahn->poslistsuchen2(27, 0), 3);
    EXPECT_EQ(form.progressSteps,
              (std::vector<std::pair<int, std::string>>{{0, "0 %"}, {1, "33 %"}, {2, "66 %"}}));
}

TEST_F(PlanFile, LoadingSwitchesTheStoredStatesAndDrawsEveryElement) {
    form.Debug = true; // with no connection, each pulse shows as its first line in the memo
    const struct {
        Rec rec;
        int drawnState;
    } cases[] = {
        {{0, 1, 0, 0, 2, {1, 2, 3}, {1, 3, 5}, 0, "M"}, 2},     // state 2: decoder 2, output 3
        {{0, 65, 27, 0, 1, {1, 0, 0}, {5, 0, 0}, 0, "M"}, 1},   // a feedback detector is not switched
        {{0, 1, 54, 0, 0, {1, 0, 0}, {2, 0, 0}, 0, "N"}, 1},    // state 0 counts as 1
        {{0, 5, 81, 0, 1, {3, 3, 0}, {0, 9, 0}, 0, "M"}, 1},    // output 0: nothing
        {{0, 5, 108, 0, 2, {3, 3, 0}, {0, 9, 0}, 0, "M"}, 2},   // output 9: nothing
        {{0, 1, 135, 0, 7, {4, 0, 0}, {1, 0, 0}, 0, "m"}, 1},   // state 7: drawn as 1, not switched
        {{0, 1, 270, 0, -2, {4, 0, 0}, {2, 0, 0}, 0, "m"}, 1},  // below 1: switched and drawn as 1
        {{0, 1, 162, 0, 12, {4, 4, 4}, {1, 1, 1}, 0, "M"}, 12}, // a route state is drawn, not switched
        {{0, 20, 189, 0, 1, {1, 0, 0}, {1, 0, 0}, 0, "M"}, 1},
        {{0, 66, 216, 0, 1, {1, 0, 0}, {1, 0, 0}, 0, "n"}, 1}, // not in the list of unswitched kinds
        {{0, 3, 243, 0, 3, {0, 0, 0}, {0, 0, 8}, 0, "M"}, 3},  // decoder 0: nothing
    };
    std::vector<Rec> records;
    for (const auto& c : cases)
        records.push_back(c.rec);
    writePlan("s.pln", planText(records));
    Bahn->gleisbildladen("s.pln", layouts());

    EXPECT_EQ(switchedLines(), (std::vector<std::string>{"SET GA M 10 0 1 -1", "SET GA N 5 1 1 -1",
                                                         "SET GA M 17 1 1 -1", "SET GA N 5 0 1 -1"}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rec.x);
        EXPECT_TRUE(cellShows(*form.Quarn_bitmap, c.rec.x, 0, icon(c.rec.kind, c.drawnState)));
        EXPECT_TRUE(cellShows(form.quarn.image(), c.rec.x, 0, icon(c.rec.kind, c.drawnState)));
        EXPECT_EQ(Postable->getEntryByKor(c.rec.x, 0)->Stellung, c.rec.state) << "kept as read";
    }
    ASSERT_GE(form.debugLines.size(), 3u);
    EXPECT_EQ(form.debugLines[0], layouts() + "s.pln");
    EXPECT_EQ(form.debugLines[1], "1") << "kind";
    EXPECT_EQ(form.debugLines[2], "1") << "element number";
}

TEST_F(PlanFile, ACommandThatCannotBeSentStillLeavesTheWholePlan) {
    FakeSrcp073Server server;
    LineConnection connection;
    connection.connect("127.0.0.1", server.port(), 2000);
    connection.shutdown(); // every write fails
    form.Command_Socket = &connection;
    form.Debug = true;
    writePlan("w.pln", planText({{0, 1, 0, 0, 1, {2, 0, 0}, {3, 0, 0}, 0, "M"},
                                 {0, 14, 27, 0, 2, {0, 1, 0}, {0, 8, 0}, 0, "N"}},
                                lines({"1", "n", "t", "0", "0", "0", "Arial,10,0000,clRed"})));
    EXPECT_THROW(Bahn->gleisbildladen("w.pln", layouts()), LineConnectionError);
    EXPECT_EQ(switchedLines(), std::vector<std::string>{"SET GA M 10 0 1 -1"}) << "no retry";
    EXPECT_EQ(Postable->getNumbofEntries(), 2);
    EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 27, 0, icon(14, 2)));
    EXPECT_EQ(form.Textliste->size(), 1u);
    EXPECT_EQ(form.TextLabelNr, 1);
    EXPECT_FALSE(form.progressVisible);
    form.Command_Socket = nullptr;
}

TEST_F(PlanFile, ABrokenFileOrAMissingIconChangesNothing) {
    const std::string good = recordText({0, 1, 0, 0, 1, {1, 0, 0}, {1, 0, 0}, 0, "M"});
    const std::string needsMissingIcon = recordText({0, 2, 27, 0, 2, {0, 0, 0}, {0, 0, 0}, 0, "M"});
    const struct {
        const char* what;
        std::string bytes;
        bool icon; // fails on the icon rather than on the text
    } cases[] = {
        {"not a number", "2\r\n" + good + "1\r\nx\r\n", false},
        {"count above the records", "3\r\n" + good + good + "0\r\n", false},
        {"huge count", "2147483647\r\n" + good, false},
        {"negative count", "-1\r\n0\r\n", false},
        {"record cut short", "1\r\n1\r\n1\r\n0\r\n", false},
        {"label count above the labels",
         "1\r\n" + good + "2\r\nn\r\nt\r\n0\r\n0\r\n0\r\nArial,10,0000,clRed\r\n", false},
        {"negative label count", "1\r\n" + good + "-2\r\n", false},
        {"broken font line", "1\r\n" + good + "1\r\nn\r\nt\r\n0\r\n0\r\n0\r\nArial,10,000,clRed\r\n", false},
        {"label text above 4096 bytes",
         "1\r\n" + good + "1\r\nn\r\n" + std::string(4097, 't') +
             "\r\n0\r\n0\r\n0\r\nArial,10,0000,clRed\r\n",
         false},
        {"missing icon", "2\r\n" + good + needsMissingIcon + "0\r\n", true},
    };
    std::filesystem::remove(dir.path() + "Data/Icon0202.bmp");
    form.Debug = true;
    auto keep = std::make_unique<tPosEntry>();
    keep->Enummer = 4;
    Postable->addEntry(std::move(keep));
    form.Textliste->push_back(std::make_unique<TTextEntry>());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        form.Anzahl = 42;
        form.TextLabelNr = 7;
        form.debugLines.clear();
        form.changes.clear();
        writePlan("bad.pln", c.bytes);
        if (c.icon) {
            EXPECT_THROW(Bahn->gleisbildladen("bad.pln", layouts()), BitmapFileError);
        } else {
            EXPECT_ANY_THROW(Bahn->gleisbildladen("bad.pln", layouts()));
        }
        EXPECT_EQ(Postable->getNumbofEntries(), 1);
        EXPECT_EQ(form.Textliste->size(), 1u);
        EXPECT_EQ(form.Anzahl, 42);
        EXPECT_EQ(form.TextLabelNr, 7);
        EXPECT_TRUE(switchedLines().empty());
        EXPECT_TRUE(form.changes.empty());
        EXPECT_TRUE(form.progressSteps.empty());
        EXPECT_FALSE(form.progressVisible);
        EXPECT_TRUE(form.writtenLabels.empty());
    }
    EXPECT_THROW(Bahn->gleisbildladen("none.pln", layouts()), TextFileError);
    FifoGuard fifo(layouts() + "pipe.pln");
    FifoGuard routes(layouts() + "pipe.dat");
    ASSERT_TRUE(fifo.made() && routes.made());
    EXPECT_THROW(Bahn->gleisbildladen("pipe.pln", layouts()), TextFileError);
    EXPECT_THROW(Bahn->readRouteFile("pipe"), TextFileError)
        << "a route file that is no file is no missing one";
    EXPECT_FALSE(fifo.fired() || routes.fired()) << "the reader waited for a writer";
}

TEST_F(PlanFile, ReadingAPlanChangesNothingUntilItIsApplied) {
    form.Debug = true; // with no connection, each pulse shows as its first line in the memo
    writePlan("r.pln", planText({{0, 1, 0, 0, 1, {2, 0, 0}, {3, 0, 0}, 0, "M"},
                                 {0, 89, 27, 0, 1, {2, 0, 0}, {3, 0, 0}, 0, "M"}},
                                lines({"1", "n", "t", "0", "0", "0", "Arial,10,0000,clRed"})));
    PlanFileLoad plan = Bahn->readPlanFile("r.pln", layouts());
    EXPECT_EQ(plan.path, layouts() + "r.pln");
    EXPECT_EQ(plan.contents.entries.size(), 2u);
    ASSERT_EQ(plan.icons.size(), 2u);
    EXPECT_EQ(plan.icons[0].convertToFormat(QImage::Format_RGB32), icon(1, 1));
    EXPECT_TRUE(plan.icons[1].isNull()) << "a kind outside the catalogue is not drawn";
    ASSERT_EQ(plan.fonts.size(), 1u);
    EXPECT_EQ(plan.fonts[0]->family().toStdString(), "Arial");
    EXPECT_EQ(Postable->getNumbofEntries(), 0);
    EXPECT_TRUE(form.Textliste->empty());
    EXPECT_EQ(form.Anzahl, 0);
    EXPECT_TRUE(switchedLines().empty());
    EXPECT_TRUE(form.changes.empty());
    EXPECT_TRUE(form.progressSteps.empty());

    Bahn->applyPlanFile(std::move(plan));
    EXPECT_EQ(form.Anzahl, 2);
    EXPECT_EQ(Postable->getNumbofEntries(), 2);
    EXPECT_EQ(form.Textliste->size(), 1u);
    EXPECT_EQ(switchedLines(), std::vector<std::string>{"SET GA M 10 0 1 -1"});
    EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 0, 0, icon(1, 1)));
    EXPECT_FALSE(form.progressVisible);

    // A load that did not come from the reader is refused before anything changes.
    PlanFileLoad forged;
    forged.contents.count = 1;
    forged.contents.entries.push_back(tPosEntry{});
    EXPECT_THROW(Bahn->applyPlanFile(std::move(forged)), std::logic_error);
    EXPECT_EQ(Postable->getNumbofEntries(), 2);
}

TEST_F(PlanFile, IconsPlansAndDetectorsLoadFromAFolderWhoseNameIsNotAscii) {
    const std::string names[] = {"Modellbahn J\xC3\xBCrgen", "Modellbahn J\xE4rgen"};
    const std::string plan = planText(
        {{0, 1, 0, 0, 1, {0, 0, 0}, {0, 0, 0}, 0, "M"}, {0, 65, 27, 0, 1, {2, 0, 0}, {1, 0, 0}, 0, "M"}});
    for (const std::string& name : names) {
        SCOPED_TRACE(cp1252ToUtf8(name));
        const std::string work = dir.path() + name + "/";
        std::filesystem::create_directories(work + "Layouts");
        std::filesystem::create_directories(work + "Data");
        for (const char* file : {"Icon0101.bmp", "Icon6501.bmp", "Icon6502.bmp"})
            std::filesystem::copy_file(dir.path() + "Data/" + file, work + "Data/" + file);
        setWorkFolder(work);
        iconCache().clear();
        Bahn->EmptyQuarnlist();
        form.Quarn_bitmap->fill(Qt::white);

        EXPECT_EQ(iconCache().load(Bahn->getDataPath() + "Icon0101.bmp"), icon(1, 1));
        writeFileBytes(work + "Layouts/p.pln", plan);
        Bahn->gleisbildladen("p.pln", Bahn->getLayoutPath());
        EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 0, 0, icon(1, 1)));
        Rueckmodul->iconrefresh(2, 1, 1);
        EXPECT_TRUE(cellShows(*form.Quarn_bitmap, 27, 0, icon(65, 2)));
    }
}

TEST_F(PlanFile, FoldersAndPlansAreFoundInAnyLetterCaseAndLabelLinesMayBeMissing) {
    std::filesystem::rename(dir.path() + "Layouts", dir.path() + "layouts");
    EXPECT_EQ(Bahn->getLayoutPath(), dir.path() + "layouts/");
    EXPECT_EQ(Bahn->getDataPath(), dir.path() + "Data/");
    form.DateinameohneEndung = "Plan 1";
    EXPECT_EQ(Bahn->routeFilePath(), dir.path() + "layouts/Plan 1.dat");

    writeFileBytes(dir.path() + "layouts/plan.PLN", "1\n1\n3\n0\n27\n1\n0\n0\n0\n0\n0\n0\n0\nM\n");
    Bahn->gleisbildladen("Plan.pln", dir.path() + "LAYOUTS\\");
    EXPECT_EQ(Bahn->poslistsuchen(0, 27), 3);
    EXPECT_TRUE(form.Textliste->empty());
    EXPECT_EQ(form.TextLabelNr, -1);
}

} // namespace

// The File menu's plan commands: New, Open, Save and Save as, with the file dialogs answered by the
// recording dialog service, checked by the window's fields, the plan's tables, the title, the mode and
// the exact bytes of every file in Layouts/.

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <sstream>
#include <thread>

#include "ConnectionExpectations.h"
#include "PlanEditorFixture.h"
#include "platform/LineConnection.h"
#include "platform/TextFile.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingClock.h"

namespace {

namespace fs = std::filesystem;
using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
using Files = std::map<std::string, std::string>;

// A file of the space-separated values, one a line.
std::string lines(const std::string& values) {
    std::string text;
    std::istringstream in(values);
    for (std::string value; in >> value;)
        text += value + "\r\n";
    return text;
}

// Plan "a": a turnout (kind 14) at (27, 27) switched by decoder 1, output 1 in state 1, the button
// of route 1 (kind 66) at (54, 27), and one label.
std::string planA(int turnoutState = 1) {
    return lines(
        "2 1 14 27 27 " + std::to_string(turnoutState) +
        " 1 2 0 1 1 0 0 M 2 66 54 27 1 0 0 0 0 0 0 1 M 1 Qtextlabel1 Bahnhof 81 0 0 Arial,10,0000,clBlack");
}
// Its routes: route 1 puts the turnout in state 2.
const std::string kRoutesA = lines("1 1 14 27 27 12 1");

// What the tests compare: the plan's names, tables, title, status panel, mode and menus.
struct PlanState {
    std::string folder, name, stem;
    int anzahl = 0;
    std::vector<std::string> entries; // "kind@x,y"
    std::vector<std::string> labels;
    std::vector<std::string> routes; // "route:x,y=state"
    int routeCounter = 0;
    std::size_t buttonsOn = 0;
    int hpos = 0, vpos = 0;
    std::string title;
    std::string panel1;
    std::string mode;
    bool planMenus = false;
    bool saved = false;
    bool operator==(const PlanState&) const = default;
};

void PrintTo(const PlanState& s, std::ostream* out) {
    auto list = [out](const std::vector<std::string>& items) {
        *out << "{";
        for (const std::string& i : items)
            *out << i << " ";
        *out << "}";
    };
    *out << "\n  names " << s.folder << " | " << s.name << " | " << s.stem << "\n  Anzahl " << s.anzahl
         << " entries ";
    list(s.entries);
    *out << " labels ";
    list(s.labels);
    *out << " routes ";
    list(s.routes);
    *out << " counter " << s.routeCounter << " on " << s.buttonsOn << "\n  offsets " << s.hpos << ","
         << s.vpos << " title \"" << s.title << "\" panel1 \"" << s.panel1 << "\" mode " << s.mode
         << " plan menus " << s.planMenus << " saved " << s.saved;
}

class QuarnFilesTest : public PlanEditorTest {
protected:
    void SetUp() override {
        PlanEditorTest::SetUp();
        // No plan yet: the menus as the start leaves them.
        window->setStartMenuState();
        layouts = Bahn->getLayoutPath();
        fs::create_directories(layouts);
        writeFileBytes(layouts + "a.pln", planA());
        writeFileBytes(layouts + "a.dat", kRoutesA);
    }

    PlanState state() const {
        PlanState s;
        s.folder = window->Gleisbildpfad;
        s.name = window->Gleisbildname;
        s.stem = window->DateinameohneEndung;
        s.anzahl = window->Anzahl;
        for (const auto& e : Postable->entries())
            s.entries.push_back(std::to_string(e->Enummer) + "@" + std::to_string(e->Posx) + "," +
                                std::to_string(e->Posy));
        for (const auto& label : *window->Textliste)
            s.labels.push_back(label->Name);
        for (const auto& r : Fahr->Fahrlist)
            s.routes.push_back(std::to_string(r->Fahrnr) + ":" + std::to_string(r->Xpos) + "," +
                               std::to_string(r->Ypos) + "=" + std::to_string(r->Stellung));
        s.routeCounter = Fahr->Anz_strassen;
        s.buttonsOn = window->Knopf.countOn();
        s.hpos = window->Hpos_alt;
        s.vpos = window->Vpos_alt;
        s.title = window->windowTitle().toStdString();
        s.panel1 = window->statusPanelText(1);
        s.mode = window->Quarnerstellen ? "design" : window->Betrieb ? "operate" : "none";
        s.planMenus = window->Speichernals1->isEnabled() && !window->Bildschirm1->menuAction()->isEnabled();
        s.saved = window->Gespeichert;
        return s;
    }

    // Every file in Layouts/ with its bytes.
    Files files() const {
        Files all;
        for (const auto& entry : fs::directory_iterator(layouts))
            all[entry.path().filename().string()] = entry.is_symlink() ? "(link)"
                                                    : entry.is_directory()
                                                        ? "(folder)"
                                                        : readFileBytes(entry.path().string());
        return all;
    }

    // Opens a.pln through the menu, then records a second route and sets route 1, so that what is
    // in memory differs from a.dat.
    void openA() {
        m_dialogs.pushFile(layouts + "a.pln");
        window->Oeffnen1->trigger();
        ASSERT_EQ(window->Gleisbildname, "a.pln");
        Fahr->fahreintragen(2, 14, 27, 27, 11);
        Fahr->Anz_strassen = 2;
        window->Knopf.set(1, true);
        m_dialogs.clear();
    }

    // The state "a" is in after openA.
    PlanState stateA() const {
        PlanState s;
        s.folder = layouts;
        s.name = "a.pln";
        s.stem = "a";
        s.anzahl = 2;
        s.entries = {"14@27,27", "66@54,27"};
        s.labels = {"Qtextlabel1"};
        s.routes = {"1:27,27=12", "2:27,27=11"};
        s.routeCounter = 2;
        s.buttonsOn = 1;
        s.title = "QUARN - Eisenbahnsteuerung   Layout: a.pln";
        s.mode = "operate";
        s.planMenus = true;
        return s;
    }

    std::string layouts;
};

const char* const kSaveFilter = "Quarn files (*.pln);;All Files (*)";
const char* const kOpenFilter = "Quarn Layout Files (*.pln);;All Files (*)";

Call fileDialog(Kind kind, const std::string& title, const std::string& folder) {
    Call call{kind, title, folder, MessageIcon::None};
    call.filter = kind == Kind::OpenFile ? kOpenFilter : kSaveFilter;
    call.defaultSuffix = "pln";
    return call;
}

TEST_F(QuarnFilesTest, PlanCommands) {
    using Command = void (TMainForm::*)();
    // PlanAStuck: a folder stands where a's route file would be written. NewA: New chose the name
    // of a, which is still on disk. Held: held.pln is open, whose damaged route file could not be
    // moved aside. Reopened: after Held, a backup name was made free and held.pln opened again.
    enum class Start { NoPlan, PlanA, PlanAStuck, NewA, Held, Reopened };
    enum class Pixels { Unchecked, GreyWhereAWas, AShown };
    struct Row {
        const char* name;
        Start start;
        Command command;
        // The file the dialog gives (a name in Layouts/), nothing for Cancel; unused by Save.
        std::optional<std::string> chosen;
        // What the state and files become, from what they were.
        std::function<void(PlanState&, Files&)> change;
        // The boxes after the file dialog: 0 none, 140 the wrong-name box, -1 one error box.
        int box;
        Pixels pixels = Pixels::Unchecked;
        std::string boxNames = {}; // what the error box's text names
    };
    auto newPlan = [&](PlanState& s, const std::string& name) {
        s = PlanState{};
        s.folder = layouts;
        s.name = name;
        s.stem = name.substr(0, name.rfind('.'));
        s.title = "QUARN - Eisenbahnsteuerung   Layout: " + name;
        s.mode = "design";
        s.planMenus = true;
    };
    auto opened = [&](PlanState& s, const std::string& name, std::vector<std::string> routes, int counter) {
        s = stateA();
        s.name = name;
        s.stem = name.substr(0, name.rfind('.'));
        s.title = "QUARN - Eisenbahnsteuerung   Layout: " + name;
        s.routes = std::move(routes);
        s.routeCounter = counter;
        s.buttonsOn = 0;
    };
    auto unchanged = [](PlanState&, Files&) {};
    // The plan opened without routes, its route file kept aside.
    auto routesAside = [&](std::string stem, std::string backup = ".bak") {
        return [&, stem, backup](PlanState& s, Files& f) {
            opened(s, stem + ".pln", {}, 1);
            f[stem + ".dat" + backup] = f.extract(stem + ".dat").mapped();
        };
    };
    const std::string routesWithSecond = lines("2 1 14 27 27 12 2 14 27 27 11 2");

    const Row rows[] = {
        {"New without a plan", Start::NoPlan, &TMainForm::Neu1Click, "n.pln",
         [&](PlanState& s, Files&) { newPlan(s, "n.pln"); }, 0},
        {"New after a: a's routes go to a.dat, nothing for n", Start::PlanA, &TMainForm::Neu1Click, "n.pln",
         [&](PlanState& s, Files& f) {
             newPlan(s, "n.pln");
             f["a.dat"] = routesWithSecond;
         },
         0, Pixels::GreyWhereAWas},
        {"New after a New that chose a's name: a keeps its routes", Start::NewA, &TMainForm::Neu1Click,
         "n.pln", [&](PlanState& s, Files&) { newPlan(s, "n.pln"); }, 0},
        {"New when a's routes cannot be written", Start::PlanAStuck, &TMainForm::Neu1Click, "n.pln",
         unchanged, -1},
        {"New n.PLN", Start::PlanA, &TMainForm::Neu1Click, "n.PLN", unchanged, 140},
        {"New n.txt", Start::NoPlan, &TMainForm::Neu1Click, "n.txt", unchanged, 140},
        {"New cancelled", Start::PlanA, &TMainForm::Neu1Click, std::nullopt, unchanged, 0},
        {"Open a", Start::NoPlan, &TMainForm::Oeffnen1Click, "a.pln",
         [&](PlanState& s, Files&) { opened(s, "a.pln", {"1:27,27=12"}, 1); }, 0, Pixels::AShown},
        {"Open my.plan.pln: its routes are my.plan.dat", Start::PlanA, &TMainForm::Oeffnen1Click,
         "my.plan.pln", [&](PlanState& s, Files&) { opened(s, "my.plan.pln", {"1:27,27=13"}, 3); }, 0,
         Pixels::AShown},
        {"Open n.PLN", Start::PlanA, &TMainForm::Oeffnen1Click, "n.PLN", unchanged, 140},
        {"Open n.txt", Start::NoPlan, &TMainForm::Oeffnen1Click, "n.txt", unchanged, 140},
        {"Open cancelled", Start::PlanA, &TMainForm::Oeffnen1Click, std::nullopt, unchanged, 0},
        {"Open a count above the records", Start::PlanA, &TMainForm::Oeffnen1Click, "count.pln", unchanged,
         -1},
        {"Open a bad font line", Start::PlanA, &TMainForm::Oeffnen1Click, "font.pln", unchanged, -1},
        // A damaged route file: the plan opens without routes, the file is kept aside; new routes are
        // numbered above the route button's 1.
        {"Open a broken route file", Start::PlanA, &TMainForm::Oeffnen1Click, "routes.pln",
         routesAside("routes"), -1, Pixels::AShown, "routes.dat, route element 2"},
        {"Open a route counter at the limit", Start::PlanA, &TMainForm::Oeffnen1Click, "limit.pln",
         routesAside("limit"), -1, Pixels::AShown, "limit.dat: line 2"},
        // Older backups stay: the file goes to the next free name, and the box says which.
        {"Open a broken route file whose backup name is a folder", Start::PlanA, &TMainForm::Oeffnen1Click,
         "stuck.pln", routesAside("stuck", ".bak1"), -1, Pixels::AShown,
         "kept as " + layouts + "stuck.dat.bak1"},
        {"Open a broken route file beside an older backup", Start::PlanA, &TMainForm::Oeffnen1Click,
         "older.pln", routesAside("older", ".bak1"), -1, Pixels::AShown, "older.dat.bak1"},
        {"Open a route file that is a folder", Start::PlanA, &TMainForm::Oeffnen1Click, "folder.pln",
         routesAside("folder"), -1, Pixels::AShown, "folder.dat"},
        {"Open a route file that is a link to itself", Start::PlanA, &TMainForm::Oeffnen1Click, "loop.pln",
         routesAside("loop"), -1, Pixels::AShown, "loop.dat: Too many levels of symbolic links"},
        // Every backup name taken: the plan opens without routes, and its route file is held.
        {"Open a broken route file that cannot be moved aside", Start::PlanA, &TMainForm::Oeffnen1Click,
         "held.pln", [&](PlanState& s, Files&) { opened(s, "held.pln", {}, 1); }, -1, Pixels::AShown,
         "held.dat.bak999 is taken"},
        {"Save while the route file is held", Start::Held, &TMainForm::Speichern1Click, std::nullopt,
         unchanged, -1, Pixels::Unchecked, layouts + "held.dat is damaged"},
        {"Save as the held plan's own name", Start::Held, &TMainForm::Speichernals1Click, "held.pln",
         unchanged, -1, Pixels::Unchecked, layouts + "held.dat is damaged"},
        {"New while the route file is held", Start::Held, &TMainForm::Neu1Click, "n.pln", unchanged, -1,
         Pixels::Unchecked, layouts + "held.dat is damaged"},
        {"Save after the held plan is opened again with room for a backup", Start::Reopened,
         &TMainForm::Speichern1Click, std::nullopt,
         [&](PlanState& s, Files& f) {
             s.saved = true;
             f["held.pln"] = planA(2);
         },
         0},
        {"Save as b while the route file is held: the copy gets the routes", Start::Held,
         &TMainForm::Speichernals1Click, "b.pln",
         [&](PlanState& s, Files& f) {
             s.name = "b.pln";
             s.stem = "b";
             s.title = "QUARN - Eisenbahnsteuerung   Layout: b.pln";
             s.saved = true;
             f["b.pln"] = planA(2);
             f["b.dat"] = lines("0 1");
         },
         0},
        {"Save", Start::PlanA, &TMainForm::Speichern1Click, std::nullopt,
         [&](PlanState& s, Files& f) {
             s.saved = true;
             f["a.pln"] = planA(2);
         },
         0},
        {"Save without a plan", Start::NoPlan, &TMainForm::Speichern1Click, std::nullopt, unchanged, -1},
        {"Save as b", Start::PlanA, &TMainForm::Speichernals1Click, "b.pln",
         [&](PlanState& s, Files& f) {
             s.name = "b.pln";
             s.stem = "b";
             s.title = "QUARN - Eisenbahnsteuerung   Layout: b.pln";
             s.saved = true;
             f["b.pln"] = planA(2);
             f["b.dat"] = routesWithSecond;
         },
         0},
        {"Save as n.PLN", Start::PlanA, &TMainForm::Speichernals1Click, "n.PLN", unchanged, 140},
        {"Save as n.txt", Start::PlanA, &TMainForm::Speichernals1Click, "n.txt", unchanged, 140},
        {"Save as cancelled", Start::PlanA, &TMainForm::Speichernals1Click, std::nullopt, unchanged, 0},
    };
    const std::string good = planA();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Every row starts from the same files and an empty plan.
        for (const auto& entry : fs::directory_iterator(layouts))
            fs::remove(entry.path());
        writeFileBytes(layouts + "a.pln", good);
        writeFileBytes(layouts + "a.dat", kRoutesA);
        writeFileBytes(layouts + "my.plan.pln", good);
        writeFileBytes(layouts + "my.plan.dat", lines("1 1 14 27 27 13 3"));
        writeFileBytes(layouts + "count.pln", "3" + good.substr(1));
        writeFileBytes(layouts + "font.pln",
                       good.substr(0, good.rfind("Arial")) + "Arial,10,000,clBlack\r\n");
        writeFileBytes(layouts + "routes.pln", good);
        writeFileBytes(layouts + "routes.dat", lines("2 1 14 27 27 12 1"));
        writeFileBytes(layouts + "limit.pln", good);
        writeFileBytes(layouts + "limit.dat", lines("0 2147483647"));
        writeFileBytes(layouts + "folder.pln", good);
        fs::create_directory(layouts + "folder.dat");
        writeFileBytes(layouts + "stuck.pln", good);
        writeFileBytes(layouts + "stuck.dat", "x");
        fs::create_directory(layouts + "stuck.dat.bak");
        writeFileBytes(layouts + "older.pln", good);
        writeFileBytes(layouts + "older.dat", "x");
        writeFileBytes(layouts + "older.dat.bak", kRoutesA);
        writeFileBytes(layouts + "loop.pln", good);
        fs::create_symlink("loop.dat", layouts + "loop.dat");
        writeFileBytes(layouts + "held.pln", good);
        writeFileBytes(layouts + "held.dat", "x");
        // A thousand files: only where the row needs them.
        if (row.start == Start::Held || row.start == Start::Reopened || row.chosen == "held.pln")
            for (int n = 0; n < MaxBackupNames; ++n)
                writeFileBytes(layouts + "held.dat.bak" + (n ? std::to_string(n) : ""), "");
        stopWindows();
        window = startWindows();
        ASSERT_NE(window, nullptr);
        window->resize(1300, 1000);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, PatienceMs));
        m_dialogs.clear();
        PlanState expected = state();
        if (row.start == Start::NewA) {
            m_dialogs.pushFile(layouts + "a.pln");
            window->Neu1Click();
            m_dialogs.clear();
            expected = state();
        }
        if (row.start == Start::PlanA || row.start == Start::PlanAStuck) {
            openA();
            expected = stateA();
            ASSERT_EQ(state(), expected);
            // The turnout is set; Save must write the state it is in now.
            Postable->getEntryByKor(27, 27)->Stellung = 2;
        }
        const int heldOpens = row.start == Start::Held ? 1 : row.start == Start::Reopened ? 2 : 0;
        for (int open = 0; open < heldOpens; ++open) {
            if (open == 1)
                fs::remove(layouts + "held.dat.bak");
            m_dialogs.pushFile(layouts + "held.pln");
            window->Oeffnen1->trigger();
            ASSERT_EQ(window->Gleisbildname, "held.pln");
            ASSERT_EQ(m_dialogs.calls().size(), 2u) << "the file dialog and the route file's box";
            m_dialogs.clear();
            expected = state();
            Postable->getEntryByKor(27, 27)->Stellung = 2;
        }
        if (row.start == Start::PlanAStuck) {
            fs::remove(layouts + "a.dat");
            fs::create_directory(layouts + "a.dat");
        }
        // A scrolled view.
        window->Hpos_alt = expected.hpos = 27;
        window->Vpos_alt = expected.vpos = 27;
        Files expectedFiles = files();
        const std::string folderBefore = window->Gleisbildpfad.empty() ? layouts : window->Gleisbildpfad;

        if (row.command != &TMainForm::Speichern1Click)
            m_dialogs.pushFile(row.chosen ? std::optional<std::string>(layouts + *row.chosen) : std::nullopt);
        std::invoke(row.command, *window);

        row.change(expected, expectedFiles);
        EXPECT_EQ(state(), expected);
        EXPECT_EQ(files(), expectedFiles);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        std::vector<Call> calls = m_dialogs.calls();
        if (row.command != &TMainForm::Speichern1Click) {
            const Call dialog = row.command == &TMainForm::Neu1Click
                                    ? fileDialog(Kind::SaveFile, "Neue Datei anlegen", layouts)
                                : row.command == &TMainForm::Oeffnen1Click
                                    ? fileDialog(Kind::OpenFile,
                                                 "Gleisplan \xC3\xB6"
                                                 "ffnen",
                                                 layouts)
                                    : fileDialog(Kind::SaveFile, "Unter neuem Namen speichern", folderBefore);
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls[0], dialog);
            calls.erase(calls.begin());
        }
        if (row.box == 0) {
            EXPECT_EQ(calls, std::vector<Call>());
        } else if (row.box == 140) {
            EXPECT_EQ(calls, (std::vector<Call>{{Kind::Message, "Fehler",
                                                 "Die eingegebenen Werte sind nicht verwertbar!",
                                                 MessageIcon::Stop}}));
        } else {
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].kind, Kind::Message);
            EXPECT_EQ(calls[0].title, "Quarn");
            EXPECT_EQ(calls[0].icon, MessageIcon::Stop);
            EXPECT_NE(calls[0].text.find(row.boxNames), std::string::npos) << calls[0].text;
        }
        if (row.pixels == Pixels::GreyWhereAWas) {
            for (int x : {27, 54, 81})
                EXPECT_TRUE(shows(x, 27, grey())) << x;
            EXPECT_TRUE(shows(81, 0, grey())) << "the label";
        } else if (row.pixels == Pixels::AShown) {
            EXPECT_TRUE(shows(27, 27, icon(14, 1)));
            EXPECT_TRUE(shows(54, 27, icon(66, 1)));
        }
    }
}

TEST_F(QuarnFilesTest, RoutesSavedAfterSaveAsGoToTheCopyOnly) {
    openA();
    m_dialogs.pushFile(layouts + "b.pln");
    window->Speichernals1Click();
    const Files before = files();
    EXPECT_EQ(before.at("b.pln"), planA());
    EXPECT_EQ(before.at("a.dat"), kRoutesA);

    Fahr->fahreintragen(3, 66, 54, 27, 11);
    Bahn->fahrspeichern();
    Files expected = before;
    expected["b.dat"] = lines("3 1 14 27 27 12 2 14 27 27 11 3 66 54 27 11 2");
    EXPECT_EQ(files(), expected);

    // The copy opens with its routes.
    m_dialogs.pushFile(layouts + "b.pln");
    window->Oeffnen1Click();
    EXPECT_EQ(Fahr->getnumerofEntries(), 3);
    EXPECT_EQ(m_dialogs.calls().size(), 2u) << "two file dialogs, no box";
}

// A plan that New made and the route editor saved is on disk: the next New writes its route file, so
// a cancelled recording and the counter survive and no route number is handed out twice.
TEST_F(QuarnFilesTest, ARouteEditorSaveOfANewPlanPutsItOnDisk) {
    m_dialogs.pushFile(layouts + "n.pln");
    window->Neu1->trigger();
    place(14, 27, 27);
    place(66, 54, 27);
    window->Fahrstrassen1->trigger();
    QTest::mouseClick(window->Buttonverbinden, Qt::LeftButton);
    click(57, 30);
    QTest::mouseClick(window->ButtonFahrerst_speichern, Qt::LeftButton);
    EXPECT_TRUE(window->Gespeichert);
    // Route 2 is recorded and cancelled: its element stays, and number 3 is used up too.
    window->Fahrstrassen1->trigger();
    click(30, 30);
    QTest::mouseClick(window->ButtonFahrerst_cancel, Qt::LeftButton);

    m_dialogs.pushFile(layouts + "m.pln");
    window->Neu1->trigger();
    EXPECT_EQ(readFileBytes(layouts + "n.dat"), lines("1 2 14 27 27 11 3"));
    m_dialogs.pushFile(layouts + "n.pln");
    window->Oeffnen1->trigger();
    window->Fahrstrassen1->trigger();
    EXPECT_EQ(window->Fahrstrasse, 4);
    EXPECT_EQ(m_dialogs.calls().size(), 3u) << "three file dialogs, no box";
}

TEST_F(QuarnFilesTest, OpenFinishesWhenTheServerGoesAwayDuringThePulses) {
    FakeSrcp073Server server;
    RecordingClock clock;
    pointAt(window, server.port());
    window->Command_Socket->connect(PatienceMs);
    ASSERT_TRUE(server.waitConnected(FakeSrcp073Server::Command));
    // Two switched elements: the first pulse loses the server, the second is not tried.
    writeFileBytes(layouts + "p.pln", lines("2 1 14 0 0 1 1 0 0 1 0 0 0 M 2 14 27 0 1 2 0 0 1 0 0 0 M 0"));
    writeFileBytes(layouts + "p.dat", kRoutesA);
    clock.onWait = [&](const std::string&) {
        if (server.connected(FakeSrcp073Server::Command)) {
            // Returns once the program's end has taken the reset: the next write fails.
            server.resetConnection(FakeSrcp073Server::Command);
        }
    };
    m_dialogs.pushFile(layouts + "p.pln");
    window->Oeffnen1Click();
    clock.onWait = nullptr;

    EXPECT_EQ(window->Gleisbildname, "p.pln");
    EXPECT_EQ(Postable->getNumbofEntries(), 2);
    EXPECT_EQ(Fahr->getnumerofEntries(), 1);
    EXPECT_TRUE(window->Betrieb);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    const std::vector<Call> calls = m_dialogs.calls();
    ASSERT_EQ(calls.size(), 2u) << "the file dialog, then one box";
    EXPECT_EQ(calls[1].kind, Kind::Message);
    EXPECT_EQ(calls[1].icon, MessageIcon::Stop);
    EXPECT_TRUE(shows(27, 0, icon(14, 1)));
}

} // namespace

// Operating the plan against the fake "SRCP 0.73" server, recording and deleting routes, and
// Commands > Synchronize.

#include "loco/ThrottlePanel.h"
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "ConnectionExpectations.h"
#include "PlanEditorFixture.h"
#include "engine/lokunit.h"
#include "platform/LineConnection.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingClock.h"
#include "support/engine/RecordingCommandOutput.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
using Server = FakeSrcp073Server;
namespace fs = std::filesystem;

// Records the text a label shows each time it is painted.
class PaintedTexts : public QObject {
public:
    explicit PaintedTexts(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    ~PaintedTexts() override { m_label->removeEventFilter(this); }
    std::vector<std::string> texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && event->type() == QEvent::Paint)
            texts.push_back(m_label->text().toStdString());
        return false;
    }

private:
    QLabel* m_label;
};

class QuarnOperatingTest : public PlanEditorTest {
protected:
    void SetUp() override {
        PlanEditorTest::SetUp();
        pointAt(window, m_server.port());
        window->Command_Socket->connect(PatienceMs);
        ASSERT_TRUE(m_server.waitConnected(Server::Command));
        window->Gleisbildpfad = Bahn->getLayoutPath();
        window->Gleisbildname = "a.pln";
        window->DateinameohneEndung = "a";
        fs::create_directories(window->Gleisbildpfad);
    }

    tPosEntry& placeSwitch(int kind, int x, int y, const char* protocol, std::array<int, 3> decod,
                           std::array<int, 3> daten, int state = 1) {
        tPosEntry& e = place(kind, x, y, state);
        e.Protokoll = protocol;
        e.Decod1 = decod[0];
        e.Decod2 = decod[1];
        e.Decod3 = decod[2];
        e.Daten1 = daten[0];
        e.Daten2 = daten[1];
        e.Daten3 = daten[2];
        return e;
    }

    Call box(int number, MessageIcon icon) const { return {Kind::Message, text(102), text(number), icon}; }
    std::string routeFile() const { return window->Gleisbildpfad + "a.dat"; }
    std::string planFile() const { return window->Gleisbildpfad + "a.pln"; }

    Server m_server;
    RecordingClock m_clock;
};

TEST_F(QuarnOperatingTest, AClickSwitchesTheElementAndSendsItsPulse) {
    window->Betrieb1Click();
    Lok->set_protocol(0, "N2");
    Lok->set_addr(0, 3);
    m_throttles.onStop = [] { Bahn->gl_out(0); };

    // An element as the plan holds it.
    struct Element {
        int kind;
        const char* protocol;
        std::array<int, 3> decod, daten;
    };
    const Element turnout{14, "N", {1, 1, 0}, {1, 2, 0}};
    const Element threeWay{19, "M", {2, 2, 2}, {1, 2, 3}};
    const Element uncoupler{20, "M", {3, 0, 0}, {5, 0, 0}};
    const Element emergencyStop{22, "M", {4, 0, 0}, {1, 0, 0}};
    struct Case {
        const char* name;
        Element e;
        int state;
        std::string bytes;
        int stateAfter;
        std::vector<std::string> waits;
        bool stopsThrottles;
    };
    const std::vector<std::string> pulse = {"pause 250"};
    const std::vector<std::string> twoPulses = {"pause 250", "pause 250"};
    const std::vector<std::string> flash = {"pause 250", "pause 300"};
    const Case cases[] = {
        {"two states, 1", turnout, 1, "SET GA N 5 1 1 -1\nSET GA N 5 1 0 -1\n", 2, pulse, false},
        {"two states, 2", turnout, 2, "SET GA N 5 0 1 -1\nSET GA N 5 0 0 -1\n", 1, pulse, false},
        {"three states, 1", threeWay, 1, "SET GA M 9 1 1 -1\nSET GA M 9 1 0 -1\n", 2, pulse, false},
        {"three states, 2", threeWay, 2,
         "SET GA M 9 0 1 -1\nSET GA M 9 0 0 -1\n"
         "SET GA M 10 0 1 -1\nSET GA M 10 0 0 -1\n",
         3, twoPulses, false},
        {"three states, 3", threeWay, 3, "SET GA M 9 0 1 -1\nSET GA M 9 0 0 -1\n", 1, pulse, false},
        {"uncoupler", uncoupler, 1, "SET GA M 15 0 1 -1\nSET GA M 15 0 0 -1\n", 1, flash, false},
        {"detector", {65, "M", {1, 0, 0}, {3, 0, 0}}, 1, "", 1, {}, false},
        {"emergency stop", emergencyStop, 1,
         "SET GA M 17 0 1 -1\nSET GA M 17 0 0 -1\n"
         "SET GL N2 3 0 0 100 0 0 \r\n",
         1, flash, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bahn->EmptyQuarnlist();
        tPosEntry& e = placeSwitch(c.e.kind, 54, 54, c.e.protocol, c.e.decod, c.e.daten, c.state);
        m_clock.waits.clear();
        m_throttles.calls.clear();
        // While the flash lasts the element shows its second state.
        bool flashShown = false;
        m_clock.onWait = [&](const std::string& wait) {
            if (wait == "pause 300")
                flashShown = shows(54, 54, icon(c.e.kind, 2)) && e.Stellung == c.state;
        };
        click(60, 60);
        m_clock.onWait = nullptr;
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), c.bytes);
        EXPECT_EQ(e.Stellung, c.stateAfter);
        EXPECT_EQ(m_clock.waits, c.waits);
        EXPECT_TRUE(shows(54, 54, icon(c.e.kind, c.stateAfter)));
        EXPECT_EQ(flashShown, c.waits == flash);
        EXPECT_EQ(m_throttles.calls,
                  c.stopsThrottles ? std::vector<std::string>{"stop all"} : std::vector<std::string>());
        EXPECT_TRUE(m_dialogs.calls().empty());
        EXPECT_EQ(window->Fahrstrasse, 0);
    }

    // An icon that cannot be drawn: the pulse still goes out, the state is kept, one box.
    Bahn->EmptyQuarnlist();
    tPosEntry& e = placeSwitch(14, 54, 54, "N", {1, 1, 0}, {1, 2, 0});
    fs::remove(dataFile("Icon1402.bmp"));
    click(60, 60);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GA N 5 1 1 -1\nSET GA N 5 1 0 -1\n");
    EXPECT_EQ(e.Stellung, 2);
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_NE(m_dialogs.calls()[0].text.find("Icon1402"), std::string::npos);
}

// A symbol placed from the palette is its icon, pixel for pixel, as the palette shows it: track placed
// beside an element that Drive switches, or drawn again when the plan is opened, meets it without a
// step.
TEST_F(QuarnOperatingTest, PlacedSymbolsAreTheirIconsInDriveAndAfterReopening) {
    struct Cell {
        int kind, x;
        int driven; // the state after the signal's click in Drive
    };
    const Cell cells[] = {{21, 27, 1}, {1, 54, 2}, {21, 81, 1}};
    const auto expectIcons = [&](const char* stage, bool driven) {
        SCOPED_TRACE(stage);
        for (const Cell& c : cells)
            EXPECT_TRUE(shows(c.x, 54, icon(c.kind, driven ? c.driven : 1))) << "kind " << c.kind;
    };
    window->Gleisbildentwerfen1Click();
    for (const Cell& c : cells) {
        pick(c.kind);
        const int px = Element->get_posx(c.kind - 1), py = Element->get_posy(c.kind - 1);
        EXPECT_EQ(rgb(window->Design_Panel_bitmap->copy(px, py, CellSize, CellSize)), icon(c.kind, 1));
        click(c.x + 3, 57);
    }
    expectIcons("placed", false);

    tPosEntry* signal = Postable->getEntryByKor(54, 54);
    ASSERT_NE(signal, nullptr);
    signal->Protokoll = "M";
    signal->Decod1 = signal->Decod2 = signal->Decod3 = 2;
    signal->Daten1 = 1;
    signal->Daten2 = 2;
    signal->Daten3 = 3;
    window->Betrieb1Click();
    click(57, 57);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GA M 9 1 1 -1\nSET GA M 9 1 0 -1\n");
    expectIcons("switched in Drive", true);

    window->Speichern1Click();
    m_dialogs.pushFile(planFile());
    window->Oeffnen1Click();
    EXPECT_EQ(Postable->getNumbofEntries(), 3);
    expectIcons("reopened", true);
    EXPECT_EQ(m_dialogs.calls().size(), 1u) << "the file dialog, no box";
}

// The emergency-stop element whose own command fails: the throttles still stop, the state is kept,
// and the failure is shown once.
TEST_F(QuarnOperatingTest, TheEmergencyStopElementStopsTheThrottlesWhenItsCommandFails) {
    window->Betrieb1Click();
    RecordingCommandOutput output;
    output.accessoryFailure = "Connection lost";
    tPosEntry& e = placeSwitch(22, 54, 54, "M", {4, 0, 0}, {1, 0, 0});
    m_throttles.calls.clear();
    click(60, 60);
    EXPECT_EQ(output.commands, std::vector<std::string>{"accessory M 4 -> 17/0"});
    EXPECT_EQ(m_throttles.calls, std::vector<std::string>{"stop all"});
    EXPECT_EQ(e.Stellung, 1);
    EXPECT_TRUE(shows(54, 54, icon(22, 1)));
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_EQ(m_dialogs.calls()[0].text, "Connection lost");
}

// The emergency-stop element with the window's own throttle panel: the live loco is stopped on the
// wire, the inert throttles send nothing.
TEST_F(QuarnOperatingTest, TheEmergencyStopElementStopsTheLiveThrottlesOnTheWire) {
    ASSERT_NE(Throttles, nullptr);
    setThrottleControls(Throttles);
    TLokFunctions off{};
    for (int slot = 0; slot < 10; ++slot)
        Lok->set_addr(slot, 0);
    Lok->set_protocol(0, "N2");
    Lok->set_addr(0, 3);
    Lok->set_speedmax(0, 28);
    Lok->set_nrof(0, 4);
    Lok->set_direction(0, 0);
    Lok->set_F(0, off);
    place(22, 27, 27);
    window->Betrieb1Click();
    Throttles->scrollBar(0)->setValue(14);
    EXPECT_EQ(Lok->get_speed(0), 14);
    m_server.commandBytes(*window->Command_Socket);

    click(27, 27);
    const auto line = [](int direction) {
        return "SET GL N2 3 " + std::to_string(direction) + " 0 28 0 4 0 0 0 0 \r\n";
    };
    // The bar's move to rest and the change that follows it each send; then the direction button's
    // two presses flip the direction and flip it back.
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), line(0) + line(0) + line(1) + line(0));
    EXPECT_EQ(Lok->get_speed(0), 0);
    EXPECT_EQ(Throttles->scrollBar(0)->value(), 28);
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(QuarnOperatingTest, ARouteIsRecordedLinkedSavedAndSetByItsButton) {
    placeSwitch(14, 54, 54, "N", {1, 1, 0}, {1, 2, 0});
    placeSwitch(19, 108, 54, "M", {2, 2, 2}, {1, 2, 3});
    place(20, 162, 54);
    tPosEntry& button = place(66, 216, 54);
    window->Fahrstrassen1->trigger();
    ASSERT_EQ(window->Fahrstrasse, 1);

    struct Step {
        int x;
        bool right;
        int routeState; // 0: not in the route
        int count;
    };
    const Step steps[] = {{54, false, 11, 1},  {54, false, 12, 1},  {108, false, 11, 2}, {108, false, 12, 2},
                          {108, false, 13, 2}, {162, false, 11, 3}, {162, false, 11, 3}, {162, true, 0, 2}};
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.x) + (s.right ? " right" : ""));
        if (s.right)
            rightClick(s.x + 3, 57);
        else
            click(s.x + 3, 57);
        EXPECT_EQ(Fahr->getstellung(1, s.x, 54), s.routeState);
        EXPECT_EQ(window->LabelFahrerst2->text(), "1");
        EXPECT_EQ(window->LabelFahrerst4->text(), QString::number(s.count));
        const int kind = Postable->getEntryByKor(s.x, 54)->Enummer;
        EXPECT_TRUE(shows(s.x, 54, icon(kind, s.routeState == 0 ? 1 : s.routeState)));
    }

    // Save before a button is linked is refused; so is a click on anything but a route button.
    QTest::mouseClick(window->ButtonFahrerst_speichern, Qt::LeftButton);
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{box(121, MessageIcon::None)});
    EXPECT_FALSE(fs::exists(routeFile()));
    QTest::mouseClick(window->Buttonverbinden, Qt::LeftButton);
    EXPECT_EQ(window->Verbinden, 1);
    click(57, 57);
    EXPECT_EQ(window->Verbinden, 1);
    click(219, 57);
    EXPECT_EQ(window->Verbinden, 2);
    EXPECT_EQ(button.Fahrnr, 1);
    EXPECT_TRUE(shows(216, 54, icon(66, 11)));

    m_dialogs.clear();
    QTest::mouseClick(window->ButtonFahrerst_speichern, Qt::LeftButton);
    EXPECT_TRUE(m_dialogs.calls().empty());
    EXPECT_EQ(readFileBytes(routeFile()),
              "2\r\n1\r\n14\r\n54\r\n54\r\n12\r\n1\r\n19\r\n108\r\n54\r\n13\r\n1\r\n");
    EXPECT_NE(readFileBytes(planFile())
                  .find("\r\n66\r\n216\r\n54\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n1\r\nM\r\n"),
              std::string::npos);
    EXPECT_TRUE(window->Betrieb);
    EXPECT_TRUE(window->Betrieb1->isChecked());
    EXPECT_FALSE(window->Fahrstrassen1->isChecked());
    EXPECT_FALSE(window->PageControl1->isVisible());
    for (QAction* item : {window->Gleisbildentwerfen1, window->DecoderAdressen1, window->Betrieb1})
        EXPECT_TRUE(item->isEnabled());
    EXPECT_TRUE(shows(54, 54, icon(14, 1)));
    m_server.commandBytes(*window->Command_Socket);

    // The button sets the route and lights; the next click releases it and sends nothing.
    click(219, 57);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket),
              "SET GA N 5 1 1 -1\nSET GA N 5 1 0 -1\nSET GA M 10 0 1 -1\nSET GA M 10 0 0 -1\n");
    EXPECT_TRUE(window->Knopf[1]);
    EXPECT_EQ(window->Fahrstrasse, 1);
    EXPECT_TRUE(shows(216, 54, icon(66, 11)));
    EXPECT_TRUE(shows(54, 54, icon(14, 12)));
    click(219, 57);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "");
    EXPECT_FALSE(window->Knopf[1]);
    EXPECT_TRUE(shows(216, 54, icon(66, 1)));
    EXPECT_TRUE(shows(54, 54, icon(14, 1)));

    // A button without a route.
    button.Fahrnr = 0;
    click(219, 57);
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{box(121, MessageIcon::Information)});
}

TEST_F(QuarnOperatingTest, TheRouteEditorsNumbersCancelAndDelete) {
    place(14, 54, 54);
    window->Fahrstrassen1Click();
    ASSERT_EQ(window->Fahrstrasse, 1);
    // Minus stops at 1, on both tabs.
    window->ButtonFahrerst_minusClick();
    EXPECT_EQ(window->Fahrstrasse, 1);
    EXPECT_EQ(window->LabelFahrerst2->text(), "1");
    window->ButtonDel_minusClick();
    EXPECT_EQ(window->LabelFahrdel2->text(), "1");
    // "+" past the counter: the route collected there is counted.
    QTest::mouseClick(window->ButtonFahrerst_plus, Qt::LeftButton);
    EXPECT_EQ(window->Fahrstrasse, 2);
    EXPECT_EQ(Fahr->Anz_strassen, 1);
    click(57, 57);
    EXPECT_EQ(Fahr->Anz_strassen, 2);
    EXPECT_EQ(Fahr->readgleisnr(2), 1);
    // Cancel uses up another number and writes nothing.
    QTest::mouseClick(window->ButtonFahrerst_cancel, Qt::LeftButton);
    EXPECT_EQ(Fahr->Anz_strassen, 3);
    EXPECT_TRUE(window->Betrieb);
    EXPECT_FALSE(window->PageControl1->isVisible());
    EXPECT_FALSE(fs::exists(routeFile()));
    window->Fahrstrassen1Click();
    EXPECT_EQ(window->Fahrstrasse, 4);

    // Delete removes the route and writes the route file only.
    window->ButtonDel_minusClick();
    window->ButtonDel_minusClick();
    ASSERT_EQ(window->Fahrstrasse, 2);
    ASSERT_TRUE(shows(54, 54, icon(14, 11)));
    QTest::mouseClick(window->ButtonDel_del, Qt::LeftButton);
    EXPECT_EQ(Fahr->readgleisnr(2), 0);
    EXPECT_TRUE(shows(54, 54, icon(14, 1))) << "the removed route's element is drawn in its plan state";
    EXPECT_EQ(readFileBytes(routeFile()), "0\r\n4\r\n");
    EXPECT_FALSE(fs::exists(planFile()));
}

TEST_F(QuarnOperatingTest, RouteNumbersStopAtTheHighest) {
    Fahr->Anz_strassen = MaxRouteNumber - 1;
    window->Fahrstrassen1->trigger();
    ASSERT_EQ(window->Fahrstrasse, MaxRouteNumber);
    for (QWidget* tab : {window->TabSheet2, window->TabSheet1}) {
        window->PageControl1->setCurrentWidget(tab);
        QTest::mouseClick(tab == window->TabSheet1 ? window->ButtonFahrerst_plus : window->ButtonDel_plus,
                          Qt::LeftButton);
        EXPECT_EQ(window->Fahrstrasse, MaxRouteNumber);
    }
    QTest::mouseClick(window->ButtonFahrerst_cancel, Qt::LeftButton);
    EXPECT_EQ(Fahr->Anz_strassen, MaxRouteNumber);
    // No number is left to hand out: the editor does not open.
    window->Fahrstrassen1->trigger();
    EXPECT_FALSE(window->Fahrstrasseerstellen);
    EXPECT_EQ(Fahr->Anz_strassen, MaxRouteNumber);
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{box(124, MessageIcon::Stop)});
}

TEST_F(QuarnOperatingTest, AFailedSaveKeepsTheEditorOpenForAnotherTry) {
    place(66, 54, 54);
    window->Fahrstrassen1Click();
    window->ButtonverbindenClick();
    click(57, 57);
    ASSERT_EQ(window->Verbinden, 2);
    // A folder where the route file belongs cannot be replaced by it.
    fs::create_directories(routeFile());
    window->ButtonFahrerst_speichernClick();
    EXPECT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_TRUE(window->PageControl1->isVisible());
    EXPECT_TRUE(window->Fahrstrasseerstellen);
    EXPECT_EQ(window->Verbinden, 2);
    EXPECT_FALSE(window->Betrieb1->isEnabled());

    fs::remove(routeFile());
    window->ButtonFahrerst_speichernClick();
    EXPECT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_TRUE(fs::is_regular_file(routeFile()));
    EXPECT_TRUE(fs::is_regular_file(planFile()));
    EXPECT_TRUE(window->Betrieb);
    EXPECT_FALSE(window->PageControl1->isVisible());
}

TEST_F(QuarnOperatingTest, SynchronizeSendsEverySwitchableStateAgain) {
    // An empty plan shows and hides the progress and sends nothing.
    {
        PaintedTexts painted(window->Prozent_label);
        window->Synchronize1->setEnabled(true);
        window->Synchronize1->trigger();
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "");
        EXPECT_EQ(painted.texts, std::vector<std::string>{"0 %"});

        EXPECT_FALSE(window->ProgressBar1->isVisible());
    }

    placeSwitch(14, 0, 0, "N", {1, 0, 0}, {1, 0, 0});
    placeSwitch(19, 27, 0, "M", {2, 2, 2}, {1, 2, 3});
    placeSwitch(20, 54, 0, "M", {3, 0, 0}, {5, 0, 0});
    placeSwitch(22, 81, 0, "M", {0, 0, 0}, {1, 0, 0});
    placeSwitch(66, 108, 0, "M", {1, 0, 0}, {1, 0, 0});
    placeSwitch(65, 135, 0, "M", {1, 0, 0}, {1, 0, 0});
    placeSwitch(21, 162, 0, "M", {1, 0, 0}, {1, 0, 0});
    std::vector<bool> busy;
    m_clock.onWait = [&](const std::string&) {
        busy.push_back(window->ProgressBar1->isVisible() && QApplication::overrideCursor() &&
                       QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    };
    {
        PaintedTexts painted(window->Prozent_label);
        window->Synchronize1Click();
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket),
                  "SET GA N 5 0 1 -1\nSET GA N 5 0 0 -1\nSET GA M 9 0 1 -1\nSET GA M 9 0 0 -1\n"
                  "SET GA M 15 0 1 -1\nSET GA M 15 0 0 -1\n");
        // A label that grows is painted more than once; what counts is what each paint showed.
        std::vector<std::string> shown = painted.texts;
        shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
        EXPECT_EQ(shown, (std::vector<std::string>{"0 %", "14 %", "28 %", "42 %", "57 %", "71 %", "85 %"}));
    }
    EXPECT_EQ(busy, std::vector<bool>(3, true));
    EXPECT_FALSE(window->ProgressBar1->isVisible());
    EXPECT_FALSE(window->Prozent_label->isVisible());
    EXPECT_EQ(window->statusPanelText(1), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m_dialogs.calls().empty());
    // The stored states are sent, nothing is redrawn or switched.
    EXPECT_EQ(Postable->getEntryByKor(27, 0)->Stellung, 1);

    // The server goes away during the first pulse: the error is shown once, the display is gone.
    m_clock.onWait = [&](const std::string&) {
        if (m_server.connected(Server::Command)) {
            // Returns once the program's end has taken the reset: the next write fails.
            m_server.resetConnection(Server::Command);
        }
    };
    window->Synchronize1Click();
    m_clock.onWait = nullptr;
    EXPECT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_FALSE(window->ProgressBar1->isVisible());
    EXPECT_FALSE(window->Prozent_label->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace

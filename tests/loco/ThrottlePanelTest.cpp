// The ten throttles: speed and direction from the bars, the direction buttons, preparing a throttle,
// the centre-zero boxes, the emergency stop and the function icons.

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <climits>
#include <filesystem>
#include <map>

#include "LocoFixture.h"
#include "platform/TextFile.h"

namespace {

using Lines = std::vector<std::string>;

class ThrottlePanelTest : public LocoFixture {
protected:
    void SetUp() override {
        LocoFixture::SetUp();
        if (HasFatalFailure())
            return;
        for (int i = 0; i < LOKMAX; ++i)
            Lok->set_addr(i, 0);
        m_form.Betrieb = true;
    }
};

TEST_F(ThrottlePanelTest, ControlsStandWhereTheToolsFindThem) {
    QWidget* panel = m_host.get();
    for (int i : {0, 9}) {
        SCOPED_TRACE(i);
        const int x = 24 + 40 * i;
        const QString n = QString::number(i + 1);
        auto* bar = panel->findChild<QScrollBar*>("ScrollBar" + n);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->geometry(), QRect(x, 0, 16, 80));
        EXPECT_EQ(bar->orientation(), Qt::Vertical);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(bar->value(), 100);
        EXPECT_EQ(bar->pageStep(), 1);
        EXPECT_EQ(bar->singleStep(), 1);
        EXPECT_EQ(panel->findChild<QToolButton*>("SpeedButton" + n)->geometry(), QRect(x, 80, 17, 17));
        EXPECT_EQ(panel->findChild<QCheckBox*>("CheckBox" + n)->geometry(), QRect(x, 96, 17, 17));
        EXPECT_EQ(panel->findChild<QLabel*>("Regler" + n + "_label")->pos(), QPoint(x + 18, 98));
        EXPECT_EQ(panel->findChild<ClickableImage*>("Func_pic" + n)->geometry(), QRect(x + 18, 1, 15, 15));
        for (int f = 1; f <= 4; ++f)
            EXPECT_EQ(panel->findChild<ClickableImage*>(QString("Func%1_pic").arg(f) + n)->geometry(),
                      QRect(x + 18, 1 + 16 * f, 15, 15));
    }
    EXPECT_EQ(panel->findChild<QLabel*>("Lokname_label")->pos(), QPoint(430, 4));
    EXPECT_EQ(throttleControls(), m_panel);
    EXPECT_EQ(Throttles, m_panel);
    m_host.reset();
    EXPECT_EQ(throttleControls(), nullptr);
    EXPECT_EQ(Throttles, nullptr);
}

TEST_F(ThrottlePanelTest, BarPositionGivesSpeedAndDirection) {
    struct Case {
        bool centreZero;
        int speedMax, position;
        std::string line; // the one line sent
    };
    const Case cases[] = {
        {false, 100, 0, "SET GL M2 3 1 100 100 0 0 "},
        {false, 100, 97, "SET GL M2 3 1 3 100 0 0 "},
        {false, 100, 98, "SET GL M2 3 1 0 100 0 0 "}, // 2 lies inside the dead band
        {false, 100, 100, "SET GL M2 3 1 0 100 0 0 "},
        {true, 100, 50, "SET GL M2 3 0 0 100 0 0 "},
        {true, 100, 0, "SET GL M2 3 0 100 100 0 0 "},
        {true, 100, 100, "SET GL M2 3 1 100 100 0 0 "},
        {true, 100, 49, "SET GL M2 3 0 0 100 0 0 "},
        // An odd maximum: the rest position is standstill and neither end passes the maximum.
        {true, 15, 7, "SET GL M2 3 0 0 15 0 0 "},
        {true, 15, 0, "SET GL M2 3 0 14 15 0 0 "},
        {true, 15, 15, "SET GL M2 3 1 15 15 0 0 "},
        {false, 0, 0, "SET GL M2 3 1 0 0 0 0 "},
        {true, 0, 0, "SET GL M2 3 0 0 0 0 0 "},
        // A negative maximum never gives a speed, nor a positive one in centre-zero mode.
        {false, -5, 0, "SET GL M2 3 1 0 -5 0 0 "},
        {true, -5, 0, "SET GL M2 3 1 0 -5 0 0 "},
        {false, INT_MAX, 0, "SET GL M2 3 1 2147483647 2147483647 0 0 "},
        {true, INT_MAX, 0, "SET GL M2 3 0 2147483646 2147483647 0 0 "},
        {true, INT_MAX, INT_MAX, "SET GL M2 3 1 2147483647 2147483647 0 0 "},
        {true, INT_MAX, INT_MAX / 2, "SET GL M2 3 0 0 2147483647 0 0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.speedMax) + (c.centreZero ? " centre-zero at " : " at ") +
                     std::to_string(c.position));
        setSlot(0, "M2", 3, c.speedMax, 1);
        setCentreZero(0, c.centreZero);
        m_panel->setupScrollBar(0);
        placeBar(0, c.position);
        EXPECT_EQ(m_panel->scrollBar(0)->value(), c.position);
        m_output.lines.clear();
        m_panel->ScrollBar1Change(0);
        EXPECT_EQ(m_output.lines, Lines{c.line});
    }
}

TEST_F(ThrottlePanelTest, DraggingTheHandleDrivesTheLoco) {
    setSlot(0, "M2", 3, 100, 1);
    m_panel->setupScrollBar(0);
    m_host->show();
    QScrollBar* bar = m_panel->scrollBar(0);
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QPoint handle =
        bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar).center();
    m_output.lines.clear();

    QMouseEvent press(QEvent::MouseButtonPress, handle, bar->mapToGlobal(handle), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    const QPoint top(handle.x(), -200);
    QMouseEvent move(QEvent::MouseMove, top, bar->mapToGlobal(top), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, top, bar->mapToGlobal(top), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(bar, &release);

    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(m_output.lines, Lines{"SET GL M2 3 1 100 100 0 0 "});
    EXPECT_EQ(Lok->get_speed(0), 100);
    EXPECT_EQ(m_panel->Lokname_label->text(), "Lok");
}

TEST_F(ThrottlePanelTest, BarsOfInertSlotsOrOutsideOperateModeSendNothing) {
    setSlot(1, "M2", 0);
    setSlot(2, "M2", 5);
    m_form.Betrieb = false;
    m_form.Lokregler = true;
    m_panel->scrollBar(1)->setValue(10);
    m_panel->scrollBar(2)->setValue(10);
    m_form.Betrieb = true;
    m_form.Lokregler = false;
    m_panel->scrollBar(1)->setValue(20);
    m_panel->checkBox(1)->setChecked(true);
    EXPECT_TRUE(m_output.lines.empty());
    EXPECT_EQ(Lok->get_speed(1), 0);
    EXPECT_EQ(Lok->get_speed(2), 0);
    EXPECT_TRUE(m_panel->Lokname_label->text().isEmpty());
    // The icons are drawn all the same.
    EXPECT_TRUE(shows(m_panel->funcPic(1, 0), "Func_off.bmp"));
}

TEST_F(ThrottlePanelTest, DirectionButton) {
    enum Mode { Operate, Design };
    struct Case {
        const char* what;
        Mode mode;
        std::string protocol;
        int addr;
        bool centreZero;
        int position, direction;
        int directionAfter;
        const char* glyph; // nullptr: the button keeps having none
        const char* line;  // nullptr: nothing sent
    };
    const Case cases[] = {
        {"standing M2, direction 1", Operate, "M2", 7, false, 91, 1, 0, "pfeil_re.bmp",
         "SET GL M2 7 0 0 100 0 0 "},
        {"standing N3, direction 0", Operate, "N3", 7, false, 100, 0, 1, "pfeil_li.bmp",
         "SET GL N3 7 1 0 100 0 0 "},
        {"M2 not yet set", Operate, "M2", 7, false, 91, -1, 1, "pfeil_li.bmp", "SET GL M2 7 1 0 100 0 0 "},
        {"moving M2", Operate, "M2", 7, false, 90, 1, 1, nullptr, "SET GL M2 7 1 0 100 0 0 "},
        {"standing M1", Operate, "M1", 7, false, 95, 1, 0, "pfeil_dop.bmp", "SET GL M1 7 0 0 100 0 0 "},
        {"standing M1 not yet set", Operate, "M1", 7, false, 95, -1, 1, "pfeil_dop.bmp",
         "SET GL M1 7 1 0 100 0 0 "},
        {"standing NB", Operate, "NB", 7, false, 100, 1, 1, nullptr, "SET GL NB 7 1 0 100 0 0 "},
        {"centre-zero at the bottom", Operate, "M2", 7, true, 100, 1, 1, nullptr, "SET GL M2 7 1 0 100 0 0 "},
        {"no address", Operate, "M2", 0, false, 100, 1, 1, nullptr, nullptr},
        {"design mode", Design, "M2", 7, false, 100, 1, 1, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setSlot(4, c.protocol, c.addr, 100, c.direction);
        setCentreZero(4, c.centreZero);
        placeBar(4, c.position);
        m_panel->speedButton(4)->setIcon(QIcon());
        m_form.Betrieb = c.mode == Operate;
        m_form.Quarnerstellen = c.mode == Design;
        m_output.lines.clear();

        QTest::mouseClick(m_panel->speedButton(4), Qt::RightButton);
        EXPECT_TRUE(m_output.lines.empty()) << "the right button does not click";
        QTest::mouseClick(m_panel->speedButton(4), Qt::LeftButton);
        EXPECT_EQ(m_output.lines, c.line ? Lines{c.line} : Lines{});
        EXPECT_EQ(Lok->get_direction(4), c.directionAfter);
        if (c.glyph)
            EXPECT_TRUE(glyphIs(4, c.glyph));
        else
            EXPECT_TRUE(m_panel->speedButton(4)->icon().isNull());
        EXPECT_EQ(m_dialogs.calls().size(), 0u);
    }
}

TEST_F(ThrottlePanelTest, DirectionButtonInLocoSetupModeOpensTheDialog) {
    setSlot(4, "M2", 7);
    m_form.Betrieb = false;
    m_form.Lokregler = true;
    int regler = -1;
    m_dialogs.pushWindow([&] {
        regler = m_form.Regler_nr;
        return 0;
    });
    QTest::mouseClick(m_panel->speedButton(4), Qt::LeftButton);
    EXPECT_EQ(regler, 4);
    EXPECT_EQ(m_dialogs.calls(), (std::vector<RecordingDialogs::Call>{
                                     {RecordingDialogs::Kind::Window, "LocoForm", "", MessageIcon::None}}));
    EXPECT_TRUE(m_output.lines.empty());
    EXPECT_EQ(m_dialog->Adresse_edit->text(), "7");
}

TEST_F(ThrottlePanelTest, SetupScrollBarPreparesALiveThrottle) {
    struct Case {
        const char* what;
        bool operate;
        std::string protocol;
        int addr, speedMax, direction;
        bool centreZero;
        int startMaximum;  // the bar's range before
        int position;      // the bar's position after
        const char* glyph; // nullptr: none
        const char* line;  // nullptr: nothing sent
    };
    const Case cases[] = {
        {"M2 forwards", true, "M2", 24, 28, 1, false, 100, 28, "pfeil_li.bmp", "SET GL M2 24 1 0 28 0 0 "},
        {"N4 backwards", true, "N4", 24, 126, 0, false, 100, 126, "pfeil_re.bmp",
         "SET GL N4 24 0 0 126 0 0 "},
        {"M1", true, "M1", 24, 28, 1, false, 100, 28, "pfeil_dop.bmp", "SET GL M1 24 1 0 28 0 0 "},
        {"NB", true, "NB", 24, 28, 1, false, 100, 28, nullptr, "SET GL NB 24 1 0 28 0 0 "},
        // The bar already stands at rest: no change, nothing sent.
        {"M2 already at rest", true, "M2", 24, 100, 1, false, 100, 100, "pfeil_li.bmp", nullptr},
        {"outside operate mode", false, "M2", 24, 28, 1, false, 100, 28, "pfeil_li.bmp", nullptr},
        // The middle is no bottom tenth: the arrow stays as it was. The bar goes straight to the
        // middle, without a full-speed moment on the way.
        {"centre-zero narrowing", true, "M2", 24, 28, 1, true, 100, 14, nullptr, "SET GL M2 24 0 0 28 0 0 "},
        {"centre-zero widening", true, "M2", 24, 100, 1, true, 28, 50, nullptr, "SET GL M2 24 0 0 100 0 0 "},
        // An odd maximum rests where the bar means standstill.
        {"centre-zero odd maximum", true, "M2", 24, 15, 1, true, 100, 7, nullptr, "SET GL M2 24 0 0 15 0 0 "},
        {"no maximum", true, "M2", 24, 0, 1, false, 100, 0, nullptr, "SET GL M2 24 1 0 0 0 0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setSlot(3, c.protocol, c.addr, c.speedMax, c.direction);
        setCentreZero(3, c.centreZero);
        {
            QScrollBar* bar = m_panel->scrollBar(3);
            const QSignalBlocker quiet(bar);
            bar->setMaximum(c.startMaximum);
            bar->setValue(c.startMaximum);
        }
        m_panel->speedButton(3)->setIcon(QIcon());
        m_form.Betrieb = c.operate;
        m_output.lines.clear();

        m_panel->setupScrollBar(3);
        EXPECT_EQ(m_panel->reglerLabel(3)->text(), "24");
        EXPECT_EQ(m_panel->scrollBar(3)->maximum(), std::max(0, c.speedMax));
        EXPECT_EQ(m_panel->scrollBar(3)->value(), c.position);
        EXPECT_EQ(m_output.lines, c.line ? Lines{c.line} : Lines{});
        if (c.glyph)
            EXPECT_TRUE(glyphIs(3, c.glyph));
        else
            EXPECT_TRUE(m_panel->speedButton(3)->icon().isNull());
        EXPECT_TRUE(shows(m_panel->funcPic(3, 0), "Func_off.bmp"));
    }
}

TEST_F(ThrottlePanelTest, SetupScrollBarLeavesAnInertThrottleAlone) {
    setSlot(6, "M2", 0, 28);
    placeBar(6, 40);
    m_panel->setupScrollBar(6);
    EXPECT_TRUE(m_panel->reglerLabel(6)->text().isEmpty());
    EXPECT_EQ(m_panel->scrollBar(6)->maximum(), 100);
    EXPECT_EQ(m_panel->scrollBar(6)->value(), 40);
    EXPECT_TRUE(m_panel->funcPic(6, 0)->pixmap().isNull());
    EXPECT_TRUE(m_output.lines.empty());
}

TEST_F(ThrottlePanelTest, CentreZeroBoxAlwaysBringsTheLocoToTheBarsMeaning) {
    struct Case {
        const char* what;
        bool boxBefore;
        int position; // where the user left the bar (through its handler)
        int addr;
        Lines lines; // sent by the box click
        int positionAfter;
    };
    const Case cases[] = {
        {"ticked off its rest position", false, 100, 9, {"SET GL M2 9 0 0 100 0 0 "}, 50},
        // The bar already stands in the middle: the loco at speed 50 must stop all the same.
        {"ticked at its rest position", false, 50, 9, {"SET GL M2 9 0 0 100 0 0 "}, 50},
        {"cleared off its rest position", true, 50, 9, {"SET GL M2 9 0 0 100 0 0 "}, 100},
        // Full speed in direction 1 with the bar at the bottom, which is normal mode's standstill.
        {"cleared at its rest position", true, 100, 9, {"SET GL M2 9 1 0 100 0 0 "}, 100},
        {"inert slot", false, 50, 0, {}, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setSlot(2, "M2", c.addr, 100, 1);
        setCentreZero(2, c.boxBefore);
        placeBar(2, c.position == 50 ? 49 : 51);
        m_panel->scrollBar(2)->setValue(c.position);
        m_output.lines.clear();
        m_panel->checkBox(2)->setChecked(!c.boxBefore);
        EXPECT_EQ(m_output.lines, c.lines);
        EXPECT_EQ(m_panel->scrollBar(2)->value(), c.positionAfter);
    }
}

TEST_F(ThrottlePanelTest, EmergencyStopStopsEveryThrottle) {
    setSlot(0, "M2", 10, 100, 1);
    setSlot(1, "M1", 11, 100, 1);
    setSlot(2, "NB", 12, 100, 1);
    setSlot(3, "M2", 13, 100, 1);
    for (int i = 0; i <= 3; ++i)
        m_panel->setupScrollBar(i);
    m_panel->scrollBar(0)->setValue(40); // M2 at speed 60
    m_panel->scrollBar(2)->setValue(50); // NB at speed 50
    m_panel->checkBox(3)->setChecked(true);
    m_panel->scrollBar(3)->setValue(100); // centre-zero: full speed in direction 1
    placeBar(4, 20);                      // an inert throttle
    setSlot(5, "M2", 15, 15, 1);
    m_panel->checkBox(5)->setChecked(true);
    m_panel->scrollBar(5)->setValue(0); // centre-zero with an odd maximum: speed 14 in direction 0
    m_output.lines.clear();

    m_panel->setall_lokostop();
    const Lines expected = {
        // M2: the bar moves to rest (its handler sends), the stop is sent, the direction flips
        // and flips back.
        "SET GL M2 10 1 0 100 0 0 ", "SET GL M2 10 1 0 100 0 0 ", "SET GL M2 10 0 0 100 0 0 ",
        "SET GL M2 10 1 0 100 0 0 ",
        // M1 was at rest already: no bar event.
        "SET GL M1 11 1 0 100 0 0 ", "SET GL M1 11 0 0 100 0 0 ", "SET GL M1 11 1 0 100 0 0 ",
        "SET GL NB 12 1 0 100 0 0 ", "SET GL NB 12 1 0 100 0 0 ", "SET GL NB 12 1 0 100 0 0 ",
        "SET GL NB 12 1 0 100 0 0 ",
        // Centre-zero: to the middle; the button never flips there but still sends twice.
        "SET GL M2 13 0 0 100 0 0 ", "SET GL M2 13 0 0 100 0 0 ", "SET GL M2 13 0 0 100 0 0 ",
        "SET GL M2 13 0 0 100 0 0 ", "SET GL M2 15 0 0 15 0 0 ", "SET GL M2 15 0 0 15 0 0 ",
        "SET GL M2 15 0 0 15 0 0 ", "SET GL M2 15 0 0 15 0 0 "};
    EXPECT_EQ(m_output.lines, expected);
    EXPECT_EQ(m_panel->scrollBar(0)->value(), 100);
    EXPECT_EQ(m_panel->scrollBar(3)->value(), 50);
    EXPECT_EQ(m_panel->scrollBar(4)->value(), 100);
    EXPECT_EQ(m_panel->scrollBar(5)->value(), 7);
    for (int i : {0, 1, 2, 3, 5})
        EXPECT_EQ(Lok->get_speed(i), 0);
    EXPECT_TRUE(glyphIs(0, "pfeil_li.bmp"));
    EXPECT_TRUE(glyphIs(1, "pfeil_dop.bmp"));
}

TEST_F(ThrottlePanelTest, FunctionIconsToggleSendAndShow) {
    struct Click {
        int f; // 0 for F0
        int before, after;
        const char* picture; // the icon after the click
        Lines lines;
    };
    const Click clicks[] = {
        {0, 1, 11, "Func_on.bmp", {"SET GL M2 3 1 0 100 1 4 0 0 0 0 "}},
        {0, 11, 1, "Func_off.bmp", {"SET GL M2 3 1 0 100 0 4 0 0 0 0 "}},
        // A fresh slot's F0 becomes on, as shown.
        {0, 0, 11, "Func_on.bmp", {"SET GL M2 3 1 0 100 1 4 0 0 0 0 "}},
        {0, 10, 11, "Func_on.bmp", {"SET GL M2 3 1 0 100 1 4 0 0 0 0 "}},
        {0, 15, 1, "Func_off.bmp", {"SET GL M2 3 1 0 100 0 4 0 0 0 0 "}},
        {2, 2, 12, "hupe_an.bmp", {"SET GL M2 3 1 0 100 0 4 0 1 0 0 "}},
        {2, 12, 2, "hupe_aus.bmp", {"SET GL M2 3 1 0 100 0 4 0 0 0 0 "}},
        {1, 7, 17, "pfeil_dop.bmp", {"SET GL M2 3 1 0 100 0 4 1 0 0 0 "}},
        {4, 8, 18, "slow_on.bmp", {"SET GL M2 3 1 0 100 0 4 0 0 0 1 "}},
        {3, 0, 0, nullptr, {}},
    };
    for (const Click& c : clicks) {
        SCOPED_TRACE("F" + std::to_string(c.f) + " from " + std::to_string(c.before));
        setSlot(0, "M2", 3, 100, 1, 4);
        std::vector<int> f0to4 = {1, 0, 0, 0, 0};
        f0to4[static_cast<std::size_t>(c.f)] = c.before;
        setFunctions(0, f0to4);
        m_panel->funcPic(0, c.f)->setPixmap(QPixmap());
        m_output.lines.clear();

        QTest::mouseClick(m_panel->funcPic(0, c.f), Qt::RightButton);
        EXPECT_EQ(function(0, c.f), c.before) << "the right button does not click";
        QTest::mouseClick(m_panel->funcPic(0, c.f), Qt::LeftButton);
        EXPECT_EQ(function(0, c.f), c.after);
        EXPECT_EQ(m_output.lines, c.lines);
        if (c.picture)
            EXPECT_TRUE(shows(m_panel->funcPic(0, c.f), c.picture));
        else
            EXPECT_TRUE(m_panel->funcPic(0, c.f)->pixmap().isNull());
    }
}

TEST_F(ThrottlePanelTest, FunctionIconsOfAnInertSlotSendNothing) {
    setSlot(5, "M2", 0, 100, 1, 4);
    setFunctions(5, {1, 2, 0, 0, 0});
    m_form.Betrieb = false;
    QTest::mouseClick(m_panel->funcPic(5, 0), Qt::LeftButton);
    QTest::mouseClick(m_panel->funcPic(5, 1), Qt::LeftButton);
    EXPECT_EQ(function(5, 0), 11);
    EXPECT_EQ(function(5, 1), 12);
    EXPECT_TRUE(m_output.lines.empty());
}

TEST_F(ThrottlePanelTest, ShowpicsDrawsTheSlotsFunctions) {
    struct Case {
        int functions;
        std::vector<int> f0to4;
        std::vector<const char*> pictures; // F0..F4, nullptr for empty
    };
    const Case cases[] = {
        {4, {11, 2, 0, 15, 9}, {"Func_on.bmp", "hupe_aus.bmp", nullptr, "licht_an.bmp", "Empty.bmp"}},
        {0, {1, 2, 3, 4, 5}, {"Func_off.bmp", nullptr, nullptr, nullptr, nullptr}},
        // A code from a damaged file shows empty and changes nothing else.
        {4, {0, 21, 255, 6, 16}, {"Func_off.bmp", "Empty.bmp", "Empty.bmp", "dampf_aus.bmp", "dampf_an.bmp"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.functions);
        setSlot(8, "M2", 0, 100, 1, c.functions);
        setFunctions(8, c.f0to4);
        for (int f = 0; f <= 4; ++f)
            m_panel->funcPic(8, f)->setPixmap(dataPicture("pfeil_li.bmp"));
        m_panel->showpics(8);
        for (int f = 0; f <= 4; ++f) {
            SCOPED_TRACE(f);
            if (c.pictures[static_cast<std::size_t>(f)])
                EXPECT_TRUE(shows(m_panel->funcPic(8, f), c.pictures[static_cast<std::size_t>(f)]));
            else
                EXPECT_TRUE(m_panel->funcPic(8, f)->pixmap().isNull());
        }
    }
    m_form.Debug = true;
    m_panel->showpics(8);
    EXPECT_EQ(m_form.debugLines,
              (Lines{"Reglernr: 8", "Functions: ", "0 21 255 6 16 ", "flookup: no function icon for code 21",
                     "flookup: no function icon for code 255"}));
}

TEST_F(ThrottlePanelTest, FlookupKnowsEveryCodeAndLeavesTheSettingsAlone) {
    const std::map<int, std::string> expected = {
        {0, "Empty.bmp"},        {1, "func_off.bmp"},       {2, "hupe_aus.bmp"},
        {3, "kupplung_aus.bmp"}, {4, "wagenlicht_aus.bmp"}, {5, "licht_aus.bmp"},
        {6, "dampf_aus.bmp"},    {7, "pfeil_dop.bmp"},      {8, "slow_off.bmp"},
        {9, "Empty.bmp"},        {10, "Empty.bmp"},         {11, "func_on.bmp"},
        {12, "hupe_an.bmp"},     {13, "kupplung_an.bmp"},   {14, "wagenlicht_an.bmp"},
        {15, "licht_an.bmp"},    {16, "dampf_an.bmp"},      {17, "pfeil_dop.bmp"},
        {18, "slow_on.bmp"},     {19, "Empty.bmp"},         {20, "Empty.bmp"},
        {21, "Empty.bmp"},       {-1, "Empty.bmp"},         {255, "Empty.bmp"},
    };
    Lok->set_addr(2, 77);
    Bahn->parameterspeichern();
    const std::string settings = readFileBytes(m_dir.path() + "Data/parmc.dat");
    m_form.Debug = true;
    for (const auto& [code, file] : expected) {
        SCOPED_TRACE(code);
        m_form.debugLines.clear();
        EXPECT_EQ(flookup(code), file);
        EXPECT_NO_THROW(dataPicture(file));
        EXPECT_EQ(m_form.debugLines.size(), code < 0 || code > 20 ? 1u : 0u);
    }
    EXPECT_EQ(readFileBytes(m_dir.path() + "Data/parmc.dat"), settings);
    EXPECT_EQ(Lok->get_addr(2), 77);
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(ThrottlePanelTest, AMissingPictureComesAfterTheSend) {
    std::filesystem::remove(m_dir.path() + "Data/pfeil_re.bmp");
    std::filesystem::remove(m_dir.path() + "Data/hupe_an.bmp");
    std::filesystem::remove(m_dir.path() + "Data/Func_on.bmp");
    iconCache().clear();
    setSlot(0, "M2", 3, 100, 1, 4);
    setFunctions(0, {1, 2, 0, 0, 0});
    m_output.lines.clear();
    EXPECT_THROW(m_panel->speedswitch(0), BitmapFileError);
    EXPECT_THROW(m_panel->switch_function(0, 1), BitmapFileError);
    EXPECT_THROW(m_panel->switch_basalfunction(0), BitmapFileError);
    EXPECT_EQ(m_output.lines, (Lines{"SET GL M2 3 0 0 100 0 4 0 0 0 0 ", "SET GL M2 3 0 0 100 0 4 1 0 0 0 ",
                                     "SET GL M2 3 0 0 100 1 4 1 0 0 0 "}));
    EXPECT_EQ(Lok->get_direction(0), 0);
    EXPECT_EQ(function(0, 1), 12);
    EXPECT_EQ(function(0, 0), 11);

    // The emergency stop still reaches the throttles after the one whose arrow is missing.
    setSlot(1, "M2", 4, 100, 1);
    for (int i = 0; i <= 1; ++i)
        m_panel->scrollBar(i)->setValue(40);
    m_output.lines.clear();
    EXPECT_THROW(m_panel->setall_lokostop(), BitmapFileError);
    EXPECT_EQ(m_output.lines.back(), "SET GL M2 4 1 0 100 0 0 ");
    for (int i = 0; i <= 1; ++i) {
        EXPECT_EQ(Lok->get_speed(i), 0);
        EXPECT_EQ(m_panel->scrollBar(i)->value(), 100);
    }
}

} // namespace

// Editing the plan with the mouse: placing, deleting, selecting, moving and dragging elements, text
// labels, and the address panel of the decoder and S88 modes.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "PlanEditorFixture.h"
#include "platform/qt/Colors.h"
#include "platform/qtwidgets/UpDown.h"
#include "support/RecordingDialogs.h"

namespace {

using Call = RecordingDialogs::Call;
using Kind = RecordingDialogs::Kind;
// A plan as a list of (kind, x, y).
using Plan = std::vector<std::array<int, 3>>;

class QuarnEditingTest : public PlanEditorTest {
protected:
    // Design mode with kind picked from the palette.
    void designWith(int kind) {
        window->Gleisbildentwerfen1Click();
        pick(kind);
    }
    Call stop(int number) const { return {Kind::Message, text(102), text(number), MessageIcon::Stop}; }
    // The plan in table order.
    static Plan plan() {
        Plan entries;
        for (int i = 0; i < Postable->getNumbofEntries(); ++i) {
            const tPosEntry* e = Postable->getEntryByNum(i);
            entries.push_back({e->Enummer, e->Posx, e->Posy});
        }
        return entries;
    }
};

TEST_F(QuarnEditingTest, APlacementEntersThePickedKindAtThePlanCell) {
    designWith(1);
    struct Case {
        int x, hpos;
        int planX;
    };
    const Case cases[] = {{26, 0, 0}, {27, 0, 27}, {27, 54, 81}, {53, 54, 81}, {300, 27, 324}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + " scrolled " + std::to_string(c.hpos));
        Bahn->EmptyQuarnlist();
        window->Anzahl = 7;
        window->Hpos_alt = c.hpos;
        window->QuarnPaint();
        click(c.x, 30);
        ASSERT_EQ(Postable->getNumbofEntries(), 1);
        const tPosEntry* e = Postable->getEntryByNum(0);
        EXPECT_EQ(e->Posx, c.planX);
        EXPECT_EQ(e->Posy, 27);
        EXPECT_EQ(e->Enummer, 1);
        EXPECT_EQ(e->CompID, 8);
        EXPECT_EQ(window->Anzahl, 8);
        EXPECT_TRUE(shows(c.planX, 27, window->pickedSymbol()));
    }
    window->Hpos_alt = 0;
    window->QuarnPaint();

    // The pick lasts: further clicks place more of it; an occupied cell refuses and is restored.
    Bahn->EmptyQuarnlist();
    click(54, 54);
    click(108, 54);
    EXPECT_TRUE(window->Symbol);
    const QImage occupied = planCell(108, 54);
    m_dialogs.clear();
    click(110, 60);
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{stop(109)});
    EXPECT_EQ(plan(), (Plan{{1, 54, 54}, {1, 108, 54}}));
    EXPECT_TRUE(shows(108, 54, occupied));

    // The pick is kept apart from the icons that other drawing loads meanwhile.
    Bahn->changeicon(1, 270, 270, 65);
    click(300, 300);
    EXPECT_TRUE(shows(297, 297, window->pickedSymbol()));
    EXPECT_FALSE(shows(297, 297, icon(65, 1)));

    // Cells off the plan take nothing.
    m_dialogs.clear();
    const QImage before = window->Quarn_bitmap->copy();
    const int count = Postable->getNumbofEntries();
    for (const QPoint p : {QPoint(-30, 10), QPoint(1000, 10), QPoint(10, 710), QPoint(10, -28)}) {
        click(p.x(), p.y());
        EXPECT_EQ(Postable->getNumbofEntries(), count) << p.x() << ", " << p.y();
    }
    EXPECT_EQ(*window->Quarn_bitmap, before);
    EXPECT_TRUE(m_dialogs.calls().empty());

    // A right click deletes, greys the cell on both layers and ends the pick.
    rightClick(60, 60);
    EXPECT_FALSE(window->Symbol);
    EXPECT_EQ(Postable->getEntryByKor(54, 54), nullptr);
    EXPECT_TRUE(shows(54, 54, grey()));
}

TEST_F(QuarnEditingTest, ShiftClicksSelectAndShiftDragsMoveTheSelection) {
    window->Gleisbildentwerfen1Click();
    struct Case {
        const char* name;
        bool shiftAtRelease;
    };
    for (const Case c : {Case{"release with Shift", true}, Case{"Shift let go first", false}}) {
        SCOPED_TRACE(c.name);
        Bahn->EmptyQuarnlist();
        window->Movelist->clear();
        Bahn->quarngraufaerben();
        window->QuarnPaint();
        tPosEntry& a = place(14, 54, 54);
        tPosEntry& b = place(19, 108, 81, 2);
        const QImage planBefore = window->Quarn_bitmap->copy();

        press(60, 60, ssShift);
        release(60, 60, ssShift);
        press(60, 60, ssShift);
        release(60, 60, ssShift);
        press(110, 90, ssShift);
        release(110, 90, ssShift);
        ASSERT_EQ(*window->Movelist, (TMoveList{&a, &b}));
        EXPECT_EQ(b.Refposx, 54);
        EXPECT_EQ(b.Refposy, 27);
        // The mark is on the view only.
        const QImage& view = window->Quarn->view().image();
        for (const QPoint p : {QPoint(108, 81), QPoint(134, 107), QPoint(120, 81)})
            EXPECT_EQ(view.pixelColor(p), colorFromTColor(clRed));
        EXPECT_EQ(*window->Quarn_bitmap, planBefore);

        // Two cells to the right in one event move one cell.
        press(60, 60, ssShift);
        move(60 + 54, 60, ssShift);
        EXPECT_EQ(a.Posx, 81);
        EXPECT_EQ(b.Posx, 135);
        EXPECT_EQ(b.Posy, 81);
        EXPECT_EQ(window->Move_el_counter, 1);
        EXPECT_TRUE(shows(54, 54, grey()));
        EXPECT_EQ(viewCell(81, 54), icon(14, 1));
        EXPECT_EQ(viewCell(135, 81), icon(19, 2));
        EXPECT_EQ(planCell(81, 54), rgb(grey()));

        release(114, 60, c.shiftAtRelease ? TShiftState(ssShift) : TShiftState());
        EXPECT_TRUE(shows(81, 54, icon(14, 1)));
        EXPECT_TRUE(shows(135, 81, icon(19, 2)));
        EXPECT_TRUE(shows(108, 81, grey()));
        EXPECT_EQ(window->Movelist->size(), c.shiftAtRelease ? 2u : 0u);
        EXPECT_FALSE(window->Move_elements);
    }

    // A step that would take a selected element off the plan is dropped on that axis.
    Bahn->EmptyQuarnlist();
    window->Movelist->clear();
    tPosEntry& corner = place(14, 0, 54);
    press(5, 60, ssShift);
    move(-30, 60 + 27, ssShift);
    EXPECT_EQ(corner.Posx, 0);
    EXPECT_EQ(corner.Posy, 81);
    release(-30, 60 + 27, ssShift);
}

TEST_F(QuarnEditingTest, ADragMovesTheElementItStartsOnOrPutsItBack) {
    const QImage grey27 = grey();
    struct Case {
        const char* name;
        bool picked;
        std::vector<QPoint> moves; // the pointer after the press at (60, 60)
        TShiftState shiftFrom;     // Shift held from the second move on
        bool box;                  // message 109
        Plan plan;
        QImage atStart;  // the picture of the pressed cell afterwards (null: the picked one)
        QPoint target;   // and of this cell
        QImage atTarget; // (null: the picked one)
    };
    const QImage picked;
    // The plan as it was, and with the pressed element replaced by the picked kind 3 at (108, 54).
    const Plan kept = {{1, 0, 0}, {14, 54, 54}, {19, 135, 54}};
    const Plan moved = {{1, 0, 0}, {19, 135, 54}, {3, 108, 54}};
    const QImage icon14 = icon(14, 1), icon19 = icon(19, 1);
    const Case cases[] = {
        {"nothing picked", false, {{140, 60}}, {}, false, kept, icon14, {135, 54}, icon19},
        {"jitter in the pressed cell", true, {{62, 61}, {75, 70}}, {}, true, kept, icon14, {135, 54}, icon19},
        {"to a free cell", true, {{90, 60}, {120, 60}}, {}, false, moved, grey27, {108, 54}, picked},
        {"to an occupied cell", true, {{90, 60}, {140, 60}}, {}, true, kept, icon14, {135, 54}, icon19},
        {"Shift in the drag", true, {{90, 60}, {120, 60}}, ssShift, false, kept, icon14, {81, 54}, grey27},
        {"off the plan", true, {{90, 60}, {1000, 60}}, {}, false, kept, icon14, {81, 54}, grey27},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bahn->EmptyQuarnlist();
        Bahn->quarngraufaerben();
        window->Gleisbildentwerfen1Click();
        window->QuarnPaint();
        place(1, 0, 0);
        tPosEntry& dragged = place(14, 54, 54);
        dragged.Decod2 = 3;
        dragged.Daten2 = 4;
        dragged.Protokoll = "N";
        dragged.Fahrnr = 6;
        const tPosEntry fields = dragged;
        place(19, 135, 54);
        if (c.picked)
            pick(3);
        m_dialogs.clear();

        press(60, 60);
        QPoint last(60, 60);
        for (std::size_t i = 0; i < c.moves.size(); ++i) {
            last = c.moves[i];
            move(last.x(), last.y(), i > 0 ? c.shiftFrom : TShiftState());
        }
        release(last.x(), last.y(), c.shiftFrom);

        EXPECT_EQ(m_dialogs.calls(), c.box ? std::vector<Call>{stop(109)} : std::vector<Call>());
        EXPECT_EQ(plan(), c.plan);
        EXPECT_FALSE(window->Geloescht);
        EXPECT_TRUE(shows(54, 54, c.atStart.isNull() ? window->pickedSymbol() : c.atStart));
        EXPECT_TRUE(
            shows(c.target.x(), c.target.y(), c.atTarget.isNull() ? window->pickedSymbol() : c.atTarget));
        // An element put back keeps every field.
        if (const tPosEntry* back = Postable->getEntryByKor(54, 54)) {
            EXPECT_EQ(back->CompID, fields.CompID);
            EXPECT_EQ(back->Decod2, 3);
            EXPECT_EQ(back->Daten2, 4);
            EXPECT_EQ(back->Protokoll, "N");
            EXPECT_EQ(back->Fahrnr, 6);
        }
    }
}

TEST_F(QuarnEditingTest, TheMouseReachesThePlanThroughTheWidget) {
    designWith(1);
    // A double click is two presses: the second finds the cell taken.
    QTest::mouseClick(window->Quarn, Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseDClick(window->Quarn, Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseRelease(window->Quarn, Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_EQ(plan(), (Plan{{1, 54, 54}}));
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{stop(109)});
    // Shift-drag through the widget: the buttons and keys held arrive with each event.
    QTest::mouseClick(window->Quarn, Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 60));
    ASSERT_EQ(window->Movelist->size(), 1u);
    QTest::mousePress(window->Quarn, Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 60));
    QMouseEvent drag(QEvent::MouseMove, QPointF(90, 60), window->Quarn->mapToGlobal(QPointF(90, 60)),
                     Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(window->Quarn, &drag);
    QTest::mouseRelease(window->Quarn, Qt::LeftButton, Qt::ShiftModifier, QPoint(90, 60));
    EXPECT_EQ(plan(), (Plan{{1, 81, 54}}));
    // A right click through the widget deletes.
    QTest::mouseClick(window->Quarn, Qt::RightButton, {}, QPoint(90, 60));
    EXPECT_TRUE(plan().empty());
}

TEST_F(QuarnEditingTest, TextModeMakesAndRemovesLabels) {
    window->Text1Click();
    place(14, 108, 108);
    const Call query{Kind::TextQuery, text(107), text(108), MessageIcon::None, "", 54, 27};

    m_dialogs.pushTextQuery(true, "Gr\xC3\xBC\xC3\x9F"
                                  "e aus Hauptbahnhof");
    click(60, 30);
    m_dialogs.pushTextQuery(true, "Nord");
    click(300, 300);
    ASSERT_EQ(window->Textliste->size(), 2u);
    const TTextEntry& first = *window->Textliste->at(0);
    EXPECT_EQ(first.Name, "Qtextlabel0");
    EXPECT_EQ(first.TextInfo, "Gr\xFC\xDF"
                              "e aus Hauptbahnhof");
    EXPECT_EQ(first.XText, 54);
    EXPECT_EQ(first.YText, 27);
    EXPECT_EQ(first.Textwkl, 0);
    EXPECT_EQ(window->Textliste->at(1)->Name, "Qtextlabel1");
    EXPECT_EQ(m_dialogs.calls().front(), query);
    EXPECT_NE(planCell(54, 27), rgb(grey()));

    // Cancel, an empty text and a cell with an element make none.
    m_dialogs.clear();
    m_dialogs.pushTextQuery(false, "x");
    click(200, 30);
    m_dialogs.pushTextQuery(true, "");
    click(200, 30);
    click(110, 110);
    // Off the plan: no dialog (an unanswered one would fail the test).
    click(1000, 30);
    EXPECT_EQ(window->Textliste->size(), 2u);
    EXPECT_EQ(m_dialogs.calls().size(), 2u);
    EXPECT_EQ(window->TextLabelNr, 1);

    // Font, then OK: the new label and LabelFont take the font and colour, older labels keep theirs.
    const ColoredFont before = *window->Textliste->at(0)->TextFont;
    m_dialogs.pushFont(DialogService::FontChoice{"Arial", 12, true, false, true, false, clRed});
    m_dialogs.pushTextQuery(true, "Süd", 1);
    click(400, 30);
    ASSERT_EQ(window->Textliste->size(), 3u);
    ASSERT_EQ(m_dialogs.fontsOffered().size(), 1u);
    EXPECT_EQ(m_dialogs.fontsOffered()[0],
              (DialogService::FontChoice{"MS Sans Serif", 8, false, false, false, false, clWindowText}));
    std::string line;
    Bahn->FontToString(*window->Textliste->at(2)->TextFont, line);
    EXPECT_EQ(line, "Arial,12,1010,clRed");
    Bahn->FontToString(*window->LabelFont, line);
    EXPECT_EQ(line, "Arial,12,1010,clRed");
    EXPECT_EQ(*window->Textliste->at(0)->TextFont, before);
    EXPECT_EQ(window->Textliste->at(0)->TextFont->Color, before.Color);
    // A cancelled font choice changes nothing.
    m_dialogs.pushFont(std::nullopt);
    window->FontButtonClick();
    Bahn->FontToString(*window->LabelFont, line);
    EXPECT_EQ(line, "Arial,12,1010,clRed");

    // A right click removes the label at the cell and greys only that cell.
    const QImage neighbour = planCell(81, 27);
    ASSERT_NE(neighbour, rgb(grey())) << "the label reaches into the next cell";
    rightClick(60, 30);
    EXPECT_EQ(window->Textliste->size(), 2u);
    EXPECT_EQ(window->Textliste->at(0)->Name, "Qtextlabel1");
    EXPECT_TRUE(shows(54, 27, grey()));
    EXPECT_EQ(planCell(81, 27), neighbour);
}

TEST_F(QuarnEditingTest, TheAddressPanelFollowsTheClickedElement) {
    window->DecoderAdressen1Click();
    struct Row {
        int kind, x, y;
    };
    const Row rows[] = {{21, 0, 0}, {20, 27, 0}, {14, 54, 0}, {19, 81, 0}};
    for (const Row& r : rows)
        place(r.kind, r.x, r.y);
    tPosEntry& three = *Postable->getEntryByKor(81, 0);
    three.Decod1 = 2;
    three.Decod2 = 2;
    three.Decod3 = 2;
    three.Daten1 = 1;
    three.Daten2 = 12; // from a file: shown as it is
    three.Daten3 = 3;
    three.Protokoll = "N";

    const std::array<std::array<QWidget*, 4>, 3> panelRows = {{
        {window->Decod_edit1, window->Daten_Edit1, window->Image1, window->UpDoDaten1},
        {window->Decod_edit2, window->Daten_Edit2, window->Image2, window->UpDoDaten2},
        {window->Decod_edit3, window->Daten_Edit3, window->Image3, window->UpDoDaten3},
    }};
    struct Case {
        int x;
        int shownRows;
    };
    for (const Case c : {Case{0, 0}, Case{27, 1}, Case{54, 2}, Case{81, 3}, Case{0, 0}, Case{81, 3}}) {
        SCOPED_TRACE(c.x);
        click(c.x + 3, 3);
        EXPECT_EQ(window->Speichern_posx, c.x);
        for (std::size_t n = 0; n < 3; ++n)
            for (QWidget* w : panelRows[n])
                EXPECT_EQ(w->isVisible(), static_cast<int>(n) < c.shownRows) << w->objectName().toStdString();
    }
    EXPECT_EQ(window->Index_label->text(), QString::number(three.CompID));
    EXPECT_EQ(window->Decod_edit3->text(), "2");
    EXPECT_EQ(window->Daten_Edit2->text(), "12");
    EXPECT_EQ(window->Proto_CB->currentIndex(), 1);
    // The arrows step within 0..8.
    window->UpDoDaten2->stepUp();
    EXPECT_EQ(window->Daten_Edit2->text(), "8");

    // Detectors, the emergency stop and unknown kinds leave the panel and the chosen element alone
    // in decoder mode, anything but a detector in S88 mode.
    place(65, 0, 27);
    place(87, 27, 27);
    place(22, 54, 27);
    place(89, 81, 27); // a kind the catalogue does not know
    for (const QPoint p : {QPoint(3, 30), QPoint(30, 30), QPoint(57, 30), QPoint(84, 30)}) {
        click(p.x(), p.y());
        EXPECT_EQ(window->Speichern_posx, 81);
        EXPECT_EQ(window->Speichern_posy, 0);
        EXPECT_EQ(window->Decod_edit1->text(), "2");
    }
    window->S88modules1Click();
    click(30, 30);
    EXPECT_EQ(window->Speichern_posx, 27);
    EXPECT_EQ(window->Speichern_posy, 27);
    for (const QPoint p : {QPoint(57, 30), QPoint(57, 3), QPoint(3, 3)}) {
        click(p.x(), p.y());
        EXPECT_EQ(window->Speichern_posx, 27);
        EXPECT_EQ(window->Speichern_posy, 27);
    }
}

TEST_F(QuarnEditingTest, SaveStoresTheAddressesOnlyWhenEveryEditHoldsOne) {
    tPosEntry& turnout = place(14, 54, 0); // two rows
    tPosEntry& detector = place(65, 0, 27);
    const Call wrongInput{Kind::Plain, "", text(140), MessageIcon::None};

    // Before any element was chosen nothing is stored.
    window->DecoderAdressen1Click();
    window->Speichern_buttonClick();
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{wrongInput});

    click(57, 3);
    const std::pair<QLineEdit*, const char*> values[] = {
        {window->Decod_edit1, "5"}, {window->Decod_edit2, "6"}, {window->Decod_edit3, "7"},
        {window->Daten_Edit1, "1"}, {window->Daten_Edit2, "8"}, {window->Daten_Edit3, "9"}};
    for (const auto& [edit, value] : values)
        edit->setText(value);
    window->Proto_CB->setCurrentIndex(0);
    m_dialogs.clear();
    window->Speichern_buttonClick();
    EXPECT_TRUE(m_dialogs.calls().empty());
    // Row 3 is hidden for a two-state turnout: its port is not checked.
    EXPECT_EQ((std::array{turnout.Decod1, turnout.Decod2, turnout.Decod3, turnout.Daten1, turnout.Daten2,
                          turnout.Daten3}),
              (std::array{5, 6, 7, 1, 8, 9}));
    EXPECT_EQ(turnout.Protokoll, "M");
    // An empty edit keeps its field.
    window->Daten_Edit2->clear();
    window->Decod_edit2->setText("4");
    window->Proto_CB->setCurrentIndex(1);
    window->Speichern_buttonClick();
    EXPECT_EQ(turnout.Daten2, 8);
    EXPECT_EQ(turnout.Decod2, 4);
    EXPECT_EQ(turnout.Protokoll, "N");

    struct Case {
        QLineEdit* TMainForm::*edit;
        const char* text;
    };
    const Case refused[] = {{&TMainForm::Decod_edit1, "abc"}, {&TMainForm::Decod_edit3, "-5"},
                            {&TMainForm::Daten_Edit1, "9"},   {&TMainForm::Daten_Edit2, "12 "},
                            {&TMainForm::Daten_Edit1, "-1"},  {&TMainForm::Decod_edit2, "99999999999"}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.text);
        const tPosEntry before = turnout;
        for (const auto& [edit, value] : values)
            edit->setText(value);
        window->Daten_Edit3->setText("3");
        (window->*c.edit)->setText(c.text);
        m_dialogs.clear();
        window->Speichern_buttonClick();
        EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{wrongInput});
        EXPECT_EQ(turnout.Decod1, before.Decod1);
        EXPECT_EQ(turnout.Decod2, before.Decod2);
        EXPECT_EQ(turnout.Daten1, before.Daten1);
        EXPECT_EQ(turnout.Daten3, before.Daten3);
    }

    // S88 mode: module and contact 1..16.
    window->S88modules1Click();
    click(3, 30);
    window->Decod_edit1->setText("3");
    window->Daten_Edit1->setText("17");
    m_dialogs.clear();
    window->Speichern_buttonClick();
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{wrongInput});
    window->Daten_Edit1->setText("16");
    window->Speichern_buttonClick();
    EXPECT_EQ(detector.Decod1, 3);
    EXPECT_EQ(detector.Daten1, 16);

    // A mode command forgets the element: Save then stores nothing.
    window->S88modules1Click();
    window->Decod_edit1->setText("9");
    m_dialogs.clear();
    window->Speichern_buttonClick();
    EXPECT_EQ(m_dialogs.calls(), std::vector<Call>{wrongInput});
    EXPECT_EQ(detector.Decod1, 3);
    // So does a deleted element.
    click(3, 30);
    Bahn->deletecompfromlist(0, 27);
    window->Speichern_buttonClick();
    EXPECT_EQ(m_dialogs.calls().size(), 2u);
}

} // namespace

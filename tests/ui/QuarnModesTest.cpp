// The seven modes of the Options menu and picking an element from the palette.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "PlanEditorFixture.h"
#include "platform/qt/Colors.h"
#include "platform/qtwidgets/UpDown.h"

namespace {

class QuarnModesTest : public PlanEditorTest {};

TEST_F(QuarnModesTest, PaletteClickPicksTheKindOfItsSlot) {
    window->Gleisbildentwerfen1Click();
    const QImage palette = window->Design_Panel_bitmap->copy();
    const QColor yellow = colorFromTColor(clYellow);
    tPosEntry& selected = place(1, 27, 27);

    using enum TMouseButton;
    struct Case {
        int x, y;
        int kind; // 0: nothing to pick
        int x0, y0;
        TMouseButton button = mbLeft;
    };
    const Case cases[] = {
        {27, 0, 1, 1, 1},  {28, 0, 2, 29, 1}, {369, 5, 14, 365, 1},       {5, 61, 45, 1, 57},
        {616, 5, 0, 0, 0}, {5, 112, 0, 0, 0}, {369, 5, 0, 0, 0, mbRight}, {369, 5, 0, 0, 0, mbMiddle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
        // A pick of another kind and a move selection before each click.
        pick(3);
        window->Movelist->push_back(&selected);
        window->Move_elements = true;
        window->Move_el_counter = 2;

        window->Design_PanelMouseDown(c.button, c.button == mbLeft ? ssLeft : TShiftState{}, c.x, c.y);
        const QImage& shown = window->Design_Panel->view().image();
        if (c.button != mbLeft) {
            // Only the left button picks: the right one ends the pick, the middle one leaves it.
            EXPECT_EQ(window->Symbol, c.button == mbMiddle);
            EXPECT_EQ(window->Comp_nr, 3);
            EXPECT_EQ(rgb(shown), rgb(palette));
        } else if (c.kind == 0) {
            EXPECT_FALSE(window->Symbol);
            EXPECT_EQ(window->Comp_nr, 0);
            // No frame: the box shows the palette as it is.
            EXPECT_EQ(rgb(shown), rgb(palette));
        } else {
            EXPECT_TRUE(window->Symbol);
            EXPECT_EQ(window->Comp_nr, c.kind);
            for (const QPoint corner :
                 {QPoint(c.x0 - 1, c.y0 - 1), QPoint(c.x0 + 28, c.y0 - 1), QPoint(c.x0 + 28, c.y0 + 28),
                  QPoint(c.x0 - 1, c.y0 + 28), QPoint(c.x0 + 13, c.y0 - 1), QPoint(c.x0 - 1, c.y0 + 13)})
                EXPECT_EQ(shown.pixelColor(corner), yellow) << corner.x() << ", " << corner.y();
            // Inside the frame the icon, and the palette image itself never carries the frame.
            EXPECT_EQ(rgb(shown.copy(c.x0, c.y0, 27, 27)), rgb(palette.copy(c.x0, c.y0, 27, 27)));
            EXPECT_EQ(rgb(*window->Design_Panel_bitmap), rgb(palette));
            EXPECT_EQ(rgb(window->pickedSymbol()), rgb(palette.copy(c.x0, c.y0, 27, 27)));
            EXPECT_EQ(rgb(QGuiApplication::clipboard()->image()), rgb(window->pickedSymbol()));
        }
        // Any click ends the move selection, whose element stays on the plan.
        EXPECT_TRUE(window->Movelist->empty());
        EXPECT_FALSE(window->Move_elements);
        EXPECT_EQ(window->Move_el_counter, 0);
        EXPECT_EQ(Postable->getNumbofEntries(), 1);
    }

    // A right click ends the pick, keeps the kind and leaves no frame.
    pick(14);
    window->Design_PanelMouseDown(TMouseButton::mbRight, ssRight, 369, 5);
    EXPECT_FALSE(window->Symbol);
    EXPECT_EQ(window->Comp_nr, 14);
    EXPECT_EQ(rgb(window->Design_Panel->view().image()), rgb(palette));

    // Through the widget: the press reaches the handler with the button held, the pointer's moves
    // without one.
    QTest::mouseClick(window->Design_Panel, Qt::LeftButton, {}, QPoint(28, 0));
    EXPECT_TRUE(window->Symbol);
    EXPECT_EQ(window->Comp_nr, 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 40), window->Design_Panel->mapToGlobal(QPointF(100, 40)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    EXPECT_TRUE(window->Design_Panel->hasMouseTracking());
    QApplication::sendEvent(window->Design_Panel, &move);
    EXPECT_EQ(window->Mausx, 100);
    EXPECT_EQ(window->Mausy, 40);
}

TEST_F(QuarnModesTest, EachModeCommandSetsItsFlagItemPanelAndStatusBar) {
    using M = TMainForm;
    struct Case {
        QAction* M::*item;
        bool TMainFormState::*flag;
        bool design, decod, regler, pages;
        bool keepsJoysetup;
    };
    // Routes last: it leaves its tabs up and three commands off.
    const Case cases[] = {
        {&M::Gleisbildentwerfen1, &TMainFormState::Quarnerstellen, true, false, false, false, false},
        {&M::DecoderAdressen1, &TMainFormState::Decoder, false, true, false, false, false},
        {&M::S88modules1, &TMainFormState::S88config, false, true, false, false, false},
        {&M::Text1, &TMainFormState::Text, false, false, false, false, false},
        {&M::Betrieb1, &TMainFormState::Betrieb, false, false, true, false, false},
        {&M::Softregler1, &TMainFormState::Lokregler, false, false, true, false, false},
        {&M::Fahrstrassen1, &TMainFormState::Fahrstrasseerstellen, false, false, false, true, true},
    };
    bool TMainFormState::*const flags[] = {
        &TMainFormState::Quarnerstellen, &TMainFormState::Decoder, &TMainFormState::S88config,
        &TMainFormState::Text,           &TMainFormState::Betrieb, &TMainFormState::Fahrstrasseerstellen,
        &TMainFormState::Lokregler};
    for (const Case& c : cases) {
        QAction* item = window->*c.item;
        SCOPED_TRACE(item->objectName().toStdString());
        // Twice: the second time Qt unchecks the checked item before the command runs.
        for (int round = 0; round < 2; ++round) {
            window->Symbol = true;
            window->Joysetup = true;
            window->setStatusPanel(1, "old text");
            m_throttles.calls.clear();
            window->Joystickcalibrieren1->setEnabled(false);
            if (c.pages)
                window->setPlanMenuState();
            item->trigger();

            for (bool TMainFormState::*flag : flags)
                EXPECT_EQ(window->*flag, flag == c.flag);
            for (QAction* mode :
                 {window->Gleisbildentwerfen1, window->DecoderAdressen1, window->S88modules1, window->Text1,
                  window->Betrieb1, window->Fahrstrassen1, window->Softregler1})
                EXPECT_EQ(mode->isChecked(), mode == item) << mode->objectName().toStdString();
            EXPECT_EQ(window->Design_Panel->isVisible(), c.design);
            EXPECT_EQ(window->Decod_panel->isVisible(), c.decod);
            EXPECT_EQ(window->Regler_panel->isVisible(), c.regler);
            EXPECT_EQ(window->PageControl1->isVisible(), c.pages);
            EXPECT_FALSE(window->Symbol);
            EXPECT_EQ(window->Joysetup, c.keepsJoysetup);

            const bool locoSetup = c.flag == &TMainFormState::Lokregler;
            EXPECT_EQ(window->statusPanelText(1), locoSetup ? text(141) : "");
            const QPalette colours = window->StatusBar1->palette();
            EXPECT_EQ(colours.color(QPalette::Window), colorFromTColor(locoSetup ? clRed : clBtnFace));
            EXPECT_EQ(colours.color(QPalette::WindowText), colorFromTColor(locoSetup ? clYellow : clBtnText));

            const bool operate = c.flag == &TMainFormState::Betrieb;
            EXPECT_EQ(window->Joystickcalibrieren1->isEnabled(), operate);
            const std::vector<std::string> setUp = {"setup 0", "setup 1", "setup 2", "setup 3", "setup 4",
                                                    "setup 5", "setup 6", "setup 7", "setup 8", "setup 9"};
            EXPECT_EQ(m_throttles.calls, operate ? setUp : std::vector<std::string>());
        }
    }
}

TEST_F(QuarnModesTest, DecoderAndS88ModesPrepareTheAddressPanel) {
    struct Case {
        QAction* TMainForm::*command;
        const char* decodLabel;
        const char* datenLabel;
        bool threeRows;
        int upDownMax;
    };
    const Case cases[] = {
        {&TMainForm::DecoderAdressen1, "Dekoder", "Datenausgang", true, 8},
        {&TMainForm::S88modules1, "S88 Modul", "S88 Dateneingang", false, 16},
        {&TMainForm::DecoderAdressen1, "Dekoder", "Datenausgang", true, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.decodLabel);
        for (QLineEdit* edit : {window->Decod_edit1, window->Decod_edit2, window->Decod_edit3,
                                window->Daten_Edit1, window->Daten_Edit2, window->Daten_Edit3})
            edit->setText("7");
        window->Image1->setText("old picture");
        (window->*c.command)->trigger();
        EXPECT_EQ(window->Decod_label->text().toStdString(), c.decodLabel);
        EXPECT_EQ(window->Daten_label->text().toStdString(), c.datenLabel);
        EXPECT_EQ(window->Decod_edit1->text(), "0");
        EXPECT_EQ(window->Daten_Edit1->text(), "1");
        EXPECT_TRUE(window->Image1->text().isEmpty());
        EXPECT_EQ(window->UpDoDaten1->max(), c.upDownMax);
        for (QWidget* w :
             {static_cast<QWidget*>(window->Decod_edit1), static_cast<QWidget*>(window->Daten_Edit1)})
            EXPECT_TRUE(w->isVisible());
        for (QWidget* w : std::initializer_list<QWidget*>{
                 window->Decod_edit2, window->Decod_edit3, window->Daten_Edit2, window->Daten_Edit3,
                 window->Image2, window->Image3, window->Proto_CB, window->Protokoll_label})
            EXPECT_EQ(w->isVisible(), c.threeRows) << w->objectName().toStdString();
        if (c.threeRows) {
            for (QLineEdit* edit : {window->Daten_Edit2, window->Daten_Edit3})
                EXPECT_EQ(edit->text(), "1");
            for (QLineEdit* edit : {window->Decod_edit2, window->Decod_edit3})
                EXPECT_EQ(edit->text(), "0");
        }
    }
}

TEST_F(QuarnModesTest, DesignReadsTheCatalogueOnceAndFitsThePaletteToTheWindow) {
    // As after a start whose catalogue could not be read.
    window->El_geladen = false;
    window->Gleisbildentwerfen1Click();
    EXPECT_TRUE(window->El_geladen);
    ASSERT_EQ(Element->get_posx(0), 1);
    // A catalogue changed on disk is not read again.
    const std::string catalogue = m_dir.path() + "Data/Elemente1.dat";
    std::filesystem::remove(catalogue);
    window->Gleisbildentwerfen1Click();
    EXPECT_EQ(m_dialogs.calls(), std::vector<RecordingDialogs::Call>());
    EXPECT_EQ(Element->get_posx(0), 1);

    struct Case {
        int clientWidth;
        int paletteWidth;
    };
    for (const Case c : {Case{700, 617}, Case{500, 500}}) {
        SCOPED_TRACE(c.clientWidth);
        window->resize(c.clientWidth, 600 + window->menuBar()->height());
        ASSERT_EQ(window->centralWidget()->width(), c.clientWidth);
        window->Gleisbildentwerfen1Click();
        const int H = window->centralWidget()->height();
        EXPECT_EQ(window->Design_Panel->size(), QSize(c.paletteWidth, 113));
        EXPECT_EQ(window->Design_Panel->y(), H - 113 - window->StatusBar1->height() - 17);
        EXPECT_EQ(window->Hilfsbild1->pos(), QPoint(c.paletteWidth + 5, window->Design_Panel->y()));
    }
}

TEST_F(QuarnModesTest, RoutesReservesANumberEachTimeAndKeepsItsTabsThroughOtherModes) {
    for (int route = 1; route <= 2; ++route) {
        SCOPED_TRACE(route);
        window->Verbinden = 2;
        window->setPlanMenuState();
        window->Fahrstrassen1->trigger();
        EXPECT_EQ(Fahr->Anz_strassen, route);
        EXPECT_EQ(window->Fahrstrasse, route);
        EXPECT_EQ(window->Verbinden, 0);
        EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet1);
        EXPECT_EQ(window->LabelFahrerst2->text(), QString::number(route));
        EXPECT_EQ(window->LabelFahrerst4->text(), "0");
        EXPECT_EQ(window->LabelFahrdel2->text(), QString::number(route));
        // The user turns to the delete tab.
        QTabBar* tabs = window->PageControl1->tabBar();
        window->Fahrstrasse = 7;
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        EXPECT_EQ(window->PageControl1->currentWidget(), window->TabSheet2);
        EXPECT_EQ(window->LabelFahrdel2->text(), "7");
        EXPECT_EQ(window->LabelFahrerst2->text(), "7");
        window->Fahrstrasse = route;
    }
    // The editor's controls sit at fixed places on their pages.
    struct Control {
        const char* name;
        QWidget* page;
        int left, top, width; // width 0: a label
    };
    const Control controls[] = {
        {"LabelFahrerst1", window->TabSheet1, 8, 8, 0},
        {"LabelFahrerst2", window->TabSheet1, 100, 8, 0},
        {"ButtonFahrerst_plus", window->TabSheet1, 140, 4, 25},
        {"ButtonFahrerst_minus", window->TabSheet1, 170, 4, 25},
        {"Buttonverbinden", window->TabSheet1, 240, 4, 100},
        {"LabelFahrerst3", window->TabSheet1, 8, 40, 0},
        {"LabelFahrerst4", window->TabSheet1, 100, 40, 0},
        {"ButtonFahrerst_speichern", window->TabSheet1, 240, 36, 100},
        {"ButtonFahrerst_cancel", window->TabSheet1, 350, 36, 100},
        {"LabelFahrdel1", window->TabSheet2, 8, 8, 0},
        {"LabelFahrdel2", window->TabSheet2, 100, 8, 0},
        {"ButtonDel_plus", window->TabSheet2, 140, 4, 25},
        {"ButtonDel_minus", window->TabSheet2, 170, 4, 25},
        {"ButtonDel_del", window->TabSheet2, 240, 4, 100},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        auto* control = c.page->findChild<QWidget*>(c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->pos(), QPoint(c.left, c.top));
        if (c.width > 0) {
            EXPECT_EQ(control->size(), QSize(c.width, 25));
        }
    }

    // The route editor leaves the other commands on.
    for (QAction* command : {window->S88modules1, window->Text1, window->Softregler1}) {
        command->trigger();
        EXPECT_TRUE(window->PageControl1->isVisible());
        for (QAction* item : {window->Gleisbildentwerfen1, window->DecoderAdressen1, window->Betrieb1})
            EXPECT_FALSE(item->isEnabled()) << item->objectName().toStdString();
    }
}

} // namespace

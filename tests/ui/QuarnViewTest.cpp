// The main window's layout, plan view, scrolling and screen sizes.

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QWindow>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

#include "QuarnTestFolder.h"
#include "ui/PaintBoxWidget.h"

namespace {

const QColor kGrey(0xC0, 0xC0, 0xC0);

class QuarnViewTest : public QuarnTestFolder {
protected:
    // The main window shown at its start size, or at size when one is given.
    TMainForm* shownWindow(QSize size = QSize()) {
        TMainForm* window = startWindows();
        if (!window)
            return nullptr;
        if (size.isValid())
            window->resize(size);
        window->show();
        return window;
    }
    // Gives the window the client size w x h (the area below the menu bar).
    static void setClientSize(TMainForm* window, int w, int h) {
        window->resize(w, h + window->menuBar()->height());
    }
};

TEST_F(QuarnViewTest, ResizeLaysOutTheComponents) {
    // Large enough that the first layout needs no scroll bars.
    TMainForm* window = shownWindow(QSize(1300, 1000));
    ASSERT_NE(window, nullptr);
    const int S = window->StatusBar1->height();
    ASSERT_GT(S, 0);

    struct Case {
        int w, h;
        int quarnW, quarnH; // -1: depends on S, computed below
        bool hBar, vBar;    // visible afterwards (once shown they stay)
        int panelW;
        bool cut = false;      // the last panel does not paint the whole of its text
        const char* text = ""; // the last panel's text; "" the joystick's reason
    };
    // In this order: the scroll bars appear with the small size and stay with the large one.
    const Case cases[] = {
        {1200, 900, 980, 680, false, false, 620},
        {700, 500, 700 - 17 - S, 500 - 113 - 17 - S, true, true, 620, true},
        {600, 400, 600 - 17 - S, 400 - 113 - 17 - S, true, true, 600, true},
        {1100, 850, 980, 680, true, true, 620},
        // Cut by a fraction of a pixel, which the text's rounded width does not show.
        {1059, 850, 980, 680, true, true, 620, true,
         "Es wurde kein Joystick detektiert! (/dev/input/event16: Permission denied)"},
        {1100, 850, 980, 680, true, true, 620, true, "WorkDir: /home/ich/Bahn\nneu"},
        // Not read as markup (which would load the images it names).
        {1100, 850, 980, 680, true, true, 620, true, "<b>Bahn</b>\n  neu"},
    };
    // The tool tip as it reads: one that looks like markup is shown as rich text.
    const auto tipReads = [](QWidget* panel) {
        const QString tip = panel->toolTip();
        return (Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip)
            .toStdString();
    };
    for (const Case& c : cases) {
        const std::string reason =
            *c.text ? c.text : "No Joystick detected! (/dev/input/event5: Permission denied)";
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " " + reason);
        window->setStatusPanel(2, reason);
        setClientSize(window, c.w, c.h);
        ASSERT_EQ(window->centralWidget()->size(), QSize(c.w, c.h));
        EXPECT_EQ(window->Quarn->geometry(), QRect(1, 1, c.quarnW, c.quarnH));
        EXPECT_EQ(window->Quarn->view().image().size(), QSize(c.quarnW, c.quarnH));
        EXPECT_EQ(window->HScrollBar->geometry(), QRect(0, c.h - 17 - S, c.w - 17, 17));
        EXPECT_EQ(window->VScrollBar->geometry(), QRect(c.w - 17, 1, 17, c.h - 113 - 17));
        EXPECT_EQ(window->HScrollBar->isVisible(), c.hBar);
        EXPECT_EQ(window->VScrollBar->isVisible(), c.vBar);
        EXPECT_EQ(window->StatusBar1->y(), c.h - S);
        // Panels of 100 and 500 pixels; the last one reaches to the right edge.
        const QRect last = window->findChild<QLabel*>("StatusPanel2")->geometry();
        EXPECT_EQ(window->findChild<QLabel*>("StatusPanel0")->width(), 100);
        EXPECT_EQ(window->findChild<QLabel*>("StatusPanel1")->width(), 500);
        EXPECT_GE(last.right(), c.w - 25);
        EXPECT_GE(last.width(), 50);
        // A cut text ends in an ellipsis and is the panel's tool tip in full.
        EXPECT_EQ(tipReads(window->findChild<QLabel*>("StatusPanel2")), c.cut ? reason : "");
        EXPECT_EQ(window->statusPanelText(2), reason);
        std::string oneLine = reason;
        std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
        if (oneLine != reason) {
            // One line, not two halves: the break is painted as a blank.
            QLabel* panel = window->findChild<QLabel*>("StatusPanel2");
            const QImage painted = panel->grab().toImage();
            window->setStatusPanel(2, oneLine);
            EXPECT_TRUE(panel->grab().toImage() == painted) << "not painted as one line";
        }
        EXPECT_EQ(window->Design_Panel->geometry(), QRect(1, c.h - 113 - S - 17, 617, 113));
        for (QFrame* panel : {window->Regler_panel, window->Decod_panel})
            EXPECT_EQ(panel->geometry(), QRect(0, c.h - 113 - 17 - S, c.panelW, 113));
        EXPECT_EQ(window->PageControl1->geometry(),
                  QRect(5, c.h - 113 - S - window->HScrollBar->height(), 580, 113));
        EXPECT_EQ(window->ProgressBar1->geometry().topLeft(),
                  QPoint(window->Screen_x / 2 - 150, c.quarnH - 50));
        EXPECT_EQ(window->ProgressBar1->width(), 300);
    }
    // The address panel's children sit at fixed places.
    struct Child {
        const char* name;
        int top, left;
    };
    const Child children[] = {
        {"Index_label", 5, 10},      {"Posindex_dbtext", 24, 10},
        {"Decod_label", 5, 150},     {"Daten_label", 5, 250},
        {"Protokoll_label", 5, 350}, {"Image1", 24, 90},
        {"Image2", 54, 90},          {"Image3", 84, 90},
        {"Decod_edit1", 27, 150},    {"Decod_edit2", 57, 150},
        {"Decod_edit3", 87, 150},    {"Daten_Edit1", 27, 250},
        {"Daten_Edit2", 57, 250},    {"Daten_Edit3", 87, 250},
        {"Proto_CB", 27, 350},       {"Speichern_button", 87, 350},
    };
    for (const Child& c : children) {
        SCOPED_TRACE(c.name);
        QWidget* child = window->Decod_panel->findChild<QWidget*>(c.name);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->pos(), QPoint(c.left, c.top));
    }
}

TEST_F(QuarnViewTest, PlanViewShowsTheGreyPlan) {
    TMainForm* window = shownWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Quarn_bitmap->size(), QSize(980, 680));
    EXPECT_EQ(window->Quarn_bitmap->pixelColor(979, 679), kGrey);
    const QImage shown = window->Quarn->grab().toImage();
    ASSERT_FALSE(shown.isNull());
    for (const QPoint p : {QPoint(0, 0), QPoint(shown.width() / 2, shown.height() / 2),
                           QPoint(shown.width() - 1, shown.height() - 1)}) {
        SCOPED_TRACE(p.x());
        EXPECT_EQ(shown.pixelColor(p), kGrey);
    }
    // The other sizes of the start.
    EXPECT_EQ(window->Design_Panel_bitmap->size(), QSize(617, 113));
    for (const QImage* cell : {window->Cache.get(), window->Rueck_cache.get(), window->Undo.get()})
        EXPECT_EQ(cell->size(), QSize(27, 27));
    EXPECT_EQ(window->statusPanelText(1), "WorkDir: " + m_dir.path());
}

TEST_F(QuarnViewTest, ScrollingSnapsToCellsAndStaysInsideThePlan) {
    TMainForm* window = shownWindow();
    ASSERT_NE(window, nullptr);
    setClientSize(window, 600, 400);
    const int viewW = window->Quarn->width();
    const int viewH = window->Quarn->height();
    ASSERT_LT(viewW, 980);
    ASSERT_LT(viewH, 680);

    // Marks in the plan's far corner and just inside the first cells.
    QImage& plan = *window->Quarn_bitmap;
    plan.setPixelColor(979, 679, Qt::red);
    plan.setPixelColor(81, 54, Qt::blue);

    struct Case {
        QScrollBar* bar;
        int planSize, viewSize;
    };
    const Case cases[] = {{window->HScrollBar, 980, viewW}, {window->VScrollBar, 680, viewH}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bar->objectName().toStdString());
        const int rest = c.planSize - c.viewSize;
        // Whole cells, just enough to reach the plan's last column or row.
        EXPECT_EQ(c.bar->maximum(), (rest + 26) / 27 * 27);
        // A position between cells moves back to the cell.
        for (const auto& [set, expected] : {std::pair{100, 81}, {27, 27}, {53, 27}, {0, 0}}) {
            c.bar->setValue(set);
            EXPECT_EQ(c.bar->value(), expected) << set;
        }
        c.bar->setValue(100000);
        EXPECT_EQ(c.bar->value(), c.bar->maximum());
    }
    const int h = window->Hpos_alt;
    const int v = window->Vpos_alt;
    EXPECT_EQ(h, window->HScrollBar->maximum());
    EXPECT_EQ(v, window->VScrollBar->maximum());

    const QImage& view = window->Quarn->view().image();
    EXPECT_EQ(view.pixelColor(979 - h, 679 - v), QColor(Qt::red));
    // Past the plan the view is grey, not old picture.
    if (980 - h < viewW) {
        EXPECT_EQ(view.pixelColor(980 - h, 0), kGrey);
    }
    if (680 - v < viewH) {
        EXPECT_EQ(view.pixelColor(0, 680 - v), kGrey);
    }
    EXPECT_EQ(window->Source_rect, (TRect{h, v, 980, 680}));
    EXPECT_EQ(window->Dest_rect, (TRect{0, 0, 980 - h, 680 - v}));

    // A repaint shows the same part; scrolling back shows the first cells again.
    const QImage before = view.copy();
    window->QuarnPaint();
    EXPECT_EQ(window->Quarn->view().image(), before);
    window->HScrollBar->setValue(81);
    window->VScrollBar->setValue(54);
    EXPECT_EQ(window->Quarn->view().image().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(window->Quarn->grab().toImage().pixelColor(0, 0), QColor(Qt::blue));

    // Growing the window lowers the maximum and brings the view back inside the plan.
    setClientSize(window, 1100, 850);
    EXPECT_EQ(window->HScrollBar->maximum(), 0);
    EXPECT_EQ(window->Hpos_alt, 0);
    EXPECT_EQ(window->Vpos_alt, 0);
}

TEST_F(QuarnViewTest, ScreenSizesIncludeTheWindowFrame) {
    // Sized while hidden at the start, before the window system told us the frame: once shown the
    // frame, not the client area, has the start size.
    TMainForm* window = shownWindow();
    ASSERT_NE(window, nullptr);
    const QMargins frame = window->windowHandle()->frameMargins();
    ASSERT_FALSE(frame.isNull()) << "the platform reports no window frame";
    const QSize screen = window->screen()->size();
    EXPECT_EQ(window->frameGeometry().size(), QSize(screen.width() - 5, screen.height() - 35));

    struct Case {
        QAction* item;
        int w, h;
    };
    const Case cases[] = {{window->N640mal480, 640, 480},
                          {window->N800mal600, 800, 600},
                          {window->N1024mal768, 1024, 768},
                          {window->automatisch1, screen.width(), screen.height()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->objectName().toStdString());
        c.item->trigger();
        const QSize outer(c.w - 5, c.h - 35);
        EXPECT_EQ(window->frameGeometry().size(), outer);
        EXPECT_EQ(window->size(), outer.shrunkBy(frame));
        EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(2, 1));
        EXPECT_EQ(window->Screen_x, c.w);
        EXPECT_EQ(window->Screen_y, c.h);
        EXPECT_EQ(window->Formularbreit, outer.width() - frame.left() - frame.right());
        EXPECT_EQ(window->Formularhoch,
                  outer.height() - frame.top() - frame.bottom() - window->menuBar()->height());
        for (QAction* other :
             {window->automatisch1, window->N640mal480, window->N800mal600, window->N1024mal768})
            EXPECT_EQ(other->isChecked(), other == c.item) << other->objectName().toStdString();
    }
    // A frame larger than the figures leaves no client area, never a negative one.
    EXPECT_EQ(TMainForm::clientSizeForFrame(QSize(3, 50), QMargins(2, 30, 2, 30)), QSize(0, 0));
}

TEST_F(QuarnViewTest, LabelsAtAnyPositionDrawOnlyWhatReachesTheImage) {
    // The view shows the whole plan.
    TMainForm* window = shownWindow(QSize(1300, 1000));
    ASSERT_NE(window, nullptr);
    constexpr int Max = std::numeric_limits<int>::max();
    constexpr int Min = std::numeric_limits<int>::min();
    struct Case {
        int x, y;
        int hpos, vpos;   // scroll offsets
        bool onPlan;      // some of it is drawn on the plan bitmap
        bool inView;      // and in the view
        QPoint planProbe; // a point of the plan inside the label's box, when onPlan
    };
    const Case cases[] = {
        {Max, Max, 0, 0, false, false, {}},
        {Min, Min, 0, 0, false, false, {}},
        {Min, 10, 54, 27, false, false, {}},
        {10, Min, 54, 27, false, false, {}},
        {Max, 10, 54, 27, false, false, {}},
        {Max - 3, Max - 3, 0, 0, false, false, {}},
        {0, Max, 0, 0, false, false, {}},
        {-2, -2, 0, 0, true, true, {0, 0}},
        {970, 670, 0, 0, true, true, {975, 675}},
        // Scrolled past it: on the plan, but not in the view.
        {10, 10, 81, 54, true, false, {12, 12}},
        {10, 10, 0, 0, true, true, {12, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y) + " scrolled " +
                     std::to_string(c.hpos));
        window->Quarn_bitmap->fill(kGrey);
        window->Hpos_alt = c.hpos;
        window->Vpos_alt = c.vpos;
        window->QuarnPaint();
        const QImage viewBefore = window->Quarn->view().image().copy();
        TTextEntry label;
        label.TextInfo = "Bahnhof";
        label.XText = c.x;
        label.YText = c.y;
        EXPECT_TRUE(window->writeQuarnText(label));
        if (c.onPlan) {
            EXPECT_NE(window->Quarn_bitmap->pixelColor(c.planProbe), kGrey);
        } else {
            QImage grey(window->Quarn_bitmap->size(), window->Quarn_bitmap->format());
            grey.fill(kGrey);
            EXPECT_EQ(*window->Quarn_bitmap, grey);
        }
        EXPECT_EQ(window->Quarn->view().image() != viewBefore, c.inView);
    }
    window->Hpos_alt = window->Vpos_alt = 0;
    // The box on an image, reckoned without overflow.
    EXPECT_EQ(TMainForm::labelBox(Max, 0, QSize(50, 10), QSize(980, 680)), std::nullopt);
    EXPECT_EQ(TMainForm::labelBox(-50, 0, QSize(50, 10), QSize(980, 680)), std::nullopt);
    EXPECT_EQ(TMainForm::labelBox(-49, 679, QSize(50, 10), QSize(980, 680)), QRect(-49, 679, 50, 10));
}

} // namespace

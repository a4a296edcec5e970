#pragma once

// The main window shown with the whole plan in view, for the tests of the modes, the plan editor and
// plan operation: elements are put on the plan directly, pictures compared cell by cell, and the
// throttles stood in for by a recorder.

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "QuarnTestFolder.h"
#include "engine/Bahncalcunit.h"
#include "engine/Fahrunit.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"
#include "loco/ThrottleControls.h"
#include "texts/langunit.h"
#include "ui/PaintBoxWidget.h"

// Records what the window asks of the throttles; stopping may send a slot, as the real panel does.
class RecordingThrottles : public ThrottleControls {
public:
    ~RecordingThrottles() override {
        if (throttleControls() == this)
            setThrottleControls(nullptr);
    }
    void setupScrollBar(int Regler) override { calls.push_back("setup " + std::to_string(Regler)); }
    void setall_lokostop() override {
        calls.push_back("stop all");
        if (onStop)
            onStop();
    }
    std::vector<std::string> calls;
    std::function<void()> onStop;
};

class PlanEditorTest : public QuarnTestFolder {
protected:
    void SetUp() override {
        QuarnTestFolder::SetUp();
        window = startWindows();
        ASSERT_NE(window, nullptr);
        // The window's own throttle panel made itself the one in use; these tests record instead.
        setThrottleControls(&m_throttles);
        // Large enough for the whole plan: view and plan cells coincide.
        window->resize(1300, 1000);
        window->show();
        // Synchronous repaints reach a window only once it is exposed.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, PatienceMs));
        window->setPlanMenuState();
        m_dialogs.clear();
    }

    // A plan element of kind at (x, y), numbered and drawn as the editor would enter it.
    tPosEntry& place(int kind, int x, int y, int state = 1) {
        auto entry = std::make_unique<tPosEntry>();
        Postable->initializeEntry(++window->Anzahl, *entry);
        entry->Enummer = kind;
        entry->Posx = x;
        entry->Posy = y;
        entry->Stellung = state;
        tPosEntry& placed = *entry;
        Postable->addEntry(std::move(entry));
        Bahn->changeicon(state, x, y, kind);
        return placed;
    }

    // The picture of a cell: of the plan bitmap, or of the view at view position (x, y).
    QImage planCell(int x, int y) const {
        return window->Quarn_bitmap->copy(x, y, CellSize, CellSize).convertToFormat(QImage::Format_RGB32);
    }
    QImage viewCell(int x, int y) const {
        return window->Quarn->view()
            .image()
            .copy(x, y, CellSize, CellSize)
            .convertToFormat(QImage::Format_RGB32);
    }
    // The plan icon of kind in state, as the data folder holds it.
    QImage icon(int kind, int state) const {
        return QImage(QString::fromStdString(dataFile(Cbahn::iconFileName(kind, state))))
            .convertToFormat(QImage::Format_RGB32);
    }
    static QImage grey() {
        QImage cell(CellSize, CellSize, QImage::Format_RGB32);
        cell.fill(QColor(0xC0, 0xC0, 0xC0));
        return cell;
    }
    static QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

    // True when both layers show cell at plan cell (x, y) (the view is not scrolled).
    ::testing::AssertionResult shows(int x, int y, const QImage& cell) const {
        const bool onPlan = planCell(x, y) == rgb(cell);
        const bool onView = viewCell(x - window->Hpos_alt, y - window->Vpos_alt) == rgb(cell);
        if (onPlan && onView)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "cell (" << x << ", " << y << ") differs on the"
                                             << (onPlan ? "" : " plan bitmap") << (onView ? "" : " view");
    }

    std::string text(int number) const { return Lang->getmessage(number, window->Lang_id); }

    // Mouse shortcuts for the plan handlers: a press and release with the left button.
    void click(int x, int y, TShiftState held = {}) {
        window->QuarnMouseDown(TMouseButton::mbLeft, held | ssLeft, x, y);
        window->QuarnMouseUp(TMouseButton::mbLeft, held, x, y);
    }
    void rightClick(int x, int y) {
        window->QuarnMouseDown(TMouseButton::mbRight, ssRight, x, y);
        window->QuarnMouseUp(TMouseButton::mbRight, {}, x, y);
    }
    void press(int x, int y, TShiftState held = {}) {
        window->QuarnMouseDown(TMouseButton::mbLeft, held | ssLeft, x, y);
    }
    void move(int x, int y, TShiftState held = {}) { window->QuarnMouseMove(held | ssLeft, x, y); }
    void release(int x, int y, TShiftState held = {}) {
        window->QuarnMouseUp(TMouseButton::mbLeft, held, x, y);
    }
    // Picks the palette element of kind (its slot from the catalogue).
    void pick(int kind) {
        window->Design_PanelMouseDown(TMouseButton::mbLeft, ssLeft, Element->get_posx(kind - 1),
                                      Element->get_posy(kind - 1));
        ASSERT_TRUE(window->Symbol);
        ASSERT_EQ(window->Comp_nr, kind);
    }

    TMainForm* window = nullptr;
    RecordingThrottles m_throttles;
};

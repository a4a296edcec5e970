#pragma once

#include <QFlags>
#include <QWidget>
#include <functional>

#include "platform/qt/PaintBoxImage.h"

// The mouse as the handlers of the plan and the palette see it: the button of a press or release,
// and the keys and buttons held.
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20
};
Q_DECLARE_FLAGS(TShiftState, TShiftStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShiftState)

// The keys and buttons held, as a TShiftState.
TShiftState shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// A paint box: its picture lives in a view image of the box's own size, into which all drawing goes;
// painting only blits that image. When the box changes size the owner is told, so that it can fill
// the image anew (the plan view copies the visible part of the plan).
//
// Mouse events go to the owner's handlers with positions in the box. A press holds the pressed
// button in its state, a release no longer holds the released one; the second press of a double
// click arrives as a press. While a button is held the box keeps the mouse, so moves and the release
// may lie outside it.
class PaintBoxWidget : public QWidget {
    Q_OBJECT
public:
    using ButtonHandler = std::function<void(TMouseButton button, TShiftState shift, int x, int y)>;
    using MoveHandler = std::function<void(TShiftState shift, int x, int y)>;

    explicit PaintBoxWidget(QWidget* parent = nullptr);

    PaintBoxImage& view() { return m_view; }
    const PaintBoxImage& view() const { return m_view; }

    void setResizedCallback(std::function<void()> callback) { m_resized = std::move(callback); }
    void setMouseHandlers(ButtonHandler press, MoveHandler move, ButtonHandler release);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PaintBoxImage m_view;
    std::function<void()> m_resized;
    ButtonHandler m_press;
    MoveHandler m_move;
    ButtonHandler m_release;
};

#include "ui/PaintBoxWidget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <cmath>
#include <optional>

namespace {

std::optional<TMouseButton> mouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return TMouseButton::mbLeft;
    case Qt::RightButton:
        return TMouseButton::mbRight;
    case Qt::MiddleButton:
        return TMouseButton::mbMiddle;
    default:
        return std::nullopt;
    }
}

QPoint boxPosition(const QMouseEvent* event) {
    const QPointF p = event->position();
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

} // namespace

TShiftState shiftState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState state;
    state.setFlag(ssShift, modifiers.testFlag(Qt::ShiftModifier));
    state.setFlag(ssAlt, modifiers.testFlag(Qt::AltModifier));
    state.setFlag(ssCtrl, modifiers.testFlag(Qt::ControlModifier));
    state.setFlag(ssLeft, buttons.testFlag(Qt::LeftButton));
    state.setFlag(ssRight, buttons.testFlag(Qt::RightButton));
    state.setFlag(ssMiddle, buttons.testFlag(Qt::MiddleButton));
    return state;
}

PaintBoxWidget::PaintBoxWidget(QWidget* parent) : QWidget(parent) {
    // The view image covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The engine may block the GUI thread right after drawing (an accessory pulse), so what it drew
    // is put on the screen at once.
    m_view.setChangedCallback(
        [this](const TRect& area) { repaint(QRect(area.left, area.top, area.width(), area.height())); });
}

void PaintBoxWidget::setMouseHandlers(ButtonHandler press, MoveHandler move, ButtonHandler release) {
    m_press = std::move(press);
    m_move = std::move(move);
    m_release = std::move(release);
}

void PaintBoxWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, m_view.background());
    painter.drawImage(area.topLeft(), m_view.image(), area);
}

void PaintBoxWidget::resizeEvent(QResizeEvent* event) {
    m_view.resize(event->size());
    if (m_resized)
        m_resized();
}

void PaintBoxWidget::mousePressEvent(QMouseEvent* event) {
    const std::optional<TMouseButton> button = mouseButton(event->button());
    if (!button || !m_press)
        return QWidget::mousePressEvent(event);
    const QPoint p = boxPosition(event);
    m_press(*button, shiftState(event->modifiers(), event->buttons()), p.x(), p.y());
}

void PaintBoxWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!m_move)
        return QWidget::mouseMoveEvent(event);
    const QPoint p = boxPosition(event);
    m_move(shiftState(event->modifiers(), event->buttons()), p.x(), p.y());
}

void PaintBoxWidget::mouseReleaseEvent(QMouseEvent* event) {
    const std::optional<TMouseButton> button = mouseButton(event->button());
    if (!button || !m_release)
        return QWidget::mouseReleaseEvent(event);
    const QPoint p = boxPosition(event);
    m_release(*button, shiftState(event->modifiers(), event->buttons()), p.x(), p.y());
}

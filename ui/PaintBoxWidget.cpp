#include "ui/PaintBoxWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

PaintBoxWidget::PaintBoxWidget(QWidget* parent) : QWidget(parent) {
    // The view image covers every pixel, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The engine may block the GUI thread right after drawing (an accessory pulse), so what it drew
    // is put on the screen at once.
    m_view.setChangedCallback(
        [this](const TRect& area) { repaint(QRect(area.left, area.top, area.width(), area.height())); });
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

#include "platform/qtwidgets/ClickableImage.h"

#include <QMouseEvent>

ClickableImage::ClickableImage(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void ClickableImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    event->accept();
    emit pressed(event->button());
}

void ClickableImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !m_leftDown)
        return;
    m_leftDown = false;
    // A press dragged off the picture and let go elsewhere is no click.
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

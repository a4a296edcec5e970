#include "ui/Uhrunit.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

TUhrForm* UhrForm = nullptr;

TUhrForm::TUhrForm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("UhrForm");
    resize(152, 140);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void TUhrForm::closeEvent(QCloseEvent* event) {
    if (FormCanClose)
        event->accept();
    else
        event->ignore();
}

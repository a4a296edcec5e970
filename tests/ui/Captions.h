#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>

#include "ui/Quarnunit.h"

// The caption a control shows: a window's title, a menu item's, label's or button's text, a group
// box's title or a tab's text.
inline std::string caption(QWidget* window, const std::string& name) {
    if (window->objectName().toStdString() == name)
        return window->windowTitle().toStdString();
    if (auto* main = qobject_cast<TMainForm*>(window))
        if (QAction* item = main->menuAction(name))
            return item->text().toStdString();
    QWidget* widget = window->findChild<QWidget*>(QString::fromStdString(name));
    if (!widget) {
        ADD_FAILURE() << "no control " << name;
        return {};
    }
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text().toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return group->title().toStdString();
    for (QWidget* up = widget->parentWidget(); up; up = up->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(up); tabs && tabs->indexOf(widget) >= 0)
            return tabs->tabText(tabs->indexOf(widget)).toStdString();
    ADD_FAILURE() << "no caption on " << name;
    return {};
}

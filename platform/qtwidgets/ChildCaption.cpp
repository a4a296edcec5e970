#include "platform/qtwidgets/ChildCaption.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QTabWidget>

void setChildCaption(QWidget& window, const std::string& objectName, const std::string& text) {
    const QString caption = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QString name = QString::fromStdString(objectName);
    if (name == window.objectName()) {
        window.setWindowTitle(caption);
        return;
    }
    QWidget* widget = window.findChild<QWidget*>(name);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(caption);
        // A label placed by hand takes the size of its new text.
        label->adjustSize();
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(caption);
    } else if (widget) {
        // A tab widget keeps its pages in a stack below itself.
        auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget());
        auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
        if (tabs && tabs->indexOf(widget) >= 0)
            tabs->setTabText(tabs->indexOf(widget), caption);
    }
}

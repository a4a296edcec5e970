#include "platform/qtwidgets/ChildCaption.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <algorithm>

namespace {

bool managedByLayout(const QWidget& control) {
    const QWidget* parent = control.parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(&control) >= 0;
}

// Fits the captions of a container's own labels and buttons whenever Qt asks it to lay out its
// children: a child's caption changed or a child appeared while it is shown, or it is shown itself.
class CaptionFitter : public QObject {
public:
    explicit CaptionFitter(QWidget& container) : QObject(&container) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show)
            for (QWidget* child : static_cast<QWidget*>(watched)->findChildren<QWidget*>(
                     QString(), Qt::FindDirectChildrenOnly))
                fitCaption(*child);
        return false;
    }
};

} // namespace

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
        fitCaption(*label);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(caption);
        fitCaption(*button);
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

int captionWidth(const QWidget& control) {
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        if (label->text().isEmpty())
            return 0;
        const QMargins margins = label->contentsMargins();
        const int needed = label->fontMetrics().horizontalAdvance(label->text()) + margins.left() +
                           margins.right() + 2 * label->margin() + std::max(0, label->indent());
        // The label's own measure also counts what a rich or multi-line text needs.
        return std::max(needed, label->sizeHint().width());
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        if (button->text().isEmpty())
            return 0;
        // Not the button's size hint: styles give that a least width, which would widen the small
        // buttons ("+", "-") that are narrower by design.
        QStyleOptionButton option;
        option.initFrom(button);
        const QStyle* style = button->style();
        return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() +
               2 * style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    }
    return 0;
}

void fitCaption(QWidget& control) {
    const int needed = captionWidth(control);
    if (needed <= 0 || managedByLayout(control))
        return;
    // A control never sized by hand takes its natural size when first shown; take it now so that
    // what follows starts from the size it will have.
    if (!control.testAttribute(Qt::WA_Resized))
        control.adjustSize();
    if (control.width() >= needed)
        return;
    QRect place = control.geometry();
    const auto* label = qobject_cast<const QLabel*>(&control);
    const Qt::Alignment alignment = label ? label->alignment() : Qt::Alignment(Qt::AlignLeft);
    if (alignment & Qt::AlignRight)
        place.setLeft(place.right() + 1 - needed);
    else if (alignment & Qt::AlignHCenter)
        place.adjust(-(needed - place.width()) / 2, 0, (needed - place.width() + 1) / 2, 0);
    else
        place.setWidth(needed);
    control.setGeometry(place);
}

void keepCaptionsFitting(QWidget& container) {
    container.installEventFilter(new CaptionFitter(container));
}

void keepEnterForTheDefaultButton(QDialog& dialog) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (!button->isDefault())
            button->setAutoDefault(false);
}

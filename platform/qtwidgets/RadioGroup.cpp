#include "platform/qtwidgets/RadioGroup.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

QGroupBox* makeRadioGroup(QWidget* parent, const QString& name, const QString& title,
                          const QStringList& items, QButtonGroup*& group) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    auto* layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        button->setObjectName(QString("%1_%2").arg(name).arg(i));
        layout->addWidget(button);
        group->addButton(button, i);
    }
    return box;
}

int radioItem(const QButtonGroup* group) {
    return group->checkedId();
}

void setRadioItem(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group lets its checked button go only while it is not exclusive.
    if (QAbstractButton* checked = group->checkedButton()) {
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

#pragma once

#include <QString>
#include <QStringList>

class QButtonGroup;
class QGroupBox;
class QWidget;

// A radio group as one control: a group box titled title with one radio button per item, the items'
// ids being their indexes. The box is named name, its buttons name_0, name_1, ...
QGroupBox* makeRadioGroup(QWidget* parent, const QString& name, const QString& title,
                          const QStringList& items, QButtonGroup*& group);

// The index of the checked item, -1 for none.
int radioItem(const QButtonGroup* group);
// Checks item index; an index that names no item leaves every item unchecked.
void setRadioItem(QButtonGroup* group, int index);

#include "ui/timsetupunit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>

#include "platform/qtwidgets/ChildCaption.h"

TTimeForm* TimeForm = nullptr;

namespace {

TimeOfDaySource& timeOfDaySource() {
    static TimeOfDaySource source;
    return source;
}

QSpinBox* spinBox(QWidget* parent, const char* name, int minimum, int maximum, const QRect& place,
                  const char* what) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(minimum, maximum);
    box->setGeometry(place);
    box->setToolTip(what);
    box->setAccessibleName(what);
    return box;
}

QGroupBox* radioGroup(QWidget* parent, const char* name, const char* title, const QRect& place,
                      QButtonGroup*& items, const char* first, const char* second) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    box->setGeometry(place);
    items = new QButtonGroup(box);
    int id = 0;
    for (const char* text : {first, second}) {
        auto* button = new QRadioButton(text, box);
        button->setObjectName(QString("%1_%2").arg(name).arg(id));
        button->setGeometry(12, 22 + 24 * id, place.width() - 20, 22);
        items->addButton(button, id++);
    }
    return box;
}

void selectFirst(QButtonGroup* items) {
    if (QAbstractButton* button = items->button(0))
        button->setChecked(true);
}

} // namespace

QTime pcTimeOfDay() {
    const TimeOfDaySource& source = timeOfDaySource();
    return source ? source() : QTime::currentTime();
}

void setPcTimeOfDaySource(TimeOfDaySource source) {
    timeOfDaySource() = std::move(source);
}

TTimeForm::TTimeForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TimeForm");
    setWindowTitle("Time setup");
    setFixedSize(330, 260);

    udHours = spinBox(this, "udHours", 0, 23, QRect(24, 20, 70, 26), "Hours");
    udMin = spinBox(this, "udMin", 0, 59, QRect(130, 20, 70, 26), "Minutes");
    udSecs = spinBox(this, "udSecs", 0, 59, QRect(236, 20, 70, 26), "Seconds");
    rgServer = radioGroup(this, "rgServer", "Server", QRect(16, 64, 142, 82), rgServerItems, "PC clock",
                          "Zol server");
    rgSpeed =
        radioGroup(this, "rgSpeed", "Speed", QRect(172, 64, 142, 82), rgSpeedItems, "increase", "decrease");
    udSpeed = spinBox(this, "udSpeed", 1, 10, QRect(172, 156, 70, 26), "Speed factor");

    Button1 = new QPushButton("&Set", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(64, 210, 90, 30);
    Button2 = new QPushButton("&Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(176, 210, 90, 30);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    // Only the user's choice: the dialog sets the source itself when it appears.
    connect(rgServerItems, &QButtonGroup::idClicked, this, [this](int) { rgServerClick(); });
    // Set is no default: Enter in a field must not start the clock.
    keepEnterForTheDefaultButton(*this);
}

void TTimeForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TTimeForm::FormShow() {
    const QTime now = pcTimeOfDay();
    udHours->setValue(now.hour());
    udMin->setValue(now.minute());
    udSecs->setValue(now.second());
    Faktx = 1;
    Fakty = 1;
    selectFirst(rgSpeedItems);
    selectFirst(rgServerItems);
    // What choosing the PC clock does.
    rgSpeed->setEnabled(false);
    udSpeed->setEnabled(false);
    udSpeed->setValue(1);
}

void TTimeForm::rgServerClick() {
    const bool server = serverItem() == 1;
    rgSpeed->setEnabled(server);
    udSpeed->setEnabled(server);
    if (!server)
        udSpeed->setValue(1);
}

int TTimeForm::serverItem() const {
    return rgServerItems->checkedId();
}

int TTimeForm::speedItem() const {
    return rgSpeedItems->checkedId();
}

TDateTime TTimeForm::chosenTime() const {
    const int seconds = udHours->value() * 3600 + udMin->value() * 60 + udSecs->value();
    return seconds / 86400.0;
}

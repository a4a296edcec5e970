#pragma once

#include <QDialog>
#include <QTime>
#include <functional>

#include "srcp/SrcpGroups.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QShowEvent;
class QSpinBox;

// The PC's time of day as the time dialog and the clock window read it. Tests put a source of their
// own in; an empty source brings back the system clock.
using TimeOfDaySource = std::function<QTime()>;
QTime pcTimeOfDay();
void setPcTimeOfDaySource(TimeOfDaySource source);

// The set-up dialog of the model clock ("Time setup"), shown modally by Commands > Time: the start
// time, the clock's source and its speed. Created at program start and alive for the whole run.
class TTimeForm : public QDialog {
    Q_OBJECT
public:
    explicit TTimeForm(QWidget* parent = nullptr);

    // Runs each time the dialog appears: the PC's time, the PC clock, speed 1.
    void FormShow();
    // The user chose a source: the speed only counts for the server's clock.
    void rgServerClick();

    // The item chosen in rgServer (0 "PC clock", 1 "Zol server") and in rgSpeed (0 "increase",
    // 1 "decrease"); -1 for none.
    int serverItem() const;
    int speedItem() const;
    // The time of day the three boxes give, as a day fraction (date part 0).
    TDateTime chosenTime() const;

    QSpinBox* udHours = nullptr;
    QSpinBox* udMin = nullptr;
    QSpinBox* udSecs = nullptr;
    QGroupBox* rgServer = nullptr;
    QButtonGroup* rgServerItems = nullptr;
    QGroupBox* rgSpeed = nullptr;
    QButtonGroup* rgSpeedItems = nullptr;
    QSpinBox* udSpeed = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    // The start time of day (date part 0), the clock's multiplicator and divisor, and whether the
    // server's clock is the time source. Set by Commands > Time from the controls.
    TDateTime Settime = 0.0;
    int Faktx = 1;
    int Fakty = 1;
    bool ZolMaster = false;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TTimeForm* TimeForm;

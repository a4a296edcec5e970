#pragma once

#include <QDialog>

// The joystick window of the DirectInput back-end, shown modally by Setup > Joystick test. Created at
// program start and alive for the whole run.
class TJoyDxForm : public QDialog {
    Q_OBJECT
public:
    explicit TJoyDxForm(QWidget* parent = nullptr);
};

extern TJoyDxForm* JoyDxForm;

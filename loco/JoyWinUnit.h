#pragma once

#include <QDialog>

// The joystick window of the Windows joystick back-end, shown modally by Setup > Joystick test.
// Created at program start and alive for the whole run.
class TJoyWinForm : public QDialog {
    Q_OBJECT
public:
    explicit TJoyWinForm(QWidget* parent = nullptr);
};

extern TJoyWinForm* JoyWinForm;

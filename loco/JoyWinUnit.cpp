#include "loco/JoyWinUnit.h"

TJoyWinForm* JoyWinForm = nullptr;

TJoyWinForm::TJoyWinForm(QWidget* parent) : QDialog(parent) {
    setObjectName("JoyWinForm");
    setWindowTitle("JoyWinForm");
    resize(420, 360);
}

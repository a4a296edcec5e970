#include "loco/JoyDxUnit.h"

TJoyDxForm* JoyDxForm = nullptr;

TJoyDxForm::TJoyDxForm(QWidget* parent) : QDialog(parent) {
    setObjectName("JoyDxForm");
    setWindowTitle("JoyDxForm");
    resize(420, 360);
}

#include "ui/Infounit.h"

TInfoForm* InfoForm = nullptr;

TInfoForm::TInfoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("InfoForm");
    setWindowTitle("Info");
    resize(300, 200);
}

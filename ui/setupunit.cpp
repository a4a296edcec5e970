#include "ui/setupunit.h"

TSetupForm* SetupForm = nullptr;

TSetupForm::TSetupForm(QWidget* parent) : QDialog(parent) {
    setObjectName("SetupForm");
    setWindowTitle("Quarn setup");
    resize(513, 454);
}

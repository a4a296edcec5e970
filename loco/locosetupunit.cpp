#include "loco/locosetupunit.h"

TLocoForm* LocoForm = nullptr;

TLocoForm::TLocoForm(QWidget* parent) : QDialog(parent) {
    setObjectName("LocoForm");
    setWindowTitle("Loco setup");
    resize(560, 420);
}

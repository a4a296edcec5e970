#include "ui/timsetupunit.h"

TTimeForm* TimeForm = nullptr;

TTimeForm::TTimeForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TimeForm");
    setWindowTitle("Time setup");
    resize(330, 260);
}

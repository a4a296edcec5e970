#include "ui/Assistunit.h"

TAssistForm* AssistForm = nullptr;

TAssistForm::TAssistForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AssistForm");
    setWindowTitle("Quarn Assistent");
    resize(420, 320);
}

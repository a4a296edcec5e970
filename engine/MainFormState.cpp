#include "engine/MainFormState.h"

#include <stdexcept>

#include "texts/langunit.h"

TMainFormState* MainForm = nullptr;

TMainFormState& form() {
    if (!MainForm)
        throw std::logic_error("the main window's state is not set");
    return *MainForm;
}

bool debugOn() {
    return MainForm && MainForm->Debug;
}

std::string uiText(int number) {
    return Lang ? Lang->getmessage(number, MainForm ? MainForm->Lang_id : 1) : std::string();
}

#include "engine/MainFormState.h"

#include <stdexcept>

TMainFormState* MainForm = nullptr;

TMainFormState& form() {
    if (!MainForm)
        throw std::logic_error("the main window's state is not set");
    return *MainForm;
}

bool debugOn() {
    return MainForm && MainForm->Debug;
}

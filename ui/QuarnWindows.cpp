#include "ui/QuarnWindows.h"

#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "loco/locosetupunit.h"
#include "ui/Assistunit.h"
#include "ui/Debugunit.h"
#include "ui/Infounit.h"
#include "ui/Quarnunit.h"
#include "ui/Uhrunit.h"
#include "ui/setupunit.h"
#include "ui/timsetupunit.h"

bool createQuarnWindows() {
    auto* main = new TMainForm;
    if (main->startupFailed())
        return false;
    DebugForm = new TDebugForm;
    LocoForm = new TLocoForm;
    SetupForm = new TSetupForm;
    // It belongs to the main window, so that the window system keeps it in front of it.
    AssistForm = new TAssistForm(main);
    JoyWinForm = new TJoyWinForm;
    InfoForm = new TInfoForm;
    JoyDxForm = new TJoyDxForm;
    UhrForm = new TUhrForm;
    TimeForm = new TTimeForm;
    return true;
}

namespace {

template <typename T> void freeWindow(T*& window) {
    delete window;
    window = nullptr;
}

} // namespace

void freeQuarnWindows() {
    freeWindow(TimeForm);
    freeWindow(UhrForm);
    freeWindow(JoyDxForm);
    freeWindow(InfoForm);
    freeWindow(JoyWinForm);
    freeWindow(AssistForm);
    freeWindow(SetupForm);
    freeWindow(LocoForm);
    freeWindow(DebugForm);
    // The main window clears MainForm itself when it goes.
    delete mainWindow();
}

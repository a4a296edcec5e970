// The program Quarn: a control program for digital model railways.

#include "engine/MainFormState.h"
#include "engine/SRCP08unit.h"
#include "engine/initunit.h"
#include "loco/JoyCalibrationUnit.h"
#include "loco/JoystickUnit.h"
#include "platform/DialogService.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/qt/QtDispatcher.h"
#include "platform/qtwidgets/QtDialogService.h"
#include "srcp/MoBaLibrary.h"
#include "srcp/SrcpClnt.h"
#include "ui/QuarnApplication.h"
#include "ui/QuarnWindows.h"
#include "ui/Quarnunit.h"

int main(int argc, char** argv) {
    ignoreFileSizeSignal();
    QuarnApplication app(argc, argv);
    // Closing the main window ends the program, whatever other windows are still open.
    app.setQuitOnLastWindowClosed(false);

    QtDispatcher dispatcher;
    setMainThreadDispatcher(&dispatcher);
    QtDialogService dialogService;
    setDialogService(&dialogService);
    MoBaLibraryInitialize(workFolder());
    createAccessoryProtocols();
    // The joystick driver is made with the other global objects and takes the DirectInput entry
    // looked up here; nodes the input layer cannot open are told in the debug window.
    lookUpDirectInput8();
    setJoystickLifecycle(createJoystick, releaseJoystick);
    setInputDebugSink([](const std::string& line) {
        if (debugOn())
            form().debugLine(line);
    });
    TJoyCalibrationForm calibration;
    setCalibrationView(&calibration);
    // What a handler of the server's INFO lines lets escape is shown as the default handler would.
    SetSRCPExceptionReporter(showExceptionText);

    int status = 1;
    if (createQuarnWindows()) {
        TMainForm* window = mainWindow();
        QObject::connect(window, &TMainForm::closedForGood, &app, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        window->show();
        status = app.exec();
    }
    freeQuarnWindows();
    setCalibrationView(nullptr);
    setInputDebugSink(nullptr);

    SetSRCPExceptionReporter(nullptr);
    freeAccessoryProtocols();
    MoBaLibraryFinalize();
    setDialogService(nullptr);
    setMainThreadDispatcher(nullptr);
    return status;
}

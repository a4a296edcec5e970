#include "ui/QuarnApplication.h"

#include <exception>

#include "platform/DialogService.h"

QuarnApplication::QuarnApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Quarn");
}

bool QuarnApplication::notify(QObject* receiver, QEvent* event) {
    return notifyGuarded(this, receiver, event);
}

bool QuarnApplication::notifyGuarded(QApplication* app, QObject* receiver, QEvent* event) {
    try {
        return app->QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    } catch (...) {
        showExceptionText("Unknown exception");
    }
    return false;
}

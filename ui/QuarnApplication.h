#pragma once

#include <QApplication>
#include <string>

#include "platform/DialogService.h"

// The application object. Its notify is the program's default exception handler: an exception that
// no handler caught is shown in a box and the message loop goes on.
class QuarnApplication : public QApplication {
    Q_OBJECT
public:
    QuarnApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Delivers event through app's base notify; an exception on the way is shown and the event
    // counts as not handled.
    static bool notifyGuarded(QApplication* app, QObject* receiver, QEvent* event);
};

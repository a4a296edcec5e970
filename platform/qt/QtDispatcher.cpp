#include "platform/qt/QtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void QtDispatcher::post(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !fn)
        return;
    // Queued on the application object: a closure still waiting when it is destroyed never runs.
    QMetaObject::invokeMethod(
        app, [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

bool QtDispatcher::isMainThread() const {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

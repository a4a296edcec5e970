#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

// Runs act on the next modal dialog of type T once it is open.
template <class T> void whenOpen(std::function<void(T*)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget()))
            act(dialog);
        else
            whenOpen<T>(act);
    });
}

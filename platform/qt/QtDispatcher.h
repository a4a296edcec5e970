#pragma once

#include "platform/MainThreadDispatcher.h"

// Runs posted closures on the thread of the Qt application object, through its event queue. The
// application object must exist while closures are posted; once it is gone they are dropped.
class QtDispatcher : public MainThreadDispatcher {
public:
    void post(std::function<void()> fn) override;
    bool isMainThread() const override;
};

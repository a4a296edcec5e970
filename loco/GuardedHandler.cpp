#include "loco/GuardedHandler.h"

#include <exception>

#include "platform/DialogService.h"

void runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    } catch (...) {
        showExceptionText("Unknown exception");
    }
}

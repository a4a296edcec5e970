#include "loco/GuardedHandler.h"

#include <exception>

#include "platform/DialogService.h"

void runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        dialogs().message("Quarn", e.what(), MessageIcon::Stop);
    } catch (...) {
        dialogs().message("Quarn", "Unknown exception", MessageIcon::Stop);
    }
}

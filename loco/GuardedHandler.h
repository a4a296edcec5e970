#pragma once

#include <functional>

// Runs an event handler of the throttles or the loco dialog from a Qt signal. Qt's widget code is
// built without exception support and cannot pass a failure on: what it holds on the way would leak
// or stay half changed. So a failure ends the handler here and is shown as the program's default
// handler shows it, the exception's text in a box with the stop icon, and the event loop goes on.
// Called directly, the handlers still throw to their callers.
void runGuarded(const std::function<void()>& handler);

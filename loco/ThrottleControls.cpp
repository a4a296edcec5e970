#include "loco/ThrottleControls.h"

namespace {
ThrottleControls* g_throttles = nullptr;
}

ThrottleControls* throttleControls() {
    return g_throttles;
}

void setThrottleControls(ThrottleControls* controls) {
    g_throttles = controls;
}

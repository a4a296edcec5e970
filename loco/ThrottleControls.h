#pragma once

// What the mode commands, plan operation and the loco dialog ask of the ten throttles of the throttle
// panel. The panel makes itself the one in use while it lives; without it (engine tests, a window
// under construction) the requests do nothing. Runs on the GUI thread.
class ThrottleControls {
public:
    virtual ~ThrottleControls() = default;

    // Prepares throttle Regler (0..9) from its loco slot: label, bar range and position, arrow, icons.
    virtual void setupScrollBar(int Regler) = 0;
    // Brings all ten throttles to rest and sends each live slot's stop.
    virtual void setall_lokostop() = 0;
};

ThrottleControls* throttleControls();
// nullptr: none in use.
void setThrottleControls(ThrottleControls* controls);

#pragma once

#include <algorithm>
#include <iterator>
#include <string>

// How a loco protocol shows and works the direction, for the throttles and the joystick keys.
enum class DirectionKind {
    TwoWay, // the direction is 0 or 1 and shown by an arrow
    Toggle, // "M1": the decoder toggles; one double arrow
    None,   // "NB" and anything unknown
};

inline DirectionKind directionKind(const std::string& protocol) {
    static const char* const twoWay[] = {"M2", "M3", "M4", "M5", "N1", "N2", "N3", "N4", "N5"};
    if (std::find(std::begin(twoWay), std::end(twoWay), protocol) != std::end(twoWay))
        return DirectionKind::TwoWay;
    return protocol == "M1" ? DirectionKind::Toggle : DirectionKind::None;
}

// The arrow for a direction: "pfeil_li.bmp" for 1, "pfeil_re.bmp" for anything else.
inline const char* arrowOf(DirectionKind kind, int direction) {
    if (kind == DirectionKind::Toggle)
        return "pfeil_dop.bmp";
    return direction == 1 ? "pfeil_li.bmp" : "pfeil_re.bmp";
}

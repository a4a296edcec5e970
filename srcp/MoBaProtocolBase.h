#pragma once

#include <cstdint>

// Protocol family of the device model. It lives in a header of its own because the SRCP
// vocabulary translates to and from it, and the device model sits above the vocabulary.
// The ordinals are stored in data files (a loco slot's protocol type), so the order is fixed.
enum TMoBaProtocolBase : std::uint8_t {
    mpbCustom,
    mpbAnalog,
    mpbFleischmann,
    mpbLoconet,
    mpbMotorola,
    mpbNMRA,
    mpbSelectrix,
    mpbZimo,
};

inline constexpr int MoBaProtocolBaseCount = mpbZimo + 1;

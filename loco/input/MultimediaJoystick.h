#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "loco/input/GameController.h"

// The multimedia joystick functions the Windows-style back-end calls, over the kernel's game
// controllers: number 0 is the first controller of the enumeration (node order), 1 the second.

constexpr std::uint32_t JOYERR_NOERROR = 0;
constexpr std::uint32_t JOYERR_PARMS = 165;     // a number outside 0..15, a wrong size or no record
constexpr std::uint32_t JOYERR_UNPLUGGED = 167; // no controller with that number, or it was lost

constexpr std::uint32_t JOY_RETURNY = 2;
constexpr std::uint32_t JOY_RETURNZ = 4;
constexpr std::uint32_t JOY_RETURNBUTTONS = 128;

// The capability record, 404 bytes as callers size it. The ranges are those the positions are
// reported in: 0..65535 for an axis the controller has, 0 and 0 for one it lacks.
struct JoyCapsA {
    std::uint16_t wMid;
    std::uint16_t wPid;
    char szPname[32];
    std::uint32_t wXmin;
    std::uint32_t wXmax;
    std::uint32_t wYmin;
    std::uint32_t wYmax;
    std::uint32_t wZmin;
    std::uint32_t wZmax;
    std::uint32_t wNumButtons;
    std::uint8_t reserved[340];
};
static_assert(sizeof(JoyCapsA) == 404);

// The position record, 52 bytes; dwSize must say so. dwFlags selects what is written: Y, Z and the
// button mask (bit k - 1 for button k).
struct JoyInfoEx {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwXpos;
    std::uint32_t dwYpos;
    std::uint32_t dwZpos;
    std::uint32_t dwButtons;
    std::uint32_t reserved[7];
};
static_assert(sizeof(JoyInfoEx) == 52);

std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JoyCapsA* pjc, std::uint32_t cbjc);
std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JoyInfoEx* pji);

// The controllers these functions keep open between calls. A number that is not open makes a call
// enumerate again when the input folder changed since the last enumeration (and the first call after
// a controller was lost always), so a controller plugged in again is found and polls without one
// open no node.
class MultimediaJoysticks {
public:
    // The controller with that number, refreshed; nullptr when there is none or it was lost.
    GameController* controller(DeviceSource& source, std::uint32_t number);

private:
    std::vector<std::unique_ptr<GameController>> m_open;
    bool m_scanned = false;
    std::uint64_t m_scannedGeneration = 0;
};

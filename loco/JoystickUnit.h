#pragma once

// The joystick driver is Qt-free and lives with the input layer; the program includes it from here.
#include "loco/input/JoystickUnit.h"

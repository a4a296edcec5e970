#include "engine/Fahrunit.h"

C_fahr* Fahr = nullptr;

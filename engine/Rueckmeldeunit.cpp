#include "engine/Rueckmeldeunit.h"

C_rueckmodul* Rueckmodul = nullptr;

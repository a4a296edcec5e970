#include "engine/MainFormState.h"

TMainFormState* MainForm = nullptr;

#pragma once

// The ten windows of the program, created in their fixed order and alive for the whole run: the
// main window first, then DebugForm, LocoForm, SetupForm, AssistForm, JoyWinForm, InfoForm,
// JoyDxForm, UhrForm, TimeForm. Returns false, with nothing but the main window made, when the main
// window's start-up failed; freeQuarnWindows must then still be called.
bool createQuarnWindows();
// Frees the windows, the last created first, so that the main window (and with it the global objects)
// goes last. Safe to call when some or none exist.
void freeQuarnWindows();

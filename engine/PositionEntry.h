#pragma once

#include <string>

struct TElementEntry;
struct TTextEntry;

// One element placed on the plan.
struct tPosEntry {
    int CompID = 0;
    int Enummer = 0;
    int Posx = 0, Posy = 0;
    int Stellung = 0;
    int Decod1 = 0, Decod2 = 0, Decod3 = 0;
    int Daten1 = 0, Daten2 = 0, Daten3 = 0;
    int Fahrnr = 0;
    std::string Protokoll;
    TTextEntry* Text = nullptr;
    int Refposx = 0, Refposy = 0;
    TElementEntry* Element = nullptr;
};

#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QFont>

#include "platform/qt/Colors.h"

struct TElementEntry;

// A font as the plan's text labels keep it: Qt's font plus the colour, which Qt keeps apart.
class ColoredFont : public QFont {
public:
    ColoredFont() = default;
    explicit ColoredFont(const QFont& font, TColor color = clWindowText) : QFont(font), Color(color) {}

    TColor Color = clWindowText;
};

// One text label of the plan.
struct TTextEntry {
    std::unique_ptr<ColoredFont> TextFont; // owned by the label
    int Textwkl = 0;
    std::string TextInfo;
    int XText = 0, YText = 0;
    std::string Name;
};

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

using TTextList = std::vector<std::unique_ptr<TTextEntry>>;
// Refers to entries of the position table; never owns them.
using TMoveList = std::vector<tPosEntry*>;

// The elements placed on the plan. Lookup by position takes the last match, removal the first.
class C_Position {
public:
    C_Position() = default;
    ~C_Position() = default;
    C_Position(const C_Position&) = delete;
    C_Position& operator=(const C_Position&) = delete;

    // Appends and takes ownership; -1 for a null entry (nothing appended), else 0.
    int addEntry(std::unique_ptr<tPosEntry> entry);
    // Removes and frees the first entry at (x, y); 0 when one was removed, else -1.
    int delEntry(int x, int y);
    // The entry at list index n; null outside the list.
    tPosEntry* getEntryByNum(int n) const;
    // The last entry at (x, y); null when there is none.
    tPosEntry* getEntryByKor(int x, int y) const;
    int getNumbofEntries() const;
    void initializeEntry(int CompID, tPosEntry& entry) const;
    // Frees every entry, last first.
    void EmptyQuarnList();

    std::vector<std::unique_ptr<tPosEntry>> Poslist;
};

extern C_Position* Postable;

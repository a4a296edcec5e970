#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ColoredFont.h"
#include "engine/PositionEntry.h"

// One text label of the plan.
struct TTextEntry {
    std::unique_ptr<ColoredFont> TextFont; // owned by the label
    int Textwkl = 0;
    std::string TextInfo;
    int XText = 0, YText = 0;
    std::string Name;
};

using TTextList = std::vector<std::unique_ptr<TTextEntry>>;
// Refers to entries of the position table; never owns them.
using TMoveList = std::vector<tPosEntry*>;

// The elements placed on the plan. Lookup by position takes the last match, removal the first.
//
// Whoever keeps something derived from the table (the feedback evaluation keeps its detectors by
// module and contact) compares generation() with the value it built from: adding, removing and
// emptying change it by themselves. Code that changes an entry's kind (Enummer) or its feedback
// address (Decod1, Daten1) in place calls addressChanged() afterwards. GUI thread only.
class C_Position {
public:
    C_Position();
    ~C_Position() = default;
    C_Position(const C_Position&) = delete;
    C_Position& operator=(const C_Position&) = delete;

    // Appends and takes ownership; -1 for a null entry (nothing appended), else 0.
    int addEntry(std::unique_ptr<tPosEntry> entry);
    // Puts an entry back at list index n (at the end when n is past it), as a drag that is called off
    // restores the element it took away; -1 for a null entry, else 0.
    int insertEntry(std::size_t n, std::unique_ptr<tPosEntry> entry);
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

    // The entries in list order.
    const std::vector<std::unique_ptr<tPosEntry>>& entries() const { return Poslist; }

    // Tells the table that an entry's kind or feedback address was changed in place.
    void addressChanged();
    // Differs after every change of the table's entries or their addresses; never the same for
    // two tables.
    std::uint64_t generation() const { return m_generation; }

private:
    void changed();

    std::vector<std::unique_ptr<tPosEntry>> Poslist;
    std::uint64_t m_generation = 0;
};

extern C_Position* Postable;

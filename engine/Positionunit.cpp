#include "engine/Positionunit.h"

#include <algorithm>
#include <atomic>

#include "engine/MainFormState.h"

C_Position* Postable = nullptr;

namespace {

// One count for every table, so that a new table never repeats an old one's generation.
std::uint64_t nextGeneration() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

} // namespace

C_Position::C_Position() : m_generation(nextGeneration()) {}

void C_Position::changed() {
    m_generation = nextGeneration();
}

void C_Position::addressChanged() {
    changed();
}

int C_Position::addEntry(std::unique_ptr<tPosEntry> entry) {
    if (!entry)
        return -1;
    Poslist.push_back(std::move(entry));
    changed();
    return 0;
}

int C_Position::insertEntry(std::size_t n, std::unique_ptr<tPosEntry> entry) {
    if (!entry)
        return -1;
    Poslist.insert(Poslist.begin() + static_cast<std::ptrdiff_t>(std::min(n, Poslist.size())),
                   std::move(entry));
    changed();
    return 0;
}

int C_Position::delEntry(int x, int y) {
    int result = -1;
    for (auto it = Poslist.begin(); it != Poslist.end(); ++it) {
        if ((*it)->Posx == x && (*it)->Posy == y) {
            Poslist.erase(it);
            changed();
            result = 0;
            break;
        }
    }
    if (debugOn())
        MainForm->debugLine("Anzahl der Elemente in Quarnlist :" + std::to_string(Poslist.size()));
    return result;
}

tPosEntry* C_Position::getEntryByNum(int n) const {
    if (n < 0 || static_cast<std::size_t>(n) >= Poslist.size())
        return nullptr;
    return Poslist[static_cast<std::size_t>(n)].get();
}

tPosEntry* C_Position::getEntryByKor(int x, int y) const {
    for (auto it = Poslist.rbegin(); it != Poslist.rend(); ++it)
        if ((*it)->Posx == x && (*it)->Posy == y)
            return it->get();
    return nullptr;
}

int C_Position::getNumbofEntries() const {
    return static_cast<int>(Poslist.size());
}

void C_Position::initializeEntry(int CompID, tPosEntry& entry) const {
    tPosEntry fresh;
    fresh.CompID = CompID;
    fresh.Stellung = 1;
    fresh.Protokoll.assign(1, 'M');
    entry = std::move(fresh);
}

void C_Position::EmptyQuarnList() {
    while (!Poslist.empty())
        Poslist.pop_back();
    changed();
}

#include "engine/Fahrunit.h"

#include <algorithm>

#include "engine/Bahncalcunit.h"
#include "engine/MainFormState.h"
#include "engine/PlanFile.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"

C_fahr* Fahr = nullptr;

namespace {

bool matches(const C_fahrelement& e, int Fahrnr, int Xpos, int Ypos) {
    return e.Fahrnr == Fahrnr && e.Xpos == Xpos && e.Ypos == Ypos;
}

Cbahn& bahn() {
    if (!Bahn)
        throw std::logic_error("the plan service does not exist");
    return *Bahn;
}

// A kind with more than one state; kinds outside the catalogue never are.
bool isSwitchable(int kind) {
    return Element && isCatalogueKind(kind) && Element->get_art(kind - 1) > 1;
}

tPosEntry* planEntryAt(int x, int y) {
    return Postable ? Postable->getEntryByKor(x, y) : nullptr;
}

// Index walk over a copy of each element: drawing and switching do not touch the list, but stay
// safe if they ever did.
template <class Action>
void forEachOfRoute(const std::vector<std::unique_ptr<C_fahrelement>>& list, int Fahrnr, Action action) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        const C_fahrelement e = *list[i];
        if (e.Fahrnr == Fahrnr)
            action(e);
    }
}

} // namespace

void C_fahr::fahreintragen(int Fahrnr, int Gleisnr, int Xpos, int Ypos, int Stellung) {
    if (fahrsuchen(Fahrnr, Xpos, Ypos))
        return;
    auto e = std::make_unique<C_fahrelement>();
    e->Fahrnr = Fahrnr;
    e->Gleiselementnr = Gleisnr;
    e->Xpos = Xpos;
    e->Ypos = Ypos;
    e->Stellung = Stellung;
    Fahrlist.push_back(std::move(e));
}

int C_fahr::fahrsuchen(int Fahrnr, int Xpos, int Ypos) const {
    for (const auto& e : Fahrlist)
        if (matches(*e, Fahrnr, Xpos, Ypos))
            return 1;
    return 0;
}

int C_fahr::getstellung(int Fahrnr, int Xpos, int Ypos) const {
    int stellung = 0;
    for (const auto& e : Fahrlist)
        if (matches(*e, Fahrnr, Xpos, Ypos))
            stellung = e->Stellung;
    return stellung;
}

void C_fahr::setstellung(int Fahrnr, int Xpos, int Ypos, int Stellung) {
    for (const auto& e : Fahrlist)
        if (matches(*e, Fahrnr, Xpos, Ypos))
            e->Stellung = Stellung;
}

void C_fahr::fahrdel(int Fahrnr, int Xpos, int Ypos) {
    std::erase_if(Fahrlist, [&](const auto& e) { return matches(*e, Fahrnr, Xpos, Ypos); });
}

void C_fahr::fahrtotdel(int Fahrnr) {
    std::erase_if(Fahrlist, [&](const auto& e) { return e->Fahrnr == Fahrnr; });
    if (Postable)
        for (const auto& entry : Postable->entries())
            if (entry->Fahrnr == Fahrnr)
                entry->Fahrnr = 0;
    if (MainForm)
        MainForm->Knopf.set(Fahrnr, false);
}

int C_fahr::readgleisnr(int Fahrnr) const {
    return static_cast<int>(
        std::count_if(Fahrlist.begin(), Fahrlist.end(), [&](const auto& e) { return e->Fahrnr == Fahrnr; }));
}

C_fahrelement* C_fahr::getEntryByNum(int Nr) const {
    if (Nr < 0 || static_cast<std::size_t>(Nr) >= Fahrlist.size())
        return nullptr;
    return Fahrlist[static_cast<std::size_t>(Nr)].get();
}

int C_fahr::getnumerofEntries() const {
    return static_cast<int>(Fahrlist.size());
}

bool C_fahr::reserveRoute() {
    if (Anz_strassen >= MaxRouteNumber)
        return false;
    ++Anz_strassen;
    return true;
}

void C_fahr::fahraktivieren(int Fahrnr) {
    forEachOfRoute(Fahrlist, Fahrnr, [](const C_fahrelement& e) {
        const tPosEntry* plan = planEntryAt(e.Xpos, e.Ypos);
        if (!plan || !isSwitchable(plan->Enummer))
            return;
        const int s = e.Stellung - 10;
        if (s < 1 || s > 3)
            return;
        const int decoder = s == 1 ? plan->Decod1 : s == 2 ? plan->Decod2 : plan->Decod3;
        const int output = s == 1 ? plan->Daten1 : s == 2 ? plan->Daten2 : plan->Daten3;
        const std::string protocol = plan->Protokoll;
        bahn().changeicon(s, e.Xpos, e.Ypos, plan->Enummer);
        if (output >= 1 && output <= 8)
            bahn().ga_out(protocol, decoder, output);
    });
}

void C_fahr::fahrdeaktiv(int Fahrnr) {
    forEachOfRoute(Fahrlist, Fahrnr, [](const C_fahrelement& e) {
        const tPosEntry* plan = planEntryAt(e.Xpos, e.Ypos);
        if (plan && isSwitchable(plan->Enummer))
            bahn().changeicon(e.Stellung, e.Xpos, e.Ypos, plan->Enummer);
    });
}

void C_fahr::fahrstrasseniconchange(int Fahrnr) {
    forEachOfRoute(Fahrlist, Fahrnr, [](const C_fahrelement& e) {
        const int kind = bahn().poslistsuchen(e.Xpos, e.Ypos);
        if (kind > 0)
            bahn().changeicon(e.Stellung, e.Xpos, e.Ypos, kind);
    });
}

void C_fahr::normaleiconchange(int Fahrnr) {
    forEachOfRoute(Fahrlist, Fahrnr, [](const C_fahrelement& e) {
        // A plan file may hold a state that names no icon; it is shown as state 1, as on loading.
        if (const tPosEntry* plan = planEntryAt(e.Xpos, e.Ypos))
            bahn().changeicon(drawnPlanState(plan->Stellung), e.Xpos, e.Ypos, plan->Enummer);
    });
    alleknopfaus();
}

void C_fahr::knopfan(int x, int y) {
    const int kind = bahn().poslistsuchen(x, y);
    if (kind > 0)
        bahn().changeicon(11, x, y, kind);
}

void C_fahr::alleknopfaus() {
    if (!Postable)
        return;
    for (std::size_t i = 0; i < Postable->entries().size(); ++i) {
        const tPosEntry& entry = *Postable->entries()[i];
        if (entry.Fahrnr > 0)
            bahn().changeicon(1, entry.Posx, entry.Posy, bahn().poslistsuchen(entry.Posx, entry.Posy));
    }
}

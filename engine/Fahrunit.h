#pragma once

#include <memory>
#include <vector>

#include "engine/RouteElement.h"

// The route table: every route of the plan as one flat list. An element is keyed by route number
// and position; the plan entry it stands for is the one the position table finds there.
// GUI thread only.
class C_fahr {
public:
    C_fahr() = default;
    C_fahr(const C_fahr&) = delete;
    C_fahr& operator=(const C_fahr&) = delete;

    // Appends an element unless route Fahrnr already holds one at (Xpos, Ypos).
    void fahreintragen(int Fahrnr, int Gleisnr, int Xpos, int Ypos, int Stellung);
    // 1 when route Fahrnr holds an element at (Xpos, Ypos), else 0.
    int fahrsuchen(int Fahrnr, int Xpos, int Ypos) const;
    // Stellung of the last such element; 0 when there is none.
    int getstellung(int Fahrnr, int Xpos, int Ypos) const;
    // Sets Stellung of every such element.
    void setstellung(int Fahrnr, int Xpos, int Ypos, int Stellung);
    // Removes every such element.
    void fahrdel(int Fahrnr, int Xpos, int Ypos);
    // Deletes route Fahrnr: its elements, the route number of its buttons and its Knopf flag.
    void fahrtotdel(int Fahrnr);
    // The number of elements of route Fahrnr.
    int readgleisnr(int Fahrnr) const;
    // The element at list index Nr; null outside the list.
    C_fahrelement* getEntryByNum(int Nr) const;
    // The number of elements of all routes.
    int getnumerofEntries() const;
    // Counts the route counter on to the number of a new route. False, and the counter stays, when
    // it stands at MaxRouteNumber already.
    bool reserveRoute();

    // Sets the route: each element of a switchable kind is drawn in its route state and that
    // state's accessory output is switched (an element without an output is only drawn).
    void fahraktivieren(int Fahrnr);
    // Releases the route: its switchable elements are drawn with their route icons; nothing is
    // switched.
    void fahrdeaktiv(int Fahrnr);
    // Draws every element of the route with its route icon.
    void fahrstrasseniconchange(int Fahrnr);
    // Draws every element of the route in its current plan state, then every button released.
    void normaleiconchange(int Fahrnr);
    // Draws the route button at (x, y) pressed.
    void knopfan(int x, int y);
    // Draws every route button of the plan released.
    void alleknopfaus();

    std::vector<std::unique_ptr<C_fahrelement>> Fahrlist;
    int Anz_strassen = 0; // route counter: the number of the newest route, at most MaxRouteNumber
};

extern C_fahr* Fahr;

#pragma once

#include <memory>
#include <vector>

// One element of one route.
struct C_fahrelement {
    int Fahrnr = 0;
    int Gleiselementnr = 0; // element kind of the plan element
    int Xpos = 0, Ypos = 0; // plan position, the key into the position table
    int Stellung = 0;       // the element's state in the route plus 10 (11..13)
};

// The route table: every route of the plan as one flat list.
class C_fahr {
public:
    C_fahr() = default;
    C_fahr(const C_fahr&) = delete;
    C_fahr& operator=(const C_fahr&) = delete;

    std::vector<std::unique_ptr<C_fahrelement>> Fahrlist;
    int Anz_strassen = 0; // route counter; the number of the newest route
};

extern C_fahr* Fahr;

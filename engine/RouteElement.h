#pragma once

#include <limits>

// The highest route number. The route counter never passes it, so that counting on from any counter
// a route file may hold still fits an int.
inline constexpr int MaxRouteNumber = std::numeric_limits<int>::max() - 1;

// One element of one route.
struct C_fahrelement {
    int Fahrnr = 0;
    int Gleiselementnr = 0; // element kind of the plan element
    int Xpos = 0, Ypos = 0; // plan position, the key into the position table
    int Stellung = 0;       // the element's state in the route plus 10 (11..13)
};

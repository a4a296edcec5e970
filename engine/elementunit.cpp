#include "engine/elementunit.h"

C_Element* Element = nullptr;

TElementEntry* C_Element::entry(int Elmnr) {
    return Elmnr >= 0 && Elmnr < NROFELEMENTS ? &ElementEntry[static_cast<std::size_t>(Elmnr)] : nullptr;
}

const TElementEntry* C_Element::entry(int Elmnr) const {
    return Elmnr >= 0 && Elmnr < NROFELEMENTS ? &ElementEntry[static_cast<std::size_t>(Elmnr)] : nullptr;
}

#define QUARN_ELEMENT_GET(getter, Type, field)                                                               \
    Type C_Element::getter(int Elmnr) const {                                                                \
        const TElementEntry* e = entry(Elmnr);                                                               \
        return e ? e->field : Type{};                                                                        \
    }

#define QUARN_ELEMENT_SET(setter, Type, field)                                                               \
    void C_Element::setter(int Elmnr, Type value) {                                                          \
        if (TElementEntry* e = entry(Elmnr))                                                                 \
            e->field = value;                                                                                \
    }

QUARN_ELEMENT_GET(get_nummer, int, E_Nummer)
QUARN_ELEMENT_GET(get_posx, int, E_Posx)
QUARN_ELEMENT_GET(get_posy, int, E_Posy)
QUARN_ELEMENT_GET(get_art, int, E_Art)
QUARN_ELEMENT_GET(get_i01, std::string, E_Icon01)
QUARN_ELEMENT_GET(get_i02, std::string, E_Icon02)
QUARN_ELEMENT_GET(get_i03, std::string, E_Icon03)

QUARN_ELEMENT_SET(set_nummer, int, E_Nummer)
QUARN_ELEMENT_SET(set_name, const std::string&, E_Name)
QUARN_ELEMENT_SET(set_posx, int, E_Posx)
QUARN_ELEMENT_SET(set_posy, int, E_Posy)
QUARN_ELEMENT_SET(set_art, int, E_Art)
QUARN_ELEMENT_SET(set_vektor, int, E_Vektor)
QUARN_ELEMENT_SET(set_i01, const std::string&, E_Icon01)
QUARN_ELEMENT_SET(set_i02, const std::string&, E_Icon02)
QUARN_ELEMENT_SET(set_i03, const std::string&, E_Icon03)
QUARN_ELEMENT_SET(set_i11, const std::string&, E_Icon11)
QUARN_ELEMENT_SET(set_i12, const std::string&, E_Icon12)
QUARN_ELEMENT_SET(set_i13, const std::string&, E_Icon13)

#undef QUARN_ELEMENT_GET
#undef QUARN_ELEMENT_SET

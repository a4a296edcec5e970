#pragma once

#include <array>
#include <string>

inline constexpr int NROFELEMENTS = 88;

// Every plan icon is one cell of the grid, and positions snap to multiples of it.
inline constexpr int CellSize = 27;

// A kind that the catalogue describes; a plan file may hold others, which are kept but never drawn
// or switched.
inline constexpr bool isCatalogueKind(int kind) {
    return kind >= 1 && kind <= NROFELEMENTS;
}

// Kinds 65 and 87 show a feedback contact.
inline constexpr bool isDetectorKind(int kind) {
    return kind == 65 || kind == 87;
}

// One element kind of the palette; catalogue index = kind - 1.
struct TElementEntry {
    int E_Nummer = 0;
    std::string E_Name;
    int E_Posx = 0, E_Posy = 0;
    int E_Art = 0; // number of switch states
    int E_Vektor = 0;
    std::string E_Icon01, E_Icon02, E_Icon03;
    std::string E_Icon11, E_Icon12, E_Icon13;
};

// The element catalogue, indexes 0..87. An index outside the catalogue reads 0 or "" and is not
// written.
class C_Element {
public:
    C_Element() = default;

    int get_nummer(int Elmnr) const;
    void set_nummer(int Elmnr, int n_Wert);
    void set_name(int Elmnr, const std::string& n_Info);
    int get_posx(int Elmnr) const;
    void set_posx(int Elmnr, int x_Wert);
    int get_posy(int Elmnr) const;
    void set_posy(int Elmnr, int y_Wert);
    int get_art(int Elmnr) const;
    void set_art(int Elmnr, int a_Wert);
    void set_vektor(int Elmnr, int v_Wert);
    std::string get_i01(int Elmnr) const;
    std::string get_i02(int Elmnr) const;
    std::string get_i03(int Elmnr) const;
    void set_i01(int Elmnr, const std::string& i_Info);
    void set_i02(int Elmnr, const std::string& i_Info);
    void set_i03(int Elmnr, const std::string& i_Info);
    void set_i11(int Elmnr, const std::string& i_Info);
    void set_i12(int Elmnr, const std::string& i_Info);
    void set_i13(int Elmnr, const std::string& i_Info);

    // The record itself, for the route and plan code; null outside the catalogue.
    TElementEntry* entry(int Elmnr);
    const TElementEntry* entry(int Elmnr) const;

private:
    std::array<TElementEntry, NROFELEMENTS> ElementEntry;
};

extern C_Element* Element;

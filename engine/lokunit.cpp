#include "engine/lokunit.h"

TLok* Lok = nullptr;

tLokEntry* TLok::slot(int Lnr) {
    return Lnr >= 0 && Lnr < LOKMAX ? &LokEntry[static_cast<std::size_t>(Lnr)] : nullptr;
}

const tLokEntry* TLok::slot(int Lnr) const {
    return Lnr >= 0 && Lnr < LOKMAX ? &LokEntry[static_cast<std::size_t>(Lnr)] : nullptr;
}

const tLokEntry* TLok::entry(int Lnr) const {
    return slot(Lnr);
}

tLokEntry* TLok::entry(int Lnr) {
    return slot(Lnr);
}

void TLok::lokinit(int Lnr) {
    if (tLokEntry* e = slot(Lnr)) {
        // A fresh record, but without the family, variant and bus that creation gives.
        *e = tLokEntry{};
        e->ProtType = mpbCustom;
        e->Protversion = 0;
        e->SRCPBusnr = 0;
    }
}

void TLok::get_F(int Lnr, TLokFunctions& Lfunctions) const {
    if (const tLokEntry* e = slot(Lnr))
        Lfunctions = e->F;
    else
        Lfunctions.fill(0);
}

void TLok::set_F(int Lnr, const TLokFunctions& F_wert) {
    if (tLokEntry* e = slot(Lnr))
        for (int i = 0; i <= 7; ++i)
            e->F[static_cast<std::size_t>(i)] = F_wert[static_cast<std::size_t>(i)];
}

namespace {

template <typename T, typename Get> T read(const tLokEntry* e, Get get) {
    return e ? get(*e) : T{};
}

} // namespace

#define QUARN_LOK_FIELD(getter, setter, Type, field)                                                         \
    Type TLok::getter(int Lnr) const {                                                                       \
        return read<Type>(slot(Lnr), [](const tLokEntry& e) { return e.field; });                            \
    }                                                                                                        \
    void TLok::setter(int Lnr, const Type& value) {                                                          \
        if (tLokEntry* e = slot(Lnr))                                                                        \
            e->field = value;                                                                                \
    }

#define QUARN_LOK_INT(getter, setter, field)                                                                 \
    int TLok::getter(int Lnr) const {                                                                        \
        return read<int>(slot(Lnr), [](const tLokEntry& e) { return e.field; });                             \
    }                                                                                                        \
    void TLok::setter(int Lnr, int value) {                                                                  \
        if (tLokEntry* e = slot(Lnr))                                                                        \
            e->field = value;                                                                                \
    }

QUARN_LOK_FIELD(get_protocol, set_protocol, std::string, Protocol)
QUARN_LOK_FIELD(get_name, set_name, std::string, Name)
QUARN_LOK_FIELD(get_jb1func, set_jb1func, std::string, Jb1func)
QUARN_LOK_FIELD(get_jb2func, set_jb2func, std::string, Jb2func)
QUARN_LOK_FIELD(get_jb3func, set_jb3func, std::string, Jb3func)
QUARN_LOK_FIELD(get_jb4func, set_jb4func, std::string, Jb4func)
QUARN_LOK_INT(get_protvers, set_protversion, Protversion)
QUARN_LOK_INT(get_addr, set_addr, Addr)
QUARN_LOK_INT(get_busnr, set_Busnr, SRCPBusnr)
QUARN_LOK_INT(get_direction, set_direction, Direction)
QUARN_LOK_INT(get_speed, set_speed, Speed)
QUARN_LOK_INT(get_speedmax, set_speedmax, Speed_max)
QUARN_LOK_INT(get_nrof, set_nrof, MaxFunctions)
QUARN_LOK_INT(get_jb1, set_jb1, Jbutton1)
QUARN_LOK_INT(get_jb2, set_jb2, Jbutton2)
QUARN_LOK_INT(get_jb3, set_jb3, Jbutton3)
QUARN_LOK_INT(get_jb4, set_jb4, Jbutton4)

#undef QUARN_LOK_FIELD
#undef QUARN_LOK_INT

std::uint8_t TLok::get_protocolbase(int Lnr) const {
    const tLokEntry* e = slot(Lnr);
    return e ? static_cast<std::uint8_t>(e->ProtType) : 0;
}

void TLok::set_protocolbase(int Lnr, std::uint8_t Ptype) {
    // The field holds whatever byte it is given, as the settings file may hold any family number.
    if (tLokEntry* e = slot(Lnr))
        e->ProtType = static_cast<TMoBaProtocolBase>(Ptype);
}

void TLok::set_speedsteps(int Lnr, int Speedsteps_wert) {
    if (tLokEntry* e = slot(Lnr))
        e->MaxSpeedsteps = Speedsteps_wert;
}

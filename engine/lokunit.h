#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "srcp/MoBaProtocolBase.h"

inline constexpr int LOKMAX = 10;
// Function indexes F0..F32.
inline constexpr int Dekod_FuncsLow = 0;
inline constexpr int Dekod_FuncsHigh = 32;
inline constexpr int Dekod_FuncsCount = Dekod_FuncsHigh - Dekod_FuncsLow + 1;

// Function states F0..F32: above 10 means on.
using TLokFunctions = std::array<std::uint8_t, Dekod_FuncsCount>;

// One loco slot; the defaults are those of a freshly created table.
struct tLokEntry {
    std::string Protocol = "M1";
    TMoBaProtocolBase ProtType = mpbMotorola;
    int Protversion = 1;
    std::string Name = "Lok";
    int Addr = 3;
    int SRCPBusnr = 1;
    int Direction = -1;
    int Speed = 0;
    int Speed_max = 100;
    int MaxSpeedsteps = 14;
    int MaxFunctions = 0;
    TLokFunctions F{};
    int Jbutton1 = 7, Jbutton2 = 1, Jbutton3 = 3, Jbutton4 = 2;
    std::string Jb1func = "Direction", Jb2func = "Func", Jb3func = "F2", Jb4func = "F3";
};

// The ten loco slots, 0..9 (slot n belongs to throttle n + 1). A slot outside 0..9 reads as zero or
// empty and is not written.
class TLok {
public:
    TLok() = default;

    void lokinit(int Lnr);

    void get_F(int Lnr, TLokFunctions& Lfunctions) const;
    // Stores only F0..F7; F8..F32 keep their values.
    void set_F(int Lnr, const TLokFunctions& F_wert);

    std::string get_protocol(int Lnr) const;
    void set_protocol(int Lnr, const std::string& P_info);
    std::uint8_t get_protocolbase(int Lnr) const;
    void set_protocolbase(int Lnr, std::uint8_t Ptype);
    int get_protvers(int Lnr) const;
    void set_protversion(int Lnr, int PVers);
    std::string get_name(int Lnr) const;
    void set_name(int Lnr, const std::string& N_info);
    int get_addr(int Lnr) const;
    void set_addr(int Lnr, int Addr_wert);
    int get_busnr(int Lnr) const;
    void set_Busnr(int Lnr, int Busnr_wert);
    int get_direction(int Lnr) const;
    void set_direction(int Lnr, int Direction_wert);
    int get_speed(int Lnr) const;
    void set_speed(int Lnr, int Speed_wert);
    int get_speedmax(int Lnr) const;
    void set_speedmax(int Lnr, int Speedmax_wert);
    void set_speedsteps(int Lnr, int Speedsteps_wert);
    int get_nrof(int Lnr) const;
    void set_nrof(int Lnr, int Nrof_wert);
    int get_jb1(int Lnr) const;
    int get_jb2(int Lnr) const;
    int get_jb3(int Lnr) const;
    int get_jb4(int Lnr) const;
    void set_jb1(int Lnr, int Jb1_wert);
    void set_jb2(int Lnr, int Jb2_wert);
    void set_jb3(int Lnr, int Jb3_wert);
    void set_jb4(int Lnr, int Jb4_wert);
    std::string get_jb1func(int Lnr) const;
    std::string get_jb2func(int Lnr) const;
    std::string get_jb3func(int Lnr) const;
    std::string get_jb4func(int Lnr) const;
    void set_jb1func(int Lnr, const std::string& Jf1);
    void set_jb2func(int Lnr, const std::string& Jf2);
    void set_jb3func(int Lnr, const std::string& Jf3);
    void set_jb4func(int Lnr, const std::string& Jf4);

    // The slots themselves, for readers and writers of whole records; null outside 0..9.
    const tLokEntry* entry(int Lnr) const;
    tLokEntry* entry(int Lnr);

private:
    tLokEntry* slot(int Lnr);
    const tLokEntry* slot(int Lnr) const;

    std::array<tLokEntry, LOKMAX> LokEntry;
};

extern TLok* Lok;

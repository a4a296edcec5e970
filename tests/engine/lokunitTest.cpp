#include <gtest/gtest.h>

#include <string>

#include "engine/lokunit.h"

namespace {

// Every field of a slot, as one comparable line.
std::string describe(const TLok& lok, int slot) {
    TLokFunctions f{};
    f.fill(77);
    lok.get_F(slot, f);
    std::string out = lok.get_protocol(slot) + " " + std::to_string(lok.get_protocolbase(slot));
    for (int v : {lok.get_protvers(slot), lok.get_addr(slot), lok.get_busnr(slot), lok.get_direction(slot),
                  lok.get_speed(slot), lok.get_speedmax(slot), lok.get_nrof(slot), lok.get_jb1(slot),
                  lok.get_jb2(slot), lok.get_jb3(slot), lok.get_jb4(slot)})
        out.append(" ").append(std::to_string(v));
    for (const std::string& text : {lok.get_name(slot), lok.get_jb1func(slot), lok.get_jb2func(slot),
                                    lok.get_jb3func(slot), lok.get_jb4func(slot), std::string("F")})
        out.append(" ").append(text);
    for (int v : f)
        out += std::to_string(v);
    return out;
}

const std::string Created = "M1 4 1 3 1 -1 0 100 0 7 1 3 2 Lok Direction Func F2 F3 F" + std::string(33, '0');
// Only F0..F7 are kept, with the value set (11: on).
const std::string Changed =
    "N4 5 4 1234 9 1 50 126 4 11 12 13 14 BR01 a b c d F" + std::string(16, '1') + std::string(25, '0');

void changeEverything(TLok& lok, int slot) {
    lok.set_protocol(slot, "N4");
    lok.set_protocolbase(slot, 5);
    lok.set_protversion(slot, 4);
    lok.set_name(slot, "BR01");
    lok.set_addr(slot, 1234);
    lok.set_Busnr(slot, 9);
    lok.set_direction(slot, 1);
    lok.set_speed(slot, 50);
    lok.set_speedmax(slot, 126);
    lok.set_speedsteps(slot, 128);
    lok.set_nrof(slot, 4);
    TLokFunctions f{};
    f.fill(11);
    lok.set_F(slot, f);
    lok.set_jb1(slot, 11);
    lok.set_jb2(slot, 12);
    lok.set_jb3(slot, 13);
    lok.set_jb4(slot, 14);
    lok.set_jb1func(slot, "a");
    lok.set_jb2func(slot, "b");
    lok.set_jb3func(slot, "c");
    lok.set_jb4func(slot, "d");
}

TEST(LokTable, SlotsStartWithTheDefaultsAndChangeOneByOne) {
    TLok lok;
    for (int slot = 0; slot < LOKMAX; ++slot)
        EXPECT_EQ(describe(lok, slot), Created) << slot;
    EXPECT_EQ(lok.entry(0)->MaxSpeedsteps, 14);
    changeEverything(lok, 6);
    EXPECT_EQ(lok.entry(6)->MaxSpeedsteps, 128);
    for (int slot = 0; slot < LOKMAX; ++slot)
        EXPECT_EQ(describe(lok, slot), slot == 6 ? Changed : Created) << slot;

    // lokinit gives a fresh record, but family, variant and bus 0.
    lok.lokinit(6);
    EXPECT_EQ(describe(lok, 6),
              "M1 0 0 3 0 -1 0 100 0 7 1 3 2 Lok Direction Func F2 F3 F" + std::string(33, '0'));
}

TEST(LokTable, SlotsOutsideTheTableReadNothingAndChangeNothing) {
    TLok lok;
    for (int slot : {-1, 10, -2147483647 - 1, 2147483647}) {
        changeEverything(lok, slot);
        lok.lokinit(slot);
        EXPECT_EQ(describe(lok, slot), " 0 0 0 0 0 0 0 0 0 0 0 0      F" + std::string(33, '0')) << slot;
        EXPECT_EQ(lok.entry(slot), nullptr);
    }
    for (int slot = 0; slot < LOKMAX; ++slot)
        EXPECT_EQ(describe(lok, slot), Created) << slot;
}

} // namespace

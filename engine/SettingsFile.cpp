#include "engine/SettingsFile.h"

#include <algorithm>
#include <array>

namespace {

constexpr int FunctionLines = 32; // F0..F31; F32 is not in the file

using S = TSettingsFields;
using L = tLokEntry;

const RecordField<S> kSettingsFields[] = {
    plainField<&S::Ipport>("server port"),
    plainField<&S::Iphostchar>("server host"),
    plainField<&S::Infoport_an>("info channel setting"),
    plainField<&S::SrcpVer>("transport setting"),
    {"language",
     [](RecordReader& r, S& s, const char* what) {
         const int lang = r.readInt(what);
         s.Lang_id = lang >= 1 && lang <= 7 ? lang : 1;
     },
     [](TextWriter& w, const S& s) { w.writeInt(s.Lang_id); }},
    plainField<&S::Joy_Mode>("joystick mode"),
    plainField<&S::Showassist>("assistant setting"),
    plainField<&S::Monitorpower>("power monitoring setting"),
    plainField<&S::Autopower>("automatic power setting"),
    plainField<&S::BusGlMM>("Motorola loco bus"),
    plainField<&S::BusGlNMRA_S>("NMRA short-address loco bus"),
    plainField<&S::BusGlNMRA_L>("NMRA long-address loco bus"),
    plainField<&S::BusGaMM>("Motorola accessory bus"),
    plainField<&S::BusGaNMRA>("NMRA accessory bus"),
    plainField<&S::BusS88>("S88 bus"),
    plainField<&S::Buspower>("power bus"),
};

const RecordField<L> kLocoFields[] = {
    plainField<&L::Protocol>("protocol"),
    {"protocol family",
     [](RecordReader& r, L& e, const char* what) {
         // A family the program does not know leaves the slot's own.
         const int family = r.readInt(what);
         if (family >= 0 && family <= 7)
             e.ProtType = static_cast<TMoBaProtocolBase>(family);
     },
     [](TextWriter& w, const L& e) { w.writeInt(e.ProtType); }},
    plainField<&L::Protversion>("protocol variant"),
    plainField<&L::Name>("name"),
    plainField<&L::Addr>("address"),
    plainField<&L::SRCPBusnr>("bus"),
    plainField<&L::Direction>("direction"),
    plainField<&L::Speed>("speed"),
    plainField<&L::Speed_max>("highest speed"),
    plainField<&L::MaxFunctions>("function count"),
    {"function states",
     [](RecordReader& r, L& e, const char* what) {
         // All 32 are read before any is stored, as the table's set_F takes them; it keeps F0..F7.
         TLokFunctions functions{};
         for (int fn = 0; fn < FunctionLines; ++fn) {
             int value = r.readInt(what);
             // A function saved while on comes up off.
             if (value > 10)
                 value -= 10;
             functions[static_cast<std::size_t>(fn)] = static_cast<std::uint8_t>(value);
         }
         std::copy_n(functions.begin(), 8, e.F.begin());
     },
     [](TextWriter& w, const L& e) {
         for (int fn = 0; fn < FunctionLines; ++fn)
             w.writeInt(e.F[static_cast<std::size_t>(fn)]);
     },
     FunctionLines},
    plainField<&L::Jbutton1>("joystick button 1"),
    plainField<&L::Jbutton2>("joystick button 2"),
    plainField<&L::Jbutton3>("joystick button 3"),
    plainField<&L::Jbutton4>("joystick button 4"),
    plainField<&L::Jb1func>("joystick button 1 function"),
    plainField<&L::Jb2func>("joystick button 2 function"),
    plainField<&L::Jb3func>("joystick button 3 function"),
    plainField<&L::Jb4func>("joystick button 4 function"),
};

} // namespace

std::span<const RecordField<TSettingsFields>> settingsFields() {
    return kSettingsFields;
}

std::span<const RecordField<tLokEntry>> locoRecordFields() {
    return kLocoFields;
}

void readSettingsFile(TextReader reader, TSettingsFields& fields, TLok& lok) {
    RecordReader r(std::move(reader));
    readRecord(r, fields, settingsFields());
    for (int slot = 0; slot < LOKMAX; ++slot) {
        r.beginRecord("loco slot " + std::to_string(slot));
        readRecord(r, *lok.entry(slot), locoRecordFields());
    }
}

void writeSettingsFile(TextWriter& writer, const TSettingsFields& fields, const TLok& lok) {
    writeRecord(writer, fields, settingsFields());
    for (int slot = 0; slot < LOKMAX; ++slot)
        writeRecord(writer, *lok.entry(slot), locoRecordFields());
}

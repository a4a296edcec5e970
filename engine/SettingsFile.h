#pragma once

#include <span>
#include <string>

#include "engine/RecordFields.h"
#include "engine/lokunit.h"

// The main window's fields that the settings file holds, with their values before it is read.
struct TSettingsFields {
    int Ipport = 12345;
    std::string Iphostchar = "localhost";
    int Infoport_an = 0;
    int SrcpVer = 73;
    int Lang_id = 1;
    int Joy_Mode = 1;
    int Showassist = 1;
    int Monitorpower = 0;
    int Autopower = 0;
    int BusGlMM = 1, BusGlNMRA_S = 2, BusGlNMRA_L = 3, BusGaMM = 5, BusGaNMRA = 6, BusS88 = 8, Buspower = 1;
};

// The settings file "parmc.dat": the window's fields, then the ten loco slots, slot 0 first. Each
// list below is the one description of its lines; reading and writing both walk it.
std::span<const RecordField<TSettingsFields>> settingsFields();
std::span<const RecordField<tLokEntry>> locoRecordFields();

inline constexpr int SettingsFileLines = 516;

// Reads the file's bytes into the fields and the loco table, each value as it is read (a language
// outside 1..7 becomes 1, a protocol family outside 0..7 is not stored, a function state above 10
// is read less 10 and only F0..F7 are stored). A file that ends early or holds a malformed number
// throws TextFileError; what was read before stays.
void readSettingsFile(TextReader reader, TSettingsFields& fields, TLok& lok);
void writeSettingsFile(TextWriter& writer, const TSettingsFields& fields, const TLok& lok);

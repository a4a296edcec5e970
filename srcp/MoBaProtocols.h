#pragma once

#include "srcp/MoBaProfiles.h"
#include "srcp/MoBaProtocolBase.h"

#include <bitset>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class IniFile;

// Raised when an object is assigned to an object of a class that cannot take its data.
class AssignError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Root of the model classes that copy their data into one another. Assign copies from the source by
// asking it to copy itself (AssignTo); a class that cannot fill the target raises AssignError.
class Assignable {
public:
    virtual ~Assignable() = default;
    virtual void AssignTo(Assignable& Dest) const;
    void Assign(const Assignable& Source) { Source.AssignTo(*this); }

protected:
    Assignable() = default;
    Assignable(const Assignable&) = default;
    Assignable& operator=(const Assignable&) = default;
    [[noreturn]] void raiseAssignError(const Assignable& Dest) const;
};

using TMoBaGroup = std::uint8_t;
// A set of bus numbers 0 to 255.
using TMoBaGroups = std::bitset<256>;

struct TMoBaProtocolBaseInfo {
    TMoBaProtocolBase Base;
    char Sign;
    const char* Desc;
};
extern const TMoBaProtocolBaseInfo MoBaProtocolBaseInfo[MoBaProtocolBaseCount];

struct TMoBaDefaultLocoProtocolSpec {
    TMoBaProtocolBase ProtocolBase;
    int ProtocolExtension;
    const char* Name;
    const char* Description;
    int MaxAddress;
    int MaxFunctions;
    int MinSteps;
    int MaxSteps;
};
inline constexpr int MoBaDefaultLocoProtocolCount = 11;
extern const TMoBaDefaultLocoProtocolSpec MoBaDefaultLocoProtocols[MoBaDefaultLocoProtocolCount];

struct TMoBaDefaultSolenoidProtocolSpec {
    TMoBaProtocolBase ProtocolBase;
    int ProtocolExtension;
    const char* Name;
    const char* Description;
    int MaxAddress;
    int MaxPort;
    int MaxValue;
};
inline constexpr int MoBaDefaultSolenoidProtocolCount = 2;
extern const TMoBaDefaultSolenoidProtocolSpec MoBaDefaultSolenoidProtocols[MoBaDefaultSolenoidProtocolCount];

// The highest addresses of the built-in protocols (14-bit NMRA locos, NMRA accessories): a server's
// report beyond them names no decoder a layout can have.
inline constexpr int MoBaHighestLocoAddress = 10239;
inline constexpr int MoBaHighestSolenoidAddress = 4096;

char MoBaProtocolBaseToChar(TMoBaProtocolBase Base);
// Only the first character counts, compared with the family letters case-sensitively; anything else
// (and the empty string) is mpbCustom.
TMoBaProtocolBase StringToMoBaProtocolBase(std::string_view Text);
// Ascending, comma-separated, no blanks: "1,2,5"; the empty set is "".
std::string MoBaGroupsToString(const TMoBaGroups& Groups);
// Items are separated by commas or blanks (a quoted item may hold either); items that are not an
// integer from 0 to 255 are skipped.
TMoBaGroups StringToMoBaGroups(std::string_view Text);

// A decoder protocol: the limits that devices using it are clamped to.
class TMoBaBaseProtocol : public Assignable {
public:
    TMoBaProtocolBase ProtocolBase = mpbCustom;
    int MaxAddress = 256;
    std::string Description;
    std::string Name;
    TMoBaGroups Groups;
    int ProtocolExtension = 0; // the protocol version within the family

    void AssignTo(Assignable& Dest) const override;
    // Keys in this order: Name, Desc, MaxAddress, Base, Extension, Groups, then those of the subclass.
    virtual void WriteToIniFile(IniFile& Ini, const std::string& Section) const;
    virtual void ReadFromIniFile(const IniFile& Ini, const std::string& Section);
};

class TMoBaLocoProtocol : public TMoBaBaseProtocol {
public:
    int MinSteps = 0;
    int MaxSteps = 15;
    int MaxFunctions = 1;

    void AssignTo(Assignable& Dest) const override;
    void WriteToIniFile(IniFile& Ini, const std::string& Section) const override;
    void ReadFromIniFile(const IniFile& Ini, const std::string& Section) override;
};

class TMoBaSolenoidProtocol : public TMoBaBaseProtocol {
public:
    int MaxValue = 1;
    int MaxPort = 1;

    void AssignTo(Assignable& Dest) const override;
    void WriteToIniFile(IniFile& Ini, const std::string& Section) const override;
    void ReadFromIniFile(const IniFile& Ini, const std::string& Section) override;
};

// A list of protocol descriptions that loads and saves itself in the active profile through its
// profile item. While OwnsProtocols is true, removed entries and those left at destruction are freed.
class TMoBaBaseProtocolList {
public:
    virtual ~TMoBaBaseProtocolList();
    TMoBaBaseProtocolList(const TMoBaBaseProtocolList&) = delete;
    TMoBaBaseProtocolList& operator=(const TMoBaBaseProtocolList&) = delete;

    bool OwnsProtocols = true;

    int Count() const { return static_cast<int>(m_items.size()); }
    // Raises std::out_of_range outside 0 .. Count - 1.
    TMoBaBaseProtocol* Item(int Index) const;
    int IndexOf(const TMoBaBaseProtocol* Protocol) const;
    void Delete(int Index);
    void Clear();
    bool Changed() const { return m_changed; }
    TMoBaProfileItem& ProfileItem() { return m_profileItem; }

    // An empty entry of the list's own class.
    virtual TMoBaBaseProtocol* CreateProtocol() const = 0;

protected:
    TMoBaBaseProtocolList(std::string SectionPrefix, std::string KeyFormat, std::string ListSection);
    int AddProtocol(TMoBaBaseProtocol* Protocol);

private:
    void DoSave(TMoBaProfileItem* Sender);
    void DoLoad(TMoBaProfileItem* Sender);
    void DoClear(TMoBaProfileItem* Sender);
    std::string KeyName(int Index) const;

    std::vector<TMoBaBaseProtocol*> m_items;
    bool m_changed = false;
    TMoBaProfileItem m_profileItem;
    std::string m_sectionPrefix;
    std::string m_keyFormat;
    std::string m_listSection;
};

class TMoBaLocoProtocolList : public TMoBaBaseProtocolList {
public:
    TMoBaLocoProtocolList();
    // Appends and marks the list changed; the list frees the entry while it owns its protocols.
    int Add(TMoBaLocoProtocol* Protocol) { return AddProtocol(Protocol); }
    TMoBaLocoProtocol* Items(int Index) const { return static_cast<TMoBaLocoProtocol*>(Item(Index)); }
    TMoBaBaseProtocol* CreateProtocol() const override { return new TMoBaLocoProtocol; }
};

class TMoBaSolenoidProtocolList : public TMoBaBaseProtocolList {
public:
    TMoBaSolenoidProtocolList();
    int Add(TMoBaSolenoidProtocol* Protocol) { return AddProtocol(Protocol); }
    TMoBaSolenoidProtocol* Items(int Index) const { return static_cast<TMoBaSolenoidProtocol*>(Item(Index)); }
    TMoBaBaseProtocol* CreateProtocol() const override { return new TMoBaSolenoidProtocol; }
};

// The library's protocol lists; they exist between MoBaLibraryInitialize and MoBaLibraryFinalize.
extern TMoBaLocoProtocolList* MoBaLocoProtocols;
extern TMoBaSolenoidProtocolList* MoBaSolenoidProtocols;

// Makes both global lists own their entries, empties them and fills them with the built-in protocols.
void LoadDefaultProtocolSettings();

#include "srcp/MoBaProtocols.h"

#include "platform/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

TMoBaLocoProtocolList* MoBaLocoProtocols = nullptr;
TMoBaSolenoidProtocolList* MoBaSolenoidProtocols = nullptr;

namespace {

std::string className(const Assignable& object) {
    const char* mangled = typeid(object).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    return status == 0 && demangled ? demangled.get() : mangled;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

void Assignable::AssignTo(Assignable& Dest) const {
    raiseAssignError(Dest);
}

void Assignable::raiseAssignError(const Assignable& Dest) const {
    throw AssignError("Cannot assign a " + className(*this) + " to a " + className(Dest));
}

const TMoBaProtocolBaseInfo MoBaProtocolBaseInfo[MoBaProtocolBaseCount] = {
    {mpbCustom, 'C', "Custom protocol"},
    {mpbAnalog, 'A', "Analog"},
    {mpbFleischmann, 'F', "Fleischmann"},
    {mpbLoconet, 'L', "Loconet"},
    {mpbMotorola, 'M', "Motorola / M\xE4rklin"},
    {mpbNMRA, 'N', "NMRA / DCC"},
    {mpbSelectrix, 'S', "Selectric"},
    {mpbZimo, 'Z', "Zimo protocol"},
};

constexpr TMoBaDefaultLocoProtocolSpec MoBaDefaultLocoProtocols[MoBaDefaultLocoProtocolCount] = {
    {mpbMotorola, 1, "Motorola 1", "Old Motorola format (Only 1 function).", 80, 1, 0, 14},
    {mpbMotorola, 2, "Motorola 2", "New Motorola format (4 extra functions).", 80, 5, 0, 14},
    {mpbMotorola, 2, "Motorola 3", "New Motorola with 28 speed steps (Tervollen Decoder).", 255, 5, 0, 28},
    {mpbMotorola, 2, "Motorola 4", "New Motorola with 256 addresses (Uhlenbrock).", 255, 5, 0, 14},
    {mpbMotorola, 2, "Motorola 5",
     "New Motorola format (type 2) with 27 speed steps (newer Maerklin Decoders).", 80, 5, 0, 27},
    {mpbMotorola, 2, "Motorola Function", "Old Motorola function decoders", 80, 5, 0, 1},
    {mpbNMRA, 1, "NMRA Base", "NMRA Base Line (7-Bit address, 14 speed steps).", 99, 1, 0, 14},
    {mpbNMRA, 2, "NMRA 1", "NMRA 7-Bit address, 28 speed steps, 4 functions.", 99, 5, 0, 28},
    {mpbNMRA, 2, "NMRA 2", "NMRA 7-Bit address, 128 speed steps, 4 functions.", 99, 5, 0, 128},
    {mpbNMRA, 2, "NMRA 3", "NMRA 14-Bit address, 28 speed steps, 4 functions.", 10239, 5, 0, 28},
    {mpbNMRA, 2, "NMRA 4", "NMRA 14-Bit address, 128 speed steps, 4 functions.", 10239, 5, 0, 128},
};

constexpr TMoBaDefaultSolenoidProtocolSpec MoBaDefaultSolenoidProtocols[MoBaDefaultSolenoidProtocolCount] = {
    {mpbMotorola, 0, "Motorola Solenoid", "Motorola solenoid type 1 and 2.", 256, 1, 1},
    {mpbNMRA, 0, "NMRA Accessory", "NMRA accessory decoder", 4096, 1, 1},
};

namespace {
template <class Table> constexpr int highestAddress(const Table& table) {
    int highest = 0;
    for (const auto& row : table)
        highest = std::max(highest, row.MaxAddress);
    return highest;
}
} // namespace
static_assert(highestAddress(MoBaDefaultLocoProtocols) == MoBaHighestLocoAddress);
static_assert(highestAddress(MoBaDefaultSolenoidProtocols) == MoBaHighestSolenoidAddress);

char MoBaProtocolBaseToChar(TMoBaProtocolBase Base) {
    for (const TMoBaProtocolBaseInfo& info : MoBaProtocolBaseInfo)
        if (info.Base == Base)
            return info.Sign;
    return MoBaProtocolBaseInfo[0].Sign;
}

TMoBaProtocolBase StringToMoBaProtocolBase(std::string_view Text) {
    if (Text.empty())
        return mpbCustom;
    for (const TMoBaProtocolBaseInfo& info : MoBaProtocolBaseInfo)
        if (info.Sign == Text.front())
            return info.Base;
    return mpbCustom;
}

std::string MoBaGroupsToString(const TMoBaGroups& Groups) {
    std::string text;
    for (std::size_t bus = 0; bus < Groups.size(); ++bus)
        if (Groups.test(bus)) {
            if (!text.empty())
                text += ',';
            text += std::to_string(bus);
        }
    return text;
}

TMoBaGroups StringToMoBaGroups(std::string_view Text) {
    TMoBaGroups groups;
    auto take = [&groups](const std::string& item) {
        int bus = 0;
        if (IniFile::parseInteger(item, bus) && bus >= 0 && bus <= 255)
            groups.set(static_cast<std::size_t>(bus));
    };
    std::size_t i = 0;
    while (i < Text.size()) {
        while (i < Text.size() && (Text[i] == ',' || static_cast<unsigned char>(Text[i]) <= ' '))
            ++i;
        if (i >= Text.size())
            break;
        std::string item;
        if (Text[i] == '"') {
            // A quoted item runs to the closing quote; a doubled quote stands for one.
            ++i;
            while (i < Text.size()) {
                if (Text[i] == '"') {
                    if (i + 1 < Text.size() && Text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += Text[i++];
            }
        } else {
            while (i < Text.size() && Text[i] != ',' && static_cast<unsigned char>(Text[i]) > ' ')
                item += Text[i++];
        }
        take(item);
    }
    return groups;
}

void TMoBaBaseProtocol::AssignTo(Assignable& Dest) const {
    auto* target = dynamic_cast<TMoBaBaseProtocol*>(&Dest);
    if (!target)
        raiseAssignError(Dest);
    target->ProtocolBase = ProtocolBase;
    target->MaxAddress = MaxAddress;
    target->Description = Description;
    target->Name = Name;
    target->Groups = Groups;
    target->ProtocolExtension = ProtocolExtension;
}

void TMoBaBaseProtocol::WriteToIniFile(IniFile& Ini, const std::string& Section) const {
    Ini.writeString(Section, "Name", Name);
    Ini.writeString(Section, "Desc", Description);
    Ini.writeInteger(Section, "MaxAddress", MaxAddress);
    Ini.writeString(Section, "Base", std::string(1, MoBaProtocolBaseToChar(ProtocolBase)));
    Ini.writeInteger(Section, "Extension", ProtocolExtension);
    Ini.writeString(Section, "Groups", MoBaGroupsToString(Groups));
}

void TMoBaBaseProtocol::ReadFromIniFile(const IniFile& Ini, const std::string& Section) {
    Name = Ini.readString(Section, "Name", "");
    Description = Ini.readString(Section, "Desc", "");
    MaxAddress = Ini.readInteger(Section, "MaxAddress", 0);
    ProtocolBase = StringToMoBaProtocolBase(Ini.readString(Section, "Base", "C"));
    ProtocolExtension = Ini.readInteger(Section, "Extension", 0);
    Groups = StringToMoBaGroups(Ini.readString(Section, "Groups", ""));
}

void TMoBaLocoProtocol::AssignTo(Assignable& Dest) const {
    TMoBaBaseProtocol::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaLocoProtocol*>(&Dest)) {
        target->MinSteps = MinSteps;
        target->MaxSteps = MaxSteps;
        target->MaxFunctions = MaxFunctions;
    }
}

void TMoBaLocoProtocol::WriteToIniFile(IniFile& Ini, const std::string& Section) const {
    TMoBaBaseProtocol::WriteToIniFile(Ini, Section);
    Ini.writeInteger(Section, "MaxSteps", MaxSteps);
    Ini.writeInteger(Section, "MinSteps", MinSteps);
    Ini.writeInteger(Section, "MaxFunctions", MaxFunctions);
}

void TMoBaLocoProtocol::ReadFromIniFile(const IniFile& Ini, const std::string& Section) {
    TMoBaBaseProtocol::ReadFromIniFile(Ini, Section);
    MaxSteps = Ini.readInteger(Section, "MaxSteps", 0);
    MinSteps = Ini.readInteger(Section, "MinSteps", 0);
    MaxFunctions = Ini.readInteger(Section, "MaxFunctions", 0);
}

void TMoBaSolenoidProtocol::AssignTo(Assignable& Dest) const {
    TMoBaBaseProtocol::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaSolenoidProtocol*>(&Dest)) {
        target->MaxValue = MaxValue;
        target->MaxPort = MaxPort;
    }
}

void TMoBaSolenoidProtocol::WriteToIniFile(IniFile& Ini, const std::string& Section) const {
    TMoBaBaseProtocol::WriteToIniFile(Ini, Section);
    Ini.writeInteger(Section, "MaxPort", MaxPort);
    Ini.writeInteger(Section, "MaxValue", MaxValue);
}

void TMoBaSolenoidProtocol::ReadFromIniFile(const IniFile& Ini, const std::string& Section) {
    TMoBaBaseProtocol::ReadFromIniFile(Ini, Section);
    MaxPort = Ini.readInteger(Section, "MaxPort", 0);
    MaxValue = Ini.readInteger(Section, "MaxValue", 0);
}

TMoBaBaseProtocolList::TMoBaBaseProtocolList(std::string SectionPrefix, std::string KeyFormat,
                                             std::string ListSection)
    : m_sectionPrefix(std::move(SectionPrefix)), m_keyFormat(std::move(KeyFormat)),
      m_listSection(std::move(ListSection)) {
    m_profileItem.OnSave = [this](TMoBaProfileItem* Sender) { DoSave(Sender); };
    m_profileItem.OnLoad = [this](TMoBaProfileItem* Sender) { DoLoad(Sender); };
    m_profileItem.OnClear = [this](TMoBaProfileItem* Sender) { DoClear(Sender); };
    m_profileItem.OnChangeQuery = [this](TMoBaProfileItem*, bool& Changed) { Changed = m_changed; };
    m_profileItem.OnResetChanges = [this](TMoBaProfileItem*) { m_changed = false; };
}

TMoBaBaseProtocolList::~TMoBaBaseProtocolList() {
    Clear();
}

TMoBaBaseProtocol* TMoBaBaseProtocolList::Item(int Index) const {
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("protocol list index out of bounds (" + std::to_string(Index) + ")");
    return m_items[static_cast<std::size_t>(Index)];
}

int TMoBaBaseProtocolList::IndexOf(const TMoBaBaseProtocol* Protocol) const {
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i] == Protocol)
            return static_cast<int>(i);
    return -1;
}

int TMoBaBaseProtocolList::AddProtocol(TMoBaBaseProtocol* Protocol) {
    m_items.push_back(Protocol);
    m_changed = true;
    return Count() - 1;
}

void TMoBaBaseProtocolList::Delete(int Index) {
    TMoBaBaseProtocol* protocol = Item(Index);
    m_items.erase(m_items.begin() + Index);
    if (OwnsProtocols)
        delete protocol;
}

void TMoBaBaseProtocolList::Clear() {
    std::vector<TMoBaBaseProtocol*> items;
    items.swap(m_items);
    if (OwnsProtocols)
        for (TMoBaBaseProtocol* protocol : items)
            delete protocol;
}

std::string TMoBaBaseProtocolList::KeyName(int Index) const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, m_keyFormat.c_str(), Index);
    return buffer;
}

void TMoBaBaseProtocolList::DoSave(TMoBaProfileItem* Sender) {
    IniFile* ini = Sender ? Sender->GetIniFile() : nullptr;
    if (!ini)
        return;
    for (const std::string& key : ini->readSection(m_listSection))
        if (startsWithIgnoringCase(key, m_sectionPrefix))
            ini->eraseSection(key);
    ini->eraseSection(m_listSection);
    for (int i = 0; i < Count(); ++i) {
        std::string section = KeyName(i);
        ini->writeString(m_listSection, section, "");
        m_items[static_cast<std::size_t>(i)]->WriteToIniFile(*ini, section);
    }
    m_changed = false;
}

void TMoBaBaseProtocolList::DoLoad(TMoBaProfileItem* Sender) {
    IniFile* ini = Sender ? Sender->GetIniFile() : nullptr;
    if (!ini)
        return;
    Clear();
    for (const std::string& key : ini->readSection(m_listSection)) {
        if (!startsWithIgnoringCase(key, m_sectionPrefix))
            continue;
        std::unique_ptr<TMoBaBaseProtocol> protocol(CreateProtocol());
        protocol->ReadFromIniFile(*ini, key);
        AddProtocol(protocol.release());
    }
    m_changed = false;
}

void TMoBaBaseProtocolList::DoClear(TMoBaProfileItem*) {
    Clear();
    m_changed = false;
}

TMoBaLocoProtocolList::TMoBaLocoProtocolList()
    : TMoBaBaseProtocolList("LocoProtocol", "LocoProtocol%d", "LocoProtocols") {}

TMoBaSolenoidProtocolList::TMoBaSolenoidProtocolList()
    : TMoBaBaseProtocolList("SolenoidProtocol", "SolenoidProtocol%d", "SolenoidProtocols") {}

void LoadDefaultProtocolSettings() {
    if (MoBaLocoProtocols) {
        MoBaLocoProtocols->OwnsProtocols = true;
        MoBaLocoProtocols->Clear();
        for (const TMoBaDefaultLocoProtocolSpec& row : MoBaDefaultLocoProtocols) {
            auto* protocol = new TMoBaLocoProtocol;
            protocol->ProtocolBase = row.ProtocolBase;
            protocol->ProtocolExtension = row.ProtocolExtension;
            protocol->Name = row.Name;
            protocol->Description = row.Description;
            protocol->MaxAddress = row.MaxAddress;
            protocol->MaxFunctions = row.MaxFunctions;
            protocol->MinSteps = row.MinSteps;
            protocol->MaxSteps = row.MaxSteps;
            MoBaLocoProtocols->Add(protocol);
        }
    }
    if (MoBaSolenoidProtocols) {
        MoBaSolenoidProtocols->OwnsProtocols = true;
        MoBaSolenoidProtocols->Clear();
        for (const TMoBaDefaultSolenoidProtocolSpec& row : MoBaDefaultSolenoidProtocols) {
            auto* protocol = new TMoBaSolenoidProtocol;
            protocol->ProtocolBase = row.ProtocolBase;
            protocol->ProtocolExtension = row.ProtocolExtension;
            protocol->Name = row.Name;
            protocol->Description = row.Description;
            protocol->MaxAddress = row.MaxAddress;
            protocol->MaxPort = row.MaxPort;
            protocol->MaxValue = row.MaxValue;
            MoBaSolenoidProtocols->Add(protocol);
        }
    }
}

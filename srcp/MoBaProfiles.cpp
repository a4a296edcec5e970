#include "srcp/MoBaProfiles.h"

#include "platform/DirList.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <stdexcept>

TMoBaProfiles* MoBaProfiles = nullptr;

namespace {
const char* const ProfileExtension = "mpr";
}

TMoBaProfileItem::~TMoBaProfileItem() {
    SetActive(false);
}

void TMoBaProfileItem::SetActive(bool Value) {
    if (Value == m_active)
        return;
    if (Value) {
        if (!MoBaProfiles)
            throw std::logic_error("profile item activated before the library was initialised");
        m_active = true;
        m_manager = MoBaProfiles;
        m_manager->RegisterProfileItem(this);
    } else {
        m_active = false;
        TMoBaProfiles* manager = m_manager;
        m_manager = nullptr;
        if (manager)
            manager->UnregisterProfileItem(this);
    }
}

IniFile* TMoBaProfileItem::GetIniFile() const {
    return m_active && m_manager ? m_manager->GetIniFile() : nullptr;
}

void TMoBaProfile::SetFileName(const std::string& Value) {
    m_fileName = Value;
    if (m_owner)
        m_owner->ChangeIniFile();
}

std::string TMoBaProfile::FileNoPath() const {
    std::size_t slash = m_fileName.rfind('/');
    return slash == std::string::npos ? m_fileName : m_fileName.substr(slash + 1);
}

TMoBaProfiles::TMoBaProfiles(const std::string& WorkDir) {
    SetWorkDir(WorkDir);
}

TMoBaProfiles::~TMoBaProfiles() {
    ClearProfileList();
    UnregisterAllProfileItems();
    m_iniFile.reset();
}

void TMoBaProfiles::SetWorkDir(const std::string& Folder) {
    // An empty folder would otherwise become the root folder.
    m_workDir = Folder.empty() ? "." : Folder;
    if (m_workDir.back() != '/')
        m_workDir += '/';
    ScanWorkDir();
}

void TMoBaProfiles::ScanWorkDir() {
    // Only an existing active profile is remembered; after it vanished, the index is -1 and must not
    // be used to look one up.
    std::string remembered;
    bool haveRemembered = false;
    if (TMoBaProfile* active = GetActiveProfile()) {
        remembered = active->FileNoPath();
        haveRemembered = true;
    }
    ClearProfileList();

    for (const std::string& name : listFiles(m_workDir, std::string("*.") + ProfileExtension)) {
        auto profile = std::make_unique<TMoBaProfile>(this);
        TMoBaProfile* added = profile.get();
        m_profiles.push_back(std::move(profile));
        added->SetFileName(m_workDir + name);
    }

    if (m_profiles.empty()) {
        auto profile = std::make_unique<TMoBaProfile>(this);
        TMoBaProfile* added = profile.get();
        m_profiles.push_back(std::move(profile));
        added->SetFileName(m_workDir + "Default." + ProfileExtension);
        m_activeProfile = 0;
    } else if (haveRemembered) {
        for (std::size_t i = 0; i < m_profiles.size(); ++i)
            if (m_profiles[i]->FileNoPath() == remembered)
                m_activeProfile = static_cast<int>(i);
    } else {
        m_activeProfile = 0;
    }
}

TMoBaProfile* TMoBaProfiles::Profiles(int Index) const {
    if (Index < 0 || Index >= ProfileCount())
        return nullptr;
    return m_profiles[static_cast<std::size_t>(Index)].get();
}

void TMoBaProfiles::SetActiveProfile(int Index) {
    if (Index < -1 || Index >= ProfileCount())
        throw std::out_of_range("no profile with index " + std::to_string(Index));
    if (Index == m_activeProfile)
        return;
    m_activeProfile = Index;
    ChangeIniFile();
}

TMoBaProfile* TMoBaProfiles::GetActiveProfile() const {
    return Profiles(m_activeProfile);
}

IniFile* TMoBaProfiles::GetIniFile() {
    if (!m_iniFile) {
        TMoBaProfile* active = GetActiveProfile();
        if (!active)
            return nullptr;
        m_iniFile = std::make_unique<IniFile>(active->FileName());
    }
    return m_iniFile.get();
}

void TMoBaProfiles::ChangeIniFile() {
    m_iniFile.reset();
    if (TMoBaProfile* active = GetActiveProfile())
        m_iniFile = std::make_unique<IniFile>(active->FileName());
}

void TMoBaProfiles::ClearProfileList() {
    while (!m_profiles.empty())
        m_profiles.pop_back();
    m_activeProfile = -1;
    m_iniFile.reset();
}

void TMoBaProfiles::RegisterProfileItem(TMoBaProfileItem* Item) {
    if (Item && std::find(m_items.begin(), m_items.end(), Item) == m_items.end())
        m_items.push_back(Item);
}

void TMoBaProfiles::UnregisterProfileItem(TMoBaProfileItem* Item) {
    auto it = std::find(m_items.begin(), m_items.end(), Item);
    if (it != m_items.end())
        m_items.erase(it);
}

void TMoBaProfiles::UnregisterAllProfileItems() {
    while (!m_items.empty()) {
        TMoBaProfileItem* item = m_items.back();
        if (item->m_manager == this)
            item->SetActive(false); // unregisters it
        // An item registered by hand without being active through this manager is only removed.
        UnregisterProfileItem(item);
    }
}

void TMoBaProfiles::ForEachItem(const std::function<void(TMoBaProfileItem*)>& Call) {
    // A handler may unregister items; work on a copy and skip those that left meanwhile.
    std::vector<TMoBaProfileItem*> items = m_items;
    for (TMoBaProfileItem* item : items)
        if (std::find(m_items.begin(), m_items.end(), item) != m_items.end())
            Call(item);
}

void TMoBaProfiles::LoadProfile() {
    ForEachItem([](TMoBaProfileItem* item) {
        if (item->OnLoad)
            item->OnLoad(item);
    });
}

void TMoBaProfiles::SaveProfile() {
    ForEachItem([](TMoBaProfileItem* item) {
        if (item->OnSave)
            item->OnSave(item);
    });
}

void TMoBaProfiles::ClearProfile() {
    ForEachItem([](TMoBaProfileItem* item) {
        if (item->OnClear)
            item->OnClear(item);
    });
}

void TMoBaProfiles::ResetChanges() {
    ForEachItem([](TMoBaProfileItem* item) {
        if (item->OnResetChanges)
            item->OnResetChanges(item);
    });
}

bool TMoBaProfiles::HasChanges() {
    bool any = false;
    ForEachItem([&any](TMoBaProfileItem* item) {
        bool changed = false;
        if (item->OnChangeQuery)
            item->OnChangeQuery(item, changed);
        any = any || changed;
    });
    return any;
}

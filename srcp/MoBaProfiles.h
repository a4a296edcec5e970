#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class IniFile;
class TMoBaProfiles;

// A participant in the profiles: while active it is registered with the profile manager, which hands
// it the active profile's INI file and tells it, through its events, to load, save or clear its
// settings and to report or forget unsaved changes. The events get the item as sender.
class TMoBaProfileItem {
public:
    using TNotifyEvent = std::function<void(TMoBaProfileItem* Sender)>;
    using TChangeQueryEvent = std::function<void(TMoBaProfileItem* Sender, bool& Changed)>;

    TMoBaProfileItem() = default;
    ~TMoBaProfileItem();
    TMoBaProfileItem(const TMoBaProfileItem&) = delete;
    TMoBaProfileItem& operator=(const TMoBaProfileItem&) = delete;

    bool Active() const { return m_active; }
    // Registers with MoBaProfiles (true) or unregisters (false) when the value changes. Activating
    // needs the library to be initialised and raises std::logic_error otherwise.
    void SetActive(bool Value);
    // The active profile's INI file while the item is active and a profile is active, else null.
    IniFile* GetIniFile() const;

    TChangeQueryEvent OnChangeQuery;
    TNotifyEvent OnResetChanges;
    TNotifyEvent OnSave;
    TNotifyEvent OnClear;
    TNotifyEvent OnLoad;

private:
    friend class TMoBaProfiles;
    bool m_active = false;
    TMoBaProfiles* m_manager = nullptr; // the manager this item registered with
};

class TMoBaProfile {
public:
    explicit TMoBaProfile(TMoBaProfiles* Owner) : m_owner(Owner) {}

    const std::string& FileName() const { return m_fileName; }
    // Stores the full path and lets the owner reopen its INI file.
    void SetFileName(const std::string& Value);
    std::string FileNoPath() const;
    TMoBaProfiles* Owner() const { return m_owner; }

private:
    TMoBaProfiles* m_owner;
    std::string m_fileName;
};

// Finds the profile files ("*.mpr") in the work folder and keeps one of them active.
class TMoBaProfiles {
public:
    explicit TMoBaProfiles(const std::string& WorkDir = ".");
    ~TMoBaProfiles();
    TMoBaProfiles(const TMoBaProfiles&) = delete;
    TMoBaProfiles& operator=(const TMoBaProfiles&) = delete;

    // Always ends in "/".
    const std::string& WorkDir() const { return m_workDir; }
    void SetWorkDir(const std::string& Folder);
    void ScanWorkDir();

    int ProfileCount() const { return static_cast<int>(m_profiles.size()); }
    // Null outside the list.
    TMoBaProfile* Profiles(int Index) const;
    // -1 when no profile is active.
    int ActiveProfile() const { return m_activeProfile; }
    // Makes another profile active (-1 for none) and reopens the INI file; indexes outside the list
    // are refused with std::out_of_range.
    void SetActiveProfile(int Index);
    // Null when no profile is active.
    TMoBaProfile* GetActiveProfile() const;
    // Opened on demand on the active profile's file; null when no profile is active.
    IniFile* GetIniFile();
    void ChangeIniFile();
    void ClearProfileList();

    void RegisterProfileItem(TMoBaProfileItem* Item);
    void UnregisterProfileItem(TMoBaProfileItem* Item);
    void UnregisterAllProfileItems();
    const std::vector<TMoBaProfileItem*>& ProfileItems() const { return m_items; }

    // Each of these raises the matching event of every registered item in registration order.
    void LoadProfile();
    void SaveProfile();
    void ClearProfile();
    void ResetChanges();
    // True when any registered item reports unsaved changes (every item is asked).
    bool HasChanges();

private:
    void ForEachItem(const std::function<void(TMoBaProfileItem*)>& Call);

    std::string m_workDir;
    std::vector<std::unique_ptr<TMoBaProfile>> m_profiles;
    std::vector<TMoBaProfileItem*> m_items;
    std::unique_ptr<IniFile> m_iniFile;
    int m_activeProfile = 0;
};

// The library's profile manager; it exists between MoBaLibraryInitialize and MoBaLibraryFinalize.
extern TMoBaProfiles* MoBaProfiles;

#include "srcp/MoBaProfiles.h"
#include "platform/IniFile.h"
#include "srcp/MoBaLibrary.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class MoBaProfilesTest : public ::testing::Test {
protected:
    void TearDown() override { MoBaLibraryFinalize(); }

    static std::vector<std::string> names() {
        std::vector<std::string> result;
        for (int i = 0; i < MoBaProfiles->ProfileCount(); ++i)
            result.push_back(MoBaProfiles->Profiles(i)->FileNoPath());
        return result;
    }

    TempDir m_dir;
};

} // namespace

TEST_F(MoBaProfilesTest, EmptyFolderGivesOneUnsavedDefaultProfile) {
    MoBaLibraryInitialize(m_dir.path());
    EXPECT_EQ(names(), std::vector<std::string>{"Default.mpr"});
    EXPECT_EQ(MoBaProfiles->ActiveProfile(), 0);
    ASSERT_NE(MoBaProfiles->GetActiveProfile(), nullptr);
    EXPECT_EQ(MoBaProfiles->GetActiveProfile()->FileName(), m_dir.path() + "Default.mpr");
    ASSERT_NE(MoBaProfiles->GetIniFile(), nullptr);
    EXPECT_EQ(MoBaProfiles->GetIniFile()->fileName(), m_dir.path() + "Default.mpr");
    EXPECT_FALSE(std::filesystem::exists(m_dir.path() + "Default.mpr"));
}

TEST_F(MoBaProfilesTest, WorkDirEndsInOneSlash) {
    writeFileBytes(m_dir.file("b.mpr"), "");
    writeFileBytes(m_dir.file("A.MPR"), "");
    writeFileBytes(m_dir.file("c.txt"), "");
    std::string bare = m_dir.path().substr(0, m_dir.path().size() - 1);
    for (const std::string& folder : {bare, m_dir.path()}) {
        SCOPED_TRACE(folder);
        MoBaLibraryInitialize(folder);
        EXPECT_EQ(MoBaProfiles->WorkDir(), m_dir.path());
        EXPECT_EQ(names(), (std::vector<std::string>{"A.MPR", "b.mpr"}));
        EXPECT_EQ(MoBaProfiles->Profiles(1)->FileName(), m_dir.path() + "b.mpr");
        EXPECT_EQ(MoBaProfiles->Profiles(2), nullptr);
        EXPECT_EQ(MoBaProfiles->ActiveProfile(), 0);
        MoBaLibraryFinalize();
    }
}

TEST_F(MoBaProfilesTest, RescanKeepsTheActiveProfileByName) {
    writeFileBytes(m_dir.file("a.mpr"), "");
    writeFileBytes(m_dir.file("b.mpr"), "[S]\r\nK=from b\r\n");
    MoBaLibraryInitialize(m_dir.path());
    MoBaProfiles->SetActiveProfile(1);
    EXPECT_EQ(MoBaProfiles->GetIniFile()->readString("S", "K", ""), "from b");

    writeFileBytes(m_dir.file("aa.mpr"), "");
    writeFileBytes(m_dir.file("B.mpr"), "");
    MoBaProfiles->ScanWorkDir();
    EXPECT_EQ(names(), (std::vector<std::string>{"a.mpr", "aa.mpr", "B.mpr", "b.mpr"}));
    EXPECT_EQ(MoBaProfiles->ActiveProfile(), 3);
    EXPECT_EQ(MoBaProfiles->GetIniFile()->readString("S", "K", ""), "from b");

    // The active file vanished: no profile is active, and nothing reaches a file.
    std::filesystem::remove(m_dir.file("b.mpr"));
    MoBaProfiles->ScanWorkDir();
    EXPECT_EQ(MoBaProfiles->ActiveProfile(), -1);
    EXPECT_EQ(MoBaProfiles->GetActiveProfile(), nullptr);
    EXPECT_EQ(MoBaProfiles->GetIniFile(), nullptr);

    // A second rescan has no name to look for and takes the first profile.
    MoBaProfiles->ScanWorkDir();
    EXPECT_EQ(MoBaProfiles->ActiveProfile(), 0);
    EXPECT_EQ(MoBaProfiles->GetActiveProfile()->FileNoPath(), "a.mpr");
    EXPECT_THROW(MoBaProfiles->SetActiveProfile(3), std::out_of_range);
    EXPECT_THROW(MoBaProfiles->SetActiveProfile(-2), std::out_of_range);
}

TEST_F(MoBaProfilesTest, ItemsRegisterOnceAndHearEventsInOrder) {
    MoBaLibraryInitialize(m_dir.path());
    std::size_t builtIn = MoBaProfiles->ProfileItems().size();
    std::vector<std::string> heard;
    auto listen = [&heard](TMoBaProfileItem& item, const std::string& name, bool changed) {
        item.OnLoad = [&heard, name, &item](TMoBaProfileItem* sender) {
            heard.push_back(name + (sender == &item ? " load" : " load from a stranger"));
        };
        item.OnSave = [&heard, name](TMoBaProfileItem*) { heard.push_back(name + " save"); };
        item.OnClear = [&heard, name](TMoBaProfileItem*) { heard.push_back(name + " clear"); };
        item.OnResetChanges = [&heard, name](TMoBaProfileItem*) { heard.push_back(name + " reset"); };
        item.OnChangeQuery = [&heard, name, changed](TMoBaProfileItem*, bool& c) {
            heard.push_back(name + " query");
            c = changed;
        };
    };

    auto first = std::make_unique<TMoBaProfileItem>();
    TMoBaProfileItem second;
    listen(*first, "first", false);
    listen(second, "second", true);
    EXPECT_EQ(first->GetIniFile(), nullptr);
    first->SetActive(true);
    first->SetActive(true);
    second.SetActive(true);
    EXPECT_EQ(MoBaProfiles->ProfileItems().size(), builtIn + 2);
    EXPECT_EQ(first->GetIniFile(), MoBaProfiles->GetIniFile());

    MoBaProfiles->LoadProfile();
    MoBaProfiles->SaveProfile();
    EXPECT_TRUE(MoBaProfiles->HasChanges());
    MoBaProfiles->ClearProfile();
    MoBaProfiles->ResetChanges();
    EXPECT_EQ(heard, (std::vector<std::string>{"first load", "second load", "first save", "second save",
                                               "first query", "second query", "first clear", "second clear",
                                               "first reset", "second reset"}));

    first.reset();
    EXPECT_EQ(MoBaProfiles->ProfileItems().size(), builtIn + 1);
    heard.clear();
    EXPECT_TRUE(MoBaProfiles->HasChanges());
    EXPECT_EQ(heard, std::vector<std::string>{"second query"});
    second.SetActive(false);
    EXPECT_EQ(second.GetIniFile(), nullptr);
    EXPECT_EQ(MoBaProfiles->ProfileItems().size(), builtIn);
}

TEST_F(MoBaProfilesTest, ItemsOutliveTheManagerSafely) {
    TMoBaProfileItem outside;
    EXPECT_THROW(outside.SetActive(true), std::logic_error);
    MoBaLibraryInitialize(m_dir.path());
    outside.SetActive(true);
    MoBaLibraryFinalize();
    EXPECT_FALSE(outside.Active());
    EXPECT_EQ(outside.GetIniFile(), nullptr);
}

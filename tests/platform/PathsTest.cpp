#include "platform/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class PathsTest : public testing::Test {
protected:
    void SetUp() override {
        writeFileBytes(m_dir.file("Data/Elemente1.dat"), "x");
        writeFileBytes(m_dir.file("Data/Func_on.bmp"), "x");
        writeFileBytes(m_dir.file("Layouts/Bahnhof.pln"), "x");
        writeFileBytes(m_dir.file("Layouts/bahnhof.PLN"), "x");
        writeFileBytes(m_dir.file("Hilfe/QUARN.hlp"), "x");
        setWorkFolder(m_dir.path());
    }
    void TearDown() override { setWorkFolder(""); }

    TempDir m_dir;
};

TEST_F(PathsTest, FoldersHangOffTheWorkFolderWithOrWithoutSlash) {
    std::string bare = m_dir.path();
    bare.pop_back();
    setWorkFolder(bare);
    EXPECT_EQ(workFolder(), m_dir.path());
    EXPECT_EQ(dataFolder(), m_dir.path() + "Data/");
    EXPECT_EQ(layoutFolder(), m_dir.path() + "Layouts/");
    EXPECT_EQ(helpFolder(), m_dir.path() + "Hilfe/");
}

TEST(Paths, DefaultWorkFolderIsTheProgramFolder) {
    setWorkFolder("");
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    std::string expected = exe;
    expected.erase(expected.rfind('/') + 1);
    EXPECT_EQ(workFolder(), expected);
}

TEST_F(PathsTest, ResolvesEachComponentWithoutRegardToCase) {
    const std::string w = m_dir.path();
    struct Case {
        std::string in, out;
    } cases[] = {
        {"data\\Elemente1.dat", w + "Data/Elemente1.dat"},
        {"DATA/ELEMENTE1.DAT", w + "Data/Elemente1.dat"},
        {"Data\\func_on.bmp", w + "Data/Func_on.bmp"},
        {w + "data/FUNC_ON.BMP", w + "Data/Func_on.bmp"},
        {"hilfe\\quarn.HLP", w + "Hilfe/QUARN.hlp"},
        // exact spelling wins over another case-blind match
        {"Layouts/bahnhof.PLN", w + "Layouts/bahnhof.PLN"},
        {"Layouts/Bahnhof.pln", w + "Layouts/Bahnhof.pln"},
        // several case-blind matches, none exact: the first in byte order
        {"layouts/BAHNHOF.pln", w + "Layouts/Bahnhof.pln"},
        // missing components keep their spelling, also below a missing folder
        {"data\\Neu.pln", w + "Data/Neu.pln"},
        {"nothere\\data\\x.dat", w + "nothere/data/x.dat"},
        {"data\\", w + "Data/"},
        {"data\\\\Elemente1.dat", w + "Data/Elemente1.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(resolvePath(c.in), c.out);
    }
}

} // namespace

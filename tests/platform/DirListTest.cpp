#include "platform/DirList.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(DirList, ListsMatchingRegularFilesSortedWithoutRegardToCase) {
    TempDir dir;
    for (const char* name : {"b.MPR", "a.mpr", "C.mpr", "B.mpr", "x.mpr.bak", "mpr", "d.txt", ".mpr"})
        writeFileBytes(dir.file(name), "");
    std::filesystem::create_directory(dir.file("sub.mpr"));
    std::filesystem::create_symlink(dir.file("missing"), dir.file("broken.mpr"));
    std::filesystem::create_symlink(dir.file("a.mpr"), dir.file("link.mpr"));

    EXPECT_EQ(listFiles(dir.path(), "*.mpr"),
              (std::vector<std::string>{".mpr", "a.mpr", "B.mpr", "b.MPR", "C.mpr", "link.mpr"}));
    EXPECT_TRUE(listFiles(dir.path() + "absent/", "*.mpr").empty());
}

TEST(DirList, MatchesPatterns) {
    struct Case {
        const char* name;
        const char* pattern;
        bool expected;
    } cases[] = {
        {"a.mpr", "*.mpr", true},
        {"A.MPR", "*.mpr", true},
        {"a.mprx", "*.mpr", false},
        {"a.mp", "*.mpr", false},
        {"x.y.mpr", "*.mpr", true},
        {"ab", "a?", true},
        {"a", "a?", false},
        {"abc", "*", true},
        {"", "*", true},
        {"", "?", false},
        {"aXbXc", "a*b*c", true},
        {"aXbX", "a*b*c", false},
        {"\xC4.mpr", "\xE4*", true},
        {"mpr", "*.mpr", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " ~ " + c.pattern);
        EXPECT_EQ(matchesFilePattern(c.name, c.pattern), c.expected);
    }
    EXPECT_LT(compareIgnoringCase("a", "B"), 0);
    EXPECT_EQ(compareIgnoringCase("Abc", "aBC"), 0);
    EXPECT_GT(compareIgnoringCase("ab", "A"), 0);
}

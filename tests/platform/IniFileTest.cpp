#include "platform/IniFile.h"
#include "FolderEntries.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(IniFile, ReadsLikeAWindowsIniFile) {
    const std::string content = "; comment\r\n"
                                "Top=before any section\r\n"
                                "[Main]\r\n"
                                "  Name  =  Motorola 1  \r\n"
                                "Empty=\r\n"
                                "Eq=a=b\r\n"
                                "Dup=first\r\n"
                                "dup=second\n"
                                ";Hidden=1\n"
                                "[ Other ]\n"
                                "Name=other\n"
                                "[MAIN]\n"
                                "Late=only in the second Main\n";
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Main", "Name", "Motorola 1"},
        {"main", "NAME", "Motorola 1"},
        {"Main", "Empty", ""},
        {"Main", "Eq", "a=b"},
        {"Main", "Dup", "first"},
        {"Main", "Hidden", "<default>"},
        {"Main", ";Hidden", "<default>"},
        {"Other", "Name", "other"},
        {"Main", "Late", "<default>"},
        {"Main", "Top", "<default>"},
        {"Missing", "Name", "<default>"},
    };
    TempDir dir;
    writeFileBytes(dir.file("a.ini"), content);
    IniFile ini(dir.file("a.ini"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(ini.readString(c.section, c.key, "<default>"), c.expected);
    }
    EXPECT_EQ(ini.readSection("MAIN"), (std::vector<std::string>{"Name", "Empty", "Eq", "Dup"}));
    EXPECT_EQ(ini.readSection("other"), (std::vector<std::string>{"Name"}));
    EXPECT_TRUE(ini.readSection("Missing").empty());
    EXPECT_TRUE(ini.sectionExists("oThEr"));
    EXPECT_FALSE(ini.sectionExists("Missing"));
}

TEST(IniFile, ReadsIntegers) {
    struct Case {
        const char* text;
        int expected;
    } cases[] = {
        {"12", 12},          {" -7 ", -7},
        {"+3", 3},           {"$1F", 31},
        {"0x10", 16},        {"-$10", -16},
        {"12a", -99},        {"", -99},
        {"abc", -99},        {"2147483647", 2147483647},
        {"2147483648", -99}, {"-2147483648", -2147483647 - 1},
        {"--1", -99},        {"0x", -99},
    };
    TempDir dir;
    std::string content = "[S]\r\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        content.append("K").append(std::to_string(i)).append("=").append(cases[i].text).append("\r\n");
    writeFileBytes(dir.file("n.ini"), content);
    IniFile ini(dir.file("n.ini"));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        EXPECT_EQ(ini.readInteger("S", std::string("K").append(std::to_string(i)), -99), cases[i].expected);
    }
}

TEST(IniFile, MissingFileReadsEmptyAndIsCreatedByTheFirstWrite) {
    TempDir dir;
    IniFile ini(dir.file("new.ini"));
    EXPECT_EQ(ini.readString("S", "K", "d"), "d");
    EXPECT_EQ(ini.readInteger("S", "K", 5), 5);
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.ini")));

    ini.writeInteger("Sec", "Count", -3);
    ini.writeString("Sec", "Name", "  padded  ");
    ini.writeString("Second", "Line", "a\r\nb");
    EXPECT_EQ(readFileBytes(dir.file("new.ini")),
              "[Sec]\r\nCount=-3\r\nName=padded\r\n[Second]\r\nLine=a  b\r\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"new.ini"});
}

TEST(IniFile, WritesInPlaceAndKeepsForeignLines) {
    TempDir dir;
    writeFileBytes(dir.file("w.ini"), "; keep me\n[A]\nx = 1\n\n[B]\ny=2\n");
    IniFile ini(dir.file("w.ini"));
    ini.writeString("a", "X", "10"); // existing key, other case: replaced in place with its own spelling
    ini.writeString("A", "z", "3");  // new key: after the last non-blank line of the section
    ini.writeInteger("C", "w", 4);   // new section at the end
    EXPECT_EQ(readFileBytes(dir.file("w.ini")),
              "; keep me\r\n[A]\r\nx=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
}

TEST(IniFile, EraseSectionRemovesEveryCopy) {
    TempDir dir;
    writeFileBytes(dir.file("e.ini"), "[A]\r\na=1\r\n[B]\r\nb=2\r\n[a]\r\nc=3\r\n");
    IniFile ini(dir.file("e.ini"));
    ini.eraseSection("A");
    EXPECT_EQ(readFileBytes(dir.file("e.ini")), "[B]\r\nb=2\r\n");
    ini.eraseSection("Missing");
    EXPECT_EQ(readFileBytes(dir.file("e.ini")), "[B]\r\nb=2\r\n");
}

TEST(IniFile, FailedWritesRaiseAndLeaveNothingBehind) {
    TempDir dir;
    IniFile inMissingFolder(dir.path() + "nowhere/x.ini");
    EXPECT_THROW(inMissingFolder.writeString("S", "K", "v"), IniFileError);

    // A path that exists but cannot be read as a file must not be replaced by a write.
    std::filesystem::create_directory(dir.file("folder.ini"));
    IniFile onFolder(dir.file("folder.ini"));
    EXPECT_THROW(onFolder.writeString("S", "K", "v"), IniFileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.ini")));
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"folder.ini"});

    IniFile ok(dir.file("ok.ini"));
    EXPECT_THROW(ok.writeString("S", "K=", "v"), std::invalid_argument);
    EXPECT_THROW(ok.writeString("S]", "K", "v"), std::invalid_argument);
    EXPECT_THROW(ok.writeString("S", " ", "v"), std::invalid_argument);
}

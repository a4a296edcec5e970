#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "PlanFixture.h"
#include "engine/Bahncalcunit.h"
#include "engine/SettingsFile.h"
#include "engine/lokunit.h"
#include "platform/TextFile.h"
#include "support/NoReplaceRenameOff.h"
#include "support/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

std::string join(const Lines& lines) {
    std::string out;
    for (const std::string& line : lines)
        out += line + "\r\n";
    return out;
}

// The file a first start writes, spelled out.
Lines defaultLines() {
    Lines lines = {"12345", "localhost", "0", "73", "1", "1", "1", "0",
                   "0",     "1",         "2", "3",  "5", "6", "8", "1"};
    for (int slot = 0; slot < 10; ++slot) {
        lines.insert(lines.end(), {"M1", "4", "1", "Lok", "3", "1", "-1", "0", "100", "0"});
        lines.insert(lines.end(), 32, "0");
        lines.insert(lines.end(), {"7", "1", "3", "2", "Direction", "Func", "F2", "F3"});
    }
    return lines;
}

// Index into defaultLines() of line n (1-based) of slot s's record.
std::size_t slotLine(int slot, int n) {
    return static_cast<std::size_t>(16 + slot * 50 + n - 1);
}

class Settings : public EngineFolder {
protected:
    std::string file() const { return dir.path() + "Data/parmc.dat"; }
};

TEST_F(Settings, FirstStartWritesTheCurrentValuesAndReadsThemBack) {
    EXPECT_THROW(Bahn->parameterladen(), TextFileError);
    EXPECT_FALSE(Bahn->keepBadSettingsFile());
    Lok->set_name(0, "two\r\nlines"); // a line break in a string is written as blanks
    Bahn->parameterspeichern();
    Lines expected = defaultLines();
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(SettingsFileLines));
    expected[slotLine(0, 4)] = "two  lines";
    EXPECT_EQ(readFileBytes(file()), join(expected));

    form.Ipport = 1;
    form.BusS88 = 0;
    Lok->set_jb4func(9, "");
    Bahn->parameterladen();
    EXPECT_EQ(form.Ipport, 12345);
    EXPECT_EQ(form.BusS88, 8);
    EXPECT_EQ(Lok->get_jb4func(9), "F3");
}

TEST_F(Settings, AChangedFileReadsIntoItsFieldsAndWritesBackTheSameBytes) {
    Lines lines = defaultLines();
    // Strings are taken as they stand, a tab or another control byte in them too.
    const Lines header = {"4303", "srv,1\t2", "1",  "80", "6",  "0",  "0",  "1",
                          "1",    "11",       "12", "13", "15", "16", "18", "19"};
    std::copy(header.begin(), header.end(), lines.begin());
    const Lines slot3 = {"N3", "5", "2", "Gro\xDF\x80\tBoy", "4711", "7", "1", "55", "120", "4",
                         "13", "0", "4"};
    std::copy(slot3.begin(), slot3.end(), lines.begin() + static_cast<long>(slotLine(3, 1)));
    lines[slotLine(3, 46)] = "9";
    lines[slotLine(3, 50)] = std::string("Bell,\0loud", 10);
    writeFileBytes(file(), join(lines));

    Bahn->parameterladen();
    const std::vector<std::pair<int, int>> ints = {{form.Ipport, 4303},
                                                   {form.SrcpVer, 80},
                                                   {form.Lang_id, 6},
                                                   {form.Joy_Mode, 0},
                                                   {form.Buspower, 19},
                                                   {form.BusGaNMRA, 16},
                                                   {Lok->get_protocolbase(3), 5},
                                                   {Lok->get_addr(3), 4711},
                                                   {Lok->get_speed(3), 55},
                                                   {Lok->get_nrof(3), 4},
                                                   {Lok->get_jb4(3), 9},
                                                   {Lok->get_addr(4), 3}};
    for (std::size_t i = 0; i < ints.size(); ++i)
        EXPECT_EQ(ints[i].first, ints[i].second) << "value " << i;
    EXPECT_EQ(form.Iphostchar, "srv,1\t2");
    EXPECT_EQ(Lok->get_name(3), "Gro\xDF\x80\tBoy");
    EXPECT_EQ(Lok->get_jb4func(3), std::string("Bell,\0loud", 10));

    lines[slotLine(3, 11)] = "3"; // F0 was written on and comes up off
    Bahn->parameterspeichern();
    EXPECT_EQ(readFileBytes(file()), join(lines));
}

TEST_F(Settings, ReadingRules) {
    struct Case {
        std::size_t line;
        const char* text;
        std::function<int()> read;
        int expected;
    };
    const auto f = [](int slot, int fn) {
        return [=] {
            TLokFunctions v{};
            Lok->get_F(slot, v);
            return int(v[static_cast<std::size_t>(fn)]);
        };
    };
    const auto protType = [] { return int(Lok->get_protocolbase(2)); };
    const auto protocolIs = [](std::string expected) {
        return [expected] { return int(Lok->get_protocol(2) == expected); };
    };
    const auto lang = [this] { return form.Lang_id; };
    const Case cases[] = {
        {slotLine(2, 2), "7", protType, 7},
        {slotLine(2, 2), "0", protType, 0},
        {slotLine(2, 2), "8", protType, 3},
        {slotLine(2, 2), "-1", protType, 3},
        {slotLine(6, 11), "11", f(6, 0), 1},
        {slotLine(6, 15), "20", f(6, 4), 10},
        {slotLine(6, 15), "10", f(6, 4), 10},
        {slotLine(6, 18), "21", f(6, 7), 11},
        {slotLine(6, 19), "5", f(6, 8), 0},
        {slotLine(6, 42), "11", f(6, 31), 0},
        {4, "7", lang, 7},
        {4, "0", lang, 1},
        {4, "8", lang, 1},
        {4, "-3", lang, 1},
        {4, "\r\n7", lang, 7}, // an empty line before a number is passed over
        // Read as it stands; the command builders keep it off the wire.
        {slotLine(2, 1), "M\rSET POWER OFF\r", protocolIs("M\rSET POWER OFF\r"), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("line " + std::to_string(c.line + 1) + " = " + c.text);
        Lok->set_protocolbase(2, 3);
        Lines lines = defaultLines();
        lines[c.line] = c.text;
        writeFileBytes(file(), join(lines));
        Bahn->parameterladen();
        EXPECT_EQ(c.read(), c.expected);
    }
}

TEST_F(Settings, AFileThatEndsEarlyOrHoldsABadValueIsAnErrorAndKeepsWhatWasRead) {
    struct Case {
        std::size_t keep;
        std::string trailer;
        int ipport, bus, addr;
    };
    const Case cases[] = {{0, "", 1, 99, 77},
                          {3, "", 12345, 99, 77},
                          {515, "", 12345, 8, 3},
                          {58, "\r\n\r\n", 12345, 8, 3},
                          {20, "x\r\n", 12345, 8, 77},
                          // Longer than a settings file can be: nothing is read.
                          {2, std::string(MaxTextFileBytes, 'x'), 1, 99, 77}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.keep) + " lines");
        form.Ipport = 1;
        form.BusS88 = 99;
        Lok->set_addr(0, 77);
        Lok->set_jb4func(9, "kept");
        Lines lines = defaultLines();
        lines.resize(c.keep);
        writeFileBytes(file(), join(lines) + c.trailer);
        EXPECT_THROW(Bahn->parameterladen(), TextFileError);
        EXPECT_EQ(form.Ipport, c.ipport);
        EXPECT_EQ(form.BusS88, c.bus);
        EXPECT_EQ(Lok->get_addr(0), c.addr);
        EXPECT_EQ(Lok->get_jb4func(9), "kept");
    }
}

TEST_F(Settings, ABadFileIsKeptAsBackupAndTheFolderIsCreatedForTheRewrite) {
    writeFileBytes(file(), "garbage\r\n");
    EXPECT_THROW(Bahn->parameterladen(), TextFileError);
    EXPECT_TRUE(Bahn->keepBadSettingsFile());
    EXPECT_FALSE(std::filesystem::exists(file()));
    std::filesystem::rename(dir.path() + "Data", dir.path() + "Old");
    Bahn->parameterspeichern();
    EXPECT_EQ(readFileBytes(file()), join(defaultLines()));
    EXPECT_EQ(readFileBytes(dir.path() + "Old/parmc.dat.bak"), "garbage\r\n");
}

// Where renames cannot refuse to replace, a folder cannot take a second name: it stays with what it
// holds, and the settings are not written over it.
TEST_F(Settings, AFolderThatCannotBeLinkedAsideIsHeld) {
    std::filesystem::create_directory(file());
    writeFileBytes(file() + "/inside", "y");
    g_renameat2Unsupported = true;
    EXPECT_THROW(Bahn->keepBadSettingsFile(), TextFileError);
    g_renameat2Unsupported = false;
    EXPECT_THROW(Bahn->parameterspeichern(), TextFileError);
    EXPECT_EQ(readFileBytes(file() + "/inside"), "y");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() + "Data"), {}), 1);
}

TEST_F(Settings, FolderAndFileAreFoundWithoutRegardToCase) {
    std::filesystem::rename(dir.path() + "Data", dir.path() + "data");
    Lines lines = defaultLines();
    lines[0] = "2222";
    writeFileBytes(dir.path() + "data/PARMC.DAT", join(lines));
    Bahn->parameterladen();
    EXPECT_EQ(form.Ipport, 2222);
    form.Ipport = 3333;
    Bahn->parameterspeichern();
    lines[0] = "3333";
    EXPECT_EQ(readFileBytes(dir.path() + "data/PARMC.DAT"), join(lines));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "Data"));
    EXPECT_TRUE(Bahn->keepBadSettingsFile());
    EXPECT_EQ(readFileBytes(dir.path() + "data/parmc.dat.bak"), join(lines));
}

TEST_F(Settings, AFailedWriteRaisesAndKeepsWhatWasThere) {
    std::filesystem::create_directories(file() + "/inside"); // the rename over it fails
    EXPECT_THROW(Bahn->parameterspeichern(), TextFileError);
    EXPECT_TRUE(std::filesystem::is_directory(file() + "/inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() + "Data"), {}), 1);

    std::filesystem::remove_all(dir.path() + "Data");
    writeFileBytes(dir.path() + "Data", "not a folder");
    EXPECT_THROW(Bahn->parameterspeichern(), TextFileError);
    EXPECT_EQ(readFileBytes(dir.path() + "Data"), "not a folder");
}

} // namespace

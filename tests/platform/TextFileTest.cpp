#include "platform/TextFile.h"
#include "FolderEntries.h"
#include "support/FifoGuard.h"
#include "support/NoReplaceRenameOff.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The message of the TextFileError that f raised; empty when it raised none.
std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const TextFileError& e) {
        return e.what();
    }
    return "";
}

TEST(TextReader, ReadsIntegers) {
    struct Case {
        std::string bytes;
        int32_t value;
    } cases[] = {
        {"42\r\n", 42},
        {"-7\n", -7},
        {"+7\r\n", 7},
        {"2147483647", 2147483647},
        {"-2147483648\r\n", INT32_MIN},
        {"0005\r\n", 5},
        {"12 trailing words\r\n", 12},
        {"12\tx\r\n", 12},
        {"\r\n\r\n  \t13\r\n", 13}, // empty lines and blanks before a number are passed over
        {"", 0},
        {"   \r\n\r\n", 0},
        {"00000000000000000000000000000099", 99}, // 32 characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        auto reader = TextReader::fromBytes(c.bytes);
        EXPECT_EQ(reader.readInt(), c.value);
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(TextReader, RejectsMalformedIntegers) {
    struct Case {
        std::string bytes, message;
    } cases[] = {
        {"12abc\r\n", "not a number: \"12abc\""},
        {"abc\r\n", "not a number: \"abc\""},
        {"1.5\r\n", "not a number"},
        {"$10\r\n", "not a number"},
        {"0x10\r\n", "not a number"},
        {"+-3\r\n", "not a number"},
        {"-\r\n", "not a number"},
        {"+\r\n", "not a number"},
        {"\x01"
         "5\r\n",
         "not a number"},
        {"2147483648\r\n", "out of range"},
        {"-2147483649\r\n", "out of range"},
        {"99999999999999999999\r\n", "out of range"},
        {"000000000000000000000000000000099\r\n", "too long"}, // 33 characters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        auto reader = TextReader::fromBytes(c.bytes);
        const std::string error = errorOf([&] { reader.readInt(); });
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    }
}

TEST(TextReader, ReadsStringsAndMixedRecords) {
    auto reader =
        TextReader::fromBytes("12345\r\nlocalhost\r\n  Lok mit Blanks  \r\n\r\n\n80\n\xC4nderung\nlast");
    EXPECT_EQ(reader.readInt(), 12345);
    EXPECT_EQ(reader.readString(), "localhost");
    EXPECT_EQ(reader.readString(), "  Lok mit Blanks  ");
    EXPECT_EQ(reader.readString(), "");
    // an integer passes over the empty line that a string would have read
    EXPECT_EQ(reader.readInt(), 80);
    EXPECT_EQ(reader.readString(), "\xC4nderung");
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.readString(), "last");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.readString(), "");
    EXPECT_EQ(reader.readInt(), 0);
}

TEST(TextReader, KeepsCarriageReturnsThatDoNotEndTheLine) {
    auto reader = TextReader::fromBytes("a\rb\r\nc\r");
    EXPECT_EQ(reader.readString(), "a\rb");
    EXPECT_EQ(reader.readString(), "c");
    EXPECT_TRUE(reader.atEnd());
}

TEST(TextReader, ErrorNamesTheLineOfTheBadNumber) {
    auto reader = TextReader::fromBytes("1\r\nname\r\n\r\nx7\r\n");
    reader.readInt();
    reader.readString();
    EXPECT_EQ(errorOf([&] { reader.readInt(); }), "(text), line 4: not a number: \"x7\"");
}

TEST(TextReader, OpensFilesAndReportsMissingOnes) {
    TempDir dir;
    writeFileBytes(dir.file("parmc.dat"), "4711\r\nhost\r\n");
    TextReader reader(dir.path() + "parmc.dat");
    EXPECT_EQ(reader.readInt(), 4711);
    EXPECT_EQ(reader.readString(), "host");

    for (const std::string& bad : {dir.path() + "missing.dat", dir.path()}) {
        SCOPED_TRACE(bad);
        const std::string error = errorOf([&] { TextReader r(bad); });
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }
}

TEST(TextFile, ReadsOnlyRegularFilesUpToTheirBound) {
    TempDir dir;
    FifoGuard fifo(dir.path() + "pipe.dat");
    ASSERT_TRUE(fifo.made());
    std::filesystem::create_symlink("/dev/zero", dir.path() + "zero.dat");
    writeFileBytes(dir.file("ten.dat"), "0123456789");
    std::filesystem::create_symlink(dir.path() + "ten.dat", dir.path() + "link.dat");
    const struct {
        std::string path;
        std::size_t bound;
        const char* error; // "": read
    } cases[] = {
        {dir.path() + "ten.dat", 10, ""},
        {dir.path() + "link.dat", 10, ""},
        {dir.path() + "ten.dat", 9, "larger than 9 bytes"},
        {"/proc/self/status", 16, "larger than 16 bytes"}, // reports no size
        {dir.path() + "pipe.dat", 100, "not a regular file"},
        {dir.path() + "zero.dat", 100, "not a regular file"},
        {dir.path(), 100, "Is a directory"},
        {dir.path() + "missing.dat", 100, "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string error = errorOf([&] { EXPECT_EQ(readRegularFile(c.path, c.bound), "0123456789"); });
        EXPECT_EQ(error, *c.error ? "cannot open " + c.path + ": " + c.error : "");
    }
    EXPECT_FALSE(fifo.fired()) << "the reader waited for a writer";
}

TEST(TextWriter, WritesExactBytesWithCrLf) {
    TempDir dir;
    const std::string path = dir.path() + "plan.pln";
    {
        TextWriter writer(path);
        writer.writeInt(2);
        writer.writeInt(-15);
        writer.writeInt(INT32_MIN);
        writer.writeInt(0);
        writer.writeString("Arial,10,1000,clBlack");
        writer.writeString("");
        writer.writeString("zwei\r\nZeilen\nund\rmehr\tund\x01");
        writer.writeString("Gr\xFC\xDF"
                           "e ");
        writer.commit();
    }
    // Only the line ends inside a value become blanks; a tab and other control bytes stay.
    EXPECT_EQ(readFileBytes(path), "2\r\n-15\r\n-2147483648\r\n0\r\nArial,10,1000,clBlack\r\n\r\n"
                                   "zwei  Zeilen und mehr\tund\x01\r\nGr\xFC\xDF"
                                   "e \r\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"plan.pln"});
}

TEST(TextFile, KeepAsideTakesTheFirstFreeNameAndReplacesNothing) {
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        std::vector<std::string> before; // the names in the folder besides p.dat ("name/" a folder)
        const char* keptAs;              // "": it stays
        char kind = 'f';                 // what p.dat is: a file, '|' a pipe, '@' a link
        bool linked = false;             // moved by link() and unlink(): renameat2 is not supported
    } cases[] = {
        {"a file, a folder and a dangling link in the way",
         {"p.dat.bak", "p.dat.bak1/", "p.dat.bak2@"},
         "p.dat.bak3"},
        {"nothing free", {}, ""},
        {"a file linked aside", {"p.dat.bak"}, "p.dat.bak1", 'f', true},
        {"a pipe linked aside", {"p.dat.bak"}, "p.dat.bak1", '|', true},
        {"a link linked aside", {"p.dat.bak"}, "p.dat.bak1", '@', true},
    };
    // What stands at a name, told apart by kind.
    const auto entry = [](const std::string& name) {
        const fs::file_status st = fs::symlink_status(name);
        return fs::is_symlink(st) ? "-> " + fs::read_symlink(name).string()
               : fs::is_fifo(st)  ? std::string("pipe")
                                  : readFileBytes(name);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.path() + "p.dat";
        if (c.kind == '|')
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else if (c.kind == '@')
            fs::create_symlink("p.dat.bak", path);
        else
            writeFileBytes(path, "damaged");
        const std::string standing = entry(path);
        std::vector<std::string> names = c.before;
        if (names.empty())
            for (int n = 0; n < MaxBackupNames; ++n)
                names.push_back("p.dat.bak" + (n ? std::to_string(n) : ""));
        for (const std::string& name : names) {
            if (name.ends_with('/'))
                fs::create_directory(dir.path() + name);
            else if (name.ends_with('@'))
                fs::create_symlink("nowhere", dir.path() + name.substr(0, name.size() - 1));
            else
                writeFileBytes(dir.path() + name, "older");
        }
        const std::vector<std::string> before = folderEntries(dir.path());
        std::string kept;
        g_renameat2Unsupported = c.linked;
        const std::string error = errorOf([&] { kept = keepAside(path); });
        g_renameat2Unsupported = false;
        if (!*c.keptAs) {
            EXPECT_EQ(error, "cannot keep " + path + ": every name from " + path + ".bak to " + path +
                                 ".bak999 is taken");
            EXPECT_EQ(folderEntries(dir.path()), before);
            continue;
        }
        EXPECT_EQ(error, "");
        if (!error.empty())
            continue;
        EXPECT_EQ(kept, dir.path() + c.keptAs);
        EXPECT_EQ(entry(kept), standing);
        EXPECT_EQ(readFileBytes(dir.path() + "p.dat.bak"), "older");
        EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
        EXPECT_EQ(folderEntries(dir.path()).size(), before.size());
    }
}

TEST(TextWriter, LeavesTheOldFileUntilCommit) {
    TempDir dir;
    const std::string path = dir.path() + "parmc.dat";
    writeFileBytes(path, "old\r\n");
    chmod(path.c_str(), 0640);
    {
        TextWriter writer(path);
        writer.writeString("new");
        EXPECT_EQ(readFileBytes(path), "old\r\n");
        EXPECT_EQ(folderEntries(dir.path()).size(), 2u); // the old file and the temporary one
    }
    EXPECT_EQ(readFileBytes(path), "old\r\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"parmc.dat"});

    TextWriter writer(path);
    writer.writeString("new");
    writer.commit();
    EXPECT_EQ(readFileBytes(path), "new\r\n");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(TextWriter, ReportsFailuresAndKeepsNoTemporaryFile) {
    TempDir dir;
    EXPECT_THROW(TextWriter(dir.path() + "missing/plan.pln"), TextFileError);

    // a folder where the file should go: the rename fails
    const std::string blocked = dir.file("blocked/keep.txt");
    writeFileBytes(blocked, "keep");
    TextWriter writer(dir.path() + "blocked");
    writer.writeInt(1);
    EXPECT_THROW(writer.commit(), TextFileError);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"blocked"});
    EXPECT_EQ(readFileBytes(blocked), "keep");
}

TEST(TextWriter, AWriteBeyondTheFileSizeLimitFailsAsOnAFullDisk) {
    TempDir dir;
    const std::string path = dir.path() + "plan.pln";
    writeFileBytes(path, "old\r\n");
    // The limit holds in a child process only.
    EXPECT_EXIT(
        {
            ignoreFileSizeSignal();
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 1000;
            setrlimit(RLIMIT_FSIZE, &limit);
            const std::string error = errorOf([&] {
                TextWriter writer(path);
                writer.writeString(std::string(5000, 'x'));
                writer.commit();
            });
            _exit(error.find(path) != std::string::npos ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"plan.pln"});
    EXPECT_EQ(readFileBytes(path), "old\r\n");
}

} // namespace

TEST(TextFile, ParsesOnlyWholeDecimalIntegers) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"12", 12},
        {"  12", 12},
        {"+5", 5},
        {"-7", -7},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"+-5", std::nullopt},
        {"12 ", std::nullopt},
        {"1x", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"+", std::nullopt},
        {"0x10", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseDecimalInt(c.text), c.value);
    }
}

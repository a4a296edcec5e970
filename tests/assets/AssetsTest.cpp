// Checks the generated run-time folder: the element catalogue, the plan icons and the throttle glyphs,
// read back with a bitmap reader of the test's own.

#include "support/TempDir.h"

#include <QDir>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kRuntime = QUARN_RUNTIME_DIR;
const std::string kData = kRuntime + "/Data/";

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

// An uncompressed 24-bit Windows bitmap, parsed from its bytes.
struct Bmp {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::string bytes;
    uint32_t offset = 0;

    Rgb at(int x, int y) const {
        const int stride = (width * 3 + 3) / 4 * 4;
        const size_t i = offset + size_t((height - 1 - y) * stride + x * 3);
        return {uint8_t(bytes[i + 2]), uint8_t(bytes[i + 1]), uint8_t(bytes[i])};
    }
};

uint32_t le(const std::string& b, size_t at, int size) {
    uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | uint8_t(b[at + size_t(i)]);
    return v;
}

// Fails the calling test when the header does not describe a plain 24-bit bottom-up bitmap of
// exactly the file's size.
Bmp readBmp(const std::string& path) {
    Bmp bmp;
    bmp.bytes = readFileBytes(path);
    const std::string& b = bmp.bytes;
    EXPECT_GE(b.size(), 54u) << path;
    if (b.size() < 54)
        return bmp;
    EXPECT_EQ(b.substr(0, 2), "BM") << path;
    EXPECT_EQ(le(b, 2, 4), b.size()) << path;
    bmp.offset = le(b, 10, 4);
    EXPECT_EQ(bmp.offset, 54u) << path;
    EXPECT_EQ(le(b, 14, 4), 40u) << path;
    bmp.width = int(le(b, 18, 4));
    bmp.height = int(le(b, 22, 4));
    EXPECT_EQ(le(b, 26, 2), 1u) << path;
    bmp.bitCount = int(le(b, 28, 2));
    EXPECT_EQ(bmp.bitCount, 24) << path;
    EXPECT_EQ(le(b, 30, 4), 0u) << path; // no compression
    const size_t stride = size_t(bmp.width * 3 + 3) / 4 * 4;
    EXPECT_EQ(b.size(), 54 + stride * size_t(bmp.height)) << path;
    if (bmp.bitCount != 24 || b.size() != 54 + stride * size_t(bmp.height))
        bmp.width = bmp.height = 0;
    return bmp;
}

const Rgb kGrey{192, 192, 192};

using Colour = bool (*)(Rgb);
const Colour isDark = [](Rgb c) { return c.r < 90 && c.g < 90 && c.b < 90; };
const Colour isRouteYellow = [](Rgb c) { return c.r > 230 && c.g > 180 && c.b < 60; };
const Colour isRed = [](Rgb c) { return c.r > 190 && c.g < 80 && c.b < 80; };
const Colour isGreen = [](Rgb c) { return c.g > 170 && c.r < 100 && c.b < 140; };
const Colour isAmber = [](Rgb c) { return c.r > 230 && c.g > 150 && c.g < 220 && c.b < 60; };
const Colour isLit = [](Rgb c) { return c.r > 240 && c.g > 220 && c.b < 140; };

int countPixels(const Bmp& bmp, Colour test) {
    int n = 0;
    for (int y = 0; y < bmp.height; ++y)
        for (int x = 0; x < bmp.width; ++x)
            n += test(bmp.at(x, y)) ? 1 : 0;
    return n;
}

std::string iconName(int kind, int state) {
    char name[32];
    std::snprintf(name, sizeof name, "Icon%02d%02d.bmp", kind, state);
    return name;
}

Bmp icon(int kind, int state) {
    return readBmp(kData + iconName(kind, state));
}

// E_Art of every kind, palette row by row.
constexpr std::array<std::array<int, 22>, 4> kArt = {{
    {3, 3, 3, 3, 2, 2, 2, 2, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 3, 1, 0, 1},
    {3, 3, 3, 3, 2, 2, 2, 2, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 3, 1, 0, 2},
    {3, 3, 3, 3, 2, 2, 2, 2, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 3, 1, 0, 0},
    {3, 3, 3, 3, 2, 2, 2, 2, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 3, 1, 0, 0},
}};

int expectedArt(int kind) {
    return kArt[size_t((kind - 1) / 22)][size_t((kind - 1) % 22)];
}

// The catalogue's lines; fails the calling test on a bare CR or LF.
std::vector<std::string> catalogueLines() {
    const std::string bytes = readFileBytes(kData + "Elemente1.dat");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line has no CR LF";
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        const std::string& line = lines.back();
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF in line " << lines.size();
        start = end + 2;
    }
    return lines;
}

TEST(AssetsCatalogue, EightyEightRecordsOfTwelveCrLfLinesSitOnThePaletteGridWithTheirIcons) {
    const std::vector<std::string> lines = catalogueLines();
    ASSERT_EQ(lines.size(), 88u * 12u);
    std::set<std::pair<int, int>> positions;
    for (int n = 1; n <= 88; ++n) {
        SCOPED_TRACE("kind " + std::to_string(n));
        const std::string* r = &lines[size_t(n - 1) * 12];
        const int column = (n - 1) % 22;
        const int row = (n - 1) / 22;
        EXPECT_EQ(r[0], std::to_string(n));
        EXPECT_FALSE(r[1].empty());
        EXPECT_EQ(r[2], std::to_string(28 * column + 1));
        EXPECT_EQ(r[3], std::to_string(28 * row + 1));
        EXPECT_EQ(r[4], std::to_string(expectedArt(n)));
        EXPECT_EQ(r[5], "0");
        const int states[6] = {1, 2, 3, 11, 12, 13};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(r[6 + i], iconName(n, states[i]));
        // The whole icon must fit on the 617 x 113 palette.
        const int x = std::stoi(r[2]);
        const int y = std::stoi(r[3]);
        EXPECT_LE(x + 27, 617);
        EXPECT_LE(y + 27, 113);
        EXPECT_TRUE(positions.insert({x, y}).second) << "position taken twice";
    }
}

TEST(AssetsCatalogue, NamesAreTheEnglishElementTexts) {
    const std::vector<std::string> lines = catalogueLines();
    ASSERT_EQ(lines.size(), 88u * 12u);
    const std::map<int, std::string> expected = {
        {1, "Three aspect signal, horizontally, Right traffic"},
        {12, "Buffer stop"},
        {2, "Warning signal, horizontally, Right traffic"},
        {19, "Turnout, horizontally"},
        {6, "Track block signal, horizontally"},
        {18, "Crossing with slips, horizontally"},
        {21, "Track, straight"},
        {22, "Emergency stop"},
        {43, "Track, straight"},
        {44, "Light switch"},
        {65, "Feedback detector"},
        {66, "Route switch"},
        {45, "Three aspect signal, perpendicularly, Right traffic"},
        {88, "Route switch"},
        {77, "Track, straight "}, // the text table's trailing blank belongs to the name
        {79, "Diamond crossing perpendicularly"},
    };
    for (const auto& [kind, name] : expected) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        EXPECT_EQ(lines[size_t(kind - 1) * 12 + 1], name);
    }
}

TEST(AssetsIcons, EveryIconIs27By27TrueColour) {
    for (int kind = 1; kind <= 88; ++kind) {
        for (int state : {1, 2, 3, 11, 12, 13}) {
            SCOPED_TRACE(iconName(kind, state));
            const Bmp bmp = icon(kind, state);
            EXPECT_EQ(bmp.width, 27);
            EXPECT_EQ(bmp.height, 27);
        }
    }
}

// Probe pixels where track leaves the cell (edge midpoints, corners) and the cell's centre.
const std::map<std::string, std::pair<int, int>> kProbes = {
    {"W", {1, 13}}, {"E", {26, 13}}, {"N", {13, 1}},  {"S", {13, 26}},  {"C", {13, 13}},
    {"NW", {2, 2}}, {"NE", {24, 2}}, {"SW", {2, 24}}, {"SE", {24, 24}},
};
// The same ends on the cell's outermost pixels: track reaches the edge it leaves through, so that
// cells drawn from these files join their neighbours without a gap.
const std::map<std::string, std::pair<int, int>> kEdgeProbes = {
    {"W", {0, 13}}, {"E", {26, 13}}, {"N", {13, 0}},  {"S", {13, 26}},
    {"NW", {0, 0}}, {"NE", {26, 0}}, {"SW", {0, 26}}, {"SE", {26, 26}},
};

struct TrackCase {
    int kind;
    int state;
    std::string ends; // probes on the way the element is set for, blank-separated
};

// The ways through each track piece in each of its states. Rows 0 and 1 run west-east (row 1
// mirrored), rows 2 and 3 north-south; neighbouring pieces join where these probes meet.
const std::vector<TrackCase> kTrackCases = {
    {9, 1, "W NE"},   {10, 1, "W SE"},    {11, 1, "SW NE C"}, {12, 1, "W C"},         {13, 1, "W E SW NE C"},
    {14, 1, "W E C"}, {14, 2, "W NE"},    {15, 1, "W E C"},   {15, 2, "W SE"},        {16, 1, "SW NE C"},
    {16, 2, "SW E"},  {17, 1, "NW SE C"}, {17, 2, "NW E"},    {18, 1, "W E SW NE C"}, {18, 2, "W E SW NE"},
    {19, 1, "W E C"}, {19, 2, "W NE"},    {19, 3, "W SE"},    {20, 1, "W E C"},       {21, 1, "W E C"},

    {31, 1, "E NW"},  {32, 1, "E SW"},    {33, 1, "SE NW C"}, {34, 1, "E C"},         {35, 1, "W E SE NW C"},
    {36, 1, "W E C"}, {36, 2, "E NW"},    {37, 1, "W E C"},   {37, 2, "E SW"},        {38, 1, "SE NW C"},
    {38, 2, "SE W"},  {39, 1, "NE SW C"}, {39, 2, "NE W"},    {40, 1, "W E SE NW C"}, {40, 2, "W E SE NW"},
    {41, 1, "W E C"}, {41, 2, "E NW"},    {41, 3, "E SW"},    {42, 1, "W E C"},       {43, 1, "W E C"},

    {53, 1, "N SE"},  {54, 1, "N SW"},    {55, 1, "N S C"},   {56, 1, "N C"},         {57, 1, "N S NW SE C"},
    {58, 1, "N S C"}, {58, 2, "N SE"},    {59, 1, "N S C"},   {59, 2, "N SW"},        {60, 1, "NW SE C"},
    {60, 2, "NW S"},  {61, 1, "NE SW C"}, {61, 2, "NE S"},    {62, 1, "N S NW SE C"}, {62, 2, "N S NW SE"},
    {63, 1, "N S C"}, {63, 2, "N SE"},    {63, 3, "N SW"},    {64, 1, "N S C"},       {65, 1, "N S"},

    {75, 1, "S NE"},  {76, 1, "S NW"},    {77, 1, "N S C"},   {78, 1, "S C"},         {79, 1, "N S SW NE C"},
    {80, 1, "N S C"}, {80, 2, "S NE"},    {81, 1, "N S C"},   {81, 2, "S NW"},        {82, 1, "SW NE C"},
    {82, 2, "SW N"},  {83, 1, "SE NW C"}, {83, 2, "SE N"},    {84, 1, "N S SW NE C"}, {84, 2, "N S SW NE"},
    {85, 1, "N S C"}, {85, 2, "S NE"},    {85, 3, "S NW"},    {86, 1, "N S C"},       {87, 1, "N S"},
};

TEST(AssetsIcons, TrackRunsThroughTheEndsOfTheWayTheStateSelects) {
    for (const TrackCase& c : kTrackCases) {
        std::set<std::string> ends;
        std::istringstream in(c.ends);
        for (std::string end; in >> end;)
            ends.insert(end);
        for (bool route : {false, true}) {
            const int state = route ? c.state + 10 : c.state;
            SCOPED_TRACE(iconName(c.kind, state));
            const Bmp bmp = icon(c.kind, state);
            ASSERT_EQ(bmp.width, 27);
            for (const auto* probes : {&kProbes, &kEdgeProbes})
                for (const auto& [name, xy] : *probes) {
                    const Rgb pixel = bmp.at(xy.first, xy.second);
                    const bool onTrack = route ? isRouteYellow(pixel) : isDark(pixel);
                    EXPECT_EQ(onTrack, ends.count(name) == 1)
                        << "probe " << name << " at " << xy.first << "," << xy.second;
                }
        }
    }
}

struct SignalCase {
    int column; // 1..22, the same in every row
    int state;
    int red, green, amber; // lit lamps expected: 0 none, 1 some
};

// clang-format off
const std::vector<SignalCase> kSignalCases = {
    // three-aspect main signals: stop, proceed, proceed slowly
    {1, 1, 1, 0, 0}, {1, 2, 0, 1, 0}, {1, 3, 0, 1, 1},
    {3, 1, 1, 0, 0}, {3, 2, 0, 1, 0}, {3, 3, 0, 1, 1},
    {4, 1, 1, 0, 0}, {4, 2, 0, 1, 0}, {4, 3, 0, 1, 1},
    // warning signal: expect stop, expect proceed, expect slow
    {2, 1, 0, 0, 1}, {2, 2, 0, 1, 0}, {2, 3, 0, 1, 1},
    // two aspects; state 3 is beyond them and repeats state 1
    {5, 1, 1, 0, 0}, {5, 2, 0, 1, 0}, {5, 3, 1, 0, 0},
    {7, 1, 1, 0, 0}, {7, 2, 0, 1, 0}, {7, 3, 1, 0, 0},
    // the shunting signal shows no coloured light at all
    {6, 1, 0, 0, 0}, {6, 2, 0, 0, 0}, {8, 1, 0, 0, 0}, {8, 2, 0, 0, 0},
};
// clang-format on

TEST(AssetsIcons, SignalsShowTheAspectOfTheirState) {
    for (int row = 0; row < 4; ++row) {
        for (const SignalCase& c : kSignalCases) {
            const int kind = row * 22 + c.column;
            SCOPED_TRACE(iconName(kind, c.state));
            const Bmp bmp = icon(kind, c.state);
            ASSERT_EQ(bmp.width, 27);
            EXPECT_EQ(countPixels(bmp, isRed) > 4, c.red == 1);
            EXPECT_EQ(countPixels(bmp, isGreen) > 4, c.green == 1);
            EXPECT_EQ(countPixels(bmp, isAmber) > 4, c.amber == 1);
        }
    }
}

// Kinds whose state 2 has a picture although they cannot be switched to it: a detector's
// "occupied", and the flash of the uncoupling tracks and the emergency stop.
int pictureStates(int kind) {
    static const std::set<int> kSecondPicture = {20, 22, 42, 64, 65, 86, 87};
    const int art = expectedArt(kind);
    if (kSecondPicture.count(kind) == 1)
        return 2;
    return art < 1 ? 1 : art;
}

TEST(AssetsIcons, StatesBeyondAKindsPicturesRepeatStateOneAndTheOthersDiffer) {
    for (int kind = 1; kind <= 88; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        const int pictures = pictureStates(kind);
        for (int base : {0, 10}) {
            for (int s = 1; s <= 3; ++s) {
                for (int t = s + 1; t <= 3; ++t) {
                    const bool same = icon(kind, base + s).bytes == icon(kind, base + t).bytes;
                    if (t > pictures)
                        EXPECT_EQ(same, s == 1 || s > pictures) << base + s << " and " << base + t;
                    else
                        EXPECT_FALSE(same) << base + s << " and " << base + t;
                }
            }
        }
        EXPECT_NE(icon(kind, 1).bytes, icon(kind, 11).bytes) << "route state looks like state 1";
    }
}

TEST(AssetsIcons, DetectorsRouteSwitchesAndTheStopButtonShowTheirState) {
    struct Case {
        int kind, state;
        Colour colour;
        bool present;
    };
    const std::vector<Case> cases = {
        {65, 1, isRed, false}, {65, 2, isRed, true},  {87, 1, isRed, false}, {87, 2, isRed, true},
        {66, 1, isLit, false}, {66, 11, isLit, true}, {88, 1, isLit, false}, {88, 11, isLit, true},
        {22, 1, isRed, true},  {44, 1, isLit, false}, {44, 2, isLit, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(iconName(c.kind, c.state));
        EXPECT_EQ(countPixels(icon(c.kind, c.state), c.colour) > 20, c.present);
    }
}

const std::vector<std::string> kGlyphs = {
    "pfeil_li.bmp",       "pfeil_re.bmp", "pfeil_dop.bmp",   "Func_on.bmp",      "Func_off.bmp",
    "hupe_an.bmp",        "hupe_aus.bmp", "kupplung_an.bmp", "kupplung_aus.bmp", "wagenlicht_an.bmp",
    "wagenlicht_aus.bmp", "licht_an.bmp", "licht_aus.bmp",   "dampf_an.bmp",     "dampf_aus.bmp",
    "slow_on.bmp",        "slow_off.bmp", "Empty.bmp",
};

TEST(AssetsGlyphs, EveryGlyphIs15By15TrueColourOnGrey) {
    for (const std::string& name : kGlyphs) {
        SCOPED_TRACE(name);
        const Bmp bmp = readBmp(kData + name);
        ASSERT_EQ(bmp.width, 15);
        ASSERT_EQ(bmp.height, 15);
        EXPECT_EQ(bmp.at(0, 0), kGrey);
        const int grey = countPixels(bmp, [](Rgb c) { return c == kGrey; });
        if (name == "Empty.bmp")
            EXPECT_EQ(grey, 15 * 15);
        else
            EXPECT_LT(grey, 15 * 15 - 10) << "glyph shows next to nothing";
    }
}

TEST(AssetsGlyphs, OnAndOffDifferAndTheArrowsMirrorEachOther) {
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"Func_on.bmp", "Func_off.bmp"},         {"hupe_an.bmp", "hupe_aus.bmp"},
        {"kupplung_an.bmp", "kupplung_aus.bmp"}, {"wagenlicht_an.bmp", "wagenlicht_aus.bmp"},
        {"licht_an.bmp", "licht_aus.bmp"},       {"dampf_an.bmp", "dampf_aus.bmp"},
        {"slow_on.bmp", "slow_off.bmp"},         {"pfeil_li.bmp", "pfeil_re.bmp"},
    };
    for (const auto& [on, off] : pairs) {
        SCOPED_TRACE(on);
        EXPECT_NE(readFileBytes(kData + on), readFileBytes(kData + off));
    }
    const Bmp left = readBmp(kData + "pfeil_li.bmp");
    const Bmp right = readBmp(kData + "pfeil_re.bmp");
    ASSERT_EQ(left.width, 15);
    ASSERT_EQ(right.width, 15);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x)
            ASSERT_EQ(left.at(x, y), right.at(14 - x, y)) << x << "," << y;
    // The left arrow points left: its tip column is dark, the opposite end is the shaft's.
    EXPECT_TRUE(isDark(left.at(1, 7)));
    EXPECT_FALSE(isDark(left.at(1, 3)));
}

std::map<std::string, std::string> folderBytes(const std::string& folder) {
    std::map<std::string, std::string> files;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot))
        files[name.toStdString()] = readFileBytes(folder + "/" + name.toStdString());
    return files;
}

int runGenerator(const QStringList& args) {
    QProcess process;
    process.start(QString::fromStdString(kRuntime + "/tools/quarn_assetgen"), args);
    if (!process.waitForFinished(60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

TEST(AssetsGenerator, WritesTheSameBytesEveryTime) {
    TempDir first;
    TempDir second;
    ASSERT_EQ(runGenerator({QString::fromStdString(first.path() + "Data")}), 0);
    ASSERT_EQ(runGenerator({QString::fromStdString(second.path() + "Data")}), 0);
    const auto a = folderBytes(first.path() + "Data");
    const auto b = folderBytes(second.path() + "Data");
    EXPECT_EQ(a.size(), 1u + 88u * 6u + kGlyphs.size());
    EXPECT_TRUE(a == b) << "two runs differ";
    // The build tree's folder came from the same generator. It also holds the build's stamp file and,
    // once the program has run there, the settings file: compare only what the generator writes.
    const auto built = folderBytes(kRuntime + "/Data");
    for (const auto& [name, bytes] : a) {
        const auto it = built.find(name);
        EXPECT_TRUE(it != built.end() && it->second == bytes)
            << name << " in the build tree is stale or differs";
    }
}

TEST(AssetsGenerator, ReportsAFolderItCannotWrite) {
    TempDir dir;
    writeFileBytes(dir.file("plain-file"), "x");
    EXPECT_EQ(runGenerator({QString::fromStdString(dir.path() + "plain-file/Data")}), 1);
    EXPECT_EQ(runGenerator({}), 2);
}

} // namespace

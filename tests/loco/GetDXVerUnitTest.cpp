#include "loco/GetDXVerUnit.h"
#include "loco/input/FileVersion.h"
#include "locoinput/InputFixture.h"

#include <functional>

namespace {

constexpr const char* kSystem = "C:\\WINDOWS\\system32";

class GetDXVerUnitTest : public InputFixture {
protected:
    struct Detected {
        HRESULT result;
        std::uint32_t number;
        std::string text;
    };
    Detected detect() {
        Detected d{E_FAIL, 12345, "old"};
        d.result = GetDXVersion(d.number, d.text);
        EXPECT_EQ(m_platform.comInitializeCount(), 0) << "COM is uninitialised again";
        return d;
    }
    void dxDiag(std::uint32_t major, std::uint32_t minor, std::u16string letter) {
        m_platform.setDxDiagFactory([=] { return std::make_unique<DxDiagProvider>(major, minor, letter); });
    }
    void noDxDiag() {
        m_platform.setDxDiagFactory([] { return nullptr; });
    }
    // Version a.b.c.d of a file in the system folder.
    static void file(SystemFileTable& files, const std::string& name, std::uint16_t a, std::uint16_t b,
                     std::uint16_t c, std::uint16_t d) {
        const std::uint64_t v = MakeInt64(a, b, c, d);
        files.addFile(std::string(kSystem) + "\\" + name, static_cast<std::uint32_t>(v >> 32),
                      static_cast<std::uint32_t>(v));
    }
};

} // namespace

TEST_F(GetDXVerUnitTest, TakesTheVersionFromDxDiag) {
    struct Case {
        const char* name;
        std::uint32_t major, minor;
        std::u16string letter;
        std::uint32_t number;
        std::string text;
    } cases[] = {
        {"9.0c", 9, 0, u"c", 589827, "9.0c"},
        {"capital letter", 9, 0, u"C", 589827, "9.0c"},
        {"blank letter", 9, 0, u" ", 589824, "9.0"},
        {"last letter", 8, 1, u"z", 8 * 65536 + 256 + 26, "8.1z"},
        {"longer letter string", 9, 0, u"bx", 589826, "9.0b"},
        {"a letter outside a..z", 9, 0, u"\u00e4", 589824, "9.0\xe4"},
        {"a letter outside the code page", 9, 0, u"\u0416", 589824, "9.0?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dxDiag(c.major, c.minor, c.letter);
        const Detected d = detect();
        EXPECT_EQ(d.result, S_OK);
        EXPECT_EQ(d.number, c.number);
        EXPECT_EQ(d.text, c.text);
    }
}

TEST_F(GetDXVerUnitTest, AnEmptyLetterLeavesItToTheFileProbes) {
    dxDiag(9, 0, u"");
    std::uint32_t major = 1, minor = 1;
    char letter = 'x';
    EXPECT_EQ(GetDirectXVersionViaDxDiag(major, minor, letter), E_FAIL);
    EXPECT_EQ(major, 9u) << "what was read is passed on";
    EXPECT_EQ(letter, 'x');

    EXPECT_EQ(detect().text, "0.0");
    m_platform.systemFiles().setSystemFolder(kSystem);
    file(m_platform.systemFiles(), "d3d9.dll", 6, 0, 0, 1);
    const Detected d = detect();
    EXPECT_EQ(d.result, S_OK);
    EXPECT_EQ(d.number, 589824u);
    EXPECT_EQ(d.text, "9.0");
}

TEST_F(GetDXVerUnitTest, ProbesTheFileVersionsInOrder) {
    struct File {
        const char* name;
        std::uint16_t a, b, c, d;
    };
    struct Case {
        const char* name;
        std::vector<File> files;
        std::uint32_t number;
        std::string text;
    } cases[] = {
        {"7.0a", {{"ddraw.dll", 4, 7, 0, 700}, {"dinput.dll", 4, 7, 0, 716}}, 458753, "7.0a"},
        {"just below 1.0", {{"ddraw.dll", 4, 2, 0, 94}}, 0, "0.0"},
        {"1.0", {{"DDRAW.DLL", 4, 2, 0, 95}}, 65536, "1.0"},
        {"3.0a", {{"d3drg8x.dll", 4, 4, 0, 70}}, 3 * 65536 + 1, "3.0a"},
        {"6.1a", {{"dplayx.dll", 4, 6, 3, 518}}, 6 * 65536 + 256 + 1, "6.1a"},
        {"8.0 overwrites 7.0a", {{"ddraw.dll", 4, 8, 0, 400}, {"dinput.dll", 4, 7, 0, 716}}, 524288, "8.0"},
        {"8.0 with first field 5", {{"ddraw.dll", 5, 1, 2258, 400}}, 524288, "8.0"},
        {"first field 5 below 8.0", {{"ddraw.dll", 5, 1, 2258, 399}}, 458752, "7.0"},
        {"8.1a", {{"d3d8.dll", 5, 1, 2600, 901}}, 8 * 65536 + 256 + 1, "8.1a"},
        {"8.1", {{"d3d8.dll", 4, 8, 1, 900}}, 8 * 65536 + 256, "8.1"},
        {"8.1b", {{"mpg2splt.dll", 6, 3, 1, 885}}, 8 * 65536 + 256 + 2, "8.1b"},
        {"8.2", {{"dpnet.dll", 5, 2, 3677, 134}}, 8 * 65536 + 512, "8.2"},
        {"first field 6 without d3d9.dll",
         {{"ddraw.dll", 6, 0, 0, 1},
          {"dinput.dll", 6, 0, 0, 1},
          {"d3d8.dll", 6, 0, 0, 1},
          {"dpnet.dll", 6, 0, 0, 1},
          {"mpg2splt.dll", 6, 3, 1, 884}},
         458753,
         "7.0a"},
        {"first field 6 with d3d9.dll", {{"ddraw.dll", 6, 0, 0, 1}, {"d3d9.dll", 6, 0, 0, 1}}, 589824, "9.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputPlatform platform(m_source);
        ScopedInputPlatform use(platform);
        platform.setDxDiagFactory([] { return nullptr; });
        platform.systemFiles().setSystemFolder(kSystem);
        for (const File& f : c.files)
            file(platform.systemFiles(), f.name, f.a, f.b, f.c, f.d);
        std::uint32_t number = 1;
        std::string text;
        EXPECT_EQ(GetDXVersion(number, text), S_OK);
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(text, c.text);
    }
}

TEST_F(GetDXVerUnitTest, FindsNothingWithoutSystemFolderOrVersions) {
    noDxDiag();
    file(m_platform.systemFiles(), "d3d9.dll", 9, 0, 0, 0);
    char folder[260] = "unchanged";
    EXPECT_EQ(GetSystemDirectoryA(folder, sizeof folder), 0u);
    Detected d = detect();
    EXPECT_EQ(d.result, S_OK);
    EXPECT_EQ(d.number, 0u);
    EXPECT_EQ(d.text, "0.0");

    m_platform.systemFiles().setSystemFolder(kSystem);
    m_platform.systemFiles().addFileWithoutVersion(std::string(kSystem) + "\\d3d9.dll");
    EXPECT_EQ(detect().text, "0.0") << "a file without version information is skipped";

    m_platform.systemFiles().setSystemFolder(std::string(300, 'x'));
    EXPECT_EQ(GetSystemDirectoryA(folder, sizeof folder), 301u);
    EXPECT_EQ(detect().text, "0.0") << "a folder longer than the buffer is no folder";
}

TEST_F(GetDXVerUnitTest, GetFileVersionReadsTheFixedVersion) {
    m_platform.systemFiles().addFile("C:\\x\\a.dll", 0x00040007, 0x000002CC);
    m_platform.systemFiles().addFileWithoutVersion("C:\\x\\b.dll");
    std::uint64_t version = 7;
    EXPECT_EQ(GetFileVersion(nullptr, version), E_INVALIDARG);
    EXPECT_EQ(GetFileVersion("C:\\x\\missing.dll", version), E_FAIL);
    EXPECT_EQ(GetFileVersion("C:\\x\\b.dll", version), E_FAIL);
    EXPECT_EQ(version, 7u);
    EXPECT_EQ(GetFileVersion("c:\\X\\A.DLL", version), S_OK);
    EXPECT_EQ(version, 0x00040007000002CCu);
    EXPECT_EQ(version, MakeInt64(4, 7, 0, 716));
}

TEST_F(GetDXVerUnitTest, TheInputLayerOffersDirectX8WhileItsJoysticksCanBeRead) {
    struct Case {
        const char* name;
        std::function<void()> change;
        std::uint32_t number;
        const char* text;
    } cases[] = {
        {"empty folder", [] {}, 524288u, "8.0"},
        {"a keyboard that may not be read",
         [&] { source().refuseNode(source().attach(TestDeviceDescription::keyboard())); }, 524288u, "8.0"},
        {"one of two joysticks readable",
         [&] {
             source().refuseNode(source().attach(TestDeviceDescription::joystick()));
             source().attach(TestDeviceDescription::gamepad());
         },
         524288u, "8.0"},
        {"no joystick readable",
         [&] { source().refuseNode(TestDeviceSource::kFolder + std::string("/event2")); }, 0u, "0.0"},
        {"no folder", [&] { source().refuseFolder(true); }, 0u, "0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        const Detected d = detect();
        EXPECT_EQ(d.result, S_OK);
        EXPECT_EQ(d.number, c.number);
        EXPECT_EQ(d.text, c.text);
    }
}

TEST_F(GetDXVerUnitTest, TheProviderWantsCoInitializeAndItsParameters) {
    std::unique_ptr<IDxDiagProvider> provider;
    const auto create = [&] {
        return CoCreateInstance(CLSID_DxDiagProvider, nullptr, CLSCTX_INPROC_SERVER, IID_IDxDiagProvider,
                                provider);
    };
    EXPECT_EQ(create(), CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    ASSERT_EQ(create(), S_OK);
    const DxDiagInitParams wrong[] = {{20, 111, 0, 0}, {16, 110, 0, 0}, {16, 111, 0, 1}};
    for (const DxDiagInitParams& params : wrong)
        EXPECT_EQ(provider->Initialize(&params), E_INVALIDARG);
    std::unique_ptr<IDxDiagContainer> root;
    EXPECT_EQ(provider->GetRootContainer(root), CO_E_NOTINITIALIZED);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(m_platform.comInitializeCount(), 0);
}

TEST(GetDXVerUnitMessage, SaysWhatTheDetectionFound) {
    struct Case {
        bool ok;
        std::uint32_t packed;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {false, 0, "", "Unknown version of DirectX installed"},
        {false, 0x00090003, "9.0c", "Unknown version of DirectX installed"},
        {true, 0x00090003, "9.0c", "DirectX 9.0c installed"},
        {true, 0x00080000, "8.0", "DirectX 8.0 installed"},
        {true, 0, "", "DirectX not installed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(directXMessage(c.ok, c.packed, c.text), c.expected) << c.expected;
}

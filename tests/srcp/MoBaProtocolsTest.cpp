#include "MoBaLibraryTest.h"

#include "platform/IniFile.h"
#include "srcp/MoBaProtocols.h"

namespace {

class MoBaProtocols : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        MoBaLocoProtocols->ProfileItem().SetActive(true);
        MoBaSolenoidProtocols->ProfileItem().SetActive(true);
    }
    std::string profileFile() const { return m_dir.path() + "Default.mpr"; }

    static TMoBaLocoProtocol* makeLoco(const char* name, TMoBaProtocolBase base, int steps, int functions) {
        auto* p = new TMoBaLocoProtocol;
        p->Name = name;
        p->Description = std::string(name) + " test";
        p->ProtocolBase = base;
        p->ProtocolExtension = 2;
        p->MaxAddress = 99;
        p->MaxSteps = steps;
        p->MinSteps = 1;
        p->MaxFunctions = functions;
        return p;
    }

    // Name, family and extension, maximum address, functions, step range and groups (if any).
    static std::string row(const TMoBaLocoProtocol& p) {
        return p.Name + " " + MoBaProtocolBaseToChar(p.ProtocolBase) + std::to_string(p.ProtocolExtension) +
               " " + std::to_string(p.MaxAddress) + " " + std::to_string(p.MaxFunctions) + " " +
               std::to_string(p.MinSteps) + "-" + std::to_string(p.MaxSteps) +
               (p.Groups.any() ? " G" + MoBaGroupsToString(p.Groups) : "");
    }
};

} // namespace

TEST_F(MoBaProtocols, BuiltInListsHoldTheKnownProtocols) {
    // Order matters: the automatic protocol lookup takes the first match.
    std::string rows;
    for (int i = 0; i < MoBaLocoProtocols->Count(); ++i)
        rows += row(*MoBaLocoProtocols->Items(i)) + "\n";
    EXPECT_EQ(rows, "Motorola 1 M1 80 1 0-14\nMotorola 2 M2 80 5 0-14\nMotorola 3 M2 255 5 0-28\n"
                    "Motorola 4 M2 255 5 0-14\nMotorola 5 M2 80 5 0-27\nMotorola Function M2 80 5 0-1\n"
                    "NMRA Base N1 99 1 0-14\nNMRA 1 N2 99 5 0-28\nNMRA 2 N2 99 5 0-128\n"
                    "NMRA 3 N2 10239 5 0-28\nNMRA 4 N2 10239 5 0-128\n");
    EXPECT_EQ(MoBaLocoProtocols->Items(4)->Description,
              "New Motorola format (type 2) with 27 speed steps (newer Maerklin Decoders).");
    ASSERT_EQ(MoBaSolenoidProtocols->Count(), 2);
    const TMoBaSolenoidProtocol* mm = MoBaSolenoidProtocols->Items(0);
    const TMoBaSolenoidProtocol* nmra = MoBaSolenoidProtocols->Items(1);
    EXPECT_EQ(mm->Name, "Motorola Solenoid");
    EXPECT_EQ(mm->Description, "Motorola solenoid type 1 and 2.");
    EXPECT_EQ(mm->MaxAddress, 256);
    EXPECT_EQ(nmra->Name, "NMRA Accessory");
    EXPECT_EQ(nmra->ProtocolBase, mpbNMRA);
    EXPECT_EQ(nmra->MaxAddress, 4096);
    EXPECT_EQ(nmra->MaxPort, 1);
    EXPECT_EQ(nmra->MaxValue, 1);
    EXPECT_THROW(MoBaLocoProtocols->Items(11), std::out_of_range);
}

TEST(MoBaProtocolText, ConvertsFamiliesAndGroups) {
    struct Base {
        const char* text;
        TMoBaProtocolBase base;
    } bases[] = {{"M", mpbMotorola},    {"Motorola", mpbMotorola}, {"m", mpbCustom}, {"", mpbCustom},
                 {"N", mpbNMRA},        {"S", mpbSelectrix},       {"Z", mpbZimo},   {"A", mpbAnalog},
                 {"F", mpbFleischmann}, {"L", mpbLoconet},         {"X", mpbCustom}};
    for (const Base& b : bases) {
        SCOPED_TRACE(b.text);
        EXPECT_EQ(StringToMoBaProtocolBase(b.text), b.base);
    }
    EXPECT_EQ(std::string(MoBaProtocolBaseInfo[mpbMotorola].Desc), "Motorola / M\xE4rklin");
    std::string letters;
    for (int b = 0; b < MoBaProtocolBaseCount; ++b)
        letters += MoBaProtocolBaseToChar(static_cast<TMoBaProtocolBase>(b));
    EXPECT_EQ(letters, "CAFLMNSZ");

    struct Groups {
        const char* text;
        const char* normalised;
    } groups[] = {
        {"1, 2,300,x", "1,2"}, {"", ""},        {"5,1,5", "1,5"},      {"255,0", "0,255"}, {"256,-1", ""},
        {"7 8", "7,8"},        {"\"3,4\"", ""}, {"\"9\",,10", "9,10"}, {"$10", "16"},
    };
    for (const Groups& g : groups) {
        SCOPED_TRACE(g.text);
        EXPECT_EQ(MoBaGroupsToString(StringToMoBaGroups(g.text)), g.normalised);
    }
}

TEST_F(MoBaProtocols, SaveWritesTheExactLayoutAndLoadReadsItBack) {
    MoBaLocoProtocols->Clear();
    TMoBaLocoProtocol* first = makeLoco("Test", mpbNMRA, 28, 5);
    first->Groups = StringToMoBaGroups("1,2,5");
    MoBaLocoProtocols->Add(first);
    MoBaLocoProtocols->Add(makeLoco("Second", mpbZimo, 14, 3));
    MoBaSolenoidProtocols->Delete(1);
    EXPECT_TRUE(MoBaProfiles->HasChanges());

    MoBaProfiles->SaveProfile();
    EXPECT_FALSE(MoBaProfiles->HasChanges());
    EXPECT_EQ(readFileBytes(profileFile()), "[LocoProtocols]\r\n"
                                            "LocoProtocol0=\r\n"
                                            "LocoProtocol1=\r\n"
                                            "[LocoProtocol0]\r\n"
                                            "Name=Test\r\n"
                                            "Desc=Test test\r\n"
                                            "MaxAddress=99\r\n"
                                            "Base=N\r\n"
                                            "Extension=2\r\n"
                                            "Groups=1,2,5\r\n"
                                            "MaxSteps=28\r\n"
                                            "MinSteps=1\r\n"
                                            "MaxFunctions=5\r\n"
                                            "[LocoProtocol1]\r\n"
                                            "Name=Second\r\n"
                                            "Desc=Second test\r\n"
                                            "MaxAddress=99\r\n"
                                            "Base=Z\r\n"
                                            "Extension=2\r\n"
                                            "Groups=\r\n"
                                            "MaxSteps=14\r\n"
                                            "MinSteps=1\r\n"
                                            "MaxFunctions=3\r\n"
                                            "[SolenoidProtocols]\r\n"
                                            "SolenoidProtocol0=\r\n"
                                            "[SolenoidProtocol0]\r\n"
                                            "Name=Motorola Solenoid\r\n"
                                            "Desc=Motorola solenoid type 1 and 2.\r\n"
                                            "MaxAddress=256\r\n"
                                            "Base=M\r\n"
                                            "Extension=0\r\n"
                                            "Groups=\r\n"
                                            "MaxPort=1\r\n"
                                            "MaxValue=1\r\n");

    LoadDefaultProtocolSettings();
    MoBaProfiles->LoadProfile();
    EXPECT_FALSE(MoBaLocoProtocols->Changed());
    ASSERT_EQ(MoBaLocoProtocols->Count(), 2);
    EXPECT_EQ(row(*MoBaLocoProtocols->Items(0)), "Test N2 99 5 1-28 G1,2,5");
    EXPECT_EQ(MoBaLocoProtocols->Items(0)->Description, "Test test");
    EXPECT_EQ(row(*MoBaLocoProtocols->Items(1)), "Second Z2 99 3 1-14");
    ASSERT_EQ(MoBaSolenoidProtocols->Count(), 1);
    EXPECT_EQ(MoBaSolenoidProtocols->Items(0)->MaxPort, 1);

    MoBaProfiles->ClearProfile();
    EXPECT_EQ(MoBaLocoProtocols->Count(), 0);
    EXPECT_EQ(MoBaSolenoidProtocols->Count(), 0);
}

TEST_F(MoBaProtocols, SaveErasesStaleSectionsAndLoadTakesDefaults) {
    writeFileBytes(profileFile(), "[LocoProtocols]\r\nLocoProtocol0=\r\nLocoProtocol5=\r\nOther=\r\n"
                                  "[LocoProtocol5]\r\nName=stale\r\n"
                                  "[Other]\r\nx=1\r\n"
                                  "[LocoProtocol0]\r\nName=Sparse\r\nMaxSteps=x\r\n");
    MoBaProfiles->LoadProfile();
    ASSERT_EQ(MoBaLocoProtocols->Count(), 2);
    EXPECT_EQ(row(*MoBaLocoProtocols->Items(0)), "Sparse C0 0 0 0-0");
    EXPECT_EQ(MoBaLocoProtocols->Items(0)->Description, "");
    EXPECT_EQ(MoBaLocoProtocols->Items(1)->Name, "stale");
    EXPECT_EQ(MoBaSolenoidProtocols->Count(), 0); // nothing in the profile

    MoBaLocoProtocols->Delete(1);
    MoBaProfiles->SaveProfile();
    IniFile ini(profileFile());
    EXPECT_FALSE(ini.sectionExists("LocoProtocol5"));
    EXPECT_EQ(ini.readString("Other", "x", ""), "1");
    EXPECT_EQ(ini.readSection("LocoProtocols"), std::vector<std::string>{"LocoProtocol0"});
    EXPECT_EQ(ini.readString("LocoProtocol0", "MaxSteps", ""), "0");
}

TEST_F(MoBaProtocols, ListsWithoutActiveItemOrProfileAreLeftAlone) {
    MoBaLocoProtocols->ProfileItem().SetActive(false);
    writeFileBytes(profileFile(), "[LocoProtocols]\r\nLocoProtocol0=\r\n[LocoProtocol0]\r\nName=X\r\n");
    MoBaProfiles->LoadProfile();
    EXPECT_EQ(MoBaLocoProtocols->Count(), 11);
    EXPECT_EQ(MoBaLocoProtocols->ProfileItem().GetIniFile(), nullptr);

    EXPECT_EQ(MoBaSolenoidProtocols->Count(), 0); // active: loaded, and the profile has none

    MoBaSolenoidProtocols->Add(new TMoBaSolenoidProtocol);
    MoBaProfiles->SetActiveProfile(-1);
    EXPECT_EQ(MoBaSolenoidProtocols->ProfileItem().GetIniFile(), nullptr);
    MoBaProfiles->SaveProfile(); // no file to write to
    MoBaProfiles->LoadProfile();
    EXPECT_EQ(readFileBytes(profileFile()),
              "[LocoProtocols]\r\nLocoProtocol0=\r\n[LocoProtocol0]\r\nName=X\r\n");
    EXPECT_EQ(MoBaSolenoidProtocols->Count(), 1);
    EXPECT_TRUE(MoBaSolenoidProtocols->Changed());
}

TEST(MoBaLibrary, InitialiseAndFinaliseCreateAndFreeTheGlobals) {
    TempDir dir;
    EXPECT_EQ(MoBaProfiles, nullptr);
    MoBaLibraryInitialize(dir.path());
    ASSERT_NE(MoBaProfiles, nullptr);
    ASSERT_NE(MoBaLocoProtocols, nullptr);
    ASSERT_NE(MoBaSolenoidProtocols, nullptr);
    EXPECT_EQ(MoBaProfiles->WorkDir(), dir.path());
    EXPECT_THROW(MoBaLibraryInitialize(dir.path()), std::logic_error);
    MoBaLocoProtocols->ProfileItem().SetActive(true);
    MoBaLibraryFinalize();
    EXPECT_EQ(MoBaProfiles, nullptr);
    EXPECT_EQ(MoBaLocoProtocols, nullptr);
    EXPECT_EQ(MoBaSolenoidProtocols, nullptr);
    MoBaLibraryFinalize();
}

#include "MoBaLibraryTest.h"

#include "srcp/MoBaSRCPDevices.h"

namespace {

using MoBaSRCPDevices = LibraryTest;

TEST_F(MoBaSRCPDevices, DriveModesBothWays) {
    struct Case {
        TMoBaDriveMode model;
        TSRCPDriveMode current;
        TSRCPDriveMode srcp;
    };
    const Case toSrcp[] = {
        {mdmForward, dmBackwards, dmForward},    {mdmBackwards, dmForward, dmBackwards},
        {mdmChange, dmForward, dmBackwards},     {mdmChange, dmBackwards, dmForward},
        {mdmChange, dmEmergencyStop, dmForward}, {mdmEmergencyStop, dmForward, dmEmergencyStop},
        {mdmNext, dmForward, dmInvalid},         {mdmInvalid, dmForward, dmInvalid},
    };
    for (const auto& c : toSrcp)
        EXPECT_EQ(c.srcp, MoBaToSRCPDriveMode(c.model, c.current)) << int(c.model) << " " << int(c.current);
    struct Back {
        TSRCPDriveMode srcp;
        TMoBaDriveMode current;
        TMoBaDriveMode model;
    };
    const Back toModel[] = {
        {dmForward, mdmBackwards, mdmForward},
        {dmBackwards, mdmForward, mdmBackwards},
        {dmEmergencyStop, mdmForward, mdmEmergencyStop},
        {dmNoChange, mdmBackwards, mdmBackwards},
        {dmInvalid, mdmChange, mdmChange},
    };
    for (const auto& c : toModel)
        EXPECT_EQ(c.model, SRCPToMoBaDriveMode(c.srcp, c.current)) << int(c.srcp) << " " << int(c.current);
}

TEST_F(MoBaSRCPDevices, ProtocolOfADescription) {
    EXPECT_EQ(spInvalid, MoBaToSRCPProtocol(nullptr).Protocol);
    EXPECT_EQ(0, MoBaToSRCPProtocol(nullptr).SubProtocol);
    const TMoBaLocoProtocol* nmra1 = locoProtocol("NMRA 1");
    EXPECT_EQ(spNMRA, MoBaToSRCPProtocol(nmra1).Protocol);
    EXPECT_EQ(2, MoBaToSRCPProtocol(nmra1).SubProtocol);
    TMoBaLocoProtocol custom;
    EXPECT_EQ(spProtByServer, MoBaToSRCPProtocol(&custom).Protocol);
}

// Lookups in list order; what no description covers gets an automatic one, found again afterwards.
TEST_F(MoBaSRCPDevices, AutomaticLocoProtocols) {
    struct Case {
        TSRCPProtocols protocol;
        int sub, steps, bus, address, functions;
        const char* name;
        int count;          // of MoBaLocoProtocols afterwards
        int maxAddress;     // of the result
        std::string groups; // of the result
    };
    const Case cases[] = {
        {spNMRA, 2, 28, 1, 10, 5, "NMRA 1", 11, 99, "1"},
        {spNMRA, 2, 28, 4, 10, 5, "NMRA 1", 11, 99, "1,4"},
        {spNMRA, 2, 28, 300, 10, 5, "NMRA 1", 11, 99, "1,4"},
        {spNMRA, 2, 28, -1, 10, 5, "NMRA 1", 11, 99, "1,4"},
        {spNMRA, 2, 28, 2, 200, 5, "NMRA 3", 11, 10239, "2"},
        {spMotorola, 2, 126, 1, 3, 5, "Automatic loco protocol", 12, 256, "1"},
        {spMotorola, 2, 126, 2, 256, 5, "Automatic loco protocol", 12, 256, "1,2"},
        // One description per variant: its addresses grow to the highest reported.
        {spMotorola, 2, 126, 1, 300, 5, "Automatic loco protocol", 12, 300, "1,2"},
        {spMotorola, 2, 126, 1, 300, 5, "Automatic loco protocol", 12, 300, "1,2"},
        {spMotorola, 2, 126, 1000, 301, 5, "Automatic loco protocol", 12, 301, "1,2"},
        {spMotorola, 2, 126, 3, 0, 5, "Automatic loco protocol", 12, 301, "1,2,3"},
        {spMotorola, 2, 126, 3, -2, 5, "Automatic loco protocol", 12, 301, "1,2,3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.protocol) + " " + std::to_string(c.steps) + " bus " +
                     std::to_string(c.bus) + " address " + std::to_string(c.address));
        TMoBaLocoProtocol* p =
            SRCPToMoBaLocoProtocol(c.protocol, c.sub, c.steps, c.bus, c.address, c.functions);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(c.name, p->Name);
        EXPECT_EQ(c.count, MoBaLocoProtocols->Count());
        EXPECT_EQ(c.maxAddress, p->MaxAddress);
        EXPECT_EQ(c.groups, MoBaGroupsToString(p->Groups));
        EXPECT_EQ(c.steps, p->MaxSteps);
    }
    EXPECT_EQ("Automatic loco protocol with 301 addresses, 126 speed steps and 5 function(s).",
              MoBaLocoProtocols->Items(11)->Description);
    EXPECT_EQ(mpbMotorola, MoBaLocoProtocols->Items(11)->ProtocolBase);
    // A server naming ever new speed step counts: the list stops growing, those devices get none.
    for (int steps = 1000; steps < 1255; ++steps)
        ASSERT_NE(nullptr, SRCPToMoBaLocoProtocol(spMotorola, 2, steps, 1, 3, 5)) << steps;
    EXPECT_EQ(nullptr, SRCPToMoBaLocoProtocol(spMotorola, 2, 5000, 1, 3, 5));
    EXPECT_EQ(11 + 256, MoBaLocoProtocols->Count());
    EXPECT_NE(nullptr, SRCPToMoBaLocoProtocol(spMotorola, 2, 1000, 1, 3, 5));
}

TEST_F(MoBaSRCPDevices, AutomaticSolenoidProtocols) {
    struct Case {
        TSRCPProtocols protocol;
        int address, bus;
        const char* name;
        int count;
    };
    const Case cases[] = {
        {spMotorola, 12, 5, "Motorola Solenoid", 2},
        {spNMRA, 300, 6, "NMRA Accessory", 2},
        {spMotorola, 300, 5, "Automatic solenoid protocol", 3},
        {spMotorola, 299, 5, "Automatic solenoid protocol", 3},
        {spMotorola, 0, 5, "Motorola Solenoid", 3},
        {spMotorola, -2, 7, "Motorola Solenoid", 3},
        {spMotorola, 600, 5, "Automatic solenoid protocol", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.protocol) + " " + std::to_string(c.address));
        TMoBaSolenoidProtocol* p = SRCPToMoBaSolenoidProtocol(c.protocol, 0, c.address, c.bus);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(c.name, p->Name);
        EXPECT_EQ(c.count, MoBaSolenoidProtocols->Count());
        EXPECT_TRUE(p->Groups.test(static_cast<std::size_t>(c.bus)));
    }
    const TMoBaSolenoidProtocol* automatic = MoBaSolenoidProtocols->Items(2);
    EXPECT_EQ("Automatic solenoid protocol with 600 addresses.", automatic->Description);
    EXPECT_EQ(1, automatic->MaxPort);
    EXPECT_EQ(1, automatic->MaxValue);
    for (int version = 1; version < 256; ++version)
        ASSERT_NE(nullptr, SRCPToMoBaSolenoidProtocol(spMotorola, version, 12, 5)) << version;
    EXPECT_EQ(nullptr, SRCPToMoBaSolenoidProtocol(spMotorola, 256, 12, 5));
    EXPECT_EQ(2 + 256, MoBaSolenoidProtocols->Count());
    MoBaLibraryFinalize();
    EXPECT_EQ(nullptr, SRCPToMoBaSolenoidProtocol(spMotorola, 0, 1, 1));
    EXPECT_EQ(nullptr, SRCPToMoBaLocoProtocol(spMotorola, 2, 14, 1, 1, 5));
    MoBaLibraryInitialize(m_dir.path());
}

TEST_F(MoBaSRCPDevices, CachedDevicesCopyWhatTheServerSaid) {
    TMoBaSRCPLoco loco;
    loco.SetProtocol(locoProtocol("NMRA 1"));
    loco.SetAddress(3);
    loco.SetSRCPState(mssActivNoRead);
    loco.SetBus(2);
    loco.SetTimeStamp(12.5);
    TMoBaSRCPLoco copy;
    copy.Assign(loco);
    EXPECT_EQ(mssActivNoRead, copy.SRCPState());
    EXPECT_EQ(2, copy.Bus());
    EXPECT_EQ(12.5, copy.TimeStamp());
    EXPECT_EQ(3, copy.Address());
    TMoBaAdvancedLoco plain;
    plain.Assign(loco);
    EXPECT_EQ(3, plain.Address());

    TMoBaSRCPSolenoid solenoid;
    EXPECT_EQ(2, solenoid.PortCount());
    solenoid.SetTimeStamps(1, 7.0);
    solenoid.SetTimeStamps(2, 9.0); // no such port
    EXPECT_EQ(7.0, solenoid.TimeStamps(1));
    EXPECT_EQ(0.0, solenoid.TimeStamps(2));
    EXPECT_EQ(0.0, solenoid.TimeStamps(-1));
    // A protocol with more ports gives each its stamp.
    TMoBaSolenoidProtocol wide;
    wide.MaxPort = 3;
    solenoid.SetProtocol(&wide);
    solenoid.SetTimeStamps(3, 4.0);
    EXPECT_EQ(4.0, solenoid.TimeStamps(3));
    solenoid.SetBus(6);
    solenoid.SetSRCPState(mssInitialized);
    TMoBaSRCPSolenoid solenoidCopy;
    solenoidCopy.Assign(solenoid);
    EXPECT_EQ(6, solenoidCopy.Bus());
    EXPECT_EQ(mssInitialized, solenoidCopy.SRCPState());
    EXPECT_EQ(4, solenoidCopy.PortCount());
    solenoidCopy.SetTimeStamps(3, 1.0);
    EXPECT_EQ(1.0, solenoidCopy.TimeStamps(3));

    TMoBaSRCPFeedback contact;
    contact.SetBus(8);
    contact.SetTimeStamp(3.0);
    contact.SetValue(1);
    TMoBaSRCPFeedback contactCopy;
    contactCopy.Assign(contact);
    EXPECT_EQ(8, contactCopy.Bus());
    EXPECT_EQ(3.0, contactCopy.TimeStamp());
    EXPECT_EQ(1, contactCopy.IsActiv());
    EXPECT_THROW(contactCopy.Assign(loco), AssignError);
}

} // namespace

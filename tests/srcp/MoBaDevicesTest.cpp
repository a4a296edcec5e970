#include "MoBaLibraryTest.h"

#include "srcp/MoBaDevices.h"

namespace {
using MoBaDevices = LibraryTest;
} // namespace

TEST_F(MoBaDevices, FunctionsFollowTheProtocolAndTheCount) {
    TMoBaAdvancedLoco l;
    EXPECT_EQ(l.FunctionCount(), 255);
    l.SetProtocol(locoProtocol("Motorola 1"));
    EXPECT_EQ(l.FunctionCount(), 1);
    l.SetFunctions(0, 1);
    l.SetProtocol(locoProtocol("NMRA 1"));
    ASSERT_EQ(l.FunctionCount(), 5);
    EXPECT_EQ(l.Functions(0), 1);
    for (int f = 1; f < 5; ++f)
        EXPECT_EQ(l.Functions(f), 0) << f;
    l.SetFunctionCount(3);
    EXPECT_EQ(l.FunctionCount(), 3);
    l.SetFunctionCount(9);
    EXPECT_EQ(l.FunctionCount(), 5);
    l.SetFunctionCount(-2);
    EXPECT_EQ(l.FunctionCount(), 0);

    // Functions outside the count read zero and are not written.
    TMoBaBaseLoco b;
    b.SetProtocol(locoProtocol("Motorola 2"));
    b.SetFunctions(4, 7);
    b.SetFunctions(5, 9);
    b.SetFunctions(-1, 9);
    EXPECT_EQ(b.Functions(4), 7);
    EXPECT_EQ(b.Functions(5), 0);
    EXPECT_EQ(b.Functions(-1), 0);
    EXPECT_EQ(b.FunctionCount(), 5);
    TMoBaLocoProtocol negative;
    negative.MaxFunctions = -4;
    b.SetProtocol(&negative);
    EXPECT_EQ(b.MaxFunctions(), 0);
    EXPECT_EQ(b.FunctionCount(), 0);
}

TEST_F(MoBaDevices, ClampsAddressesAndSpeedSteps) {
    struct Field {
        const char* name;
        void (TMoBaBaseLoco::*set)(int);
        int (TMoBaBaseLoco::*get)() const;
    };
    const Field address{"address", &TMoBaBaseLoco::SetAddress, &TMoBaBaseLoco::Address};
    const Field step{"step", &TMoBaBaseLoco::SetSpeedStep, &TMoBaBaseLoco::SpeedStep};
    struct Case {
        const Field& field;
        const char* protocol; // empty: none
        int value;
        int expected;
    } cases[] = {
        {address, "", 0, 1},
        {address, "", -5, 1},
        {address, "", 2147483647, 2147483647},
        {address, "Motorola 2", 90, 80},
        {address, "Motorola 2", 80, 80},
        {address, "Motorola 2", 0, 1},
        {address, "NMRA 4", 10240, 10239},
        {address, "NMRA 4", 10239, 10239},
        {step, "Motorola 5", 30, 27},
        {step, "Motorola 5", 27, 27},
        {step, "Motorola 5", -1, 0},
        {step, "NMRA 2", 128, 128},
        {step, "NMRA 2", 129, 128},
        {step, "", 2147483647, 2147483647},
        {step, "", -3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field.name) + " " + c.protocol + " " + std::to_string(c.value));
        TMoBaBaseLoco l;
        if (*c.protocol)
            l.SetProtocol(locoProtocol(c.protocol));
        (l.*c.field.set)(c.value);
        EXPECT_EQ((l.*c.field.get)(), c.expected);
    }

    // A protocol change clamps the address and the speed step that are there.
    TMoBaBaseLoco l;
    l.SetAddress(200);
    l.SetProtocol(locoProtocol("NMRA 2"));
    EXPECT_EQ(l.Address(), 99);
    l.SetSpeedStep(100);
    l.SetProtocol(locoProtocol("Motorola 1"));
    EXPECT_EQ(l.Address(), 80);
    EXPECT_EQ(l.MaxAddress(), 80);
    EXPECT_EQ(l.SpeedStep(), 14);

    TMoBaLocoProtocol negative;
    negative.MaxAddress = -5;
    l.SetProtocol(&negative);
    EXPECT_EQ(l.MaxAddress(), 0);
    EXPECT_EQ(l.Address(), 0);
}

TEST_F(MoBaDevices, ScalesSpeedWithRoundHalfToEven) {
    struct Case {
        const char* protocol;
        int maxSpeed;
        int speed;
        int step;
        int readBack;
    } cases[] = {
        {"Motorola 1", 100, 50, 7, 50},
        {"Motorola 1", 100, 10, 1, 7},
        {"Motorola 1", 100, 25, 4, 29},
        {"Motorola 1", 100, 75, 10, 71},
        {"Motorola 1", 100, 0, 0, 0},
        {"Motorola 1", 100, -5, 0, 0},
        {"Motorola 5", 100, 200, 27, 100},
        {"Motorola 3", 200, 100, 14, 100},
        {"NMRA 2", 100, 100, 128, 100},
        // Without protocol the step range is 0 .. 2147483647: the products need 64 bits.
        {"", 100, 50, 1073741824, 50},
        {"", 100, 100, 2147483647, 100},
        {"", 2147483647, 2147483647, 2147483647, 2147483647},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.protocol) + " max " + std::to_string(c.maxSpeed) + " speed " +
                     std::to_string(c.speed));
        TMoBaAdvancedLoco l;
        if (*c.protocol)
            l.SetProtocol(locoProtocol(c.protocol));
        l.SetMaxSpeed(c.maxSpeed);
        l.SetSpeed(c.speed);
        EXPECT_EQ(l.SpeedStep(), c.step);
        EXPECT_EQ(l.Speed(), c.readBack);
    }
}

TEST_F(MoBaDevices, SpeedWithoutStepsIsZero) {
    for (int maxSteps : {0, -3}) {
        SCOPED_TRACE(maxSteps);
        TMoBaLocoProtocol p;
        p.MaxSteps = maxSteps;
        TMoBaAdvancedLoco l;
        l.SetProtocol(&p);
        EXPECT_EQ(l.MaxSteps(), 0);
        l.SetSpeed(50);
        EXPECT_EQ(l.SpeedStep(), 0);
        EXPECT_EQ(l.Speed(), 0);
        l.SetMaxSpeed(10);
        EXPECT_EQ(l.Speed(), 0);
    }
}

TEST_F(MoBaDevices, MaxSpeedRules) {
    TMoBaAdvancedLoco l;
    EXPECT_EQ(l.MaxSpeed(), 100);
    for (int value : {0, -7}) {
        l.SetMaxSpeed(value);
        EXPECT_EQ(l.MaxSpeed(), 1) << value;
    }
    l.SetProtocol(locoProtocol("Motorola 1"));
    l.SetMaxSpeed(100);
    l.SetSpeed(50);
    l.SetMaxSpeed(20);
    EXPECT_EQ(l.SpeedStep(), 7);
    EXPECT_EQ(l.Speed(), 10);
    l.SetSpeed(30); // limited to the maximum
    EXPECT_EQ(l.SpeedStep(), 14);
    EXPECT_EQ(l.Speed(), 20);
}

TEST_F(MoBaDevices, DriveModeSequence) {
    struct Step {
        TMoBaDriveMode set;
        TMoBaDriveMode mode;
        TMoBaDriveMode last;
    } steps[] = {
        {mdmNext, mdmBackwards, mdmBackwards},      {mdmEmergencyStop, mdmEmergencyStop, mdmBackwards},
        {mdmNext, mdmBackwards, mdmBackwards},      {mdmNext, mdmForward, mdmForward},
        {mdmChange, mdmChange, mdmForward},         {mdmNext, mdmForward, mdmForward},
        {mdmBackwards, mdmBackwards, mdmBackwards}, {mdmInvalid, mdmInvalid, mdmBackwards},
        {mdmNext, mdmBackwards, mdmBackwards},      {mdmForward, mdmForward, mdmForward},
    };
    TMoBaBaseLoco l;
    EXPECT_EQ(l.DriveMode(), mdmForward);
    EXPECT_EQ(l.OldDriveMode(), mdmForward);
    int i = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(i++);
        l.SetDriveMode(s.set);
        EXPECT_EQ(l.DriveMode(), s.mode);
        EXPECT_EQ(l.OldDriveMode(), s.last);
    }
    EXPECT_STREQ(MoBaDriveModeDescriptions[mdmNext], "Automatic change");
}

TEST_F(MoBaDevices, SolenoidPortsAndLimits) {
    struct Case {
        const char* protocol;
        int port;
        int action;
        int stored; // -1: ignored
    } cases[] = {
        {"", 2, 1, -1},
        {"", -1, 1, -1},
        {"", 0, 5, 5},
        {"", 1, -3, 0},
        {"Motorola Solenoid", 0, 5, 1},
        {"NMRA Accessory", 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.port) + "," + std::to_string(c.action));
        TMoBaBaseSolenoid s;
        if (*c.protocol)
            s.SetProtocol(solenoidProtocol(c.protocol));
        ASSERT_EQ(s.PortCount(), 2);
        s.SetActivePort(7);
        s.SetPorts(c.port, c.action);
        if (c.stored < 0) {
            EXPECT_EQ(s.ActivePort(), 7);
            EXPECT_EQ(s.Ports(0) + s.Ports(1), 0);
        } else {
            EXPECT_EQ(s.ActivePort(), c.port);
            EXPECT_EQ(s.Ports(c.port), c.stored);
        }
        EXPECT_EQ(s.Ports(2), 0);
        EXPECT_EQ(s.Ports(-1), 0);
    }

    // A protocol change lowers kept ports to its highest value and resizes the ports.
    TMoBaBaseSolenoid s;
    s.SetPorts(0, 5);
    s.SetProtocol(solenoidProtocol("Motorola Solenoid"));
    EXPECT_EQ(s.Ports(0), 1);
    TMoBaSolenoidProtocol wide;
    wide.MaxPort = 3;
    wide.MaxValue = 9;
    s.SetProtocol(&wide);
    EXPECT_EQ(s.PortCount(), 4);
    EXPECT_EQ(s.Ports(0), 1);
    EXPECT_EQ(s.Ports(3), 0);

    TMoBaSolenoidProtocol broken;
    broken.MaxPort = -5;
    broken.MaxValue = -2;
    s.SetProtocol(&broken);
    EXPECT_EQ(s.PortCount(), 0);
    broken.MaxPort = 2147483647; // from a profile: the port array stays small
    s.RecalculateSettings();
    EXPECT_EQ(s.PortCount(), 256);
    s.SetPorts(3, 4);
    EXPECT_EQ(s.Ports(3), 0);
}

TEST_F(MoBaDevices, SolenoidActivationCallsBack) {
    struct Request {
        TMoBaBaseSolenoid* sender;
        int time;
        std::function<void()> callback;
    };
    std::vector<Request> requests;
    std::vector<TMoBaBaseSolenoid*> offs;

    auto s = std::make_unique<TMoBaAdvancedSolenoid>();
    s->SetActivationTime(250);
    s->OnActivation = [&](TMoBaBaseSolenoid* sender, int time, std::function<void()> callback) {
        requests.push_back({sender, time, std::move(callback)});
    };
    s->OnActionOff = [&](TMoBaBaseSolenoid* sender) { offs.push_back(sender); };

    s->SetPorts(1, 0); // switching off asks for no callback
    EXPECT_TRUE(requests.empty());
    s->SetPorts(1, 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].sender, s.get());
    EXPECT_EQ(requests[0].time, 250);
    EXPECT_EQ(s->Ports(1), 1);
    requests[0].callback();
    EXPECT_EQ(s->Ports(1), 0);
    EXPECT_EQ(offs, std::vector<TMoBaBaseSolenoid*>{s.get()});

    // An active port that a protocol change left outside the ports is ignored.
    s->SetPorts(1, 1);
    TMoBaSolenoidProtocol single;
    single.MaxPort = 0;
    single.MaxValue = 1;
    s->SetProtocol(&single);
    EXPECT_EQ(s->PortCount(), 1);
    s->TimerCallback();
    EXPECT_EQ(offs.size(), 2u);
    s->SetActivePort(1000);
    s->TimerCallback();
    EXPECT_EQ(s->Ports(0), 0);
    EXPECT_EQ(offs.size(), 3u);

    // A callback that fires after the solenoid is gone does nothing.
    s->SetPorts(0, 1);
    ASSERT_EQ(requests.size(), 3u);
    s.reset();
    requests[2].callback();
    EXPECT_EQ(offs.size(), 3u);
}

TEST_F(MoBaDevices, FeedbackFlags) {
    TMoBaBaseFeedback fb;
    EXPECT_EQ(fb.FState(), 0);
    fb.SetValue(1);
    EXPECT_EQ(fb.FState(), 12);
    EXPECT_TRUE(fb.HasChanged());
    EXPECT_TRUE(fb.ChangedState());
    fb.SetActiv(false);
    EXPECT_EQ(fb.FState(), 14);
    EXPECT_TRUE(fb.WasActiv());
    EXPECT_EQ(fb.Value(), 0);
    EXPECT_EQ(fb.FState(), 8);
    fb.SetValue(0);
    EXPECT_EQ(fb.FState(), 0);
    fb.SetValue(3);
    EXPECT_TRUE(fb.Activ());
    EXPECT_EQ(fb.IsActiv(), 3);
    EXPECT_EQ(fb.FState(), 12);
}

TEST_F(MoBaDevices, AssignCopiesWithinAFamilyAndRaisesAcrossClasses) {
    TMoBaAdvancedLoco src;
    src.SetProtocol(locoProtocol("NMRA 1"));
    src.SetAddress(42);
    src.SetFunctions(0, 1);
    src.SetFunctions(4, 11);
    src.SetSpeedStep(20);
    src.SetDriveMode(mdmBackwards);
    src.SetDriveMode(mdmEmergencyStop);
    src.SetMaxSpeed(120);
    src.Description = "BR 01";
    src.Locked = true;
    src.LockID = 9;

    TMoBaAdvancedLoco dst;
    dst.Assign(src);
    EXPECT_EQ(dst.Protocol(), src.Protocol());
    EXPECT_EQ(dst.Address(), 42);
    EXPECT_EQ(dst.FunctionCount(), 5);
    EXPECT_EQ(dst.Functions(4), 11);
    EXPECT_EQ(dst.SpeedStep(), 20);
    EXPECT_EQ(dst.DriveMode(), mdmEmergencyStop);
    EXPECT_EQ(dst.OldDriveMode(), mdmBackwards);
    EXPECT_EQ(dst.MaxSpeed(), 120);
    EXPECT_EQ(dst.Description, "BR 01");
    EXPECT_TRUE(dst.Locked);
    EXPECT_EQ(dst.LockID, 9);

    // The function count follows the target's limit after the protocol reference was copied.
    TMoBaLocoProtocol three;
    three.MaxFunctions = 3;
    TMoBaBaseLoco narrow;
    TMoBaAdvancedLoco wide;
    wide.SetProtocol(&three);
    wide.SetFunctions(2, 5);
    narrow.Assign(wide);
    EXPECT_EQ(narrow.FunctionCount(), 3);
    EXPECT_EQ(narrow.Functions(2), 5);

    TMoBaAdvancedSolenoid sol;
    sol.SetPorts(1, 1);
    sol.SetActivationTime(500);
    TMoBaBaseSolenoid solCopy;
    solCopy.Assign(sol);
    EXPECT_EQ(solCopy.Ports(1), 1);
    EXPECT_EQ(solCopy.ActivePort(), 1);
    EXPECT_EQ(solCopy.ActivationTime(), 500);

    TMoBaBaseFeedback fb;
    fb.SetValue(1);
    TMoBaBaseFeedback fbCopy;
    fbCopy.Assign(fb);
    EXPECT_EQ(fbCopy.IsActiv(), 1);
    EXPECT_EQ(fbCopy.FState(), 12);

    TMoBaLocoProtocol protocol;
    int before = dst.Address();
    EXPECT_THROW(dst.Assign(sol), AssignError);
    EXPECT_THROW(sol.Assign(src), AssignError);
    EXPECT_THROW(fb.Assign(src), AssignError);
    EXPECT_THROW(dst.Assign(protocol), AssignError);
    EXPECT_THROW(protocol.Assign(src), AssignError);
    EXPECT_EQ(dst.Address(), before); // nothing copied before the refusal
}

#include "loco/input/JoystickUnit.h"
#include "locoinput/InputFixture.h"

#include <cstring>
#include <map>

namespace {

// Wraps the input layer's facade, records what the driver calls and fails the operations a test names
// ("create 2", "coop 1", "format 2", "acquire 1", "poll 1", "state 2"; devices numbered by creation).
struct Script {
    std::vector<std::string> calls;
    std::map<std::string, DiResult> failures;

    std::optional<DiResult> call(const std::string& what) {
        calls.push_back(what);
        auto it = failures.find(what);
        return it == failures.end() ? std::nullopt : std::optional<DiResult>(it->second);
    }
};

class RecordingDevice : public IDirectInputDevice8A {
public:
    RecordingDevice(std::unique_ptr<IDirectInputDevice8A> inner, int number, Script& script)
        : m_inner(std::move(inner)), m_tag(" " + std::to_string(number)), m_script(script) {}

    DiResult SetCooperativeLevel(std::int32_t hwnd, std::uint32_t flags) override {
        return run("coop", [&] { return m_inner->SetCooperativeLevel(hwnd, flags); });
    }
    DiResult SetDataFormat(const DiDataFormat* format) override {
        return run("format", [&] { return m_inner->SetDataFormat(format); });
    }
    DiResult SetProperty(DiProperty property, const DiPropHeader* header) override {
        DiPropRange range;
        std::memcpy(&range, header, sizeof range);
        const std::string what = "range" + m_tag + " " + std::to_string(header->dwObj) + " " +
                                 std::to_string(range.lMin) + ".." + std::to_string(range.lMax);
        if (auto failure = m_script.call(what))
            return *failure;
        return m_inner->SetProperty(property, header);
    }
    DiResult Acquire() override {
        return run("acquire", [&] { return m_inner->Acquire(); });
    }
    DiResult Poll() override {
        return run("poll", [&] { return m_inner->Poll(); });
    }
    DiResult GetDeviceState(std::uint32_t size, void* data) override {
        return run("state", [&] { return m_inner->GetDeviceState(size, data); });
    }

private:
    template <typename Forward> DiResult run(const std::string& operation, Forward forward) {
        if (auto failure = m_script.call(operation + m_tag))
            return *failure;
        return forward();
    }

    std::unique_ptr<IDirectInputDevice8A> m_inner;
    std::string m_tag;
    Script& m_script;
};

class RecordingInput : public IDirectInput8A {
public:
    RecordingInput(std::unique_ptr<IDirectInput8A> inner, Script& script)
        : m_inner(std::move(inner)), m_script(script) {}

    DiResult EnumDevices(std::uint32_t type, DiEnumDevicesCallback callback, void* ref,
                         std::uint32_t flags) override {
        m_script.call("enum");
        return m_inner->EnumDevices(type, callback, ref, flags);
    }
    DiResult CreateDevice(const DeviceIdentity& identity, std::unique_ptr<IDirectInputDevice8A>& device,
                          void* outer) override {
        const int number = ++m_created;
        device.reset();
        if (auto failure = m_script.call("create " + std::to_string(number)))
            return *failure;
        std::unique_ptr<IDirectInputDevice8A> inner;
        const DiResult result = m_inner->CreateDevice(identity, inner, outer);
        if (inner)
            device = std::make_unique<RecordingDevice>(std::move(inner), number, m_script);
        return result;
    }

private:
    std::unique_ptr<IDirectInput8A> m_inner;
    Script& m_script;
    int m_created = 0;
};

DirectInput8CreateFn recordingEntry(Script& script) {
    return [&script](ModuleHandle instance, std::uint32_t version, InterfaceId id,
                     std::unique_ptr<IDirectInput8A>& out, void* outer) {
        std::unique_ptr<IDirectInput8A> inner;
        const DiResult result = DirectInput8Create(instance, version, id, inner, outer);
        if (inner)
            out = std::make_unique<RecordingInput>(std::move(inner), script);
        return result;
    };
}

class JoystickUnitTest : public InputFixture {
protected:
    JoystickUnitTest() {
        Joynr = 0;
        joystick1GUID = {};
        joystick2GUID = {};
    }

    // Sticks told apart by their serials, on nodes 0, 1, ...
    static void attachSticks(TestDeviceSource& source, int count) {
        for (int k = 0; k < count; ++k) {
            TestDeviceDescription device = TestDeviceDescription::joystick();
            device.uniq = "stick " + std::to_string(k);
            source.attach(device, k);
        }
    }
    void attachSticks(int count) { attachSticks(source(), count); }

    Script m_script;
};

} // namespace

TEST_F(JoystickUnitTest, JoyInitReportsTheFailingStep) {
    struct Case {
        const char* name;
        int sticks;
        bool entry;
        bool refuseFolder;
        std::int32_t window;
        std::map<std::string, DiResult> failures;
        int expected;
        int count;
    } cases[] = {
        {"one controller", 1, true, false, 7, {}, 0, 1},
        {"two controllers", 2, true, false, 7, {}, 0, 2},
        {"three controllers count as two", 3, true, false, 7, {}, 0, 2},
        {"no entry", 1, false, false, 7, {}, 1, 0},
        {"no input folder", 1, true, true, 7, {}, 1, 0},
        {"no controller", 0, true, false, 7, {}, 2, 0},
        {"second device not created", 2, true, false, 7, {{"create 2", DiErr::DeviceNotFound}}, 2, 2},
        {"no window handle", 2, true, false, 0, {}, 3, 2},
        {"cooperative level", 2, true, false, 7, {{"coop 2", DiErr::InvalidParam}}, 4, 2},
        {"data format", 1, true, false, 7, {{"format 1", DiErr::InvalidParam}}, 4, 1},
        {"acquisition", 2, true, false, 7, {{"acquire 2", DiErr::InputLost}}, 4, 2},
        {"ranges are best effort", 1, true, false, 7, {{"range 1 4 -100..100", DiErr::InvalidParam}}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto devices = std::make_shared<TestDeviceSource>();
        InputPlatform platform(devices);
        ScopedInputPlatform use(platform);
        attachSticks(*devices, c.sticks);
        devices->refuseFolder(c.refuseFolder);
        m_script = Script{{}, c.failures};
        TJoystick joystick(c.entry ? recordingEntry(m_script) : DirectInput8CreateFn());
        joystick.setDIHandle(c.window);
        EXPECT_EQ(joystick.Joy_init(), c.expected);
        EXPECT_EQ(joystick.Isinitialized, c.expected == 0);
        EXPECT_EQ(joystick.getNrOfJoysticks(), c.count);
        EXPECT_EQ(Joynr, c.count);
        EXPECT_EQ(joystick.lpdijoy2 != nullptr, c.expected != 2 && c.count == 2);
    }
}

TEST_F(JoystickUnitTest, PreparesEachDeviceStepByStep) {
    attachSticks(2);
    TJoystick joystick(recordingEntry(m_script));
    joystick.setDIHandle(-77);
    ASSERT_EQ(joystick.Joy_init(), 0);
    // clang-format off
    const std::vector<std::string> expected = {
        "enum", "create 1", "create 2", "coop 1", "coop 2", "format 1", "format 2",
        "range 1 0 -100..100", "range 1 4 -100..100", "range 1 8 -100..100",
        "range 2 0 -100..100", "range 2 4 -100..100", "range 2 8 -100..100",
        "acquire 1", "acquire 2"};
    // clang-format on
    EXPECT_EQ(m_script.calls, expected);

    // The handle counts from the next Joy_init on; 0 stops it before setprop.
    joystick.setDIHandle(0);
    EXPECT_TRUE(joystick.Isinitialized);
    m_script.calls.clear();
    EXPECT_EQ(joystick.Joy_init(), 3);
    EXPECT_EQ(m_script.calls, (std::vector<std::string>{"enum", "create 1", "create 2"}));
    EXPECT_TRUE(joystick.lpdijoy1) << "the devices stay created";
    EXPECT_FALSE(joystick.Isinitialized);
}

TEST_F(JoystickUnitTest, ReadsButtonsAndAxesOfEachController) {
    attachSticks(2);
    const std::string second = "/test/input/event1";
    TJoystick joystick(recordingEntry(m_script));
    joystick.setDIHandle(1);
    TJoyData reading;
    EXPECT_EQ(joystick.GetInput1(&reading), 1) << "not initialised";
    ASSERT_EQ(joystick.Joy_init(), 0);

    source().setAxis("/test/input/event0", Axis::Y, 0);
    source().setAxis("/test/input/event0", Axis::X, 1023);
    source().setButton("/test/input/event0", 1, true);
    source().setButton("/test/input/event0", 4, true);
    source().setAxis(second, Axis::Y, 1023);
    source().setButton(second, 3, true);

    EXPECT_EQ(joystick.GetInput1(&reading), 0);
    EXPECT_EQ((std::vector<int>{reading.Button1, reading.Button2, reading.Button3, reading.Button4,
                                reading.Joy_x, reading.Joy_y}),
              (std::vector<int>{128, 0, 0, 128, 100, -100}));
    EXPECT_EQ(joystick.GetInput2(&reading), 0);
    EXPECT_EQ((std::vector<int>{reading.Button1, reading.Button2, reading.Button3, reading.Button4,
                                reading.Joy_x, reading.Joy_y}),
              (std::vector<int>{0, 0, 128, 0, 0, 100}));
    EXPECT_EQ(joystick.GetInput1(nullptr), 0) << "reads without a reading object";
    EXPECT_EQ(joystick.Joy_Data.lY, -100);
}

TEST_F(JoystickUnitTest, AFailedReadLeavesTheReading) {
    attachSticks(1);
    TJoystick joystick(recordingEntry(m_script));
    joystick.setDIHandle(1);
    ASSERT_EQ(joystick.Joy_init(), 0);
    const TJoyData last{128, 0, 128, 0, 12, -34};
    struct Case {
        const char* name;
        std::map<std::string, DiResult> failures;
    } cases[] = {
        {"poll", {{"poll 1", DiErr::InputLost}}},
        {"state", {{"state 1", DiErr::InputLost}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_script.failures = c.failures;
        TJoyData reading = last;
        EXPECT_EQ(joystick.GetInput1(&reading), 2);
        EXPECT_EQ(reading.Joy_y, -34);
        EXPECT_EQ(reading.Button1, 128);
    }
    m_script.failures.clear();

    // One controller: there is no device 2 to read.
    TJoyData reading = last;
    EXPECT_EQ(joystick.GetInput2(&reading), 2);
    EXPECT_EQ(reading.Joy_x, 12);

    // Unplugged: the real device fails as well.
    source().unplug("/test/input/event0");
    EXPECT_EQ(joystick.GetInput1(&reading), 2);
    EXPECT_EQ(reading.Joy_y, -34);
    EXPECT_EQ(joystick.Joy_init(), 2);
    EXPECT_EQ(joystick.GetInput1(&reading), 1);
    EXPECT_EQ(reading.Joy_y, -34);
}

TEST_F(JoystickUnitTest, IdentitiesOutliveOneJoyInit) {
    attachSticks(2);
    TJoystick joystick(recordingEntry(m_script));
    joystick.setDIHandle(1);
    ASSERT_EQ(joystick.Joy_init(), 0);
    const DeviceIdentity first = joystick1GUID, second = joystick2GUID;
    EXPECT_EQ(first.uniq, "stick 0");
    EXPECT_EQ(second.uniq, "stick 1");

    source().unplug("/test/input/event1");
    EXPECT_EQ(joystick.Joy_init(), 0);
    EXPECT_EQ(joystick.getNrOfJoysticks(), 1);
    EXPECT_FALSE(joystick.lpdijoy2) << "the earlier second device is released";
    EXPECT_EQ(joystick2GUID, second);

    // None attached: device 1 is tried with the identity of the earlier enumeration.
    source().unplug("/test/input/event0");
    m_script.calls.clear();
    EXPECT_EQ(joystick.Joy_init(), 2);
    EXPECT_EQ(m_script.calls, (std::vector<std::string>{"enum", "create 1"}));
    EXPECT_EQ(joystick1GUID, first);
    EXPECT_EQ(joystick.getNrOfJoysticks(), 0);

    // It comes back on another node and is found by its identity.
    TestDeviceDescription device = TestDeviceDescription::joystick();
    device.uniq = "stick 0";
    source().attach(device, 8);
    EXPECT_EQ(joystick.Joy_init(), 0);
    EXPECT_EQ(joystick1GUID.node, "/test/input/event8");
}

TEST_F(JoystickUnitTest, TheProgramsDriverUsesTheEntryLookedUpAtStart) {
    attachSticks(1);
    ASSERT_TRUE(lookUpDirectInput8());
    createJoystick();
    ASSERT_NE(Joystick, nullptr);
    EXPECT_EQ(Joystick->DIhandle, 0);
    Joystick->setDIHandle(5);
    EXPECT_EQ(Joystick->Joy_init(), 0);
    releaseJoystick();
    EXPECT_EQ(Joystick, nullptr);
}

#include "loco/input/DirectInput.h"
#include "locoinput/InputFixture.h"

#include <cstring>

using namespace evcode;

namespace {

class DirectInputTest : public InputFixture {
protected:
    std::unique_ptr<IDirectInput8A> create() {
        std::unique_ptr<IDirectInput8A> input;
        EXPECT_EQ(
            DirectInput8Create(programInstance(), DIRECTINPUT_VERSION_8, IID_IDirectInput8A, input, nullptr),
            DI_OK);
        return input;
    }

    // The identities the enumeration reports, in order, until the callback has seen stopAfter of them.
    std::vector<DeviceIdentity> enumerate(IDirectInput8A& input, std::size_t stopAfter = 100) {
        Seen seen{{}, stopAfter};
        EXPECT_EQ(input.EnumDevices(DI8DEVCLASS_GAMECTRL, record, &seen, DIEDFL_ATTACHEDONLY), DI_OK);
        return seen.identities;
    }

    std::unique_ptr<IDirectInputDevice8A> createDevice(IDirectInput8A& input,
                                                       const DeviceIdentity& identity) {
        std::unique_ptr<IDirectInputDevice8A> dev;
        EXPECT_EQ(input.CreateDevice(identity, dev, nullptr), DI_OK);
        return dev;
    }

    // A device set up as the joystick driver does it, without ranges.
    std::unique_ptr<IDirectInputDevice8A> acquired(const std::string& node) {
        auto dev = createDevice(*create(), identityOn(node));
        EXPECT_EQ(dev->SetCooperativeLevel(1, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
        EXPECT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DI_OK);
        EXPECT_EQ(dev->Acquire(), DI_OK);
        return dev;
    }

    DeviceIdentity identityOn(const std::string& node) {
        return GameController::from(source().open(node))->identity();
    }

    static DiResult setRange(IDirectInputDevice8A& dev, std::uint32_t offset, int min, int max,
                             std::uint32_t size = sizeof(DiPropRange), std::uint32_t headerSize = 16,
                             std::uint32_t how = DIPH_BYOFFSET) {
        DiPropRange range{{size, headerSize, offset, how}, min, max};
        return dev.SetProperty(DIPROP_RANGE, &range.diph);
    }

    static DiJoyState state(IDirectInputDevice8A& dev) {
        DiJoyState s;
        std::memset(&s, 0xAB, sizeof s);
        EXPECT_EQ(dev.GetDeviceState(sizeof s, &s), DI_OK);
        return s;
    }

private:
    struct Seen {
        std::vector<DeviceIdentity> identities;
        std::size_t stopAfter;
    };
    static int record(const DiDeviceInstance* instance, void* ref) {
        auto* seen = static_cast<Seen*>(ref);
        seen->identities.push_back(instance->guidInstance);
        return seen->identities.size() < seen->stopAfter ? DIENUM_CONTINUE : DIENUM_STOP;
    }
};

std::vector<std::string> nodes(const std::vector<DeviceIdentity>& identities) {
    std::vector<std::string> result;
    for (const DeviceIdentity& identity : identities)
        result.push_back(identity.node);
    return result;
}

} // namespace

TEST_F(DirectInputTest, CreationChecksItsArgumentsAndNeedsTheInputFolder) {
    struct Case {
        const char* name;
        ModuleHandle instance;
        std::uint32_t version;
        void* outer;
        bool refuseFolder;
        DiResult expected;
    } cases[] = {
        {"as the driver calls it", programInstance(), 0x0800, nullptr, false, DI_OK},
        {"no instance", 0, 0x0800, nullptr, false, DiErr::InvalidParam},
        {"version 7", programInstance(), 0x0700, nullptr, false, DiErr::BadVersion},
        {"aggregated", programInstance(), 0x0800, this, false, DiErr::NoAggregation},
        {"no input folder", programInstance(), 0x0800, nullptr, true, DiErr::NoInputFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        source().refuseFolder(c.refuseFolder);
        std::unique_ptr<IDirectInput8A> input;
        EXPECT_EQ(DirectInput8Create(c.instance, c.version, IID_IDirectInput8A, input, c.outer), c.expected);
        EXPECT_EQ(input != nullptr, c.expected == DI_OK);
    }
}

TEST_F(DirectInputTest, EnumeratesAttachedControllersInNodeOrderUntilStopped) {
    source().attach(TestDeviceDescription::joystick(), 10);
    source().attach(TestDeviceDescription::gamepad(), 2);
    source().attach(TestDeviceDescription{}, 1); // no axes: not a controller
    source().attach(TestDeviceDescription::joystick(), 7);
    source().refuseNode("/test/input/event7");
    auto input = create();
    EXPECT_EQ(nodes(enumerate(*input)),
              (std::vector<std::string>{"/test/input/event2", "/test/input/event10"}));
    EXPECT_EQ(nodes(enumerate(*input, 1)), (std::vector<std::string>{"/test/input/event2"}));
    const std::vector<DeviceIdentity> found = enumerate(*input);
    EXPECT_EQ(found[0].vendor, 0x045e);
    EXPECT_EQ(found[0].phys, TestDeviceDescription::gamepad().phys);

    auto never = [](const DiDeviceInstance*, void*) -> int {
        ADD_FAILURE() << "called back";
        return DIENUM_STOP;
    };
    EXPECT_EQ(input->EnumDevices(2, never, nullptr, DIEDFL_ATTACHEDONLY), DiErr::InvalidParam);
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_GAMECTRL, never, nullptr, 0), DiErr::InvalidParam);
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_GAMECTRL, nullptr, nullptr, DIEDFL_ATTACHEDONLY),
              DiErr::InvalidParam);
    source().refuseFolder(true);
    EXPECT_EQ(input->EnumDevices(DI8DEVCLASS_GAMECTRL, never, nullptr, DIEDFL_ATTACHEDONLY),
              DiErr::NoInputFolder);
}

TEST_F(DirectInputTest, CreatesDevicesForAttachedControllersOnly) {
    const std::string node = source().attach(TestDeviceDescription::joystick(), 0);
    auto input = create();
    const DeviceIdentity identity = enumerate(*input).at(0);
    std::unique_ptr<IDirectInputDevice8A> dev;
    EXPECT_EQ(input->CreateDevice(identity, dev, nullptr), DI_OK);
    EXPECT_TRUE(dev);
    EXPECT_EQ(input->CreateDevice(identity, dev, this), DiErr::NoAggregation);
    EXPECT_FALSE(dev);
    EXPECT_EQ(input->CreateDevice(DeviceIdentity{}, dev, nullptr), DiErr::DeviceNotFound);

    source().unplug(node);
    EXPECT_EQ(input->CreateDevice(identity, dev, nullptr), DiErr::DeviceNotFound);
    EXPECT_FALSE(dev);

    // Plugged in again on another node: found by its ids, phys and uniq, and read from there.
    const std::string again = source().attach(TestDeviceDescription::joystick(), 3);
    source().setAxis(again, Axis::X, 1023);
    ASSERT_EQ(input->CreateDevice(identity, dev, nullptr), DI_OK);
    ASSERT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DI_OK);
    ASSERT_EQ(dev->Acquire(), DI_OK);
    EXPECT_EQ(state(*dev).lX, 65535);
}

TEST_F(DirectInputTest, ChecksCooperativeLevelAndDataFormat) {
    source().attach(TestDeviceDescription::joystick(), 0);
    auto dev = createDevice(*create(), identityOn("/test/input/event0"));
    struct Case {
        std::int32_t window;
        std::uint32_t flags;
        DiResult expected;
    } cases[] = {
        {0x04a00007, 10, DI_OK},      {-5, 10, DI_OK},
        {0, 10, DiErr::InvalidParam}, {7, 6, DiErr::InvalidParam},
        {7, 9, DiErr::InvalidParam},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.window) + "/" + std::to_string(c.flags));
        EXPECT_EQ(dev->SetCooperativeLevel(c.window, c.flags), c.expected);
    }
    const DiDataFormat half{40};
    EXPECT_EQ(dev->Acquire(), DiErr::InvalidParam) << "no data format yet";
    EXPECT_EQ(dev->SetDataFormat(&half), DiErr::InvalidParam);
    EXPECT_EQ(dev->SetDataFormat(nullptr), DiErr::InvalidParam);
    EXPECT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DI_OK);
    EXPECT_EQ(dev->Acquire(), DI_OK);
    EXPECT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DiErr::Acquired);
}

TEST_F(DirectInputTest, FillsTheJoystickStateRecord) {
    TestDeviceDescription device = TestDeviceDescription::joystick(6);
    device.keys.push_back(Btn0);
    const std::string node = source().attach(device, 0);
    auto dev = acquired(node);
    source().setAxis(node, Axis::X, 0);
    source().setAxis(node, Axis::Y, 1023);
    source().setAxis(node, Axis::Z, 255);
    source().setButton(node, 2, true);
    source().setButton(node, 7, true);

    const DiJoyState s = state(*dev);
    EXPECT_EQ(s.lX, 0);
    EXPECT_EQ(s.lY, 65535);
    EXPECT_EQ(s.lZ, 65535);
    EXPECT_EQ(s.lRx | s.lRy | s.lRz | s.rglSlider[0] | s.rglSlider[1], 0);
    for (std::uint32_t pov : s.rgdwPOV)
        EXPECT_EQ(pov, 0xFFFFFFFFu);
    std::vector<int> buttons(std::begin(s.rgbButtons), std::end(s.rgbButtons));
    std::vector<int> expected(32, 0);
    expected[1] = 128;
    expected[6] = 128; // the miscellaneous button comes after the six joystick buttons
    EXPECT_EQ(buttons, expected);

    DiJoyState untouched;
    std::memset(&untouched, 0x5A, sizeof untouched);
    EXPECT_EQ(dev->GetDeviceState(40, &untouched), DiErr::InvalidParam);
    EXPECT_EQ(dev->GetDeviceState(sizeof untouched, nullptr), DiErr::InvalidParam);
    EXPECT_EQ(untouched.lX, 0x5A5A5A5A);
}

TEST_F(DirectInputTest, RangePropertySetsTheAxisRangeOfTheStateRecord) {
    TestDeviceDescription device = TestDeviceDescription::gamepad();
    device.axes.pop_back(); // no Z
    const std::string node = source().attach(device, 0);
    auto dev = createDevice(*create(), identityOn(node));
    EXPECT_EQ(setRange(*dev, 4, -100, 100), DiErr::ObjectNotFound) << "offsets need the data format";
    ASSERT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DI_OK);
    struct Case {
        const char* name;
        std::uint32_t offset;
        int min, max;
        std::uint32_t size, headerSize, how;
        DiResult expected;
    } cases[] = {
        {"X", 0, -100, 100, 24, 16, 1, DI_OK},
        {"Y", 4, -1000, 1000, 24, 16, 1, DI_OK},
        {"Z is missing", 8, -100, 100, 24, 16, 1, DiErr::ObjectNotFound},
        {"Rx is no axis of ours", 12, -100, 100, 24, 16, 1, DiErr::ObjectNotFound},
        {"header only", 4, -100, 100, 16, 16, 1, DiErr::InvalidParam},
        {"header size", 4, -100, 100, 24, 24, 1, DiErr::InvalidParam},
        {"by identifier", 4, -100, 100, 24, 16, 2, DiErr::InvalidParam},
        {"empty range", 4, 5, 5, 24, 16, 1, DiErr::InvalidParam},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(setRange(*dev, c.offset, c.min, c.max, c.size, c.headerSize, c.how), c.expected);
    }
    EXPECT_EQ(dev->SetProperty(DIPROP_RANGE, nullptr), DiErr::InvalidParam);

    ASSERT_EQ(dev->Acquire(), DI_OK);
    source().setAxis(node, Axis::X, 32767);
    source().setAxis(node, Axis::Y, -32768);
    DiJoyState s = state(*dev);
    EXPECT_EQ(s.lX, 100);
    EXPECT_EQ(s.lY, -1000);
    EXPECT_EQ(s.lZ, 0);
    source().setAxis(node, Axis::Y, 0);
    EXPECT_EQ(state(*dev).lY, 0);
}

TEST_F(DirectInputTest, ALostDeviceFailsAndLeavesTheBuffer) {
    const std::string node = source().attach(TestDeviceDescription::joystick(), 0);
    auto dev = acquired(node);
    EXPECT_EQ(dev->Poll(), DI_OK);
    source().unplug(node);
    EXPECT_EQ(dev->Poll(), DiErr::InputLost);
    DiJoyState buffer;
    std::memset(&buffer, 0x5A, sizeof buffer);
    EXPECT_NE(dev->GetDeviceState(sizeof buffer, &buffer), DI_OK);
    EXPECT_EQ(buffer.lY, 0x5A5A5A5A);
    EXPECT_EQ(buffer.rgbButtons[0], 0x5A);
    EXPECT_EQ(dev->Acquire(), DiErr::InputLost);
    source().attach(TestDeviceDescription::joystick(), 0);
    EXPECT_EQ(dev->Acquire(), DiErr::InputLost) << "a new device on the node is not this one";

    auto unacquired = createDevice(*create(), identityOn("/test/input/event0"));
    EXPECT_EQ(unacquired->Poll(), DiErr::NotAcquired);
    EXPECT_EQ(unacquired->GetDeviceState(sizeof buffer, &buffer), DiErr::NotAcquired);
}

TEST_F(DirectInputTest, LooksUpItsEntryThroughTheLoader) {
    EXPECT_TRUE(lookUpDirectInput8());
    std::unique_ptr<IDirectInput8A> input;
    ASSERT_TRUE(directInput8Entry());
    EXPECT_EQ(directInput8Entry()(programInstance(), 0x0800, IID_IDirectInput8A, input, nullptr), DI_OK);
    EXPECT_TRUE(input);

    m_platform.modules().install("dinput8.DLL", Module());
    EXPECT_FALSE(lookUpDirectInput8());
    EXPECT_FALSE(directInput8Entry());
    EXPECT_EQ(m_platform.modules().loadCount("DInput8.dll"), 1) << "the first look-up keeps its library";

    m_platform.modules().remove("DInput8.dll");
    EXPECT_FALSE(lookUpDirectInput8());
    EXPECT_FALSE(directInput8Entry());
}

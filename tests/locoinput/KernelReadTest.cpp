// Reading devices through libevdev as on a real system: the nodes are fake (FakeEvdevNodes), the
// device source, libevdev and the driver above them are the program's.

#include "loco/input/InputPlatform.h"
#include "loco/input/JoystickUnit.h"
#include "locoinput/FakeEvdevNodes.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using Batch = std::vector<input_event>;

class KernelReadTest : public testing::Test {
protected:
    void TearDown() override { clearFakeEvdevNodes(); }

    // A stick on event0: X and Y 0..1023 at 512, a trigger and a thumb button.
    FakeEvdevNode& plugIn() {
        writeFileBytes(m_node, "");
        return fakeEvdevNode(m_node, TestDeviceDescription::joystick(2));
    }
    std::unique_ptr<GameController> open() { return GameController::from(m_source->open(m_node)); }

    TempDir m_dir;
    const std::string m_node = m_dir.file("event0");
    const std::shared_ptr<KernelDeviceSource> m_source = std::make_shared<KernelDeviceSource>(m_dir.path());
};

TEST_F(KernelReadTest, RefreshTakesInWhatTheNodeReports) {
    const Batch report = {event(EV_ABS, ABS_Y, 900), event(EV_KEY, BTN_TRIGGER, 1),
                          event(EV_SYN, SYN_REPORT, 0)};
    const Batch dropped = {event(EV_ABS, ABS_Y, 10), event(EV_SYN, SYN_REPORT, 0),
                           event(EV_SYN, SYN_DROPPED, 0), event(EV_ABS, ABS_X, 7)};
    const Batch released = {event(EV_KEY, BTN_TRIGGER, 0), event(EV_SYN, SYN_REPORT, 0)};
    // The state the device reports once the stick is open: Y at 900, the trigger held down.
    TestDeviceDescription state = TestDeviceDescription::joystick(2);
    state.axes[1].value = 900;
    struct Case {
        const char* name;
        std::deque<Batch> batches;
        int endError;
        int y;        // in the device's units, after the refresh
        bool trigger; // held down
        bool alive;
    } cases[] = {
        {"a report", {report}, EAGAIN, 900, true, true},
        {"nothing to read", {}, EAGAIN, 512, false, true},
        // The state is read back from the device, and what arrives after that is taken in by the same
        // refresh.
        {"events dropped", {dropped, released}, EAGAIN, 900, false, true},
        {"unplugged mid-read", {report}, ENODEV, 900, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEvdevNode& node = plugIn();
        auto stick = open();
        ASSERT_TRUE(stick);
        node = {state, {BTN_TRIGGER}, c.batches, c.endError};
        EXPECT_EQ(stick->refresh(), c.alive);
        EXPECT_EQ(stick->value(Axis::Y), c.y);
        EXPECT_EQ(stick->button(0), c.trigger);
    }
}

TEST_F(KernelReadTest, AFloodIsTakenInOverSeveralRefreshes) {
    FakeEvdevNode& node = plugIn();
    auto stick = open();
    ASSERT_TRUE(stick);
    node.batches = {Batch(1000000, event(EV_ABS, ABS_X, 7))};
    EXPECT_TRUE(stick->refresh());
    EXPECT_EQ(node.batches.size(), 1u) << "the refresh returns while the device goes on reporting";
}

TEST_F(KernelReadTest, AControllerUnpluggedMidReadIsNotRead) {
    FakeEvdevNode& node = plugIn();
    InputPlatform platform(m_source);
    ScopedInputPlatform use(platform);
    TJoystick joystick(DirectInput8Create);
    joystick.setDIHandle(1);
    ASSERT_EQ(joystick.Joy_init(), 0);
    node.batches = {
        {event(EV_ABS, ABS_Y, 1023), event(EV_KEY, BTN_TRIGGER, 1), event(EV_SYN, SYN_REPORT, 0)}};
    node.endError = ENODEV;
    TJoyData reading{.Joy_y = -100};
    EXPECT_EQ(joystick.GetInput1(&reading), 2);
    EXPECT_EQ(reading.Joy_y, -100) << "the reading keeps its last values";
    EXPECT_EQ(reading.Button1, 0);
}

} // namespace

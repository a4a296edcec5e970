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
        const std::string path = m_dir.file("event0");
        writeFileBytes(path, "");
        FakeEvdevNode node;
        node.device = TestDeviceDescription::joystick(2);
        return fakeEvdevNode(path, node);
    }
    std::shared_ptr<KernelDeviceSource> source() {
        return std::make_shared<KernelDeviceSource>(m_dir.path());
    }

    TempDir m_dir;
};

TEST_F(KernelReadTest, RefreshTakesInWhatTheNodeReports) {
    const Batch report = {event(EV_ABS, ABS_Y, 900), event(EV_KEY, BTN_TRIGGER, 1),
                          event(EV_SYN, SYN_REPORT, 0)};
    const Batch dropped = {event(EV_ABS, ABS_Y, 10), event(EV_SYN, SYN_REPORT, 0),
                           event(EV_SYN, SYN_DROPPED, 0), event(EV_ABS, ABS_X, 7)};
    struct Case {
        const char* name;
        std::vector<Batch> batches;
        int endError;
        int y;        // in the device's units, after the refresh
        bool trigger; // held down
        bool alive;
    } cases[] = {
        {"a report", {report}, EAGAIN, 900, true, true},
        {"nothing to read", {}, EAGAIN, 512, false, true},
        // Dropped events: the state is read back from the device (Y 900, trigger down), and what
        // arrives after that resync (the trigger released) is taken in by the same refresh.
        {"events dropped",
         {dropped, {event(EV_KEY, BTN_TRIGGER, 0), event(EV_SYN, SYN_REPORT, 0)}},
         EAGAIN,
         900,
         false,
         true},
        {"unplugged mid-read", {report}, ENODEV, 900, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEvdevNode& node = plugIn();
        auto stick = GameController::from(source()->open(m_dir.path() + "event0"));
        ASSERT_TRUE(stick);
        node.batches = c.batches;
        node.endError = c.endError;
        node.keysDown = {BTN_TRIGGER};
        node.device.axes[1].value = 900;
        EXPECT_EQ(stick->refresh(), c.alive);
        EXPECT_EQ(stick->value(Axis::Y), c.y);
        EXPECT_EQ(stick->button(0), c.trigger);
        EXPECT_EQ(stick->refresh(), c.alive) << "a lost device stays lost";
        clearFakeEvdevNodes();
    }
}

TEST_F(KernelReadTest, AFloodIsTakenInOverSeveralRefreshes) {
    FakeEvdevNode& node = plugIn();
    auto stick = GameController::from(source()->open(m_dir.path() + "event0"));
    ASSERT_TRUE(stick);
    node.flood = 1000000;
    EXPECT_TRUE(stick->refresh());
    EXPECT_GT(node.served, 0);
    EXPECT_LT(node.served, node.flood) << "the refresh returns while the device goes on reporting";
}

TEST_F(KernelReadTest, AControllerUnpluggedMidReadIsNotRead) {
    FakeEvdevNode& node = plugIn();
    InputPlatform platform(source());
    ScopedInputPlatform use(platform);
    TJoystick joystick(DirectInput8Create);
    joystick.setDIHandle(1);
    ASSERT_EQ(joystick.Joy_init(), 0);
    node.batches = {{event(EV_ABS, ABS_Y, 0), event(EV_KEY, BTN_TRIGGER, 1), event(EV_SYN, SYN_REPORT, 0)}};
    TJoyData reading;
    ASSERT_EQ(joystick.GetInput1(&reading), 0);
    EXPECT_EQ(reading.Joy_y, -100);
    EXPECT_EQ(reading.Button1, 128);

    node.batches.push_back(
        {event(EV_ABS, ABS_Y, 1023), event(EV_KEY, BTN_TRIGGER, 0), event(EV_SYN, SYN_REPORT, 0)});
    node.endError = ENODEV;
    EXPECT_EQ(joystick.GetInput1(&reading), 2);
    EXPECT_EQ(reading.Joy_y, -100) << "the reading keeps its last values";
    EXPECT_EQ(reading.Button1, 128);
}

} // namespace

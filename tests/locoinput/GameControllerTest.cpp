#include "loco/input/GameController.h"
#include "locoinput/InputFixture.h"
#include "support/TempDir.h"

#include <cstring>
#include <filesystem>
#include <functional>

using namespace evcode;

namespace {

TestDeviceDescription describe(std::vector<TestAxis> axes, std::vector<int> keys,
                               std::vector<int> properties = {}) {
    TestDeviceDescription device;
    device.axes = std::move(axes);
    device.keys = std::move(keys);
    device.properties = std::move(properties);
    return device;
}

const std::vector<TestAxis> kXY = {{AbsX, 0, 255, 128}, {AbsY, 0, 255, 128}};

} // namespace

using GameControllerTest = InputFixture;

TEST_F(GameControllerTest, ClassifiesJoysticksAndGamepadsOnly) {
    struct Case {
        const char* name;
        TestDeviceDescription device;
        bool controller;
    } cases[] = {
        {"stick with throttle", TestDeviceDescription::joystick(), true},
        {"gamepad", TestDeviceDescription::gamepad(), true},
        {"last joystick-range key", describe(kXY, {BtnThumbR}), true},
        {"touchpad", describe(kXY, {BtnLeft, BtnSouth, BtnToolFinger, BtnTouch}, {PropPointer}), false},
        {"finger tool only", describe(kXY, {BtnSouth, BtnToolFinger}), false},
        {"pen tablet", describe(kXY, {BtnThumb, BtnToolPen, BtnStylus}), false},
        {"accelerometer", describe(kXY, {BtnSouth}, {PropAccelerometer}), false},
        {"keyboard", describe({}, {KeyA, KeyEnter}), false},
        {"mouse", describe({}, {BtnLeft, BtnRight}), false},
        {"no Y axis", describe({{AbsX, 0, 255, 0}}, {BtnTrigger}), false},
        {"only miscellaneous buttons", describe(kXY, {Btn0, Btn9}), false},
        {"first key above the joystick range", describe(kXY, {BtnToolPen + 1}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto opened = source().open(source().attach(c.device));
        ASSERT_TRUE(opened);
        EXPECT_EQ(isGameController(*opened), c.controller);
        EXPECT_EQ(GameController::from(std::move(opened)) != nullptr, c.controller);
    }
}

TEST_F(GameControllerTest, NumbersButtonsInTheKernelsJoystickOrder) {
    std::vector<int> many;
    for (int k = 0; k < 40; ++k)
        many.push_back(BtnTriggerHappy1 + k);
    struct Case {
        const char* name;
        std::vector<int> keys;
        std::vector<int> expected;
    } cases[] = {
        {"stick", {BtnBase, BtnTrigger, BtnThumb}, {BtnTrigger, BtnThumb, BtnBase}},
        {"gamepad", {BtnWest, BtnSouth, BtnNorth, BtnEast}, {BtnSouth, BtnEast, BtnNorth, BtnWest}},
        {"miscellaneous buttons come last",
         {Btn0, BtnTriggerHappy1, Btn9, BtnTrigger, BtnLeft},
         {BtnTrigger, BtnTriggerHappy1, Btn0, Btn9, BtnLeft}},
        {"at most 32", many, std::vector<int>(many.begin(), many.begin() + 32)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(joystickButtonCodes(*source().open(source().attach(describe(kXY, c.keys)))), c.expected);
    }

    // Button k of the controller is the k-th code: the gamepad's second button is its east button.
    const std::string node = source().attach(TestDeviceDescription::gamepad());
    auto pad = GameController::from(source().open(node));
    source().setValue(node, EvKey, BtnEast, 1);
    ASSERT_TRUE(pad->refresh());
    EXPECT_EQ(pad->buttonMask(), 2u);
    EXPECT_TRUE(pad->button(1));
    EXPECT_FALSE(pad->button(0));
    EXPECT_FALSE(pad->button(4));
    EXPECT_FALSE(pad->button(-1));
}

TEST_F(GameControllerTest, TakesZFromASecondStickElseTheZAxisElseTheThrottle) {
    struct Case {
        const char* name;
        std::vector<TestAxis> extra;
        int expectedZ; // -1: none
    } cases[] = {
        {"Z axis", {{AbsZ, 0, 255, 10}}, AbsZ},
        {"throttle", {{AbsThrottle, 0, 255, 20}}, AbsThrottle},
        {"both", {{AbsThrottle, 0, 255, 20}, {AbsZ, 0, 255, 10}}, AbsZ},
        {"neither", {{AbsRx, 0, 255, 30}}, -1},
        {"pad: trigger and second stick",
         {{AbsZ, 0, 255, 10}, {AbsRx, 0, 255, 30}, {AbsRy, 0, 255, 40}},
         AbsRy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TestAxis> axes = kXY;
        axes.insert(axes.end(), c.extra.begin(), c.extra.end());
        const std::string node = source().attach(describe(axes, {BtnTrigger}));
        EXPECT_EQ(axisCode(*source().open(node), Axis::Z), c.expectedZ);
        auto controller = GameController::from(source().open(node));
        EXPECT_EQ(controller->hasAxis(Axis::Z), c.expectedZ >= 0);
        const int expectedValue = c.expectedZ == AbsZ          ? 10
                                  : c.expectedZ == AbsThrottle ? 20
                                  : c.expectedZ == AbsRy       ? 40
                                                               : 0;
        EXPECT_EQ(controller->value(Axis::Z), expectedValue);
    }
}

TEST_F(GameControllerTest, ReadsIdentityAndChangedValues) {
    TestDeviceDescription device = TestDeviceDescription::joystick();
    device.uniq = "SN-1";
    const std::string node = source().attach(device, 3);
    auto controller = GameController::from(source().open(node));
    const DeviceIdentity expected{0x03, 0x046d, 0xc215, 0x0111, device.phys, "SN-1", "/test/input/event3"};
    EXPECT_EQ(controller->identity(), expected);
    EXPECT_EQ(controller->name(), "Test joystick");
    EXPECT_EQ(controller->kernelRange(Axis::Y).maximum, 1023);

    source().setAxis(node, Axis::Y, 7);
    EXPECT_EQ(controller->value(Axis::Y), 512) << "values change only at a refresh";
    EXPECT_TRUE(controller->refresh());
    EXPECT_EQ(controller->value(Axis::Y), 7);

    source().unplug(node);
    EXPECT_FALSE(controller->refresh());
    source().attach(device, 3);
    EXPECT_FALSE(controller->refresh()) << "a lost device stays lost";
    EXPECT_TRUE(controller->lost());
}

TEST_F(GameControllerTest, FindsAControllerAgain) {
    TestDeviceDescription stick = TestDeviceDescription::joystick();
    TestDeviceDescription twin = stick;
    twin.phys = "usb-0000:00:14.0-4/input0";
    const std::string stickNode = source().attach(stick, 1);
    source().attach(twin, 2);
    auto identity = [&](const std::string& node) {
        return GameController::from(source().open(node))->identity();
    };
    const DeviceIdentity stickId = identity(stickNode);
    const DeviceIdentity twinId = identity("/test/input/event2");

    EXPECT_EQ(findController(source(), stickId)->identity().node, "/test/input/event1");
    EXPECT_EQ(findController(source(), twinId)->identity().node, "/test/input/event2");
    EXPECT_EQ(findController(source(), DeviceIdentity{}), nullptr);

    // Replugged: the stick comes back on node 5 and a gamepad takes node 1.
    source().unplug(stickNode);
    EXPECT_EQ(findController(source(), stickId), nullptr);
    source().attach(stick, 5);
    source().attach(TestDeviceDescription::gamepad(), 1);
    EXPECT_EQ(findController(source(), stickId)->identity().node, "/test/input/event5");

    // A node whose ids still match is taken as it is, even if the controller moved to another port.
    DeviceIdentity moved = stickId;
    moved.node = "/test/input/event5";
    moved.phys = "elsewhere";
    EXPECT_EQ(findController(source(), moved)->identity().node, "/test/input/event5");
    moved.node = "/test/input/event1";
    EXPECT_EQ(findController(source(), moved), nullptr);
}

TEST_F(GameControllerTest, PassesOverRefusedNodesAndFailsWithoutAFolder) {
    source().attach(TestDeviceDescription::joystick(), 0);
    source().attach(TestDeviceDescription::gamepad(), 1);
    source().attach(TestDeviceDescription::joystick(), 2);
    source().refuseNode("/test/input/event1");
    std::vector<std::string> seen;
    auto collect = [&](std::unique_ptr<GameController>& c) {
        seen.push_back(c->identity().node);
        return seen.size() < 5;
    };
    EXPECT_TRUE(forEachController(source(), collect));
    EXPECT_EQ(seen, (std::vector<std::string>{"/test/input/event0", "/test/input/event2"}));

    seen.clear();
    EXPECT_TRUE(forEachController(source(), [&](std::unique_ptr<GameController>& c) {
        seen.push_back(c->identity().node);
        return false;
    }));
    EXPECT_EQ(seen.size(), 1u) << "the visit stops the walk";

    source().refuseFolder(true);
    EXPECT_FALSE(forEachController(source(), collect));
}

TEST(KernelDeviceSource, ListsEventNodesInNumericOrderAndSkipsWhatItCannotOpen) {
    TempDir dir;
    for (const char* name : {"event10", "event2", "event0", "mouse0", "event", "event1a", "js0"})
        writeFileBytes(dir.file(name), "not a device");
    std::filesystem::create_symlink(dir.path() + "gone", dir.path() + "event3");
    KernelDeviceSource source(dir.path());
    EXPECT_EQ(source.listNodes(), (std::vector<std::string>{dir.path() + "event0", dir.path() + "event2",
                                                            dir.path() + "event3", dir.path() + "event10"}));

    std::vector<std::string> lines;
    setInputDebugSink([&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(source.open(dir.path() + "event2"), nullptr);
    EXPECT_EQ(source.open(dir.path() + "event3"), nullptr);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(dir.path() + "event2"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("cannot open " + dir.path() + "event3"), std::string::npos) << lines[1];

    EXPECT_FALSE(KernelDeviceSource(dir.path() + "missing").listNodes());
    writeFileBytes(dir.file("sub/event4"), "elsewhere");
    EXPECT_EQ(source.open(dir.path() + "sub/event4"), nullptr);
    EXPECT_EQ(source.open(dir.path() + "mouse0"), nullptr);
    EXPECT_EQ(lines.size(), 2u) << "paths that are no event node of the folder are not tried";
    setInputDebugSink(nullptr);
}

TEST(KernelDeviceSource, ChangesItsGenerationOnlyWhenTheFolderChanges) {
    TempDir dir;
    writeFileBytes(dir.file("event0"), "");
    KernelDeviceSource source(dir.path());
    struct Case {
        const char* name;
        std::function<void()> change; // nullptr: none
    } cases[] = {
        {"nothing", nullptr},
        {"node added", [&] { writeFileBytes(dir.file("event1"), ""); }},
        {"nothing again", nullptr},
        {"access granted",
         [&] { std::filesystem::permissions(dir.file("event1"), std::filesystem::perms::all); }},
        {"node removed", [&] { std::filesystem::remove(dir.file("event0")); }},
    };
    std::uint64_t last = source.generation();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.change)
            c.change();
        const std::uint64_t now = source.generation();
        EXPECT_EQ(now != last, c.change != nullptr);
        last = now;
    }
    KernelDeviceSource missing(dir.path() + "missing");
    EXPECT_NE(missing.generation(), missing.generation())
        << "a folder that cannot be watched is scanned every time";
}

TEST(KernelDeviceSource, NamesTheFirstNodeOnlyWhenNoneCanBeRead) {
    TempDir dir;
    KernelDeviceSource source(dir.path());
    EXPECT_EQ(unreadableNodes(source), "") << "no nodes";
    std::filesystem::create_symlink(dir.path() + "gone", dir.path() + "event3");
    std::filesystem::create_symlink(dir.path() + "event5", dir.path() + "event5"); // a loop: ELOOP
    EXPECT_EQ(unreadableNodes(source), dir.path() + "event3: " + std::strerror(ENOENT));
    writeFileBytes(dir.file("event7"), "");
    EXPECT_EQ(unreadableNodes(source), "") << "one node can be read";
}

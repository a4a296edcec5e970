#include "loco/input/GameController.h"
#include "locoinput/InputFixture.h"
#include "support/TempDir.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>

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

// Capability bits as sysfs lists them on a 64-bit kernel: ev, abs, key.
struct Bits {
    const char* ev;
    const char* abs;
    const char* key;
};
const Bits kKeyboard = {"120013", "0", "402000000 3803078f800d001 feffffdfffefffff fffffffffffffffe"};
const Bits kPad = {"20000b", "3003f", "7cdb000000000000 0 0 0 0"}; // south .. right thumb
const Bits kStick = {"b", "3", "100000000 0 0 0 0"};               // X, Y and the trigger

// An input folder with sysfs's and udev's descriptions of its nodes beside it.
struct KernelFolders {
    TempDir dir;
    std::string input = dir.path() + "input";
    std::string sys = dir.path() + "sys";
    std::string udev = dir.path() + "udev";

    KernelFolders() {
        for (const std::string* folder : {&input, &sys, &udev})
            std::filesystem::create_directories(*folder);
    }
    std::string node(int n) const { return input + "/event" + std::to_string(n); }
    std::string number(int n) const { return "13:" + std::to_string(64 + n); }
    // sysfs's entry of event<n>: its device number and capabilities.
    void describe(int n, const Bits& bits, const char* properties = nullptr) const {
        writeFileBytes(dir.file("sys/event" + std::to_string(n) + "/dev"), number(n) + "\n");
        const std::string caps = "sys/event" + std::to_string(n) + "/device/capabilities/";
        writeFileBytes(dir.file(caps + "ev"), std::string(bits.ev) + "\n");
        writeFileBytes(dir.file(caps + "abs"), std::string(bits.abs) + "\n");
        writeFileBytes(dir.file(caps + "key"), std::string(bits.key) + "\n");
        if (properties)
            writeFileBytes(dir.file("sys/event" + std::to_string(n) + "/device/properties"), properties);
    }
    void record(int n, const std::string& text) const { writeFileBytes(udev + "/c" + number(n), text); }
    // A node the user may not open, whoever runs the test: it leads nowhere.
    void unreadable(int n) const { std::filesystem::create_symlink(dir.path() + "gone", node(n)); }
};

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
        {"folder replaced",
         [&] {
             std::filesystem::remove_all(dir.path());
             std::filesystem::create_directory(dir.path());
         }},
        {"node added to the new folder", [&] { writeFileBytes(dir.file("event2"), ""); }},
        {"nothing in the new folder", nullptr},
        {"another node added to it", [&] { writeFileBytes(dir.file("event3"), ""); }},
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

TEST(KernelDeviceSource, TellsJoysticksByUdevsRecordElseBySysfsWithoutOpeningThem) {
    const std::string joystick = "I:1\nE:ID_INPUT=1\nE:ID_INPUT_JOYSTICK=1\nG:uaccess\n";
    const std::string keyboard = "E:ID_INPUT=1\nE:ID_INPUT_KEY=1\nE:ID_INPUT_KEYBOARD=1\n";
    struct Case {
        const char* name;
        std::optional<Bits> sysfs;
        const char* properties;
        std::string record; // empty: none
        bool joystick;
    } cases[] = {
        {"keyboard", kKeyboard, nullptr, "", false},
        {"game pad", kPad, nullptr, "", true},
        {"stick", kStick, "0\n", "", true},
        {"a touch surface with a trigger", Bits{"b", "3", "400 100000000 0 0 0 0"}, nullptr, "", false},
        {"an accelerometer", kPad, "40\n", "", false},
        {"axis bits without absolute axes", Bits{"3", "3", kStick.key}, nullptr, "", false},
        {"udev's joystick", kKeyboard, nullptr, joystick, true},
        {"udev's keyboard", kPad, nullptr, keyboard, false},
        {"a record without input properties", kPad, nullptr, "G:seat\nG:uaccess\n", true},
        {"a word longer than the kernel's", Bits{"b", "3", "00000000100000000 0 0 0 0"}, nullptr, "", false},
        {"more words than keys", Bits{"b", "3", "0 0 0 0 0 0 0 0 100000000 0 0 0 0"}, nullptr, "", false},
        {"an empty word", Bits{"b", "3", " 100000000 0 0 0 0"}, nullptr, "", false},
        {"no hexadecimal", Bits{"b", "3g", kStick.key}, nullptr, "", false},
        {"nothing known", std::nullopt, nullptr, "", false},
    };
    KernelFolders k;
    KernelDeviceSource source(k.input, k.sys, k.udev + "/");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.sysfs)
            k.describe(n, *c.sysfs, c.properties);
        if (!c.record.empty())
            k.record(n, c.record);
        k.unreadable(n);
        EXPECT_EQ(source.isJoystickNode(k.node(n)), c.joystick);
        ++n;
    }
    // Only a device number leads to a record of udev.
    k.describe(n, kKeyboard);
    writeFileBytes(k.dir.file("sys/event" + std::to_string(n) + "/dev"), "13:x\n");
    writeFileBytes(k.udev + "/c13:x", joystick);
    EXPECT_FALSE(source.isJoystickNode(k.node(n)));
    EXPECT_FALSE(source.isJoystickNode(k.dir.path() + "event1")) << "a node of another folder";
}

TEST(KernelDeviceSource, NamesTheFirstJoystickNodeOnlyWhenNoJoystickCanBeRead) {
    KernelFolders k;
    KernelDeviceSource source(k.input, k.sys, k.udev);
    EXPECT_EQ(unreadableNodes(source), "") << "no nodes";
    k.describe(1, kKeyboard);
    k.unreadable(1);
    EXPECT_EQ(unreadableNodes(source), "") << "a keyboard that may not be read";
    k.describe(3, kPad);
    k.unreadable(3);
    k.describe(5, kKeyboard);
    k.record(5, "E:ID_INPUT_JOYSTICK=1\n");
    std::filesystem::create_symlink(k.node(5), k.node(5)); // a loop: ELOOP
    const std::string pad = k.node(3) + ": " + std::strerror(ENOENT);
    EXPECT_EQ(unreadableNodes(source), pad) << "pads that may not be read";
    k.describe(2, kKeyboard);
    writeFileBytes(k.node(2), "");
    EXPECT_EQ(unreadableNodes(source), pad) << "a keyboard that may be read";
    k.describe(7, kStick);
    writeFileBytes(k.node(7), "");
    EXPECT_EQ(unreadableNodes(source), "") << "a stick that may be read";
}

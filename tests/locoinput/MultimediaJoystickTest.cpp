#include "loco/input/MultimediaJoystick.h"
#include "locoinput/InputFixture.h"

#include <cstring>

namespace {

class MultimediaJoystickTest : public InputFixture {
protected:
    static JoyInfoEx info(std::uint32_t flags) {
        JoyInfoEx i;
        std::memset(&i, 0x5A, sizeof i);
        i.dwSize = sizeof i;
        i.dwFlags = flags;
        return i;
    }
    static constexpr std::uint32_t kUntouched = 0x5A5A5A5A;
};

} // namespace

TEST_F(MultimediaJoystickTest, NumbersControllersInEnumerationOrderAndReportsTheirCapabilities) {
    TestDeviceDescription noZ = TestDeviceDescription::joystick(12);
    noZ.name = std::string(40, 'n');
    noZ.axes.pop_back();
    source().attach(TestDeviceDescription::gamepad(), 4);
    source().attach(TestDeviceDescription{}, 0);
    source().attach(noZ, 9);

    JoyCapsA caps;
    ASSERT_EQ(joyGetDevCapsA(0, &caps, sizeof caps), JOYERR_NOERROR);
    EXPECT_EQ(caps.wMid, 0x045e);
    EXPECT_EQ(caps.wPid, 0x028e);
    EXPECT_STREQ(caps.szPname, "Test gamepad");
    EXPECT_EQ(caps.wYmin, 0u);
    EXPECT_EQ(caps.wYmax, 65535u);
    EXPECT_EQ(caps.wZmax, 65535u);
    EXPECT_EQ(caps.wNumButtons, 4u);

    ASSERT_EQ(joyGetDevCapsA(1, &caps, sizeof caps), JOYERR_NOERROR);
    EXPECT_EQ(caps.wYmax, 65535u);
    EXPECT_EQ(caps.wZmin, 0u);
    EXPECT_EQ(caps.wZmax, 0u) << "no Z axis";
    EXPECT_EQ(caps.wNumButtons, 12u);
    EXPECT_EQ(std::string(caps.szPname), std::string(31, 'n'));

    struct Case {
        const char* name;
        std::uint32_t number;
        std::uint32_t size;
        std::uint32_t expected;
    } cases[] = {
        {"third", 2, 404, JOYERR_UNPLUGGED},    {"last number", 15, 404, JOYERR_UNPLUGGED},
        {"beyond", 16, 404, JOYERR_PARMS},      {"small record", 0, 400, JOYERR_PARMS},
        {"large record", 0, 408, JOYERR_PARMS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(joyGetDevCapsA(c.number, &caps, c.size), c.expected);
    }
    EXPECT_EQ(joyGetDevCapsA(0, nullptr, 404), JOYERR_PARMS);
}

TEST_F(MultimediaJoystickTest, WritesWhatTheFlagsSelect) {
    const std::string node = source().attach(TestDeviceDescription::joystick(6), 0);
    source().setAxis(node, Axis::X, 0);
    source().setAxis(node, Axis::Y, 0);
    source().setAxis(node, Axis::Z, 255);
    struct Case {
        std::uint32_t flags;
        std::uint32_t y, z, buttons;
    } cases[] = {
        {JOY_RETURNY, 0, kUntouched, kUntouched},
        {JOY_RETURNZ, kUntouched, 65535, kUntouched},
        {JOY_RETURNBUTTONS, kUntouched, kUntouched, 0},
        {JOY_RETURNY | JOY_RETURNZ | JOY_RETURNBUTTONS, 0, 65535, 0},
        {1, kUntouched, kUntouched, kUntouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        JoyInfoEx i = info(c.flags);
        ASSERT_EQ(joyGetPosEx(0, &i), JOYERR_NOERROR);
        EXPECT_EQ(i.dwYpos, c.y);
        EXPECT_EQ(i.dwZpos, c.z);
        EXPECT_EQ(i.dwButtons, c.buttons);
        EXPECT_EQ(i.dwXpos, kUntouched);
    }

    // Bit k - 1 for button k.
    struct Buttons {
        std::vector<int> pressed;
        std::uint32_t mask;
    } masks[] = {{{1}, 1}, {{2}, 2}, {{1, 2}, 3}, {{3}, 4}, {{4}, 8}, {{3, 4}, 12}, {{1, 3}, 5}, {{6}, 32}};
    for (const Buttons& b : masks) {
        SCOPED_TRACE(b.mask);
        for (int k = 1; k <= 6; ++k)
            source().setButton(node, k, std::find(b.pressed.begin(), b.pressed.end(), k) != b.pressed.end());
        JoyInfoEx i = info(134);
        ASSERT_EQ(joyGetPosEx(0, &i), JOYERR_NOERROR);
        EXPECT_EQ(i.dwButtons, b.mask);
    }

    JoyInfoEx wrong = info(134);
    wrong.dwSize = 48;
    EXPECT_EQ(joyGetPosEx(0, &wrong), JOYERR_PARMS);
    EXPECT_EQ(wrong.dwYpos, kUntouched);
    EXPECT_EQ(joyGetPosEx(0, nullptr), JOYERR_PARMS);
    JoyInfoEx i = info(134);
    EXPECT_EQ(joyGetPosEx(1, &i), JOYERR_UNPLUGGED);
    EXPECT_EQ(joyGetPosEx(16, &i), JOYERR_PARMS);
}

TEST_F(MultimediaJoystickTest, ReportsALossAndFindsTheControllerWhenItComesBack) {
    const std::string node = source().attach(TestDeviceDescription::joystick(), 0);
    JoyInfoEx i = info(134);
    ASSERT_EQ(joyGetPosEx(0, &i), JOYERR_NOERROR);
    const int opens = source().openCount();
    ASSERT_EQ(joyGetPosEx(0, &i), JOYERR_NOERROR);
    EXPECT_EQ(source().openCount(), opens) << "an open controller is read without enumerating";

    source().unplug(node);
    i = info(134);
    EXPECT_EQ(joyGetPosEx(0, &i), JOYERR_UNPLUGGED);
    EXPECT_EQ(i.dwYpos, kUntouched);
    EXPECT_EQ(joyGetPosEx(0, &i), JOYERR_UNPLUGGED);
    JoyCapsA caps;
    EXPECT_EQ(joyGetDevCapsA(0, &caps, sizeof caps), JOYERR_UNPLUGGED);

    const std::string again = source().attach(TestDeviceDescription::joystick(), 6);
    source().setAxis(again, Axis::Y, 1023);
    ASSERT_EQ(joyGetPosEx(0, &i), JOYERR_NOERROR);
    EXPECT_EQ(i.dwYpos, 65535u);

    source().refuseFolder(true);
    source().unplug(again);
    EXPECT_EQ(joyGetPosEx(0, &i), JOYERR_UNPLUGGED);
}

TEST_F(MultimediaJoystickTest, PollsWithoutAControllerOpenNoNodeUntilTheFolderChanges) {
    source().attach(TestDeviceDescription{}, 0);
    JoyInfoEx i = info(134);
    EXPECT_EQ(joyGetPosEx(0, &i), JOYERR_UNPLUGGED);
    const int opens = source().openCount();
    EXPECT_EQ(joyGetPosEx(0, &i), JOYERR_UNPLUGGED);
    EXPECT_EQ(source().openCount(), opens);
    source().attach(TestDeviceDescription::joystick(), 1);
    EXPECT_EQ(joyGetPosEx(0, &i), JOYERR_NOERROR);
}

#include "loco/input/AxisScaling.h"
#include "locoinput/InputFixture.h"

#include <climits>

TEST(AxisScaling, MapsLinearlyRoundsToNearestAndClamps) {
    struct Case {
        int value;
        int minimum, maximum;
        int low, high;
        int expected;
    } cases[] = {
        // -32768..32767
        {-32768, -32768, 32767, -100, 100, -100},
        {32767, -32768, 32767, -100, 100, 100},
        {0, -32768, 32767, -100, 100, 0},
        {-16384, -32768, 32767, -100, 100, -50},
        {16383, -32768, 32767, -100, 100, 50},
        {0, -32768, 32767, 0, 65535, 32768},
        {-1, -32768, 32767, 0, 65535, 32767},
        // 0..255
        {1, 0, 255, 0, 65535, 257},
        {128, 0, 255, 0, 65535, 32896},
        {127, 0, 255, -100, 100, 0},
        {255, 0, 255, -100, 100, 100},
        // 0..1023
        {511, 0, 1023, -100, 100, 0},
        {767, 0, 1023, -100, 100, 50},
        {3, 0, 1023, 0, 65535, 192},
        {512, 0, 1023, 0, 65535, 32800},
        // outside the range, and halves that round upwards
        {-5, 0, 255, 0, 65535, 0},
        {300, 0, 255, -100, 100, 100},
        {1, 0, 2, 0, 1, 1},
        {1, 0, 2, -1, 0, 0},
        // zero width reads the middle
        {5, 5, 5, -100, 100, 0},
        {5, 5, 5, 0, 65535, 32768},
        {0, 7, 3, -100, 100, 0},
        // the whole 32-bit range does not overflow
        {0, INT_MIN, INT_MAX, INT_MIN, INT_MAX, 0},
        {INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MAX},
        {INT_MIN, INT_MIN, INT_MAX, 0, 65535, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " of " + std::to_string(c.minimum) + ".." +
                     std::to_string(c.maximum) + " into " + std::to_string(c.low) + ".." +
                     std::to_string(c.high));
        EXPECT_EQ(scaleAxis(c.value, {c.minimum, c.maximum, std::nullopt}, c.low, c.high), c.expected);
    }
}

TEST(AxisScaling, ACalibratedCentreMakesTwoLinearHalves) {
    const AxisCalibration offCentre{0, 1000, 300};
    struct Case {
        int value;
        int low, high;
        int expected;
    } cases[] = {
        {0, -100, 100, -100},   {150, -100, 100, -50},   {300, -100, 100, 0},    {301, -100, 100, 0},
        {650, -100, 100, 50},   {1000, -100, 100, 100},  {300, 0, 65535, 32768}, {100, 0, 65535, 10923},
        {999, 0, 65535, 65488}, {2000, 0, 65535, 65535},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(scaleAxis(c.value, offCentre, c.low, c.high), c.expected);
    }
    // A centre on an end of the range (or outside it) is no centre.
    for (int centre : {0, 1000, -1, 1001}) {
        SCOPED_TRACE(centre);
        EXPECT_EQ(scaleAxis(250, {0, 1000, centre}, -100, 100), -50);
    }
}

using CalibrationStoreTest = InputFixture;

TEST_F(CalibrationStoreTest, KeepsCalibrationsPerControllerAndAxisElseUsesTheKernelsRange) {
    const std::string node = source().attach(TestDeviceDescription::joystick(), 0);
    source().attach(TestDeviceDescription::gamepad(), 1);
    auto stick = GameController::from(source().open(node));
    auto pad = GameController::from(source().open("/test/input/event1"));
    CalibrationStore& store = m_platform.calibration();

    EXPECT_EQ(store.effective(*stick, Axis::Y), (AxisCalibration{0, 1023, std::nullopt}));
    EXPECT_EQ(store.scaled(*stick, Axis::Y, -100, 100), 0);

    store.set(stick->identity(), Axis::Y, {100, 900, 600});
    store.set(stick->identity(), Axis::Y, {200, 800, 500});
    EXPECT_EQ(store.effective(*stick, Axis::Y), (AxisCalibration{200, 800, 500}));
    EXPECT_EQ(store.effective(*stick, Axis::X), (AxisCalibration{0, 1023, std::nullopt}));
    EXPECT_EQ(store.effective(*pad, Axis::Y), (AxisCalibration{-32768, 32767, std::nullopt}));
    source().setAxis(node, Axis::Y, 800);
    stick->refresh();
    EXPECT_EQ(store.scaled(*stick, Axis::Y, -100, 100), 100);

    // The same controller on another node keeps it.
    source().unplug(node);
    auto again = GameController::from(source().open(source().attach(TestDeviceDescription::joystick(), 4)));
    EXPECT_EQ(store.effective(*again, Axis::Y), (AxisCalibration{200, 800, 500}));

    // A missing axis reads 0.
    TestDeviceDescription flat = TestDeviceDescription::joystick();
    flat.axes.pop_back();
    auto noZ = GameController::from(source().open(source().attach(flat)));
    EXPECT_EQ(store.scaled(*noZ, Axis::Z, 1, 100), 0);
}

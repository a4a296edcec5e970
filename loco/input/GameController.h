#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loco/input/DeviceSource.h"

// The three axes the joystick back-ends read: X and Y of the stick, and Z (a second stick's vertical
// axis, a twist, wheel or throttle).
enum class Axis { X, Y, Z };
inline constexpr Axis kAxes[] = {Axis::X, Axis::Y, Axis::Z};

// What stands in for a controller's instance identifier: the kernel's ids, where it is plugged in
// (phys), its serial (uniq) and the node it was seen on. All empty means no identity.
struct DeviceIdentity {
    int bustype = 0;
    int vendor = 0;
    int product = 0;
    int version = 0;
    std::string phys;
    std::string uniq;
    std::string node;

    bool empty() const;
    // Bus type, vendor, product and version agree.
    bool sameIds(const DeviceIdentity& other) const;
    // The same ids, phys and uniq: the same controller, whichever node it is on now.
    bool sameController(const DeviceIdentity& other) const;
    bool operator==(const DeviceIdentity&) const = default;
};

// The kernel's range of an axis.
struct AxisRange {
    int minimum = 0;
    int maximum = 0;
};

// A device's capability bits by the kernel's codes: absolute axes, keys and input properties.
struct Capabilities {
    std::function<bool(int code)> abs;
    std::function<bool(int code)> key;
    std::function<bool(int code)> property;
};

// A joystick or gamepad as the kernel's joystick driver sees one: X and Y axes and a key among the
// joystick and gamepad buttons, but no touch surface, pen or finger tool and no accelerometer. The
// same rule serves opened devices and the capabilities the kernel lists for a node in sysfs.
bool hasJoystickCapabilities(const Capabilities& has);
bool isGameController(const InputDevice& device);
DeviceIdentity identityOf(const InputDevice& device);

// Key codes of the buttons in the kernel's joystick order: from the first joystick button upwards,
// then the miscellaneous buttons below it; only those the device has, at most 32.
std::vector<int> joystickButtonCodes(const InputDevice& device);
inline constexpr std::size_t kMostButtons = 32;

// The absolute-axis code that serves as an axis, -1 when the device has none. Z is the vertical axis
// of a second stick where there is one, else the kernel's Z axis, else its throttle axis.
int axisCode(const InputDevice& device, Axis axis);

// An opened game controller.
class GameController {
public:
    // nullptr when the device is no game controller.
    static std::unique_ptr<GameController> from(std::unique_ptr<InputDevice> device);

    const DeviceIdentity& identity() const { return m_identity; }
    std::string name() const;

    // Takes in what the device reported; false once it is lost (it stays lost).
    bool refresh();
    bool lost() const { return m_lost; }

    int buttonCount() const { return static_cast<int>(m_buttons.size()); }
    // Button index (from 0, in joystick order) is held down.
    bool button(int index) const;
    // Bit k - 1 set for each button k that is held down.
    std::uint32_t buttonMask() const;

    bool hasAxis(Axis axis) const { return code(axis) >= 0; }
    AxisRange kernelRange(Axis axis) const;
    // The axis's value in the device's own units; 0 for a missing axis.
    int value(Axis axis) const;

private:
    explicit GameController(std::unique_ptr<InputDevice> device);
    int code(Axis axis) const { return m_axisCodes[static_cast<int>(axis)]; }

    std::unique_ptr<InputDevice> m_device;
    DeviceIdentity m_identity;
    std::vector<int> m_buttons;
    int m_axisCodes[3];
    bool m_lost = false;
};

// Opens the attached game controllers in node order and hands each to visit until it returns false;
// nodes that cannot be opened and other devices are passed over. False when the input folder cannot
// be opened.
bool forEachController(DeviceSource& source,
                       const std::function<bool(std::unique_ptr<GameController>&)>& visit);

// Finds a controller again: on its node when the ids there still match, else the first attached one
// with the same ids, phys and uniq. nullptr for no identity or when it is not attached.
std::unique_ptr<GameController> findController(DeviceSource& source, const DeviceIdentity& identity);

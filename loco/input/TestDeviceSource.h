#pragma once

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "loco/input/DeviceSource.h"
#include "loco/input/GameController.h"

// The kernel's event codes that device descriptions use, so that code above this folder can describe
// devices without the kernel's header (the values are checked against it).
namespace evcode {
constexpr int EvKey = 0x01;
constexpr int EvAbs = 0x03;
constexpr int AbsX = 0x00;
constexpr int AbsY = 0x01;
constexpr int AbsZ = 0x02;
constexpr int AbsRx = 0x03;
constexpr int AbsRy = 0x04;
constexpr int AbsThrottle = 0x06;
constexpr int AbsHat0X = 0x10;
constexpr int KeyEnter = 28;
constexpr int KeyA = 30;
constexpr int Btn0 = 0x100; // the first miscellaneous button
constexpr int Btn9 = 0x109;
constexpr int BtnLeft = 0x110;
constexpr int BtnRight = 0x111;
constexpr int BtnTrigger = 0x120; // the first joystick button
constexpr int BtnThumb = 0x121;
constexpr int BtnBase = 0x126;
constexpr int BtnSouth = 0x130;
constexpr int BtnEast = 0x131;
constexpr int BtnNorth = 0x133;
constexpr int BtnWest = 0x134;
constexpr int BtnThumbR = 0x13e;
constexpr int BtnToolPen = 0x140;
constexpr int BtnToolFinger = 0x145;
constexpr int BtnTouch = 0x14a;
constexpr int BtnStylus = 0x14b;
constexpr int BtnTriggerHappy1 = 0x2c0;
constexpr int PropPointer = 0x00;
constexpr int PropAccelerometer = 0x06;
} // namespace evcode

// An absolute axis of a described device, in the kernel's codes and units.
struct TestAxis {
    int code = 0;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};

// A device described without a file, as the kernel would report it. Codes are the kernel's.
struct TestDeviceDescription {
    std::string name = "Test device";
    int bustype = 0x03;
    int vendor = 0x046d;
    int product = 0xc215;
    int version = 0x0111;
    std::string phys;
    std::string uniq;
    std::vector<TestAxis> axes;
    std::vector<int> keys;
    std::vector<int> properties;

    // A stick: X and Y 0..1023 resting at 512, a throttle wheel 0..255 at 0, trigger and thumb
    // buttons from the first joystick button upwards (buttons >= 1).
    static TestDeviceDescription joystick(int buttons = 4);
    // A gamepad: X, Y -32768..32767 at 0, Z 0..255 at 0, the south, east, north and west buttons.
    static TestDeviceDescription gamepad();
    // A keyboard: keys only.
    static TestDeviceDescription keyboard();
};

// Hands out libevdev devices built from descriptions, on made-up nodes "/test/input/event<N>". A test
// changes the values of a node; an opened device sees them at its next refresh. It can refuse to open
// the folder or a node, and unplug a node, which loses every device opened on it.
class TestDeviceSource final : public DeviceSource {
public:
    static constexpr const char* kFolder = "/test/input";

    // Puts the device on node number (the next number after the highest in use when negative) and
    // returns the node's path. A node number already in use is replaced as by unplug and attach.
    std::string attach(const TestDeviceDescription& device, int number = -1);
    // Takes the node out of the folder; devices opened on it are lost from then on.
    void unplug(const std::string& node);
    void refuseFolder(bool refuse) {
        m_refuseFolder = refuse;
        ++m_generation;
    }
    // A refused node cannot be opened, for the reason error (an errno value).
    void refuseNode(const std::string& node, bool refuse = true, int error = EACCES);
    // How many devices were opened so far (successful opens).
    int openCount() const { return m_openCount; }

    // An axis or key value by the kernel's code.
    void setValue(const std::string& node, int type, int code, int value);
    // The same in joystick terms: an axis as the joystick layer picks it, button k from 1 in joystick
    // order.
    void setAxis(const std::string& node, Axis axis, int value);
    void setButton(const std::string& node, int k, bool pressed);

    std::optional<std::vector<std::string>> listNodes() override;
    std::unique_ptr<InputDevice> open(const std::string& node) override;
    // Changes with every attach, unplug and refusal.
    std::uint64_t generation() override { return m_generation; }
    int openError(const std::string& node) override;
    // From the node's description, whether or not it may be opened.
    bool isJoystickNode(const std::string& node) override;

    struct Node;

private:
    std::map<int, std::shared_ptr<Node>> m_nodes;
    std::map<std::string, int> m_refused;
    bool m_refuseFolder = false;
    int m_openCount = 0;
    std::uint64_t m_generation = 0;

    std::shared_ptr<Node> find(const std::string& node) const;
};

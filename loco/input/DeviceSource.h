#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// libevdev's device object; only this folder sees its definition.
struct libevdev;

// One opened evdev device. Its libevdev object holds the identity, the capabilities, the axis ranges
// and the state of every key and axis; refresh() brings that state up to date. Runs on the GUI thread.
class InputDevice {
public:
    virtual ~InputDevice();
    InputDevice(const InputDevice&) = delete;
    InputDevice& operator=(const InputDevice&) = delete;

    const libevdev* evdev() const { return m_evdev; }
    const std::string& node() const { return m_node; }

    // Takes in what the device reported since the last call. False once the device is lost; a lost
    // device stays lost.
    virtual bool refresh() = 0;

protected:
    // Takes ownership of device (built by libevdev_new or libevdev_new_from_fd).
    InputDevice(libevdev* device, std::string node);
    libevdev* mutableEvdev() { return m_evdev; }

private:
    libevdev* m_evdev;
    std::string m_node;
};

// Where the program's input devices come from: the kernel's input folder, or a test's devices.
class DeviceSource {
public:
    virtual ~DeviceSource() = default;
    // The paths of the device nodes ("event" followed by a number) in numeric order; nothing when the
    // folder cannot be opened.
    virtual std::optional<std::vector<std::string>> listNodes() = 0;
    // Opens one node for reading; nullptr when it cannot be opened.
    virtual std::unique_ptr<InputDevice> open(const std::string& node) = 0;
    // A number that stays the same while the folder does: it changes when a node may have come,
    // gone or changed its permissions. Callers that poll scan again only when it changed, since
    // opening a node keeps a sleeping USB device awake.
    virtual std::uint64_t generation() = 0;
    // Why node cannot be opened for reading (an errno value); 0 when it can.
    virtual int openError(const std::string& node) = 0;
    // Whether node is a joystick or game pad, told without opening it: keyboards, mice and buttons
    // that the user may not read are no reason to say anything about joysticks.
    virtual bool isJoystickNode(const std::string& node) = 0;
};

// "<node>: <reason>" when the folder holds joystick nodes and not one of them can be opened for
// reading: the first such node and why (usually that the user was not given access to it). Empty
// otherwise, also when the folder holds none and when only other devices cannot be read.
std::string unreadableNodes(DeviceSource& source);

// The evdev nodes of a folder, normally the kernel's /dev/input. Reading a joystick's node needs read
// access to it: on Debian udev grants it to the user at the seat for game controllers, while
// keyboards and mice stay closed to users outside the group input. Which nodes are joysticks comes
// from udev's record of the node in udevData (its property ID_INPUT_JOYSTICK) and, where udev has
// none, from the capability bits the kernel lists for it in sysfs.
class KernelDeviceSource final : public DeviceSource {
public:
    explicit KernelDeviceSource(std::string folder = "/dev/input", std::string sysfs = "/sys/class/input",
                                std::string udevData = "/run/udev/data");
    ~KernelDeviceSource() override;
    KernelDeviceSource(const KernelDeviceSource&) = delete;
    KernelDeviceSource& operator=(const KernelDeviceSource&) = delete;

    std::optional<std::vector<std::string>> listNodes() override;
    // An event node of the folder, read-only, non-blocking, closed on exec. A node that cannot be
    // opened gives a debug line; other paths give nullptr.
    std::unique_ptr<InputDevice> open(const std::string& node) override;
    // Watches the folder through inotify. While it cannot be watched (no folder, no inotify), every
    // call gives a new number.
    std::uint64_t generation() override;
    int openError(const std::string& node) override;
    bool isJoystickNode(const std::string& node) override;

private:
    // The name of node ("event" and a number) when it is an event node of the folder, else empty.
    std::string eventName(const std::string& node) const;
    bool watch();
    // Reads what inotify queued; true when anything changed or the watch ended.
    bool drainChanges();

    std::string m_folder;
    std::string m_sysfs;
    std::string m_udevData;
    int m_inotify = -1;
    std::uint64_t m_generation = 0;
};

// Debug lines of the input layer (nodes that cannot be opened). The program routes them to the debug
// window while its Debug flag is set; with no sink installed they are dropped.
using InputDebugSink = std::function<void(const std::string&)>;
void setInputDebugSink(InputDebugSink sink);
void inputDebugLine(const std::string& line);

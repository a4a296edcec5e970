#include "loco/input/TestDeviceSource.h"

#include <libevdev/libevdev.h>
#include <stdexcept>

struct TestDeviceSource::Node {
    TestDeviceDescription device;
    std::string path;
    // The current value of each (type, code) a test set or the description gave.
    std::map<std::pair<int, int>, int> values;
    bool unplugged = false;
};

static_assert(evcode::EvKey == EV_KEY && evcode::EvAbs == EV_ABS);
static_assert(evcode::AbsX == ABS_X && evcode::AbsY == ABS_Y && evcode::AbsZ == ABS_Z &&
              evcode::AbsRx == ABS_RX && evcode::AbsRy == ABS_RY && evcode::AbsThrottle == ABS_THROTTLE &&
              evcode::AbsHat0X == ABS_HAT0X);
static_assert(evcode::KeyEnter == KEY_ENTER && evcode::KeyA == KEY_A && evcode::Btn0 == BTN_0 &&
              evcode::Btn9 == BTN_9 && evcode::BtnLeft == BTN_LEFT && evcode::BtnRight == BTN_RIGHT);
static_assert(evcode::BtnTrigger == BTN_TRIGGER && evcode::BtnThumb == BTN_THUMB &&
              evcode::BtnBase == BTN_BASE && evcode::BtnSouth == BTN_SOUTH && evcode::BtnEast == BTN_EAST &&
              evcode::BtnNorth == BTN_NORTH && evcode::BtnWest == BTN_WEST &&
              evcode::BtnThumbR == BTN_THUMBR);
static_assert(evcode::BtnToolPen == BTN_TOOL_PEN && evcode::BtnToolFinger == BTN_TOOL_FINGER &&
              evcode::BtnTouch == BTN_TOUCH && evcode::BtnStylus == BTN_STYLUS &&
              evcode::BtnTriggerHappy1 == BTN_TRIGGER_HAPPY1);
static_assert(evcode::PropPointer == INPUT_PROP_POINTER &&
              evcode::PropAccelerometer == INPUT_PROP_ACCELEROMETER);

namespace {

using Node = TestDeviceSource::Node;

libevdev* build(const Node& node) {
    libevdev* dev = libevdev_new();
    if (dev == nullptr)
        throw std::bad_alloc();
    const TestDeviceDescription& device = node.device;
    libevdev_set_name(dev, device.name.c_str());
    libevdev_set_id_bustype(dev, device.bustype);
    libevdev_set_id_vendor(dev, device.vendor);
    libevdev_set_id_product(dev, device.product);
    libevdev_set_id_version(dev, device.version);
    if (!device.phys.empty())
        libevdev_set_phys(dev, device.phys.c_str());
    if (!device.uniq.empty())
        libevdev_set_uniq(dev, device.uniq.c_str());
    for (const TestAxis& axis : device.axes) {
        input_absinfo info{};
        info.value = axis.value;
        info.minimum = axis.minimum;
        info.maximum = axis.maximum;
        libevdev_enable_event_code(dev, EV_ABS, static_cast<unsigned>(axis.code), &info);
    }
    for (int key : device.keys)
        libevdev_enable_event_code(dev, EV_KEY, static_cast<unsigned>(key), nullptr);
    for (int property : device.properties)
        libevdev_enable_property(dev, static_cast<unsigned>(property));
    return dev;
}

class TestInputDevice final : public InputDevice {
public:
    explicit TestInputDevice(std::shared_ptr<Node> node)
        : InputDevice(build(*node), node->path), m_node(std::move(node)) {
        apply();
    }

    bool refresh() override {
        if (m_node->unplugged)
            return false;
        apply();
        return true;
    }

private:
    void apply() {
        for (const auto& [typeAndCode, value] : m_node->values)
            libevdev_set_event_value(mutableEvdev(), static_cast<unsigned>(typeAndCode.first),
                                     static_cast<unsigned>(typeAndCode.second), value);
    }

    std::shared_ptr<Node> m_node;
};

std::string nodePath(int number) {
    return std::string(TestDeviceSource::kFolder) + "/event" + std::to_string(number);
}

} // namespace

TestDeviceDescription TestDeviceDescription::joystick(int buttons) {
    TestDeviceDescription device;
    device.name = "Test joystick";
    device.phys = "usb-0000:00:14.0-1/input0";
    device.axes = {{ABS_X, 0, 1023, 512}, {ABS_Y, 0, 1023, 512}, {ABS_THROTTLE, 0, 255, 0}};
    for (int k = 0; k < std::max(buttons, 1); ++k)
        device.keys.push_back(BTN_TRIGGER + k);
    return device;
}

TestDeviceDescription TestDeviceDescription::gamepad() {
    TestDeviceDescription device;
    device.name = "Test gamepad";
    device.vendor = 0x045e;
    device.product = 0x028e;
    device.phys = "usb-0000:00:14.0-2/input0";
    device.axes = {{ABS_X, -32768, 32767, 0}, {ABS_Y, -32768, 32767, 0}, {ABS_Z, 0, 255, 0}};
    device.keys = {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST};
    return device;
}

TestDeviceDescription TestDeviceDescription::keyboard() {
    TestDeviceDescription device;
    device.name = "Test keyboard";
    device.bustype = 0x11;
    device.vendor = 0x0001;
    device.product = 0x0001;
    device.phys = "isa0060/serio0/input0";
    device.keys = {KEY_ESC, KEY_ENTER, KEY_A, KEY_SPACE};
    return device;
}

std::string TestDeviceSource::attach(const TestDeviceDescription& device, int number) {
    if (number < 0)
        number = m_nodes.empty() ? 0 : m_nodes.rbegin()->first + 1;
    auto node = std::make_shared<Node>();
    node->device = device;
    node->path = nodePath(number);
    for (const TestAxis& axis : device.axes)
        node->values[{EV_ABS, axis.code}] = axis.value;
    if (auto old = m_nodes.find(number); old != m_nodes.end())
        old->second->unplugged = true;
    m_nodes[number] = node;
    ++m_generation;
    return node->path;
}

void TestDeviceSource::unplug(const std::string& node) {
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        if (it->second->path == node) {
            it->second->unplugged = true;
            m_nodes.erase(it);
            ++m_generation;
            return;
        }
    }
}

void TestDeviceSource::refuseNode(const std::string& node, bool refuse, int error) {
    ++m_generation;
    if (refuse)
        m_refused[node] = error;
    else
        m_refused.erase(node);
}

std::shared_ptr<TestDeviceSource::Node> TestDeviceSource::find(const std::string& node) const {
    for (const auto& [number, entry] : m_nodes)
        if (entry->path == node)
            return entry;
    return nullptr;
}

void TestDeviceSource::setValue(const std::string& node, int type, int code, int value) {
    auto entry = find(node);
    if (!entry)
        throw std::invalid_argument("no test device on " + node);
    entry->values[{type, code}] = value;
}

void TestDeviceSource::setAxis(const std::string& node, Axis axis, int value) {
    auto entry = find(node);
    if (!entry)
        throw std::invalid_argument("no test device on " + node);
    const int code = axisCode(TestInputDevice(entry), axis);
    if (code < 0)
        throw std::invalid_argument("the test device on " + node + " has no such axis");
    setValue(node, EV_ABS, code, value);
}

void TestDeviceSource::setButton(const std::string& node, int k, bool pressed) {
    auto entry = find(node);
    if (!entry)
        throw std::invalid_argument("no test device on " + node);
    const std::vector<int> codes = joystickButtonCodes(TestInputDevice(entry));
    if (k < 1 || k > static_cast<int>(codes.size()))
        throw std::invalid_argument("the test device on " + node + " has no button " + std::to_string(k));
    setValue(node, EV_KEY, codes[static_cast<std::size_t>(k - 1)], pressed ? 1 : 0);
}

std::optional<std::vector<std::string>> TestDeviceSource::listNodes() {
    if (m_refuseFolder)
        return std::nullopt;
    std::vector<std::string> nodes;
    for (const auto& [number, entry] : m_nodes)
        nodes.push_back(entry->path);
    return nodes;
}

int TestDeviceSource::openError(const std::string& node) {
    if (m_refuseFolder || !find(node))
        return ENOENT;
    auto refused = m_refused.find(node);
    return refused != m_refused.end() ? refused->second : 0;
}

bool TestDeviceSource::isJoystickNode(const std::string& node) {
    auto entry = find(node);
    return entry && isGameController(TestInputDevice(entry));
}

std::unique_ptr<InputDevice> TestDeviceSource::open(const std::string& node) {
    if (openError(node) != 0)
        return nullptr;
    auto entry = find(node);
    ++m_openCount;
    return std::make_unique<TestInputDevice>(entry);
}

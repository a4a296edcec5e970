#include "loco/input/GameController.h"

#include <libevdev/libevdev.h>

namespace {

bool hasKey(const libevdev* device, int code) {
    return libevdev_has_event_code(device, EV_KEY, static_cast<unsigned>(code)) != 0;
}

bool hasAbs(const libevdev* device, int code) {
    return libevdev_has_event_code(device, EV_ABS, static_cast<unsigned>(code)) != 0;
}

std::string text(const char* value) {
    return value != nullptr ? value : "";
}

} // namespace

bool DeviceIdentity::empty() const {
    return bustype == 0 && vendor == 0 && product == 0 && version == 0 && phys.empty() && uniq.empty() &&
           node.empty();
}

bool DeviceIdentity::sameIds(const DeviceIdentity& other) const {
    return bustype == other.bustype && vendor == other.vendor && product == other.product &&
           version == other.version;
}

bool DeviceIdentity::sameController(const DeviceIdentity& other) const {
    return sameIds(other) && phys == other.phys && uniq == other.uniq;
}

bool hasJoystickCapabilities(const Capabilities& has) {
    if (!has.abs(ABS_X) || !has.abs(ABS_Y))
        return false;
    if (has.key(BTN_TOUCH) || has.key(BTN_TOOL_PEN) || has.key(BTN_TOOL_FINGER) ||
        has.property(INPUT_PROP_ACCELEROMETER))
        return false;
    for (int code = BTN_JOYSTICK; code <= BTN_THUMBR; ++code)
        if (has.key(code))
            return true;
    return false;
}

bool isGameController(const InputDevice& device) {
    const libevdev* dev = device.evdev();
    return hasJoystickCapabilities(
        {[dev](int code) { return hasAbs(dev, code); }, [dev](int code) { return hasKey(dev, code); },
         [dev](int code) { return libevdev_has_property(dev, static_cast<unsigned>(code)) != 0; }});
}

DeviceIdentity identityOf(const InputDevice& device) {
    const libevdev* dev = device.evdev();
    DeviceIdentity identity;
    identity.bustype = libevdev_get_id_bustype(dev);
    identity.vendor = libevdev_get_id_vendor(dev);
    identity.product = libevdev_get_id_product(dev);
    identity.version = libevdev_get_id_version(dev);
    identity.phys = text(libevdev_get_phys(dev));
    identity.uniq = text(libevdev_get_uniq(dev));
    identity.node = device.node();
    return identity;
}

std::vector<int> joystickButtonCodes(const InputDevice& device) {
    std::vector<int> codes;
    auto take = [&](int from, int to) {
        for (int code = from; code <= to && codes.size() < kMostButtons; ++code)
            if (hasKey(device.evdev(), code))
                codes.push_back(code);
    };
    take(BTN_JOYSTICK, KEY_MAX);
    take(BTN_MISC, BTN_JOYSTICK - 1);
    return codes;
}

int axisCode(const InputDevice& device, Axis axis) {
    const libevdev* dev = device.evdev();
    switch (axis) {
    case Axis::X:
        return hasAbs(dev, ABS_X) ? ABS_X : -1;
    case Axis::Y:
        return hasAbs(dev, ABS_Y) ? ABS_Y : -1;
    case Axis::Z:
        // A game pad's Z is usually its left trigger, resting at the top of a bound throttle's bar,
        // so a loco bound to it would start at full speed: its second stick's vertical axis rests
        // in the middle instead.
        if (hasAbs(dev, ABS_RY))
            return ABS_RY;
        if (hasAbs(dev, ABS_Z))
            return ABS_Z;
        return hasAbs(dev, ABS_THROTTLE) ? ABS_THROTTLE : -1;
    }
    return -1;
}

std::unique_ptr<GameController> GameController::from(std::unique_ptr<InputDevice> device) {
    if (!device || !isGameController(*device))
        return nullptr;
    return std::unique_ptr<GameController>(new GameController(std::move(device)));
}

GameController::GameController(std::unique_ptr<InputDevice> device)
    : m_device(std::move(device)), m_identity(identityOf(*m_device)),
      m_buttons(joystickButtonCodes(*m_device)), m_axisCodes{axisCode(*m_device, Axis::X),
                                                             axisCode(*m_device, Axis::Y),
                                                             axisCode(*m_device, Axis::Z)} {}

std::string GameController::name() const {
    return text(libevdev_get_name(m_device->evdev()));
}

bool GameController::refresh() {
    if (!m_lost && !m_device->refresh())
        m_lost = true;
    return !m_lost;
}

bool GameController::button(int index) const {
    if (index < 0 || index >= buttonCount())
        return false;
    return libevdev_get_event_value(m_device->evdev(), EV_KEY, static_cast<unsigned>(m_buttons[index])) != 0;
}

std::uint32_t GameController::buttonMask() const {
    std::uint32_t mask = 0;
    for (int k = 0; k < buttonCount(); ++k)
        if (button(k))
            mask |= std::uint32_t{1} << k;
    return mask;
}

AxisRange GameController::kernelRange(Axis axis) const {
    if (!hasAxis(axis))
        return {};
    const unsigned c = static_cast<unsigned>(code(axis));
    return {libevdev_get_abs_minimum(m_device->evdev(), c), libevdev_get_abs_maximum(m_device->evdev(), c)};
}

int GameController::value(Axis axis) const {
    if (!hasAxis(axis))
        return 0;
    return libevdev_get_event_value(m_device->evdev(), EV_ABS, static_cast<unsigned>(code(axis)));
}

bool forEachController(DeviceSource& source,
                       const std::function<bool(std::unique_ptr<GameController>&)>& visit) {
    const auto nodes = source.listNodes();
    if (!nodes)
        return false;
    for (const std::string& node : *nodes) {
        auto controller = GameController::from(source.open(node));
        if (controller && !visit(controller))
            break;
    }
    return true;
}

std::unique_ptr<GameController> findController(DeviceSource& source, const DeviceIdentity& identity) {
    if (identity.empty())
        return nullptr;
    if (!identity.node.empty()) {
        auto onNode = GameController::from(source.open(identity.node));
        if (onNode && onNode->identity().sameIds(identity))
            return onNode;
    }
    std::unique_ptr<GameController> found;
    forEachController(source, [&](std::unique_ptr<GameController>& controller) {
        if (!controller->identity().sameController(identity))
            return true;
        found = std::move(controller);
        return false;
    });
    return found;
}

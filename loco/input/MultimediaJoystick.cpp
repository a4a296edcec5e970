#include "loco/input/MultimediaJoystick.h"

#include <cstring>

#include "loco/input/InputPlatform.h"

namespace {

constexpr std::uint32_t kNumbers = 16;
constexpr int kPositionMax = 65535;

GameController* openController(std::uint32_t number) {
    InputPlatform& platform = inputPlatform();
    return platform.multimedia().controller(platform.devices(), number);
}

} // namespace

GameController* MultimediaJoysticks::controller(DeviceSource& source, std::uint32_t number) {
    if (number >= m_open.size()) {
        // Taken before the scan, so that a change during it is seen at the next call.
        const std::uint64_t generation = source.generation();
        if (m_scanned && generation == m_scannedGeneration)
            return nullptr;
        m_scanned = true;
        m_scannedGeneration = generation;
        m_open.clear();
        forEachController(source, [&](std::unique_ptr<GameController>& found) {
            m_open.push_back(std::move(found));
            return true;
        });
        if (number >= m_open.size())
            return nullptr;
    }
    if (m_open[number]->refresh())
        return m_open[number].get();
    // Lost: the numbering may have changed, so the next call enumerates afresh.
    m_open.clear();
    m_scanned = false;
    return nullptr;
}

std::uint32_t joyGetDevCapsA(std::uint32_t uJoyID, JoyCapsA* pjc, std::uint32_t cbjc) {
    if (pjc == nullptr || cbjc != sizeof(JoyCapsA) || uJoyID >= kNumbers)
        return JOYERR_PARMS;
    const GameController* controller = openController(uJoyID);
    if (controller == nullptr)
        return JOYERR_UNPLUGGED;
    JoyCapsA caps;
    std::memset(&caps, 0, sizeof caps);
    caps.wMid = static_cast<std::uint16_t>(controller->identity().vendor);
    caps.wPid = static_cast<std::uint16_t>(controller->identity().product);
    const std::string name = controller->name();
    std::memcpy(caps.szPname, name.data(), std::min(name.size(), sizeof caps.szPname - 1));
    auto range = [&](Axis axis, std::uint32_t& min, std::uint32_t& max) {
        min = 0;
        max = controller->hasAxis(axis) ? kPositionMax : 0;
    };
    range(Axis::X, caps.wXmin, caps.wXmax);
    range(Axis::Y, caps.wYmin, caps.wYmax);
    range(Axis::Z, caps.wZmin, caps.wZmax);
    caps.wNumButtons = static_cast<std::uint32_t>(controller->buttonCount());
    *pjc = caps;
    return JOYERR_NOERROR;
}

std::uint32_t joyGetPosEx(std::uint32_t uJoyID, JoyInfoEx* pji) {
    if (pji == nullptr || pji->dwSize != sizeof(JoyInfoEx) || uJoyID >= kNumbers)
        return JOYERR_PARMS;
    const GameController* controller = openController(uJoyID);
    if (controller == nullptr)
        return JOYERR_UNPLUGGED;
    const CalibrationStore& calibration = inputPlatform().calibration();
    auto position = [&](Axis axis) {
        return static_cast<std::uint32_t>(calibration.scaled(*controller, axis, 0, kPositionMax));
    };
    if (pji->dwFlags & JOY_RETURNY)
        pji->dwYpos = position(Axis::Y);
    if (pji->dwFlags & JOY_RETURNZ)
        pji->dwZpos = position(Axis::Z);
    if (pji->dwFlags & JOY_RETURNBUTTONS)
        pji->dwButtons = controller->buttonMask();
    return JOYERR_NOERROR;
}

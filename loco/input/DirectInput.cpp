#include "loco/input/DirectInput.h"

#include <cstddef>
#include <cstring>

#include "loco/input/InputPlatform.h"

const DiDataFormat c_dfDIJoystick{sizeof(DiJoyState)};

namespace {

constexpr std::int32_t kDefaultMin = 0;
constexpr std::int32_t kDefaultMax = 65535;

// A game controller as a DirectInput device.
class JoystickDevice final : public IDirectInputDevice8A {
public:
    JoystickDevice(std::unique_ptr<GameController> controller, const CalibrationStore& calibration)
        : m_controller(std::move(controller)), m_calibration(calibration) {}

    DiResult SetCooperativeLevel(std::int32_t hwnd, std::uint32_t dwFlags) override {
        if (hwnd == 0 || dwFlags != (DISCL_NONEXCLUSIVE | DISCL_BACKGROUND))
            return DiErr::InvalidParam;
        return DI_OK;
    }

    DiResult SetDataFormat(const DiDataFormat* lpdf) override {
        if (lpdf == nullptr || lpdf->dwDataSize != sizeof(DiJoyState))
            return DiErr::InvalidParam;
        if (m_acquired)
            return DiErr::Acquired;
        m_formatSet = true;
        return DI_OK;
    }

    DiResult SetProperty(DiProperty rguidProp, const DiPropHeader* pdiph) override {
        if (rguidProp != DIPROP_RANGE || pdiph == nullptr || pdiph->dwSize != sizeof(DiPropRange) ||
            pdiph->dwHeaderSize != sizeof(DiPropHeader) || pdiph->dwHow != DIPH_BYOFFSET)
            return DiErr::InvalidParam;
        DiPropRange range;
        std::memcpy(&range, pdiph, sizeof range);
        if (range.lMin >= range.lMax)
            return DiErr::InvalidParam;
        const int axis = axisAtOffset(pdiph->dwObj);
        if (!m_formatSet || axis < 0 || !m_controller->hasAxis(static_cast<Axis>(axis)))
            return DiErr::ObjectNotFound;
        m_ranges[static_cast<std::size_t>(axis)] = {range.lMin, range.lMax};
        return DI_OK;
    }

    DiResult Acquire() override {
        if (!m_formatSet)
            return DiErr::InvalidParam;
        if (!m_controller->refresh())
            return DiErr::InputLost;
        m_acquired = true;
        return DI_OK;
    }

    DiResult Poll() override {
        if (!m_acquired)
            return DiErr::NotAcquired;
        return refresh();
    }

    DiResult GetDeviceState(std::uint32_t cbData, void* lpvData) override {
        if (lpvData == nullptr || cbData != sizeof(DiJoyState))
            return DiErr::InvalidParam;
        if (!m_acquired)
            return DiErr::NotAcquired;
        if (const DiResult result = refresh(); result != DI_OK)
            return result;
        DiJoyState state{};
        state.lX = scaled(Axis::X);
        state.lY = scaled(Axis::Y);
        state.lZ = scaled(Axis::Z);
        for (std::uint32_t& pov : state.rgdwPOV)
            pov = 0xFFFFFFFFu;
        for (int k = 0; k < m_controller->buttonCount(); ++k)
            state.rgbButtons[k] = m_controller->button(k) ? 128 : 0;
        std::memcpy(lpvData, &state, sizeof state);
        return DI_OK;
    }

private:
    struct Range {
        std::int32_t min;
        std::int32_t max;
    };

    static int axisAtOffset(std::uint32_t offset) {
        switch (offset) {
        case offsetof(DiJoyState, lX):
            return static_cast<int>(Axis::X);
        case offsetof(DiJoyState, lY):
            return static_cast<int>(Axis::Y);
        case offsetof(DiJoyState, lZ):
            return static_cast<int>(Axis::Z);
        default:
            return -1;
        }
    }

    DiResult refresh() {
        if (m_controller->refresh())
            return DI_OK;
        m_acquired = false;
        return DiErr::InputLost;
    }

    std::int32_t scaled(Axis axis) const {
        const Range& range = m_ranges[static_cast<std::size_t>(axis)];
        return m_calibration.scaled(*m_controller, axis, range.min, range.max);
    }

    std::unique_ptr<GameController> m_controller;
    const CalibrationStore& m_calibration;
    Range m_ranges[3] = {{kDefaultMin, kDefaultMax}, {kDefaultMin, kDefaultMax}, {kDefaultMin, kDefaultMax}};
    bool m_formatSet = false;
    bool m_acquired = false;
};

class InputLayerDirectInput final : public IDirectInput8A {
public:
    explicit InputLayerDirectInput(InputPlatform& platform) : m_platform(platform) {}

    DiResult EnumDevices(std::uint32_t dwDevType, DiEnumDevicesCallback lpCallback, void* pvRef,
                         std::uint32_t dwFlags) override {
        if (dwDevType != DI8DEVCLASS_GAMECTRL || dwFlags != DIEDFL_ATTACHEDONLY || lpCallback == nullptr)
            return DiErr::InvalidParam;
        const bool listed =
            forEachController(m_platform.devices(), [&](std::unique_ptr<GameController>& found) {
                const DiDeviceInstance instance{found->identity(), found->name()};
                return lpCallback(&instance, pvRef) != DIENUM_STOP;
            });
        return listed ? DI_OK : DiErr::NoInputFolder;
    }

    DiResult CreateDevice(const DeviceIdentity& rguid, std::unique_ptr<IDirectInputDevice8A>& lplpDevice,
                          void* pUnkOuter) override {
        lplpDevice.reset();
        if (pUnkOuter != nullptr)
            return DiErr::NoAggregation;
        auto controller = findController(m_platform.devices(), rguid);
        if (!controller)
            return DiErr::DeviceNotFound;
        lplpDevice = std::make_unique<JoystickDevice>(std::move(controller), m_platform.calibration());
        return DI_OK;
    }

private:
    InputPlatform& m_platform;
};

DirectInput8CreateFn& entry() {
    static DirectInput8CreateFn looked;
    return looked;
}

} // namespace

DiResult DirectInput8Create(ModuleHandle hinst, std::uint32_t dwVersion, InterfaceId riidltf,
                            std::unique_ptr<IDirectInput8A>& ppvOut, void* punkOuter) {
    ppvOut.reset();
    if (hinst == 0)
        return DiErr::InvalidParam;
    if (dwVersion != DIRECTINPUT_VERSION_8)
        return DiErr::BadVersion;
    if (riidltf != IID_IDirectInput8A)
        return DiErr::NoInterface;
    if (punkOuter != nullptr)
        return DiErr::NoAggregation;
    InputPlatform& platform = inputPlatform();
    if (!platform.devices().listNodes())
        return DiErr::NoInputFolder;
    ppvOut = std::make_unique<InputLayerDirectInput>(platform);
    return DI_OK;
}

bool lookUpDirectInput8() {
    ModuleLoader& loader = inputPlatform().modules();
    // The library stays loaded for the rest of the run, as the entry points into it.
    const ModuleHandle library = loader.LoadLibraryA("DInput8.dll");
    entry() = loader.GetProcAddress<DirectInput8CreateSignature>(library, "DirectInput8Create");
    if (!entry() && library != 0)
        loader.FreeLibrary(library);
    return static_cast<bool>(entry());
}

const DirectInput8CreateFn& directInput8Entry() {
    return entry();
}

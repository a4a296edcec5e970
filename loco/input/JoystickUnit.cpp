#include "loco/input/JoystickUnit.h"

#include <cstddef>

std::int32_t Joynr = 0;
DeviceIdentity joystick1GUID;
DeviceIdentity joystick2GUID;
TJoystick* Joystick = nullptr;

namespace {

constexpr std::uint32_t kCooperativeFlags = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
constexpr std::int32_t kAxisMin = -100;
constexpr std::int32_t kAxisMax = 100;

} // namespace

int TJoystick_EnumJoysticksCallback(const DiDeviceInstance* lpddi, void*) {
    ++Joynr;
    if (Joynr == 1)
        joystick1GUID = lpddi->guidInstance;
    else if (Joynr == 2)
        joystick2GUID = lpddi->guidInstance;
    return Joynr < 2 ? DIENUM_CONTINUE : DIENUM_STOP;
}

TJoystick::TJoystick() : TJoystick(directInput8Entry()) {}

TJoystick::TJoystick(DirectInput8CreateFn directInput8Create)
    : m_directInput8Create(std::move(directInput8Create)) {}

// Devices go before the object that made them.
TJoystick::~TJoystick() {
    lpdijoy2.reset();
    lpdijoy1.reset();
    FDInput.reset();
}

void TJoystick::setDIHandle(std::int32_t DIh) {
    DIhandle = DIh;
}

int TJoystick::Joy_init() {
    Joynr = 0;
    Isinitialized = false;
    // Every reference is replaced; a second device of an earlier run does not outlive it.
    lpdijoy2.reset();
    lpdijoy1.reset();
    FDInput.reset();
    if (!m_directInput8Create ||
        m_directInput8Create(programInstance(), DIRECTINPUT_VERSION_8, IID_IDirectInput8A, FDInput,
                             nullptr) != DI_OK ||
        !FDInput)
        return 1;
    FDInput->EnumDevices(DI8DEVCLASS_GAMECTRL, TJoystick_EnumJoysticksCallback, this, DIEDFL_ATTACHEDONLY);
    Anz_Joys = Joynr;
    if (FDInput->CreateDevice(joystick1GUID, lpdijoy1, nullptr) != DI_OK || !lpdijoy1)
        return 2;
    if (Anz_Joys > 1 && (FDInput->CreateDevice(joystick2GUID, lpdijoy2, nullptr) != DI_OK || !lpdijoy2))
        return 2;
    if (DIhandle == 0)
        return 3;
    if (setprop() != 0)
        return 4;
    Isinitialized = true;
    return 0;
}

int TJoystick::setprop() {
    IDirectInputDevice8A* devices[] = {lpdijoy1.get(), Joynr > 1 ? lpdijoy2.get() : nullptr};
    if (devices[0] == nullptr || (Joynr > 1 && devices[1] == nullptr))
        return 1;
    auto each = [&](auto step) {
        for (IDirectInputDevice8A* device : devices)
            if (device != nullptr && step(*device) != DI_OK)
                return false;
        return true;
    };
    if (!each([&](IDirectInputDevice8A& d) { return d.SetCooperativeLevel(DIhandle, kCooperativeFlags); }))
        return 1;
    if (!each([](IDirectInputDevice8A& d) { return d.SetDataFormat(&c_dfDIJoystick); }))
        return 2;
    // The ranges are best effort: without them the axes read in the device's own range.
    each([](IDirectInputDevice8A& d) {
        for (std::uint32_t offset :
             {offsetof(DiJoyState, lX), offsetof(DiJoyState, lY), offsetof(DiJoyState, lZ)}) {
            DiPropRange range{
                {sizeof(DiPropRange), sizeof(DiPropHeader), offset, DIPH_BYOFFSET}, kAxisMin, kAxisMax};
            d.SetProperty(DIPROP_RANGE, &range.diph);
        }
        return DI_OK;
    });
    if (!each([](IDirectInputDevice8A& d) { return d.Acquire(); }))
        return 4;
    return 0;
}

int TJoystick::GetInput1(TJoyData* Joydata1) {
    return readDevice(lpdijoy1.get(), Joydata1);
}

int TJoystick::GetInput2(TJoyData* Joydata2) {
    return readDevice(lpdijoy2.get(), Joydata2);
}

int TJoystick::readDevice(IDirectInputDevice8A* device, TJoyData* reading) {
    Joy_Data = DiJoyState{};
    if (!Isinitialized)
        return 1;
    // An unplugged controller must not read as a centred stick: the reading keeps its last values.
    if (device == nullptr || device->Poll() != DI_OK ||
        device->GetDeviceState(sizeof Joy_Data, &Joy_Data) != DI_OK)
        return 2;
    if (reading != nullptr) {
        reading->Button1 = Joy_Data.rgbButtons[0];
        reading->Button2 = Joy_Data.rgbButtons[1];
        reading->Button3 = Joy_Data.rgbButtons[2];
        reading->Button4 = Joy_Data.rgbButtons[3];
        reading->Joy_x = Joy_Data.lX;
        reading->Joy_y = Joy_Data.lY;
    }
    return 0;
}

void createJoystick() {
    delete Joystick;
    Joystick = new TJoystick;
}

void releaseJoystick() {
    delete Joystick;
    Joystick = nullptr;
}

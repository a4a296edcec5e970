#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "loco/input/GameController.h"
#include "loco/input/ModuleLoader.h"

// The DirectInput 8 operations the joystick back-end calls, over the kernel's game controllers. The
// types are ours; each operation refuses values outside what it accepts (a wrong size, flag or
// version), so a caller that passes them sees a failure here rather than on a real system.

using DiResult = std::int32_t;
constexpr DiResult DI_OK = 0;

// Our own failure codes.
namespace DiErr {
constexpr DiResult InvalidParam = -1;   // an argument outside what the operation accepts
constexpr DiResult BadVersion = -2;     // DirectInput8Create asked for another version
constexpr DiResult NoInterface = -3;    // DirectInput8Create asked for another interface
constexpr DiResult NoAggregation = -4;  // an outer object was passed
constexpr DiResult NoInputFolder = -5;  // the input folder cannot be opened
constexpr DiResult DeviceNotFound = -6; // no identity, or the controller is not attached
constexpr DiResult ObjectNotFound = -7; // no such axis, or no data format to find it in
constexpr DiResult NotAcquired = -8;    // the device is not acquired
constexpr DiResult InputLost = -9;      // the controller was unplugged or its node failed
constexpr DiResult Acquired = -10;      // the data format cannot change while acquired
} // namespace DiErr

constexpr std::uint32_t DIRECTINPUT_VERSION_8 = 0x0800;
constexpr std::uint32_t DI8DEVCLASS_GAMECTRL = 4;
constexpr std::uint32_t DIEDFL_ATTACHEDONLY = 1;
constexpr int DIENUM_STOP = 0;
constexpr int DIENUM_CONTINUE = 1;
constexpr std::uint32_t DISCL_NONEXCLUSIVE = 2;
constexpr std::uint32_t DISCL_BACKGROUND = 8;
constexpr std::uint32_t DIPH_BYOFFSET = 1;

enum class InterfaceId { DirectInput8A };
constexpr InterfaceId IID_IDirectInput8A = InterfaceId::DirectInput8A;
enum class DiProperty { Range };
constexpr DiProperty DIPROP_RANGE = DiProperty::Range;

struct DiPropHeader {
    std::uint32_t dwSize;
    std::uint32_t dwHeaderSize;
    std::uint32_t dwObj;
    std::uint32_t dwHow;
};
struct DiPropRange {
    DiPropHeader diph;
    std::int32_t lMin;
    std::int32_t lMax;
};
static_assert(sizeof(DiPropHeader) == 16 && sizeof(DiPropRange) == 24);

// The joystick state record: six axes, two sliders, four point-of-view values, 32 button bytes (0 or
// 128). Axes the controller lacks read 0, point-of-view values read 0xFFFFFFFF (centred, none).
struct DiJoyState {
    std::int32_t lX;
    std::int32_t lY;
    std::int32_t lZ;
    std::int32_t lRx;
    std::int32_t lRy;
    std::int32_t lRz;
    std::int32_t rglSlider[2];
    std::uint32_t rgdwPOV[4];
    std::uint8_t rgbButtons[32];
};
static_assert(sizeof(DiJoyState) == 80);

// A data format; the only one offered is the joystick state above.
struct DiDataFormat {
    std::uint32_t dwDataSize;
};
extern const DiDataFormat c_dfDIJoystick;

// What enumeration reports per controller; the identity stands in for the instance identifier.
struct DiDeviceInstance {
    DeviceIdentity guidInstance;
    std::string tszProductName;
};
using DiEnumDevicesCallback = int (*)(const DiDeviceInstance* lpddi, void* pvRef);

class IDirectInputDevice8A {
public:
    virtual ~IDirectInputDevice8A() = default;
    // A non-zero window and non-exclusive background access (10).
    virtual DiResult SetCooperativeLevel(std::int32_t hwnd, std::uint32_t dwFlags) = 0;
    virtual DiResult SetDataFormat(const DiDataFormat* lpdf) = 0;
    // The range of the X, Y or Z axis (offset 0, 4 or 8), by a whole range record; needs the data format.
    virtual DiResult SetProperty(DiProperty rguidProp, const DiPropHeader* pdiph) = 0;
    virtual DiResult Acquire() = 0;
    virtual DiResult Poll() = 0;
    // Size 80 into the joystick state record; the buffer is left as it was when this fails.
    virtual DiResult GetDeviceState(std::uint32_t cbData, void* lpvData) = 0;
};

class IDirectInput8A {
public:
    virtual ~IDirectInput8A() = default;
    // Game controllers (4), attached only (1): calls back per controller in node order until stopped.
    virtual DiResult EnumDevices(std::uint32_t dwDevType, DiEnumDevicesCallback lpCallback, void* pvRef,
                                 std::uint32_t dwFlags) = 0;
    virtual DiResult CreateDevice(const DeviceIdentity& rguid,
                                  std::unique_ptr<IDirectInputDevice8A>& lplpDevice, void* pUnkOuter) = 0;
};

// Creates the DirectInput object over the input platform in use; it fails when the input folder cannot
// be opened. ppvOut is empty after a failure.
DiResult DirectInput8Create(ModuleHandle hinst, std::uint32_t dwVersion, InterfaceId riidltf,
                            std::unique_ptr<IDirectInput8A>& ppvOut, void* punkOuter);

using DirectInput8CreateSignature = DiResult(ModuleHandle, std::uint32_t, InterfaceId,
                                             std::unique_ptr<IDirectInput8A>&, void*);
using DirectInput8CreateFn = std::function<DirectInput8CreateSignature>;

// Loads "DInput8.dll" through the loader of the input platform in use and looks up its entry
// "DirectInput8Create"; the program does this once at start. False when either is missing, and the
// entry is then absent.
bool lookUpDirectInput8();
// The entry looked up last; empty before the first look-up or when it was missing.
const DirectInput8CreateFn& directInput8Entry();

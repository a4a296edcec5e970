#pragma once

#include <cstdint>
#include <memory>

#include "loco/input/DirectInput.h"

// The DirectInput-style joystick driver: finds up to two game controllers, prepares them and reads
// their first four buttons and X and Y axes in -100..100. Everything runs on the GUI thread.

// One reading of one controller: buttons 0 (released) or 128 (pressed); X and Y from -100 to 100, Y
// -100 with the stick pushed fully forward.
struct TJoyData {
    std::int32_t Button1 = 0;
    std::int32_t Button2 = 0;
    std::int32_t Button3 = 0;
    std::int32_t Button4 = 0;
    std::int32_t Joy_x = 0;
    std::int32_t Joy_y = 0;
};

class TJoystick {
public:
    // With the entry looked up at program start.
    TJoystick();
    // With the given entry; an empty one stands for a missing library or entry.
    explicit TJoystick(DirectInput8CreateFn directInput8Create);
    ~TJoystick();
    TJoystick(const TJoystick&) = delete;
    TJoystick& operator=(const TJoystick&) = delete;

    // Takes effect at the next Joy_init.
    void setDIHandle(std::int32_t DIh);
    // 0 ready; 1 no DirectInput object, 2 a device not created, 3 no window handle, 4 setprop failed.
    int Joy_init();
    // Cooperative level, data format, axis ranges -100..100 and acquisition, each step on device 1 and
    // then, with two controllers, device 2. 0 ready; 1 cooperative level, 2 data format, 4 acquisition.
    int setprop();
    int getNrOfJoysticks() const { return Anz_Joys; }
    // Reads controller 1 (2) into the reading, when it is not nullptr: 0 read, 1 not initialised, 2 the
    // device could not be read (the reading is left as it was).
    int GetInput1(TJoyData* Joydata1);
    int GetInput2(TJoyData* Joydata2);

    std::int32_t DIhandle = 0;
    std::unique_ptr<IDirectInput8A> FDInput;
    std::unique_ptr<IDirectInputDevice8A> lpdijoy1;
    std::unique_ptr<IDirectInputDevice8A> lpdijoy2;
    bool Isinitialized = false;
    // Shared by both controllers; cleared before every read.
    DiJoyState Joy_Data{};
    std::int32_t Anz_Joys = 0;

private:
    int readDevice(IDirectInputDevice8A* device, TJoyData* reading);

    DirectInput8CreateFn m_directInput8Create;
};

// The enumeration counter and the identities of the first two controllers found. The identities
// outlive one Joy_init: a later enumeration that finds fewer controllers leaves the rest as they were.
extern std::int32_t Joynr;
extern DeviceIdentity joystick1GUID;
extern DeviceIdentity joystick2GUID;

// Counts the controllers in Joynr and records the first two identities; stops after the second.
int TJoystick_EnumJoysticksCallback(const DiDeviceInstance* lpddi, void* pvRef);

// The program's driver, made and freed with the other global objects (installed as the joystick
// lifecycle of the object set).
extern TJoystick* Joystick;
void createJoystick();
void releaseJoystick();

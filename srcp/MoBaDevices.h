#pragma once

// The protocol-independent device model: locomotives, accessory decoders (solenoids) and feedback
// contacts, each clamped to the limits of the protocol description it refers to (and never owns).

#include "srcp/MoBaProfiles.h"
#include "srcp/MoBaProtocolBase.h"
#include "srcp/MoBaProtocols.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TMoBaDriveMode : std::uint8_t {
    mdmForward,
    mdmBackwards,
    mdmChange,
    mdmEmergencyStop,
    mdmNext,
    mdmInvalid,
};
inline constexpr int MoBaDriveModeCount = mdmInvalid + 1;
extern const char* const MoBaDriveModeDescriptions[MoBaDriveModeCount];

class TMoBaBaseSolenoid;

// How a solenoid asks its owner to call it back after a time: (sender, activation time in ms,
// callback). The callback is harmless after the solenoid is gone; it must be called on the thread
// that owns the solenoid.
using TMoBaTimerCallback =
    std::function<void(TMoBaBaseSolenoid* Sender, int ActivationTime, std::function<void()> Callback)>;

class TMoBaBaseDevice : public Assignable {
public:
    TMoBaBaseProtocol* Protocol() const { return m_protocol; }
    // A different protocol is stored and the settings are clamped to its limits.
    void SetProtocol(TMoBaBaseProtocol* Value);
    int Address() const { return m_address; }
    void SetAddress(int Value);
    // The protocol's highest address (a negative one counts as 0), 2147483647 without protocol.
    int MaxAddress() const;

    void AssignTo(Assignable& Dest) const override;
    virtual void RecalculateSettings();

protected:
    TMoBaBaseProtocol* m_protocol = nullptr;
    int m_address = 0;
};

class TMoBaBaseLoco : public TMoBaBaseDevice {
public:
    TMoBaBaseLoco();

    // The loco protocol's limits; open without one (0, 2147483647, 255). A negative highest step or
    // function count counts as 0, and the function count never exceeds 255.
    int MinSteps() const;
    int MaxSteps() const;
    int MaxFunctions() const;

    int FunctionCount() const { return static_cast<int>(m_functions.size()); }
    void SetFunctionCount(int Value);
    // Outside the current count a function reads 0 and is not written.
    std::uint8_t Functions(int Index) const;
    void SetFunctions(int Index, std::uint8_t Value);

    int SpeedStep() const { return m_speedStep; }
    void SetSpeedStep(int Value);
    TMoBaDriveMode DriveMode() const { return m_driveMode; }
    void SetDriveMode(TMoBaDriveMode Value);
    // The last direction set (mdmForward or mdmBackwards); mdmNext returns to it.
    TMoBaDriveMode OldDriveMode() const { return m_oldDriveMode; }

    void AssignTo(Assignable& Dest) const override;
    void RecalculateSettings() override;

protected:
    std::vector<std::uint8_t> m_functions;
    int m_speedStep = 0;
    TMoBaDriveMode m_driveMode = mdmForward;
    TMoBaDriveMode m_oldDriveMode = mdmForward;
};

class TMoBaAdvancedLoco : public TMoBaBaseLoco {
public:
    bool Locked = false;
    int LockID = 0;
    void* Data = nullptr; // the user's, never touched here
    std::string Description;

    int MaxSpeed() const { return m_maxSpeed; }
    void SetMaxSpeed(int Value);
    // SpeedStep x MaxSpeed / MaxSteps, rounded half to even; 0 when the protocol has no steps.
    int Speed() const;
    void SetSpeed(int Value);

    void AssignTo(Assignable& Dest) const override;

protected:
    int m_maxSpeed = 100;
};

class TMoBaBaseSolenoid : public TMoBaBaseDevice {
public:
    TMoBaBaseSolenoid();
    ~TMoBaBaseSolenoid() override;
    TMoBaBaseSolenoid(const TMoBaBaseSolenoid&) = delete;
    TMoBaBaseSolenoid& operator=(const TMoBaBaseSolenoid&) = delete;

    int ActivationTime() const { return m_activationTime; }
    void SetActivationTime(int Value) { m_activationTime = Value; }
    int ActivePort() const { return m_activePort; }
    void SetActivePort(int Value) { m_activePort = Value; }

    // The protocol's highest port (1 without protocol), kept within -1 .. 255 so that a profile
    // cannot ask for a huge port array; PortCount is MaxPort + 1.
    int MaxPort() const;
    // The protocol's highest value (2147483647 without protocol); a negative one counts as 0.
    int MaxAction() const;
    int PortCount() const { return static_cast<int>(m_ports.size()); }
    // Outside the ports a port reads 0.
    int Ports(int Port) const;
    // Stores the action (limited to 0 .. MaxAction) and makes the port active; a non-zero action asks
    // OnActivation to call TimerCallback after ActivationTime. A port outside the ports is ignored.
    void SetPorts(int Port, int Action);
    // Switches the active port off again and reports it through OnActionOff.
    void TimerCallback();

    TMoBaTimerCallback OnActivation;
    std::function<void(TMoBaBaseSolenoid* Sender)> OnActionOff;

    void AssignTo(Assignable& Dest) const override;
    void RecalculateSettings() override;

protected:
    int m_activationTime = 200;
    int m_activePort = 0;
    std::vector<int> m_ports;

private:
    // Lets a callback handed out through OnActivation find out whether this solenoid still exists.
    std::shared_ptr<TMoBaBaseSolenoid*> m_self;
};

class TMoBaAdvancedSolenoid : public TMoBaBaseSolenoid {
public:
    bool Locked = false;
    int LockID = 0;
    void* Data = nullptr;
    std::string Description;

    void AssignTo(Assignable& Dest) const override;
};

// Feedback state flags in FState.
inline constexpr int MoBaFeedbackWasActive = 2;
inline constexpr int MoBaFeedbackHasChanged = 4;
inline constexpr int MoBaFeedbackChangedState = 8;

class TMoBaBaseFeedback : public TMoBaBaseDevice {
public:
    // Reading the value clears the has-changed and was-active flags.
    int Value();
    void SetValue(int NewValue);
    bool Activ() const { return m_value != 0; }
    void SetActiv(bool On) { SetValue(On ? 1 : 0); }
    int IsActiv() const { return m_value; }
    bool HasChanged() const { return (m_state & MoBaFeedbackHasChanged) != 0; }
    bool WasActiv() const { return (m_state & MoBaFeedbackWasActive) != 0; }
    bool ChangedState() const { return (m_state & MoBaFeedbackChangedState) != 0; }
    int FState() const { return m_state; }

    void AssignTo(Assignable& Dest) const override;

protected:
    int m_value = 0;
    int m_state = 0;
};

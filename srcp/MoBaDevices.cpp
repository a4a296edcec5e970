#include "srcp/MoBaDevices.h"

#include <algorithm>
#include <cstdint>
#include <limits>

const char* const MoBaDriveModeDescriptions[MoBaDriveModeCount] = {
    "Forward", "Backwards", "Change", "Emergency Stop", "Automatic change", "Invalid",
};

namespace {

constexpr int OpenLimit = std::numeric_limits<int>::max();
constexpr int MaxFunctionCount = 255;
constexpr int HighestPortLimit = 255;

// num / den rounded to the nearest integer, halves to the even neighbour; den > 0.
std::int64_t divideRoundHalfEven(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) { // make q the floor and 0 <= r < den
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return q;
}

int toInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), OpenLimit));
}

} // namespace

// --- device ---

void TMoBaBaseDevice::SetProtocol(TMoBaBaseProtocol* Value) {
    if (Value == m_protocol)
        return;
    m_protocol = Value;
    RecalculateSettings();
}

// A negative maximum (possible from a profile) counts as 0.
int TMoBaBaseDevice::MaxAddress() const {
    return m_protocol ? std::max(m_protocol->MaxAddress, 0) : OpenLimit;
}

void TMoBaBaseDevice::SetAddress(int Value) {
    if (m_protocol && Value > MaxAddress())
        m_address = MaxAddress();
    else
        m_address = Value >= 1 ? Value : 1;
}

void TMoBaBaseDevice::RecalculateSettings() {
    SetAddress(m_address);
}

void TMoBaBaseDevice::AssignTo(Assignable& Dest) const {
    auto* target = dynamic_cast<TMoBaBaseDevice*>(&Dest);
    if (!target)
        raiseAssignError(Dest);
    target->m_address = m_address;
    target->m_protocol = m_protocol;
}

// --- loco ---

TMoBaBaseLoco::TMoBaBaseLoco() {
    m_functions.assign(static_cast<std::size_t>(MaxFunctions()), 0);
}

int TMoBaBaseLoco::MinSteps() const {
    auto* p = dynamic_cast<const TMoBaLocoProtocol*>(m_protocol);
    return p ? p->MinSteps : 0;
}

int TMoBaBaseLoco::MaxSteps() const {
    auto* p = dynamic_cast<const TMoBaLocoProtocol*>(m_protocol);
    return p ? std::max(p->MaxSteps, 0) : OpenLimit;
}

int TMoBaBaseLoco::MaxFunctions() const {
    auto* p = dynamic_cast<const TMoBaLocoProtocol*>(m_protocol);
    return p ? std::clamp(p->MaxFunctions, 0, MaxFunctionCount) : MaxFunctionCount;
}

void TMoBaBaseLoco::SetFunctionCount(int Value) {
    int count = std::clamp(Value, 0, MaxFunctions());
    m_functions.resize(static_cast<std::size_t>(count), 0);
}

std::uint8_t TMoBaBaseLoco::Functions(int Index) const {
    if (Index < 0 || Index >= FunctionCount())
        return 0;
    return m_functions[static_cast<std::size_t>(Index)];
}

void TMoBaBaseLoco::SetFunctions(int Index, std::uint8_t Value) {
    if (Index >= 0 && Index < FunctionCount())
        m_functions[static_cast<std::size_t>(Index)] = Value;
}

void TMoBaBaseLoco::SetSpeedStep(int Value) {
    if (Value > MaxSteps())
        Value = MaxSteps();
    if (Value < MinSteps())
        Value = MinSteps();
    m_speedStep = Value;
}

void TMoBaBaseLoco::SetDriveMode(TMoBaDriveMode Value) {
    switch (Value) {
    case mdmForward:
    case mdmBackwards:
        m_driveMode = Value;
        m_oldDriveMode = Value;
        break;
    case mdmNext:
        if (m_driveMode == mdmForward)
            m_driveMode = mdmBackwards;
        else if (m_driveMode == mdmBackwards)
            m_driveMode = mdmForward;
        else
            m_driveMode = m_oldDriveMode;
        m_oldDriveMode = m_driveMode;
        break;
    default:
        m_driveMode = Value;
        break;
    }
}

void TMoBaBaseLoco::RecalculateSettings() {
    TMoBaBaseDevice::RecalculateSettings();
    SetSpeedStep(m_speedStep);
    SetFunctionCount(MaxFunctions());
}

void TMoBaBaseLoco::AssignTo(Assignable& Dest) const {
    auto* target = dynamic_cast<TMoBaBaseLoco*>(&Dest);
    if (!target)
        raiseAssignError(Dest);
    TMoBaBaseDevice::AssignTo(Dest);
    target->SetFunctionCount(FunctionCount());
    std::size_t shared = std::min(m_functions.size(), target->m_functions.size());
    std::copy_n(m_functions.begin(), shared, target->m_functions.begin());
    target->m_speedStep = m_speedStep;
    target->m_driveMode = m_driveMode;
    target->m_oldDriveMode = m_oldDriveMode;
}

// --- advanced loco ---

int TMoBaAdvancedLoco::Speed() const {
    int steps = MaxSteps();
    if (steps <= 0)
        return 0;
    return toInt(divideRoundHalfEven(std::int64_t{m_speedStep} * m_maxSpeed, steps));
}

void TMoBaAdvancedLoco::SetSpeed(int Value) {
    Value = std::clamp(Value, 0, std::max(m_maxSpeed, 0));
    int steps = MaxSteps();
    std::int64_t step = 0;
    if (steps > 0 && m_maxSpeed > 0)
        step = divideRoundHalfEven(std::int64_t{steps} * Value, m_maxSpeed);
    SetSpeedStep(toInt(step));
}

void TMoBaAdvancedLoco::SetMaxSpeed(int Value) {
    m_maxSpeed = Value < 1 ? 1 : Value;
    if (Speed() > m_maxSpeed)
        SetSpeed(m_maxSpeed);
}

void TMoBaAdvancedLoco::AssignTo(Assignable& Dest) const {
    TMoBaBaseLoco::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaAdvancedLoco*>(&Dest)) {
        target->m_maxSpeed = m_maxSpeed;
        target->Data = Data;
        target->Description = Description;
        target->Locked = Locked;
        target->LockID = LockID;
    }
}

// --- solenoid ---

TMoBaBaseSolenoid::TMoBaBaseSolenoid() : m_self(std::make_shared<TMoBaBaseSolenoid*>(this)) {
    m_ports.assign(static_cast<std::size_t>(MaxPort() + 1), 0);
}

TMoBaBaseSolenoid::~TMoBaBaseSolenoid() {
    *m_self = nullptr;
}

int TMoBaBaseSolenoid::MaxPort() const {
    auto* p = dynamic_cast<const TMoBaSolenoidProtocol*>(m_protocol);
    return p ? std::clamp(p->MaxPort, -1, HighestPortLimit) : 1;
}

int TMoBaBaseSolenoid::MaxAction() const {
    auto* p = dynamic_cast<const TMoBaSolenoidProtocol*>(m_protocol);
    return p ? std::max(p->MaxValue, 0) : OpenLimit;
}

int TMoBaBaseSolenoid::Ports(int Port) const {
    if (Port < 0 || Port >= PortCount())
        return 0;
    return m_ports[static_cast<std::size_t>(Port)];
}

void TMoBaBaseSolenoid::SetPorts(int Port, int Action) {
    if (Port < 0 || Port >= PortCount())
        return;
    Action = std::clamp(Action, 0, MaxAction());
    m_ports[static_cast<std::size_t>(Port)] = Action;
    m_activePort = Port;
    if (Action != 0 && OnActivation) {
        std::weak_ptr<TMoBaBaseSolenoid*> self = m_self;
        OnActivation(this, m_activationTime, [self] {
            if (auto alive = self.lock(); alive && *alive)
                (*alive)->TimerCallback();
        });
    }
}

void TMoBaBaseSolenoid::TimerCallback() {
    // A protocol change may have left the active port outside the ports.
    if (m_activePort >= 0 && m_activePort < PortCount())
        m_ports[static_cast<std::size_t>(m_activePort)] = 0;
    if (OnActionOff)
        OnActionOff(this);
}

void TMoBaBaseSolenoid::RecalculateSettings() {
    TMoBaBaseDevice::RecalculateSettings();
    m_ports.resize(static_cast<std::size_t>(MaxPort() + 1), 0);
    int highest = MaxAction();
    for (int& action : m_ports)
        action = std::min(action, highest);
}

void TMoBaBaseSolenoid::AssignTo(Assignable& Dest) const {
    auto* target = dynamic_cast<TMoBaBaseSolenoid*>(&Dest);
    if (!target)
        raiseAssignError(Dest);
    TMoBaBaseDevice::AssignTo(Dest);
    target->m_activationTime = m_activationTime;
    target->m_ports = m_ports;
    target->m_activePort = m_activePort;
    target->OnActivation = OnActivation;
    target->OnActionOff = OnActionOff;
}

void TMoBaAdvancedSolenoid::AssignTo(Assignable& Dest) const {
    TMoBaBaseSolenoid::AssignTo(Dest);
    if (auto* target = dynamic_cast<TMoBaAdvancedSolenoid*>(&Dest)) {
        target->Data = Data;
        target->Description = Description;
        target->Locked = Locked;
        target->LockID = LockID;
    }
}

// --- feedback ---

int TMoBaBaseFeedback::Value() {
    m_state &= ~(MoBaFeedbackHasChanged | MoBaFeedbackWasActive);
    return m_value;
}

void TMoBaBaseFeedback::SetValue(int NewValue) {
    if (NewValue != m_value) {
        if (m_value != 0 && (m_state & MoBaFeedbackHasChanged) != 0)
            m_state |= MoBaFeedbackWasActive;
        m_state |= MoBaFeedbackHasChanged | MoBaFeedbackChangedState;
    } else {
        m_state &= ~MoBaFeedbackChangedState;
    }
    m_value = NewValue;
}

void TMoBaBaseFeedback::AssignTo(Assignable& Dest) const {
    auto* target = dynamic_cast<TMoBaBaseFeedback*>(&Dest);
    if (!target)
        raiseAssignError(Dest);
    TMoBaBaseDevice::AssignTo(Dest);
    target->m_value = m_value;
    target->m_state = m_state;
}

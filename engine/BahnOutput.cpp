#include "engine/BahnOutput.h"

#include <stdexcept>

#include "engine/Bahncalcunit.h"
#include "engine/CommandOutput.h"
#include "engine/MainFormState.h"
#include "engine/SRCP08unit.h"
#include "engine/WaitClock.h"
#include "engine/lokunit.h"
#include "platform/DialogService.h"
#include "platform/MainThreadDispatcher.h"
#include "srcp/MoBaSRCP.h"

bool isNmraProtocol(const std::string& protocol) {
    return protocol == "N" || protocol == "n";
}

std::optional<AccessoryTarget> accessoryTarget(int decoder, int output) {
    if (output < 1 || output > 8)
        return std::nullopt;
    AccessoryTarget target;
    const bool odd = output % 2 == 1;
    const int pair = odd ? output / 2 + 1 : output / 2;
    target.port = odd ? 0 : 1;
    target.address = static_cast<std::int64_t>(decoder) * 4 + pair;
    return target;
}

void Cbahn::ga_out(const std::string& Protokoll, int Dekod, int Dat) {
    QUARN_ASSERT_MAIN_THREAD();
    const std::optional<AccessoryTarget> target = accessoryTarget(Dekod, Dat);
    if (!target)
        return;
    commandOutput().accessoryPulse(Protokoll, Dekod, *target);
}

void Cbahn::gl_out(int Loknummer) {
    QUARN_ASSERT_MAIN_THREAD();
    TMainFormState& f = form();
    if (!Lok)
        throw std::logic_error("the loco table does not exist");
    // A slot outside the table would send a line of zeros to address 0.
    if (Loknummer < 0 || Loknummer >= LOKMAX)
        return;
    // Nor is a slot without a loco address sent, on either transport.
    if (Lok->get_addr(Loknummer) < 1) {
        if (f.Debug)
            f.debugLine("gl_out: loco slot " + std::to_string(Loknummer) + " has no address");
        return;
    }
    commandOutput().locoState(Loknummer);
}

void accessoryThroughClient(const std::string& Protokoll, const AccessoryTarget& target) {
    if (!connectedClient())
        return;
    const bool motorola = Protokoll == "M" || Protokoll == "m";
    TMoBaSolenoidProtocol* protocol = motorola ? MMSopr : NMRASopr;
    if (!protocol)
        throw std::logic_error("the accessory protocols do not exist");
    // The device model would move the address into the protocol's range and so switch another
    // accessory.
    if (target.address < 1 || target.address > protocol->MaxAddress) {
        if (debugOn())
            form().debugLine("Accessory " + std::to_string(target.address) +
                             " lies outside the addresses of " + protocol->Name + "; nothing sent");
        return;
    }
    TMoBaAdvancedSolenoid solenoid;
    solenoid.SetProtocol(protocol);
    solenoid.SetAddress(static_cast<int>(target.address));
    solenoid.SetPorts(target.port, 1);
    solenoid.SetActivationTime(form().SolTime);
    // Asked once: setSolenoid below goes to the same entry and would tell of it a second time.
    TMoBaSRCPBus* bus =
        userCommandBus(motorola ? MotorolaAccessoryBus : NmraAccessoryBus, UserCommand::Accessory);
    if (!bus)
        return;
    if (bus->GAs() && !bus->GAs()->Solenoids(solenoid.Address()) && !bus->GAs()->Add(solenoid))
        dialogs().plainMessage("Solenoid data are not sent to server");
    if (SRCP08)
        SRCP08->setSolenoid(solenoid);
}

void locoThroughClient(int Loknummer) {
    if (!connectedClient() || !SRCP08)
        return;
    TMainFormState& f = form();
    if (!f.LocoData_sent) {
        SRCP08->sendallLocoData(Loknummer);
        // A connection lost meanwhile has cleared the flag; the next one announces again.
        f.LocoData_sent = connectedClient() != nullptr;
    }
    SRCP08->setloco(Loknummer);
}

void Cbahn::pause(std::uint16_t Zeit) {
    waitClock().pause(Zeit);
}

void Cbahn::parse(const std::string&) {}

#include "engine/BahnOutput.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "engine/Bahncalcunit.h"
#include "engine/MainFormState.h"
#include "engine/WaitClock.h"
#include "engine/lokunit.h"
#include "platform/Cp1252.h"
#include "platform/LineConnection.h"
#include "platform/MainThreadDispatcher.h"
#include "srcp/HighResTimer.h"

namespace {

void debugWireLine(TMainFormState& f, std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    f.debugLine(cp1252ToUtf8(line));
}

// The open command connection, or null when commands go nowhere.
LineConnection* openCommandSocket(TMainFormState& f) {
    LineConnection* socket = f.Command_Socket;
    return socket && socket->isConnected() ? socket : nullptr;
}

std::mutex& socketLock(TMainFormState& f) {
    if (!f.Lock_socket)
        throw std::logic_error("the socket lock does not exist");
    return *f.Lock_socket;
}

} // namespace

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

std::string accessoryLine(bool nmra, const AccessoryTarget& target, int value) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%s%lld %d %d -1\n", nmra ? "SET GA N " : "SET GA M ",
                  static_cast<long long>(target.address), target.port, value);
    return buffer;
}

int wireDirection(int direction) {
    return direction >= 0 && direction <= 2 ? direction : 0;
}

int wireFunctionCount(int maxFunctions) {
    if (maxFunctions < 0)
        return 0;
    return maxFunctions > Dekod_FuncsHigh ? Dekod_FuncsHigh : maxFunctions;
}

std::string locoLine(const TLok& lok, int slot) {
    TLokFunctions functions{};
    lok.get_F(slot, functions);
    const int count = wireFunctionCount(lok.get_nrof(slot));

    std::string line = "SET GL ";
    line += lok.get_protocol(slot);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " %d %d %d %d ", lok.get_addr(slot),
                  wireDirection(lok.get_direction(slot)), lok.get_speed(slot), lok.get_speedmax(slot));
    line += buffer;
    line += functions[0] > 10 ? "1 " : "0 ";
    line += std::to_string(count);
    line += ' ';
    for (int k = 1; k <= count; ++k)
        line += functions[static_cast<std::size_t>(k)] > 10 ? "1 " : "0 ";
    return line;
}

void Cbahn::ga_out(const std::string& Protokoll, int Dekod, int Dat) {
    QUARN_ASSERT_MAIN_THREAD();
    const std::optional<AccessoryTarget> target = accessoryTarget(Dekod, Dat);
    if (!target)
        return;
    TMainFormState& f = form();
    // The client component's path is taken by its adapter; without it nothing is sent.
    if (f.SrcpVer != 73)
        return;
    const bool nmra = isNmraProtocol(Protokoll);
    if (Dekod < 1)
        return;
    const std::string on = accessoryLine(nmra, *target, 1);
    if (f.Debug)
        debugWireLine(f, on);
    LineConnection* socket = openCommandSocket(f);
    if (!socket)
        return;
    // Held across the pause, so that no loco line falls between the two halves of the pulse.
    std::lock_guard lock(socketLock(f));
    socket->writeRaw(on);
    pause(static_cast<std::uint16_t>(f.SolTime & 0xFFFF));
    const std::string off = accessoryLine(nmra, *target, 0);
    if (f.Debug)
        debugWireLine(f, off);
    socket->writeRaw(off);
}

void Cbahn::gl_out(int Loknummer) {
    QUARN_ASSERT_MAIN_THREAD();
    TMainFormState& f = form();
    if (f.SrcpVer != 73)
        return;
    if (!Lok)
        throw std::logic_error("the loco table does not exist");
    // A slot outside the table would send a line of zeros to address 0.
    if (Loknummer < 0 || Loknummer >= LOKMAX)
        return;
    const std::string line = locoLine(*Lok, Loknummer);
    if (f.Debug)
        debugWireLine(f, line);
    LineConnection* socket = openCommandSocket(f);
    if (!socket)
        return;
    std::lock_guard lock(socketLock(f));
    socket->writeLine(line);
}

void Cbahn::pause(std::uint16_t Zeit) {
    waitClock().pause(Zeit);
}

void Cbahn::parse(const std::string&) {}

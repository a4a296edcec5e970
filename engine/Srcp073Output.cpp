#include "engine/Srcp073Output.h"

#include <cstdio>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "engine/MainFormState.h"
#include "engine/RueckReaders.h"
#include "engine/WaitClock.h"
#include "engine/lokunit.h"
#include "platform/Cp1252.h"
#include "platform/LineConnection.h"
#include "platform/TextFile.h"

namespace {

// The server gets this wait to settle after the feedback connection opened.
constexpr int ChannelSettleMs = 500;

// A line on its way to the server goes to the debug window too while Debug is set.
void debugWireLine(TMainFormState& f, std::string line) {
    if (!f.Debug)
        return;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    f.debugLine(cp1252ToUtf8(line));
}

// The line with each control character written as "\xNN", for the debug window.
std::string printable(const std::string& line) {
    std::string out;
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20) {
            out += c;
            continue;
        }
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        out += hex;
    }
    return out;
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

bool Srcp073Output::sendable(const std::string& line) const {
    if (!holdsControlByte(line))
        return true;
    TMainFormState& f = form();
    if (f.Debug)
        f.debugLine("Not sent, a field holds a control character: " + cp1252ToUtf8(printable(line)));
    return false;
}

bool Srcp073Output::connected() const {
    return MainForm && openCommandSocket(*MainForm);
}

CommandResult Srcp073Output::write(const std::string& bytes) {
    TMainFormState& f = form();
    LineConnection* socket = openCommandSocket(f);
    if (!socket)
        return CommandResult::NotConnected;
    std::lock_guard lock(socketLock(f));
    socket->writeRaw(bytes);
    return CommandResult::Sent;
}

CommandResult Srcp073Output::setPower(bool on) {
    return write(on ? "SET POWER ON\n" : "SET POWER OFF\n");
}

CommandResult Srcp073Output::resetServer() {
    return write("RESET\n");
}

CommandResult Srcp073Output::freeCommand(const std::string& line) {
    if (!sendable(line))
        return CommandResult::Refused;
    return write(line + "\n");
}

void Srcp073Output::accessoryPulse(const std::string& protocol, int decoder, const AccessoryTarget& target) {
    TMainFormState& f = form();
    const bool nmra = isNmraProtocol(protocol);
    if (decoder < 1)
        return;
    const std::string on = accessoryLine(nmra, target, 1);
    debugWireLine(f, on);
    LineConnection* socket = openCommandSocket(f);
    if (!socket)
        return;
    // Held across the pause, so that no loco line falls between the two halves of the pulse.
    std::lock_guard lock(socketLock(f));
    socket->writeRaw(on);
    waitClock().pause(static_cast<std::uint16_t>(f.SolTime & 0xFFFF));
    const std::string off = accessoryLine(nmra, target, 0);
    debugWireLine(f, off);
    socket->writeRaw(off);
}

void Srcp073Output::locoState(int slot) {
    TMainFormState& f = form();
    if (!Lok)
        throw std::logic_error("the loco table does not exist");
    const std::string line = locoLine(*Lok, slot);
    // The protocol is the one text of the slot on the line; the numbers hold no control byte.
    const std::string protocol = Lok->get_protocol(slot);
    std::string* told = slot >= 0 && slot < static_cast<int>(m_refusedProtocol.size())
                            ? &m_refusedProtocol[static_cast<std::size_t>(slot)]
                            : nullptr;
    if (!sendable(line)) {
        if (told && *told != protocol) {
            *told = protocol;
            f.setStatusPanel(1, "Loco \"" + cp1252ToUtf8(Lok->get_name(slot)) + "\" (address " +
                                    std::to_string(Lok->get_addr(slot)) + ") is not sent: its protocol \"" +
                                    cp1252ToUtf8(printable(protocol)) + "\" holds a control character");
        }
        return;
    }
    if (told)
        told->clear();
    debugWireLine(f, line);
    LineConnection* socket = openCommandSocket(f);
    if (!socket)
        return;
    std::lock_guard lock(socketLock(f));
    socket->writeLine(line);
}

CommandResult Srcp073Output::startFeedback() {
    LineConnection* socket = form().Poll_Socket;
    if (!socket)
        return CommandResult::Failed;
    // Opening again would close the connection under its running reader.
    if (socket->isConnected())
        return CommandResult::Sent;
    try {
        socket->connect(ConnectTimeoutMs);
        waitClock().sleep(ChannelSettleMs);
        startPollHandleThread(*socket);
        return CommandResult::Sent;
    } catch (const std::exception&) {
        stopPollHandleThread();
        socket->close();
        return CommandResult::Failed;
    }
}

void Srcp073Output::stopFeedback() {
    stopPollHandleThread();
    if (LineConnection* socket = form().Poll_Socket)
        socket->close();
}

std::optional<int> Srcp073Output::feedbackState(int, int) {
    // The server sends contact changes on its own; nothing can be read back.
    return std::nullopt;
}

#pragma once

#include <array>
#include <string>

#include "srcp/MoBaProtocolBase.h"

class TMoBaAdvancedSolenoid;
class TMoBaLocoProtocol;
class TMoBaSolenoidProtocol;
class TMoBaSRCPBus;
class TMoBaSRCPClient;
struct tLokEntry;

// The entries of the client's bus list that the program uses, by position in the list (the order of
// the server's descriptions), not by bus number. Locos use the slot's SRCPBusnr.
inline constexpr int ClockBus = 0;
inline constexpr int PowerBus = 1;
inline constexpr int MotorolaAccessoryBus = 5;
inline constexpr int NmraAccessoryBus = 6;
inline constexpr int FeedbackBus = 8;

// The adapter from the layout engine to the SRCP client component of the main window (SRCPCl2):
// it announces locos to the server's buses and sends their states, switches track power and sends
// accessory states. GUI thread only.
class C_SRCP08 {
public:
    C_SRCP08();
    C_SRCP08(const C_SRCP08&) = delete;
    C_SRCP08& operator=(const C_SRCP08&) = delete;

    // Announces one loco to the loco list of bus list entry Busnr, unless that list already holds a
    // loco with address Addr. A loco without a protocol description of ours, with an address outside
    // its protocol's, or without the entry, is not announced (a debug line says so: the user's own
    // command tells of a missing entry in setloco). It stands forwards at speed 0 of 100, or, given
    // a slot's state, takes that slot's direction, speed, maximum and functions.
    void createNewLoco(int Protocoltype, int Protovers, int Busnr, int Addr,
                       const tLokEntry* state = nullptr);
    // Announces every loco slot whose protocol base is above 3. The loco list learns of an announced
    // loco only when the server reports it, later, so the command of slot Loknr that caused the
    // announcement reaches its loco only through it: that slot is announced with its own state, and
    // another slot of the same bus and address is left out. Every other slot is announced standing:
    // a speed kept from before a disconnect must not start a loco that nobody touched.
    void sendallLocoData(int Loknr);
    // Sends slot Loknr's direction, speed, maximum speed and functions to every loco with the slot's
    // address that the loco list of the slot's bus holds (the locos the server has reported). A
    // missing entry is the user's to know (userCommandBus); a loco not reported yet is not.
    void setloco(int Loknr);
    // Track power of bus list entry 1: on for state >= 1, off otherwise. True when the server took
    // it; without a connection the plain message "not connected to server" is shown, without the
    // entry the user is told as userCommandBus says.
    bool setpower(int state);
    // Sends the solenoid's state to the accessory list of entry 5 (Motorola) or 6 (anything else).
    void setSolenoid(const TMoBaAdvancedSolenoid& ASol);

    // The description for a protocol base (4 Motorola, 5 NMRA) and version (1 and up); null for any
    // combination outside the tables.
    TMoBaLocoProtocol* locoProtocol(int base, int version) const;

    // The descriptions live for the whole run (loco objects of the client refer to them), so they
    // are not freed with the adapter. MMpr[5] stays empty.
    std::array<TMoBaLocoProtocol*, 6> MMpr{};
    std::array<TMoBaLocoProtocol*, 6> NMRADCCpr{};

private:
    void createLocoProtocols();
};

extern C_SRCP08* SRCP08;

// The two accessory protocols of the "SRCP 0.80" transport: "Motorola Solenoid" and "NMRA Accessory".
// They exist from program start, before any window, to program end.
extern TMoBaSolenoidProtocol* MMSopr;
extern TMoBaSolenoidProtocol* NMRASopr;
void createAccessoryProtocols();
void freeAccessoryProtocols();

// The main window's client, when it exists and is connected; else null.
TMoBaSRCPClient* connectedClient();
// Entry index of the connected client's bus list, or null when there is no such entry (negative
// indexes included); what names the command it was wanted for, for the debug line that says so.
TMoBaSRCPBus* clientBus(int index, const char* what);

// The commands a user gives that need an entry of the client's bus list.
enum class UserCommand { Loco, Accessory, Power, FeedbackStart };
// "Accessory command not sent to server: it needs position 5 of the server's bus list, and the
// server described 2 buses."
std::string missingBusText(UserCommand what, int position, int described);
// clientBus for a command the user gave. A connected client without the entry drops the command,
// and the user learns of it: the first drop of each kind in a connection in a box (title message
// 102, stop icon), later ones in status panel 1, once until a command of that kind finds its entry
// again. A server with fewer buses than the program expects would otherwise switch nothing while
// the plan shows every click.
TMoBaSRCPBus* userCommandBus(int index, UserCommand what);
// A new connection: each kind's first drop gets its box again.
void forgetMissingBusReports();

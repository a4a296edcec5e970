#pragma once

// The device model as the server reports it: locos, solenoids and feedback contacts that carry their
// SRCP state, bus and server time stamps, the translations between the device model and SRCP, and
// the protocol descriptions made up for devices that the server initialises with a protocol that no
// description covers.

#include "srcp/MoBaDevices.h"
#include "srcp/SrcpTbls.h"

#include <cstdint>
#include <vector>

enum TMoBaSRCPState : std::uint8_t { mssInitialized, mssActivNoRead, mssUninitilized, mssTerminated };

class TMoBaSRCPLoco : public TMoBaAdvancedLoco {
public:
    TMoBaSRCPState SRCPState() const { return FSRCPState; }
    void SetSRCPState(TMoBaSRCPState value) { FSRCPState = value; }
    int Bus() const { return FBus; }
    void SetBus(int value) { FBus = value; }
    double TimeStamp() const { return FTimeStamp; }
    void SetTimeStamp(double value) { FTimeStamp = value; }

    void AssignTo(Assignable& Dest) const override;

private:
    TMoBaSRCPState FSRCPState = mssTerminated;
    int FBus = 0;
    double FTimeStamp = 0;
};

// One server time stamp per port; the stamps follow the number of ports when a protocol changes it.
class TMoBaSRCPSolenoid : public TMoBaAdvancedSolenoid {
public:
    TMoBaSRCPSolenoid();

    // 0 outside the ports.
    double TimeStamps(int port) const;
    // Ignored outside the ports.
    void SetTimeStamps(int port, double value);
    int Bus() const { return FBus; }
    void SetBus(int value) { FBus = value; }
    TMoBaSRCPState SRCPState() const { return FSRCPState; }
    void SetSRCPState(TMoBaSRCPState value) { FSRCPState = value; }

    void AssignTo(Assignable& Dest) const override;
    void RecalculateSettings() override;

private:
    TMoBaSRCPState FSRCPState = mssTerminated;
    int FBus = 0;
    std::vector<double> FTimeStamps;
};

class TMoBaSRCPFeedback : public TMoBaBaseFeedback {
public:
    int Bus() const { return FBus; }
    void SetBus(int value) { FBus = value; }
    double TimeStamp() const { return FTimeStamp; }
    void SetTimeStamp(double value) { FTimeStamp = value; }

    void AssignTo(Assignable& Dest) const override;

private:
    int FBus = 0;
    double FTimeStamp = 0;
};

// The SRCP protocol and protocol version of a description; spInvalid and 0 without one.
struct TSRCPProtocolAndVersion {
    TSRCPProtocols Protocol = spInvalid;
    int SubProtocol = 0;
};
TSRCPProtocolAndVersion MoBaToSRCPProtocol(const TMoBaBaseProtocol* Protocol);

// mdmChange turns the current SRCP direction round; mdmNext and mdmInvalid have no SRCP mode.
TSRCPDriveMode MoBaToSRCPDriveMode(TMoBaDriveMode Mode, TSRCPDriveMode Current);
// dmNoChange and dmInvalid keep the current mode.
TMoBaDriveMode SRCPToMoBaDriveMode(TSRCPDriveMode Mode, TMoBaDriveMode Current);

// The first loco description in MoBaLocoProtocols that matches the protocol, version, number of speed
// steps and functions and whose addresses include Address; the bus joins its groups. Without one, an
// automatic description with these values is appended and returned. Null while the library is not
// initialised.
TMoBaLocoProtocol* SRCPToMoBaLocoProtocol(TSRCPProtocols Protocol, int SubProtocol, int SpeedSteps, int Bus,
                                          int Address, int FunctionCount);
// The same over MoBaSolenoidProtocols, matching protocol, version and address.
TMoBaSolenoidProtocol* SRCPToMoBaSolenoidProtocol(TSRCPProtocols Protocol, int SubProtocol, int Address,
                                                  int Bus);

#include "srcp/MoBaLibrary.h"

#include "srcp/MoBaDevices.h"
#include "srcp/MoBaProfiles.h"

#include <stdexcept>

void MoBaLibraryInitialize(const std::string& workFolder) {
    if (MoBaProfiles || MoBaLocoProtocols || MoBaSolenoidProtocols)
        throw std::logic_error("the client library is already initialised");
    MoBaProfiles = new TMoBaProfiles(workFolder);
    MoBaLocoProtocols = new TMoBaLocoProtocolList;
    MoBaSolenoidProtocols = new TMoBaSolenoidProtocolList;
    LoadDefaultProtocolSettings();
}

void MoBaLibraryFinalize() {
    delete MoBaLocoProtocols;
    MoBaLocoProtocols = nullptr;
    delete MoBaSolenoidProtocols;
    MoBaSolenoidProtocols = nullptr;
    delete MoBaProfiles;
    MoBaProfiles = nullptr;
}

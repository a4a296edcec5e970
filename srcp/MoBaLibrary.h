#pragma once

#include <string>

// Start and end of the client library, called by the program start and by tests (never by static
// constructors). Initialize creates MoBaProfiles (scanning workFolder for profiles), then
// MoBaLocoProtocols and MoBaSolenoidProtocols with the built-in protocols; Finalize frees the loco
// list, the solenoid list and the profile manager, in this order. Initialising twice without
// finalising raises std::logic_error; finalising twice does nothing.
void MoBaLibraryInitialize(const std::string& workFolder = ".");
void MoBaLibraryFinalize();

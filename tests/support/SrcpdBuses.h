#pragma once

#include <string>
#include <vector>

// The group lists of buses 0 to 8 as srcpd describes the layout that the program expects: the clock
// first, power and locos on 1 to 3 (and one more feedback on 1), accessories on 5 (Motorola) and
// 6 (NMRA), S88 feedback on 8.
inline const std::vector<std::string> NineBuses = {"SESSION SERVER TIME",
                                                   "POWER GL FB",
                                                   "POWER GL",
                                                   "POWER GL",
                                                   "POWER",
                                                   "POWER GA",
                                                   "POWER GA",
                                                   "POWER",
                                                   "POWER FB"};

// srcpd 2.1.3 in its usual configuration describes only its own bus 0 and the one bus of its
// command station.
inline const std::vector<std::string> TwoBuses(NineBuses.begin(), NineBuses.begin() + 2);

// What the user is told of a command that needs a position of the bus list beyond what the server
// described ("2 buses", "1 bus").
inline std::string missingEntry(const std::string& what, int position, const std::string& buses) {
    return what + " not sent to server: it needs position " + std::to_string(position) +
           " of the server's bus list, and the server described " + buses + ".";
}

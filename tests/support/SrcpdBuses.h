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

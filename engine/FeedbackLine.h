#pragma once

#include <string>

// The S88 feedback line of the "SRCP 0.73" transport, as the command and poll connections carry it:
// "INFO FB S88 17 1" (one contact) or "INFO FB S88 * 0110" (all contacts, the k-th "0" or "1" being
// absolute contact k).

// Module and contact of an absolute S88 contact number: 16 contacts per module, contact a is
// contact ((a-1) mod 16) + 1 of module ((a-1) div 16) + 1; 0 is contact 16 of module 0.
struct S88Contact {
    int Modul = 0;
    int Portnr = 0;
    bool operator==(const S88Contact&) const = default;
};
S88Contact s88Contact(int Nr);

// A line whose first 11 characters are "INFO FB S88" (case matters).
bool isFeedbackLine(const std::string& line);
// A feedback line of the all-contacts form: character 13 is "*".
bool isAllContactsLine(const std::string& line);

// The single-contact form: the absolute contact number and its value, or why the line is ignored
// (a contact that is not a number, a value other than 0 or 1, a missing value).
struct ContactReport {
    int contact = 0;
    int value = 0;
    const char* ignored = nullptr;
};
ContactReport parseContactLine(const std::string& line);

// The all-contacts form: the run whose k-th character stands for absolute contact k ("0" free,
// "1" occupied, anything else no report).
std::string contactRun(const std::string& line);

// One all-contacts line with the same effect on every contact as `older` followed by `newer`.
std::string mergeAllContactsLines(const std::string& older, const std::string& newer);

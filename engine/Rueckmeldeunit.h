#pragma once

#include <optional>
#include <string>

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

// S88 feedback evaluation for the plan's feedback detectors (kinds 65 and 87). Everything here runs
// on the GUI thread: it reads Postable and draws into Cache, Quarn_bitmap and the plan view.
class C_rueckmodul {
public:
    C_rueckmodul() = default;
    C_rueckmodul(const C_rueckmodul&) = delete;
    C_rueckmodul& operator=(const C_rueckmodul&) = delete;

    // A feedback line from the command or poll connection: character 13 selects the all-contacts
    // form ("*") or the single-contact form. A line too short to have it is ignored (a debug line
    // when Debug is set).
    void evaluateFeedbackLine(const std::string& line);

    // "INFO FB S88 17 1". A contact that is not a number, a value other than 0 or 1, or a missing
    // value is ignored (a debug line when Debug is set).
    void fbport_auswerten(const std::string& Infostring);
    // "INFO FB S88 * 0110": the k-th "0" or "1" is absolute contact k; other characters are
    // skipped but still count.
    void fball_auswerten(const std::string& Infostring);

    // Draws the first detector of the plan that carries contact Portnr (1..16) of module Modul in
    // state Rueckdat (0 free, 1 occupied). A value other than 0 or 1 names no icon file, and the
    // failed load raises BitmapFileError.
    void iconrefresh(int Modul, int Portnr, int Rueckdat);
    // Draws every detector of the plan free, configured or not; one that cannot be drawn is
    // skipped (a debug line when Debug is set).
    void iconreset();

    // Receives every line of the command connection that is not a feedback line; the result means
    // nothing.
    int parse(const std::string& Info);
};

extern C_rueckmodul* Rueckmodul;

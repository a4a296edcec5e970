#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/FeedbackLine.h"

class C_Position;
struct tPosEntry;

// S88 feedback evaluation for the plan's feedback detectors (kinds 65 and 87). Everything here runs
// on the GUI thread: it reads Postable and draws through Bahn->drawIcon into Cache, Quarn_bitmap and
// the plan view.
//
// The detectors are indexed by module and contact, rebuilt whenever Postable's generation says the
// plan changed (load, placement, deletion, address change), so that a line costs a look-up per
// reported contact and not a walk of the plan. A feedback line redraws only the detectors whose
// shown state it changes. Whatever else changes the plan bitmap or the plan view (the images' cache
// keys move on) may have covered a detector, so every detector then counts as unknown again and is
// drawn at its next report.
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
    // state Rueckdat (0 free, 1 occupied), whatever it showed before. A value other than 0 or 1
    // names no icon file, and the failed load raises BitmapFileError.
    void iconrefresh(int Modul, int Portnr, int Rueckdat);
    // Draws every detector of the plan free, configured or not; one that cannot be drawn is
    // skipped (a debug line when Debug is set).
    void iconreset();

    // Receives every line of the command connection that is not a feedback line; the result means
    // nothing.
    int parse(const std::string& Info);

private:
    struct Detector {
        const tPosEntry* entry = nullptr;
        int shown = -1; // the state it was last drawn in by a feedback line: 0, 1, or -1 unknown
    };

    // Brings the index up to date; false when there is no plan or nothing to draw with.
    bool syncIndex();
    // The cache keys of the two images, as they are now.
    void imageKeys(long long& bitmap, long long& view) const;
    void rebuildIndex();
    Detector* detectorFor(int Modul, int Portnr);
    // Draws the detector in state Rueckdat unless a feedback line already showed it so.
    void show(Detector& detector, int Rueckdat, bool evenIfShown);

    // The first detector of the plan for each (module, contact), in plan order.
    std::vector<Detector> m_detectors;
    std::unordered_map<std::int64_t, std::size_t> m_byContact;
    // The detectors an all-contacts line can reach (module from 1, contact 1..16), by their
    // absolute contact number, ascending.
    std::vector<std::pair<std::int64_t, std::size_t>> m_byAbsolute;
    const C_Position* m_indexedTable = nullptr;
    std::uint64_t m_indexedGeneration = 0;
    // The cache keys of the plan bitmap and the plan view after the last drawing of this object.
    long long m_bitmapKey = 0, m_viewKey = 0;
};

extern C_rueckmodul* Rueckmodul;

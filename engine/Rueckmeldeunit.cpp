#include "engine/Rueckmeldeunit.h"

#include <algorithm>
#include <stdexcept>

#include <QImage>

#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "engine/elementunit.h"
#include "platform/Cp1252.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/Paths.h"

C_rueckmodul* Rueckmodul = nullptr;

namespace {

constexpr std::size_t FormIndex = 12;

std::int64_t contactKey(int module, int contact) {
    return static_cast<std::int64_t>(module) << 32 | static_cast<std::uint32_t>(contact);
}

void debugLine(const std::string& utf8) {
    if (debugOn())
        MainForm->debugLine(utf8);
}

void ignoreLine(const std::string& line, const char* why) {
    debugLine(std::string("Feedback line ignored (") + why + "): " + cp1252ToUtf8(line));
}

// Loads the detector's icon for the suffix and draws it on the plan view and the plan bitmap.
// Raises BitmapFileError when the icon cannot be loaded.
void drawDetector(const tPosEntry& e, const char* suffix) {
    const std::string name = "Icon" + std::to_string(e.Enummer) + suffix;
    debugLine(name);
    Bahn->drawIcon(iconCache().load(dataFolder() + name), e.Posx, e.Posy, true);
}

} // namespace

void C_rueckmodul::evaluateFeedbackLine(const std::string& line) {
    if (!isFeedbackLine(line))
        return;
    if (line.size() <= FormIndex) {
        ignoreLine(line, "too short");
        return;
    }
    if (isAllContactsLine(line))
        fball_auswerten(line);
    else
        fbport_auswerten(line);
}

void C_rueckmodul::fbport_auswerten(const std::string& Infostring) {
    const ContactReport report = parseContactLine(Infostring);
    if (report.ignored) {
        ignoreLine(Infostring, report.ignored);
        return;
    }
    if (!syncIndex())
        return;
    const S88Contact c = s88Contact(report.contact);
    if (Detector* d = detectorFor(c.Modul, c.Portnr))
        show(*d, report.value, false);
}

void C_rueckmodul::fball_auswerten(const std::string& Infostring) {
    // A run may be as long as a line (64 KiB): only the contacts that some detector carries are
    // looked at, in the order of the run.
    const std::string run = contactRun(Infostring);
    if (!syncIndex())
        return;
    for (const auto& [contact, index] : m_byAbsolute) {
        if (contact > static_cast<std::int64_t>(run.size()))
            break;
        const char ch = run[static_cast<std::size_t>(contact - 1)];
        if (ch == '0' || ch == '1')
            show(m_detectors[index], ch - '0', false);
    }
}

void C_rueckmodul::iconrefresh(int Modul, int Portnr, int Rueckdat) {
    QUARN_ASSERT_MAIN_THREAD();
    if (!syncIndex())
        return;
    if (Detector* d = detectorFor(Modul, Portnr))
        show(*d, Rueckdat, true);
}

void C_rueckmodul::iconreset() {
    if (!MainForm || !Postable || !Bahn)
        return;
    for (const auto& e : Postable->entries()) {
        if (!isDetectorKind(e->Enummer))
            continue;
        try {
            drawDetector(*e, "01.bmp");
        } catch (const std::exception&) {
            debugLine("Es wurde eine Exception im Modul !Rueckmodul! ausgelöst");
        }
    }
}

int C_rueckmodul::parse(const std::string&) {
    return 0;
}

bool C_rueckmodul::syncIndex() {
    if (!MainForm || !Postable || !Bahn)
        return false;
    if (m_indexedTable != Postable || m_indexedGeneration != Postable->generation()) {
        rebuildIndex();
    } else {
        long long bitmap = 0, view = 0;
        imageKeys(bitmap, view);
        if (bitmap != m_bitmapKey || view != m_viewKey) {
            // Something else was drawn; it may have covered a detector.
            for (Detector& d : m_detectors)
                d.shown = -1;
            m_bitmapKey = bitmap;
            m_viewKey = view;
        }
    }
    return true;
}

void C_rueckmodul::imageKeys(long long& bitmap, long long& view) const {
    bitmap = MainForm->Quarn_bitmap ? MainForm->Quarn_bitmap->cacheKey() : 0;
    view = MainForm->paintBoxImage(PaintBox::Quarn).image().cacheKey();
}

void C_rueckmodul::rebuildIndex() {
    m_detectors.clear();
    m_byContact.clear();
    m_byAbsolute.clear();
    for (const auto& e : Postable->entries()) {
        if (!isDetectorKind(e->Enummer) || e->Daten1 <= 0)
            continue;
        // Two detectors on one contact: only the first in the plan ever changes.
        if (!m_byContact.try_emplace(contactKey(e->Decod1, e->Daten1), m_detectors.size()).second)
            continue;
        if (e->Decod1 >= 1 && e->Daten1 <= 16)
            m_byAbsolute.emplace_back((static_cast<std::int64_t>(e->Decod1) - 1) * 16 + e->Daten1,
                                      m_detectors.size());
        m_detectors.push_back(Detector{e.get(), -1});
    }
    std::sort(m_byAbsolute.begin(), m_byAbsolute.end());
    m_indexedTable = Postable;
    m_indexedGeneration = Postable->generation();
    imageKeys(m_bitmapKey, m_viewKey);
}

C_rueckmodul::Detector* C_rueckmodul::detectorFor(int Modul, int Portnr) {
    const auto it = m_byContact.find(contactKey(Modul, Portnr));
    return it == m_byContact.end() ? nullptr : &m_detectors[it->second];
}

void C_rueckmodul::show(Detector& detector, int Rueckdat, bool evenIfShown) {
    if (!evenIfShown && detector.shown == Rueckdat)
        return;
    drawDetector(*detector.entry, Rueckdat == 0 ? "01.bmp" : Rueckdat == 1 ? "02.bmp" : "");
    detector.shown = Rueckdat;
    imageKeys(m_bitmapKey, m_viewKey);
}

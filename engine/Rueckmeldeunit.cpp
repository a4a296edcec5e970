#include "engine/Rueckmeldeunit.h"
#include "engine/elementunit.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <stdexcept>
#include <unordered_set>

#include <QImage>

#include "engine/Bahncalcunit.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/Positionunit.h"
#include "platform/Cp1252.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/qt/PaintBoxImage.h"

C_rueckmodul* Rueckmodul = nullptr;

namespace {

constexpr const char* FeedbackPrefix = "INFO FB S88";
constexpr std::size_t FeedbackPrefixLength = 11;
// Character 13 of a feedback line tells the two forms apart.
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

// Blanks and control characters off both ends.
std::string trimmed(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    return text.substr(first, last - first);
}

std::optional<int> toInt(const std::string& text) {
    return parseDecimalInt(text);
}

int clampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

TRect cellAt(std::int64_t x, std::int64_t y) {
    return TRect{clampToInt(x), clampToInt(y), clampToInt(x + CellSize), clampToInt(y + CellSize)};
}

// Loads the detector's icon into Cache and copies it onto the plan view (shifted by the scroll
// offsets) and onto the plan bitmap. Raises BitmapFileError when the icon cannot be loaded.
void drawDetector(const tPosEntry& e, const std::string& suffix) {
    TMainFormState& f = *MainForm;
    const std::string name = "Icon" + std::to_string(e.Enummer) + suffix;
    debugLine(name);
    QImage icon = iconCache().load(dataFolder() + name);
    if (!f.Cache)
        f.Cache = std::make_unique<QImage>();
    *f.Cache = std::move(icon);

    f.Source_rect = TRect{0, 0, CellSize, CellSize};
    f.Dest_rect = cellAt(static_cast<std::int64_t>(e.Posx) - f.Hpos_alt,
                         static_cast<std::int64_t>(e.Posy) - f.Vpos_alt);
    f.paintBoxImage(PaintBox::Quarn).copyFrom(*f.Cache, f.Source_rect, f.Dest_rect);
    f.Dest_rect = cellAt(e.Posx, e.Posy);
    if (f.Quarn_bitmap)
        copyRect(*f.Quarn_bitmap, f.Dest_rect, *f.Cache, f.Source_rect);
}

} // namespace

S88Contact s88Contact(int Nr) {
    S88Contact c;
    c.Portnr = Nr % 16;
    c.Modul = Nr / 16 + 1;
    if (c.Portnr == 0) {
        c.Portnr = 16;
        if (c.Modul > 0)
            --c.Modul;
    }
    return c;
}

bool isFeedbackLine(const std::string& line) {
    return line.compare(0, FeedbackPrefixLength, FeedbackPrefix) == 0;
}

void C_rueckmodul::evaluateFeedbackLine(const std::string& line) {
    if (!isFeedbackLine(line))
        return;
    if (line.size() <= FormIndex) {
        ignoreLine(line, "too short");
        return;
    }
    if (line[FormIndex] == '*')
        fball_auswerten(line);
    else
        fbport_auswerten(line);
}

void C_rueckmodul::fbport_auswerten(const std::string& Infostring) {
    const std::string text = Infostring.size() > 12 ? trimmed(Infostring.substr(12)) : std::string();
    const std::size_t blank = text.find(' ');
    if (blank == std::string::npos) {
        ignoreLine(Infostring, "no value");
        return;
    }
    const std::optional<int> nr = toInt(text.substr(0, blank));
    const std::optional<int> value = toInt(text.substr(blank + 1));
    if (!nr) {
        ignoreLine(Infostring, "contact is not a number");
        return;
    }
    if (!value || (*value != 0 && *value != 1)) {
        ignoreLine(Infostring, "value is not 0 or 1");
        return;
    }
    const S88Contact c = s88Contact(*nr);
    iconrefresh(c.Modul, c.Portnr, *value);
}

void C_rueckmodul::fball_auswerten(const std::string& Infostring) {
    const std::string text = Infostring.size() > 14 ? trimmed(Infostring.substr(14)) : std::string();
    // A run may be as long as a line (64 KiB); only contacts that some detector carries are looked
    // up, so a long run costs one walk of the plan and not one per contact.
    std::unordered_set<std::int64_t> carried;
    const int count = Postable ? Postable->getNumbofEntries() : 0;
    for (int i = 0; i < count; ++i) {
        const tPosEntry* e = Postable->getEntryByNum(i);
        if (e && isDetectorKind(e->Enummer) && e->Daten1 > 0)
            carried.insert(contactKey(e->Decod1, e->Daten1));
    }
    for (std::size_t k = 1; k <= text.size(); ++k) {
        const char ch = text[k - 1];
        if (ch != '0' && ch != '1')
            continue;
        const S88Contact c = s88Contact(static_cast<int>(k));
        if (carried.count(contactKey(c.Modul, c.Portnr)))
            iconrefresh(c.Modul, c.Portnr, ch - '0');
    }
}

void C_rueckmodul::iconrefresh(int Modul, int Portnr, int Rueckdat) {
    QUARN_ASSERT_MAIN_THREAD();
    if (!MainForm || !Postable)
        return;
    const int count = Postable->getNumbofEntries();
    for (int i = 0; i < count; ++i) {
        const tPosEntry* e = Postable->getEntryByNum(i);
        if (!e || !isDetectorKind(e->Enummer) || e->Daten1 <= 0 || e->Daten1 != Portnr || e->Decod1 != Modul)
            continue;
        const char* suffix = Rueckdat == 0 ? "01.bmp" : Rueckdat == 1 ? "02.bmp" : "";
        drawDetector(*e, suffix);
        return;
    }
}

void C_rueckmodul::iconreset() {
    if (!MainForm || !Postable)
        return;
    const int count = Postable->getNumbofEntries();
    for (int i = 0; i < count; ++i) {
        const tPosEntry* e = Postable->getEntryByNum(i);
        if (!e || !isDetectorKind(e->Enummer))
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

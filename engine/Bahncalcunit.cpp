#include "engine/Bahncalcunit.h"

#include <filesystem>

#include <QPainter>

#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/PlanFile.h"
#include "engine/Positionunit.h"
#include "engine/SettingsFile.h"
#include "engine/elementunit.h"
#include "engine/lokunit.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "platform/qt/Colors.h"
#include "platform/qt/PaintBoxImage.h"
#include "platform/qt/QtText.h"

Cbahn* Bahn = nullptr;

namespace {

constexpr const char* SettingsFileName = "parmc.dat";
constexpr const char* CatalogueFile = "data\\Elemente1.dat";

std::string settingsPath() {
    return resolvePath(dataFolder() + SettingsFileName);
}

} // namespace

std::string Cbahn::getDataPath() const {
    std::string path = resolvePath(dataFolder());
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string Cbahn::getLayoutPath() const {
    std::string path = resolvePath(layoutFolder());
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

void Cbahn::quarngraufaerben() {
    QImage* bitmap = form().Quarn_bitmap.get();
    if (!bitmap || bitmap->isNull())
        return;
    bitmap->fill(colorFromTColor(clSilver));
}

void Cbahn::elementeladen() {
    TMainFormState& f = form();
    f.setBusyCursor(true);
    struct CursorBack {
        TMainFormState& form;
        ~CursorBack() { form.setBusyCursor(false); }
    } cursorBack{f};

    if (f.Design_Panel_bitmap && !f.Design_Panel_bitmap->isNull()) {
        QPainter painter(f.Design_Panel_bitmap.get());
        painter.fillRect(0, 0, f.Panelbreite, f.Panelhoehe, colorFromTColor(f.Dunkelrot));
    }

    if (!Element)
        throw std::logic_error("the element catalogue does not exist");
    const std::string catalogueFile = resolvePath(f.WorkDir + CatalogueFile);
    const std::vector<TElementEntry> catalogue =
        parseCatalogueFile(readWholeFile(catalogueFile, MaxTextFileBytes), catalogueFile);
    for (int i = 0; i < NROFELEMENTS; ++i)
        *Element->entry(i) = catalogue[static_cast<std::size_t>(i)];
    f.El_geladen = true;

    const std::string dataPath = getDataPath();
    PaintBoxImage& preview = f.paintBoxImage(PaintBox::Hilfsbild1);
    for (int i = 0; i < NROFELEMENTS; ++i) {
        QImage icon = loadBitmapFile(resolvePath(dataPath + Element->get_i01(i)));
        if (f.Cache)
            *f.Cache = icon;
        // Each icon as it is: track joins across cells, so the palette cell, the symbol placed from
        // it and the icon drawn from its file must be the same pixels.
        f.Source_rect = TRect{0, 0, 27, 27};
        f.Dest_rect = TRect{Element->get_posx(i), Element->get_posy(i), Element->get_posx(i) + 27,
                            Element->get_posy(i) + 27};
        if (f.Design_Panel_bitmap)
            copyRect(*f.Design_Panel_bitmap, f.Dest_rect, icon, f.Source_rect);
        f.Dest_rect = TRect{0, 0, 27, 27};
        preview.copyFrom(icon, f.Source_rect, f.Dest_rect);
    }
}

void Cbahn::parameterladen() {
    TMainFormState& f = form();
    if (!Lok)
        throw std::logic_error("the loco table does not exist");
    const std::string path = settingsPath();
    readSettingsFile(TextReader(path), f, *Lok);
}

void Cbahn::parameterspeichern() {
    TMainFormState& f = form();
    if (!Lok)
        throw std::logic_error("the loco table does not exist");

    const std::string path = settingsPath();
    if (!m_heldSettingsFile.empty() && m_heldSettingsFile == path)
        throw TextFileError("The settings are not saved: " + path +
                            " is damaged and could not be moved aside, so it is not written over. Make "
                            "room for a backup beside it and start Quarn again.");
    const std::string folder = getDataPath();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw TextFileError("Cannot create the folder \"" + folder + "\": " + error.message());

    TextWriter w(path);
    writeSettingsFile(w, f, *Lok);
    w.commit();
}

std::optional<std::string> Cbahn::keepBadSettingsFile() {
    const std::string path = settingsPath();
    if (nothingStandsAt(path))
        return std::nullopt;
    try {
        // The backups have their own fixed name, whatever letter case the settings file was found in.
        return keepAside(path, getDataPath() + SettingsFileName);
    } catch (const TextFileError&) {
        m_heldSettingsFile = path;
        throw;
    }
}

FontLine fontLineOf(const ColoredFont& font) {
    FontLine line;
    line.name = toCp1252(font.family());
    line.size = font.lineSize();
    line.bold = font.bold();
    line.italic = font.italic();
    line.underline = font.underline();
    line.strikeOut = font.strikeOut();
    line.color = font.Color;
    return line;
}

void applyFontLine(const FontLine& line, ColoredFont& font) {
    font.setFamily(fromCp1252(line.name));
    font.setLineSize(line.size);
    font.setBold(line.bold);
    font.setItalic(line.italic);
    font.setUnderline(line.underline);
    font.setStrikeOut(line.strikeOut);
    font.Color = line.color;
}

void Cbahn::FontToString(const ColoredFont& font, std::string& s) const {
    s = formatFontLine(fontLineOf(font));
}

void Cbahn::StringToFont(const std::string& s, ColoredFont& font) const {
    applyFontLine(parseFontLine(s), font);
}

void Cbahn::EmptyQuarnlist() {
    // The move list only refers to plan entries; none of them may outlive the table.
    if (MainForm && MainForm->Movelist)
        MainForm->Movelist->clear();
    if (Postable)
        Postable->EmptyQuarnList();
}

void Cbahn::EmptyTextlist() {
    if (!MainForm || !MainForm->Textliste)
        return;
    TTextList& list = *MainForm->Textliste;
    MainForm->Movelabel = nullptr;
    while (!list.empty())
        list.pop_back();
    MainForm->Movelabel = nullptr;
}

void Cbahn::EmptyMovelist() {
    if (MainForm && MainForm->Movelist)
        MainForm->Movelist->clear();
}

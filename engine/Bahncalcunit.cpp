#include "engine/Bahncalcunit.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include <QPainter>

#include "engine/MainFormState.h"
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

// The path is taken as the bytes it is on disk, so that no name is changed by a text conversion.
QImage loadBitmap(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QImage image;
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
        !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size())))
        throw BitmapFileError("Cannot open file \"" + path + "\"");
    return image.convertToFormat(QImage::Format_RGB32);
}

// The settings file has a fixed number of lines; one that ends before them is broken, not short.
class SettingsReader {
public:
    explicit SettingsReader(const std::string& path) : m_path(path), m_reader(path) {}

    int readInt() {
        checkMore();
        return m_reader.readInt();
    }
    std::string readString() {
        checkMore();
        return m_reader.readString();
    }

private:
    void checkMore() const {
        if (m_reader.atEnd())
            throw TextFileError("The settings file \"" + m_path + "\" ends before line " +
                                std::to_string(SettingsFileLines));
    }

    std::string m_path;
    TextReader m_reader;
};

std::string settingsPath() {
    return resolvePath(dataFolder() + SettingsFileName);
}

bool parseInt(const std::string& text, int& value) {
    const std::optional<int32_t> parsed = parseDecimalInt(text);
    if (parsed)
        value = *parsed;
    return parsed.has_value();
}

[[noreturn]] void invalidInteger(const std::string& text) {
    throw ConversionError("'" + text + "' is not a valid integer value");
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
    TextReader reader(resolvePath(f.WorkDir + CatalogueFile));
    for (int i = 0; i < NROFELEMENTS; ++i) {
        Element->set_nummer(i, reader.readInt());
        Element->set_name(i, reader.readString());
        Element->set_posx(i, reader.readInt());
        Element->set_posy(i, reader.readInt());
        Element->set_art(i, reader.readInt());
        Element->set_vektor(i, reader.readInt());
        Element->set_i01(i, reader.readString());
        Element->set_i02(i, reader.readString());
        Element->set_i03(i, reader.readString());
        Element->set_i11(i, reader.readString());
        Element->set_i12(i, reader.readString());
        Element->set_i13(i, reader.readString());
    }
    f.El_geladen = true;

    const std::string dataPath = getDataPath();
    PaintBoxImage& preview = f.paintBoxImage(PaintBox::Hilfsbild1);
    for (int i = 0; i < NROFELEMENTS; ++i) {
        QImage icon = loadBitmap(resolvePath(dataPath + Element->get_i01(i)));
        if (f.Cache)
            *f.Cache = icon;
        // The icon's first row and column are left out and the rest stretched over the cell.
        f.Source_rect = TRect{1, 1, 27, 27};
        f.Dest_rect = TRect{Element->get_posx(i), Element->get_posy(i), Element->get_posx(i) + 27,
                            Element->get_posy(i) + 27};
        if (f.Design_Panel_bitmap)
            copyRect(*f.Design_Panel_bitmap, f.Dest_rect, icon, f.Source_rect);
        f.Dest_rect = TRect{1, 1, 27, 27};
        preview.copyFrom(icon, f.Source_rect, f.Dest_rect);
    }
}

void Cbahn::parameterladen() {
    TMainFormState& f = form();
    if (!Lok)
        throw std::logic_error("the loco table does not exist");
    SettingsReader r(settingsPath());

    f.Ipport = r.readInt();
    f.Iphostchar = r.readString();
    f.Infoport_an = r.readInt();
    f.SrcpVer = r.readInt();
    const int lang = r.readInt();
    f.Lang_id = lang >= 1 && lang <= 7 ? lang : 1;
    f.Joy_Mode = r.readInt();
    f.Showassist = r.readInt();
    f.Monitorpower = r.readInt();
    f.Autopower = r.readInt();
    f.BusGlMM = r.readInt();
    f.BusGlNMRA_S = r.readInt();
    f.BusGlNMRA_L = r.readInt();
    f.BusGaMM = r.readInt();
    f.BusGaNMRA = r.readInt();
    f.BusS88 = r.readInt();
    f.Buspower = r.readInt();

    for (int slot = 0; slot < LOKMAX; ++slot) {
        Lok->set_protocol(slot, r.readString());
        const int protType = r.readInt();
        if (protType >= 0 && protType <= 7)
            Lok->set_protocolbase(slot, static_cast<std::uint8_t>(protType));
        Lok->set_protversion(slot, r.readInt());
        Lok->set_name(slot, r.readString());
        Lok->set_addr(slot, r.readInt());
        Lok->set_Busnr(slot, r.readInt());
        Lok->set_direction(slot, r.readInt());
        Lok->set_speed(slot, r.readInt());
        Lok->set_speedmax(slot, r.readInt());
        Lok->set_nrof(slot, r.readInt());
        TLokFunctions functions{};
        for (int fn = 0; fn <= 31; ++fn) {
            int value = r.readInt();
            // A function saved while on comes up off.
            if (value > 10)
                value -= 10;
            functions[static_cast<std::size_t>(fn)] = static_cast<std::uint8_t>(value);
        }
        Lok->set_F(slot, functions);
        Lok->set_jb1(slot, r.readInt());
        Lok->set_jb2(slot, r.readInt());
        Lok->set_jb3(slot, r.readInt());
        Lok->set_jb4(slot, r.readInt());
        Lok->set_jb1func(slot, r.readString());
        Lok->set_jb2func(slot, r.readString());
        Lok->set_jb3func(slot, r.readString());
        Lok->set_jb4func(slot, r.readString());
    }
}

void Cbahn::parameterspeichern() {
    TMainFormState& f = form();
    if (!Lok)
        throw std::logic_error("the loco table does not exist");

    const std::string folder = getDataPath();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw TextFileError("Cannot create the folder \"" + folder + "\": " + error.message());

    TextWriter w(settingsPath());
    w.writeInt(f.Ipport);
    w.writeString(f.Iphostchar);
    w.writeInt(f.Infoport_an);
    w.writeInt(f.SrcpVer);
    w.writeInt(f.Lang_id);
    w.writeInt(f.Joy_Mode);
    w.writeInt(f.Showassist);
    w.writeInt(f.Monitorpower);
    w.writeInt(f.Autopower);
    w.writeInt(f.BusGlMM);
    w.writeInt(f.BusGlNMRA_S);
    w.writeInt(f.BusGlNMRA_L);
    w.writeInt(f.BusGaMM);
    w.writeInt(f.BusGaNMRA);
    w.writeInt(f.BusS88);
    w.writeInt(f.Buspower);

    for (int slot = 0; slot < LOKMAX; ++slot) {
        w.writeString(Lok->get_protocol(slot));
        w.writeInt(Lok->get_protocolbase(slot));
        w.writeInt(Lok->get_protvers(slot));
        w.writeString(Lok->get_name(slot));
        w.writeInt(Lok->get_addr(slot));
        w.writeInt(Lok->get_busnr(slot));
        w.writeInt(Lok->get_direction(slot));
        w.writeInt(Lok->get_speed(slot));
        w.writeInt(Lok->get_speedmax(slot));
        w.writeInt(Lok->get_nrof(slot));
        TLokFunctions functions{};
        Lok->get_F(slot, functions);
        for (int fn = 0; fn <= 31; ++fn)
            w.writeInt(functions[static_cast<std::size_t>(fn)]);
        w.writeInt(Lok->get_jb1(slot));
        w.writeInt(Lok->get_jb2(slot));
        w.writeInt(Lok->get_jb3(slot));
        w.writeInt(Lok->get_jb4(slot));
        w.writeString(Lok->get_jb1func(slot));
        w.writeString(Lok->get_jb2func(slot));
        w.writeString(Lok->get_jb3func(slot));
        w.writeString(Lok->get_jb4func(slot));
    }
    w.commit();
}

bool Cbahn::keepBadSettingsFile() {
    const std::string path = settingsPath();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    // The backup has its own fixed name, whatever letter case the settings file was found in.
    std::filesystem::rename(path, resolvePath(getDataPath() + SettingsFileName + ".bak"), error);
    return !error;
}

void Cbahn::FontToString(const ColoredFont& font, std::string& s) const {
    int size = font.pointSize();
    if (size <= 0 && font.pixelSize() > 0)
        size = font.pixelSize() * 72 / 96;
    char style[5] = {font.bold() ? '1' : '0', font.italic() ? '1' : '0', font.underline() ? '1' : '0',
                     font.strikeOut() ? '1' : '0', '\0'};
    s = toCp1252(font.family()) + "," + std::to_string(size) + "," + style + "," + ColorToString(font.Color);
}

void Cbahn::StringToFont(const std::string& s, ColoredFont& font) const {
    // Read from the right, so that a font name may itself hold a comma.
    const auto invalid = [] { throw ConversionError("Invalid string to font conversion"); };
    const std::size_t colorComma = s.rfind(',');
    if (colorComma == std::string::npos || colorComma < 5 || s[colorComma - 5] != ',')
        invalid();
    const std::size_t styleComma = colorComma - 5;
    if (styleComma == 0)
        invalid();
    const std::size_t sizeComma = s.rfind(',', styleComma - 1);
    if (sizeComma == std::string::npos)
        invalid();

    const std::string name = s.substr(0, sizeComma);
    const std::string sizeText = s.substr(sizeComma + 1, styleComma - sizeComma - 1);
    const std::string style = s.substr(styleComma + 1, 4);
    // Read from the left, the style ends at the first comma after the size; one inside it is an error.
    if (style.find(',') != std::string::npos)
        invalid();
    const std::string colorText = s.substr(colorComma + 1);

    int size = 0;
    if (!parseInt(sizeText, size))
        invalidInteger(sizeText);
    TColor color = 0;
    if (!StringToColor(colorText, color))
        invalidInteger(colorText);

    font.setFamily(fromCp1252(name));
    if (size > 0)
        font.setPointSize(size);
    font.setBold(style[0] == '1');
    font.setItalic(style[1] == '1');
    font.setUnderline(style[2] == '1');
    font.setStrikeOut(style[3] == '1');
    font.Color = color;
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

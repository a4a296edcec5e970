#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <QImage>

#include "engine/ColoredFont.h"
#include "engine/FontLine.h"
#include "engine/PlanFile.h"

struct TTextEntry;

// A bitmap file that is missing or cannot be read.
class BitmapFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A plan file read and checked in full, with the font of every label and the icon of every element
// it keeps: applying it can no longer fail on the file.
struct PlanFileLoad {
    std::string path;
    PlanFileContents contents;
    std::vector<std::unique_ptr<ColoredFont>> fonts; // one per label
    std::vector<QImage> icons;                       // one per entry; null for a kind it does not draw
};

// The plan service: icons, commands and every data file of the program. All of it runs on the
// GUI thread and works on the main window's fields and the global tables.
class Cbahn {
public:
    Cbahn() = default;
    Cbahn(const Cbahn&) = delete;
    Cbahn& operator=(const Cbahn&) = delete;

    // Folders of the data files, with a trailing separator.
    std::string getDataPath() const;
    std::string getLayoutPath() const;

    // Paints the whole plan bitmap in the plan's grey.
    void quarngraufaerben();

    // Reads the element catalogue into Element and draws the palette image.
    // Throws TextFileError or BitmapFileError; what was read before stays.
    void elementeladen();

    // Reads the settings file into the main window's fields and the loco table. Throws
    // TextFileError when the file is missing, malformed or ends early; what was read before stays.
    void parameterladen();
    // Writes the settings file from the current values; on failure the old file stays and
    // TextFileError is thrown. A damaged settings file that keepBadSettingsFile could not move aside
    // is not written over: every save fails then.
    void parameterspeichern();
    // Keeps an unreadable settings file before it is written anew: whatever stands under its name
    // (also a pipe, a link or a folder) goes to the first free name of "parmc.dat.bak", ".bak1", ...
    // (keepAside), never over an older backup. Returns that name, or nothing when there was no file.
    // Throws TextFileError when it could not be moved; the file is then kept from every later save.
    std::optional<std::string> keepBadSettingsFile();

    // The font line "name,size,BIUS,colour" of a label font, and back. StringToFont throws
    // ConversionError for a malformed line and leaves the font unchanged then. A size of 0 or
    // below is kept for the line, while the font is drawn at the size it had.
    void FontToString(const ColoredFont& font, std::string& s) const;
    void StringToFont(const std::string& s, ColoredFont& font) const;

    void EmptyQuarnlist();
    void EmptyTextlist();
    void EmptyMovelist();

    // Plan drawing and list operations. Positions are plan pixels; the view shows the plan
    // shifted by (Hpos_alt, Vpos_alt).

    // "Icon" + kind as two digits + "01.bmp".."03.bmp" or "11.bmp".."13.bmp"; a state below 1
    // counts as 1, any other state gets no suffix (and so names no bitmap).
    static std::string iconFileName(int kind, int state);
    // Draws kind Compnr (1..88; others draw nothing) in state Compstellung at (X1wert, Y1wert) on
    // the view and the plan bitmap. Throws BitmapFileError when the icon cannot be loaded.
    void changeicon(int Compstellung, int X1wert, int Y1wert, int Compnr);
    // The same on the view only; a state above 13 counts as 1, and an icon that cannot be loaded
    // goes to showerror instead of the caller.
    void change_2_icon(int Compstellung, int X1wert, int Y1wert, int Compnr);
    // The kind whose palette cell starts exactly at (Pp_x, Pp_y), the last of several; 0 for none.
    int compsuchen(int Pp_x, int Pp_y) const;
    // Fills the decoder panel for the plan element of kind El_nr at (Fposx, Fposy). Throws
    // BitmapFileError when one of the kind's icons cannot be loaded.
    void decodpaneldarstellen(int El_nr, int Fposx, int Fposy);
    // Fill the scratch bitmaps Cache and Undo with Grau.
    void deletecache();
    void deleteundo();
    // Removes the first plan entry at the position (and its place in Movelist); true when one was.
    bool deletecompfromlist(int xMaus, int yMaus);
    // Removes the first text label at (x, y); true when one was removed.
    bool deletefromTextlist(int x, int y);
    // Appends a new plan entry of kind Element_nr at (Mausx, Mausy) numbered Anzahl.
    void Quarnliste_eintragen(int Mausx, int Mausy, int Element_nr);
    // Puts icon into Cache and copies it onto the view at (X1wert, Y1wert) less the scroll offsets
    // and, with onBitmap, onto the plan bitmap at (X1wert, Y1wert). Positions far off the images
    // (a plan file may hold any int) are clamped on the way, so no corner overflows.
    void drawIcon(const QImage& icon, int X1wert, int Y1wert, bool onBitmap);

    // Kind and number of the plan entry at (x, y) (the last there); 0 when there is none.
    int poslistsuchen(int x, int y) const;
    int poslistsuchen2(int x, int y) const;
    // The start of the grid cell that holds Xy_wert (27 pixels, truncating toward zero).
    static int sollkoord(int Xy_wert);
    // Kept for the operating code's trace; draws and changes nothing.
    void anzeigen(int Fs);

    // Track plans and routes.

    // Appends the plan file GPfad + Gname to Postable and Textliste (the caller empties them) and
    // draws it, switching the stored accessory states; Anzahl becomes the file's element count: the
    // two halves below in a row.
    void gleisbildladen(const std::string& Gname, const std::string& GPfad);
    // The reading half: the plan file GPfad + Gname, the fonts of its labels and the icons of its
    // elements. Records of a kind below 1 or at a negative position are dropped; a kind above the
    // catalogue is kept but gets no icon; a state that names no icon is drawn as state 1. Throws
    // TextFileError, ConversionError or BitmapFileError and changes nothing.
    PlanFileLoad readPlanFile(const std::string& Gname, const std::string& GPfad) const;
    // The applying half: appends, switches and draws what readPlanFile read. A switch command that
    // cannot be sent stops the switching but not the load; its error is raised once the whole plan is
    // in. The progress display is hidden however it ends.
    void applyPlanFile(PlanFileLoad plan);
    // Writes Postable and Textliste to Gpfad + Gname; on failure the old file stays and
    // TextFileError is thrown.
    void gleisbildspeichern(const std::string& Gname, const std::string& Gpfad);
    // The route file of the current plan: getLayoutPath + DateinameohneEndung + ".dat".
    std::string routeFilePath() const;
    // The route file of the plan whose name without extension is planName.
    std::string routeFilePath(const std::string& planName) const;
    // Writes the route table to the route file. Throws TextFileError, writing nothing, when that is
    // the held route file (holdRouteFile).
    void fahrspeichern();
    // Empties the route table (and the route-button flags), then reads the route file back when
    // it exists. A broken file leaves the table empty and throws TextFileError.
    void fahrladen();
    // The route file of the plan named planName (without extension), read and checked; no routes
    // when there is no such file. Throws TextFileError for a broken one, one that cannot be reached
    // and a folder or other non-file in its place, and changes nothing.
    RouteFileContents readRouteFile(const std::string& planName) const;
    // Moves whatever stands at the route file of plan planName, which readRouteFile refused, to the
    // first free name of "<route file>.bak", ".bak1", ... (keepAside), so that the next route save
    // writes over nothing. Returns that name; "" when nothing stands there. Throws TextFileError when
    // it cannot be moved.
    std::string keepBadRouteFile(const std::string& planName);
    // The route file of plan planName stays as it is: a damaged one that could not be moved aside.
    // fahrspeichern and checkRouteFileWritable refuse it until the next holdRouteFile or
    // releaseRouteFile (the next plan opened). A plan made anew under its name does not release it.
    void holdRouteFile(const std::string& planName);
    void releaseRouteFile() { m_heldRouteFile.clear(); }
    // Throws TextFileError naming the route file of plan planName when it is held; a plan save that
    // would leave the plan and its routes apart is refused with it.
    void checkRouteFileWritable(const std::string& planName) const;
    // The route table becomes routes; every route button goes off.
    void useRoutes(const RouteFileContents& routes);

    // Command output over the "SRCP 0.73" connection
    // Switches one accessory output as a pulse: on, SolTime ms, off, all under Lock_socket. Outputs
    // outside 1..8 mean "no output" and send nothing. A failing write is raised after the lock has
    // been released.
    void ga_out(const std::string& Protokoll, int Dekod, int Dat);
    // Sends the whole state of loco slot Loknummer (0..9) in one line under Lock_socket.
    void gl_out(int Loknummer);
    // Waits Zeit ms on the main window's high-resolution timer.
    void pause(std::uint16_t Zeit);
    // Receives each line of the info connection and does nothing with it.
    void parse(const std::string& line);

private:
    // Damaged files that could not be moved aside and so must not be written over; empty for none.
    std::string m_heldSettingsFile;
    std::string m_heldRouteFile;
};

extern Cbahn* Bahn;

// A label font's fields as its font line holds them (the name as Windows-1252 bytes), and back:
// the one place where a font and its line meet, for the plan files and the font dialog alike.
FontLine fontLineOf(const ColoredFont& font);
void applyFontLine(const FontLine& line, ColoredFont& font);

#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class ColoredFont;

// A text that does not convert: a malformed font line, a size or colour that is not a number.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A bitmap file that is missing or cannot be read.
class BitmapFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
    // TextFileError is thrown.
    void parameterspeichern();
    // Keeps an unreadable settings file as "parmc.dat.bak" before it is written anew. Returns
    // false when there was nothing to move or it could not be moved.
    bool keepBadSettingsFile();

    // The font line "name,size,BIUS,colour" of a label font, and back. StringToFont throws
    // ConversionError for a malformed line and leaves the font unchanged then.
    void FontToString(const ColoredFont& font, std::string& s) const;
    void StringToFont(const std::string& s, ColoredFont& font) const;

    void EmptyQuarnlist();
    void EmptyTextlist();
    void EmptyMovelist();

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
};

extern Cbahn* Bahn;

inline constexpr int SettingsFileLines = 516;

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QImage>

#include "engine/Positionunit.h"
#include "engine/SettingsFile.h"
#include "platform/qt/PaintBoxImage.h"

class LineConnection;
class TMoBaSRCPClient;
class THighResTimer;

// Route-button flags by route number. The route counter has no upper bound, so the flags grow with
// it; a number never set reads false and a negative number is ignored.
class RouteButtonFlags {
public:
    // Only the routes that are on are stored: route numbers come from plan files and are unbounded,
    // and a flag array grown to such a number could take hundreds of megabytes.
    bool operator[](int route) const { return m_on.count(route) != 0; }
    void set(int route, bool on) {
        if (route < 0)
            return;
        if (on)
            m_on.insert(route);
        else
            m_on.erase(route);
    }
    void clearAll() { m_on.clear(); }
    std::size_t countOn() const { return m_on.size(); }

private:
    std::set<int> m_on;
};

// The paint boxes of the main window that the engine draws into.
enum class PaintBox {
    Quarn,        // the visible part of the track plan
    Design_Panel, // the element palette
    Hilfsbild1,   // 27 x 27 preview of the picked palette symbol
};

// What the decoder panel shows for one plan element. An image left empty keeps the picture the
// panel had before.
struct DecoderPanelData {
    int compId = 0;
    std::array<int, 3> decod{};
    std::array<int, 3> daten{};
    int protoIndex = 0; // 0 "M", 1 "N"
    std::array<std::optional<QImage>, 3> images;
};

// The program's run-time state as plain fields of the main window. The window (ui/) derives from
// this and implements the operations the engine needs from it; engine tests use a fake.
// Strings are Windows-1252 byte strings unless a comment says otherwise. The fields that the
// settings file holds come from TSettingsFields.
class TMainFormState : public TSettingsFields {
public:
    TMainFormState() = default;
    virtual ~TMainFormState() = default;
    TMainFormState(const TMainFormState&) = delete;
    TMainFormState& operator=(const TMainFormState&) = delete;

    // ---- operations the engine asks of the window (GUI thread) ----

    // One line for the debug window's memo (UTF-8).
    virtual void debugLine(const std::string& utf8) = 0;
    // Text of status-bar panel 0, 1 or 2 (UTF-8).
    virtual void setStatusPanel(int panel, const std::string& utf8) = 0;
    // The text that panel shows now (UTF-8); empty where there is no status bar.
    virtual std::string statusPanelText(int panel) const {
        (void)panel;
        return {};
    }
    // The plan loader's progress display: ProgressBar1 and Prozent_label.
    virtual void progressShow(int maximum) = 0;
    virtual void progressSet(int position, const std::string& captionUtf8) = 0;
    virtual void progressHide() = 0;
    // Draws a text label on the plan bitmap and the plan view; always true.
    virtual bool writeQuarnText(TTextEntry& label) = 0;
    // The view image of a paint box. The engine draws into it and reports the area through
    // PaintBoxImage::changed (copyFrom does so itself); the window repaints that area at once,
    // without a nested event loop.
    virtual PaintBoxImage& paintBoxImage(PaintBox box) = 0;
    // Fills the decoder-address panel.
    virtual void showDecoderPanel(const DecoderPanelData& data) = 0;
    // Reports an icon that could not be drawn; shows nothing and returns true.
    virtual bool showerror(const std::string& msg) = 0;
    // Hour-glass cursor on (true) or back to the default (false).
    virtual void setBusyCursor(bool busy) = 0;

    // ---- fields, in the window's declaration order ----

    int Screen_x = 0, Screen_y = 0;
    int Quarnbreite = 980, Quarnhoehe = 680;
    int Formularhoch = 0, Formularbreit = 0;
    bool LabelCanMove = false, Move_elements = false;
    int Move_el_counter = 0;
    int Mausx = 0, Mausy = 0;
    TTextEntry* Movelabel = nullptr;
    bool MemoMove = false;

    // Created and freed by C_Init; the window sizes them.
    std::unique_ptr<QImage> Quarn_bitmap;
    std::unique_ptr<QImage> Design_Panel_bitmap;
    std::unique_ptr<QImage> Cache, Rueck_cache, Undo;

    TColor Grau = 0xC0C0C0;
    TColor Dunkelrot = 0x000080;
    TRect Source_rect{}, Dest_rect{};

    // Held around every command written on the "SRCP 0.73" command connection.
    std::unique_ptr<std::mutex> Lock_socket;
    // Entries of the position table picked for moving; it never owns them.
    std::unique_ptr<TMoveList> Movelist;
    // Created by the window, freed by C_Init.
    std::unique_ptr<ColoredFont> LabelFont;

    int Panelbreite = 617, Panelhoehe = 113;
    bool Debug = false;
    int Hpos_alt = 0, Vpos_alt = 0;
    bool Hscrollbewegt = false, Vscrollbewegt = false;
    int Alt_x = 0, Alt_y = 0;
    int Anzahl = 0;
    int Fahrstrasse = 1;
    int Comnr = 0, Comp_nr = 0;

    // The seven exclusive modes.
    bool Quarnerstellen = false, Fahrstrasseerstellen = false, Decoder = false, S88config = false,
         Betrieb = false, Lokregler = false, Text = false;

    bool El_geladen = false;
    bool Symbol = false, Gefunden = false, Rueck = false, Fehler = false, Texteingabe = false,
         Geloescht = false;
    bool Gespeichert = false;
    bool Connecting = false;
    int Verbinden = 0;
    int TextLabelNr = -1;
    int Speichern_posx = 0, Speichern_posy = 0;
    bool Dxpresent = false;
    std::string Infostring;
    std::string Version = " V 0.71";
    std::string Name, Pathneu, Dateiname, Path;
    // Folder of the program file, with a trailing separator.
    std::string WorkDir;
    std::string Gleisbildpfad, Gleisbildname;
    int Joy1con = 0, Joy2con = 0;
    int Joy1loknr = -1, Joy2loknr = -1;
    int Joy1faktor = 0, Joy2faktor = 0;
    bool Joy1button_pressed = false, Joy2button_pressed = false;
    bool Jbutton1 = false, Jbutton2 = false, Jbutton12 = false, Jbutton3 = false, Jbutton4 = false,
         Jbutton34 = false;
    bool Joysetup = false;
    int Regler_nr = 0;
    std::string DateinameohneEndung;
    RouteButtonFlags Knopf;
    // Text labels of the plan; the list owns them.
    std::unique_ptr<TTextList> Textliste;
    std::string F1picname, F2picname, F3picname, F4picname;
    bool LocoData_sent = false, SolenoidData_sent = false;
    double ZolTime = 0.0; // model time as a day count
    int SolTime = 250;    // solenoid switching time in ms

    // Components owned by the window.
    LineConnection* Command_Socket = nullptr;
    LineConnection* Poll_Socket = nullptr;
    LineConnection* Info_Socket = nullptr;
    TMoBaSRCPClient* SRCPCl2 = nullptr;
    THighResTimer* HRT1 = nullptr;
};

// The main window while it exists; set by the window (or a test) before C_Init runs.
extern TMainFormState* MainForm;

// The main window's state; throws std::logic_error while there is none.
TMainFormState& form();
// True while a main window exists and its Debug flag is set.
bool debugOn();
// A text of the UI text table in the main window's language (UTF-8); empty without a table.
std::string uiText(int number);

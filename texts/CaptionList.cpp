#include "texts/CaptionList.h"

namespace {

// Each window that is relabelled adds its controls here, in the order in which they are set.
const CaptionEntry kCaptions[] = {
    // Main window menu. S88modules1 sits between Text1 and Betrieb1 but carries the last menu text.
    {"MainForm", "FileMenu", 0},
    {"MainForm", "Neu1", 1},
    {"MainForm", "Oeffnen1", 2},
    {"MainForm", "Speichern1", 3},
    {"MainForm", "Speichernals1", 4},
    {"MainForm", "Hostverbinden1", 5},
    {"MainForm", "Hosttrennen1", 6},
    {"MainForm", "Ende1", 7},
    {"MainForm", "Optionen1", 8},
    {"MainForm", "Gleisbildentwerfen1", 9},
    {"MainForm", "DecoderAdressen1", 10},
    {"MainForm", "Text1", 11},
    {"MainForm", "S88modules1", 35},
    {"MainForm", "Betrieb1", 12},
    {"MainForm", "Fahrstrassen1", 13},
    {"MainForm", "Softregler1", 14},
    {"MainForm", "Joystickeinrichten1", 15},
    {"MainForm", "Einstellungen1", 16},
    {"MainForm", "IPAddrHost1", 17},
    {"MainForm", "Joystickcalibrieren1", 18},
    {"MainForm", "Rckmeldemodule1", 19},
    {"MainForm", "Abfragestarten1", 20},
    {"MainForm", "Abfragebeenden1", 21},
    {"MainForm", "Reset1", 22},
    {"MainForm", "Befehle1", 23},
    {"MainForm", "Spannungan1", 24},
    {"MainForm", "Spannungaus1", 25},
    {"MainForm", "Initialisierung1", 26},
    {"MainForm", "Zeit1", 27},
    {"MainForm", "Decoderprogrammieren1", 28},
    {"MainForm", "FreieBefehle1", 29},
    {"MainForm", "Bildschirm1", 30},
    {"MainForm", "automatisch1", 31},
    {"MainForm", "Hilfe1", 32},
    {"MainForm", "QuarnHilfe1", 33},
    {"MainForm", "Info1", 34},
    // Main window, address panel and route editor. The route number and element count are cleared.
    {"MainForm", "Decod_label", 40},
    {"MainForm", "Daten_label", 41},
    {"MainForm", "Protokoll_label", 42},
    {"MainForm", "Speichern_button", 43},
    {"MainForm", "TabSheet1", 50},
    {"MainForm", "TabSheet2", 51},
    {"MainForm", "LabelFahrerst1", 52},
    {"MainForm", "LabelFahrerst3", 53},
    {"MainForm", "LabelFahrerst2", kClearedCaption},
    {"MainForm", "LabelFahrerst4", kClearedCaption},
    {"MainForm", "Buttonverbinden", 54},
    {"MainForm", "ButtonFahrerst_speichern", 55},
    {"MainForm", "ButtonFahrerst_cancel", 56},
    {"MainForm", "LabelFahrdel1", 52},
    {"MainForm", "LabelFahrdel2", 53},
    {"MainForm", "ButtonDel_del", 57},

    // Loco setup dialog.
    {"LocoForm", "Maerklin_label", 64},
    {"LocoForm", "DCC_label", 65},
    {"LocoForm", "Adresse_label", 60},
    {"LocoForm", "Beschreibung_label", 61},
    {"LocoForm", "Fertig_button", 66},
    {"LocoForm", "Cancel_button", 67},
    {"LocoForm", "Joystick_label", 63},
    {"LocoForm", "Zeigen_button", 68},
    {"LocoForm", "GroupBox2", 42},
    {"LocoForm", "RadioGroup1", 65},
    {"LocoForm", "RadioGroup2", 64},

    // Settings dialog; "SetupForm" is its own title.
    {"SetupForm", "Labelhost", 77},
    {"SetupForm", "Infokanal_label", 70},
    {"SetupForm", "SetupForm", 71},
    {"SetupForm", "Cancel_button", 56},
    {"SetupForm", "Ok_button", 55},
    {"SetupForm", "Labellang", 76},
    {"SetupForm", "LabelSRCPVersion", 78},
    {"SetupForm", "LabelJoymod", 79},

    // Assistant window.
    {"AssistForm", "Close_button", 80},
    {"AssistForm", "Select_button", 81},
    {"AssistForm", "Assist_label1", 82},
};

} // namespace

std::span<const CaptionEntry> captionList() {
    return kCaptions;
}

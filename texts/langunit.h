#pragma once

#include <map>
#include <string>
#include <vector>

class CaptionSink;

constexpr int NUMSTRINGS = 500; // highest message number
constexpr int NUMLANG = 7;      // number of languages

// Language numbers, also the table's language slots; slots 0 and NUMLANG + 1 stay empty.
constexpr int LANGDEUTSCH = 1;
constexpr int LANGENGLISH = 2;
constexpr int LANGSVENSKA = 3;
constexpr int LANGESPANOL = 4;
constexpr int LANGITALIAN = 5;
constexpr int LANGNEDERLANDS = 6;
constexpr int LANGFRENCH = 7;

// The table of user-visible texts by message number and language, and the relabelling of the windows
// in one language. Texts are UTF-8. The table is built once and never changes; all use is on the GUI
// thread.
class C_language {
public:
    C_language();

    // The text of message 1..NUMSTRINGS-1 in language Langid; the empty text for any other message
    // number, for a slot without a text, and for a language number outside the table.
    std::string getmessage(int Message_nr, int Langid) const;

    // The table entry itself, message 0 and NUMSTRINGS included (setup shows message 0, getmessage
    // never does); the empty text outside the table.
    const std::string& entry(int messageNr, int langId) const;

    // Sets the caption of every control of the relabelling list to its text in language Langid, in
    // the list's order. Controls of a window without a registered sink are passed over.
    void setup(int Langid) const;

    // The window named windowName ("MainForm", "LocoForm", "SetupForm", "AssistForm") receives its
    // captions through sink; a null sink unregisters the window. The sink must outlive its
    // registration.
    void setCaptionSink(const std::string& windowName, CaptionSink* sink);

private:
    static constexpr int kSlots = NUMLANG + 2;

    std::vector<std::string> Translation; // (NUMSTRINGS + 1) x kSlots, row by message number
    std::map<std::string, CaptionSink*> m_sinks;
};

// Created and freed by the program's global object set (C_Init).
extern C_language* Lang;

#include "texts/langunit.h"
#include "texts/CaptionList.h"
#include "texts/CaptionSink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Range {
    int first;
    int last;
};

// The message numbers that carry texts.
constexpr Range kFilled[] = {
    {0, 35},    {40, 43},   {50, 57},   {60, 68},   {70, 82},   {90, 91},   {100, 111},
    {120, 142}, {200, 225}, {250, 275}, {401, 420}, {422, 442}, {444, 488},
};

bool isFilled(int nr) {
    return std::any_of(std::begin(kFilled), std::end(kFilled),
                       [nr](Range r) { return nr >= r.first && nr <= r.last; });
}

bool hasText(int nr, int lang) {
    if (lang < LANGDEUTSCH || lang > LANGFRENCH || !isFilled(nr))
        return false;
    return !(lang == LANGNEDERLANDS && nr >= 77 && nr <= 79);
}

bool isValidUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        if (c < 0x80)
            len = 1;
        else if (c >= 0xC2 && c <= 0xDF)
            len = 2;
        else if (c >= 0xE0 && c <= 0xEF)
            len = 3;
        else if (c >= 0xF0 && c <= 0xF4)
            len = 4;
        else
            return false;
        if (i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += len;
    }
    return true;
}

TEST(C_language, FillsExactlyTheExpectedSlotsWithUtf8WithoutControlCharacters) {
    C_language lang;
    int texts = 0;
    int numbers = 0;
    for (int nr = 0; nr <= NUMSTRINGS; ++nr) {
        bool any = false;
        for (int slot = 0; slot <= NUMLANG + 1; ++slot) {
            SCOPED_TRACE("message " + std::to_string(nr) + " slot " + std::to_string(slot));
            const std::string& text = lang.entry(nr, slot);
            EXPECT_TRUE(isValidUtf8(text));
            EXPECT_TRUE(std::none_of(text.begin(), text.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x20; }));
            const bool present = !text.empty();
            EXPECT_EQ(present, hasText(nr, slot));
            texts += present;
            any = any || present;
        }
        numbers += any;
    }
    EXPECT_EQ(numbers, 245);
    EXPECT_EQ(texts, 1712);
}

struct Lookup {
    int nr;
    int lang;
    const char* text;
};

// Exact bytes, UTF-8; blanks at either end belong to the texts.
// clang-format off
constexpr Lookup kLookups[] = {
    {1, LANGDEUTSCH, "&Neu"}, {2, LANGDEUTSCH, "\xC3\x96&ffnen"}, {2, LANGENGLISH, "O&pen"},
    {10, LANGDEUTSCH, "Magnet-Dekoder"}, {35, LANGENGLISH, "S88 modules"},
    {64, LANGDEUTSCH, "M\xC3\xA4rklin Dekoder"}, {72, LANGDEUTSCH, "Quarn Assistenten beim "},
    {73, LANGDEUTSCH, "Programmstart zeigen"}, {77, LANGENGLISH, "Server (IP-Address):"},
    {77, LANGNEDERLANDS, ""}, {79, LANGNEDERLANDS, ""}, {80, LANGNEDERLANDS, "Sluiten"},
    {100, LANGENGLISH, "QUARN - digital railroad control"}, {100, 0, ""}, {100, NUMLANG + 1, ""},
    {101, LANGDEUTSCH, "Die Parameterdatei ist defekt! sie wird jetzt neu generiert. Bitte die Einstellungen "
     "\xC3\xBC" "berpr\xC3\xBC" "pfen!"},
    {104, LANGENGLISH, "   Layout: "}, {104, LANGDEUTSCH, "   Gleisbild: "}, {122, LANGDEUTSCH, "Regler "},
    {122, LANGENGLISH, "Controler "},
    {126, LANGENGLISH, "Quarn is still connected to Server verbunden. Please disconnect first!"},
    {138, LANGDEUTSCH, "Es wurde(n) "}, {138, LANGENGLISH, " "},
    {225, LANGDEUTSCH, "\xC3\x9C" "berpr\xC3\xBC" "fen, welche DirectX Version installiert ist"},
    {253, LANGDEUTSCH, "W\xC3\xA4hlen Sie den Men\xC3\xBCpunkt Datei->Host verbinden. "
     "Bitte kontrollieren Sie, ob die IP-Adresse und der TCP/IP-Port korrekt ausgew\xC3\xA4hlt sind; "
     "Grundeinstellung ist: localhost und 12345"},
    {253, LANGENGLISH, "Select menu File->Connect to server. Please, check whether IP-address and the "
     "TCP/IP-port are selected correctly for communication; default is localhost and 12345."},
    {263, LANGENGLISH, "Select menu Feedback modules->Start feedback.  You have to configure the feedback "
     "contacts first (Options->S88 modules)!"},
    {275, LANGENGLISH, "Select menu Help->DirectX aus"},
    {401, LANGENGLISH, "Three aspect signal, horizontally, Right traffic"},
    {419, LANGENGLISH, "Turnout, horizontally"}, {420, LANGDEUTSCH, "Entkupplungsgleis, waagerecht"},
    {422, LANGENGLISH, "Emergency stop"}, {444, LANGENGLISH, "Light switch"},
    {477, LANGENGLISH, "Track, straight "}, {479, LANGENGLISH, "Diamond crossing perpendicularly"},
    {488, LANGENGLISH, "Route switch"}, {488, LANGDEUTSCH, "Fahrstrassenschalter"},
};
// clang-format on

// The rows every language has as given: Svenska, Espanol, Italian, Nederlands, French.
struct AllLanguages {
    int nr;
    const char* texts[5];
};

constexpr AllLanguages kAllLanguages[] = {
    {0, {"Arkiv", "Fichero", "&File", "&Bestand", "&Fichier"}},
    {74, {"Nej", "No", "No", "Nee", "Non"}},
    {75, {"Ja", "S\xC3\xAD", "Si", "Ja", "Oui"}},
    {76, {"Spr\xC3\xA5k", "Lengua", "Lingua", "Taal", "Langage"}},
    {100,
     {"QUARN - digital modellj\xC3\xA4rnv\xC3\xA4gsstyrning", "QUARN - Control digital de trenes",
      "QUARN - Controllo Ferroviario Digitale", "QUARN - Modeltreinsturing",
      "QUARN - Control R\xC3\xA9seau Digital"}},
    {102, {"Fel", "Error", "Errore", "Foutr", "Erreur"}},
};

TEST(C_language, HoldsTheExactTexts) {
    static_assert(LANGFRENCH - LANGSVENSKA == 4);
    std::vector<Lookup> lookups(std::begin(kLookups), std::end(kLookups));
    for (const AllLanguages& row : kAllLanguages)
        for (int k = 0; k < 5; ++k)
            lookups.push_back({row.nr, LANGSVENSKA + k, row.texts[k]});
    C_language lang;
    for (const Lookup& l : lookups) {
        SCOPED_TRACE("message " + std::to_string(l.nr) + " language " + std::to_string(l.lang));
        EXPECT_EQ(lang.entry(l.nr, l.lang), l.text);
        if (l.nr > 0) {
            EXPECT_EQ(lang.getmessage(l.nr, l.lang), l.text);
        }
    }
}

TEST(C_language, LookupsOutsideTheTableAreEmpty) {
    C_language lang;
    // Message 0 is in the table but only setup shows it.
    EXPECT_EQ(lang.entry(0, LANGDEUTSCH), "&Datei");
    for (int nr : {0, 499, 500, 501, -1, INT_MIN, INT_MAX, 400, 421, 443, 36, 489})
        for (int slot = 0; slot <= NUMLANG + 1; ++slot)
            EXPECT_EQ(lang.getmessage(nr, slot), "") << "message " << nr << " slot " << slot;
    for (int l : {-1, NUMLANG + 2, 10, 100, INT_MIN, INT_MAX}) {
        for (int nr : {0, 1, 100, 102, 488, 499, 500}) {
            SCOPED_TRACE("message " + std::to_string(nr) + " language " + std::to_string(l));
            EXPECT_EQ(lang.getmessage(nr, l), "");
            EXPECT_EQ(lang.entry(nr, l), "");
        }
    }
}

std::size_t countOf(const std::string& s, char c) {
    return static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
}

std::size_t leadingBlanks(const std::string& s) {
    const auto pos = s.find_first_not_of(' ');
    return pos == std::string::npos ? s.size() : pos;
}

std::size_t trailingBlanks(const std::string& s) {
    const auto pos = s.find_last_not_of(' ');
    return pos == std::string::npos ? s.size() : s.size() - 1 - pos;
}

TEST(C_language, TranslationsKeepMnemonicsAndBlanksOfTheEnglishText) {
    C_language lang;
    for (int slot = LANGSVENSKA; slot <= LANGFRENCH; ++slot) {
        for (int nr = 0; nr <= NUMSTRINGS; ++nr) {
            const std::string& english = lang.entry(nr, LANGENGLISH);
            const std::string& text = lang.entry(nr, slot);
            if (text.empty())
                continue;
            SCOPED_TRACE("message " + std::to_string(nr) + " language " + std::to_string(slot) + ": " + text);
            // The given File menu captions of Svenska and Espanol carry no accelerator.
            if (!(nr == 0 && (slot == LANGSVENSKA || slot == LANGESPANOL))) {
                EXPECT_EQ(countOf(text, '&'), countOf(english, '&'));
            }
            EXPECT_EQ(leadingBlanks(text), leadingBlanks(english));
            EXPECT_EQ(trailingBlanks(text), trailingBlanks(english));
            // "&" must mark a character, not end the caption.
            EXPECT_NE(text.back(), '&');
        }
    }
}

// "Save" on three buttons, the same element name on several kinds: one English text, one translation.
TEST(C_language, EqualEnglishTextsHaveEqualTranslations) {
    C_language lang;
    for (int a = 0; a <= NUMSTRINGS; ++a) {
        const std::string& english = lang.entry(a, LANGENGLISH);
        if (english.empty())
            continue;
        for (int b = a + 1; b <= NUMSTRINGS; ++b) {
            if (lang.entry(b, LANGENGLISH) != english)
                continue;
            for (int slot = LANGSVENSKA; slot <= LANGFRENCH; ++slot) {
                SCOPED_TRACE("messages " + std::to_string(a) + " and " + std::to_string(b) + " language " +
                             std::to_string(slot));
                EXPECT_EQ(lang.entry(a, slot), lang.entry(b, slot));
            }
        }
    }
}

// Texts that the other languages share word for word would show an untranslated caption.
TEST(C_language, TranslatedMenusDifferFromEnglish) {
    C_language lang;
    for (int slot = LANGSVENSKA; slot <= LANGFRENCH; ++slot) {
        int same = 0;
        for (int nr = 1; nr <= 35; ++nr)
            same += lang.entry(nr, slot) == lang.entry(nr, LANGENGLISH);
        SCOPED_TRACE("language " + std::to_string(slot));
        // "&Text", "&Info", "S88 ..." and the like may stay as they are, but not most of the menu.
        EXPECT_LT(same, 8);
    }
}

// The accelerator of a caption: the character after "&", lower-cased when it is ASCII.
std::string accelerator(const std::string& caption) {
    const auto pos = caption.find('&');
    if (pos == std::string::npos || pos + 1 >= caption.size())
        return {};
    const auto c = static_cast<unsigned char>(caption[pos + 1]);
    if (c < 0x80)
        return std::string(1, static_cast<char>(std::tolower(c)));
    std::size_t len = 1;
    while (pos + 1 + len < caption.size() &&
           (static_cast<unsigned char>(caption[pos + 1 + len]) & 0xC0) == 0x80)
        ++len;
    return caption.substr(pos + 1, len);
}

struct Submenu {
    const char* name;
    std::vector<int> messages;
    std::string fixedAccelerators; // of the items that keep the window's own caption
};

TEST(C_language, AcceleratorsAreUniqueWithinEachMenu) {
    const Submenu menus[] = {
        {"File", {1, 2, 3, 4, 5, 6, 7}, ""},
        {"Options", {9, 10, 11, 35, 12, 13, 14, 15}, ""},
        {"Setup", {17, 18}, ""},
        {"Feedback modules", {20, 21, 22}, "z"},
        {"Commands", {24, 25, 26, 27, 28, 29}, "y"},
        {"Help", {33, 34}, ""},
    };
    C_language lang;
    for (int l = LANGDEUTSCH; l <= LANGFRENCH; ++l) {
        for (const Submenu& menu : menus) {
            SCOPED_TRACE(std::string(menu.name) + " language " + std::to_string(l));
            std::vector<std::string> seen;
            for (char c : menu.fixedAccelerators)
                seen.emplace_back(1, c);
            for (int nr : menu.messages) {
                const std::string key = accelerator(lang.entry(nr, l));
                if (key.empty())
                    continue;
                EXPECT_EQ(std::count(seen.begin(), seen.end(), key), 0) << lang.entry(nr, l);
                seen.push_back(key);
            }
        }
    }
}

class RecordingSink : public CaptionSink {
public:
    void setCaption(const std::string& objectName, const std::string& text) override {
        calls.emplace_back(objectName, text);
    }
    std::vector<std::pair<std::string, std::string>> calls;
};

// The main window's menu, then its address panel and route editor, in the order setup relabels
// them, with the message each caption comes from (-1: cleared in every language).
// clang-format off
constexpr const char* kMenu[] = {
    "FileMenu", "Neu1", "Oeffnen1", "Speichern1", "Speichernals1", "Hostverbinden1", "Hosttrennen1",
    "Ende1", "Optionen1", "Gleisbildentwerfen1", "DecoderAdressen1", "Text1", "S88modules1", "Betrieb1",
    "Fahrstrassen1", "Softregler1", "Joystickeinrichten1", "Einstellungen1", "IPAddrHost1",
    "Joystickcalibrieren1", "Rckmeldemodule1", "Abfragestarten1", "Abfragebeenden1", "Reset1", "Befehle1",
    "Spannungan1", "Spannungaus1", "Initialisierung1", "Zeit1", "Decoderprogrammieren1", "FreieBefehle1",
    "Bildschirm1", "automatisch1", "Hilfe1", "QuarnHilfe1", "Info1",
    "Decod_label", "Daten_label", "Protokoll_label", "Speichern_button", "TabSheet1", "TabSheet2",
    "LabelFahrerst1", "LabelFahrerst3", "LabelFahrerst2", "LabelFahrerst4", "Buttonverbinden",
    "ButtonFahrerst_speichern", "ButtonFahrerst_cancel", "LabelFahrdel1", "LabelFahrdel2", "ButtonDel_del"};
constexpr int kMenuMessage[] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 35, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
    27, 28, 29, 30, 31, 32, 33, 34,
    40, 41, 42, 43, 50, 51, 52, 53, -1, -1, 54, 55, 56, 52, 53, 57};
// clang-format on
static_assert(std::size(kMenu) == std::size(kMenuMessage));

TEST(C_language, SetupRelabelsTheMainWindowInOrder) {
    C_language lang;
    RecordingSink sink;
    lang.setCaptionSink("MainForm", &sink);
    for (int l = 0; l <= NUMLANG + 1; ++l) {
        SCOPED_TRACE("language " + std::to_string(l));
        sink.calls.clear();
        lang.setup(l);
        ASSERT_EQ(sink.calls.size(), std::size(kMenu));
        for (std::size_t i = 0; i < std::size(kMenu); ++i) {
            SCOPED_TRACE(kMenu[i]);
            EXPECT_EQ(sink.calls[i].first, kMenu[i]);
            const bool cleared = kMenuMessage[i] < 0;
            EXPECT_EQ(sink.calls[i].second, cleared ? std::string() : lang.entry(kMenuMessage[i], l));
            EXPECT_EQ(sink.calls[i].second.empty(), cleared || l == 0 || l == NUMLANG + 1);
        }
    }
}

TEST(C_language, SetupRelabelsTheDialogsInOrder) {
    using Row = std::pair<const char*, int>;
    const struct {
        const char* window;
        std::vector<Row> rows;
    } dialogs[] = {
        // clang-format off
        {"LocoForm",
         {{"Maerklin_label", 64}, {"DCC_label", 65}, {"Adresse_label", 60}, {"Beschreibung_label", 61},
          {"Fertig_button", 66}, {"Cancel_button", 67}, {"Joystick_label", 63}, {"Zeigen_button", 68},
          {"GroupBox2", 42}, {"RadioGroup1", 65}, {"RadioGroup2", 64}}},
        {"SetupForm",
         {{"Labelhost", 77}, {"Infokanal_label", 70}, {"SetupForm", 71}, {"Cancel_button", 56},
          {"Ok_button", 55}, {"Labellang", 76}, {"LabelSRCPVersion", 78}, {"LabelJoymod", 79}}},
        {"AssistForm", {{"Close_button", 80}, {"Select_button", 81}, {"Assist_label1", 82}}},
        // clang-format on
    };
    for (const auto& d : dialogs) {
        C_language lang;
        RecordingSink sink;
        lang.setCaptionSink(d.window, &sink);
        for (int l = LANGDEUTSCH; l <= NUMLANG; ++l) {
            SCOPED_TRACE(std::string(d.window) + " language " + std::to_string(l));
            sink.calls.clear();
            lang.setup(l);
            ASSERT_EQ(sink.calls.size(), d.rows.size());
            for (std::size_t i = 0; i < d.rows.size(); ++i) {
                EXPECT_EQ(sink.calls[i].first, d.rows[i].first);
                EXPECT_EQ(sink.calls[i].second, lang.entry(d.rows[i].second, l));
                // Nederlands has no text for the server, version and joystick labels.
                const bool dutchGap = l == LANGNEDERLANDS && d.rows[i].second >= 77 && d.rows[i].second <= 79;
                EXPECT_EQ(sink.calls[i].second.empty(), dutchGap);
            }
        }
    }
    // 74 rows, window after window: main window, loco dialog, settings dialog, assistant.
    const auto list = captionList();
    EXPECT_EQ(list.size(), 74u);
    std::vector<std::string> windows;
    for (const CaptionEntry& c : list)
        if (windows.empty() || windows.back() != c.windowName)
            windows.push_back(c.windowName);
    EXPECT_EQ(windows, (std::vector<std::string>{"MainForm", "LocoForm", "SetupForm", "AssistForm"}));
}

struct Caption {
    int lang;
    const char* objectName;
    const char* text;
};

// clang-format off
constexpr Caption kCaptions[] = {
    {LANGDEUTSCH, "FileMenu", "&Datei"}, {LANGDEUTSCH, "S88modules1", "S88 Module"},
    {LANGDEUTSCH, "Oeffnen1", "\xC3\x96&ffnen"}, {LANGENGLISH, "FileMenu", "&File"},
    {LANGENGLISH, "S88modules1", "S88 modules"}, {LANGENGLISH, "QuarnHilfe1", "&Quarn help (German)"},
    {LANGSVENSKA, "FileMenu", "Arkiv"}, {LANGNEDERLANDS, "FileMenu", "&Bestand"},
    {LANGFRENCH, "FileMenu", "&Fichier"}, {LANGDEUTSCH, "Decod_label", "Dekoder"},
    {LANGENGLISH, "TabSheet2", "Delete routes"}, {LANGENGLISH, "LabelFahrdel2", "Track number"},
    {LANGENGLISH, "ButtonFahrerst_speichern", "Save"},
    // The settings file may hold any number; the menu then loses its captions but nothing breaks.
    {-5, "FileMenu", ""}, {42, "Info1", ""},
};
// clang-format on

TEST(C_language, SetupGivesTheChosenLanguage) {
    C_language lang;
    RecordingSink sink;
    lang.setCaptionSink("MainForm", &sink);
    for (const Caption& c : kCaptions) {
        SCOPED_TRACE(std::string(c.objectName) + " language " + std::to_string(c.lang));
        sink.calls.clear();
        lang.setup(c.lang);
        auto it = std::find_if(sink.calls.begin(), sink.calls.end(),
                               [&c](const auto& call) { return call.first == c.objectName; });
        ASSERT_NE(it, sink.calls.end());
        EXPECT_EQ(it->second, c.text);
    }
}

TEST(C_language, SetupReachesOnlyRegisteredWindows) {
    C_language lang;
    RecordingSink first;
    RecordingSink second;
    RecordingSink other;

    lang.setup(LANGENGLISH); // no window yet: nothing to do, nothing to crash on
    lang.setCaptionSink("LocoForm", &other);
    lang.setup(LANGENGLISH);
    EXPECT_TRUE(std::none_of(other.calls.begin(), other.calls.end(),
                             [](const auto& call) { return call.first == "FileMenu"; }));

    lang.setCaptionSink("MainForm", &first);
    lang.setCaptionSink("MainForm", &second);
    lang.setup(LANGENGLISH);
    EXPECT_TRUE(first.calls.empty());
    EXPECT_EQ(second.calls.size(), std::size(kMenu));

    lang.setCaptionSink("MainForm", nullptr);
    lang.setup(LANGDEUTSCH);
    EXPECT_EQ(second.calls.size(), std::size(kMenu));
}

} // namespace

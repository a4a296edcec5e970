#include "texts/langunit.h"

#include "texts/CaptionList.h"
#include "texts/CaptionSink.h"
#include "texts/LangTexts.h"

#include <span>

C_language* Lang = nullptr;

namespace {

const std::string kEmpty;

} // namespace

C_language::C_language() : Translation(static_cast<std::size_t>(NUMSTRINGS + 1) * kSlots) {
    const std::span<const LangText> languages[NUMLANG] = {
        deutschTexts(),  englishTexts(),    svenskaTexts(),  espanolTexts(),
        italianoTexts(), nederlandsTexts(), francaisTexts(),
    };
    for (int lang = LANGDEUTSCH; lang <= NUMLANG; ++lang) {
        for (const LangText& t : languages[lang - 1]) {
            if (t.nr >= 0 && t.nr <= NUMSTRINGS)
                Translation[static_cast<std::size_t>(t.nr) * kSlots + lang] = t.text;
        }
    }
}

const std::string& C_language::entry(int messageNr, int langId) const {
    // The settings file may carry any language number; it must not reach past the table.
    if (messageNr < 0 || messageNr > NUMSTRINGS || langId < 0 || langId >= kSlots)
        return kEmpty;
    return Translation[static_cast<std::size_t>(messageNr) * kSlots + langId];
}

std::string C_language::getmessage(int Message_nr, int Langid) const {
    if (Message_nr < 1 || Message_nr >= NUMSTRINGS)
        return {};
    return entry(Message_nr, Langid);
}

void C_language::setup(int Langid) const {
    for (const CaptionEntry& c : captionList()) {
        auto it = m_sinks.find(c.windowName);
        if (it == m_sinks.end())
            continue;
        it->second->setCaption(c.objectName,
                               c.messageNr == kClearedCaption ? kEmpty : entry(c.messageNr, Langid));
    }
}

void C_language::setCaptionSink(const std::string& windowName, CaptionSink* sink) {
    if (sink)
        m_sinks[windowName] = sink;
    else
        m_sinks.erase(windowName);
}

#include "tools/Catalogue.h"

#include "platform/Cp1252.h"
#include "texts/langunit.h"
#include "tools/ElementKinds.h"

namespace assets {

std::string catalogueFile(const std::function<std::string(int kind)>& name) {
    std::string out;
    auto line = [&out](const std::string& value) {
        out += value;
        out += "\r\n";
    };
    for (int kind = 1; kind <= kKindCount; ++kind) {
        line(std::to_string(kind));
        line(name(kind));
        line(std::to_string(palettePosX(kind)));
        line(std::to_string(palettePosY(kind)));
        line(std::to_string(switchStates(kind)));
        line("0"); // E_Vektor: kept by the program, used by nothing
        for (int state : kIconStates)
            line(iconFileName(kind, state));
    }
    return out;
}

std::string englishKindName(int kind) {
    static const C_language texts;
    std::string name = texts.getmessage(400 + kind, LANGENGLISH);
    if (name.empty())
        name = "Track, straight";
    return utf8ToCp1252(name);
}

} // namespace assets

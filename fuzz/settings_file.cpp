// Feeds arbitrary bytes to the settings reader, and each of its lines to the font-line reader
// (the font line of the labels, which the settings dialog also writes).

#include "engine/FontLine.h"
#include "engine/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TSettingsFields fields;
    TLok lok;
    try {
        readSettingsFile(TextReader::fromBytes(bytes, "parmc.dat"), fields, lok);
    } catch (const TextFileError&) {
    }
    // Whatever was read, the reading rules hold.
    if (fields.Lang_id < 1 || fields.Lang_id > 7)
        std::abort();
    for (int slot = 0; slot < LOKMAX; ++slot)
        if (lok.get_protocolbase(slot) > 7)
            std::abort();

    std::string_view rest(bytes);
    while (!rest.empty()) {
        const std::size_t lf = rest.find('\n');
        const std::string line(rest.substr(0, lf));
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        if (line.find(',') == std::string::npos)
            continue; // no font line; the reader's first check
        try {
            const FontLine font = parseFontLine(line);
            // Written and read again, a font line gives the same font.
            if (parseFontLine(formatFontLine(font)) != font)
                std::abort();
        } catch (const ConversionError&) {
        }
    }
    return 0;
}

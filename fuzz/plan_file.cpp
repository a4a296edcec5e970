// Feeds arbitrary bytes to the plan-file reader (and the label font lines it holds) and to the
// element catalogue reader, which share its record reading. A plan file is whatever the user opens.

#include "engine/FontLine.h"
#include "engine/PlanFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const PlanFileContents plan = parsePlanFile(bytes, "fuzz.pln");
        int previous = 0;
        for (const tPosEntry& e : plan.entries) {
            // Kept records are numbered by their place in the file, which the count bounds.
            if (!isKeptPlanRecord(e) || e.CompID <= previous || e.CompID > plan.count)
                std::abort();
            previous = e.CompID;
        }
        for (const PlanLabelRecord& label : plan.labels) {
            if (label.TextInfo.size() > MaxLabelTextBytes)
                std::abort();
            try {
                const FontLine font = parseFontLine(label.fontLine);
                if (parseFontLine(formatFontLine(font)) != font)
                    std::abort();
            } catch (const ConversionError&) {
            }
        }
    } catch (const TextFileError&) {
    }
    try {
        if (parseCatalogueFile(bytes, "Elemente1.dat").size() != NROFELEMENTS)
            std::abort();
    } catch (const TextFileError&) {
    }
    return 0;
}

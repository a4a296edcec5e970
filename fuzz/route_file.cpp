// Feeds arbitrary bytes to the route-file reader; a route file lies beside the plans.

#include "engine/PlanFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const RouteFileContents routes = parseRouteFile(bytes, "fuzz.dat");
        // The counter numbers the next route, so it is never below a stored one.
        for (const C_fahrelement& e : routes.elements)
            if (!isUsableRouteRecord(e) || e.Fahrnr > routes.Anz_strassen)
                std::abort();
        // A further route can always be numbered from what the reader takes.
        if (routes.Anz_strassen < 0 || routes.Anz_strassen >= MaxRouteNumber)
            std::abort();
    } catch (const TextFileError&) {
    }
    return 0;
}

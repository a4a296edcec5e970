#include "engine/PlanFile.h"

#include <algorithm>

namespace {

using P = tPosEntry;
const RecordField<P> kPlanElementFields[] = {
    plainField<&P::CompID>("element number"), plainField<&P::Enummer>("element kind"),
    plainField<&P::Posx>("x position"),       plainField<&P::Posy>("y position"),
    plainField<&P::Stellung>("state"),        plainField<&P::Decod1>("decoder 1"),
    plainField<&P::Decod2>("decoder 2"),      plainField<&P::Decod3>("decoder 3"),
    plainField<&P::Daten1>("output 1"),       plainField<&P::Daten2>("output 2"),
    plainField<&P::Daten3>("output 3"),       plainField<&P::Fahrnr>("route number"),
    plainField<&P::Protokoll>("protocol"),
};

using T = PlanLabelRecord;
const RecordField<T> kPlanLabelFields[] = {
    plainField<&T::Name>("name"),        plainField<&T::TextInfo>("text"),
    plainField<&T::XText>("x position"), plainField<&T::YText>("y position"),
    plainField<&T::Textwkl>("angle"),    plainField<&T::fontLine>("font"),
};

using R = C_fahrelement;
const RecordField<R> kRouteElementFields[] = {
    plainField<&R::Fahrnr>("route number"), plainField<&R::Gleiselementnr>("element kind"),
    plainField<&R::Xpos>("x position"),     plainField<&R::Ypos>("y position"),
    plainField<&R::Stellung>("state"),
};

using E = TElementEntry;
const RecordField<E> kCatalogueFields[] = {
    plainField<&E::E_Nummer>("number"),       plainField<&E::E_Name>("name"),
    plainField<&E::E_Posx>("x position"),     plainField<&E::E_Posy>("y position"),
    plainField<&E::E_Art>("state count"),     plainField<&E::E_Vektor>("vector"),
    plainField<&E::E_Icon01>("icon 1"),       plainField<&E::E_Icon02>("icon 2"),
    plainField<&E::E_Icon03>("icon 3"),       plainField<&E::E_Icon11>("route icon 1"),
    plainField<&E::E_Icon12>("route icon 2"), plainField<&E::E_Icon13>("route icon 3"),
};

RecordReader recordReader(const std::string& bytes, const std::string& fileName) {
    return RecordReader(TextReader::fromBytes(bytes, fileName));
}

} // namespace

std::span<const RecordField<tPosEntry>> planElementFields() {
    return kPlanElementFields;
}

std::span<const RecordField<PlanLabelRecord>> planLabelFields() {
    return kPlanLabelFields;
}

std::span<const RecordField<C_fahrelement>> routeElementFields() {
    return kRouteElementFields;
}

std::span<const RecordField<TElementEntry>> catalogueFields() {
    return kCatalogueFields;
}

bool isKeptPlanRecord(const tPosEntry& entry) {
    return entry.Enummer >= 1 && entry.Posx >= 0 && entry.Posy >= 0;
}

int drawnPlanState(int stellung) {
    if ((stellung >= 1 && stellung <= 3) || (stellung >= 11 && stellung <= 13))
        return stellung;
    return 1;
}

bool isUsableRouteRecord(const C_fahrelement& element) {
    return element.Fahrnr >= 1 && element.Stellung >= 11 && element.Stellung <= 13;
}

PlanFileContents parsePlanFile(const std::string& bytes, const std::string& fileName) {
    RecordReader r = recordReader(bytes, fileName);
    PlanFileContents plan;
    plan.count = r.readCount("element count");
    if (r.roomFor(plan.count, recordLines(planElementFields())))
        plan.entries.reserve(static_cast<std::size_t>(plan.count));
    for (int i = 1; i <= plan.count; ++i) {
        r.beginRecord("element " + std::to_string(i));
        tPosEntry e;
        readRecord(r, e, planElementFields());
        if (!isKeptPlanRecord(e))
            continue;
        e.CompID = i;
        plan.entries.push_back(std::move(e));
    }

    r.beginRecord("");
    const int labels = r.onlyBlanksLeft() ? 0 : r.readCount("label count");
    for (int i = 1; i <= labels; ++i) {
        r.beginRecord("label " + std::to_string(i));
        PlanLabelRecord label;
        readRecord(r, label, planLabelFields());
        if (label.TextInfo.size() > MaxLabelTextBytes)
            r.fail("the text is longer than " + std::to_string(MaxLabelTextBytes) + " bytes");
        plan.labels.push_back(std::move(label));
    }
    return plan;
}

RouteFileContents parseRouteFile(const std::string& bytes, const std::string& fileName) {
    RecordReader r = recordReader(bytes, fileName);
    RouteFileContents routes;
    const int count = r.readCount("route element count");
    for (int i = 1; i <= count; ++i) {
        r.beginRecord("route element " + std::to_string(i));
        C_fahrelement element;
        readRecord(r, element, routeElementFields());
        // Such a route would raise the counter to where no new route can be numbered.
        if (element.Fahrnr >= MaxRouteNumber)
            r.fail("route number " + std::to_string(element.Fahrnr) + " leaves no room for a new route");
        if (isUsableRouteRecord(element))
            routes.elements.push_back(element);
    }
    r.beginRecord("");
    int counter = r.onlyBlanksLeft() ? 0 : r.readInt("route counter");
    // reserveRoute numbers no route after MaxRouteNumber.
    if (counter >= MaxRouteNumber)
        r.fail("line " + std::to_string(r.line() - 1) + ": route counter " + std::to_string(counter) +
               " leaves no room for a new route");
    // The counter numbers the next new route; one below a stored route would merge the two.
    for (const C_fahrelement& element : routes.elements)
        counter = std::max(counter, element.Fahrnr);
    routes.Anz_strassen = std::max(counter, 0);
    return routes;
}

std::vector<TElementEntry> parseCatalogueFile(const std::string& bytes, const std::string& fileName) {
    RecordReader r = recordReader(bytes, fileName);
    std::vector<TElementEntry> catalogue(NROFELEMENTS);
    for (int i = 0; i < NROFELEMENTS; ++i) {
        r.beginRecord("element " + std::to_string(i + 1));
        readRecord(r, catalogue[static_cast<std::size_t>(i)], catalogueFields());
    }
    return catalogue;
}

std::string readWholeFile(const std::string& path, std::size_t maxBytes) {
    return readRegularFile(path, maxBytes);
}

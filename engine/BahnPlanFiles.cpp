#include "engine/Bahncalcunit.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include <QImage>

#include "engine/Fahrunit.h"
#include "engine/IconCache.h"
#include "engine/MainFormState.h"
#include "engine/PlanFile.h"
#include "engine/Positionunit.h"
#include "platform/Cp1252.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"

namespace {

// Kinds that stand for what the layout reports or for route buttons; loading a plan does not
// switch them.
bool switchedOnLoad(int kind) {
    switch (kind) {
    case 20:
    case 42:
    case 64:
    case 65:
    case 86:
    case 87:
        return false;
    default:
        return true;
    }
}

// Hides the progress display however the load ends.
struct ProgressDisplay {
    TMainFormState& form;
    explicit ProgressDisplay(TMainFormState& f, int maximum) : form(f) {
        form.progressShow(maximum);
        form.progressSet(0, "0 %");
    }
    ~ProgressDisplay() { form.progressHide(); }
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;
};

// The label fields that a plan file holds as they stand, listed once for reading and writing; the
// font goes through its font line.
template <class From, class To> void copyLabelFields(const From& from, To& to) {
    to.Name = from.Name;
    to.TextInfo = from.TextInfo;
    to.XText = from.XText;
    to.YText = from.YText;
    to.Textwkl = from.Textwkl;
}

} // namespace

void Cbahn::gleisbildladen(const std::string& Gname, const std::string& GPfad) {
    applyPlanFile(readPlanFile(Gname, GPfad));
}

PlanFileLoad Cbahn::readPlanFile(const std::string& Gname, const std::string& GPfad) const {
    TMainFormState& f = form();
    PlanFileLoad plan;
    plan.path = GPfad + Gname;
    if (f.Debug)
        f.debugLine(cp1252ToUtf8(plan.path));

    // Everything that can fail is done before the first table changes: the file, its fonts and
    // the icons of every element it keeps.
    plan.contents = parsePlanFile(readWholeFile(resolvePath(plan.path)), plan.path);
    plan.fonts.reserve(plan.contents.labels.size());
    for (const PlanLabelRecord& label : plan.contents.labels) {
        auto font = std::make_unique<ColoredFont>();
        StringToFont(label.fontLine, *font);
        plan.fonts.push_back(std::move(font));
    }
    const std::string dataPath = getDataPath();
    plan.icons.reserve(plan.contents.entries.size());
    for (const tPosEntry& e : plan.contents.entries)
        plan.icons.push_back(
            isCatalogueKind(e.Enummer)
                ? iconCache().load(dataPath + iconFileName(e.Enummer, drawnPlanState(e.Stellung)))
                : QImage());
    return plan;
}

void Cbahn::applyPlanFile(PlanFileLoad plan) {
    TMainFormState& f = form();
    if (!Postable || !f.Textliste)
        throw std::logic_error("the plan tables do not exist");
    if (plan.fonts.size() != plan.contents.labels.size() || plan.icons.size() != plan.contents.entries.size())
        throw std::logic_error("the plan was not read by readPlanFile");

    f.Anzahl = plan.contents.count;
    ProgressDisplay progress(f, plan.contents.count);
    // A command that cannot be sent must not leave half a plan behind, which a later save would
    // write over the whole one: the plan is loaded to the end and the first failure raised then.
    std::exception_ptr switchFailure;
    int kept = 0;
    for (std::size_t i = 0; i < plan.contents.entries.size(); ++i) {
        auto owned = std::make_unique<tPosEntry>(plan.contents.entries[i]);
        const tPosEntry& e = *owned;
        Postable->addEntry(std::move(owned));
        // A state below 1 is switched as state 1; one that names no switch state is only drawn.
        const int s = e.Stellung < 1 ? 1 : e.Stellung;
        if (f.Debug) {
            f.debugLine(std::to_string(e.Enummer));
            f.debugLine(std::to_string(e.CompID));
        }
        // A kind the catalogue does not know is only kept, for the next save.
        const bool known = isCatalogueKind(e.Enummer);
        if (known && switchedOnLoad(e.Enummer) && s >= 1 && s <= 3) {
            const int decoder = s == 1 ? e.Decod1 : s == 2 ? e.Decod2 : e.Decod3;
            const int output = s == 1 ? e.Daten1 : s == 2 ? e.Daten2 : e.Daten3;
            if (output >= 1 && output <= 8 && !switchFailure) {
                try {
                    ga_out(e.Protokoll, decoder, output);
                } catch (...) {
                    switchFailure = std::current_exception();
                }
            }
        }
        if (known)
            drawIcon(plan.icons[i], e.Posx, e.Posy, true);
        ++kept;
        const auto percent = static_cast<std::int64_t>(kept) * 100 / plan.contents.count;
        f.progressSet(kept, std::to_string(percent) + " %");
    }

    const int labels = static_cast<int>(plan.contents.labels.size());
    f.TextLabelNr = labels > 0 ? labels : -1;
    for (std::size_t i = 0; i < plan.contents.labels.size(); ++i) {
        const PlanLabelRecord& record = plan.contents.labels[i];
        auto label = std::make_unique<TTextEntry>();
        copyLabelFields(record, *label);
        label->TextFont = std::move(plan.fonts[i]);
        TTextEntry& added = *label;
        f.Textliste->push_back(std::move(label));
        f.writeQuarnText(added);
    }
    if (switchFailure)
        std::rethrow_exception(switchFailure);
}

void Cbahn::gleisbildspeichern(const std::string& Gname, const std::string& Gpfad) {
    TMainFormState& f = form();
    if (!Postable || !f.Textliste)
        throw std::logic_error("the plan tables do not exist");
    const std::string path = Gpfad + Gname;
    if (f.Debug)
        f.debugLine(cp1252ToUtf8(path));

    TextWriter w(resolvePath(path));
    w.writeInt(Postable->getNumbofEntries());
    for (const auto& e : Postable->entries())
        writeRecord(w, *e, planElementFields());
    w.writeInt(static_cast<int>(f.Textliste->size()));
    for (const auto& label : *f.Textliste) {
        PlanLabelRecord record;
        copyLabelFields(*label, record);
        FontToString(label->TextFont ? *label->TextFont : ColoredFont(), record.fontLine);
        writeRecord(w, record, planLabelFields());
    }
    w.commit();
}

std::string Cbahn::routeFilePath() const {
    return routeFilePath(MainForm ? MainForm->DateinameohneEndung : std::string());
}

std::string Cbahn::routeFilePath(const std::string& planName) const {
    return resolvePath(getLayoutPath() + planName + ".dat");
}

void Cbahn::fahrspeichern() {
    if (!Fahr)
        throw std::logic_error("the route table does not exist");
    checkRouteFileWritable(MainForm ? MainForm->DateinameohneEndung : std::string());
    const std::string folder = getLayoutPath();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw TextFileError("Cannot create the folder \"" + folder + "\": " + error.message());

    TextWriter w(routeFilePath());
    w.writeInt(Fahr->getnumerofEntries());
    for (const auto& element : Fahr->Fahrlist)
        writeRecord(w, *element, routeElementFields());
    w.writeInt(Fahr->Anz_strassen);
    w.commit();
}

void Cbahn::fahrladen() {
    // The routes of the plan that was open before are gone in any case, set or not.
    useRoutes({});
    useRoutes(readRouteFile(MainForm ? MainForm->DateinameohneEndung : std::string()));
}

RouteFileContents Cbahn::readRouteFile(const std::string& planName) const {
    const std::string path = routeFilePath(planName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        // A route file that is there but cannot be reached is not the same as no routes.
        throw TextFileError("cannot open " + path + ": " + std::strerror(errno));
    }
    // The reading refuses a folder, a pipe or a device before opening it.
    return parseRouteFile(readWholeFile(path), path);
}

std::string Cbahn::keepBadRouteFile(const std::string& planName) {
    const std::string path = routeFilePath(planName);
    if (nothingStandsAt(path))
        return {};
    // Also a link, a pipe or a folder: a route save would put its file over any of them but a folder,
    // and a folder would fail every save.
    return keepAside(path);
}

void Cbahn::holdRouteFile(const std::string& planName) {
    m_heldRouteFile = routeFilePath(planName);
}

void Cbahn::checkRouteFileWritable(const std::string& planName) const {
    const std::string path = routeFilePath(planName);
    if (!m_heldRouteFile.empty() && path == m_heldRouteFile)
        throw TextFileError("The route file " + path +
                            " is damaged and could not be moved aside, so it is not written over: routes "
                            "and the plan are not saved under this name. Save the plan under another name, "
                            "or make room for a backup beside the route file and open the plan again.");
}

void Cbahn::useRoutes(const RouteFileContents& routes) {
    if (!Fahr)
        throw std::logic_error("the route table does not exist");
    Fahr->Fahrlist.clear();
    Fahr->Fahrlist.reserve(routes.elements.size());
    for (const C_fahrelement& element : routes.elements)
        Fahr->Fahrlist.push_back(std::make_unique<C_fahrelement>(element));
    Fahr->Anz_strassen = routes.Anz_strassen;
    if (MainForm)
        MainForm->Knopf.clearAll();
}

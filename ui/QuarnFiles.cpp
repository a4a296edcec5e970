// The File menu's plan commands: New, Open, Save and Save as.

#include <QFile>
#include <QScrollBar>
#include <algorithm>
#include <exception>
#include <optional>
#include <string>

#include "engine/Bahncalcunit.h"
#include "platform/Cp1252.h"
#include "platform/DialogService.h"
#include "platform/FirstError.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

namespace {

const char* const kSaveFilter = "Quarn files (*.pln);;All Files (*)";
const char* const kOpenFilter = "Quarn Layout Files (*.pln);;All Files (*)";
const char* const kPlanSuffix = "pln";
const std::string kPlanExtension = ".pln";

QString decoded(const std::string& diskBytes) {
    return QFile::decodeName(QByteArray::fromStdString(diskBytes));
}

// A chosen path as the plan's fields keep it.
struct PlanPath {
    std::string folder; // with its trailing "/"
    std::string name;
    // Names the route file: everything before the last ".", so "my.plan.pln" has "my.plan.dat".
    std::string stem;
};

PlanPath splitPlanPath(const std::string& path) {
    const auto slash = path.rfind('/');
    PlanPath plan;
    plan.folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    plan.name = slash == std::string::npos ? path : path.substr(slash + 1);
    plan.stem = plan.name.substr(0, plan.name.rfind('.'));
    return plan;
}

// The hour-glass from here to the end of the block, also when it is left by an exception.
class BusyCursor {
public:
    explicit BusyCursor(TMainForm& window) : m_window(window) { m_window.setBusyCursor(true); }
    ~BusyCursor() { release(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    void release() {
        if (m_on)
            m_window.setBusyCursor(false);
        m_on = false;
    }

private:
    TMainForm& m_window;
    bool m_on = true;
};

// The path the user chose, or nothing when the dialog was cancelled or gave no file name.
std::optional<PlanPath> chosenPlan(const std::optional<std::string>& path) {
    if (!path)
        return std::nullopt;
    PlanPath plan = splitPlanPath(*path);
    if (plan.name.empty())
        return std::nullopt;
    return plan;
}

// The plan's names become those of plan; its route file follows.
void usePlanPath(TMainFormState& f, const PlanPath& plan) {
    f.Gleisbildpfad = plan.folder;
    f.Gleisbildname = plan.name;
    f.DateinameohneEndung = plan.stem;
}

} // namespace

bool TMainForm::planFileNameAccepted(const std::string& name) {
    // Any other name would later be overwritten by a plan: a route file, the settings file.
    if (name.size() >= kPlanExtension.size() &&
        name.compare(name.size() - kPlanExtension.size(), kPlanExtension.size(), kPlanExtension) == 0)
        return true;
    stopBox(140);
    return false;
}

void TMainForm::showPlanTitle() {
    // The title's two parts come from different places: the text table and the disk.
    setWindowTitle(QString::fromStdString(cp1252ToUtf8(Infostring)) + "   Layout: " + decoded(Gleisbildname));
}

void TMainForm::scrollToOrigin() {
    // A bar already at 0 reports no change, so the offsets are set here too.
    HScrollBar->setValue(0);
    VScrollBar->setValue(0);
    Hpos_alt = 0;
    Vpos_alt = 0;
}

void TMainForm::Neu1Click() {
    const std::optional<PlanPath> plan =
        chosenPlan(dialogs().chooseSaveFile({message(103), Bahn->getLayoutPath(), kSaveFilter, kPlanSuffix}));
    if (!plan || !planFileNameAccepted(plan->name))
        return;
    // The routes recorded for the open plan belong in its own route file, not in the new plan's. A
    // plan that New made and nobody saved has none: writing one could replace the routes of a plan
    // of that name that New was only about to replace.
    if (!Gleisbildname.empty() && m_planOnDisk) {
        try {
            Bahn->fahrspeichern();
        } catch (const std::exception& e) {
            showExceptionText(e.what());
            return;
        }
    }
    usePlanPath(*this, *plan);
    m_planOnDisk = false;
    if (Debug)
        debugLine(decoded(Gleisbildname).toStdString());

    setStatusPanel(1, decoded(Gleisbildname).toStdString());
    Anzahl = 0;
    Bahn->EmptyQuarnlist();
    Bahn->EmptyTextlist();
    Bahn->EmptyMovelist();
    Bahn->useRoutes({});
    Bahn->quarngraufaerben();
    scrollToOrigin();
    QuarnPaint();
    setPlanMenuState();
    showPlanTitle();
    // Nothing is written for the new plan: a plan it replaces keeps its files until the user saves.
    Gleisbildentwerfen1Click();
}

void TMainForm::Oeffnen1Click() {
    const std::optional<PlanPath> chosen =
        chosenPlan(dialogs().chooseOpenFile({message(105), Bahn->getLayoutPath(), kOpenFilter, kPlanSuffix}));
    if (!chosen || !planFileNameAccepted(chosen->name))
        return;
    BusyCursor busy(*this);

    // Both files are read and checked before anything changes, so a broken plan file leaves the open
    // plan as it was (a later Save would otherwise write an empty plan over the broken file).
    PlanFileLoad plan;
    RouteFileContents routes;
    std::string routeError;
    try {
        plan = Bahn->readPlanFile(chosen->name, chosen->folder);
        try {
            routes = Bahn->readRouteFile(chosen->stem);
        } catch (const std::exception& e) {
            routeError = e.what();
        }
    } catch (const std::exception& e) {
        busy.release();
        showExceptionText(e.what());
        return;
    }
    // A damaged route file does not keep a good plan closed: the plan opens without routes, and the
    // file goes aside first, so that no route save writes over what it holds. Where it cannot be
    // moved, it is held: no save writes over it while the plan is open.
    bool holdRoutes = false;
    if (!routeError.empty()) {
        try {
            const std::string kept = Bahn->keepBadRouteFile(chosen->stem);
            if (!kept.empty())
                routeError += "\n\nThe route file was kept as " + kept + "; the plan is open without routes.";
        } catch (const std::exception& e) {
            holdRoutes = true;
            routeError += "\n\n" + std::string(e.what()) +
                          ".\nThe plan is open without routes. Its route file is not written over: saving "
                          "routes and the plan under this name is refused until the plan is opened again.";
        }
    }
    // Without its route file the plan's route buttons still carry their numbers: new routes are
    // numbered above them, so that no button sets a route recorded later.
    if (!routeError.empty())
        for (const tPosEntry& entry : plan.contents.entries)
            routes.Anz_strassen = std::min(std::max(routes.Anz_strassen, entry.Fahrnr), MaxRouteNumber);

    Bahn->quarngraufaerben();
    usePlanPath(*this, *chosen);
    m_planOnDisk = true;
    if (holdRoutes)
        Bahn->holdRouteFile(chosen->stem);
    else
        Bahn->releaseRouteFile();
    if (Debug) {
        debugLine(decoded(Gleisbildpfad).toStdString());
        debugLine(decoded(Gleisbildname).toStdString());
    }
    Anzahl = 0;
    Bahn->EmptyQuarnlist();
    Bahn->EmptyTextlist();
    Bahn->EmptyMovelist();
    // A switch command that cannot be sent is shown once the plan and its routes are in.
    FirstError error;
    error.attempt([&] { Bahn->applyPlanFile(std::move(plan)); });
    scrollToOrigin();
    FormResize();
    QuarnPaint();
    Bahn->useRoutes(routes);
    setPlanMenuState();
    showPlanTitle();
    Betrieb1Click();
    busy.release();
    error.show();
    if (!routeError.empty())
        showExceptionText(routeError);
}

void TMainForm::Speichern1Click() {
    try {
        // The plan's route buttons belong with its route file.
        Bahn->checkRouteFileWritable(DateinameohneEndung);
        Bahn->gleisbildspeichern(Gleisbildname, Gleisbildpfad);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
        return;
    }
    Gespeichert = true;
    m_planOnDisk = true;
}

void TMainForm::Speichernals1Click() {
    const std::string folder = Gleisbildpfad.empty() ? Bahn->getLayoutPath() : Gleisbildpfad;
    const std::optional<PlanPath> plan =
        chosenPlan(dialogs().chooseSaveFile({message(106), folder, kSaveFilter, kPlanSuffix}));
    if (!plan || !planFileNameAccepted(plan->name))
        return;
    try {
        // The copy's routes go into its own route file, which must not be a held one.
        Bahn->checkRouteFileWritable(plan->stem);
        Bahn->gleisbildspeichern(plan->name, plan->folder);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
        return;
    }
    // From now on the plan is the copy: its routes go with it, and later routes into its route file.
    usePlanPath(*this, *plan);
    m_planOnDisk = true;
    FirstError error;
    error.attempt([] { Bahn->fahrspeichern(); });
    Gespeichert = true;
    showPlanTitle();
    Betrieb1Click();
    error.show();
}

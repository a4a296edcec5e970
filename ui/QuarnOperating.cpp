// Operating the plan (switching accessories, route buttons, the emergency stop), recording and
// deleting routes in the route editor, and Commands > Synchronize.

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <exception>
#include <string>

#include "engine/Bahncalcunit.h"
#include "engine/Fahrunit.h"
#include "engine/PlanFile.h"
#include "engine/elementunit.h"
#include "platform/DialogService.h"
#include "platform/FirstError.h"
#include "ui/QuarnApplication.h"
#include "ui/Quarnunit.h"

namespace {

constexpr int kButtonHeight = 25;

bool isRouteButton(int kind) {
    return kind == 66 || kind == 88;
}

// Elements that fall back to their first state after being switched.
bool isMomentary(int kind) {
    return kind == 20 || kind == 42 || kind == 64 || kind == 86 || kind == 22;
}

constexpr int kEmergencyStop = 22;
constexpr int kFlashMs = 300;

} // namespace

void TMainForm::buildRouteEditor() {
    auto label = [](QWidget* sheet, QLabel*& member, const char* name, const char* text, int left, int top) {
        member = new QLabel(text, sheet);
        member->setObjectName(name);
        member->move(left, top);
    };
    auto button = [this](QWidget* sheet, QPushButton*& member, const char* name, const char* text, int left,
                         int top, int width, void (TMainForm::*handler)()) {
        member = new QPushButton(text, sheet);
        member->setObjectName(name);
        member->setGeometry(left, top, width, kButtonHeight);
        connect(member, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    using M = TMainForm;
    label(TabSheet1, LabelFahrerst1, "LabelFahrerst1", "Routes", 8, 8);
    label(TabSheet1, LabelFahrerst2, "LabelFahrerst2", "", 100, 8);
    button(TabSheet1, ButtonFahrerst_plus, "ButtonFahrerst_plus", "+", 140, 4, 25,
           &M::ButtonFahrerst_plusClick);
    button(TabSheet1, ButtonFahrerst_minus, "ButtonFahrerst_minus", "-", 170, 4, 25,
           &M::ButtonFahrerst_minusClick);
    button(TabSheet1, Buttonverbinden, "Buttonverbinden", "Connect", 240, 4, 100, &M::ButtonverbindenClick);
    label(TabSheet1, LabelFahrerst3, "LabelFahrerst3", "Track number", 8, 40);
    label(TabSheet1, LabelFahrerst4, "LabelFahrerst4", "", 100, 40);
    button(TabSheet1, ButtonFahrerst_speichern, "ButtonFahrerst_speichern", "Save", 240, 36, 100,
           &M::ButtonFahrerst_speichernClick);
    button(TabSheet1, ButtonFahrerst_cancel, "ButtonFahrerst_cancel", "Cancel", 350, 36, 100,
           &M::ButtonFahrerst_cancelClick);
    label(TabSheet2, LabelFahrdel1, "LabelFahrdel1", "Routes", 8, 8);
    label(TabSheet2, LabelFahrdel2, "LabelFahrdel2", "Track number", 100, 8);
    button(TabSheet2, ButtonDel_plus, "ButtonDel_plus", "+", 140, 4, 25, &M::ButtonDel_plusClick);
    button(TabSheet2, ButtonDel_minus, "ButtonDel_minus", "-", 170, 4, 25, &M::ButtonDel_minusClick);
    button(TabSheet2, ButtonDel_del, "ButtonDel_del", "Delete", 240, 4, 100, &M::ButtonDel_delClick);

    // currentChanged fires for pages set by code too; only the user's choice runs the handler.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (!m_settingRoutePage)
            PageControl1Change();
    });
}

// ---------------------------------------------------------------------------------------------
// Operate mode

void TMainForm::operateDown(TShiftState Shift, int cx, int cy) {
    Fahrstrasse = 0;
    if (!Shift.testFlag(ssLeft))
        return;
    tPosEntry* e = Postable->getEntryByKor(cx, cy);
    if (!e)
        return;
    const int k = e->Enummer;

    if (isRouteButton(k)) {
        const int r = e->Fahrnr;
        Fahrstrasse = r;
        if (!Knopf[r] && r > 0) {
            Fahr->alleknopfaus();
            Fahr->normaleiconchange(r);
            Fahr->knopfan(cx, cy);
            Fahr->fahraktivieren(r);
            Fahr->fahrstrasseniconchange(r);
            Knopf.set(r, true);
        } else if (!Knopf[r]) {
            dialogs().message(message(102), message(121), MessageIcon::Information);
        } else {
            Fahr->alleknopfaus();
            Knopf.set(r, false);
            Fahr->fahrdeaktiv(r);
            Fahr->normaleiconchange(r);
        }
        return;
    }
    if (isDetectorKind(k))
        return;

    const int a = Element->get_art(k - 1);
    const int s = e->Stellung;
    int next = s;
    int decoder = 0, output = 0;
    auto pair = [&](int state, int d, int p) {
        next = state;
        decoder = d;
        output = p;
    };
    if (a == 1)
        pair(2, e->Decod1, e->Daten1);
    else if (a == 2 && s == 1)
        pair(2, e->Decod2, e->Daten2);
    else if (a == 2 && s == 2)
        pair(1, e->Decod1, e->Daten1);
    else if (a == 3 && s == 1)
        pair(2, e->Decod2, e->Daten2);
    else if (a == 3 && s == 2)
        pair(3, e->Decod3, e->Daten3);
    else if (a == 3 && s == 3)
        pair(1, e->Decod1, e->Daten1);

    // A picture that cannot be drawn must not keep the commands from going out, the throttles from
    // stopping or the state from being kept.
    FirstError error;
    const std::string protocol = e->Protokoll;
    auto draw = [&](int state) {
        error.attempt([&] { Bahn->changeicon(drawnPlanState(state), cx, cy, k); });
    };
    if (next == 3) {
        draw(1);
        error.attempt([&] { Bahn->ga_out(protocol, e->Decod1, e->Daten1); });
    }
    error.attempt([&] { Bahn->ga_out(protocol, decoder, output); });
    draw(next);
    if (k == kEmergencyStop)
        error.attempt([this] { setall_lokostop(); });
    if (isMomentary(k)) {
        Bahn->pause(kFlashMs);
        next = 1;
        draw(1);
    }
    e->Stellung = next;
    error.show();
}

// ---------------------------------------------------------------------------------------------
// Route editor

void TMainForm::routeDown(TShiftState Shift, int cx, int cy) {
    tPosEntry* e = Postable->getEntryByKor(cx, cy);
    if (Verbinden == 1) {
        if (!Shift.testFlag(ssLeft) || !e || !isRouteButton(e->Enummer))
            return;
        Bahn->changeicon(11, cx, cy, e->Enummer);
        Verbinden = 2;
        // A button of another route now belongs to this one.
        e->Fahrnr = Fahrstrasse;
        return;
    }
    if (Verbinden != 0)
        return;

    if (Shift.testFlag(ssLeft)) {
        if (e) {
            const int k = e->Enummer;
            const int s = e->Stellung >= 1 && e->Stellung <= 3 ? e->Stellung : 1;
            int t = s + 10;
            if (Fahr->fahrsuchen(Fahrstrasse, cx, cy) == 0) {
                Fahr->fahreintragen(Fahrstrasse, k, cx, cy, t);
                // A route reached with "+" is in use now: the Routes command must not hand it out.
                if (Fahrstrasse > Fahr->Anz_strassen)
                    Fahr->Anz_strassen = Fahrstrasse;
            } else {
                t = Fahr->getstellung(Fahrstrasse, cx, cy);
                const int a = Element->get_art(k - 1);
                if (a > 1) {
                    ++t;
                    if (t - 10 > a)
                        t = 11;
                }
                Fahr->setstellung(Fahrstrasse, cx, cy, t);
            }
            showRouteLabels();
            Bahn->changeicon(t, cx, cy, k);
        } else {
            showRouteLabels();
        }
    }
    if (Shift.testFlag(ssRight) && e) {
        Bahn->changeicon(drawnPlanState(e->Stellung), cx, cy, e->Enummer);
        Fahr->fahrdel(Fahrstrasse, cx, cy);
        showRouteLabels();
    }
}

void TMainForm::showRouteLabels() {
    LabelFahrerst2->setText(QString::number(Fahrstrasse));
    LabelFahrerst4->setText(QString::number(Fahr->readgleisnr(Fahrstrasse)));
}

void TMainForm::showOtherRoute(int shown) {
    Fahr->normaleiconchange(shown);
    Fahr->fahrstrasseniconchange(Fahrstrasse);
}

void TMainForm::ButtonFahrerst_plusClick() {
    try {
        // Plus stops at the highest route number, as minus stops at 1.
        const int shown = Fahrstrasse;
        if (Fahrstrasse < MaxRouteNumber)
            ++Fahrstrasse;
        showRouteLabels();
        showOtherRoute(shown);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
}

void TMainForm::ButtonFahrerst_minusClick() {
    try {
        if (Fahrstrasse > 1)
            --Fahrstrasse;
        showRouteLabels();
        showOtherRoute(Fahrstrasse + 1);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
}

void TMainForm::ButtonverbindenClick() {
    Verbinden = 1;
}

void TMainForm::ButtonFahrerst_speichernClick() {
    if (Verbinden != 2) {
        dialogs().message(message(102), message(121), MessageIcon::None);
        return;
    }
    // The button's route number is part of the plan, so both files are written, and the editor
    // closes only when both are.
    try {
        Bahn->fahrspeichern();
        Bahn->gleisbildspeichern(Gleisbildname, Gleisbildpfad);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
        return;
    }
    // The plan is on disk now, even one that New made: File > New writes its route file from here on.
    Gespeichert = true;
    m_planOnDisk = true;
    Verbinden = 0;
    leaveRouteEditor();
}

void TMainForm::ButtonFahrerst_cancelClick() {
    // The number taken on entering stays used up, and one more with it while there is one.
    Fahr->reserveRoute();
    leaveRouteEditor();
}

void TMainForm::ButtonDel_plusClick() {
    try {
        const int shown = Fahrstrasse;
        if (Fahrstrasse < MaxRouteNumber)
            ++Fahrstrasse;
        LabelFahrdel2->setText(QString::number(Fahrstrasse));
        showOtherRoute(shown);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
}

void TMainForm::ButtonDel_minusClick() {
    try {
        if (Fahrstrasse > 1)
            --Fahrstrasse;
        LabelFahrdel2->setText(QString::number(Fahrstrasse));
        showOtherRoute(Fahrstrasse + 1);
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
}

void TMainForm::ButtonDel_delClick() {
    try {
        Fahr->normaleiconchange(Fahrstrasse);
        Fahr->fahrtotdel(Fahrstrasse);
        Bahn->fahrspeichern();
    } catch (const std::exception& e) {
        showExceptionText(e.what());
    }
}

void TMainForm::PageControl1Change() {
    showRouteLabels();
    LabelFahrdel2->setText(QString::number(Fahrstrasse));
}

// ---------------------------------------------------------------------------------------------
// Commands > Synchronize

void TMainForm::Synchronize1Click() {
    const int n = Postable->getNumbofEntries();
    progressShow(n);
    setBusyCursor(true);
    // The commands block the GUI thread: the progress is painted before each of them.
    auto paintProgress = [this] {
        ProgressBar1->repaint();
        Prozent_label->repaint();
        StatusBar1->repaint();
    };
    paintProgress();
    FirstError error;
    error.attempt([&] {
        for (int i = 0; i < n; ++i) {
            const tPosEntry* e = Postable->getEntryByNum(i);
            const int k = e->Enummer;
            const int a = Element->get_art(k - 1);
            if (Debug)
                debugLine("**** Nr: " + std::to_string(i) + " Indexnummer: " + std::to_string(e->CompID) +
                          " Element: " + std::to_string(k) + " Art: " + std::to_string(a) + "  ***");
            if (a > 0 && !isDetectorKind(k)) {
                const std::string protocol = e->Protokoll;
                if (e->Stellung == 1)
                    Bahn->ga_out(protocol, e->Decod1, e->Daten1);
                else if (e->Stellung == 2)
                    Bahn->ga_out(protocol, e->Decod2, e->Daten2);
                else if (e->Stellung == 3)
                    Bahn->ga_out(protocol, e->Decod3, e->Daten3);
            }
            const std::string percent = std::to_string(static_cast<long long>(i) * 100 / n) + " %";
            progressSet(i, percent);
            setStatusPanel(1, percent);
            paintProgress();
        }
    });
    progressHide();
    setStatusPanel(1, "");
    setBusyCursor(false);
    error.show();
}

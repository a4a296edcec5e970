// Setup > IP Addr/Host (the settings dialog) and the relabelling of every window in the chosen
// language.

#include <QDialog>
#include <QLabel>
#include <QTabWidget>

#include "engine/Bahncalcunit.h"
#include "loco/ThrottlePanel.h"
#include "platform/DialogService.h"
#include "platform/FirstError.h"
#include "platform/qtwidgets/ChildCaption.h"
#include "texts/langunit.h"
#include "ui/Quarnunit.h"
#include "ui/setupunit.h"

void TMainForm::IPAddrHost1Click() {
    if (!SetupForm)
        return;
    SetupForm->showSettings(*this, Dxpresent, connectionOpen());
    if (dialogs().modalWindow("SetupForm", [] { return SetupForm->exec(); }) != QDialog::Accepted)
        return;
    // The connections take host and ports for their next connect; an open one goes on as it is.
    SetupForm->takeHostAndPort(*this);
    applyConnectionSettings();
    SetupForm->takeSettings(*this, Dxpresent);
    // Settings that cannot be written stay in effect for this run; the windows follow them all the same.
    FirstError error;
    error.attempt([] { Bahn->parameterspeichern(); });
    applyLanguage();
    joysticksChanged();
    error.show();
}

void TMainForm::applyLanguage() {
    if (!Lang)
        return;
    Lang->setup(Lang_id);
    // The table gives the address panel the decoder rows' captions; the S88 panel keeps its own.
    if (S88config) {
        Decod_label->setText(QString::fromStdString(message(90)));
        Daten_label->setText(QString::fromStdString(message(91)));
        fitCaption(*Decod_label);
        fitCaption(*Daten_label);
    }
    // The table blanks the route number and count that the route editor shows.
    if (!PageControl1->isHidden())
        PageControl1Change();
}

void TMainForm::joysticksChanged() {
    // The joystick module or its back-end may have changed: start the chosen one, stop the other.
    if (Throttles)
        Throttles->Joyinitsetup();
}

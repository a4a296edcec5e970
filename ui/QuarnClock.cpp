// Commands > Time: the model clock, running from the PC's clock or from the server's, which over
// "SRCP 0.80" is the clock of the client's bus list entry 0.

#include <QAction>
#include <QSpinBox>

#include "engine/SRCP08unit.h"
#include "platform/DialogService.h"
#include "ui/Quarnunit.h"
#include "ui/Uhrunit.h"
#include "ui/timsetupunit.h"

namespace {

// The server's clock, when the client is connected and bus list entry 0 has one.
TMoBaSRCPTime* serverClock() {
    TMoBaSRCPBus* bus = clientBus(ClockBus, "Time");
    return bus ? bus->Time() : nullptr;
}

// Enabling a clock that already runs sends nothing, so the server would keep its old speed: a running
// clock is ended first. Then the server takes the speed with INIT and the time with SET.
void startServerClock(TMoBaSRCPTime& clock, int multiplicator, int divisor, TDateTime time) {
    clock.SetEnabled(false);
    clock.SetMultiplicator(multiplicator);
    clock.SetDivisor(divisor);
    clock.SetDateTime(time);
    clock.SetEnabled(true);
}

} // namespace

void TMainForm::Zeit1Click() {
    if (!Zeit1->isChecked()) {
        if (UhrForm) {
            UhrForm->FormCanClose = true;
            UhrForm->close();
        }
        if (TMoBaSRCPTime* clock = serverClock())
            clock->SetEnabled(false);
        return;
    }

    // Without a choice there is no clock, and the item must say so.
    if (!TimeForm || !UhrForm ||
        dialogs().modalWindow("TimeForm", [] { return TimeForm->exec(); }) != QDialog::Accepted) {
        Zeit1->setChecked(false);
        return;
    }
    // The connection may have gone while the dialog was open: its tail has unchecked and disabled
    // the item (which is enabled only while connected), and a clock opened now could not be closed
    // until the next connect.
    if (!Zeit1->isEnabled() || !Zeit1->isChecked()) {
        Zeit1->setChecked(false);
        return;
    }
    TTimeForm& form = *TimeForm;
    form.Settime = form.chosenTime();
    ZolTime = form.Settime;
    const int speed = form.udSpeed->value();
    if (form.speedItem() == 1) {
        form.Fakty = speed;
        form.Faktx = 1;
    } else {
        form.Faktx = speed;
        form.Fakty = 1;
    }
    if (form.serverItem() == 1) {
        form.ZolMaster = true;
        if (SrcpVer != 73) {
            if (TMoBaSRCPTime* clock = serverClock()) {
                startServerClock(*clock, form.Faktx, form.Fakty, form.Settime);
                ZolTime = form.Settime;
            }
        }
        // The clock counts on from the chosen second until the server first reports.
        UhrForm->ZolSeconds = static_cast<std::uint16_t>(form.udSecs->value());
    } else {
        form.ZolMaster = false;
    }
    UhrForm->show();
    // The chosen time at once, not at the next tick (up to ten seconds away when slowed down).
    UhrForm->showTime();
}

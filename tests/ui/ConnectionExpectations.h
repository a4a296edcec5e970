#pragma once

// What the window tests against a fake server expect of the window around a connection.

#include <QAction>
#include <string>

#include "support/RecordingDialogs.h"
#include "ui/Quarnunit.h"

using MenuItem = QAction* TMainForm::*;

// The menu items that are enabled only while the window is connected to a server.
inline const MenuItem ConnectedItems[] = {&TMainForm::Synchronize1, &TMainForm::Spannungan1,
                                          &TMainForm::Spannungaus1, &TMainForm::Initialisierung1,
                                          &TMainForm::Zeit1,        &TMainForm::Decoderprogrammieren1,
                                          &TMainForm::FreieBefehle1};

inline RecordingDialogs::Call stopBox(const std::string& title, const std::string& text) {
    return {RecordingDialogs::Kind::Message, title, text, MessageIcon::Stop};
}

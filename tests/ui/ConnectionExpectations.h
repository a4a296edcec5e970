#pragma once

// What the window tests against a fake server expect of the window around a connection.

#include <QAction>
#include <gtest/gtest.h>
#include <string>

#include "support/RecordingDialogs.h"
#include "ui/Quarnunit.h"

using MenuItem = QAction* TMainForm::*;

// The menu items that are enabled only while the window is connected to a server.
inline const MenuItem ConnectedItems[] = {&TMainForm::Synchronize1, &TMainForm::Spannungan1,
                                          &TMainForm::Spannungaus1, &TMainForm::Initialisierung1,
                                          &TMainForm::Zeit1,        &TMainForm::Decoderprogrammieren1,
                                          &TMainForm::FreieBefehle1};

inline void expectConnectedMenus(TMainForm* window, bool connected) {
    for (MenuItem item : ConnectedItems)
        EXPECT_EQ((window->*item)->isEnabled(), connected) << (window->*item)->objectName().toStdString();
    EXPECT_EQ(window->Hostverbinden1->isEnabled(), !connected);
    EXPECT_TRUE(window->Hosttrennen1->isEnabled());
}

// Points the window's connections at a server on this machine; srcpVer 0 keeps the transport.
inline void pointAt(TMainForm* window, int port, int srcpVer = 0) {
    window->Iphostchar = "127.0.0.1";
    window->Ipport = port;
    if (srcpVer)
        window->SrcpVer = srcpVer;
    window->applyConnectionSettings();
}

inline RecordingDialogs::Call stopBox(const std::string& title, const std::string& text) {
    return {RecordingDialogs::Kind::Message, title, text, MessageIcon::Stop};
}

// The main window's menu tree, the lookup of a menu item by name, and the enabling rules that several
// commands share.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <vector>

#include "platform/LineConnection.h"
#include "ui/Quarnunit.h"

void TMainForm::buildMenus() {
    struct Item {
        QAction* TMainForm::*member;
        const char* name;
        const char* caption;
        void (TMainForm::*handler)();
        bool checkable;
    };
    struct Menu {
        QMenu* TMainForm::*member;
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    using M = TMainForm;
    // Joystick setup stays invisible and has no handler. Qt checks a checkable item before its
    // handler runs; the mode commands set all seven checks themselves.
    const Menu menus[] = {
        {&M::FileMenu,
         "FileMenu",
         "&File",
         {{&M::Neu1, "Neu1", "&New", &M::Neu1Click, false},
          {&M::Oeffnen1, "Oeffnen1", "&Open", &M::Oeffnen1Click, false},
          {&M::Speichern1, "Speichern1", "&Save", &M::Speichern1Click, false},
          {&M::Speichernals1, "Speichernals1", "Save &as", &M::Speichernals1Click, false},
          {&M::Hostverbinden1, "Hostverbinden1", "&Connect to server", &M::Hostverbinden1Click, false},
          {&M::Hosttrennen1, "Hosttrennen1", "&Disconnect from server", &M::Hosttrennen1Click, false},
          {&M::Ende1, "Ende1", "&End", &M::Ende1Click, false}}},
        {&M::Optionen1,
         "Optionen1",
         "&Options",
         {{&M::Gleisbildentwerfen1, "Gleisbildentwerfen1", "Create &layout", &M::Gleisbildentwerfen1Click,
           true},
          {&M::DecoderAdressen1, "DecoderAdressen1", "Decoder &addresses", &M::DecoderAdressen1Click, true},
          {&M::S88modules1, "S88modules1", "S88 modules", &M::S88modules1Click, true},
          {&M::Text1, "Text1", "Te&xt", &M::Text1Click, true},
          {&M::Betrieb1, "Betrieb1", "&Operate", &M::Betrieb1Click, true},
          {&M::Fahrstrassen1, "Fahrstrassen1", "&Routes", &M::Fahrstrassen1Click, true},
          {&M::Softregler1, "Softregler1", "&Loco setup", &M::Softregler1Click, true},
          {&M::Joystickeinrichten1, "Joystickeinrichten1", "&Joystick setup", nullptr, false}}},
        {&M::Einstellungen1,
         "Einstellungen1",
         "&Setup",
         {{&M::IPAddrHost1, "IPAddrHost1", "IP &Addr/Host", &M::IPAddrHost1Click, false},
          {&M::Joystickcalibrieren1, "Joystickcalibrieren1", "&Joystick test", &M::Joystickcalibrieren1Click,
           false}}},
        {&M::Rckmeldemodule1,
         "Rckmeldemodule1",
         "&Feedback modules",
         {{&M::Abfragestarten1, "Abfragestarten1", "&Start", &M::Abfragestarten1Click, false},
          {&M::Abfragebeenden1, "Abfragebeenden1", "Sto&p", &M::Abfragebeenden1Click, false},
          {&M::Synchronize2, "Synchronize2", "Synchroni&ze", &M::Synchronize2Click, false},
          {&M::Reset1, "Reset1", "&Reset", &M::Reset1Click, false}}},
        {&M::Befehle1,
         "Befehle1",
         "&Commands",
         {{&M::Synchronize1, "Synchronize1", "S&ynchronize", &M::Synchronize1Click, false},
          {&M::Spannungan1, "Spannungan1", "Voltage &on", &M::Spannungan1Click, false},
          {&M::Spannungaus1, "Spannungaus1", "Voltage o&ff", &M::Spannungaus1Click, false},
          {&M::Initialisierung1, "Initialisierung1", "Server &initialization", &M::Initialisierung1Click,
           false},
          {&M::Zeit1, "Zeit1", "&Time", &M::Zeit1Click, true},
          {&M::Decoderprogrammieren1, "Decoderprogrammieren1", "Decoder &programing",
           &M::Decoderprogrammieren1Click, false},
          {&M::FreieBefehle1, "FreieBefehle1", "Free co&mmands", &M::FreieBefehle1Click, false}}},
        {&M::Bildschirm1,
         "Bildschirm1",
         "&Screen",
         {{&M::automatisch1, "automatisch1", "&Automatic", &M::automatisch1Click, true},
          {&M::N640mal480, "N640mal480", "640 x 480", &M::N640mal480Click, true},
          {&M::N800mal600, "N800mal600", "800 x 600", &M::N800mal600Click, true},
          {&M::N1024mal768, "N1024mal768", "1024 x 768", &M::N1024mal768Click, true}}},
        {&M::Hilfe1,
         "Hilfe1",
         "&Help",
         {{&M::Assistent1, "Assistent1", "Assistent", &M::Assistent1Click, false},
          {&M::QuarnHilfe1, "QuarnHilfe1", "&Quarn Help", &M::QuarnHilfe1Click, false},
          {&M::Info1, "Info1", "&Info", &M::Info1Click, false},
          {&M::DirectX1, "DirectX1", "DirectX", &M::DirectX1Click, false}}},
        {&M::Debug1,
         "Debug1",
         "Debug",
         {{&M::openStringGrid1, "openStringGrid1", "open StringGrid", &M::openStringGrid1Click, false},
          {&M::openDebugWindow1, "openDebugWindow1", "open Debug Window", &M::openDebugWindow1Click, false},
          {&M::InitLok1, "InitLok1", "Init Lok", &M::InitLok1Click, false}}},
    };
    for (const Menu& m : menus) {
        QMenu* menu = menuBar()->addMenu(m.caption);
        menu->setObjectName(m.name);
        menu->menuAction()->setObjectName(QString(m.name) + "_action");
        m_menuActions[m.name] = menu->menuAction();
        this->*m.member = menu;
        for (const Item& item : m.items) {
            QAction* action = menu->addAction(item.caption);
            action->setObjectName(item.name);
            action->setCheckable(item.checkable);
            m_menuActions[item.name] = action;
            this->*item.member = action;
            if (item.handler)
                connect(action, &QAction::triggered, this, [this, h = item.handler] { (this->*h)(); });
        }
    }
    Joystickeinrichten1->setVisible(false);
}

QAction* TMainForm::menuAction(const std::string& objectName) const {
    auto it = m_menuActions.find(objectName);
    return it == m_menuActions.end() ? nullptr : it->second;
}

void TMainForm::setStartMenuState() {
    for (QAction* item : {Hostverbinden1, Joystickeinrichten1, Bildschirm1->menuAction()})
        item->setEnabled(true);
    for (QAction* item :
         {Speichernals1, Gleisbildentwerfen1, DecoderAdressen1, S88modules1, Text1, Betrieb1, Fahrstrassen1,
          Softregler1, Abfragestarten1, Abfragebeenden1, Joystickcalibrieren1, Synchronize1, Spannungan1,
          Spannungaus1, Initialisierung1, Zeit1, Decoderprogrammieren1, FreieBefehle1})
        item->setEnabled(false);
}

void TMainForm::setPlanMenuState() {
    for (QAction* item : {Speichernals1, Gleisbildentwerfen1, DecoderAdressen1, S88modules1, Text1, Betrieb1,
                          Fahrstrassen1, Joystickeinrichten1, Abfragebeenden1})
        item->setEnabled(true);
    // Starting again while feedback is read would do nothing.
    Abfragestarten1->setEnabled(!feedbackRunning());
    const bool open = connectionOpen();
    Hostverbinden1->setEnabled(!open);
    // With "SRCP 0.80" (any setting other than 73) the loco table is announced to the server on
    // connecting, so it must not be edited while connected.
    Softregler1->setEnabled(!(open && SrcpVer != 73));
    Bildschirm1->menuAction()->setEnabled(false);
}

bool TMainForm::connectionOpen() const {
    for (const LineConnection* connection : {Command_Socket, Info_Socket}) {
        if (connection && connection->isConnected())
            return true;
    }
    return SRCPCl2 && SRCPCl2->Connected();
}

void TMainForm::setCommandItemsEnabled(bool on) {
    for (QAction* item : {Synchronize1, Spannungan1, Spannungaus1, Initialisierung1, Zeit1,
                          Decoderprogrammieren1, FreieBefehle1})
        item->setEnabled(on);
}

void TMainForm::setConnectedMenuState() {
    setCommandItemsEnabled(true);
    Hostverbinden1->setEnabled(false);
}

// The joystick controls of the throttle panel: arming and binding, the key icons and what their keys
// do, and the start of the chosen joystick back-end.

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>

#include "engine/Bahncalcunit.h"
#include "engine/MainFormState.h"
#include "loco/GuardedHandler.h"
#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "loco/JoystickUnit.h"
#include "loco/JoystickWindows.h"
#include "loco/ThrottleDirection.h"
#include "loco/ThrottlePanel.h"
#include "loco/locosetupunit.h"
#include "platform/qtwidgets/ClickableImage.h"

namespace {

constexpr int kJoystickLeft = 430;
constexpr int kJoystickColumn = 95;

// The main window's fields of joystick K.
struct JoyBinding {
    int& con;
    int& loknr;
    int& faktor;
    bool& armed;
};

JoyBinding binding(int K) {
    TMainFormState& f = form();
    if (K == 1)
        return {f.Joy1con, f.Joy1loknr, f.Joy1faktor, f.Joy1button_pressed};
    return {f.Joy2con, f.Joy2loknr, f.Joy2faktor, f.Joy2button_pressed};
}

// 1..4 for "F1" .. "F4", else 0.
int functionNumber(const std::string& name) {
    if (name.size() == 2 && name[0] == 'F' && name[1] >= '1' && name[1] <= '4')
        return name[1] - '0';
    return 0;
}

QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void ThrottlePanel::buildJoystick(int K) {
    JoystickControls& j = joystick(K);
    const int x = kJoystickLeft + kJoystickColumn * (K - 1);
    j.button = new QPushButton(K == 1 ? "Joystick1" : "Joystick 2", m_panel);
    j.button->setObjectName(QString("Button%1").arg(K));
    j.button->setGeometry(x, 24, 90, 23);
    j.button->hide();
    // A push button clicks on the left button only; the right press that unbinds comes through
    // the filter.
    j.button->installEventFilter(this);
    connect(j.button, &QPushButton::clicked, this,
            [this, K] { runGuarded([this, K] { K == 1 ? Button1Click() : Button2Click(); }); });
    (K == 1 ? Button1 : Button2) = j.button;

    j.label = new QLabel(m_panel);
    j.label->setObjectName(QString("Joylabel%1").arg(K));
    j.label->setGeometry(x, 50, 90, 16);
    (K == 1 ? Joylabel1 : Joylabel2) = j.label;

    for (int key = 1; key <= 4; ++key) {
        auto* icon = new ClickableImage(m_panel);
        icon->setObjectName(QString("Joy%1func_pic%2").arg(K).arg(key));
        icon->setGeometry(x + 17 * (key - 1), 70, 15, 15);
        connect(icon, &ClickableImage::clicked, this,
                [this, K, key] { runGuarded([this, K, key] { joyKeyClick(K, key); }); });
        j.keys[static_cast<std::size_t>(key - 1)] = icon;
    }
}

bool ThrottlePanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int K = 1; K <= 2; ++K) {
            if (watched != joystick(K).button)
                continue;
            const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
            runGuarded([this, K, button] { K == 1 ? Button1MouseDown(button) : Button2MouseDown(button); });
        }
    }
    return QObject::eventFilter(watched, event);
}

ClickableImage* ThrottlePanel::joyPic(int K, int key) const {
    if (K < 1 || K > 2 || key < 1 || key > 4)
        return nullptr;
    return m_joysticks[static_cast<std::size_t>(K - 1)].keys[static_cast<std::size_t>(key - 1)];
}

std::int32_t ThrottlePanel::mainWindowHandle() const {
    return nativeHandle(m_panel->window());
}

void ThrottlePanel::Button1Click() {
    binding(1).armed = true;
}

void ThrottlePanel::Button2Click() {
    binding(2).armed = true;
}

void ThrottlePanel::Button1MouseDown(Qt::MouseButton button) {
    joyButtonMouseDown(1, button);
}

void ThrottlePanel::Button2MouseDown(Qt::MouseButton button) {
    joyButtonMouseDown(2, button);
}

void ThrottlePanel::joyButtonMouseDown(int K, Qt::MouseButton button) {
    if (button != Qt::RightButton)
        return;
    JoyBinding b = binding(K);
    b.con = 0;
    b.loknr = -1;
    JoystickControls& j = joystick(K);
    j.label->clear();
    Lokname_label->clear();
    for (ClickableImage* key : j.keys)
        key->setPixmap(QPixmap());
}

void ThrottlePanel::setupjoybuttons(int i) {
    Throttle* t = live(i);
    if (!t)
        return;
    for (int K = 1; K <= 2; ++K) {
        JoyBinding b = binding(K);
        if (!b.armed)
            continue;
        b.con = i + 1;
        b.loknr = i;
        joystick(K).label->setText(qs(uiText(122) + std::to_string(i + 1)));
        b.faktor = t->bar->maximum();
        loadjoypics(K, i);
        b.armed = false;
    }
}

void ThrottlePanel::loadjoy1pics(int i) {
    loadjoypics(1, i);
}

void ThrottlePanel::loadjoy2pics(int i) {
    loadjoypics(2, i);
}

void ThrottlePanel::loadjoypics(int K, int i) {
    if (!live(i))
        return;
    if (const int code = Lok->get_jb1(i); code > 0) {
        std::string file = flookup(code);
        // The direction key shows the slot's arrow, as the throttle's direction button does.
        if ((code == 7 || code == 17) && Lok->get_protocol(i) != "M1")
            file = Lok->get_direction(i) == 1 ? "pfeil_li.bmp" : "pfeil_re.bmp";
        setKeyPicture(K, 1, file);
    }
    if (const int code = Lok->get_jb2(i); code > 0)
        setKeyPicture(K, 2, flookup(code));
    TLokFunctions F{};
    Lok->get_F(i, F);
    for (int key = 3; key <= 4; ++key) {
        const int code = key == 3 ? Lok->get_jb3(i) : Lok->get_jb4(i);
        // Keys 3 and 4 show the state of the throttle function they switch; a key that names none
        // has no picture of its own and keeps what it showed.
        const int k = functionNumber(key == 3 ? Lok->get_jb3func(i) : Lok->get_jb4func(i));
        if (code > 0 && k > 0)
            setKeyPicture(K, key, flookup(F[static_cast<std::size_t>(k)]));
    }
}

void ThrottlePanel::setKeyPicture(int K, int key, const std::string& file, bool quiet) {
    ClickableImage* icon = joyPic(K, key);
    if (!quiet) {
        icon->setPixmap(dataPicture(file));
        return;
    }
    try {
        icon->setPixmap(dataPicture(file));
    } catch (const BitmapFileError&) {
    }
}

void ThrottlePanel::joyKeyClick(int K, int key) {
    if (K < 1 || K > 2 || key < 1 || key > 4)
        return;
    const JoyBinding b = binding(K);
    const int s = b.loknr;
    if (b.con == 0 || !live(s))
        return;
    const DirectionKind kind = directionKind(Lok->get_protocol(s));
    // Every key stores and sends the slot before it draws, so that a missing picture never leaves
    // the table and the loco apart.
    switch (key) {
    case 1: {
        if (Lok->get_addr(s) <= 0)
            return;
        const char* icon = nullptr;
        if (kind != DirectionKind::None && Lok->get_speed(s) < 1) {
            const int direction = Lok->get_direction(s) == 1 ? 0 : 1;
            Lok->set_direction(s, direction);
            icon = arrowOf(kind, direction);
        }
        Bahn->gl_out(s);
        if (icon)
            setKeyPicture(K, 1, icon);
        return;
    }
    case 2: {
        TLokFunctions F{};
        Lok->get_F(s, F);
        F[0] = F[0] < 11 ? 11 : 1;
        Lok->set_F(s, F);
        Bahn->gl_out(s);
        setKeyPicture(K, 2, F[0] == 11 ? "Func_on.bmp" : "Func_off.bmp");
        return;
    }
    default: {
        if (kind != DirectionKind::TwoWay)
            return;
        int code = key == 3 ? Lok->get_jb3(s) : Lok->get_jb4(s);
        code = code > 10 ? code - 10 : code + 10;
        key == 3 ? Lok->set_jb3(s, code) : Lok->set_jb4(s, code);
        setKeyPicture(K, key, flookup(code), true);
        searchAndClickPics(key == 3 ? Lok->get_jb3func(s) : Lok->get_jb4func(s), s);
        return;
    }
    }
}

int ThrottlePanel::searchAndClickPics(const std::string& name, int slot) {
    const int k = functionNumber(name);
    if (k > 0 && slot >= 0 && slot < LOKMAX)
        FuncPicClick(slot, k);
    return 0;
}

int ThrottlePanel::Joyinitsetup() {
    TMainFormState& f = form();
    auto showButtons = [this](bool on) {
        Button1->setVisible(on);
        Button2->setVisible(on);
    };
    // Only the chosen back-end may move the bars; a failed start must not leave its own polling on
    // a reading that no longer changes.
    if (f.Joy_Mode == 0) {
        if (JoyWinForm)
            setTimerEnabled(JoyWinForm->JoyTimer, false);
        int result = 1;
        if (Joystick) {
            Joystick->setDIHandle(mainWindowHandle());
            result = Joystick->Joy_init();
        }
        if (result > 0) {
            f.setStatusPanel(2, noJoystickText());
            showButtons(false);
        } else {
            f.setStatusPanel(2, uiText(138) + std::to_string(Joystick->getNrOfJoysticks()) + uiText(139));
            showButtons(true);
        }
        if (JoyDxForm)
            setTimerEnabled(JoyDxForm->JoyTimer, result == 0);
    } else if (f.Joy_Mode == 1) {
        if (JoyDxForm)
            setTimerEnabled(JoyDxForm->JoyTimer, false);
        int result = 1;
        if (JoyWinForm)
            result = JoyWinForm->setup();
        else
            showButtons(false);
        f.setStatusPanel(2, result != 0 ? noJoystickText() : uiText(138) + uiText(139));
    }
    return 0;
}

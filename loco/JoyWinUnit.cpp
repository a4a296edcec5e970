#include "loco/JoyWinUnit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "engine/MainFormState.h"
#include "loco/GuardedHandler.h"
#include "loco/JoystickWindows.h"
#include "loco/ThrottlePanel.h"
#include "platform/DialogService.h"

TJoyWinForm* JoyWinForm = nullptr;

namespace {

constexpr int kTickMs = 200;
// A button value still held at the third poll after an action acts again.
constexpr int kLockoutPolls = 3;
constexpr std::uint32_t kPollFlags = JOY_RETURNY | JOY_RETURNZ | JOY_RETURNBUTTONS;

// The six button values acted on, each for one joystick, with its box in the test display.
struct ButtonAction {
    std::uint32_t mask;
    int joystick;
    void (TJoyWinForm::*action)();
    QCheckBox* TJoyWinForm::*box;
};
constexpr ButtonAction kButtonActions[] = {
    {1, 1, &TJoyWinForm::richtung1aendern, &TJoyWinForm::cb11},
    {2, 1, &TJoyWinForm::licht1aendern, &TJoyWinForm::cb12},
    {3, 1, &TJoyWinForm::funkt1aendern, &TJoyWinForm::cb13},
    {4, 2, &TJoyWinForm::richtung2aendern, &TJoyWinForm::cb21},
    {8, 2, &TJoyWinForm::licht2aendern, &TJoyWinForm::cb22},
    {12, 2, &TJoyWinForm::funkt2aendern, &TJoyWinForm::cb23},
};

const ButtonAction* buttonAction(std::uint32_t mask) {
    for (const ButtonAction& a : kButtonActions)
        if (a.mask == mask)
            return &a;
    return nullptr;
}

int boundThrottle(int joystick) {
    if (!MainForm)
        return 0;
    return joystick == 1 ? MainForm->Joy1con : MainForm->Joy2con;
}

QString number(std::int64_t value) {
    return QString::number(value);
}

} // namespace

TJoyWinForm::TJoyWinForm(QWidget* parent) : JoystickWindow("JoyWinForm", 330, kTickMs, parent) {
    buildControls();
    FormCreate();
}

TJoyWinForm::~TJoyWinForm() {
    FormDestroy();
}

void TJoyWinForm::buildControls() {
    TrackBarY = joystickTrackBar(this, "TrackBarY", -100, 100, 50);
    TrackBarZ = joystickTrackBar(this, "TrackBarZ", -50, 50, 230);
    YLabel1 = joystickLabel(this, "YLabel1", "0", 100, 44);
    YLabel2 = joystickLabel(this, "YLabel2", "0", 280, 44);
    Label1 = joystickLabel(this, "Label1", "Label1", 10, 250);
    Label2 = joystickLabel(this, "Label2", "Label2", 110, 250);
    Label3 = joystickLabel(this, "Label3", "Label3", 210, 250);
    Label4 = joystickLabel(this, "Label4", "Label4", 310, 250);
    auto box = [this](const char* name, const char* text, int x, int row) {
        auto* b = new QCheckBox(text, this);
        b->setObjectName(name);
        b->setGeometry(x, 80 + 26 * row, 110, 20);
        return b;
    };
    cb11 = box("cb11", "Button 1", 100, 0);
    cb12 = box("cb12", "Button 2", 100, 1);
    cb13 = box("cb13", "Button 1+ 2", 100, 2);
    cb21 = box("cb21", "Button 1", 280, 0);
    cb22 = box("cb22", "Button 2", 280, 1);
    cb23 = box("cb23", "Button 1 + 2", 280, 2);
    Test_button = joystickButton(this, "Test_button", "Test", 20, [this] { Test_buttonClick(); });
    CalButton = joystickButton(this, "CalButton", "Calibrate", 160, [this] { CalButtonClick(); });
    EndButton = joystickButton(this, "EndButton", "Exit", 300, [this] { EndButtonClick(); });
}

void TJoyWinForm::FormCreate() {
    m_buttonLockout = 0;
    if (!MainForm)
        return;
    MainForm->Joy1faktor = 100;
    MainForm->Joy2faktor = 100;
    for (QLabel* l : {Label1, Label2, Label3, Label4, YLabel1, YLabel2})
        l->setVisible(MainForm->Debug);
}

void TJoyWinForm::FormDestroy() {}

int TJoyWinForm::setup() {
    Joy = static_cast<std::int32_t>(readCapabilities());
    if (Joy < 1) {
        showBindingButtons(true);
        setTimerEnabled(JoyTimer, true);
        return 0;
    }
    showBindingButtons(false);
    // Polling on after a failure would act on a reading that no longer changes.
    setTimerEnabled(JoyTimer, false);
    return 1;
}

std::uint32_t TJoyWinForm::readCapabilities() {
    const std::uint32_t result = joyGetDevCapsA(0, &JoyCaps, sizeof JoyCaps);
    m_capsStale = result != JOYERR_NOERROR;
    if (!m_capsStale) {
        applyRanges();
        Label1->setText("Ymin = " + number(JoyCaps.wYmin));
        Label2->setText("Ymax = " + number(JoyCaps.wYmax));
    }
    return result;
}

std::uint32_t TJoyWinForm::queryPosition() {
    const std::uint32_t result = joyGetPosEx(0, &JoyInfo);
    // A controller found after a query that failed (none at start, or unplugged) may not be the one
    // whose ranges were read last, if any were: its own are read before its position is used.
    if (result != JOYERR_NOERROR)
        m_capsStale = true;
    else if (m_capsStale)
        readCapabilities();
    if (result == JOYERR_NOERROR && !m_capsStale && !m_buttonsShown)
        showFound();
    return result;
}

void TJoyWinForm::showFound() {
    // Only while this back-end is the chosen one: the other one reports its own findings.
    if (!MainForm || MainForm->Joy_Mode != 1)
        return;
    showBindingButtons(true);
    MainForm->setStatusPanel(2, uiText(138) + uiText(139));
}

void TJoyWinForm::applyRanges() {
    auto apply = [](QSlider* bar, std::uint32_t min, std::uint32_t max, std::int32_t& lo, std::int32_t& hi) {
        lo = static_cast<std::int32_t>(min);
        hi = static_cast<std::int32_t>(max);
        bar->setRange(lo, hi);
        bar->setTickInterval(static_cast<int>((max - min) / 1000));
    };
    apply(TrackBarZ, JoyCaps.wZmin, JoyCaps.wZmax, Zmin, Zmax);
    apply(TrackBarY, JoyCaps.wYmin, JoyCaps.wYmax, Ymin, Ymax);
}

void TJoyWinForm::showBindingButtons(bool on) {
    m_buttonsShown = on;
    if (!Throttles)
        return;
    Throttles->Button1->setVisible(on);
    Throttles->Button2->setVisible(on);
}

void TJoyWinForm::JoyMove() {
    JoyInfo.dwFlags = kPollFlags;
    JoyInfo.dwSize = sizeof JoyInfo;
    // A device that cannot be read (unplugged) must not replay its last values, buttons included.
    if (queryPosition() != JOYERR_NOERROR || !MainForm)
        return;
    TMainFormState& f = *MainForm;
    if (f.Joy1con >= 1 && f.Joy1con <= 10) {
        moveBar(f.Joy1con, f.Joy1faktor, JoyInfo.dwYpos, Ymin, Ymax);
        if (f.Debug)
            f.debugLine(std::to_string(JoyInfo.dwYpos));
    }
    if (f.Joy2con >= 1 && f.Joy2con <= 10) {
        moveBar(f.Joy2con, f.Joy2faktor, JoyInfo.dwZpos, Zmin, Zmax);
        if (f.Debug)
            f.debugLine(std::to_string(JoyInfo.dwZpos));
    }
    // One press lasts longer than a poll; without the lock-out a toggle would switch on and off again.
    if (m_buttonLockout != 0) {
        if (++m_buttonLockout == kLockoutPolls)
            m_buttonLockout = 0;
        return;
    }
    const ButtonAction* a = buttonAction(JoyInfo.dwButtons);
    if (a == nullptr || boundThrottle(a->joystick) <= 0)
        return;
    m_buttonLockout = 1;
    (this->*a->action)();
}

void TJoyWinForm::moveBar(int con, int faktor, std::uint32_t reading, std::int32_t min, std::int32_t max) {
    // A zero-width range says nothing about the stick.
    if (max <= min || !Throttles)
        return;
    const double span = static_cast<double>(max) - min;
    const double top = std::max(0, faktor);
    const double offset = std::clamp(static_cast<double>(reading) - min, 0.0, span);
    // The minimum (stick forward) is the top of the bar, 0; the maximum its bottom, faktor.
    const auto position =
        static_cast<int>(std::clamp(std::llround(offset * top / span), 0LL, static_cast<long long>(top)));
    Throttles->scrollBar(con - 1)->setValue(position);
}

void TJoyWinForm::JoyTimerTimer() {
    JoyMove();
}

void TJoyWinForm::TestTimerTimer() {
    JoyInfo.dwFlags = kPollFlags;
    JoyInfo.dwSize = sizeof JoyInfo;
    queryPosition();
    TrackBarZ->setValue(static_cast<int>(JoyInfo.dwZpos));
    YLabel2->setText(number(JoyInfo.dwZpos));
    TrackBarY->setValue(static_cast<int>(JoyInfo.dwYpos));
    YLabel1->setText(number(JoyInfo.dwYpos));
    const ButtonAction* shown = buttonAction(JoyInfo.dwButtons);
    // A known value ticks its box and clears the others of its column; any other value clears all.
    for (const ButtonAction& a : kButtonActions)
        if (shown == nullptr || a.joystick == shown->joystick)
            (this->*a.box)->setChecked(&a == shown);
}

void TJoyWinForm::Test_buttonClick() {
    JoyInfo.dwSize = sizeof JoyInfo;
    Joy = static_cast<std::int32_t>(queryPosition());
    Label3->setText("Joy = " + number(Joy));
    if (Joy > 0) {
        dialogs().message(uiText(102), noJoystickText(), MessageIcon::Stop);
        showBindingButtons(false);
        return;
    }
    applyRanges();
    Label1->setText("Zmin = " + number(Zmin));
    Label2->setText("Zmax = " + number(Zmax));
    Label3->setText("Ymin = " + number(Ymin));
    Label4->setText("Ymax = " + number(Ymax));
    showBindingButtons(true);
    setTimerEnabled(JoyTimer, false);
    setTimerEnabled(TestTimer, true);
}

void TJoyWinForm::EndButtonClick() {
    reject();
}

void TJoyWinForm::reject() {
    setTimerEnabled(TestTimer, false);
    setTimerEnabled(JoyTimer, true);
    QDialog::reject();
}

void TJoyWinForm::CalButtonClick() {
    calibrateThroughApplet(FWindowHandle, JoyTimer, TestTimer);
}

void TJoyWinForm::richtung1aendern() {
    if (Throttles && boundThrottle(1) > 0)
        Throttles->Joy1func_pic1Click();
}

void TJoyWinForm::licht1aendern() {
    if (Throttles && boundThrottle(1) > 0)
        Throttles->Joy1func_pic2Click();
}

void TJoyWinForm::funkt1aendern() {
    if (Throttles && boundThrottle(1) > 0)
        Throttles->Joy1func_pic3Click();
}

void TJoyWinForm::richtung2aendern() {
    if (Throttles && boundThrottle(2) > 0)
        Throttles->Joy2func_pic1Click();
}

void TJoyWinForm::licht2aendern() {
    if (Throttles && boundThrottle(2) > 0)
        Throttles->Joy2func_pic2Click();
}

void TJoyWinForm::funkt2aendern() {
    if (Throttles && boundThrottle(2) > 0)
        Throttles->Joy2func_pic3Click();
}

#include "loco/JoyDxUnit.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "engine/MainFormState.h"
#include "loco/GuardedHandler.h"
#include "loco/JoystickWindows.h"
#include "loco/ThrottlePanel.h"

TJoyDxForm* JoyDxForm = nullptr;

namespace {

constexpr int kTickMs = 50;
// A controller's buttons are tested again at its fifth reading after an action.
constexpr int kLockoutReadings = 5;

} // namespace

TJoyDxForm::TJoyDxForm(QWidget* parent) : JoystickWindow("JoyDxForm", 360, kTickMs, parent) {
    buildControls();
    FormCreate();
}

TJoyDxForm::~TJoyDxForm() {
    FormDestroy();
}

void TJoyDxForm::buildControls() {
    Label1 = joystickLabel(this, "Label1", "", 20, 250);
    TrackBar1 = joystickTrackBar(this, "TrackBar1", -100, 100, 50);
    TrackBar2 = joystickTrackBar(this, "TrackBar2", -50, 50, 230);
    for (int k = 0; k < 5; ++k) {
        for (int column = 0; column < 2; ++column) {
            auto* box = new QCheckBox(QString("F%1").arg(k), this);
            box->setObjectName(QString("CBF%1%2").arg(column == 0 ? "" : "1").arg(k));
            box->setGeometry(100 + 180 * column, 44 + 26 * k, 60, 20);
            (column == 0 ? CBF : CBF1x)[static_cast<std::size_t>(k)] = box;
        }
    }
    Test_button = joystickButton(this, "Test_button", "Test", 20, [this] { Test_buttonClick(); });
    CalButton = joystickButton(this, "CalButton", "Calibrate", 160, [this] { CalButtonClick(); });
    Exit_button = joystickButton(this, "Exit_button", "Exit", 300, [this] { Exit_buttonClick(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 335, 420, 25);
    auto* panel = new QLabel(StatusBar1);
    panel->setFixedWidth(50);
    StatusBar1->addWidget(panel);
}

void TJoyDxForm::FormCreate() {
    Joy1buttonpressed = 0;
    Joy2buttonpressed = 0;
    Joy1State = TJoyData{};
    Joy2State = TJoyData{};
    if (!MainForm)
        return;
    MainForm->Joy1faktor = 100;
    MainForm->Joy2faktor = 100;
    Label1->setText(MainForm->Joysetup ? "true" : "false");
}

void TJoyDxForm::FormDestroy() {}

void TJoyDxForm::Test_buttonClick() {
    if (Joystick)
        Joystick->setDIHandle(nativeHandle(this));
    setTimerEnabled(TestTimer, true);
    setTimerEnabled(JoyTimer, false);
}

void TJoyDxForm::Exit_buttonClick() {
    reject();
}

void TJoyDxForm::reject() {
    setTimerEnabled(TestTimer, false);
    setTimerEnabled(JoyTimer, true);
    if (Joystick && Throttles)
        Joystick->setDIHandle(Throttles->mainWindowHandle());
    QDialog::reject();
}

void TJoyDxForm::CalButtonClick() {
    calibrateThroughApplet(FWindowHandle, JoyTimer, TestTimer);
}

void TJoyDxForm::TestTimerTimer() {
    StickChanged = !StickChanged;
    if (!Joystick)
        return;
    // The display shows whatever the reading holds, also after a failed read.
    if (StickChanged) {
        Joystick->GetInput1(&Joy1State);
        showTest(Joy1State, TrackBar1, CBF);
    } else if (Joystick->getNrOfJoysticks() > 1) {
        Joystick->GetInput2(&Joy2State);
        showTest(Joy2State, TrackBar2, CBF1x);
    }
}

void TJoyDxForm::showTest(const TJoyData& reading, QSlider* bar, const std::array<QCheckBox*, 5>& boxes) {
    bar->setValue(reading.Joy_y);
    const std::int32_t buttons[] = {reading.Button1, reading.Button2, reading.Button3, reading.Button4};
    for (std::size_t k = 0; k < 4; ++k)
        boxes[k]->setChecked(buttons[k] != 0);
}

void TJoyDxForm::JoyTimerTimer() {
    StickChanged = !StickChanged;
    if (!Joystick || !MainForm)
        return;
    const TMainFormState& f = *MainForm;
    // A controller that cannot be read (unplugged, not initialised) is not served: its last reading
    // would hold the bar and repeat a held button.
    if (StickChanged) {
        if (f.Joy1con > 0 && Joystick->GetInput1(&Joy1State) == 0)
            serve(1, Joy1State);
    } else if (f.Joy2con > 0 && Joystick->getNrOfJoysticks() >= 2 && Joystick->GetInput2(&Joy2State) == 0) {
        serve(2, Joy2State);
    }
}

void TJoyDxForm::serve(int K, const TJoyData& reading) {
    TMainFormState& f = form();
    const int con = K == 1 ? f.Joy1con : f.Joy2con;
    const std::int64_t faktor = K == 1 ? f.Joy1faktor : f.Joy2faktor;
    // Stick forward (-100) is the top of the bar, 0; pulled back (100) its bottom, faktor.
    const std::int64_t position = faktor * (reading.Joy_y / 2 + 50) / 100;
    if (f.Debug)
        f.debugLine("Joystick" + std::to_string(K) + ": " + std::to_string(reading.Joy_y));
    if (con >= 1 && con <= 10 && Throttles)
        Throttles->scrollBar(con - 1)->setValue(
            static_cast<int>(std::clamp<std::int64_t>(position, INT_MIN, INT_MAX)));

    int& lockout = K == 1 ? Joy1buttonpressed : Joy2buttonpressed;
    if (lockout != 0) {
        if (++lockout == kLockoutReadings)
            lockout = 0;
        return;
    }
    const std::int32_t buttons[] = {reading.Button1, reading.Button2, reading.Button3, reading.Button4};
    for (int k = 1; k <= 4; ++k) {
        if (buttons[k - 1] <= 0)
            continue;
        // Locked before the action runs, so that one that fails is not repeated at the next reading.
        lockout = 1;
        buttonAction(K, k);
    }
}

void TJoyDxForm::buttonAction(int K, int button) {
    switch (button) {
    case 1:
        K == 1 ? richtung1aendern() : richtung2aendern();
        break;
    case 2:
        K == 1 ? licht1aendern() : licht2aendern();
        break;
    case 3:
        K == 1 ? funkt11aendern() : funkt21aendern();
        break;
    default:
        K == 1 ? funkt12aendern() : funkt22aendern();
        break;
    }
}

void TJoyDxForm::richtung1aendern() {
    if (Throttles && form().Joy1con > 0)
        Throttles->Joy1func_pic1Click();
}

void TJoyDxForm::licht1aendern() {
    if (Throttles)
        Throttles->Joy1func_pic2Click();
}

void TJoyDxForm::funkt11aendern() {
    if (Throttles)
        Throttles->Joy1func_pic3Click();
}

void TJoyDxForm::funkt12aendern() {
    if (Throttles)
        Throttles->Joy1func_pic4Click();
}

void TJoyDxForm::richtung2aendern() {
    if (Throttles && form().Joy2con > 0)
        Throttles->Joy2func_pic1Click();
}

void TJoyDxForm::licht2aendern() {
    if (Throttles)
        Throttles->Joy2func_pic2Click();
}

void TJoyDxForm::funkt21aendern() {
    if (Throttles)
        Throttles->Joy2func_pic3Click();
}

void TJoyDxForm::funkt22aendern() {
    if (Throttles)
        Throttles->Joy2func_pic4Click();
}

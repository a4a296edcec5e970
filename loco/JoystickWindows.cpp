#include "loco/JoystickWindows.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QWidget>

#include "engine/MainFormState.h"
#include "loco/GuardedHandler.h"
#include "loco/input/ControlPanelApplet.h"
#include "loco/input/InputPlatform.h"

std::int32_t nativeHandle(QWidget* window) {
    if (window == nullptr)
        return 0;
    const auto id = static_cast<std::uint64_t>(window->winId());
    const auto folded = static_cast<std::uint32_t>(id ^ (id >> 32));
    return static_cast<std::int32_t>(folded == 0 ? 1 : folded);
}

void setTimerEnabled(QTimer* timer, bool on) {
    if (timer == nullptr)
        return;
    if (!on)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

std::string noJoystickText() {
    std::string text = uiText(130);
    if (const std::string why = unreadableNodes(inputPlatform().devices()); !why.empty())
        text += " (" + why + ")";
    return text;
}

void runTick(bool& running, const std::function<void()>& tick) {
    if (running)
        return;
    running = true;
    runGuarded(tick);
    running = false;
}

void calibrateThroughApplet(std::uint32_t parentWindow, QTimer* joyTimer, QTimer* testTimer) {
    struct ResumeTest {
        QTimer* timer;
        ~ResumeTest() { setTimerEnabled(timer, true); }
    } resume{testTimer};
    runJoystickApplet(parentWindow, [joyTimer, testTimer] {
        setTimerEnabled(joyTimer, false);
        setTimerEnabled(testTimer, false);
    });
}

QLabel* joystickLabel(QWidget* parent, const char* name, const char* text, int x, int y, bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    label->setGeometry(x, y, 95, 16);
    return label;
}

QSlider* joystickTrackBar(QWidget* parent, const char* name, int minimum, int maximum, int x) {
    auto* bar = new QSlider(Qt::Vertical, parent);
    bar->setObjectName(name);
    bar->setRange(minimum, maximum);
    bar->setInvertedAppearance(true);
    bar->setTickPosition(QSlider::TicksBothSides);
    bar->setGeometry(x, 40, 30, 200);
    return bar;
}

QPushButton* joystickButton(QWidget* parent, const char* name, const char* text, int x,
                            const std::function<void()>& handler) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(x, 285, 100, 25);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, parent, [handler] { runGuarded(handler); });
    return button;
}

JoystickWindow::JoystickWindow(const char* name, int height, int tickMs, QWidget* parent) : QDialog(parent) {
    setObjectName(name);
    setWindowTitle(name);
    resize(420, height);
    Label9 = joystickLabel(this, "Label9", "Joystick 1", 40, 12, true);
    Label10 = joystickLabel(this, "Label10", "Joystick 2", 220, 12, true);
    Label11 = joystickLabel(this, "Label11", "Function", 100, 24);
    Label11->hide();
    Label12 = joystickLabel(this, "Label12", "Function", 280, 24);
    Label12->hide();
    auto timer = [this, tickMs](const char* timerName, void (JoystickWindow::*tick)()) {
        auto* t = new QTimer(this);
        t->setObjectName(timerName);
        t->setInterval(tickMs);
        connect(t, &QTimer::timeout, this,
                [this, tick] { runTick(m_ticking, [this, tick] { (this->*tick)(); }); });
        return t;
    };
    TestTimer = timer("TestTimer", &JoystickWindow::TestTimerTimer);
    JoyTimer = timer("JoyTimer", &JoystickWindow::JoyTimerTimer);
}

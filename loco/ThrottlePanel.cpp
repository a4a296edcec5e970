#include "loco/ThrottlePanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <cstdint>
#include <exception>
#include <utility>

#include "engine/Bahncalcunit.h"
#include "engine/MainFormState.h"
#include "loco/GuardedHandler.h"
#include "loco/ThrottleDirection.h"
#include "loco/locosetupunit.h"
#include "platform/FirstError.h"
#include "platform/qt/QtText.h"
#include "platform/qtwidgets/ClickableImage.h"

ThrottlePanel* Throttles = nullptr;

namespace {

constexpr int kFirstColumn = 24;
constexpr int kColumnWidth = 40;

// Near standstill in normal mode: the bottom tenth of the bar.
bool inBottomTenth(const QScrollBar* bar) {
    return static_cast<double>(bar->value()) > 0.9 * bar->maximum();
}

} // namespace

ThrottlePanel::ThrottlePanel(QWidget* panel) : QObject(panel), m_panel(panel) {
    setObjectName("ThrottlePanel");
    for (int i = 0; i < LOKMAX; ++i)
        buildThrottle(i);
    Lokname_label = new QLabel(panel);
    Lokname_label->setObjectName("Lokname_label");
    Lokname_label->setGeometry(430, 4, 180, 16);
    buildJoystick(1);
    buildJoystick(2);
    Throttles = this;
    setThrottleControls(this);
}

ThrottlePanel::~ThrottlePanel() {
    if (throttleControls() == this)
        setThrottleControls(nullptr);
    if (Throttles == this)
        Throttles = nullptr;
}

void ThrottlePanel::buildThrottle(int i) {
    Throttle& t = m_throttles[static_cast<std::size_t>(i)];
    const int n = i + 1;
    const int x = kFirstColumn + kColumnWidth * i;

    t.bar = new QScrollBar(Qt::Vertical, m_panel);
    t.bar->setObjectName(QString("ScrollBar%1").arg(n));
    t.bar->setGeometry(x, 0, 16, 80);
    t.bar->setRange(0, 100);
    t.bar->setValue(100);
    t.bar->setSingleStep(1);
    t.bar->setPageStep(1);
    connect(t.bar, &QScrollBar::valueChanged, this, [this, i] {
        ++m_throttles[static_cast<std::size_t>(i)].changes;
        if (m_movingByCode == 0) {
            runGuarded([this, i] { ScrollBar1Change(i); });
            return;
        }
        // One of our own operations moved the bar: its caller gets the failure.
        try {
            ScrollBar1Change(i);
        } catch (...) {
            if (!m_moveFailure)
                m_moveFailure = std::current_exception();
        }
    });

    t.button = new QToolButton(m_panel);
    t.button->setObjectName(QString("SpeedButton%1").arg(n));
    t.button->setGeometry(x, 80, 17, 17);
    t.button->setIconSize(QSize(15, 15));
    connect(t.button, &QToolButton::clicked, this,
            [this, i] { runGuarded([this, i] { SpeedButton1Click(i); }); });

    t.box = new QCheckBox(m_panel);
    t.box->setObjectName(QString("CheckBox%1").arg(n));
    t.box->setGeometry(x, 96, 17, 17);
    connect(t.box, &QCheckBox::toggled, this, [this, i] { runGuarded([this, i] { CheckBoxClick(i); }); });

    t.label = new QLabel(m_panel);
    t.label->setObjectName(QString("Regler%1_label").arg(n));
    t.label->setAutoFillBackground(true);
    QPalette yellow = t.label->palette();
    yellow.setColor(QPalette::Window, Qt::yellow);
    t.label->setPalette(yellow);
    // Sized to its text once it has one; until then a small yellow box beside the check box.
    t.label->setGeometry(x + 18, 98, 20, 13);

    for (int f = 0; f <= 4; ++f) {
        auto* icon = new ClickableImage(m_panel);
        icon->setObjectName(f == 0 ? QString("Func_pic%1").arg(n) : QString("Func%1_pic%2").arg(f).arg(n));
        icon->setGeometry(x + 18, 1 + 16 * f, 15, 15);
        connect(icon, &ClickableImage::clicked, this, [this, i, f] {
            runGuarded([this, i, f] { f == 0 ? Func_pic1Click(i) : FuncPicClick(i, f); });
        });
        t.func[static_cast<std::size_t>(f)] = icon;
    }
}

ThrottlePanel::Throttle* ThrottlePanel::live(int Regler) {
    if (Regler < 0 || Regler >= LOKMAX || !Lok || !Bahn || !MainForm)
        return nullptr;
    return &m_throttles[static_cast<std::size_t>(Regler)];
}

QScrollBar* ThrottlePanel::scrollBar(int Regler) const {
    return Regler >= 0 && Regler < LOKMAX ? m_throttles[static_cast<std::size_t>(Regler)].bar : nullptr;
}

QToolButton* ThrottlePanel::speedButton(int Regler) const {
    return Regler >= 0 && Regler < LOKMAX ? m_throttles[static_cast<std::size_t>(Regler)].button : nullptr;
}

QCheckBox* ThrottlePanel::checkBox(int Regler) const {
    return Regler >= 0 && Regler < LOKMAX ? m_throttles[static_cast<std::size_t>(Regler)].box : nullptr;
}

QLabel* ThrottlePanel::reglerLabel(int Regler) const {
    return Regler >= 0 && Regler < LOKMAX ? m_throttles[static_cast<std::size_t>(Regler)].label : nullptr;
}

ClickableImage* ThrottlePanel::funcPic(int Regler, int f) const {
    if (Regler < 0 || Regler >= LOKMAX || f < 0 || f > 4)
        return nullptr;
    return m_throttles[static_cast<std::size_t>(Regler)].func[static_cast<std::size_t>(f)];
}

int ThrottlePanel::restPosition(int Regler) const {
    const int speedMax = Lok->get_speedmax(Regler);
    const bool centreZero = m_throttles[static_cast<std::size_t>(Regler)].box->isChecked();
    // A negative maximum cannot be a bar's range; such a bar stays at 0.
    return std::max(0, centreZero ? speedMax / 2 : speedMax);
}

void ThrottlePanel::moveBar(QScrollBar* bar, const std::function<void(QScrollBar*)>& move) {
    ++m_movingByCode;
    move(bar);
    if (--m_movingByCode == 0 && m_moveFailure)
        std::rethrow_exception(std::exchange(m_moveFailure, nullptr));
}

void ThrottlePanel::setGlyph(Throttle& t, const std::string& file) {
    t.button->setIcon(QIcon(dataPicture(file)));
}

void ThrottlePanel::showName(int Regler) {
    Lokname_label->setText(fromCp1252(Lok->get_name(Regler)));
}

void ThrottlePanel::ScrollBar1Change(int Regler) {
    changeScrollBar(Regler);
    showpics(Regler);
}

void ThrottlePanel::changeScrollBar(int Regler) {
    Throttle* t = live(Regler);
    if (!t || Lok->get_addr(Regler) < 1 || !form().Betrieb)
        return;
    showName(Regler);
    const std::int64_t speedMax = Lok->get_speedmax(Regler);
    const std::int64_t position = t->bar->value();
    std::int64_t v = 0;
    if (t->box->isChecked()) {
        // The rest position (speed max div 2) is standstill whatever the maximum; each step away
        // from it is two speed steps, upwards direction 0, downwards direction 1.
        v = (speedMax / 2 - position) * 2;
        if (form().Debug)
            form().debugLine("V = " + std::to_string(v) + " Position = " + std::to_string(position));
        if (v < 0) {
            Lok->set_direction(Regler, 1);
            v = -v;
        } else {
            Lok->set_direction(Regler, 0);
        }
    } else {
        // Below the standstill end (a bar not yet set to this maximum) is standstill too.
        v = speedMax - position;
    }
    v = std::clamp<std::int64_t>(v, 0, std::max<std::int64_t>(0, speedMax));
    if (static_cast<double>(v) < 0.03 * static_cast<double>(speedMax))
        v = 0;
    Lok->set_speed(Regler, static_cast<int>(v));
    Bahn->gl_out(Regler);
}

void ThrottlePanel::SpeedButton1Click(int Regler) {
    if (!live(Regler))
        return;
    const TMainFormState& f = form();
    if (f.Lokregler) {
        if (LocoForm)
            LocoForm->setuplok(Regler);
    } else if (f.Betrieb) {
        setupjoybuttons(Regler);
        speedswitch(Regler);
    }
}

void ThrottlePanel::speedswitch(int Regler) {
    Throttle* t = live(Regler);
    if (!t || Lok->get_addr(Regler) <= 0)
        return;
    showName(Regler);
    const DirectionKind kind = directionKind(Lok->get_protocol(Regler));
    const char* glyph = nullptr;
    // In centre-zero mode the bottom tenth is full speed in direction 1, not standstill: the bar
    // alone decides the direction there.
    if (kind != DirectionKind::None && !t->box->isChecked() && inBottomTenth(t->bar)) {
        const int direction = Lok->get_direction(Regler) == 1 ? 0 : 1;
        Lok->set_direction(Regler, direction);
        glyph = arrowOf(kind, direction);
    }
    Bahn->gl_out(Regler);
    if (glyph)
        setGlyph(*t, glyph);
    showpics(Regler);
}

void ThrottlePanel::setupScrollBar(int Regler) {
    Throttle* t = live(Regler);
    if (!t || Lok->get_addr(Regler) <= 0)
        return;
    t->label->setText(QString::number(Lok->get_addr(Regler)));
    t->label->adjustSize();
    // The bar goes straight to its rest position: a range narrowed first would clamp the handle
    // onto its end, and a centre-zero loco would be sent full speed for a moment.
    const int maximum = std::max(0, Lok->get_speedmax(Regler));
    const int rest = restPosition(Regler);
    moveBar(t->bar, [maximum, rest](QScrollBar* bar) {
        if (maximum >= bar->maximum()) {
            bar->setMaximum(maximum);
            bar->setValue(rest);
        } else {
            bar->setValue(rest);
            bar->setMaximum(maximum);
        }
    });
    const DirectionKind kind = directionKind(Lok->get_protocol(Regler));
    if (kind != DirectionKind::None && inBottomTenth(t->bar))
        setGlyph(*t, arrowOf(kind, Lok->get_direction(Regler)));
    showpics(Regler);
}

void ThrottlePanel::CheckBoxClick(int Regler) {
    Throttle* t = live(Regler);
    if (!t)
        return;
    const int changesBefore = t->changes;
    setupScrollBar(Regler);
    // The bar may already stand at the new mode's rest position; the loco must still follow the
    // mode (a moving loco stops, a centre-zero loco takes its direction from the bar).
    if (t->changes == changesBefore && Lok->get_addr(Regler) >= 1)
        ScrollBar1Change(Regler);
}

void ThrottlePanel::setall_lokostop() {
    // An emergency stop must reach every throttle: a picture that cannot be drawn (or a send that
    // fails) on one of them is raised only after all of them had their turn.
    FirstError error;
    for (int i = 0; i < LOKMAX; ++i) {
        Throttle* t = live(i);
        if (!t)
            break;
        const int rest = restPosition(i);
        error.attempt([&] { moveBar(t->bar, [rest](QScrollBar* bar) { bar->setValue(rest); }); });
        error.attempt([&] { changeScrollBar(i); });
        error.attempt([&] { speedswitch(i); });
        error.attempt([&] { speedswitch(i); });
    }
    error.rethrow();
}

void ThrottlePanel::showpics(int Regler) {
    Throttle* t = live(Regler);
    if (!t)
        return;
    for (ClickableImage* icon : t->func)
        icon->setPixmap(QPixmap());
    TLokFunctions F{};
    Lok->get_F(Regler, F);
    t->func[0]->setPixmap(dataPicture(F[0] > 10 ? "Func_on.bmp" : "Func_off.bmp"));
    TMainFormState& f = form();
    if (f.Debug) {
        f.debugLine("Reglernr: " + std::to_string(Regler));
        f.debugLine("Functions: ");
        std::string values;
        for (int k = 0; k <= 4; ++k)
            values += std::to_string(F[static_cast<std::size_t>(k)]) + " ";
        f.debugLine(values);
    }
    if (Lok->get_nrof(Regler) <= 0)
        return;
    for (std::size_t k = 1; k <= 4; ++k)
        if (F[k] != 0)
            t->func[k]->setPixmap(dataPicture(flookup(F[k])));
}

void ThrottlePanel::Func_pic1Click(int Regler) {
    switch_basalfunction(Regler);
}

void ThrottlePanel::FuncPicClick(int Regler, int f) {
    switch_function(Regler, f);
}

void ThrottlePanel::switch_basalfunction(int Regler) {
    Throttle* t = live(Regler);
    if (!t)
        return;
    TLokFunctions F{};
    Lok->get_F(Regler, F);
    // Only 1 and 11 are F0's values; a fresh slot's 0 becomes on, not the "on-looking" 10.
    F[0] = F[0] > 10 ? 1 : 11;
    Lok->set_F(Regler, F);
    Bahn->gl_out(Regler);
    t->func[0]->setPixmap(dataPicture(F[0] > 10 ? "Func_on.bmp" : "Func_off.bmp"));
}

void ThrottlePanel::switch_function(int Regler, int f) {
    Throttle* t = live(Regler);
    if (!t || f < 1 || f > 4)
        return;
    const auto k = static_cast<std::size_t>(f);
    TLokFunctions F{};
    Lok->get_F(Regler, F);
    if (F[k] == 0)
        return;
    F[k] = static_cast<std::uint8_t>(F[k] > 10 ? F[k] - 10 : F[k] + 10);
    Lok->set_F(Regler, F);
    Bahn->gl_out(Regler);
    t->func[k]->setPixmap(dataPicture(flookup(F[k])));
}

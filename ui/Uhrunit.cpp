#include "ui/Uhrunit.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "engine/MainFormState.h"
#include "ui/PaintBoxWidget.h"
#include "ui/timsetupunit.h"

TUhrForm* UhrForm = nullptr;

namespace {

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);

QImage whiteImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(White);
    return image;
}

// A point at angle (radians, clockwise from twelve) and radius r from centre, as whole pixels.
QPoint onFace(QPoint centre, double angle, int r) {
    return QPoint(centre.x() + static_cast<int>(std::trunc(std::sin(angle) * r)),
                  centre.y() - static_cast<int>(std::trunc(std::cos(angle) * r)));
}

QPen facePen(const QColor& colour, int width) {
    // Thin lines end flat, wide ones round. A flat thin line lacks one end pixel: the last one when
    // drawn rightwards or downwards, the first one when drawn leftwards or upwards. A hand is cleared
    // by the same line in white, so the clear takes exactly what the hand drew.
    return QPen(colour, width, Qt::SolidLine, width > 1 ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin);
}

} // namespace

TUhrForm::TUhrForm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName("UhrForm");
    PBox1 = new PaintBoxWidget(this);
    PBox1->setObjectName("PBox1");
    PBox1->view().setBackground(White);
    // The paint box learns its size only when shown; it gets the face then.
    PBox1->setResizedCallback([this] { PBox1Paint(); });
    resize(152, 140);
    FormCreate();
    FormResize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
}

void TUhrForm::FormCreate() {
    BackBitmap = whiteImage(PBox1->size());
}

void TUhrForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

void TUhrForm::FormResize() {
    if (!m_squaring && height() != width()) {
        // A window system that will not make it square must not make us try for ever.
        m_squaring = true;
        resize(width(), width());
        m_squaring = false;
    }
    // A hidden window hears of its new size only when shown, so the box follows here.
    PBox1->setGeometry(rect());
    Center = QPoint(PBox1->width() / 2, PBox1->height() / 2);
    {
        QPainter painter(&BackBitmap);
        painter.fillRect(QRect(1, 1, width() - 1, height()), White);
    }
    PBox1Paint();
    paintTicks();
}

void TUhrForm::paintTicks() {
    if (BackBitmap.size() != PBox1->size())
        BackBitmap = whiteImage(PBox1->size());
    {
        QPainter painter(&BackBitmap);
        painter.setRenderHint(QPainter::Antialiasing, false);
        for (int i = 0; i < 60; ++i) {
            const double angle = degtorad(i * 6);
            const bool hour = i % 5 == 0;
            painter.setPen(facePen(Black, hour ? 6 : 3));
            painter.drawLine(onFace(Center, angle, hour ? 53 : 57), onFace(Center, angle, 60));
        }
    }
    PBox1Paint();
}

void TUhrForm::PBox1Paint() {
    const TRect whole{0, 0, BackBitmap.width(), BackBitmap.height()};
    PBox1->view().copyFrom(BackBitmap, whole, whole);
}

double TUhrForm::degtorad(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

void TUhrForm::drawHand(QPoint centre, double angle, const QColor& colour, int width, int length) {
    QPainter painter(&BackBitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(facePen(colour, width));
    painter.drawLine(centre, onFace(centre, angle, length + 60));
}

void TUhrForm::ClearHands(QPoint centre, double angle, int width, int length) {
    drawHand(centre, angle, White, width, length);
}

void TUhrForm::PaintHands(QPoint centre, double angle, const QColor& colour, int width, int length) {
    drawHand(centre, angle, colour, width, length);
}

void TUhrForm::Timer1Timer() {
    // At exit the windows go one by one, and the timer may tick in between.
    if (TimeForm && TimeForm->ZolMaster) {
        if (!MainForm)
            return;
        if (ZolSeconds < 60)
            ++ZolSeconds;
    }
    showTime();
}

void TUhrForm::showTime() {
    int hours = 0;
    int minutes = 0;
    if (TimeForm && TimeForm->ZolMaster) {
        if (!MainForm)
            return;
        const int ms = DateTimeToTimeStamp(MainForm->ZolTime).Time;
        hours = ms / 3600000;
        minutes = ms / 60000 % 60;
    } else {
        const QTime now = pcTimeOfDay();
        if (!now.isValid())
            return;
        hours = now.hour();
        minutes = now.minute();
        ZolSeconds = static_cast<std::uint16_t>(now.second());
    }
    setWindowTitle(QString::asprintf("%02d:%02d:%02d", hours, minutes, static_cast<int>(ZolSeconds)));

    const QPoint centre(PBox1->width() / 2, PBox1->height() / 2);
    const int half = PBox1->height() / 2;
    const int seconds = ZolSeconds * 6;
    ClearHands(centre, degtorad(OldSecs), 1, half / 3 - 32);
    PaintHands(centre, degtorad(seconds), Red, 1, half / 3 - 32);
    OldSecs = seconds;
    const int minuteAngle = minutes * 6;
    ClearHands(centre, degtorad(OldMins), 2, half / 3 - 35);
    PaintHands(centre, degtorad(minuteAngle), Black, 2, half / 3 - 35);
    OldMins = minuteAngle;
    const int hourAngle = hours * 30;
    ClearHands(centre, degtorad(OldHrs), 4, half / 6 - 40);
    PaintHands(centre, degtorad(hourAngle), Black, 4, half / 6 - 40);
    OldHrs = hourAngle;
    PBox1Paint();
}

void TUhrForm::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QWidget::showEvent(event);
}

void TUhrForm::FormShow() {
    // The dialog's factors are at least 1; anything else runs the clock at its own pace.
    const long long x = TimeForm ? std::max(1, TimeForm->Faktx) : 1;
    const long long y = TimeForm ? std::max(1, TimeForm->Fakty) : 1;
    Timer1->setInterval(static_cast<int>(std::min<long long>(INT_MAX, 1000 * y / x)));
    FormCanClose = false;
}

void TUhrForm::closeEvent(QCloseEvent* event) {
    if (FormCanClose)
        event->accept();
    else
        event->ignore();
}

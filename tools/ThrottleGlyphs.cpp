#include "tools/ThrottleGlyphs.h"

#include "tools/PlanIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdlib>
#include <functional>

namespace assets {
namespace {

const QColor kInk{24, 24, 24};
const QColor kOffInk{110, 110, 110};
const QColor kOffFill{168, 168, 168};
const QColor kLit{255, 214, 40};

QImage glyph(const std::function<void(QPainter&)>& draw, bool smooth = true) {
    QImage image(kGlyphSize, kGlyphSize, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, smooth);
    draw(p);
    p.end();
    return image;
}

// Arrows are drawn without smoothing so that the left and right glyphs are exact mirror images.
void arrowHead(QPainter& p, int tipX, int baseX) {
    const int dir = tipX < baseX ? 1 : -1;
    for (int i = 0; i <= std::abs(baseX - tipX); ++i)
        p.drawRect(QRect(tipX + dir * i, 7 - i, 1, 2 * i + 1));
}

QImage arrowRight() {
    return glyph(
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawRect(QRect(1, 6, 8, 3));
            arrowHead(p, 13, 8);
        },
        false);
}

QImage arrowLeft() {
    return arrowRight().mirrored(true, false);
}

QImage arrowBoth() {
    return glyph(
        [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(kInk);
            p.drawRect(QRect(5, 6, 5, 3));
            arrowHead(p, 1, 5);
            arrowHead(p, 13, 9);
        },
        false);
}

// The F key: a letter on a key cap, lit when the function is on.
QImage functionKey(bool on) {
    return glyph([on](QPainter& p) {
        p.setPen(QPen(on ? kInk : kOffInk, 1));
        p.setBrush(on ? kLit : kOffFill);
        p.drawRoundedRect(QRectF(1.5, 1.5, 12, 12), 2, 2);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? kInk : kOffInk);
        p.drawRect(QRect(5, 4, 2, 7));
        p.drawRect(QRect(7, 4, 4, 2));
        p.drawRect(QRect(7, 7, 3, 2));
    });
}

QImage horn(bool on) {
    return glyph([on](QPainter& p) {
        p.setPen(QPen(on ? kInk : kOffInk, 1));
        p.setBrush(on ? QColor(222, 170, 40) : kOffFill);
        QPolygonF body;
        body << QPointF(1.5, 6) << QPointF(4.5, 6) << QPointF(9.5, 2.5) << QPointF(9.5, 12.5)
             << QPointF(4.5, 9) << QPointF(1.5, 9);
        p.drawPolygon(body);
        if (on) {
            p.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(7, 4, 5, 7), -60 * 16, 120 * 16);
            p.drawArc(QRectF(7, 1.5, 7.5, 12), -60 * 16, 120 * 16);
        }
    });
}

// A coupling hook and the link of the car in front; switched on, the hook is lifted.
QImage coupling(bool on) {
    return glyph([on](QPainter& p) {
        const QColor ink = on ? kInk : kOffInk;
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawRect(QRectF(1, 3, 2, 9)); // buffer beam
        p.drawRect(QRectF(3, 7, 4, 1.5));
        p.setPen(QPen(on ? QColor(210, 80, 0) : ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        QPainterPath hook;
        if (on) {
            hook.moveTo(6.5, 7.75);
            hook.lineTo(11, 4.5);
            hook.quadTo(13.5, 3.5, 13, 6.5);
        } else {
            hook.moveTo(6.5, 7.75);
            hook.lineTo(11.5, 7.75);
            hook.quadTo(13.5, 7.75, 13, 5.5);
        }
        p.drawPath(hook);
        p.setPen(QPen(ink, 1.2));
        p.drawEllipse(QRectF(8, 8.5, 5, 4)); // the other car's link
    });
}

QImage coachLight(bool on) {
    return glyph([on](QPainter& p) {
        p.setPen(QPen(on ? kInk : kOffInk, 1));
        p.setBrush(on ? QColor(60, 110, 60) : kOffFill);
        p.drawRoundedRect(QRectF(0.5, 3.5, 14, 8), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? kLit : QColor(90, 90, 90));
        for (int i = 0; i < 3; ++i)
            p.drawRect(QRectF(2 + 4 * i, 5, 3, 3));
        p.setBrush(on ? kInk : kOffInk);
        p.drawEllipse(QPointF(3.5, 12.5), 1.5, 1.5);
        p.drawEllipse(QPointF(11.5, 12.5), 1.5, 1.5);
    });
}

QImage headLight(bool on) {
    return glyph([on](QPainter& p) {
        p.setPen(QPen(on ? kInk : kOffInk, 1));
        p.setBrush(on ? kLit : kOffFill);
        p.drawChord(QRectF(0.5, 3.5, 9, 8), 90 * 16, -180 * 16);
        p.drawLine(QPointF(5, 3.5), QPointF(5, 11.5));
        if (on) {
            p.setPen(QPen(QColor(200, 140, 0), 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(11, 7.5), QPointF(14, 7.5));
            p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 2.5));
            p.drawLine(QPointF(10.5, 10.5), QPointF(13.5, 12.5));
        }
    });
}

QImage steam(bool on) {
    return glyph([on](QPainter& p) {
        QPainterPath cloud;
        auto puff = [&cloud](QPointF centre, double rx, double ry) {
            QPainterPath one;
            one.addEllipse(centre, rx, ry);
            cloud = cloud.united(one);
        };
        puff(QPointF(5, 6.5), 3.5, 3.2);
        puff(QPointF(9.5, 5), 3.8, 3.5);
        puff(QPointF(10.5, 8.5), 3, 2.5);
        puff(QPointF(6, 9), 3, 2.5);
        p.setPen(QPen(on ? QColor(70, 70, 70) : kOffInk, 1));
        p.setBrush(on ? QColor(252, 252, 252) : kOffFill);
        p.drawPath(cloud);
        p.setPen(Qt::NoPen);
        p.setBrush(on ? kInk : kOffInk);
        p.drawRect(QRectF(3, 11, 4, 3)); // chimney
    });
}

// Shunting speed: a speedometer whose needle rests low on the dial.
QImage slowGear(bool on) {
    return glyph([on](QPainter& p) {
        p.setPen(QPen(on ? QColor(0, 130, 40) : kOffInk, 2, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(2, 3, 11, 11), 0, 180 * 16);
        p.setPen(QPen(on ? QColor(200, 20, 20) : kOffInk, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(7.5, 8.5), QPointF(3.5, 6.5));
        p.setPen(Qt::NoPen);
        p.setBrush(on ? kInk : kOffInk);
        p.drawEllipse(QPointF(7.5, 8.5), 1.5, 1.5);
        p.drawRect(QRectF(2, 11, 11, 1.5));
    });
}

} // namespace

std::vector<Glyph> throttleGlyphs() {
    return {
        {"pfeil_li.bmp", arrowLeft()},
        {"pfeil_re.bmp", arrowRight()},
        {"pfeil_dop.bmp", arrowBoth()},
        {"Func_on.bmp", functionKey(true)},
        {"Func_off.bmp", functionKey(false)},
        {"hupe_an.bmp", horn(true)},
        {"hupe_aus.bmp", horn(false)},
        {"kupplung_an.bmp", coupling(true)},
        {"kupplung_aus.bmp", coupling(false)},
        {"wagenlicht_an.bmp", coachLight(true)},
        {"wagenlicht_aus.bmp", coachLight(false)},
        {"licht_an.bmp", headLight(true)},
        {"licht_aus.bmp", headLight(false)},
        {"dampf_an.bmp", steam(true)},
        {"dampf_aus.bmp", steam(false)},
        {"slow_on.bmp", slowGear(true)},
        {"slow_off.bmp", slowGear(false)},
        {"Empty.bmp", glyph([](QPainter&) {})},
    };
}

} // namespace assets

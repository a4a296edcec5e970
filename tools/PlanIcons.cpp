#include "tools/PlanIcons.h"

#include "tools/ElementKinds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace assets {
namespace {

const QColor kTrack{28, 28, 28};
const QColor kRouteTrack{255, 214, 0};
const QColor kRouteTrackEdge{120, 84, 0};
const QColor kIdleBranch{138, 138, 138};
const QColor kSignalHead{22, 22, 22};
const QColor kLampOff{78, 78, 78};
const QColor kRed{228, 24, 24};
const QColor kGreen{30, 208, 70};
const QColor kYellow{255, 196, 0};
const QColor kWhite{250, 250, 250};

constexpr double kMid = 13.5; // centre of the cell in pixel-edge coordinates
constexpr double kTrackWidth = 3.0;

// Points where track leaves the cell, in the canonical (row 0) picture.
enum class Port { W, E, N, S, NW, NE, SW, SE };

QPointF portPoint(Port p) {
    switch (p) {
    case Port::W:
        return {0, kMid};
    case Port::E:
        return {27, kMid};
    case Port::N:
        return {kMid, 0};
    case Port::S:
        return {kMid, 27};
    case Port::NW:
        return {0, 0};
    case Port::NE:
        return {27, 0};
    case Port::SW:
        return {0, 27};
    case Port::SE:
        return {27, 27};
    }
    return {kMid, kMid};
}

// One way through the cell. Every piece of this grid bends about the cell's centre: a straight piece
// passes through it, a curve uses it as the control point, which gives the 45-degree bends.
struct Path {
    Port from;
    Port to;
};

QPainterPath trackPath(const Path& path) {
    const QPointF centre(kMid, kMid);
    const QPointF a = portPoint(path.from);
    const QPointF b = portPoint(path.to);
    // Run a little past the cell's edge so that the image's border, not the line cap, ends the track:
    // the full width then fills the edge pixels, also at the corners, and meets the neighbouring
    // cell's track however the two cells were drawn.
    auto beyond = [&](QPointF end) {
        const QPointF d = end - centre;
        const double len = std::hypot(d.x(), d.y());
        return end + d * (3.0 / len);
    };
    QPainterPath p(beyond(a));
    p.lineTo(a);
    p.quadTo(centre, b);
    p.lineTo(beyond(b));
    return p;
}

QTransform orientationTransform(Orientation o) {
    switch (o) {
    case Orientation::East:
        return QTransform();
    case Orientation::West:
        return QTransform(-1, 0, 0, 1, 27, 0);
    case Orientation::South:
        return QTransform(0, 1, -1, 0, 27, 0);
    case Orientation::North:
        return QTransform(0, -1, -1, 0, 27, 27);
    }
    return QTransform();
}

struct Look {
    int state = 1;      // the picture's state, 1..3
    bool route = false; // drawn as part of a shown route
};

Look lookOf(int kind, int state) {
    Look look;
    look.route = state > 10;
    look.state = look.route ? state - 10 : state;
    if (look.state < 1 || look.state > pictureStates(kind))
        look.state = 1;
    return look;
}

void strokeTrack(QPainter& p, const Path& path, const QColor& colour) {
    p.setPen(QPen(colour, kTrackWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trackPath(path));
}

// A set route glows yellow; the dark rim keeps it readable on the grey plan.
void strokeRouteTrack(QPainter& p, const Path& path) {
    p.setPen(QPen(kRouteTrackEdge, kTrackWidth + 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(trackPath(path));
    p.setPen(QPen(kRouteTrack, kTrackWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(trackPath(path));
}

// Draws the ways through a cell: the ones the element is set for in full colour, the others as
// idle branches below them, so that the frog shows which way a train will run.
void drawTrack(QPainter& p, const std::vector<Path>& active, const std::vector<Path>& idle, bool route) {
    p.setBrush(Qt::NoBrush);
    for (const Path& path : idle)
        strokeTrack(p, path, kIdleBranch);
    for (const Path& path : active) {
        if (route)
            strokeRouteTrack(p, path);
        else
            strokeTrack(p, path, kTrack);
    }
}

void drawStraightEastWest(QPainter& p, bool route) {
    drawTrack(p, {{Port::W, Port::E}}, {}, route);
}

void lamp(QPainter& p, QPointF centre, const QColor& colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(centre, 2.5, 2.5);
}

// Signals are drawn south of the track with the mast at the west end; the kind's placement flips
// that picture within the cell before the row's orientation turns it.
QTransform signalPlacement(const KindInfo& info) {
    QTransform t;
    if (info.signalAbove)
        t = t * QTransform(1, 0, 0, -1, 0, 27);
    if (info.signalFootRight)
        t = t * QTransform(-1, 0, 0, 1, 27, 0);
    return t;
}

void drawMast(QPainter& p, double top, double bottom) {
    p.setPen(Qt::NoPen);
    p.setBrush(kSignalHead);
    p.drawRect(QRectF(3, top, 2, bottom - top));
}

void drawLightSignal(QPainter& p, const std::vector<QColor>& lamps) {
    drawMast(p, 16, 26);
    const double width = 6.0 * double(lamps.size()) + 2;
    p.setPen(Qt::NoPen);
    p.setBrush(kSignalHead);
    p.drawRoundedRect(QRectF(6, 17, width, 9), 2.5, 2.5);
    for (size_t i = 0; i < lamps.size(); ++i)
        lamp(p, QPointF(10 + 6.0 * double(i), 21.5), lamps[i]);
}

void drawMainSignal(QPainter& p, int state) {
    drawLightSignal(
        p, {state == 1 ? kRed : kLampOff, state != 1 ? kGreen : kLampOff, state == 3 ? kYellow : kLampOff});
}

void drawTwoAspectSignal(QPainter& p, int state) {
    drawLightSignal(p, {state == 1 ? kRed : kLampOff, state == 2 ? kGreen : kLampOff});
}

// A distant signal's lamps stand on a slant, unlike a main signal's row.
void drawWarningSignal(QPainter& p, int state) {
    drawMast(p, 16, 26);
    p.setPen(Qt::NoPen);
    p.setBrush(kSignalHead);
    QPolygonF head;
    head << QPointF(6, 26) << QPointF(6, 22) << QPointF(14, 16) << QPointF(21, 16) << QPointF(21, 20)
         << QPointF(13, 26);
    p.drawPolygon(head);
    const QColor low = state == 2 ? kGreen : kYellow;
    const QColor high = state == 1 ? kYellow : kGreen;
    lamp(p, QPointF(10, 22.5), low);
    lamp(p, QPointF(17, 19.5), high);
}

// The shunting signal's disc: a level bar forbids, a raised bar allows.
void drawBlockSignal(QPainter& p, int state) {
    drawMast(p, 16, 26);
    p.setPen(QPen(kSignalHead, 1.2));
    p.setBrush(kWhite);
    const QPointF centre(11.5, 21.5);
    p.drawEllipse(centre, 4.4, 4.4);
    p.setPen(QPen(kSignalHead, 2.0, Qt::SolidLine, Qt::FlatCap));
    if (state == 1)
        p.drawLine(QPointF(8, 21.5), QPointF(15, 21.5));
    else
        p.drawLine(QPointF(9, 24), QPointF(14, 19));
}

void drawBufferStop(QPainter& p, bool route) {
    drawTrack(p, {{Port::W, Port::E}}, {}, route);
    // Clear the track behind the stop block.
    p.setPen(Qt::NoPen);
    p.setBrush(kBackground);
    p.drawRect(QRectF(21, 1, 6, 26));
    p.setPen(QPen(kTrack, 1));
    p.setBrush(QColor(176, 36, 36));
    p.drawRect(QRectF(18.5, 6.5, 4, 14));
    p.setPen(QPen(kWhite, 1));
    p.drawLine(QPointF(19.5, 10.5), QPointF(21.5, 10.5));
    p.drawLine(QPointF(19.5, 16.5), QPointF(21.5, 16.5));
}

void drawUncoupler(QPainter& p, int state, bool route) {
    if (state == 2) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 150, 0));
        p.drawRect(QRectF(7, 7, 13, 13));
    }
    drawStraightEastWest(p, route);
    // The ramp's two magnets beside the rails.
    p.setPen(QPen(kTrack, 1));
    p.setBrush(state == 2 ? QColor(255, 235, 120) : QColor(110, 110, 110));
    p.drawRect(QRectF(9.5, 8.5, 8, 2));
    p.drawRect(QRectF(9.5, 16.5, 8, 2));
}

void drawDetector(QPainter& p, int state, bool route) {
    drawStraightEastWest(p, route);
    p.setPen(QPen(kTrack, 1));
    p.setBrush(state == 2 ? kRed : QColor(232, 232, 232));
    p.drawRoundedRect(QRectF(8.5, 9.5, 10, 8), 2, 2);
}

// Pixel letters, 3 x 5, for the stop button's lettering.
void drawPixelText(QPainter& p, const char* text, int x, int y, const QColor& colour) {
    static const std::array<std::array<const char*, 5>, 4> kGlyphs = {{
        {"###", "#..", "###", "..#", "###"}, // S
        {"###", ".#.", ".#.", ".#.", ".#."}, // T
        {"###", "#.#", "#.#", "#.#", "###"}, // O
        {"###", "#.#", "###", "#..", "#.."}, // P
    }};
    const char* kLetters = "STOP";
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (const char* c = text; *c != '\0'; ++c, x += 4) {
        int index = 0;
        while (kLetters[index] != '\0' && kLetters[index] != *c)
            ++index;
        if (kLetters[index] == '\0')
            continue;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (kGlyphs[size_t(index)][size_t(row)][col] == '#')
                    p.drawRect(QRect(x + col, y + row, 1, 1));
    }
}

QPolygonF octagon(QPointF centre, double radius) {
    QPolygonF poly;
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45.0 * i) * std::numbers::pi / 180.0;
        poly << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    return poly;
}

void drawEmergencyStop(QPainter& p, int state) {
    const bool pressed = state == 2;
    const QPointF centre = pressed ? QPointF(14.5, 14.5) : QPointF(kMid, kMid);
    if (!pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(110, 110, 110));
        p.drawPolygon(octagon(centre + QPointF(1, 1), 12));
    }
    p.setPen(QPen(QColor(90, 0, 0), 1));
    p.setBrush(pressed ? QColor(150, 0, 0) : QColor(214, 16, 16));
    p.drawPolygon(octagon(centre, 12));
    p.setPen(QPen(pressed ? QColor(220, 190, 190) : kWhite, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(octagon(centre, 10));
    p.setRenderHint(QPainter::Antialiasing, false);
    drawPixelText(p, "STOP", pressed ? 7 : 6, pressed ? 12 : 11, pressed ? QColor(230, 200, 200) : kWhite);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void drawLightSwitch(QPainter& p, int state) {
    const bool on = state == 2;
    if (on) {
        p.setPen(QPen(QColor(255, 236, 60), 1.5, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const double angle = (45.0 * i - 90.0) * std::numbers::pi / 180.0;
            if (i == 3 || i == 4 || i == 5)
                continue; // the base is below
            const QPointF dir(std::cos(angle), std::sin(angle));
            p.drawLine(QPointF(kMid, 11) + dir * 8.5, QPointF(kMid, 11) + dir * 11.5);
        }
    }
    p.setPen(QPen(on ? QColor(150, 110, 0) : QColor(70, 70, 70), 1));
    p.setBrush(on ? QColor(255, 232, 80) : QColor(226, 226, 226));
    QPainterPath bulb;
    bulb.addEllipse(QPointF(kMid, 11), 6.5, 6.5);
    QPainterPath neck;
    neck.addRect(QRectF(10.5, 14, 6, 5));
    p.drawPath(bulb.united(neck));
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(QRectF(10.5, 19.5, 6, 4));
    p.drawLine(QPointF(10.5, 21.5), QPointF(16.5, 21.5));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(12.5, 23.5, 2, 1.5));
}

void drawRouteSwitch(QPainter& p, bool lit, bool square) {
    const QRectF outer(4.5, 4.5, 18, 18);
    const QRectF inner(7.5, 7.5, 12, 12);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(96, 96, 96));
    if (square)
        p.drawRoundedRect(outer, 2, 2);
    else
        p.drawEllipse(outer);
    p.setPen(QPen(lit ? QColor(170, 120, 0) : QColor(60, 60, 60), 1));
    p.setBrush(lit ? QColor(255, 236, 96) : QColor(168, 168, 168));
    if (square)
        p.drawRoundedRect(inner, 1.5, 1.5);
    else
        p.drawEllipse(inner);
    // A spot of light, or of shine on the unlit glass.
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(255, 255, 230) : QColor(205, 205, 205));
    p.drawEllipse(QPointF(11.5, 11.5), 2, 2);
}

// Panel buttons have no track to light up; inside a shown route they get a yellow frame instead.
void drawRouteFrame(QPainter& p) {
    p.setPen(QPen(kRouteTrack, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(2, 2, 24, 24));
}

void drawCanonical(QPainter& p, const KindInfo& info, Look look) {
    const int s = look.state;
    const bool r = look.route;
    switch (info.shape) {
    case Shape::MainSignal:
    case Shape::WarningSignal:
    case Shape::TwoAspectSignal:
    case Shape::BlockSignal: {
        drawStraightEastWest(p, r);
        p.save();
        p.setTransform(signalPlacement(info), true);
        if (info.shape == Shape::MainSignal)
            drawMainSignal(p, s);
        else if (info.shape == Shape::WarningSignal)
            drawWarningSignal(p, s);
        else if (info.shape == Shape::TwoAspectSignal)
            drawTwoAspectSignal(p, s);
        else
            drawBlockSignal(p, s);
        p.restore();
        break;
    }
    case Shape::Straight:
        drawStraightEastWest(p, r);
        break;
    case Shape::Diagonal:
        drawTrack(p, {{Port::SW, Port::NE}}, {}, r);
        break;
    case Shape::CurveLeft:
        drawTrack(p, {{Port::W, Port::NE}}, {}, r);
        break;
    case Shape::CurveRight:
        drawTrack(p, {{Port::W, Port::SE}}, {}, r);
        break;
    case Shape::BufferStop:
        drawBufferStop(p, r);
        break;
    case Shape::Diamond:
        drawTrack(p, {{Port::W, Port::E}, {Port::SW, Port::NE}}, {}, r);
        break;
    case Shape::TurnoutLeft:
    case Shape::TurnoutRight: {
        const Path straight{Port::W, Port::E};
        const Path branch{Port::W, info.shape == Shape::TurnoutLeft ? Port::NE : Port::SE};
        if (s == 2)
            drawTrack(p, {branch}, {straight}, r);
        else
            drawTrack(p, {straight}, {branch}, r);
        break;
    }
    case Shape::DiagonalTurnoutRising:
    case Shape::DiagonalTurnoutFalling: {
        const bool rising = info.shape == Shape::DiagonalTurnoutRising;
        const Path straight{rising ? Port::SW : Port::NW, rising ? Port::NE : Port::SE};
        const Path branch{straight.from, Port::E};
        if (s == 2)
            drawTrack(p, {branch}, {straight}, r);
        else
            drawTrack(p, {straight}, {branch}, r);
        break;
    }
    case Shape::DoubleSlip: {
        const std::vector<Path> straights = {{Port::W, Port::E}, {Port::SW, Port::NE}};
        const std::vector<Path> slips = {{Port::W, Port::NE}, {Port::SW, Port::E}};
        if (s == 2)
            drawTrack(p, slips, straights, r);
        else
            drawTrack(p, straights, slips, r);
        break;
    }
    case Shape::ThreeWay: {
        const Path straight{Port::W, Port::E};
        const Path left{Port::W, Port::NE};
        const Path right{Port::W, Port::SE};
        if (s == 2)
            drawTrack(p, {left}, {straight, right}, r);
        else if (s == 3)
            drawTrack(p, {right}, {straight, left}, r);
        else
            drawTrack(p, {straight}, {left, right}, r);
        break;
    }
    case Shape::Uncoupler:
        drawUncoupler(p, s, r);
        break;
    case Shape::Detector:
        drawDetector(p, s, r);
        break;
    case Shape::RouteSwitchRound:
        drawRouteSwitch(p, r, false);
        break;
    case Shape::RouteSwitchSquare:
        drawRouteSwitch(p, r, true);
        break;
    case Shape::EmergencyStop:
        drawEmergencyStop(p, s);
        if (r)
            drawRouteFrame(p);
        break;
    case Shape::LightSwitch:
        drawLightSwitch(p, s);
        if (r)
            drawRouteFrame(p);
        break;
    }
}

bool isPanelButton(Shape shape) {
    return shape == Shape::EmergencyStop || shape == Shape::LightSwitch || shape == Shape::RouteSwitchRound ||
           shape == Shape::RouteSwitchSquare;
}

} // namespace

QImage planIcon(int kind, int state) {
    QImage image(kIconSize, kIconSize, QImage::Format_RGB32);
    image.fill(kBackground);
    if (!isValidKind(kind))
        return image;
    const KindInfo info = kindInfo(kind);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // No clip inside the image: track reaches row and column 0 as well as 26, so that cells drawn
    // from these files join up. The palette shows each icon from (1, 1), which drops row and
    // column 0 there.
    if (!isPanelButton(info.shape))
        p.setTransform(orientationTransform(info.orientation));
    drawCanonical(p, info, lookOf(kind, state));
    p.end();
    return image;
}

} // namespace assets

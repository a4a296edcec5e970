#include "tools/ElementKinds.h"

#include <array>
#include <cstdio>

namespace assets {
namespace {

struct Column {
    Shape horizontal;
    Shape upright;
    bool signalAbove;
    bool signalFootRight;
};

// Columns 1..22 of the palette. The three-aspect main signal comes in three placements so that both
// sides of the track and both mast ends are at hand in every row.
constexpr std::array<Column, kPaletteColumns> kColumns = {{
    {Shape::MainSignal, Shape::MainSignal, false, false},
    {Shape::WarningSignal, Shape::WarningSignal, false, false},
    {Shape::MainSignal, Shape::MainSignal, true, false},
    {Shape::MainSignal, Shape::MainSignal, false, true},
    {Shape::TwoAspectSignal, Shape::TwoAspectSignal, false, false},
    {Shape::BlockSignal, Shape::BlockSignal, false, false},
    {Shape::TwoAspectSignal, Shape::TwoAspectSignal, true, false},
    {Shape::BlockSignal, Shape::BlockSignal, true, false},
    {Shape::CurveLeft, Shape::CurveLeft, false, false},
    {Shape::CurveRight, Shape::CurveRight, false, false},
    // Upright rows have no second diagonal (turning one over gives the other), so a straight one.
    {Shape::Diagonal, Shape::Straight, false, false},
    {Shape::BufferStop, Shape::BufferStop, false, false},
    {Shape::Diamond, Shape::Diamond, false, false},
    {Shape::TurnoutLeft, Shape::TurnoutLeft, false, false},
    {Shape::TurnoutRight, Shape::TurnoutRight, false, false},
    {Shape::DiagonalTurnoutRising, Shape::DiagonalTurnoutRising, false, false},
    {Shape::DiagonalTurnoutFalling, Shape::DiagonalTurnoutFalling, false, false},
    {Shape::DoubleSlip, Shape::DoubleSlip, false, false},
    {Shape::ThreeWay, Shape::ThreeWay, false, false},
    {Shape::Uncoupler, Shape::Uncoupler, false, false},
    {Shape::Straight, Shape::Detector, false, false},
    {Shape::EmergencyStop, Shape::RouteSwitchRound, false, false},
}};

constexpr std::array<Orientation, 4> kRowOrientation = {Orientation::East, Orientation::West,
                                                        Orientation::South, Orientation::North};

} // namespace

bool isValidKind(int kind) {
    return kind >= 1 && kind <= kKindCount;
}
int paletteColumn(int kind) {
    return (kind - 1) % kPaletteColumns;
}
int paletteRow(int kind) {
    return (kind - 1) / kPaletteColumns;
}
int palettePosX(int kind) {
    return kPalettePitch * paletteColumn(kind) + 1;
}
int palettePosY(int kind) {
    return kPalettePitch * paletteRow(kind) + 1;
}

KindInfo kindInfo(int kind) {
    const Column& column = kColumns[size_t(paletteColumn(kind))];
    const int row = paletteRow(kind);
    KindInfo info{row < 2 ? column.horizontal : column.upright, kRowOrientation[size_t(row)],
                  column.signalAbove, column.signalFootRight};
    // The last column holds the panel's push buttons rather than track.
    if (kind == 44)
        info.shape = Shape::LightSwitch;
    else if (kind == 88)
        info.shape = Shape::RouteSwitchSquare;
    return info;
}

int switchStates(int kind) {
    switch (kindInfo(kind).shape) {
    case Shape::MainSignal:
    case Shape::WarningSignal:
    case Shape::ThreeWay:
        return 3;
    case Shape::TwoAspectSignal:
    case Shape::BlockSignal:
    case Shape::TurnoutLeft:
    case Shape::TurnoutRight:
    case Shape::DiagonalTurnoutRising:
    case Shape::DiagonalTurnoutFalling:
    case Shape::DoubleSlip:
    case Shape::LightSwitch:
        return 2;
    case Shape::Uncoupler:
    case Shape::EmergencyStop:
        return 1;
    case Shape::Straight:
    case Shape::Diagonal:
    case Shape::CurveLeft:
    case Shape::CurveRight:
    case Shape::BufferStop:
    case Shape::Diamond:
    case Shape::Detector:
    case Shape::RouteSwitchRound:
    case Shape::RouteSwitchSquare:
        return 0;
    }
    return 0;
}

int pictureStates(int kind) {
    switch (kindInfo(kind).shape) {
    case Shape::Detector:      // state 2 is "occupied", drawn by the feedback code
    case Shape::Uncoupler:     // a click shows state 2 for a moment
    case Shape::EmergencyStop: // likewise: the pressed button
        return 2;
    default:
        return switchStates(kind) < 1 ? 1 : switchStates(kind);
    }
}

std::string iconFileName(int kind, int state) {
    char name[32];
    std::snprintf(name, sizeof name, "Icon%02d%02d.bmp", kind, state);
    return name;
}

} // namespace assets

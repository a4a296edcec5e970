#pragma once

#include <string>

// The 88 element kinds of the palette: 22 columns by 4 rows. Rows 0 and 1 carry horizontal track
// (row 1 is row 0 mirrored left to right), rows 2 and 3 the same pieces turned upright.
namespace assets {

constexpr int kKindCount = 88;
constexpr int kPaletteColumns = 22;
constexpr int kPalettePitch = 28;

enum class Shape {
    MainSignal,      // three aspects: stop, proceed, proceed slowly
    WarningSignal,   // three aspects: expect stop, expect proceed, expect slow
    TwoAspectSignal, // stop, proceed
    BlockSignal,     // shunting stop, shunting allowed
    Straight,
    Diagonal,
    CurveLeft,  // west edge to the north-east corner
    CurveRight, // west edge to the south-east corner
    BufferStop,
    Diamond,
    TurnoutLeft,            // straight west-east, branch to the north-east corner
    TurnoutRight,           // straight west-east, branch to the south-east corner
    DiagonalTurnoutRising,  // south-west to north-east, branch to the east edge
    DiagonalTurnoutFalling, // north-west to south-east, branch to the east edge
    DoubleSlip,
    ThreeWay,
    Uncoupler,
    Detector,
    RouteSwitchRound,
    RouteSwitchSquare,
    EmergencyStop,
    LightSwitch,
};

// How a row's picture is laid over the canonical (row 0) picture.
enum class Orientation { East, West, South, North };

struct KindInfo {
    Shape shape;
    Orientation orientation;
    bool signalAbove = false;     // signal stands on the north side of the canonical track
    bool signalFootRight = false; // the mast stands at the east end of the signal
};

bool isValidKind(int kind);
int paletteColumn(int kind);
int paletteRow(int kind);
int palettePosX(int kind);
int palettePosY(int kind);

KindInfo kindInfo(int kind);

// Number of switch states, the catalogue's E_Art.
int switchStates(int kind);

// States that have a picture of their own: E_Art, but at least 2 for kinds whose second picture is
// drawn by something other than switching (feedback, the flash of a momentary element).
int pictureStates(int kind);

// "Icon" + kind as two digits + state as two digits + ".bmp"; state is 1..3 or 11..13.
std::string iconFileName(int kind, int state);

// The states that have icon files, in the order the catalogue lists them.
constexpr int kIconStates[6] = {1, 2, 3, 11, 12, 13};

} // namespace assets

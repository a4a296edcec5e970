#pragma once

#include <QColor>

#include "platform/ColorNames.h"

// The colour to draw with. A negative value is the system colour of its low byte, taken from the
// application's palette (black for an unknown index); any other value, clNone and clDefault
// included, is its $BBGGRR part.
QColor colorFromTColor(TColor color);
// $00BBGGRR of a colour's red, green and blue; an invalid QColor gives clNone.
TColor tcolorFromQColor(const QColor& color);

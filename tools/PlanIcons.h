#pragma once

#include <QColor>
#include <QImage>

namespace assets {

constexpr int kIconSize = 27;
constexpr int kGlyphSize = 15;

// The plan's background; icons are drawn on it so that they sit seamlessly on the plan.
inline const QColor kBackground{192, 192, 192};

// The 27 x 27 picture of an element kind (1..88) in a state (1..3, or 11..13 inside a shown route).
// Row 0 and column 0 stay background: the palette shows each icon from (1, 1) on.
QImage planIcon(int kind, int state);

} // namespace assets

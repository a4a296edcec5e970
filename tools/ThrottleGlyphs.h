#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace assets {

struct Glyph {
    QString fileName;
    QImage image; // 15 x 15
};

// The direction glyphs of the throttles and the function icons beside them.
std::vector<Glyph> throttleGlyphs();

} // namespace assets

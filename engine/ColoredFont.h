#pragma once

#include <optional>

#include <QFont>

#include "platform/ColorNames.h"

// A font as the plan's text labels keep it: Qt's font plus the colour, which Qt keeps apart.
class ColoredFont : public QFont {
public:
    ColoredFont() = default;
    explicit ColoredFont(const QFont& font, TColor color = clWindowText) : QFont(font), Color(color) {}

    TColor Color = clWindowText;

    // The size in points as a font line holds it. A line may hold 0 or less, which Qt cannot: such
    // a font is drawn at the size it had, and the line keeps its own size until another is set.
    void setLineSize(int size) {
        if (size > 0) {
            setPointSize(size);
            m_lineSize.reset();
            return;
        }
        m_lineSize = size;
        m_drawnSize = pointSize();
    }
    int lineSize() const {
        if (m_lineSize && pointSize() == m_drawnSize)
            return *m_lineSize;
        if (pointSize() <= 0 && pixelSize() > 0)
            return pixelSize() * 72 / 96;
        return pointSize();
    }

private:
    std::optional<int> m_lineSize;
    int m_drawnSize = 0;
};

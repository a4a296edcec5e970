#pragma once

#include <functional>

#include <QColor>
#include <QImage>
#include <QSize>

// A rectangle of (left, top, right, bottom): right and bottom lie just outside it.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const TRect&) const = default;
};

// Copies the rectangle src of source onto the rectangle dst of target, stretching (nearest pixel)
// when the two differ in size. A rectangle with no width or height copies nothing. A destination
// pixel outside target is skipped, and one whose source pixel lies outside source keeps its colour,
// so a partly outside rectangle copies just the part that overlaps, at the place it would have had.
// Works on any pair of formats; 32-bit images take a fast path.
void copyRect(QImage& target, const TRect& dst, const QImage& source, const TRect& src);

// What a paint box shows. Drawing "on the paint box" goes into this image (on the GUI thread); the
// widget that shows it only blits it, so the engine draws without any widget. After drawing into
// image() directly, call changed() with the area, which tells the widget to repaint it.
class PaintBoxImage {
public:
    using ChangedCallback = std::function<void(const TRect& area)>;

    explicit PaintBoxImage(QSize size = QSize(0, 0), QColor background = QColor(0xC0, 0xC0, 0xC0));

    QImage& image() { return m_image; }
    const QImage& image() const { return m_image; }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    TRect rect() const { return TRect{0, 0, width(), height()}; }

    // Follows the paint box's size: what fits stays at its place, new parts get the background.
    void resize(QSize size);
    void setBackground(QColor background) { m_background = background; }
    QColor background() const { return m_background; }

    // copyRect into this image, then changed(dst).
    void copyFrom(const QImage& source, const TRect& src, const TRect& dst);
    void fill(QColor color);

    void setChangedCallback(ChangedCallback callback) { m_changed = std::move(callback); }
    // Reports area (clipped to the image) to the callback; an empty area reports nothing.
    void changed(const TRect& area);

private:
    QImage m_image;
    QColor m_background;
    ChangedCallback m_changed;
};

#include "platform/qt/PaintBoxImage.h"

#include <algorithm>
#include <cstdint>

namespace {

bool is32Bit(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// Source coordinate for destination offset i when n destination pixels show m source pixels:
// the source pixel under the destination pixel's centre.
int sourceOffset(int i, int n, int m) {
    return static_cast<int>((static_cast<int64_t>(2 * i + 1) * m) / (2 * static_cast<int64_t>(n)));
}

} // namespace

void copyRect(QImage& target, const TRect& dst, const QImage& source, const TRect& src) {
    if (dst.width() <= 0 || dst.height() <= 0 || src.width() <= 0 || src.height() <= 0)
        return;
    if (target.isNull() || source.isNull())
        return;
    const int x0 = std::max(dst.left, 0), x1 = std::min(dst.right, target.width());
    const int y0 = std::max(dst.top, 0), y1 = std::min(dst.bottom, target.height());
    if (x0 >= x1 || y0 >= y1)
        return;

    // Both sides in the same format, so that pixels can be copied as they are.
    const bool fast = is32Bit(target.format());
    const QImage converted =
        fast && source.format() != target.format() ? source.convertToFormat(target.format()) : QImage();
    const QImage& from = converted.isNull() ? source : converted;
    const bool sameSize = dst.width() == src.width() && dst.height() == src.height();

    for (int y = y0; y < y1; ++y) {
        const int sy =
            src.top + (sameSize ? y - dst.top : sourceOffset(y - dst.top, dst.height(), src.height()));
        if (sy < 0 || sy >= from.height())
            continue;
        auto* out = fast ? reinterpret_cast<uint32_t*>(target.scanLine(y)) : nullptr;
        const auto* in = fast ? reinterpret_cast<const uint32_t*>(from.constScanLine(sy)) : nullptr;
        for (int x = x0; x < x1; ++x) {
            const int sx =
                src.left + (sameSize ? x - dst.left : sourceOffset(x - dst.left, dst.width(), src.width()));
            if (sx < 0 || sx >= from.width())
                continue;
            if (fast)
                out[x] = in[sx];
            else
                target.setPixelColor(x, y, from.pixelColor(sx, sy));
        }
    }
}

PaintBoxImage::PaintBoxImage(QSize size, QColor background) : m_background(background) {
    resize(size);
}

void PaintBoxImage::resize(QSize size) {
    size = size.expandedTo(QSize(0, 0));
    if (!m_image.isNull() && m_image.size() == size)
        return;
    QImage next(size, QImage::Format_RGB32);
    next.fill(m_background);
    if (!m_image.isNull())
        copyRect(next, TRect{0, 0, m_image.width(), m_image.height()}, m_image,
                 TRect{0, 0, m_image.width(), m_image.height()});
    m_image = std::move(next);
    changed(rect());
}

void PaintBoxImage::copyFrom(const QImage& source, const TRect& src, const TRect& dst) {
    copyRect(m_image, dst, source, src);
    changed(dst);
}

void PaintBoxImage::fill(QColor color) {
    m_image.fill(color);
    changed(rect());
}

void PaintBoxImage::changed(const TRect& area) {
    const TRect clipped{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, width()),
                        std::min(area.bottom, height())};
    if (clipped.width() <= 0 || clipped.height() <= 0 || !m_changed)
        return;
    m_changed(clipped);
}

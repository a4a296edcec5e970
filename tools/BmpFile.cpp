#include "tools/BmpFile.h"

#include <QFile>

namespace {

void putU16(QByteArray& out, quint16 v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void putU32(QByteArray& out, quint32 v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((v >> shift) & 0xFF));
}

constexpr quint32 kFileHeaderSize = 14;
constexpr quint32 kInfoHeaderSize = 40;
// 72 dots per inch, the value Windows paint programs write.
constexpr quint32 kPixelsPerMetre = 2835;

} // namespace

QByteArray encodeBmp24(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    // Every row is padded to a multiple of four bytes.
    const quint32 stride = (quint32(width) * 3 + 3) & ~quint32(3);
    const quint32 pixelBytes = stride * quint32(height);
    const quint32 offset = kFileHeaderSize + kInfoHeaderSize;

    QByteArray out;
    out.reserve(int(offset + pixelBytes));
    out.append("BM", 2);
    putU32(out, offset + pixelBytes);
    putU32(out, 0); // two reserved words
    putU32(out, offset);

    putU32(out, kInfoHeaderSize);
    putU32(out, quint32(width));
    putU32(out, quint32(height)); // positive: rows stored bottom-up
    putU16(out, 1);               // planes
    putU16(out, 24);              // bits per pixel
    putU32(out, 0);               // BI_RGB, no compression
    putU32(out, pixelBytes);
    putU32(out, kPixelsPerMetre);
    putU32(out, kPixelsPerMetre);
    putU32(out, 0); // colours used: none, no palette
    putU32(out, 0); // important colours

    for (int y = height - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
        }
        for (quint32 pad = quint32(width) * 3; pad < stride; ++pad)
            out.append('\0');
    }
    return out;
}

bool writeBmp24(const QImage& image, const QString& path) {
    return writeFileIfChanged(path, encodeBmp24(image));
}

bool writeFileIfChanged(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        // One byte more than expected tells a longer file apart without reading all of a huge one.
        if (file.read(bytes.size() + 1) == bytes)
            return true;
        file.close();
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

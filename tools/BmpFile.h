#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// The program and its icon loaders expect uncompressed 24-bit bitmaps. QImage::save picks the depth
// itself (it writes 32-bit for RGB32 images), so the generator writes the format by hand.
QByteArray encodeBmp24(const QImage& image);

// Writes encodeBmp24(image) to path; false when the file cannot be written completely.
bool writeBmp24(const QImage& image, const QString& path);

// Writes bytes to path unless the file already holds exactly them, so that a build that runs the
// generator again leaves intact files (and their times) alone and mends damaged or missing ones.
bool writeFileIfChanged(const QString& path, const QByteArray& bytes);

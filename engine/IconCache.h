#pragma once

#include <string>

#include <QImage>

// Bitmap files are small: an icon is a few kilobytes. A name that points at anything but a regular
// file of at most this size (a device, a pipe, a folder, a huge file) is refused before it is read.
inline constexpr long long MaxBitmapFileBytes = 4LL << 20;

// The bitmap file at path, opened by its bytes as they are on disk (whatever the folder names'
// encoding), as 32-bit RGB. Throws BitmapFileError naming the file when it is missing, not a regular
// file, larger than MaxBitmapFileBytes or not a readable picture.
QImage loadBitmapFile(const std::string& path);

// Bitmaps of the data folder, read once and handed out again while the file on disk stays the same.
// Each use looks at the file first, so a bitmap that was removed or replaced since it was read fails
// or is read again, as if there were no cache. GUI thread only.
class IconCache {
public:
    // The bitmap at path (written the Windows way or not, see resolvePath), as loadBitmapFile gives
    // it; a shared copy, so it stays valid whatever the cache does later.
    QImage load(const std::string& path);
    void clear();
    int size() const;
};

// The program's one cache of plan and palette bitmaps.
IconCache& iconCache();

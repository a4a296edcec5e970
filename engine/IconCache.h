#pragma once

#include <string>

#include <QImage>

// Bitmaps of the data folder, read once and handed out again while the file on disk stays the same.
// Each use looks at the file first, so a bitmap that was removed or replaced since it was read fails
// or is read again, as if there were no cache. GUI thread only.
class IconCache {
public:
    // The bitmap at path (written the Windows way or not, see resolvePath), as 32-bit RGB; a shared
    // copy, so it stays valid whatever the cache does later. Throws
    // BitmapFileError when the file is missing or is not a readable picture.
    QImage load(const std::string& path);
    void clear();
    int size() const;
};

// The program's one cache of plan and palette bitmaps.
IconCache& iconCache();

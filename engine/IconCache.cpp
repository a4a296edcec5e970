#include "engine/IconCache.h"

#include <sys/stat.h>
#include <unordered_map>

#include "engine/Bahncalcunit.h"
#include "platform/Paths.h"
#include "platform/qt/QtText.h"

namespace {

// What tells one version of a file from the next.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

bool stampOf(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

struct CachedBitmap {
    std::string resolved;
    FileStamp stamp;
    QImage image;
};

// The data folder holds a few hundred bitmaps; a cap keeps a program that is pointed at many
// folders from growing without end.
constexpr std::size_t MaxEntries = 2048;

std::unordered_map<std::string, CachedBitmap>& entries() {
    static std::unordered_map<std::string, CachedBitmap> map;
    return map;
}

[[noreturn]] void cannotOpen(const std::string& path) {
    throw BitmapFileError("Cannot open file \"" + path + "\"");
}

} // namespace

QImage IconCache::load(const std::string& path) {
    auto& map = entries();
    auto it = map.find(path);
    if (it != map.end()) {
        FileStamp now;
        if (stampOf(it->second.resolved, now) && now == it->second.stamp)
            return it->second.image;
        map.erase(it);
    }

    CachedBitmap bitmap;
    bitmap.resolved = resolvePath(path);
    if (!stampOf(bitmap.resolved, bitmap.stamp))
        cannotOpen(path);
    const QString file = fromCp1252(bitmap.resolved);
    if (!bitmap.image.load(file, "BMP") && !bitmap.image.load(file))
        cannotOpen(path);
    bitmap.image = bitmap.image.convertToFormat(QImage::Format_RGB32);

    if (map.size() >= MaxEntries)
        map.clear();
    return map.insert_or_assign(path, std::move(bitmap)).first->second.image;
}

void IconCache::clear() {
    entries().clear();
}

int IconCache::size() const {
    return static_cast<int>(entries().size());
}

IconCache& iconCache() {
    static IconCache cache;
    return cache;
}

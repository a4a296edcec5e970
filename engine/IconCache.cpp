#include "engine/IconCache.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "engine/Bahncalcunit.h"
#include "platform/Paths.h"

namespace {

// What tells one version of a file from the next.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& st) {
    return FileStamp{st.st_dev, st.st_ino, st.st_size,
                     static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool stampOf(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp = stampOf(st);
    return true;
}

[[noreturn]] void cannotOpen(const std::string& path, const std::string& why = std::string()) {
    throw BitmapFileError("Cannot open file \"" + path + "\"" + (why.empty() ? "" : ": " + why));
}

// Closes the descriptor however the read ends.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// The file's bytes and its stamp. Opened without blocking, so that a pipe cannot hang the caller
// before it is seen not to be a regular file.
std::string readBitmapBytes(const std::string& path, FileStamp* stamp) {
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0)
        cannotOpen(path, std::strerror(errno));
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        cannotOpen(path, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        cannotOpen(path, "not a regular file");
    if (st.st_size > MaxBitmapFileBytes)
        cannotOpen(path, "larger than " + std::to_string(MaxBitmapFileBytes) + " bytes");
    if (stamp)
        *stamp = stampOf(st);

    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    // A file that grows while it is read is taken as far as its size said.
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            cannotOpen(path, std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

QImage decodeBitmap(const std::string& path, const std::string& bytes) {
    QImage image;
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    if (bytes.empty() || (!image.loadFromData(data, size, "BMP") && !image.loadFromData(data, size)))
        cannotOpen(path);
    return image.convertToFormat(QImage::Format_RGB32);
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

} // namespace

QImage loadBitmapFile(const std::string& path) {
    return decodeBitmap(path, readBitmapBytes(path, nullptr));
}

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
    const std::string bytes = readBitmapBytes(bitmap.resolved, &bitmap.stamp);
    bitmap.image = decodeBitmap(path, bytes);

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

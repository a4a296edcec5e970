#include "platform/Paths.h"

#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::mutex g_mutex;
std::string g_override;

std::string programFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
        return "./";
    buffer.resize(static_cast<std::size_t>(n));
    const auto slash = buffer.rfind('/');
    return slash == std::string::npos ? std::string("./") : buffer.substr(0, slash + 1);
}

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

// The entry of folder whose name equals name without regard to ASCII case; empty when none does.
std::string findIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr)
        return {};
    std::string best;
    while (const dirent* entry = readdir(dir)) {
        const std::string candidate = entry->d_name;
        if (equalsIgnoringAsciiCase(candidate, name) && (best.empty() || candidate < best))
            best = candidate;
    }
    closedir(dir);
    return best;
}

} // namespace

std::string workFolder() {
    {
        std::lock_guard lock(g_mutex);
        if (!g_override.empty())
            return g_override;
    }
    static const std::string folder = programFolder();
    return folder;
}

void setWorkFolder(const std::string& folderWithOrWithoutSlash) {
    std::lock_guard lock(g_mutex);
    g_override = folderWithOrWithoutSlash;
    if (!g_override.empty() && g_override.back() != '/')
        g_override += '/';
}

std::string dataFolder() {
    return workFolder() + "Data/";
}
std::string layoutFolder() {
    return workFolder() + "Layouts/";
}
std::string helpFolder() {
    return workFolder() + "Hilfe/";
}

std::string resolvePath(const std::string& path) {
    std::string unix = path;
    for (char& c : unix)
        if (c == '\\')
            c = '/';
    if (unix.empty() || unix.front() != '/')
        unix = workFolder() + unix;
    const bool trailingSlash = unix.back() == '/';

    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= unix.size()) {
        auto end = unix.find('/', start);
        if (end == std::string::npos)
            end = unix.size();
        if (end > start)
            parts.push_back(unix.substr(start, end - start));
        start = end + 1;
    }

    std::string result;
    bool searching = true;
    for (const std::string& part : parts) {
        std::string next = result + "/" + part;
        if (searching && part != "." && part != ".." && !exists(next)) {
            const std::string found = findIgnoringCase(result, part);
            if (found.empty())
                searching = false;
            else
                next = result + "/" + found;
        }
        result = std::move(next);
    }
    if (result.empty() || trailingSlash)
        result += '/';
    return result;
}

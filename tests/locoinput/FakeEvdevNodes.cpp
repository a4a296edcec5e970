// The kernel side of fake event nodes: ioctl() and read() of this program. libevdev calls them
// through the dynamic linker, which finds the program's own definitions first (unfortified, so that
// read() may be defined here).
#undef _FORTIFY_SOURCE

#include "locoinput/FakeEvdevNodes.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace {

struct Entry {
    FakeEvdevNode node;
    std::size_t next = 0; // in the first batch
};

std::map<std::pair<dev_t, ino_t>, Entry>& entries() {
    static std::map<std::pair<dev_t, ino_t>, Entry> all;
    return all;
}

Entry* entryOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return nullptr;
    const auto it = entries().find({st.st_dev, st.st_ino});
    return it == entries().end() ? nullptr : &it->second;
}

int fail(int error) {
    errno = error;
    return -1;
}

int text(void* out, unsigned size, const std::string& value) {
    if (value.empty())
        return fail(ENOENT);
    const unsigned n = std::min<unsigned>(size, static_cast<unsigned>(value.size() + 1));
    std::memcpy(out, value.c_str(), n);
    return static_cast<int>(n);
}

// The queries libevdev makes when it opens a device, and when it reads the state back after dropped
// events.
int answer(const FakeEvdevNode& node, unsigned long request, void* arg) {
    const TestDeviceDescription& d = node.device;
    const unsigned nr = _IOC_NR(request), size = _IOC_SIZE(request);
    if (_IOC_TYPE(request) != 'E' || _IOC_DIR(request) != _IOC_READ)
        return fail(EINVAL);
    std::memset(arg, 0, size);
    if (request == EVIOCGVERSION) {
        *static_cast<int*>(arg) = EV_VERSION;
        return 0;
    }
    if (request == EVIOCGID) {
        *static_cast<input_id*>(arg) = {static_cast<__u16>(d.bustype), static_cast<__u16>(d.vendor),
                                        static_cast<__u16>(d.product), static_cast<__u16>(d.version)};
        return 0;
    }
    if (nr == _IOC_NR(EVIOCGNAME(0)))
        return text(arg, size, d.name);
    if (nr == _IOC_NR(EVIOCGPHYS(0)))
        return text(arg, size, d.phys);
    if (nr == _IOC_NR(EVIOCGUNIQ(0)))
        return text(arg, size, d.uniq);
    if (nr >= _IOC_NR(EVIOCGABS(0)) && nr <= _IOC_NR(EVIOCGABS(ABS_MAX))) {
        for (const TestAxis& axis : d.axes)
            if (axis.code == static_cast<int>(nr - _IOC_NR(EVIOCGABS(0))))
                *static_cast<input_absinfo*>(arg) = {axis.value, axis.minimum, axis.maximum, 0, 0, 0};
        return 0;
    }
    // Bit queries: the types, keys and axes the device has, the keys held down, and no other bits.
    std::vector<int> bits;
    if (nr == _IOC_NR(EVIOCGBIT(0, 0)))
        bits = {EV_SYN, EV_KEY, EV_ABS};
    else if (nr == _IOC_NR(EVIOCGBIT(EV_KEY, 0)))
        bits = d.keys;
    else if (nr == _IOC_NR(EVIOCGBIT(EV_ABS, 0)))
        for (const TestAxis& axis : d.axes)
            bits.push_back(axis.code);
    else if (nr == _IOC_NR(EVIOCGKEY(0)))
        bits = node.keysDown;
    for (int bit : bits)
        if (static_cast<unsigned>(bit) / 8 < size)
            static_cast<unsigned char*>(arg)[bit / 8] |= static_cast<unsigned char>(1u << (bit % 8));
    return static_cast<int>(size);
}

long serve(Entry& e, void* buffer, std::size_t count) {
    FakeEvdevNode& node = e.node;
    if (node.batches.empty())
        return fail(node.endError);
    const std::vector<input_event>& batch = node.batches.front();
    const std::size_t n = std::min(count / sizeof(input_event), batch.size() - e.next);
    if (n == 0) {
        node.batches.pop_front();
        e.next = 0;
        return fail(node.batches.empty() ? node.endError : EAGAIN);
    }
    std::memcpy(buffer, batch.data() + e.next, n * sizeof(input_event));
    e.next += n;
    return static_cast<long>(n * sizeof(input_event));
}

} // namespace

FakeEvdevNode& fakeEvdevNode(const std::string& path, const TestDeviceDescription& device) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("no file " + path);
    Entry& e = entries()[{st.st_dev, st.st_ino}];
    e = Entry();
    e.node.device = device;
    return e.node;
}

void clearFakeEvdevNodes() {
    entries().clear();
}

input_event event(int type, int code, int value) {
    return {{}, static_cast<__u16>(type), static_cast<__u16>(code), value};
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (const Entry* e = entryOf(fd))
        return answer(e->node, request, arg);
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto system = reinterpret_cast<Ioctl>(::dlsym(RTLD_NEXT, "ioctl"));
    return system(fd, request, arg);
}

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    if (Entry* e = entryOf(fd))
        return serve(*e, buffer, count);
    using Read = ssize_t (*)(int, void*, size_t);
    static const auto system = reinterpret_cast<Read>(::dlsym(RTLD_NEXT, "read"));
    return system(fd, buffer, count);
}

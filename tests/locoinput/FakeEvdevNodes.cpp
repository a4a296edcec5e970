// The kernel side of fake event nodes: ioctl() and read() of this program. libevdev calls them
// through the dynamic linker, which finds the program's own definitions first.
#undef _FORTIFY_SOURCE

#include "locoinput/FakeEvdevNodes.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>

namespace {

struct Entry {
    dev_t device;
    ino_t inode;
    std::unique_ptr<FakeEvdevNode> node;
    std::size_t batch = 0;
    std::size_t next = 0;
};

std::vector<Entry>& entries() {
    static std::vector<Entry> all;
    return all;
}

Entry* entryOf(int fd) {
    if (entries().empty())
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return nullptr;
    for (Entry& e : entries())
        if (e.device == st.st_dev && e.inode == st.st_ino)
            return &e;
    return nullptr;
}

int fail(int error) {
    errno = error;
    return -1;
}

// Copies up to size bytes of a bit array with the given bits set; the bytes copied.
int bits(void* out, unsigned size, const std::vector<int>& set) {
    std::vector<unsigned char> bytes(std::max<std::size_t>(size, 1), 0);
    for (int bit : set)
        if (bit >= 0 && static_cast<unsigned>(bit) / 8 < size)
            bytes[static_cast<unsigned>(bit) / 8] |= static_cast<unsigned char>(1u << (bit % 8));
    std::memcpy(out, bytes.data(), size);
    return static_cast<int>(size);
}

int text(void* out, unsigned size, const std::string& value) {
    if (value.empty())
        return fail(ENOENT);
    const unsigned n = std::min<unsigned>(size, static_cast<unsigned>(value.size() + 1));
    std::memcpy(out, value.c_str(), n);
    return static_cast<int>(n);
}

int answer(const FakeEvdevNode& node, unsigned long request, void* arg) {
    if (_IOC_TYPE(request) != 'E' || _IOC_DIR(request) != _IOC_READ || arg == nullptr)
        return fail(EINVAL);
    const TestDeviceDescription& d = node.device;
    const unsigned nr = _IOC_NR(request), size = _IOC_SIZE(request);
    std::vector<int> keys(d.keys), axes;
    for (const TestAxis& axis : d.axes)
        axes.push_back(axis.code);
    if (nr == _IOC_NR(EVIOCGVERSION)) {
        const int version = EV_VERSION;
        std::memcpy(arg, &version, sizeof version);
        return 0;
    }
    if (nr == _IOC_NR(EVIOCGID)) {
        const input_id id{static_cast<__u16>(d.bustype), static_cast<__u16>(d.vendor),
                          static_cast<__u16>(d.product), static_cast<__u16>(d.version)};
        std::memcpy(arg, &id, sizeof id);
        return 0;
    }
    if (nr == _IOC_NR(EVIOCGNAME(0)))
        return text(arg, size, d.name);
    if (nr == _IOC_NR(EVIOCGPHYS(0)))
        return text(arg, size, d.phys);
    if (nr == _IOC_NR(EVIOCGUNIQ(0)))
        return text(arg, size, d.uniq);
    if (nr == _IOC_NR(EVIOCGPROP(0)))
        return bits(arg, size, d.properties);
    if (nr == _IOC_NR(EVIOCGKEY(0)))
        return bits(arg, size, node.keysDown);
    if (nr == _IOC_NR(EVIOCGLED(0)) || nr == _IOC_NR(EVIOCGSND(0)) || nr == _IOC_NR(EVIOCGSW(0)))
        return bits(arg, size, {});
    if (nr == _IOC_NR(EVIOCGBIT(0, 0))) {
        std::vector<int> types{EV_SYN};
        if (!keys.empty())
            types.push_back(EV_KEY);
        if (!axes.empty())
            types.push_back(EV_ABS);
        return bits(arg, size, types);
    }
    if (nr > _IOC_NR(EVIOCGBIT(0, 0)) && nr <= _IOC_NR(EVIOCGBIT(EV_MAX, 0))) {
        const unsigned type = nr - _IOC_NR(EVIOCGBIT(0, 0));
        return bits(arg, size, type == EV_KEY ? keys : type == EV_ABS ? axes : std::vector<int>{});
    }
    if (nr >= _IOC_NR(EVIOCGABS(0)) && nr <= _IOC_NR(EVIOCGABS(ABS_MAX))) {
        const int code = static_cast<int>(nr - _IOC_NR(EVIOCGABS(0)));
        for (const TestAxis& axis : d.axes) {
            if (axis.code != code)
                continue;
            input_absinfo info{};
            info.value = axis.value;
            info.minimum = axis.minimum;
            info.maximum = axis.maximum;
            std::memcpy(arg, &info, std::min<std::size_t>(size, sizeof info));
            return 0;
        }
    }
    return fail(EINVAL);
}

long serve(Entry& e, void* buffer, std::size_t count) {
    FakeEvdevNode& node = *e.node;
    const std::size_t room = count / sizeof(input_event);
    if (room == 0)
        return fail(EINVAL);
    auto* out = static_cast<input_event*>(buffer);
    std::size_t n = 0;
    if (node.flood > 0) {
        for (; n < room && node.served < node.flood; ++n, ++node.served)
            out[n] = node.served % 2 == 0 ? event(EV_ABS, ABS_X, static_cast<int>(node.served % 1000))
                                          : event(EV_SYN, SYN_REPORT, 0);
        return n > 0 ? static_cast<long>(n * sizeof(input_event)) : fail(EAGAIN);
    }
    if (e.batch >= node.batches.size())
        return fail(node.endError);
    const std::vector<input_event>& batch = node.batches[e.batch];
    for (; n < room && e.next < batch.size(); ++n, ++e.next, ++node.served)
        out[n] = batch[e.next];
    if (n > 0)
        return static_cast<long>(n * sizeof(input_event));
    ++e.batch;
    e.next = 0;
    return fail(e.batch < node.batches.size() ? EAGAIN : node.endError);
}

} // namespace

FakeEvdevNode& fakeEvdevNode(const std::string& path, const FakeEvdevNode& node) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::runtime_error("no file " + path);
    entries().push_back({st.st_dev, st.st_ino, std::make_unique<FakeEvdevNode>(node)});
    return *entries().back().node;
}

void clearFakeEvdevNodes() {
    entries().clear();
}

input_event event(int type, int code, int value) {
    input_event e{};
    e.type = static_cast<__u16>(type);
    e.code = static_cast<__u16>(code);
    e.value = value;
    return e;
}

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (const Entry* e = entryOf(fd))
        return answer(*e->node, request, arg);
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

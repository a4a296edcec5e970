#include "loco/input/DeviceSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

InputDebugSink& debugSink() {
    static InputDebugSink sink;
    return sink;
}

// "event" followed by at least one digit and nothing else.
bool isEventNode(const std::string& name) {
    constexpr std::string_view prefix = "event";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Numeric order of the digit runs without converting them, so that no name can overflow.
bool numericallyBefore(const std::string& a, const std::string& b) {
    auto digits = [](const std::string& name) {
        std::string_view d(name);
        d.remove_prefix(5);
        while (d.size() > 1 && d.front() == '0')
            d.remove_prefix(1);
        return d;
    };
    const std::string_view da = digits(a), db = digits(b);
    if (da.size() != db.size())
        return da.size() < db.size();
    if (da != db)
        return da < db;
    return a < b;
}

class KernelInputDevice final : public InputDevice {
public:
    KernelInputDevice(libevdev* device, int fd, std::string node)
        : InputDevice(device, std::move(node)), m_fd(fd) {}
    ~KernelInputDevice() override { ::close(m_fd); }

    bool refresh() override {
        if (m_lost)
            return false;
        // A device that reports faster than we read could keep us here; what is left waits for the
        // next refresh.
        constexpr int kMostEventsPerRefresh = 100000;
        unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
        input_event event{};
        for (int n = 0; n < kMostEventsPerRefresh; ++n) {
            const int rc = libevdev_next_event(mutableEvdev(), flags, &event);
            if (rc == LIBEVDEV_READ_STATUS_SUCCESS)
                continue;
            if (rc == LIBEVDEV_READ_STATUS_SYNC) {
                // Events were dropped: libevdev replays the difference to the device's state.
                flags = LIBEVDEV_READ_FLAG_SYNC;
                continue;
            }
            if (rc == -EAGAIN) {
                if (flags == LIBEVDEV_READ_FLAG_SYNC) {
                    flags = LIBEVDEV_READ_FLAG_NORMAL;
                    continue;
                }
                return true;
            }
            m_lost = true;
            return false;
        }
        return true;
    }

private:
    int m_fd;
    bool m_lost = false;
};

} // namespace

InputDevice::InputDevice(libevdev* device, std::string node) : m_evdev(device), m_node(std::move(node)) {}

InputDevice::~InputDevice() {
    libevdev_free(m_evdev);
}

KernelDeviceSource::KernelDeviceSource(std::string folder) : m_folder(std::move(folder)) {
    if (!m_folder.empty() && m_folder.back() == '/')
        m_folder.pop_back();
    // Watched before the first scan, so that nothing between the two goes unseen.
    watch();
}

KernelDeviceSource::~KernelDeviceSource() {
    if (m_inotify >= 0)
        ::close(m_inotify);
}

bool KernelDeviceSource::watch() {
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        return false;
    // IN_ATTRIB: udev grants access to a new node after creating it.
    constexpr std::uint32_t kChanges =
        IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
    if (::inotify_add_watch(m_inotify, m_folder.c_str(), kChanges) < 0) {
        ::close(m_inotify);
        m_inotify = -1;
        return false;
    }
    return true;
}

bool KernelDeviceSource::drainChanges() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n > 0) {
            changed = true;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                // The folder went away or was replaced: watch it afresh.
                if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_Q_OVERFLOW)) {
                    ::close(m_inotify);
                    m_inotify = -1;
                    return true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            ::close(m_inotify);
            m_inotify = -1;
            return true;
        }
        return changed;
    }
}

std::uint64_t KernelDeviceSource::generation() {
    if (m_inotify < 0) {
        watch();
        return ++m_generation;
    }
    if (drainChanges())
        ++m_generation;
    return m_generation;
}

std::optional<std::vector<std::string>> KernelDeviceSource::listNodes() {
    DIR* dir = ::opendir(m_folder.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (isEventNode(name))
            names.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), numericallyBefore);
    for (std::string& name : names)
        name = m_folder + "/" + name;
    return names;
}

std::unique_ptr<InputDevice> KernelDeviceSource::open(const std::string& node) {
    // Identities name their node; only event nodes of this folder are opened.
    const std::size_t slash = node.rfind('/');
    if (slash == std::string::npos || node.compare(0, slash, m_folder) != 0 ||
        !isEventNode(node.substr(slash + 1)))
        return nullptr;
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        inputDebugLine("Joystick: cannot open " + node + ": " + std::strerror(errno));
        return nullptr;
    }
    libevdev* device = nullptr;
    const int rc = libevdev_new_from_fd(fd, &device);
    if (rc < 0) {
        ::close(fd);
        inputDebugLine("Joystick: " + node + " is no input device: " + std::strerror(-rc));
        return nullptr;
    }
    return std::make_unique<KernelInputDevice>(device, fd, node);
}

int KernelDeviceSource::openError(const std::string& node) {
    const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

std::string unreadableNodes(DeviceSource& source) {
    const auto nodes = source.listNodes();
    if (!nodes || nodes->empty())
        return {};
    int first = 0;
    for (const std::string& node : *nodes) {
        const int error = source.openError(node);
        if (error == 0)
            return {};
        if (first == 0)
            first = error;
    }
    return nodes->front() + ": " + std::strerror(first);
}

void setInputDebugSink(InputDebugSink sink) {
    debugSink() = std::move(sink);
}

void inputDebugLine(const std::string& line) {
    if (debugSink())
        debugSink()(line);
}

#include "loco/input/DeviceSource.h"

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <string_view>
#include <sys/inotify.h>
#include <unistd.h>

#include "loco/input/GameController.h"
#include "platform/TextFile.h"

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

void trimTrailingSlash(std::string& path) {
    if (!path.empty() && path.back() == '/')
        path.pop_back();
}

// The small text files that describe a node (sysfs attributes, udev's record); nothing when the file
// is missing, no regular file or unreasonably large.
std::optional<std::string> readDescription(const std::string& path) {
    constexpr std::size_t kMostBytes = 64 * 1024;
    try {
        return readRegularFile(path, kMostBytes);
    } catch (const TextFileError&) {
        return std::nullopt;
    }
}

std::string_view withoutLineEnd(std::string_view text) {
    if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    return text;
}

// The kernel lists capability bits in words of its unsigned long.
constexpr std::size_t kWordBits = sizeof(unsigned long) * CHAR_BIT;
using CapabilityBits = std::bitset<KEY_CNT>;

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Capability bits as sysfs lists them: hexadecimal words without leading zeros, separated by blanks,
// the most significant first. Nothing for text that is no such list or sets a bit beyond the highest
// key code.
std::optional<CapabilityBits> parseCapabilityBits(std::string_view text) {
    constexpr std::size_t kMostWords = (KEY_CNT + kWordBits - 1) / kWordBits;
    text = withoutLineEnd(text);
    std::vector<std::string_view> words;
    for (;;) {
        if (words.size() == kMostWords)
            return std::nullopt;
        const std::size_t blank = text.find(' ');
        words.push_back(text.substr(0, blank));
        if (blank == std::string_view::npos)
            break;
        text.remove_prefix(blank + 1);
    }
    CapabilityBits bits;
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::string_view word = words[w];
        if (word.empty() || word.size() > kWordBits / 4)
            return std::nullopt;
        const std::size_t lowest = (words.size() - 1 - w) * kWordBits;
        for (std::size_t d = 0; d < word.size(); ++d) {
            const int digit = hexDigit(word[word.size() - 1 - d]);
            if (digit < 0)
                return std::nullopt;
            for (std::size_t b = 0; b < 4; ++b) {
                if ((digit >> b & 1) == 0)
                    continue;
                const std::size_t code = lowest + 4 * d + b;
                if (code >= bits.size())
                    return std::nullopt;
                bits.set(code);
            }
        }
    }
    return bits;
}

// What udev's record of a node says: whether it classified the device as a joystick, or nothing
// when the record holds no input classification at all.
std::optional<bool> udevJoystick(std::string_view record) {
    bool classified = false;
    while (!record.empty()) {
        const std::size_t end = record.find('\n');
        const std::string_view line = record.substr(0, end);
        if (line == "E:ID_INPUT_JOYSTICK=1")
            return true;
        if (line.substr(0, 10) == "E:ID_INPUT")
            classified = true;
        if (end == std::string_view::npos)
            break;
        record.remove_prefix(end + 1);
    }
    return classified ? std::optional<bool>(false) : std::nullopt;
}

// "<major>:<minor>" as sysfs gives a node's device number; nothing for anything else.
bool isDeviceNumber(std::string_view text) {
    const std::size_t colon = text.find(':');
    auto digits = [](std::string_view d) {
        return !d.empty() && d.size() <= 10 &&
               std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return colon != std::string_view::npos && digits(text.substr(0, colon)) && digits(text.substr(colon + 1));
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

KernelDeviceSource::KernelDeviceSource(std::string folder, std::string sysfs, std::string udevData)
    : m_folder(std::move(folder)), m_sysfs(std::move(sysfs)), m_udevData(std::move(udevData)) {
    for (std::string* path : {&m_folder, &m_sysfs, &m_udevData})
        trimTrailingSlash(*path);
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

std::string KernelDeviceSource::eventName(const std::string& node) const {
    const std::size_t slash = node.rfind('/');
    if (slash == std::string::npos || node.compare(0, slash, m_folder) != 0 ||
        !isEventNode(node.substr(slash + 1)))
        return {};
    return node.substr(slash + 1);
}

std::unique_ptr<InputDevice> KernelDeviceSource::open(const std::string& node) {
    // Identities name their node; only event nodes of this folder are opened.
    if (eventName(node).empty())
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

bool KernelDeviceSource::isJoystickNode(const std::string& node) {
    const std::string name = eventName(node);
    if (name.empty())
        return false;
    const std::string device = m_sysfs + "/" + name;
    // udev's word first: its rules and hardware database also know devices that misreport themselves.
    if (const auto number = readDescription(device + "/dev")) {
        const std::string_view text = withoutLineEnd(*number);
        if (isDeviceNumber(text)) {
            if (const auto record = readDescription(m_udevData + "/c" + std::string(text)))
                if (const auto joystick = udevJoystick(*record))
                    return *joystick;
        }
    }
    const std::string capabilities = device + "/device/capabilities/";
    auto bits = [&](const std::string& path) -> std::optional<CapabilityBits> {
        const auto text = readDescription(path);
        return text ? parseCapabilityBits(*text) : std::nullopt;
    };
    const auto ev = bits(capabilities + "ev");
    const auto abs = bits(capabilities + "abs");
    const auto key = bits(capabilities + "key");
    if (!ev || !abs || !key)
        return false;
    // Not every device lists properties; none then.
    const CapabilityBits properties = bits(device + "/device/properties").value_or(CapabilityBits());
    auto test = [](const CapabilityBits& set, bool typeReported) {
        return [&set, typeReported](int code) {
            return typeReported && code >= 0 && static_cast<std::size_t>(code) < set.size() &&
                   set.test(static_cast<std::size_t>(code));
        };
    };
    return hasJoystickCapabilities(
        {test(*abs, ev->test(EV_ABS)), test(*key, ev->test(EV_KEY)), test(properties, true)});
}

std::string unreadableNodes(DeviceSource& source) {
    const auto nodes = source.listNodes();
    if (!nodes)
        return {};
    const std::string* first = nullptr;
    int firstError = 0;
    for (const std::string& node : *nodes) {
        if (!source.isJoystickNode(node))
            continue;
        const int error = source.openError(node);
        if (error == 0)
            return {};
        if (first == nullptr) {
            first = &node;
            firstError = error;
        }
    }
    return first != nullptr ? *first + ": " + std::strerror(firstError) : std::string();
}

void setInputDebugSink(InputDebugSink sink) {
    debugSink() = std::move(sink);
}

void inputDebugLine(const std::string& line) {
    if (debugSink())
        debugSink()(line);
}

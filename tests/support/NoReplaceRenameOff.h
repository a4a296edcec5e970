#pragma once

// Makes renameat2 fail as it does on a file system that cannot rename without replacing, while
// g_renameat2Unsupported is set; otherwise it renames as the kernel does. The static platform library
// finds this definition in place of the C library's. Include it from one source of a test program.

#include <cerrno>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
bool g_renameat2Unsupported = false;
} // namespace

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
    if (g_renameat2Unsupported) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_renameat2, fromDir, from, toDir, to, flags));
}

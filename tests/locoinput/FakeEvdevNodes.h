#pragma once

// Event nodes without a kernel, for the test program that reads devices through libevdev: a node is
// a plain file, and this program's own ioctl() and read() answer for it as the kernel's evdev driver
// would. Every other descriptor goes to the system's functions. Linked into that one program only.

#include <cerrno>
#include <deque>
#include <linux/input.h>
#include <string>
#include <vector>

#include "loco/input/TestDeviceSource.h"

struct FakeEvdevNode {
    // Identity, capabilities and the axis values the state queries report.
    TestDeviceDescription device;
    // Keys the state query reports as held down.
    std::vector<int> keysDown;
    // What reads return: the first batch until it is used up, then it is dropped and one read fails
    // with EAGAIN, or with endError after the last batch (and from then on).
    std::deque<std::vector<input_event>> batches;
    int endError = EAGAIN;
};

// Makes path (an existing file) a fake node until clearFakeEvdevNodes(); the returned node can be
// changed while the file is open.
FakeEvdevNode& fakeEvdevNode(const std::string& path, const TestDeviceDescription& device);
void clearFakeEvdevNodes();

input_event event(int type, int code, int value);

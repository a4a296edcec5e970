#pragma once

// Event nodes without a kernel, for the test program that reads devices through libevdev: a node is
// a plain file in a test folder, and this program's own ioctl() and read() answer for it as the
// kernel's evdev driver would, from a device description and a script of what reads return. Every
// other descriptor goes to the system's functions. Linked into that one program only.

#include <cerrno>
#include <linux/input.h>
#include <string>
#include <vector>

#include "loco/input/TestDeviceSource.h"

struct FakeEvdevNode {
    // Identity, capabilities and the state the state queries report (axis values as described).
    TestDeviceDescription device;
    // Keys the state query reports as held down.
    std::vector<int> keysDown;
    // What reads return: each batch until it is used up, then one EAGAIN before the next batch
    // becomes readable; once the last batch is used up, every read fails with endError.
    std::vector<std::vector<input_event>> batches;
    int endError = EAGAIN;
    // Above 0: reads return an endless stream of X axis changes and reports instead, until this many
    // events were read.
    long flood = 0;

    // How many events reads returned.
    long served = 0;
};

// Makes path (an existing file) a fake node from now on; the returned node can be changed while the
// file is open. Forget all with clear().
FakeEvdevNode& fakeEvdevNode(const std::string& path, const FakeEvdevNode& node);
void clearFakeEvdevNodes();

input_event event(int type, int code, int value);

#pragma once

#include <array>
#include <optional>
#include <vector>

#include "loco/input/GameController.h"

// The range an axis is read in: the kernel's minimum and maximum, or what a calibration saw. A centre
// strictly inside the range splits it into two halves that each map linearly onto half the target.
struct AxisCalibration {
    int minimum = 0;
    int maximum = 0;
    std::optional<int> centre;
    bool operator==(const AxisCalibration&) const = default;
};

// Maps value from the axis's range onto low..high (low <= high): linear, rounded to nearest (halves
// upwards), clamped to the range; a zero-width range reads the middle of low..high.
int scaleAxis(int value, const AxisCalibration& from, int low, int high);

// The calibrations made in this run, per controller (by ids, phys and uniq, so that a controller
// plugged in again keeps its calibration) and axis. Nothing is stored on disk.
class CalibrationStore {
public:
    void set(const DeviceIdentity& controller, Axis axis, const AxisCalibration& calibration);
    std::optional<AxisCalibration> get(const DeviceIdentity& controller, Axis axis) const;
    // This run's calibration of the axis, else the kernel's range.
    AxisCalibration effective(const GameController& controller, Axis axis) const;
    // The axis's value scaled onto low..high; 0 for a missing axis.
    int scaled(const GameController& controller, Axis axis, int low, int high) const;

private:
    struct Entry {
        DeviceIdentity controller;
        std::array<std::optional<AxisCalibration>, 3> axes;
    };
    std::vector<Entry> m_entries;
};

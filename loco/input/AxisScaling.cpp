#include "loco/input/AxisScaling.h"

#include <algorithm>

namespace {

// Products of two 32-bit spans need more than 64 bits.
__extension__ typedef __int128 Wide;

// numerator / denominator rounded to nearest, halves upwards; denominator > 0.
Wide divideRounded(Wide numerator, Wide denominator) {
    const Wide twice = 2 * numerator + denominator;
    const Wide step = 2 * denominator;
    Wide quotient = twice / step;
    if (twice % step != 0 && twice < 0)
        --quotient;
    return quotient;
}

} // namespace

int scaleAxis(int value, const AxisCalibration& from, int low, int high) {
    const Wide span = Wide{high} - low;
    if (from.maximum <= from.minimum)
        return static_cast<int>(low + divideRounded(span, 2));
    const Wide v = std::clamp(value, from.minimum, from.maximum);
    const Wide min = from.minimum, max = from.maximum;
    Wide offset;
    if (from.centre && *from.centre > from.minimum && *from.centre < from.maximum) {
        const Wide centre = *from.centre;
        if (v <= centre)
            offset = divideRounded((v - min) * span, 2 * (centre - min));
        else
            offset = divideRounded((2 * (max - centre) - (max - v)) * span, 2 * (max - centre));
    } else {
        offset = divideRounded((v - min) * span, max - min);
    }
    return static_cast<int>(std::clamp<Wide>(low + offset, low, high));
}

void CalibrationStore::set(const DeviceIdentity& controller, Axis axis, const AxisCalibration& calibration) {
    for (Entry& entry : m_entries) {
        if (entry.controller.sameController(controller)) {
            entry.axes[static_cast<int>(axis)] = calibration;
            return;
        }
    }
    Entry entry{controller, {}};
    entry.axes[static_cast<int>(axis)] = calibration;
    m_entries.push_back(std::move(entry));
}

std::optional<AxisCalibration> CalibrationStore::get(const DeviceIdentity& controller, Axis axis) const {
    for (const Entry& entry : m_entries)
        if (entry.controller.sameController(controller))
            return entry.axes[static_cast<int>(axis)];
    return std::nullopt;
}

AxisCalibration CalibrationStore::effective(const GameController& controller, Axis axis) const {
    if (auto calibration = get(controller.identity(), axis))
        return *calibration;
    const AxisRange range = controller.kernelRange(axis);
    return {range.minimum, range.maximum, std::nullopt};
}

int CalibrationStore::scaled(const GameController& controller, Axis axis, int low, int high) const {
    if (!controller.hasAxis(axis))
        return 0;
    return scaleAxis(controller.value(axis), effective(controller, axis), low, high);
}

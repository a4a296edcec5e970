#include "loco/input/ControlPanelApplet.h"

#include <algorithm>

#include "loco/input/InputPlatform.h"
#include "platform/DialogService.h"

namespace {

CalibrationView* g_view = nullptr;

void showCalibrationDialog() {
    CalibrationView* view = g_view;
    if (view == nullptr)
        return;
    InputPlatform& platform = inputPlatform();
    CalibrationSession session(platform.devices(), platform.calibration());
    struct Detach {
        CalibrationView* view;
        ~Detach() { view->attach(nullptr); }
    } detach{view};
    view->attach(&session);
    if (dialogs().modalWindow(CalibrationView::kWindowName, [view] { return view->exec(); }) == 1)
        session.accept();
}

} // namespace

void setCalibrationView(CalibrationView* view) {
    g_view = view;
}

CalibrationView* calibrationView() {
    return g_view;
}

std::int32_t joystickApplet(std::uint32_t, std::uint32_t uMsg, std::intptr_t, std::intptr_t) {
    switch (uMsg) {
    case CPL_INIT:
        return 1;
    case CPL_DBLCLK:
        showCalibrationDialog();
        return 0;
    default:
        return 0;
    }
}

void runJoystickApplet(std::uint32_t parentWindow, const std::function<void()>& stopTimers) {
    ModuleLoader& loader = inputPlatform().modules();
    struct Library {
        ModuleLoader& loader;
        ModuleHandle handle;
        ~Library() {
            if (handle != 0)
                loader.FreeLibrary(handle);
        }
    } library{loader, loader.LoadLibraryA("joy.cpl")};
    if (stopTimers)
        stopTimers();
    const CplAppletFn applet = loader.GetProcAddress<CplAppletSignature>(library.handle, "CPlApplet");
    if (!applet)
        return;
    TNewCPLInfo info{};
    const auto data = reinterpret_cast<std::intptr_t>(&info);
    if (applet(parentWindow, CPL_INIT, 0, 0) != 0)
        applet(parentWindow, CPL_DBLCLK, 0, data);
    applet(parentWindow, CPL_STOP, 0, data);
    applet(parentWindow, CPL_EXIT, 0, 0);
}

CalibrationSession::CalibrationSession(DeviceSource& source, CalibrationStore& store) : m_store(store) {
    forEachController(source, [&](std::unique_ptr<GameController>& controller) {
        m_controllers.push_back(std::move(controller));
        return true;
    });
    m_rows.resize(m_controllers.size());
    for (std::size_t i = 0; i < m_controllers.size(); ++i) {
        const GameController& controller = *m_controllers[i];
        m_rows[i].name = controller.name();
        for (Axis axis : kAxes) {
            AxisReading& reading = m_rows[i].axes[static_cast<int>(axis)];
            reading.present = controller.hasAxis(axis);
            reading.value = reading.seenMinimum = reading.seenMaximum = controller.value(axis);
        }
    }
}

CalibrationSession::~CalibrationSession() = default;

void CalibrationSession::refresh() {
    for (std::size_t i = 0; i < m_controllers.size(); ++i) {
        Row& row = m_rows[i];
        if (row.lost || !m_controllers[i]->refresh()) {
            row.lost = true;
            continue;
        }
        for (Axis axis : kAxes) {
            AxisReading& reading = row.axes[static_cast<int>(axis)];
            if (!reading.present)
                continue;
            reading.value = m_controllers[i]->value(axis);
            reading.seenMinimum = std::min(reading.seenMinimum, reading.value);
            reading.seenMaximum = std::max(reading.seenMaximum, reading.value);
        }
    }
}

const CalibrationSession::AxisReading& CalibrationSession::reading(int row, Axis axis) const {
    return m_rows.at(static_cast<std::size_t>(row)).axes[static_cast<int>(axis)];
}

void CalibrationSession::accept() {
    for (std::size_t i = 0; i < m_controllers.size(); ++i) {
        for (Axis axis : kAxes) {
            const AxisReading& reading = m_rows[i].axes[static_cast<int>(axis)];
            // A zero-width calibration would pin the axis to its middle.
            if (!reading.present || reading.seenMaximum <= reading.seenMinimum)
                continue;
            AxisCalibration calibration{reading.seenMinimum, reading.seenMaximum, reading.value};
            if (reading.value <= reading.seenMinimum || reading.value >= reading.seenMaximum)
                calibration.centre.reset();
            m_store.set(m_controllers[i]->identity(), axis, calibration);
        }
    }
}

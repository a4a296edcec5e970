#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loco/input/AxisScaling.h"
#include "loco/input/GameController.h"

// The game-controller control-panel applet "joy.cpl" with its entry "CPlApplet", and the calibration
// it offers.

constexpr std::uint32_t CPL_INIT = 1;
constexpr std::uint32_t CPL_DBLCLK = 5;
constexpr std::uint32_t CPL_STOP = 6;
constexpr std::uint32_t CPL_EXIT = 7;

// The record a caller hands with CPL_DBLCLK and CPL_STOP; nobody fills or reads it.
struct TNewCPLInfo {
    std::uint32_t dwSize;
    std::uint32_t dwFlags;
    std::uint32_t dwHelpContext;
    std::intptr_t lData;
    char szName[32];
    char szInfo[64];
    char szHelpFile[128];
};

// The entry's type: parent window, message, two message parameters.
using CplAppletSignature = std::int32_t(std::uint32_t, std::uint32_t, std::intptr_t, std::intptr_t);
using CplAppletFn = std::function<CplAppletSignature>;

// Our applet: CPL_INIT answers 1; CPL_DBLCLK shows the calibration dialog modally (through the
// dialog service's modal-window hook) and, when it is closed with OK, keeps what it saw for this run;
// everything else does nothing and answers 0.
std::int32_t joystickApplet(std::uint32_t hwndCPl, std::uint32_t uMsg, std::intptr_t lParam1,
                            std::intptr_t lParam2);

// What the joystick windows' "Calibrate" does with the applet: loads "joy.cpl", calls stopTimers,
// looks up "CPlApplet" and, when there is one, sends CPL_INIT, CPL_DBLCLK for applet 0 (only when
// CPL_INIT answered non-zero), CPL_STOP for applet 0 and CPL_EXIT, each with parentWindow first. The
// library is freed however this ends; an exception passes on after that.
void runJoystickApplet(std::uint32_t parentWindow, const std::function<void()>& stopTimers);

// The calibration dialog's logic: the attached controllers with their live X, Y and Z and the least
// and greatest value seen of each since the dialog opened. Runs on the GUI thread.
class CalibrationSession {
public:
    struct AxisReading {
        bool present = false;
        int value = 0;
        int seenMinimum = 0;
        int seenMaximum = 0;
    };
    struct Row {
        std::string name;
        bool lost = false;
        std::array<AxisReading, 3> axes; // X, Y, Z
    };

    // Opens every attached game controller and reads it once.
    CalibrationSession(DeviceSource& source, CalibrationStore& store);
    ~CalibrationSession();

    // Reads every controller again; a lost one keeps its last values and is marked lost.
    void refresh();
    const std::vector<Row>& rows() const { return m_rows; }
    const AxisReading& reading(int row, Axis axis) const;

    // OK: for each axis that moved, its seen minimum and maximum and its value now as the centre are
    // kept for this run (an axis that did not move keeps what it had).
    void accept();

private:
    CalibrationStore& m_store;
    std::vector<std::unique_ptr<GameController>> m_controllers;
    std::vector<Row> m_rows;
};

// The calibration dialog as the applet uses it; the Widgets dialog implements it. The applet calls
// attach with a session, shows the dialog through the modal-window hook (exec), then calls attach
// with nullptr. While the dialog is open it calls refresh() on the session at its own pace and shows
// rows(); exec returns 1 for OK and 0 for Cancel, the title bar or Escape.
class CalibrationView {
public:
    static constexpr const char* kWindowName = "JoyCalibrationForm";
    virtual ~CalibrationView() = default;
    virtual void attach(CalibrationSession* session) = 0;
    virtual int exec() = 0;
};

// The dialog the applet shows: the one set last (the windows install theirs at program start, a test
// its own), none before; nullptr takes it away. Without one CPL_DBLCLK shows nothing.
void setCalibrationView(CalibrationView* view);
CalibrationView* calibrationView();

#include "loco/input/ControlPanelApplet.h"
#include "locoinput/InputFixture.h"
#include "support/RecordingDialogs.h"

#include <set>
#include <stdexcept>

namespace {

// Stands in for the Widgets dialog: while "open" it runs the test's script on the session.
class ScriptedView : public CalibrationView {
public:
    std::function<int(CalibrationSession&)> script;
    CalibrationSession* attached = nullptr;
    std::vector<bool> attachments; // true for a session, false for nullptr

    void attach(CalibrationSession* session) override {
        attached = session;
        attachments.push_back(session != nullptr);
    }
    int exec() override { return script(*attached); }
};

class ControlPanelAppletTest : public InputFixture {
protected:
    ~ControlPanelAppletTest() override { setCalibrationView(nullptr); }

    RecordingDialogs m_dialogs;
    ScriptedView m_view;

    // Double-clicks our applet with the user's part played by script; the dialog service stands in
    // for the modal window and runs the view.
    void calibrate(std::function<int(CalibrationSession&)> script) {
        setCalibrationView(&m_view);
        m_view.script = std::move(script);
        m_dialogs.pushWindow([this] { return m_view.exec(); });
        EXPECT_EQ(joystickApplet(0, CPL_DBLCLK, 0, 0), 0);
    }
};

struct Message {
    std::uint32_t window, message;
    std::intptr_t first, second;
    bool operator==(const Message&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Message& m) {
    return out << "(" << m.window << ", " << m.message << ", " << m.first << ", " << (m.second != 0) << ")";
}

} // namespace

TEST_F(ControlPanelAppletTest, OkKeepsWhatTheDialogSawForThisRun) {
    const std::string stick = source().attach(TestDeviceDescription::joystick(), 0);
    const std::string pad = source().attach(TestDeviceDescription::gamepad(), 1);
    calibrate([&](CalibrationSession& session) {
        EXPECT_EQ(session.rows().size(), 2u);
        EXPECT_EQ(session.rows()[0].name, "Test joystick");
        EXPECT_EQ(session.reading(0, Axis::Y).value, 512);
        for (int y : {100, 900, 480}) {
            source().setAxis(stick, Axis::Y, y);
            session.refresh();
        }
        source().setAxis(stick, Axis::Z, 255);
        session.refresh();
        const CalibrationSession::AxisReading& y = session.reading(0, Axis::Y);
        EXPECT_EQ(y.value, 480);
        EXPECT_EQ(y.seenMinimum, 100);
        EXPECT_EQ(y.seenMaximum, 900);
        source().setAxis(pad, Axis::X, -20000);
        session.refresh();
        source().unplug(pad);
        session.refresh();
        EXPECT_TRUE(session.rows()[1].lost);
        EXPECT_EQ(session.reading(1, Axis::X).value, -20000) << "a lost controller keeps its last values";
        return 1;
    });
    EXPECT_EQ(m_dialogs.calls().at(0).title, CalibrationView::kWindowName);
    EXPECT_EQ(m_view.attachments, (std::vector<bool>{true, false}));

    const DeviceIdentity stickId = GameController::from(source().open(stick))->identity();
    CalibrationStore& store = m_platform.calibration();
    EXPECT_EQ(store.get(stickId, Axis::Y), (AxisCalibration{100, 900, 480}));
    EXPECT_EQ(store.get(stickId, Axis::Z), (AxisCalibration{0, 255, std::nullopt})) << "ended on its maximum";
    EXPECT_EQ(store.get(stickId, Axis::X), std::nullopt)
        << "an axis that did not move keeps the kernel's range";

    // The calibration is what the stand-ins read with from now on.
    source().setAxis(stick, Axis::Y, 480);
    JoyInfoEx info{};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNY;
    ASSERT_EQ(joyGetPosEx(0, &info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwYpos, 32768u);
    source().setAxis(stick, Axis::Y, 900);
    ASSERT_EQ(joyGetPosEx(0, &info), JOYERR_NOERROR);
    EXPECT_EQ(info.dwYpos, 65535u);
}

TEST_F(ControlPanelAppletTest, CancelKeepsNothing) {
    const std::string stick = source().attach(TestDeviceDescription::joystick(), 0);
    calibrate([&](CalibrationSession& session) {
        source().setAxis(stick, Axis::Y, 0);
        session.refresh();
        return 0;
    });
    const DeviceIdentity stickId = GameController::from(source().open(stick))->identity();
    EXPECT_EQ(m_platform.calibration().get(stickId, Axis::Y), std::nullopt);
}

TEST_F(ControlPanelAppletTest, AnswersItsMessages) {
    EXPECT_EQ(joystickApplet(0, CPL_INIT, 0, 0), 1);
    EXPECT_EQ(joystickApplet(0, CPL_STOP, 0, 0), 0);
    EXPECT_EQ(joystickApplet(0, CPL_EXIT, 0, 0), 0);
    EXPECT_EQ(joystickApplet(0, CPL_DBLCLK, 0, 0), 0) << "no dialog installed";
    EXPECT_TRUE(m_dialogs.calls().empty());
}

TEST_F(ControlPanelAppletTest, RunsTheAppletsMessagesAndAlwaysFreesTheLibrary) {
    struct Case {
        const char* name;
        bool install;
        bool withEntry;
        std::int32_t initAnswer;
        bool throwOnDoubleClick;
        std::vector<std::uint32_t> messages;
    } cases[] = {
        {"applet", true, true, 1, false, {CPL_INIT, CPL_DBLCLK, CPL_STOP, CPL_EXIT}},
        {"CPL_INIT answers 0", true, true, 0, false, {CPL_INIT, CPL_STOP, CPL_EXIT}},
        {"applet throws", true, true, 1, true, {CPL_INIT, CPL_DBLCLK}},
        {"no entry", true, false, 1, false, {}},
        {"no library", false, false, 1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Message> seen;
        m_platform.modules().remove("joy.cpl");
        if (c.install) {
            Module module;
            if (c.withEntry)
                module.add<CplAppletSignature>("CPlApplet", [&](std::uint32_t window, std::uint32_t message,
                                                                std::intptr_t first, std::intptr_t second) {
                    seen.push_back({window, message, first, second});
                    if (message == CPL_DBLCLK && c.throwOnDoubleClick)
                        throw std::runtime_error("applet failed");
                    return message == CPL_INIT ? c.initAnswer : 0;
                });
            m_platform.modules().install("JOY.CPL", module);
        }
        int stops = 0;
        auto run = [&] { runJoystickApplet(42, [&] { ++stops; }); };
        if (c.throwOnDoubleClick)
            EXPECT_THROW(run(), std::runtime_error);
        else
            EXPECT_NO_THROW(run());
        EXPECT_EQ(stops, 1);
        EXPECT_EQ(m_platform.modules().loadCount("joy.cpl"), 0);
        std::vector<std::uint32_t> messages;
        std::set<std::intptr_t> records;
        for (const Message& m : seen) {
            messages.push_back(m.message);
            EXPECT_EQ(m.window, 42u);
            EXPECT_EQ(m.first, 0);
            // The record's address goes with CPL_DBLCLK and CPL_STOP only, the same each time.
            EXPECT_EQ(m.second != 0, m.message == CPL_DBLCLK || m.message == CPL_STOP) << m;
            if (m.second != 0)
                records.insert(m.second);
        }
        EXPECT_EQ(messages, c.messages);
        EXPECT_LE(records.size(), 1u);
    }
}

TEST_F(ControlPanelAppletTest, TheProgramsLibraryShowsTheDialog) {
    source().attach(TestDeviceDescription::joystick(), 0);
    setCalibrationView(&m_view);
    int sessions = 0;
    m_view.script = [&](CalibrationSession& session) {
        sessions += static_cast<int>(session.rows().size());
        return 0;
    };
    m_dialogs.pushWindow([this] { return m_view.exec(); });
    runJoystickApplet(0, nullptr);
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_EQ(m_dialogs.calls()[0].title, "JoyCalibrationForm");
    EXPECT_EQ(sessions, 1);
    EXPECT_EQ(m_platform.modules().loadCount("joy.cpl"), 0);
}

// The calibration dialog, run by a joystick window's "Calibrate" through the applet.

#include <QTableWidget>
#include <QTimer>

#include "JoyFixture.h"
#include "loco/JoyCalibrationUnit.h"

namespace {

class JoyCalibrationUnitTest : public JoyFixture {
protected:
    ~JoyCalibrationUnitTest() override { setCalibrationView(nullptr); }

    std::string cell(int row, int column) const {
        return m_dialog.Readings->item(row, column)->text().toStdString();
    }
    std::uint32_t positionY() {
        JoyInfoEx info{};
        info.dwSize = sizeof info;
        info.dwFlags = JOY_RETURNY;
        EXPECT_EQ(joyGetPosEx(0, &info), JOYERR_NOERROR);
        return info.dwYpos;
    }

    TJoyCalibrationForm m_dialog;
};

TEST_F(JoyCalibrationUnitTest, ShowsLiveReadingsAndKeepsWhatItSawOnlyOnOk) {
    setCalibrationView(&m_dialog);
    EXPECT_EQ(m_dialog.objectName(), "JoyCalibrationForm");
    const std::string node = plugIn(TestDeviceDescription::joystick());
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        m_devices->setAxis(node, Axis::Y, 512);
        m_dialogs.pushWindow([&] {
            EXPECT_TRUE(m_dialog.RefreshTimer->isActive());
            EXPECT_EQ(m_dialog.Readings->rowCount(), 1);
            EXPECT_EQ(cell(0, 0), "Test joystick");
            EXPECT_EQ(cell(0, 2), "512  (512 .. 512)");
            for (int y : {300, 700, 500}) {
                m_devices->setAxis(node, Axis::Y, y);
                m_dialog.refreshReadings();
            }
            EXPECT_EQ(cell(0, 2), "500  (300 .. 700)");
            EXPECT_EQ(cell(0, 3), "0  (0 .. 0)");
            (ok ? m_dialog.OK_button : m_dialog.Cancel_button)->click();
            return m_dialog.result();
        });
        m_win->CalButton->click();
        EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
        EXPECT_FALSE(m_dialog.RefreshTimer->isActive());
        EXPECT_EQ(m_dialog.Readings->rowCount(), 0);
        m_devices->setAxis(node, Axis::Y, 300);
        EXPECT_EQ(positionY(), ok ? 0u : 19218u);
        m_devices->setAxis(node, Axis::Y, 500);
        EXPECT_EQ(positionY(), ok ? 32768u : 32031u);
    }
    m_win->TestTimer->stop();
}

} // namespace

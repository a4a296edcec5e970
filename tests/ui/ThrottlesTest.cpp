// The throttles in the whole window: a loco set up through the dialog and then driven over an
// "SRCP 0.73" server, a picture that fails after the loco was sent, and the joysticks: none without
// input devices, and a stick bound to a throttle driving its loco over the server.

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>

#include "ConnectionExpectations.h"
#include "QuarnTestFolder.h"
#include "engine/IconCache.h"
#include "engine/lokunit.h"
#include "loco/JoyDxUnit.h"
#include "loco/JoyWinUnit.h"
#include "loco/ThrottlePanel.h"
#include "loco/locosetupunit.h"
#include "platform/LineConnection.h"
#include "platform/qtwidgets/ClickableImage.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingClock.h"
#include "support/engine/RecordingCommandOutput.h"
#include "texts/langunit.h"

namespace {

using Server = FakeSrcp073Server;

class ThrottlesTest : public QuarnDispatchingTestFolder {
protected:
    template <typename T> static T* child(TMainForm* window, const char* name) {
        T* found = window->Regler_panel->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    Server m_server;
    RecordingClock m_clock;
};

TEST_F(ThrottlesTest, SetUpALocoThenDriveIt) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    pointAt(window, m_server.port());
    window->Hostverbinden1->trigger();
    ASSERT_TRUE(window->Command_Socket->isConnected());
    ASSERT_TRUE(m_server.waitConnected(Server::Command));
    for (int slot = 1; slot < LOKMAX; ++slot)
        Lok->set_addr(slot, 0);
    m_dialogs.clear();

    // Loco setup: the arrow button under throttle 1 opens the dialog.
    window->Lokregler = true;
    window->Regler_panel->show();
    m_dialogs.pushWindow([] {
        TLocoForm& d = *LocoForm;
        d.RadioButton4->click();
        d.RadioGroup1Items->button(2)->click(); // "N2"
        d.Adresse_edit->setText("24");
        d.Vmax_edit->setText("28");
        QTest::mouseClick(d.Func_image[2], Qt::LeftButton); // the horn
        QTest::mousePress(d.Func1, Qt::LeftButton);
        d.Fertig_button->click();
        return d.result();
    });
    QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_EQ(m_dialogs.calls()[0].title, "LocoForm");
    EXPECT_EQ(child<QLabel>(window, "Regler1_label")->text(), "24");
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "");

    std::string settings = readFileBytes(settingsFile());
    const std::string record = "N2\r\n5\r\n4\r\nLok\r\n24\r\n2\r\n1\r\n0\r\n28\r\n4\r\n1\r\n2\r\n";
    EXPECT_NE(settings.find("\r\n1\r\n" + record), std::string::npos);

    // Operate: the throttles are prepared, then the bar half way up drives the loco.
    window->Lokregler = false;
    window->Betrieb = true;
    for (int i = 0; i < LOKMAX; ++i)
        window->setupScrollBar(i);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "");
    auto* bar = child<QScrollBar>(window, "ScrollBar1");
    bar->setValue(14);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GL N2 24 1 14 28 0 4 0 0 0 0 \r\n");
    bar->setValue(13);
    bar->setValue(28);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GL N2 24 1 15 28 0 4 0 0 0 0 \r\n"
                                                              "SET GL N2 24 1 0 28 0 4 0 0 0 0 \r\n");
    EXPECT_EQ(child<QLabel>(window, "Lokname_label")->text(), "Lok");

    // At standstill the arrow button flips the direction; the icons switch functions.
    QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
    QTest::mouseClick(child<ClickableImage>(window, "Func_pic1"), Qt::LeftButton);
    QTest::mouseClick(child<ClickableImage>(window, "Func1_pic1"), Qt::LeftButton);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GL N2 24 0 0 28 0 4 0 0 0 0 \r\n"
                                                              "SET GL N2 24 0 0 28 1 4 0 0 0 0 \r\n"
                                                              "SET GL N2 24 0 0 28 1 4 1 0 0 0 \r\n");

    // The emergency stop of plan operation.
    bar->setValue(0);
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GL N2 24 0 28 28 1 4 1 0 0 0 \r\n");
    window->setall_lokostop();
    EXPECT_EQ(m_server.commandBytes(*window->Command_Socket), "SET GL N2 24 0 0 28 1 4 1 0 0 0 \r\n"
                                                              "SET GL N2 24 0 0 28 1 4 1 0 0 0 \r\n"
                                                              "SET GL N2 24 1 0 28 1 4 1 0 0 0 \r\n"
                                                              "SET GL N2 24 0 0 28 1 4 1 0 0 0 \r\n");
    EXPECT_EQ(bar->value(), 28);
    EXPECT_TRUE(m_dialogs.calls().size() == 1u);

    window->Hosttrennen1->trigger();
}

TEST_F(ThrottlesTest, AMissingArrowIsReportedAfterTheLocoWasSent) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    window->Regler_panel->show();
    std::filesystem::remove(dataFile("pfeil_re.bmp"));
    iconCache().clear();
    Lok->set_protocol(0, "M2");
    Lok->set_direction(0, 1);
    window->Betrieb = true;
    m_dialogs.clear();
    RecordingCommandOutput output;

    QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);

    EXPECT_EQ(output.commands, std::vector<std::string>{"loco 0"});
    EXPECT_EQ(Lok->get_direction(0), 0);
    ASSERT_EQ(m_dialogs.calls().size(), 1u);
    EXPECT_EQ(m_dialogs.calls()[0].title, "Quarn");
    EXPECT_NE(m_dialogs.calls()[0].text.find("pfeil_re.bmp"), std::string::npos);
    EXPECT_EQ(m_dialogs.calls()[0].icon, MessageIcon::Stop);
}

TEST_F(ThrottlesTest, WithoutInputDevicesNoJoystickIsOffered) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->Lang_id = LANGENGLISH;
    window->show();
    EXPECT_EQ(window->statusPanelText(2), "No Joystick detected!");
    EXPECT_TRUE(child<QPushButton>(window, "Button1")->isHidden());
    EXPECT_TRUE(child<QPushButton>(window, "Button2")->isHidden());
    EXPECT_FALSE(JoyWinForm->JoyTimer->isActive());
    EXPECT_FALSE(window->Dxpresent);
    m_dialogs.clear();
    window->DirectX1->trigger();
    EXPECT_EQ(m_dialogs.calls(),
              (std::vector<RecordingDialogs::Call>{{RecordingDialogs::Kind::Message, "Info",
                                                    "DirectX not installed", MessageIcon::Information}}));
}

TEST_F(ThrottlesTest, AStickBoundToThrottle3DrivesItsLocoWithEitherBackEnd) {
    const std::string stick = plugInController();
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Dxpresent);
    window->Lang_id = LANGENGLISH;
    window->show();
    window->Regler_panel->show();
    EXPECT_EQ(window->statusPanelText(2), " Joystick(s) is(are) detected");
    m_dialogs.clear();
    window->DirectX1->trigger();
    EXPECT_EQ(m_dialogs.calls().at(0).text, "DirectX 8.0 installed");

    pointAt(window, m_server.port());
    window->Hostverbinden1->trigger();
    ASSERT_TRUE(m_server.waitConnected(Server::Command));
    for (int slot = 0; slot < LOKMAX; ++slot)
        Lok->set_addr(slot, slot == 2 ? 24 : 0);
    Lok->set_protocol(2, "M2");
    window->Betrieb = true;
    for (int i = 0; i < LOKMAX; ++i)
        window->setupScrollBar(i);

    for (int mode : {1, 0}) {
        SCOPED_TRACE(mode);
        window->Joy_Mode = mode;
        Throttles->Joyinitsetup();
        EXPECT_EQ(window->statusPanelText(2),
                  mode == 0 ? " 1Joystick(s) is(are) detected" : " Joystick(s) is(are) detected");
        EXPECT_EQ(JoyDxForm->JoyTimer->isActive(), mode == 0);
        EXPECT_EQ(JoyWinForm->JoyTimer->isActive(), mode == 1);
        auto tick = [&] {
            if (mode == 0) {
                JoyDxForm->StickChanged = false;
                JoyDxForm->JoyTimerTimer();
            } else {
                JoyWinForm->JoyTimerTimer();
            }
        };
        QTest::mouseClick(child<QPushButton>(window, "Button1"), Qt::LeftButton);
        QTest::mouseClick(child<QToolButton>(window, "SpeedButton3"), Qt::LeftButton);
        EXPECT_EQ(child<QLabel>(window, "Joylabel1")->text(), "Controler 3");
        const std::string direction = std::to_string(Lok->get_direction(2));
        // The first round switches the light on, the second off.
        const std::string lightBefore = mode == 1 ? "0" : "1";
        const std::string lightAfter = mode == 1 ? "1" : "0";
        m_server.commandBytes(*window->Command_Socket);

        m_inputDevices->setAxis(stick, Axis::Y, 0);
        tick();
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket),
                  "SET GL M2 24 " + direction + " 100 100 " + lightBefore + " 0 \r\n");
        m_inputDevices->setButton(stick, 2, true);
        tick();
        EXPECT_EQ(m_server.commandBytes(*window->Command_Socket),
                  "SET GL M2 24 " + direction + " 100 100 " + lightAfter + " 0 \r\n");
        m_inputDevices->setButton(stick, 2, false);
        m_inputDevices->setAxis(stick, Axis::Y, 1023);
        tick();
        m_server.commandBytes(*window->Command_Socket);
    }

    // Setup > Joystick test: "Test" runs the test display, "Exit" the polling again.
    window->Joystickcalibrieren1->setEnabled(true);
    m_dialogs.pushWindow([] {
        JoyDxForm->Test_button->click();
        EXPECT_TRUE(JoyDxForm->TestTimer->isActive());
        EXPECT_FALSE(JoyDxForm->JoyTimer->isActive());
        JoyDxForm->Exit_button->click();
        return JoyDxForm->result();
    });
    window->Joystickcalibrieren1->trigger();
    EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);
    EXPECT_FALSE(JoyDxForm->TestTimer->isActive());
    EXPECT_TRUE(JoyDxForm->JoyTimer->isActive());
    JoyDxForm->JoyTimer->stop();
    window->Hosttrennen1->trigger();
}

} // namespace

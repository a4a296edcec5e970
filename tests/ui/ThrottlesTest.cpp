// The throttles in the whole window: a loco set up through the dialog and then driven over an
// "SRCP 0.73" server, and a picture that fails after the loco was sent.

#include <QAction>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <gtest/gtest.h>

#include "QuarnTestFolder.h"
#include "engine/IconCache.h"
#include "engine/lokunit.h"
#include "loco/ThrottlePanel.h"
#include "loco/locosetupunit.h"
#include "platform/LineConnection.h"
#include "platform/MainThreadDispatcher.h"
#include "platform/qt/QtDispatcher.h"
#include "platform/qtwidgets/ClickableImage.h"
#include "support/FakeSrcp073Server.h"
#include "support/engine/RecordingClock.h"
#include "support/engine/RecordingCommandOutput.h"

namespace {

using Server = FakeSrcp073Server;

class ThrottlesTest : public QuarnTestFolder {
protected:
    void SetUp() override {
        QuarnTestFolder::SetUp();
        setMainThreadDispatcher(&m_dispatcher);
    }
    void TearDown() override {
        QuarnTestFolder::TearDown();
        setMainThreadDispatcher(nullptr);
    }

    // What the server received on the command channel since the last call, made exact by a fence
    // line sent after it.
    std::string commandBytes(TMainForm* window) {
        window->Command_Socket->writeRaw("FENCE\n");
        EXPECT_TRUE(
            m_server.waitFor(Server::Command, [](const std::string& s) { return s.ends_with("FENCE\n"); }));
        const std::string bytes = m_server.received(Server::Command);
        m_server.clearReceived(Server::Command);
        return bytes.substr(0, bytes.size() - 6);
    }

    template <typename T> static T* child(TMainForm* window, const char* name) {
        T* found = window->Regler_panel->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QtDispatcher m_dispatcher;
    Server m_server;
    RecordingClock m_clock;
};

TEST_F(ThrottlesTest, SetUpALocoThenDriveIt) {
    TMainForm* window = startWindows();
    ASSERT_NE(window, nullptr);
    window->show();
    window->Iphostchar = "127.0.0.1";
    window->Ipport = m_server.port();
    window->applyConnectionSettings();
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
    EXPECT_EQ(commandBytes(window), "");

    std::string settings = readFileBytes(settingsFile());
    const std::string record = "N2\r\n5\r\n4\r\nLok\r\n24\r\n2\r\n1\r\n0\r\n28\r\n4\r\n1\r\n2\r\n";
    EXPECT_NE(settings.find("\r\n1\r\n" + record), std::string::npos);

    // Operate: the throttles are prepared, then the bar half way up drives the loco.
    window->Lokregler = false;
    window->Betrieb = true;
    for (int i = 0; i < LOKMAX; ++i)
        window->setupScrollBar(i);
    EXPECT_EQ(commandBytes(window), "");
    auto* bar = child<QScrollBar>(window, "ScrollBar1");
    bar->setValue(14);
    EXPECT_EQ(commandBytes(window), "SET GL N2 24 1 14 28 0 4 0 0 0 0 \r\n");
    bar->setValue(13);
    bar->setValue(28);
    EXPECT_EQ(commandBytes(window), "SET GL N2 24 1 15 28 0 4 0 0 0 0 \r\n"
                                    "SET GL N2 24 1 0 28 0 4 0 0 0 0 \r\n");
    EXPECT_EQ(child<QLabel>(window, "Lokname_label")->text(), "Lok");

    // At standstill the arrow button flips the direction; the icons switch functions.
    QTest::mouseClick(child<QToolButton>(window, "SpeedButton1"), Qt::LeftButton);
    QTest::mouseClick(child<ClickableImage>(window, "Func_pic1"), Qt::LeftButton);
    QTest::mouseClick(child<ClickableImage>(window, "Func1_pic1"), Qt::LeftButton);
    EXPECT_EQ(commandBytes(window), "SET GL N2 24 0 0 28 0 4 0 0 0 0 \r\n"
                                    "SET GL N2 24 0 0 28 1 4 0 0 0 0 \r\n"
                                    "SET GL N2 24 0 0 28 1 4 1 0 0 0 \r\n");

    // The emergency stop of plan operation.
    bar->setValue(0);
    EXPECT_EQ(commandBytes(window), "SET GL N2 24 0 28 28 1 4 1 0 0 0 \r\n");
    window->setall_lokostop();
    EXPECT_EQ(commandBytes(window), "SET GL N2 24 0 0 28 1 4 1 0 0 0 \r\n"
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

} // namespace

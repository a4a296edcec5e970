// The joystick controls of the throttle panel: binding, the key icons, what the keys send, and the
// start of the chosen back-end.

#include <QTest>
#include <cstring>
#include <filesystem>

#include "JoyFixture.h"

namespace {

using Lines = std::vector<std::string>;

class ThrottleJoysticksTest : public JoyFixture {
protected:
    void removePicture(const std::string& name) {
        std::filesystem::remove(m_dir.path() + "Data/" + name);
        iconCache().clear();
    }
};

TEST_F(ThrottleJoysticksTest, ControlsStandBesideTheThrottlesHiddenUntilAJoystickIsFound) {
    for (int K : {1, 2}) {
        SCOPED_TRACE(K);
        const int x = 430 + 95 * (K - 1);
        QPushButton* button = K == 1 ? m_panel->Button1 : m_panel->Button2;
        EXPECT_EQ(button, m_host->findChild<QPushButton*>(QString("Button%1").arg(K)));
        EXPECT_EQ(button->text(), K == 1 ? "Joystick1" : "Joystick 2");
        EXPECT_EQ(button->geometry(), QRect(x, 24, 90, 23));
        EXPECT_TRUE(button->isHidden());
        EXPECT_EQ(m_host->findChild<QLabel*>(QString("Joylabel%1").arg(K))->pos(), QPoint(x, 50));
        for (int key = 1; key <= 4; ++key)
            EXPECT_EQ(
                m_host->findChild<ClickableImage*>(QString("Joy%1func_pic%2").arg(K).arg(key))->geometry(),
                QRect(x + 17 * (key - 1), 70, 15, 15));
    }
}

TEST_F(ThrottleJoysticksTest, AnArmedJoystickIsBoundByTheNextDirectionButtonInOperateMode) {
    struct Case {
        bool arm1, arm2, locoSetup;
        int con1, con2;
    };
    const Case cases[] = {
        {true, false, false, 3, 0},
        {false, true, false, 0, 3},
        {true, true, false, 3, 3},
        {true, true, true, 0, 0}, // the loco dialog opens; both stay armed
    };
    setSlot(2, "M2", 5, 28, 1);
    m_panel->setupScrollBar(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.arm1) + std::to_string(c.arm2) + std::to_string(c.locoSetup));
        for (QPushButton* b : {m_panel->Button1, m_panel->Button2})
            QTest::mousePress(b, Qt::RightButton);
        m_form.Joy1button_pressed = m_form.Joy2button_pressed = false;
        if (c.arm1)
            m_panel->Button1->click();
        if (c.arm2)
            m_panel->Button2->click();
        m_form.Betrieb = !c.locoSetup;
        m_form.Lokregler = c.locoSetup;
        if (c.locoSetup)
            m_dialogs.pushWindowResult(0);
        m_output.lines.clear();
        QTest::mouseClick(m_panel->speedButton(2), Qt::LeftButton);
        EXPECT_EQ(m_form.Joy1con, c.con1);
        EXPECT_EQ(m_form.Joy2con, c.con2);
        EXPECT_EQ(m_form.Joy1loknr, c.con1 - 1);
        EXPECT_EQ(m_form.Joy2loknr, c.con2 - 1);
        EXPECT_EQ(m_panel->Joylabel1->text(), c.con1 ? "Controler 3" : "");
        EXPECT_EQ(m_panel->Joylabel2->text(), c.con2 ? "Controler 3" : "");
        EXPECT_EQ(m_form.Joy1button_pressed, c.locoSetup && c.arm1);
        EXPECT_EQ(m_form.Joy2button_pressed, c.locoSetup && c.arm2);
        if (c.con1) {
            EXPECT_EQ(m_form.Joy1faktor, 28);
        }
        // The same click works the direction of the standing loco.
        const std::string line = "SET GL M2 5 " + std::to_string(Lok->get_direction(2)) + " 0 28 0 0 ";
        EXPECT_EQ(m_output.lines, c.locoSetup ? Lines{} : Lines{line});
    }
    EXPECT_EQ(m_dialogs.unusedAnswers(), 0u);

    // A right press unbinds (the left one only clicks); the loco's name goes too.
    m_form.Betrieb = true;
    m_form.Lokregler = false;
    bind(2, 2);
    ASSERT_FALSE(m_panel->Lokname_label->text().isEmpty());
    QTest::mousePress(m_panel->Button2, Qt::LeftButton);
    EXPECT_EQ(m_form.Joy2con, 3);
    QTest::mousePress(m_panel->Button2, Qt::RightButton);
    EXPECT_EQ(m_form.Joy2con, 0);
    EXPECT_EQ(m_form.Joy2loknr, -1);
    EXPECT_TRUE(m_panel->Joylabel2->text().isEmpty());
    EXPECT_TRUE(m_panel->Lokname_label->text().isEmpty());
    for (int key = 1; key <= 4; ++key)
        EXPECT_TRUE(m_panel->joyPic(2, key)->pixmap().isNull());
}

TEST_F(ThrottleJoysticksTest, KeyIconsShowTheSlotsKeys) {
    struct Case {
        const char* protocol;
        int direction, jb1, jb2, jb3;
        const char* jb3func;
        const char* key1;
        const char* key2;
        const char* key3; // nullptr: keeps its picture
    };
    const Case cases[] = {
        {"M2", 1, 7, 1, 3, "F2", "pfeil_li.bmp", "func_off.bmp", "kupplung_an.bmp"},
        {"N3", 0, 17, 11, 3, "F1", "pfeil_re.bmp", "func_on.bmp", "hupe_aus.bmp"},
        {"M1", 1, 7, 1, 3, "F3", "pfeil_dop.bmp", "func_off.bmp", "Empty.bmp"},
        {"M2", 1, 5, 0, 0, "F2", "licht_aus.bmp", nullptr, nullptr},
        {"M2", 1, 0, 1, 3, "keine", nullptr, "func_off.bmp", nullptr},
    };
    for (const Case& c : cases) {
        for (int K : {1, 2}) {
            SCOPED_TRACE(std::string(c.protocol) + " " + c.jb3func + " joystick " + std::to_string(K));
            setSlot(4, c.protocol, 3, 100, c.direction, 4);
            setFunctions(4, {1, 2, 13, 0, 4});
            Lok->set_jb1(4, c.jb1);
            Lok->set_jb2(4, c.jb2);
            Lok->set_jb3(4, c.jb3);
            Lok->set_jb3func(4, c.jb3func);
            const QPixmap before = dataPicture("slow_on.bmp");
            for (int key = 1; key <= 3; ++key)
                m_panel->joyPic(K, key)->setPixmap(before);
            K == 1 ? m_panel->loadjoy1pics(4) : m_panel->loadjoy2pics(4);
            const char* expected[] = {c.key1, c.key2, c.key3};
            for (int key = 1; key <= 3; ++key)
                EXPECT_TRUE(
                    shows(m_panel->joyPic(K, key), expected[key - 1] ? expected[key - 1] : "slow_on.bmp"))
                    << "key " << key;
        }
    }
}

TEST_F(ThrottleJoysticksTest, KeysSendTheBoundSlot) {
    struct Case {
        const char* what;
        int key;
        const char* protocol;
        int addr, speed, direction, f0;
        Lines lines;
        const char* icon; // the key's picture afterwards; nullptr: unchanged
    };
    const Case cases[] = {
        {"direction, standing", 1, "M2", 3, 0, 1, 1, {"SET GL M2 3 0 0 100 0 4 0 1 0 0 "}, "pfeil_re.bmp"},
        {"direction, standing N", 1, "N2", 3, 0, 0, 1, {"SET GL N2 3 1 0 100 0 4 0 1 0 0 "}, "pfeil_li.bmp"},
        {"direction, moving", 1, "M2", 3, 5, 1, 1, {"SET GL M2 3 1 5 100 0 4 0 1 0 0 "}, nullptr},
        {"direction, M1", 1, "M1", 3, 0, 1, 1, {"SET GL M1 3 0 0 100 0 4 0 1 0 0 "}, "pfeil_dop.bmp"},
        {"direction, NB", 1, "NB", 3, 0, 1, 1, {"SET GL NB 3 1 0 100 0 4 0 1 0 0 "}, nullptr},
        {"direction, no address", 1, "M2", 0, 0, 1, 1, {}, nullptr},
        {"light on", 2, "M2", 3, 0, 1, 1, {"SET GL M2 3 1 0 100 1 4 0 1 0 0 "}, "func_on.bmp"},
        {"light off", 2, "M2", 3, 0, 1, 11, {"SET GL M2 3 1 0 100 0 4 0 1 0 0 "}, "func_off.bmp"},
        {"function F2", 3, "M2", 3, 0, 1, 1, {"SET GL M2 3 1 0 100 0 4 0 0 0 0 "}, "kupplung_aus.bmp"},
        {"function F3", 4, "N2", 3, 0, 1, 1, {"SET GL N2 3 1 0 100 0 4 0 1 1 0 "}, "hupe_an.bmp"},
        {"function, M1", 3, "M1", 3, 0, 1, 1, {}, nullptr},
        {"function, NB", 3, "NB", 3, 0, 1, 1, {}, nullptr},
    };
    for (const Case& c : cases) {
        for (int K : {1, 2}) {
            SCOPED_TRACE(std::string(c.what) + ", joystick " + std::to_string(K));
            setSlot(0, c.protocol, c.addr, 100, c.direction, 4);
            Lok->set_speed(0, c.speed);
            Lok->set_jb3(0, 13);
            Lok->set_jb4(0, 2);
            Lok->set_jb3func(0, "F2");
            Lok->set_jb4func(0, "F3");
            setFunctions(0, {c.f0, 0, 13, 2, 0});
            (K == 1 ? m_form.Joy1con : m_form.Joy2con) = 1;
            (K == 1 ? m_form.Joy1loknr : m_form.Joy2loknr) = 0;
            m_panel->joyPic(K, c.key)->clear();
            m_output.lines.clear();
            m_panel->joyKeyClick(K, c.key);
            EXPECT_EQ(m_output.lines, c.lines);
            if (c.icon)
                EXPECT_TRUE(shows(m_panel->joyPic(K, c.key), c.icon));
            else
                EXPECT_TRUE(m_panel->joyPic(K, c.key)->pixmap().isNull());
            (K == 1 ? m_form.Joy1con : m_form.Joy2con) = 0;
            m_output.lines.clear();
            m_panel->joyKeyClick(K, c.key);
            EXPECT_TRUE(m_output.lines.empty()) << "an unbound joystick does nothing";
        }
    }
}

TEST_F(ThrottleJoysticksTest, Key3SwitchesTheNamedThrottleFunction) {
    setSlot(0, "M2", 3, 100, 1, 4);
    setFunctions(0, {1, 0, 13, 0, 0});
    Lok->set_jb3(0, 13);
    Lok->set_jb3func(0, "F2");
    m_form.Joy1con = 1;
    m_form.Joy1loknr = 0;
    m_panel->Joy1func_pic3Click();
    EXPECT_EQ(function(0, 2), 3);
    EXPECT_EQ(Lok->get_jb3(0), 3);
    EXPECT_TRUE(shows(m_panel->funcPic(0, 2), "kupplung_aus.bmp"));
    EXPECT_TRUE(shows(m_panel->joyPic(1, 3), "kupplung_aus.bmp"));
    for (const char* other : {"F5", "f2", ""})
        EXPECT_EQ(m_panel->searchAndClickPics(other, 0), 0);
    m_panel->searchAndClickPics("F2", 10);
    EXPECT_EQ(m_output.lines, Lines{"SET GL M2 3 1 0 100 0 4 0 0 0 0 "});
}

TEST_F(ThrottleJoysticksTest, KeysSendBeforeTheyDraw) {
    setSlot(0, "M2", 3, 100, 1, 4);
    setFunctions(0, {1, 0, 3, 0, 0});
    Lok->set_jb3(0, 4);
    Lok->set_jb3func(0, "F2");
    m_form.Joy1con = 1;
    m_form.Joy1loknr = 0;
    removePicture("pfeil_re.bmp");
    removePicture("Func_on.bmp");
    removePicture("wagenlicht_an.bmp");
    EXPECT_THROW(m_panel->Joy1func_pic1Click(), BitmapFileError);
    EXPECT_THROW(m_panel->Joy1func_pic2Click(), BitmapFileError);
    // Key 3's own picture is passed over; the function is switched all the same.
    m_panel->Joy1func_pic3Click();
    EXPECT_EQ(m_output.lines, (Lines{"SET GL M2 3 0 0 100 0 4 0 0 0 0 ", "SET GL M2 3 0 0 100 1 4 0 0 0 0 ",
                                     "SET GL M2 3 0 0 100 1 4 0 1 0 0 "}));
    EXPECT_EQ(Lok->get_jb3(0), 14);
}

TEST_F(ThrottleJoysticksTest, JoyinitsetupStartsTheChosenBackEndOnly) {
    struct Case {
        int mode, language, sticks;
        const char* status; // nullptr: left as it was
        bool buttons, dxPolling, winPolling;
        bool unreadable = false; // no node may be read
        bool keyboard = false;   // a keyboard that may not be read on the first node, the sticks after it
    };
    auto unreadableText = [](int node) {
        return "No Joystick detected! (/test/input/event" + std::to_string(node) + ": " +
               std::strerror(EACCES) + ")";
    };
    const std::string unreadable = unreadableText(0);
    const std::string unreadableAfterKeyboard = unreadableText(1);
    const Case cases[] = {
        {0, LANGENGLISH, 2, " 2Joystick(s) is(are) detected", true, true, false},
        {0, LANGDEUTSCH, 3, "Es wurde(n) 2Joystick(s) gefunden", true, true, false},
        {0, LANGENGLISH, 0, "No Joystick detected!", false, false, false},
        {1, LANGENGLISH, 1, " Joystick(s) is(are) detected", true, false, true},
        {1, LANGDEUTSCH, 0, "Es wurde kein Joystick detektiert!", false, false, false},
        {2, LANGENGLISH, 1, nullptr, true, true, true},
        {0, LANGENGLISH, 2, unreadable.c_str(), false, false, false, true},
        {1, LANGENGLISH, 1, unreadable.c_str(), false, false, false, true},
        {0, LANGENGLISH, 0, "No Joystick detected!", false, false, false, false, true},
        {1, LANGENGLISH, 1, unreadableAfterKeyboard.c_str(), false, false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + std::to_string(c.sticks) +
                     (c.keyboard ? " keyboard" : ""));
        for (int n = 0; n < 4; ++n)
            m_devices->unplug(TestDeviceSource::kFolder + std::string("/event") + std::to_string(n));
        if (c.keyboard)
            m_devices->refuseNode(m_devices->attach(TestDeviceDescription::keyboard(), 0));
        for (int n = c.keyboard; n < c.keyboard + c.sticks; ++n)
            m_devices->refuseNode(m_devices->attach(stick("stick " + std::to_string(n)), n), c.unreadable);
        m_form.Joy_Mode = c.mode;
        m_form.Lang_id = c.language;
        m_form.statusPanels.clear();
        m_panel->Button1->show();
        m_panel->Button2->show();
        m_dx->JoyTimer->start();
        m_win->JoyTimer->start();
        EXPECT_EQ(m_panel->Joyinitsetup(), 0);
        if (c.status)
            EXPECT_EQ(m_form.statusPanels[2], c.status);
        else
            EXPECT_TRUE(m_form.statusPanels.empty());
        EXPECT_EQ(m_panel->Button1->isHidden(), !c.buttons);
        EXPECT_EQ(m_panel->Button2->isHidden(), !c.buttons);
        EXPECT_EQ(m_dx->JoyTimer->isActive(), c.dxPolling);
        EXPECT_EQ(m_win->JoyTimer->isActive(), c.winPolling);
    }
    m_dx->JoyTimer->stop();
    m_win->JoyTimer->stop();
}

} // namespace

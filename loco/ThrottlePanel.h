#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "engine/lokunit.h"
#include "loco/ThrottleControls.h"

class ClickableImage;
class QCheckBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QToolButton;
class QWidget;

// The ten on-screen throttles in the main window's Regler_panel: throttle i (0..9) drives loco
// slot i. Each has a speed bar, a direction button, a centre-zero box, an address label and five
// function icons; Lokname_label names the loco driven last. The controls are children of the panel
// at fixed places, under the names that the window's code and its tests look them up by
// (ScrollBar1, SpeedButton1, CheckBox1, Regler1_label, Func_pic1, Func1_pic1 .. Func4_pic1, ...), so
// that tests, tools and the joystick controls that later share the panel find them. Every loco change is
// stored in the loco table and sent with Cbahn::gl_out before anything is drawn, so that a missing picture
// never leaves the table and the loco apart.
//
// Beside the throttles sit the two joysticks: each has a button (Button1 "Joystick1", Button2
// "Joystick 2", shown only while a back-end reports a joystick) that arms it, a label naming the
// throttle it is bound to, and four key icons (Joy<K>func_pic1 .. 4: direction, F0 and two
// functions) that a joystick's buttons press. An armed joystick is bound by the next direction
// button clicked in operate mode; a right press on its button unbinds it. The back-ends (JoyDxForm,
// JoyWinForm) move the bound bars and press the key icons from their polling timers. GUI thread only.
class ThrottlePanel : public QObject, public ThrottleControls {
    Q_OBJECT
public:
    // Builds the throttles into panel and becomes the throttles in use (throttleControls() and
    // Throttles) while it lives.
    explicit ThrottlePanel(QWidget* panel);
    ~ThrottlePanel() override;

    // The change handler of every bar: runs on each real change of a bar's position, whether the
    // user, code or a lowered maximum moved it.
    void ScrollBar1Change(int Regler);
    // Speed (and, with the centre-zero box ticked, direction) from bar Regler; stored and sent.
    // Only for a slot with an address, in operate mode.
    void changeScrollBar(int Regler);
    // The direction button: opens the loco setup dialog in loco-setup mode, works the direction in
    // operate mode, does nothing otherwise.
    void SpeedButton1Click(int Regler);
    // Flips the direction of a standing loco (normal mode, bar in its bottom tenth), sends the slot
    // and redraws. In centre-zero mode the bar alone gives the direction: it only sends and redraws.
    void speedswitch(int Regler);
    // Prepares throttle Regler from its slot: address label, bar range and rest position, arrow,
    // icons. A slot without an address leaves its controls untouched.
    void setupScrollBar(int Regler) override;
    // CheckBox1Click .. CheckBox10Click: the centre-zero box of throttle Regler changed.
    void CheckBoxClick(int Regler);
    // Brings every throttle to rest and sends each live slot's stop.
    void setall_lokostop() override;
    // Redraws the five function icons of throttle Regler from its slot.
    void showpics(int Regler);
    // The F0 icon (Func_pic1Click of all ten) and the F1..F4 icons (Func<f>_pic<n>Click).
    void Func_pic1Click(int Regler);
    void FuncPicClick(int Regler, int f);
    // Toggles F0, or F f (1..4) when the key has a function, stores and sends the slot, redraws the
    // icon. Neither looks at the mode; a slot without an address is not sent (gl_out).
    void switch_basalfunction(int Regler);
    void switch_function(int Regler, int f);

    // The controls of throttle Regler (0..9); null outside. funcPic(Regler, 0) is the F0 icon.
    QScrollBar* scrollBar(int Regler) const;
    QToolButton* speedButton(int Regler) const;
    QCheckBox* checkBox(int Regler) const;
    QLabel* reglerLabel(int Regler) const;
    ClickableImage* funcPic(int Regler, int f) const;
    // The panel the throttles live in; the joystick controls go below Lokname_label, right of x = 430.
    QWidget* panel() const { return m_panel; }

    // ---- joysticks (K = 1, 2) ----

    // Arms joystick 1 or 2: the next direction button clicked in operate mode binds it.
    void Button1Click();
    void Button2Click();
    // A press on the joystick's button: the right button unbinds the joystick (its label, its icons
    // and Lokname_label are emptied).
    void Button1MouseDown(Qt::MouseButton button);
    void Button2MouseDown(Qt::MouseButton button);
    // Binds every armed joystick to throttle i and disarms it (run by the direction button in
    // operate mode before it works the direction).
    void setupjoybuttons(int i);
    // Draws the four key icons of joystick 1 or 2 from slot i; a key without a code keeps its
    // picture. A missing picture throws.
    void loadjoy1pics(int i);
    void loadjoy2pics(int i);
    // The keys of joystick 1 and 2, as a click on their icons or a joystick button runs them:
    // direction, F0, and the functions named by the slot's Jb3func and Jb4func. Nothing while the
    // joystick is unbound.
    void Joy1func_pic1Click() { joyKeyClick(1, 1); }
    void Joy1func_pic2Click() { joyKeyClick(1, 2); }
    void Joy1func_pic3Click() { joyKeyClick(1, 3); }
    void Joy1func_pic4Click() { joyKeyClick(1, 4); }
    void Joy2func_pic1Click() { joyKeyClick(2, 1); }
    void Joy2func_pic2Click() { joyKeyClick(2, 2); }
    void Joy2func_pic3Click() { joyKeyClick(2, 3); }
    void Joy2func_pic4Click() { joyKeyClick(2, 4); }
    // Key (1..4) of joystick K (1, 2).
    void joyKeyClick(int K, int key);
    // Switches function "F1" .. "F4" of slot 0..9 as its throttle icon does; any other name or slot
    // does nothing. Returns 0.
    int searchAndClickPics(const std::string& name, int slot);
    // Starts the joystick back-end chosen by Joy_Mode (0 the DirectInput-style one, 1 the multimedia
    // one), stops the other one's polling, and tells in status panel 2 whether joysticks were found;
    // the joystick buttons are shown only when they were. Run when the main window is first shown and
    // after the settings dialog's OK. Returns 0.
    int Joyinitsetup();

    // The key icon (1..4) of joystick K (1, 2); null outside.
    ClickableImage* joyPic(int K, int key) const;
    // The handle of the window the panel sits in, as the DirectInput-style back-end takes it.
    std::int32_t mainWindowHandle() const;

    QLabel* Lokname_label = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Joylabel1 = nullptr;
    QLabel* Joylabel2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Throttle {
        QScrollBar* bar = nullptr;
        QToolButton* button = nullptr;
        QCheckBox* box = nullptr;
        QLabel* label = nullptr;
        std::array<ClickableImage*, 5> func{};
        // Counts the bar's change events, so that a box click can tell whether one came.
        int changes = 0;
    };

    // Throttle Regler when Regler is 0..9 and the loco table exists; else null.
    Throttle* live(int Regler);
    void buildThrottle(int Regler);
    // The bar's rest position for the slot's maximum: its bottom, or its middle in centre-zero mode.
    int restPosition(int Regler) const;
    // Moves a bar by code: its change handler runs as for any move, and what that throws reaches
    // the caller once the move is done.
    void moveBar(QScrollBar* bar, const std::function<void(QScrollBar*)>& move);
    void setGlyph(Throttle& t, const std::string& file);
    void showName(int Regler);

    struct JoystickControls {
        QPushButton* button = nullptr;
        QLabel* label = nullptr;
        std::array<ClickableImage*, 4> keys{};
    };
    void buildJoystick(int K);
    JoystickControls& joystick(int K) { return m_joysticks[static_cast<std::size_t>(K - 1)]; }
    void joyButtonMouseDown(int K, Qt::MouseButton button);
    void loadjoypics(int K, int i);
    // Shows the picture file on key icon key of joystick K; one that cannot be loaded throws, or with
    // quiet is passed over.
    void setKeyPicture(int K, int key, const std::string& file, bool quiet = false);

    QWidget* m_panel;
    int m_movingByCode = 0;
    std::exception_ptr m_moveFailure;
    std::array<Throttle, LOKMAX> m_throttles;
    std::array<JoystickControls, 2> m_joysticks;
};

// The panel while it exists (for the loco dialog and the joystick back-ends); null otherwise.
extern ThrottlePanel* Throttles;

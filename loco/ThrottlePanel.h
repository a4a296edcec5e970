#pragma once

#include <QObject>
#include <array>
#include <exception>
#include <functional>
#include <string>

#include "engine/lokunit.h"
#include "loco/ThrottleControls.h"

class ClickableImage;
class QCheckBox;
class QLabel;
class QScrollBar;
class QToolButton;
class QWidget;

// The ten on-screen throttles in the main window's Regler_panel: throttle i (0..9) drives loco
// slot i. Each has a speed bar, a direction button, a centre-zero box, an address label and five
// function icons; Lokname_label names the loco driven last. The controls are children of the panel
// at fixed places, named as in the original (ScrollBar1, SpeedButton1, CheckBox1, Regler1_label,
// Func_pic1, Func1_pic1 .. Func4_pic1, ...), so that tests, tools and the joystick controls that
// later share the panel find them. Every loco change is stored in the loco table and sent with
// Cbahn::gl_out before anything is drawn, so that a missing picture never leaves the table and the
// loco apart. GUI thread only.
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

    QLabel* Lokname_label = nullptr;

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

    QWidget* m_panel;
    int m_movingByCode = 0;
    std::exception_ptr m_moveFailure;
    std::array<Throttle, LOKMAX> m_throttles;
};

// The panel while it exists (for the loco dialog and the joystick back-ends); null otherwise.
extern ThrottlePanel* Throttles;

#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>

class PaintBoxWidget;
class QColor;
class QTimer;

// The clock window: a small tool window that stays on top, centred on the screen, showing the model
// time in its title and on an analog face. Created at program start and alive for the whole run;
// its timer ticks all the while, also when the window is hidden.
class TUhrForm : public QWidget {
    Q_OBJECT
public:
    explicit TUhrForm(QWidget* parent = nullptr);

    void FormCreate();
    // Keeps the window square and draws a clean face.
    void FormResize();
    void paintTicks();
    // Puts the face on the screen.
    void PBox1Paint();
    static double degtorad(double degrees);
    // A hand from centre at angle (radians, clockwise from twelve) out to radius length + 60; the
    // clear draws it in white.
    void ClearHands(QPoint centre, double angle, int width, int length);
    void PaintHands(QPoint centre, double angle, const QColor& colour, int width, int length);
    // One tick: the server clock's seconds count on, then showTime.
    void Timer1Timer();
    // The time of the chosen source in the title and on the face, without counting on.
    void showTime();
    // Runs when the window appears: the tick follows the clock's speed.
    void FormShow();

    PaintBoxWidget* PBox1 = nullptr;
    QTimer* Timer1 = nullptr;
    // The face; the paint box shows a copy.
    QImage BackBitmap;
    QPoint Center;
    // Angles in degrees of the hands drawn last.
    int OldHrs = 0;
    int OldMins = 0;
    int OldSecs = 0;
    // The seconds shown. With the server's clock they count up from the last report, up to 60.
    std::uint16_t ZolSeconds = 0;
    // The clock window closes only when this is set (Commands > Time off, every disconnect).
    bool FormCanClose = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void drawHand(QPoint centre, double angle, const QColor& colour, int width, int length);
    // A resize of our own is under way.
    bool m_squaring = false;
};

extern TUhrForm* UhrForm;

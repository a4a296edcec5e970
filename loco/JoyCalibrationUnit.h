#pragma once

#include <QDialog>

#include "loco/input/ControlPanelApplet.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

// The calibration dialog of the game-controller applet: every attached controller with its live X, Y
// and Z and the least and greatest value of each seen since the dialog opened. OK keeps what it saw
// for this run; Cancel, the title bar and Escape keep nothing. The program installs one at start
// (setCalibrationView); the applet attaches a session, shows it through the modal-window hook and
// detaches it. GUI thread only.
class TJoyCalibrationForm : public QDialog, public CalibrationView {
    Q_OBJECT
public:
    explicit TJoyCalibrationForm(QWidget* parent = nullptr);

    void attach(CalibrationSession* session) override;
    int exec() override;

    // Reads the controllers again and shows them; RefreshTimer does this while a session is attached.
    void refreshReadings();

    QLabel* Hint_label = nullptr;
    QTableWidget* Readings = nullptr;
    QPushButton* OK_button = nullptr;
    QPushButton* Cancel_button = nullptr;
    QTimer* RefreshTimer = nullptr;

private:
    void showRows();

    CalibrationSession* m_session = nullptr;
};

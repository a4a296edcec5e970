#pragma once

#include <QDialog>
#include <QPixmap>

class QFrame;
class QLabel;
class QPushButton;
class QShowEvent;

// The about box of Help > Info, shown modally. Created at program start and alive for the whole run.
class TInfoForm : public QDialog {
    Q_OBJECT
public:
    explicit TInfoForm(QWidget* parent = nullptr);

    // Runs each time the box appears: the version, and the box in the middle of the screen.
    void FormShow();
    void OKButtonClick();

    // The program's picture, drawn here rather than shipped: a locomotive on its track.
    static QPixmap programPicture();

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TInfoForm* InfoForm;

#pragma once

#include <QWidget>

// The clock window: a small tool window that stays on top, centred on the screen, showing the model
// time. Created at program start and alive for the whole run.
class TUhrForm : public QWidget {
    Q_OBJECT
public:
    explicit TUhrForm(QWidget* parent = nullptr);

    // The clock window closes only when this is set (Commands > Time off, every disconnect).
    bool FormCanClose = false;

protected:
    void closeEvent(QCloseEvent* event) override;
};

extern TUhrForm* UhrForm;

#pragma once

#include <QWidget>

// The clock window: a small tool window that stays on top, centred on the screen. Created at program
// start and alive for the whole run; its face and tick come with the clock's own unit of work.
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

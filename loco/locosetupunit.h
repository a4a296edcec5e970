#pragma once

#include <QDialog>

// The loco setup dialog, in which a throttle's loco slot is set up. Created at program start and
// alive for the whole run.
class TLocoForm : public QDialog {
    Q_OBJECT
public:
    explicit TLocoForm(QWidget* parent = nullptr);
};

extern TLocoForm* LocoForm;

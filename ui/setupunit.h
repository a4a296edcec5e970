#pragma once

#include <QDialog>

// The settings dialog of Setup > IP Addr/Host. Created at program start and alive for the whole run.
class TSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetupForm(QWidget* parent = nullptr);
};

extern TSetupForm* SetupForm;

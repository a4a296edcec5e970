#pragma once

#include <QDialog>

// The about box of Help > Info, shown modally. Created at program start and alive for the whole run.
class TInfoForm : public QDialog {
    Q_OBJECT
public:
    explicit TInfoForm(QWidget* parent = nullptr);
};

extern TInfoForm* InfoForm;

#pragma once

#include <QDialog>

// The set-up dialog of the model clock ("Time setup"), shown by Commands > Time. Created at program
// start and alive for the whole run.
class TTimeForm : public QDialog {
    Q_OBJECT
public:
    explicit TTimeForm(QWidget* parent = nullptr);
};

extern TTimeForm* TimeForm;

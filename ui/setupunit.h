#pragma once

#include <QDialog>

// Created at program start and alive for the whole run; its controls and handlers come with the
// window's own unit of work.
class TSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetupForm(QWidget* parent = nullptr);
};

extern TSetupForm* SetupForm;

#pragma once

#include <QDialog>

// Created at program start and alive for the whole run; its controls and handlers come with the
// window's own unit of work.
class TLocoForm : public QDialog {
    Q_OBJECT
public:
    explicit TLocoForm(QWidget* parent = nullptr);
};

extern TLocoForm* LocoForm;

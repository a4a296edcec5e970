#pragma once

#include <QDialog>

// The assistant: the main tasks in plain words, each run through the main window's menu commands.
// Created at program start and alive for the whole run.
class TAssistForm : public QDialog {
    Q_OBJECT
public:
    explicit TAssistForm(QWidget* parent = nullptr);
};

extern TAssistForm* AssistForm;

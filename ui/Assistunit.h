#pragma once

#include <QDialog>

#include "texts/CaptionSink.h"

class QLabel;
class QPushButton;

// The assistant: the main tasks in plain words, each run through the main window's menu commands.
// Created at program start and alive for the whole run.
class TAssistForm : public QDialog, public CaptionSink {
    Q_OBJECT
public:
    explicit TAssistForm(QWidget* parent = nullptr);
    ~TAssistForm() override;

    // CaptionSink: the label and the two buttons.
    void setCaption(const std::string& objectName, const std::string& text) override;

    QLabel* Assist_label1 = nullptr;
    QPushButton* Select_button = nullptr;
    QPushButton* Close_button = nullptr;
};

extern TAssistForm* AssistForm;

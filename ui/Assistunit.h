#pragma once

#include <QDialog>

#include "texts/CaptionSink.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

// The assistant: the main tasks in plain words, each run through the main window's menu commands.
// Created at program start as a window of the main window and alive for the whole run; shown without
// blocking. GUI thread only.
class TAssistForm : public QDialog, public CaptionSink {
    Q_OBJECT
public:
    explicit TAssistForm(QWidget* parent = nullptr);
    ~TAssistForm() override;

    // CaptionSink: the label and the two buttons.
    void setCaption(const std::string& objectName, const std::string& text) override;

    // Every show: no task chosen, the list refilled in the main window's language.
    void FormShow();
    // The user chose a task: its explanation.
    void ComboBoxAssistChange();
    // Runs the chosen task through its menu item, as a click on that item would, when the item is
    // enabled; the window stays open.
    void Select_buttonClick();
    void Close_buttonClick();
    // A box with text, titled "Info", with OK and Cancel; which button closed it does not matter.
    void showmessage1(const std::string& text);

    // Shows the window, or brings it to the front when it is already open.
    void showInFront();

    QLabel* Assist_label1 = nullptr;
    QComboBox* ComboBoxAssist = nullptr;
    QPlainTextEdit* MemoA = nullptr;
    QPushButton* Select_button = nullptr;
    QPushButton* Close_button = nullptr;

    // The chosen task's index in the list.
    int Auswahl = 0;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TAssistForm* AssistForm;

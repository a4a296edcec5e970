#pragma once

#include "platform/DialogService.h"

// The dialog service of the running program: Qt message boxes over the active window.
class QtDialogService : public DialogService {
public:
    void message(const std::string& title, const std::string& text, MessageIcon icon) override;
    bool okCancel(const std::string& title, const std::string& text, MessageIcon icon) override;
    void plainMessage(const std::string& text) override;
    bool question(const std::string& title, const std::string& text) override;
    Input inputBox(const std::string& title, const std::string& prompt,
                   const std::string& defaultText) override;
    // The run-time dialog of buildTextQueryDialog over the active window.
    Input textQuery(const std::string& caption, const std::string& prompt, const std::string& value, int x,
                    int y, const std::function<void()>& onFont) override;
    // Qt's font dialog, then its colour dialog (the font dialog has no colour); cancelling either
    // gives nothing.
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    // The dialogs of buildFileDialog over the active window.
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    int modalWindow(const std::string& windowName, const std::function<int()>& exec) override;
};

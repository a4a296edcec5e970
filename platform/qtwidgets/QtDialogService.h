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
    int modalWindow(const std::string& windowName, const std::function<int()>& exec) override;
};

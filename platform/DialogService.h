#pragma once

#include <functional>
#include <string>

enum class MessageIcon { None, Information, Stop };

// Modal boxes go through this service so that tests can record them and answer questions without a
// window. Texts are UTF-8. Runs on the GUI thread.
class DialogService {
public:
    virtual ~DialogService() = default;

    // A box with a title, a text, the given icon and an OK button.
    virtual void message(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // A box with just the text and an OK button, no title and no icon.
    virtual void plainMessage(const std::string& text) = 0;
    // A box with OK and Cancel buttons; true for OK.
    virtual bool okCancel(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // A box with Yes and No; true for Yes.
    virtual bool question(const std::string& title, const std::string& text) = 0;

    // What an input box gave back: ok is true for OK, text is what the field held then.
    struct Input {
        bool ok = false;
        std::string text;
    };
    // A box with a prompt above a one-line field that starts with defaultText, OK and Cancel.
    virtual Input inputBox(const std::string& title, const std::string& prompt,
                           const std::string& defaultText) = 0;

    // One of our own windows shown modally: windowName is its object name, exec shows it and returns
    // its result when it closes (1 accepted, 0 rejected). Every modal window goes through here so that
    // tests can stand in for the user; the window prepares itself before and acts on the result after.
    virtual int modalWindow(const std::string& windowName, const std::function<int()>& exec) = 0;
};

// The service in use: the one set last, else a default that writes each box to stderr and answers
// No and Cancel (so that nothing waits for a user who is not there).
DialogService& dialogs();
// nullptr goes back to the default. The program sets the Qt service at start.
void setDialogService(DialogService* service);

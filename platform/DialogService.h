#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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

    // A small dialog asking for one line of text: caption, prompt above a field that starts with
    // value, its top-left corner at screen position (x, y), and the buttons OK, Cancel and Font.
    // Font runs onFont and leaves the dialog open. ok is true for OK, text is what the field held.
    virtual Input textQuery(const std::string& caption, const std::string& prompt, const std::string& value,
                            int x, int y, const std::function<void()>& onFont) = 0;

    // A font as the font choice shows it: name, size in points, the four styles and the colour
    // ($00BBGGRR, or a system colour as the program keeps colours).
    struct FontChoice {
        std::string name;
        int size = 0;
        bool bold = false, italic = false, underline = false, strikeout = false;
        std::int32_t color = 0;
        bool operator==(const FontChoice&) const = default;
    };
    // Lets the user choose a font and its colour, starting from initial; nothing when cancelled.
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;

    // A common file dialog: its title (UTF-8), the folder it starts in (disk bytes), its filters in
    // the form "Quarn files (*.pln);;All Files (*)" and the extension given to a name typed without
    // one ("pln").
    struct FileDialogRequest {
        std::string title;
        std::string folder;
        std::string filter;
        std::string defaultSuffix;
    };
    // Lets the user choose a file to open; the chosen path as disk bytes, nothing for Cancel.
    virtual std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) = 0;
    // Lets the user choose a name to save under, asking before a file that exists is replaced; the
    // chosen path as disk bytes, nothing for Cancel.
    virtual std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) = 0;

    // One of our own windows shown modally: windowName is its object name, exec shows it and returns
    // its result when it closes (1 accepted, 0 rejected). Every modal window goes through here so that
    // tests can stand in for the user; the window prepares itself before and acts on the result after.
    virtual int modalWindow(const std::string& windowName, const std::function<int()>& exec) = 0;
};

// The box of the program's default exception handler: the exception's text, stop icon.
void showExceptionText(const std::string& utf8);

// The service in use: the one set last, else a default that writes each box to stderr and answers
// No and Cancel (so that nothing waits for a user who is not there).
DialogService& dialogs();
// nullptr goes back to the default. The program sets the Qt service at start.
void setDialogService(DialogService* service);

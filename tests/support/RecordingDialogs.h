#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/DialogService.h"

// Records every box instead of showing it. While it lives it is the dialog service in use; it puts
// back the one before it when destroyed. Questions and OK/Cancel boxes take their answers from a
// queue, input boxes from a queue of their own; a box with no answer queued fails the test and
// answers No / Cancel.
class RecordingDialogs : public DialogService {
public:
    enum class Kind {
        Message,
        OkCancel,
        Plain,
        Question,
        Input,
        Window,
        TextQuery,
        Font,
        OpenFile,
        SaveFile
    };
    struct Call {
        Kind kind;
        std::string title;
        std::string text;
        MessageIcon icon;
        // The field's start text of an input box or a text query.
        std::string defaultText = {};
        // Where a text query was placed on the screen.
        int x = 0, y = 0;
        // A file dialog's filters and default extension (its start folder is the text).
        std::string filter = {};
        std::string defaultSuffix = {};
        bool operator==(const Call&) const = default;
    };

    RecordingDialogs();
    ~RecordingDialogs() override;
    RecordingDialogs(const RecordingDialogs&) = delete;
    RecordingDialogs& operator=(const RecordingDialogs&) = delete;

    void message(const std::string& title, const std::string& text, MessageIcon icon) override;
    bool okCancel(const std::string& title, const std::string& text, MessageIcon icon) override;
    void plainMessage(const std::string& text) override;
    bool question(const std::string& title, const std::string& text) override;
    // Recorded with the prompt as its text.
    Input inputBox(const std::string& title, const std::string& prompt,
                   const std::string& defaultText) override;
    // Recorded with its caption as title, its prompt as text, its value and its place; presses Font
    // as often as the queued answer says, then answers.
    Input textQuery(const std::string& caption, const std::string& prompt, const std::string& value, int x,
                    int y, const std::function<void()>& onFont) override;
    // Recorded with the offered font's name as its text; the offered font is kept in fontsOffered.
    std::optional<FontChoice> chooseFont(const FontChoice& initial) override;
    // Recorded with their start folder as the text; answered from the file queue.
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override;
    // Recorded with the window's object name as its title; runs the next queued window answer.
    int modalWindow(const std::string& windowName, const std::function<int()>& exec) override;

    // The answer of the next question or OK/Cancel box: true for Yes / OK.
    void pushAnswer(bool answer) { m_answers.push_back(answer); }
    // The answer of the next input box: OK (true) with the text, or Cancel.
    void pushInput(bool ok, const std::string& text = {}) { m_inputs.push_back({ok, text}); }
    // The answer of the next text query: Font pressed fontPresses times, then OK (true) with the
    // text, or Cancel.
    void pushTextQuery(bool ok, const std::string& text = {}, int fontPresses = 0) {
        m_textQueries.push_back({{ok, text}, fontPresses});
    }
    // The answer of the next font choice: the chosen font, or nothing for Cancel.
    void pushFont(std::optional<FontChoice> chosen) { m_fonts.push_back(std::move(chosen)); }
    const std::vector<FontChoice>& fontsOffered() const { return m_fontsOffered; }
    // The answer of the next file dialog: the chosen path (disk bytes), or nothing for Cancel.
    void pushFile(std::optional<std::string> path) { m_files.push_back(std::move(path)); }
    // Stands in for the user of the next modal window: it runs while the window would be open (it may
    // show it, fill its controls, press its buttons) and returns the window's result.
    void pushWindow(std::function<int()> user) { m_windows.push_back(std::move(user)); }
    // The next modal window closes at once with this result, untouched.
    void pushWindowResult(int result) {
        m_windows.push_back([result] { return result; });
    }
    const std::vector<Call>& calls() const { return m_calls; }
    std::size_t unusedAnswers() const {
        return m_answers.size() + m_inputs.size() + m_windows.size() + m_textQueries.size() + m_fonts.size() +
               m_files.size();
    }
    void clear() {
        m_calls.clear();
        m_answers.clear();
        m_inputs.clear();
        m_windows.clear();
        m_textQueries.clear();
        m_fonts.clear();
        m_fontsOffered.clear();
        m_files.clear();
    }

private:
    bool nextAnswer(const std::string& text);
    std::optional<std::string> fileDialog(Kind kind, const FileDialogRequest& request);

    std::vector<Call> m_calls;
    std::deque<bool> m_answers;
    std::deque<Input> m_inputs;
    std::deque<std::function<int()>> m_windows;
    struct TextQueryAnswer {
        Input input;
        int fontPresses = 0;
    };
    std::deque<TextQueryAnswer> m_textQueries;
    std::deque<std::optional<FontChoice>> m_fonts;
    std::vector<FontChoice> m_fontsOffered;
    std::deque<std::optional<std::string>> m_files;
    DialogService* m_previous;
};

std::ostream& operator<<(std::ostream& out, const RecordingDialogs::Call& call);

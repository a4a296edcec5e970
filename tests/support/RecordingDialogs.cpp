#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>
#include <ostream>

RecordingDialogs::RecordingDialogs() : m_previous(&dialogs()) {
    setDialogService(this);
}

RecordingDialogs::~RecordingDialogs() {
    setDialogService(m_previous);
}

void RecordingDialogs::message(const std::string& title, const std::string& text, MessageIcon icon) {
    m_calls.push_back({Kind::Message, title, text, icon});
}

bool RecordingDialogs::okCancel(const std::string& title, const std::string& text, MessageIcon icon) {
    m_calls.push_back({Kind::OkCancel, title, text, icon});
    return nextAnswer(text);
}

void RecordingDialogs::plainMessage(const std::string& text) {
    m_calls.push_back({Kind::Plain, "", text, MessageIcon::None});
}

bool RecordingDialogs::question(const std::string& title, const std::string& text) {
    m_calls.push_back({Kind::Question, title, text, MessageIcon::None});
    return nextAnswer(text);
}

DialogService::Input RecordingDialogs::inputBox(const std::string& title, const std::string& prompt,
                                                const std::string& defaultText) {
    m_calls.push_back({Kind::Input, title, prompt, MessageIcon::None, defaultText});
    if (m_inputs.empty()) {
        ADD_FAILURE() << "no answer queued for the input box \"" << prompt << "\"";
        return {};
    }
    const Input answer = m_inputs.front();
    m_inputs.pop_front();
    return answer;
}

DialogService::Input RecordingDialogs::textQuery(const std::string& caption, const std::string& prompt,
                                                 const std::string& value, int x, int y,
                                                 const std::function<void()>& onFont) {
    m_calls.push_back({Kind::TextQuery, caption, prompt, MessageIcon::None, value, x, y});
    if (m_textQueries.empty()) {
        ADD_FAILURE() << "no answer queued for the text query \"" << prompt << "\"";
        return {};
    }
    const TextQueryAnswer answer = m_textQueries.front();
    m_textQueries.pop_front();
    for (int i = 0; i < answer.fontPresses; ++i)
        if (onFont)
            onFont();
    return answer.input;
}

std::optional<DialogService::FontChoice> RecordingDialogs::chooseFont(const FontChoice& initial) {
    m_calls.push_back({Kind::Font, "", initial.name, MessageIcon::None});
    m_fontsOffered.push_back(initial);
    if (m_fonts.empty()) {
        ADD_FAILURE() << "no answer queued for the font choice";
        return std::nullopt;
    }
    std::optional<FontChoice> answer = m_fonts.front();
    m_fonts.pop_front();
    return answer;
}

std::optional<std::string> RecordingDialogs::chooseOpenFile(const FileDialogRequest& request) {
    return fileDialog(Kind::OpenFile, request);
}

std::optional<std::string> RecordingDialogs::chooseSaveFile(const FileDialogRequest& request) {
    return fileDialog(Kind::SaveFile, request);
}

std::optional<std::string> RecordingDialogs::fileDialog(Kind kind, const FileDialogRequest& request) {
    Call call{kind, request.title, request.folder, MessageIcon::None};
    call.filter = request.filter;
    call.defaultSuffix = request.defaultSuffix;
    m_calls.push_back(call);
    if (m_files.empty()) {
        ADD_FAILURE() << "no answer queued for the file dialog \"" << request.title << "\"";
        return std::nullopt;
    }
    std::optional<std::string> answer = m_files.front();
    m_files.pop_front();
    return answer;
}

int RecordingDialogs::modalWindow(const std::string& windowName, const std::function<int()>&) {
    m_calls.push_back({Kind::Window, windowName, "", MessageIcon::None});
    if (m_windows.empty()) {
        ADD_FAILURE() << "no answer queued for the window \"" << windowName << "\"";
        return 0;
    }
    const std::function<int()> user = std::move(m_windows.front());
    m_windows.pop_front();
    return user();
}

bool RecordingDialogs::nextAnswer(const std::string& text) {
    if (m_answers.empty()) {
        ADD_FAILURE() << "no answer queued for the box \"" << text << "\"";
        return false;
    }
    const bool answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::ostream& operator<<(std::ostream& out, const RecordingDialogs::Call& call) {
    static const char* const kinds[] = {"Message", "OkCancel",  "Plain", "Question", "Input",
                                        "Window",  "TextQuery", "Font",  "OpenFile", "SaveFile"};
    static const char* const icons[] = {"None", "Information", "Stop"};
    out << kinds[static_cast<int>(call.kind)] << "(\"" << call.title << "\", \"" << call.text << "\", "
        << icons[static_cast<int>(call.icon)];
    if (call.kind == RecordingDialogs::Kind::Input || call.kind == RecordingDialogs::Kind::TextQuery)
        out << ", \"" << call.defaultText << "\"";
    if (call.kind == RecordingDialogs::Kind::TextQuery)
        out << ", " << call.x << ", " << call.y;
    if (call.kind == RecordingDialogs::Kind::OpenFile || call.kind == RecordingDialogs::Kind::SaveFile)
        out << ", \"" << call.filter << "\", \"" << call.defaultSuffix << "\"";
    return out << ")";
}

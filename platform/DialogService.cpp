#include "platform/DialogService.h"

#include <atomic>
#include <cstdio>

namespace {

class StderrDialogs : public DialogService {
public:
    void message(const std::string& title, const std::string& text, MessageIcon icon) override {
        const char* kind = icon == MessageIcon::Stop          ? "error"
                           : icon == MessageIcon::Information ? "info"
                                                              : "message";
        std::fprintf(stderr, "[%s] %s: %s\n", kind, title.c_str(), text.c_str());
    }
    bool okCancel(const std::string& title, const std::string& text, MessageIcon icon) override {
        message(title, text, icon);
        return false;
    }
    void plainMessage(const std::string& text) override {
        std::fprintf(stderr, "[message] %s\n", text.c_str());
    }
    bool question(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "[question, answered no] %s: %s\n", title.c_str(), text.c_str());
        return false;
    }
    Input inputBox(const std::string& title, const std::string& prompt, const std::string&) override {
        std::fprintf(stderr, "[input, cancelled] %s: %s\n", title.c_str(), prompt.c_str());
        return {};
    }
    Input textQuery(const std::string& caption, const std::string& prompt, const std::string&, int, int,
                    const std::function<void()>&) override {
        std::fprintf(stderr, "[text query, cancelled] %s: %s\n", caption.c_str(), prompt.c_str());
        return {};
    }
    std::optional<FontChoice> chooseFont(const FontChoice&) override {
        std::fprintf(stderr, "[font choice, cancelled]\n");
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const FileDialogRequest& request) override {
        std::fprintf(stderr, "[open file, cancelled] %s\n", request.title.c_str());
        return std::nullopt;
    }
    std::optional<std::string> chooseSaveFile(const FileDialogRequest& request) override {
        std::fprintf(stderr, "[save file, cancelled] %s\n", request.title.c_str());
        return std::nullopt;
    }
    int modalWindow(const std::string& windowName, const std::function<int()>&) override {
        std::fprintf(stderr, "[window, cancelled] %s\n", windowName.c_str());
        return 0;
    }
};

StderrDialogs g_default;
std::atomic<DialogService*> g_service{nullptr};

} // namespace

DialogService& dialogs() {
    DialogService* service = g_service.load();
    return service != nullptr ? *service : g_default;
}

void setDialogService(DialogService* service) {
    g_service.store(service);
}

void showExceptionText(const std::string& utf8) {
    dialogs().message("Quarn", utf8, MessageIcon::Stop);
}

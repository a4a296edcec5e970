#pragma once

#include <exception>
#include <string>

#include "platform/DialogService.h"

// Runs the steps of a command that must all be tried, also when one of them fails (a save of every
// file, an emergency stop of every throttle), and keeps the first failure for the end.
class FirstError {
public:
    template <class Step> void attempt(Step&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            keep(e.what());
        } catch (...) {
            keep("Unknown exception");
        }
    }
    bool failed() const { return m_first != nullptr; }
    // The box of the default exception handler, when a step failed.
    void show() const {
        if (failed())
            showExceptionText(m_text);
    }
    // Raises the first failure again, as it was thrown, for a caller that reports it itself.
    void rethrow() const {
        if (failed())
            std::rethrow_exception(m_first);
    }

private:
    void keep(const char* text) {
        if (failed())
            return;
        m_first = std::current_exception();
        m_text = text;
    }

    std::exception_ptr m_first;
    std::string m_text;
};

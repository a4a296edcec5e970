#pragma once

#include <exception>
#include <string>

#include "ui/QuarnApplication.h"

// Runs the steps of a command that must all be tried, also when one of them fails, and shows the
// first failure once at the end.
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
    bool failed() const { return m_failed; }
    // The box of the default exception handler, when a step failed.
    void show() const {
        if (m_failed)
            showExceptionText(m_text);
    }

private:
    void keep(const char* text) {
        if (m_failed)
            return;
        m_failed = true;
        m_text = text;
    }

    bool m_failed = false;
    std::string m_text;
};

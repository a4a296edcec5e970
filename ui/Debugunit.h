#pragma once

#include <QWidget>
#include <string>

class QPlainTextEdit;

// The debug window: one memo that collects the trace lines of every unit. It stays on top of the
// main window so that the trace can be watched while the plan is operated. The memo keeps the last
// MaxLines lines: some lines (every feedback contact over "SRCP 0.80") are written whether or not
// Debug is set, and a busy layout would grow it without bound.
class TDebugForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxLines = 5000;

    explicit TDebugForm(QWidget* parent = nullptr);

    // Appends one line (UTF-8) to the memo.
    void addLine(const std::string& utf8);

    QPlainTextEdit* Memo1 = nullptr;
};

extern TDebugForm* DebugForm;

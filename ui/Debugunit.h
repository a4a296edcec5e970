#pragma once

#include <QWidget>
#include <string>

class QPlainTextEdit;

// The debug window: one memo that collects the trace lines of every unit. It stays on top of the
// main window so that the trace can be watched while the plan is operated.
class TDebugForm : public QWidget {
    Q_OBJECT
public:
    explicit TDebugForm(QWidget* parent = nullptr);

    // Appends one line (UTF-8) to the memo.
    void addLine(const std::string& utf8);

    QPlainTextEdit* Memo1 = nullptr;
};

extern TDebugForm* DebugForm;

#include "ui/Debugunit.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TDebugForm* DebugForm = nullptr;

TDebugForm::TDebugForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName("DebugForm");
    setWindowTitle("DebugForm");
    resize(400, 300);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setMaximumBlockCount(MaxLines);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

void TDebugForm::addLine(const std::string& utf8) {
    Memo1->appendPlainText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

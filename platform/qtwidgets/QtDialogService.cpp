#include "platform/qtwidgets/QtDialogService.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "platform/qt/Colors.h"
#include "platform/qtwidgets/FileDialogs.h"
#include "platform/qtwidgets/TextQueryDialog.h"

namespace {

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

std::optional<std::string> runFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return QFile::encodeName(files.first()).toStdString();
}

} // namespace

void QtDialogService::message(const std::string& title, const std::string& text, MessageIcon icon) {
    QMessageBox box(toQt(icon), QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtDialogService::okCancel(const std::string& title, const std::string& text, MessageIcon icon) {
    QMessageBox box(toQt(icon), QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, QApplication::activeWindow());
    return box.exec() == QMessageBox::Ok;
}

void QtDialogService::plainMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtDialogService::question(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

DialogService::Input QtDialogService::inputBox(const std::string& title, const std::string& prompt,
                                               const std::string& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), QString::fromStdString(title),
                                               QString::fromStdString(prompt), QLineEdit::Normal,
                                               QString::fromStdString(defaultText), &ok);
    if (!ok)
        return {};
    return {true, text.toStdString()};
}

DialogService::Input QtDialogService::textQuery(const std::string& caption, const std::string& prompt,
                                                const std::string& value, int x, int y,
                                                const std::function<void()>& onFont) {
    std::unique_ptr<QDialog> dialog =
        buildTextQueryDialog(QString::fromStdString(caption), QString::fromStdString(prompt),
                             QString::fromStdString(value), x, y, onFont, QApplication::activeWindow());
    if (dialog->exec() != QDialog::Accepted)
        return {};
    return {true, dialog->findChild<QLineEdit*>("Edit")->text().toStdString()};
}

std::optional<DialogService::FontChoice> QtDialogService::chooseFont(const FontChoice& initial) {
    QFont start(QString::fromStdString(initial.name));
    if (initial.size > 0)
        start.setPointSize(initial.size);
    start.setBold(initial.bold);
    start.setItalic(initial.italic);
    start.setUnderline(initial.underline);
    start.setStrikeOut(initial.strikeout);
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, start, QApplication::activeWindow());
    if (!ok)
        return std::nullopt;
    const QColor color = QColorDialog::getColor(colorFromTColor(initial.color), QApplication::activeWindow());
    if (!color.isValid())
        return std::nullopt;
    FontChoice chosen;
    chosen.name = font.family().toStdString();
    chosen.size = font.pointSize();
    chosen.bold = font.bold();
    chosen.italic = font.italic();
    chosen.underline = font.underline();
    chosen.strikeout = font.strikeOut();
    chosen.color = tcolorFromQColor(color);
    return chosen;
}

std::optional<std::string> QtDialogService::chooseOpenFile(const FileDialogRequest& request) {
    return runFileDialog(*buildFileDialog(request, QFileDialog::AcceptOpen, QApplication::activeWindow()));
}

std::optional<std::string> QtDialogService::chooseSaveFile(const FileDialogRequest& request) {
    return runFileDialog(*buildFileDialog(request, QFileDialog::AcceptSave, QApplication::activeWindow()));
}

int QtDialogService::modalWindow(const std::string&, const std::function<int()>& exec) {
    return exec();
}

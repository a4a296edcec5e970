#include "platform/qtwidgets/FileDialogs.h"

#include <QFile>

std::unique_ptr<QFileDialog> buildFileDialog(const DialogService::FileDialogRequest& request,
                                             QFileDialog::AcceptMode mode, QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QString::fromStdString(request.title));
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Asking before a file is replaced is the dialog's default; it must stay on.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setNameFilters(QString::fromStdString(request.filter).split(";;", Qt::SkipEmptyParts));
    dialog->setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    dialog->setDirectory(QFile::decodeName(QByteArray::fromStdString(request.folder)));
    return dialog;
}

#include "platform/qtwidgets/FileDialogs.h"
#include "WhenOpen.h"
#include "platform/qtwidgets/QtDialogService.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const DialogService::FileDialogRequest kPlan{"Create new layout file", "",
                                             "Quarn files (*.pln);;All Files (*)", "pln"};

// A folder whose name is not ASCII, as disk bytes.
struct PlanFolder {
    PlanFolder() : path(dir.path() + "Anlage J\xC3\xBCrgen/") { std::filesystem::create_directories(path); }
    TempDir dir;
    std::string path;
};

TEST(FileDialogs, BuildsTheCommonDialogsFromTheRequest) {
    PlanFolder folder;
    DialogService::FileDialogRequest request = kPlan;
    request.folder = folder.path;
    for (QFileDialog::AcceptMode mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        SCOPED_TRACE(mode);
        const auto dialog = buildFileDialog(request, mode);
        EXPECT_EQ(dialog->windowTitle(), "Create new layout file");
        EXPECT_EQ(QFile::encodeName(dialog->directory().absolutePath()).toStdString() + "/", folder.path);
        EXPECT_EQ(dialog->nameFilters(), (QStringList{"Quarn files (*.pln)", "All Files (*)"}));
        EXPECT_EQ(dialog->selectedNameFilter(), "Quarn files (*.pln)");
        EXPECT_EQ(dialog->defaultSuffix(), "pln");
        EXPECT_EQ(dialog->acceptMode(), mode);
        EXPECT_EQ(dialog->fileMode(),
                  mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    }
}

TEST(FileDialogs, SavingAsksBeforeAFileIsReplacedAndAddsTheExtension) {
    PlanFolder folder;
    writeFileBytes(folder.path + "a.pln", "0\r\n0\r\n");
    DialogService::FileDialogRequest request = kPlan;
    request.folder = folder.path;
    const QString a = QFile::decodeName(QByteArray::fromStdString(folder.path + "a.pln"));

    const struct {
        const char* typed;
        QMessageBox::StandardButton answer; // NoButton: no question expected
        bool accepted;
        std::string chosen;
    } cases[] = {
        {"a.pln", QMessageBox::No, false, ""},           {"a.pln", QMessageBox::Yes, true, "a.pln"},
        {"n", QMessageBox::NoButton, true, "n.pln"},     {"n.PLN", QMessageBox::NoButton, true, "n.PLN"},
        {"n.txt", QMessageBox::NoButton, true, "n.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " " + std::to_string(c.answer));
        const auto dialog = buildFileDialog(request, QFileDialog::AcceptSave);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->selectFile(c.typed);
        QString question;
        if (c.answer != QMessageBox::NoButton)
            whenOpen<QMessageBox>([&question, answer = c.answer](QMessageBox* box) {
                question = box->text();
                box->button(answer)->click();
            });
        static_cast<QDialog&>(*dialog).accept(); // QFileDialog keeps its override protected
        EXPECT_EQ(dialog->result() == QDialog::Accepted, c.accepted);
        if (c.answer != QMessageBox::NoButton) {
            EXPECT_EQ(question, "a.pln already exists.\nDo you want to replace it?");
        }
        if (c.accepted) {
            EXPECT_EQ(QFile::encodeName(dialog->selectedFiles().value(0)).toStdString(),
                      folder.path + c.chosen);
        }
    }
    EXPECT_EQ(readFileBytes(folder.path + "a.pln"), "0\r\n0\r\n") << "the dialog itself writes nothing";
}

TEST(QtDialogService, FileDialogsGiveThePathAsDiskBytesOrNothing) {
    PlanFolder folder;
    writeFileBytes(folder.path + "b.pln", "0\r\n0\r\n");
    DialogService::FileDialogRequest request = kPlan;
    request.folder = folder.path;
    QtDialogService service;
    // Chooses name in the next file dialog, or cancels it for an empty name.
    auto chooseInNextDialog = [](const QString& name) {
        whenOpen<QFileDialog>([name](QFileDialog* dialog) {
            if (name.isEmpty())
                return dialog->reject();
            dialog->selectFile(name);
            static_cast<QDialog&>(*dialog).accept(); // QFileDialog keeps its override protected
        });
    };
    chooseInNextDialog("b.pln");
    EXPECT_EQ(service.chooseOpenFile(request), folder.path + "b.pln");
    chooseInNextDialog("");
    EXPECT_EQ(service.chooseOpenFile(request), std::nullopt);
    chooseInNextDialog("neu");
    EXPECT_EQ(service.chooseSaveFile(request), folder.path + "neu.pln");
    chooseInNextDialog("");
    EXPECT_EQ(service.chooseSaveFile(request), std::nullopt);
}

} // namespace

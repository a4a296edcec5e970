#pragma once

#include <QFileDialog>
#include <memory>

#include "platform/DialogService.h"

// The common file dialog for request, not shown: the caller runs exec(). AcceptOpen takes an
// existing file only; AcceptSave takes any name and asks before a file that exists is replaced. A
// name typed without an extension gets the request's default one.
std::unique_ptr<QFileDialog> buildFileDialog(const DialogService::FileDialogRequest& request,
                                             QFileDialog::AcceptMode mode, QWidget* parent = nullptr);

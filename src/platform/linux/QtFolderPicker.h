#pragma once

// The folder picker as Qt's own QFileDialog (so it behaves alike on every desktop and can show the request's
// message), modal to the window that asked (the parent, else the active window) and kept above it, opened
// without a nested event loop. Call on the main queue only.

#include <QPointer>
#include <QWidget>

#include "platform/FolderPicker.h"

namespace quorvane {

class QtFolderPicker final : public FolderPicker {
public:
    // `parent`, when given, is the window every picker belongs to; it may go away first.
    explicit QtFolderPicker(QWidget* parent = nullptr) : parent_(parent) {}

    // A picker closed any other way than by choosing (its parent destroyed) answers nothing.
    void chooseFolder(const FolderPickerRequest& request, Completion completion) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace quorvane

#pragma once

// The folder picker as an application-modal QFileDialog (Qt's own, so it behaves alike on every desktop and
// can show the request's message), opened without a nested event loop. Call on the main queue only.

#include <QPointer>
#include <QWidget>

#include "platform/FolderPicker.h"

namespace quorvane {

class QtFolderPicker final : public FolderPicker {
public:
    // `parent`, when given, centres the picker on it; it may go away first.
    explicit QtFolderPicker(QWidget* parent = nullptr) : parent_(parent) {}

    // A picker closed any other way than by choosing (its parent destroyed) answers nothing.
    void chooseFolder(const FolderPickerRequest& request, Completion completion) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace quorvane

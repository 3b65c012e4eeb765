#pragma once

// The application-file picker, modal to the window that asked (the parent, else the active window; with
// neither, to all) and opened without a nested event loop: the offered
// applications by name and icon when the request lists them, else Qt's own file dialog on ".desktop" files,
// starting in the user's or the system's applications folder. Call on the main queue only.

#include <QPointer>
#include <QWidget>

#include "platform/ApplicationFilePicker.h"

namespace quorvane {

class QtApplicationFilePicker final : public ApplicationFilePicker {
public:
    // `parent`, when given, is the window every picker belongs to; it may go away first.
    explicit QtApplicationFilePicker(QWidget* parent = nullptr) : parent_(parent) {}

    // A picker closed any other way than by choosing (its parent destroyed) answers nothing.
    void chooseApplicationFile(const ApplicationFilePickerRequest& request, Completion completion) override;

    // The first XDG applications folder that exists ("/usr/share/applications" when none does).
    static QString startFolder();

private:
    QPointer<QWidget> parent_;
};

}  // namespace quorvane

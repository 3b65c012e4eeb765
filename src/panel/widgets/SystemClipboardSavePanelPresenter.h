#pragma once

// The save panel as a non-blocking file dialog: the request's title, name-field label, suggested name and
// the one file type it allows. It belongs to the window that asked (the presenter's own parent, else the
// active window), stays above it and blocks only it. It opens in the Documents folder where that exists,
// else in the home folder. Main thread only; the answer arrives once, after the dialog closed.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "panel/model/ClipboardSavePanelPresenting.h"

namespace quorvane {

class SystemClipboardSavePanelPresenter final : public ClipboardSavePanelPresenting {
public:
    // `parent`, when given, carries the dialog; it may go away first (the answer is then none).
    explicit SystemClipboardSavePanelPresenter(QWidget* parent = nullptr) : parent_(parent) {}

    void present(const ClipboardSavePanelRequest& request, Completion completion) override;

    // The folder the dialog opens in: Documents when it is an existing folder, else home.
    static QString startFolder();
    // The file-type line: the type's name and the suggested name's extension, then the type's usual one
    // ("Plain text document (*.txt)", "JPEG image (*.jpg *.jpeg)").
    static QString nameFilter(const ClipboardSavePanelRequest& request);

private:
    QPointer<QWidget> parent_;
};

}  // namespace quorvane

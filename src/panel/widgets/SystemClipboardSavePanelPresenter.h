#pragma once

// The save panel as a non-blocking file dialog: the request's title, name-field label, suggested name and
// the one file type it allows. Main thread only; the answer arrives once, after the dialog closed.

#include <QPointer>
#include <QWidget>

#include "panel/model/ClipboardSavePanelPresenting.h"

namespace quorvane {

class SystemClipboardSavePanelPresenter final : public ClipboardSavePanelPresenting {
public:
    // `parent`, when given, carries the dialog as its sheet; it may go away first (the answer is then none).
    explicit SystemClipboardSavePanelPresenter(QWidget* parent = nullptr) : parent_(parent) {}

    void present(const ClipboardSavePanelRequest& request, Completion completion) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace quorvane

#pragma once

// The pasteboard on Qt's clipboard (the X11 CLIPBOARD selection). Qt's XFixes-driven change signal moves the
// change count when another program takes the clipboard and is announced to observers at once, so reading
// the count never asks the X server; our own writes move it by one before they return.
// Create and use on the main thread of a QGuiApplication.

#include <QMetaObject>

#include "platform/Pasteboard.h"

class QClipboard;
class QMimeData;

namespace quorvane {

class QtClipboardPasteboard final : public Pasteboard {
public:
    // Uses the application's clipboard when none is given.
    explicit QtClipboardPasteboard(QClipboard* clipboard = nullptr);
    ~QtClipboardPasteboard() override;
    QtClipboardPasteboard(const QtClipboardPasteboard&) = delete;
    QtClipboardPasteboard& operator=(const QtClipboardPasteboard&) = delete;

    std::int64_t changeCount() const override { return changeCount_; }
    // On X11 with the XFixes extension, through which Qt hears of every new clipboard owner.
    bool reportsChanges() const override { return reportsChanges_; }
    std::vector<std::string> types() const override;
    std::optional<std::string> string() const override;
    std::optional<Data> data(const std::string& type) const override;
    bool writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                   const std::optional<Data>& htmlData) override;
    bool writeImage(const Data& imageData, const std::string& type) override;

private:
    const QMimeData* currentItem() const;
    void replaceItem(QMimeData* item);

    QClipboard* clipboard_;
    QMetaObject::Connection changedConnection_;
    std::int64_t changeCount_ = 0;
    bool writing_ = false;
    bool reportsChanges_ = false;
};

}  // namespace quorvane

#pragma once

// The pasteboard on the X11 CLIPBOARD selection. Another program's copies are followed by an
// X11ClipboardWatcher, which reads each one the moment it is made; each copy then becomes the current item
// on the main queue, in order, moving the change count and being announced to observers, so a reader that
// reads when told reads that copy even when newer ones are already on their way. Reads never ask the X
// server. The item found at start arrives the same way, later, without moving the count; representations
// larger than the item size limit arrive as oversized(). Our own writes go through Qt's clipboard and move
// the count by one before they return. Without the XFIXES extension it falls back to Qt's clipboard for
// reading and reports no changes. Create and use on the main thread of a QGuiApplication.

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <memory>

#include "platform/Pasteboard.h"
#include "platform/linux/QtJobReceiver.h"
#include "platform/linux/X11ClipboardItem.h"

class QClipboard;
class QMimeData;

namespace quorvane {

class X11ClipboardWatcher;

class QtClipboardPasteboard final : public Pasteboard {
public:
    // The item size limit in bytes; asked on another thread before each copy is read.
    using ByteLimit = std::function<std::uint64_t()>;

    // Uses the application's clipboard when none is given; without a limit only the watcher's own bound
    // applies.
    explicit QtClipboardPasteboard(QClipboard* clipboard = nullptr, ByteLimit itemByteLimit = {});
    ~QtClipboardPasteboard() override;
    QtClipboardPasteboard(const QtClipboardPasteboard&) = delete;
    QtClipboardPasteboard& operator=(const QtClipboardPasteboard&) = delete;

    std::int64_t changeCount() const override { return changeCount_; }
    bool reportsChanges() const override { return watcher_ != nullptr; }
    bool holdsOwnItem() const override;
    std::vector<std::string> types() const override;
    std::optional<std::string> string() const override;
    // While changes are followed: the representations capture reads (HTML, RTF, file URLs, PNG, else TIFF
    // or the first other image type); other types give nothing.
    std::optional<Data> data(const std::string& type) const override;
    std::optional<OversizedRepresentation> oversized(const std::string& type) const override;
    bool writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                   const std::optional<Data>& htmlData) override;
    bool writeImage(const Data& imageData, const std::string& type) override;
    bool writePrimarySelection(const std::string& text) override;
    // True once the item found at start has been read (or given up) and handed over.
    bool hasReadStartItem() const { return startItemRead_; }

private:
    const QMimeData* currentItem() const;
    void replaceItem(QMimeData* item, X11ClipboardItem written);
    void takeCopy(X11ClipboardItem item);

    QClipboard* clipboard_;
    QMetaObject::Connection changedConnection_;
    std::int64_t changeCount_ = 0;
    bool writing_ = false;
    // The followed item is our last write (the watcher skips our own owners, so only writes set it).
    bool ownItem_ = false;
    // Set once a copy or our own write replaced the item: the item found at start, arriving later, is stale.
    bool itemReplaced_ = false;
    bool startItemRead_ = false;
    X11ClipboardItem item_;
    // Receives the watcher's copies on the main thread; pending ones go with it.
    std::unique_ptr<QtJobReceiver> receiver_;
    std::unique_ptr<X11ClipboardWatcher> watcher_;
};

}  // namespace quorvane

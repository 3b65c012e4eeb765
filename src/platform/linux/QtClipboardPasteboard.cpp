#include "platform/linux/QtClipboardPasteboard.h"

#include <xcb/xcb.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "base/Logger.h"
#include "platform/linux/QtImageDecoder.h"
#include "platform/linux/QtJobReceiver.h"
#include "platform/linux/X11ClipboardWatcher.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "Pasteboard";

QByteArray toByteArray(const Data& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

Data toData(const QByteArray& bytes) {
    return Data(bytes.begin(), bytes.end());
}

// Qt's own connection: windows it creates, among them the one that owns the clipboard after our writes.
std::optional<X11ClipboardWatcher::ClientResources> qtClientResources() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return std::nullopt;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return X11ClipboardWatcher::ClientResources{setup->resource_id_base, setup->resource_id_mask};
}

}  // namespace

QtClipboardPasteboard::QtClipboardPasteboard(QClipboard* clipboard, ByteLimit itemByteLimit)
    : clipboard_(clipboard ? clipboard : QGuiApplication::clipboard()),
      receiver_(std::make_unique<QtJobReceiver>()) {
    if (const auto own = qtClientResources()) {
        std::string failure;
        QtJobReceiver* receiver = receiver_.get();
        watcher_ = X11ClipboardWatcher::start(
            "", *own, std::move(itemByteLimit),
            [this, receiver](X11ClipboardItem item) {
                auto copy = std::make_shared<X11ClipboardItem>(std::move(item));
                receiver->post([this, copy] { takeCopy(std::move(*copy)); });
            },
            failure);
        if (watcher_) return;
        Logger::error("Failed to follow the clipboard's owners: " + failure, kLogCategory);
    }
    // Qt hears of other programs' copies only through XFIXES; without it nothing is reported.
    changedConnection_ = QObject::connect(clipboard_, &QClipboard::changed, [this](QClipboard::Mode mode) {
        // Our own write already moved the count; the signal Qt sends for it (now or once the X server
        // confirms our ownership) must not move it again.
        if (mode != QClipboard::Clipboard || writing_ || clipboard_->ownsClipboard()) return;
        ++changeCount_;
        announceChange();
    });
}

QtClipboardPasteboard::~QtClipboardPasteboard() {
    QObject::disconnect(changedConnection_);
    watcher_.reset();
}

void QtClipboardPasteboard::takeCopy(X11ClipboardItem item) {
    if (item.foundAtStart) {
        startItemRead_ = true;
        if (!itemReplaced_) item_ = std::move(item);
        return;
    }
    itemReplaced_ = true;
    changeCount_ += item.changes;
    item_ = std::move(item);
    ownItem_ = false;
    announceChange();
}

bool QtClipboardPasteboard::holdsOwnItem() const {
    if (watcher_) return ownItem_;
    return clipboard_->ownsClipboard();
}

const QMimeData* QtClipboardPasteboard::currentItem() const {
    return clipboard_->mimeData(QClipboard::Clipboard);
}

std::vector<std::string> QtClipboardPasteboard::types() const {
    if (watcher_) return item_.types;
    std::vector<std::string> result;
    const QMimeData* item = currentItem();
    if (!item) return result;
    for (const QString& format : item->formats()) result.push_back(format.toStdString());
    return result;
}

std::optional<std::string> QtClipboardPasteboard::string() const {
    if (watcher_) return item_.text;
    const QMimeData* item = currentItem();
    if (!item || !item->hasText()) return std::nullopt;
    return item->text().toStdString();
}

std::optional<Data> QtClipboardPasteboard::data(const std::string& type) const {
    if (watcher_) {
        const auto found = item_.representations.find(type);
        if (found == item_.representations.end()) return std::nullopt;
        return found->second;
    }
    const QMimeData* item = currentItem();
    const QString format = QString::fromStdString(type);
    if (!item || !item->hasFormat(format)) return std::nullopt;
    return toData(item->data(format));
}

std::optional<OversizedRepresentation> QtClipboardPasteboard::oversized(const std::string& type) const {
    const auto found = item_.oversized.find(type);
    if (found == item_.oversized.end()) return std::nullopt;
    return found->second;
}

bool QtClipboardPasteboard::writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                                      const std::optional<Data>& htmlData) {
    auto* item = new QMimeData;
    X11ClipboardItem written;
    item->setText(QString::fromStdString(plainText));
    item->setData(PasteboardType::plainText, QByteArray::fromStdString(plainText));
    written.types = {"text/plain", PasteboardType::plainText};
    written.text = plainText;
    if (rtfData) {
        item->setData(PasteboardType::rtf, toByteArray(*rtfData));
        written.types.push_back(PasteboardType::rtf);
        written.representations.emplace(PasteboardType::rtf, *rtfData);
    }
    if (htmlData) {
        item->setData(PasteboardType::html, toByteArray(*htmlData));
        written.types.push_back(PasteboardType::html);
        written.representations.emplace(PasteboardType::html, *htmlData);
    }
    replaceItem(item, std::move(written));
    return true;
}

bool QtClipboardPasteboard::writePrimarySelection(const std::string& text) {
    if (!clipboard_->supportsSelection()) return false;
    clipboard_->setText(QString::fromStdString(text), QClipboard::Selection);
    return true;
}

bool QtClipboardPasteboard::writeImage(const Data& imageData, const std::string& type) {
    // Decoded before anything is replaced: data that is no image leaves the clipboard as it was.
    const QImage image = QtImageDecoder::decode(imageData);
    if (image.isNull()) return false;
    auto* item = new QMimeData;
    X11ClipboardItem written;
    item->setData(QString::fromStdString(type), toByteArray(imageData));
    written.types = {type};
    written.representations.emplace(type, imageData);
    if (type != PasteboardType::png) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (image.save(&buffer, "PNG") && !png.isEmpty()) {
            item->setData(PasteboardType::png, png);
            written.types.push_back(PasteboardType::png);
            written.representations.emplace(PasteboardType::png, toData(png));
        }
    }
    replaceItem(item, std::move(written));
    return true;
}

void QtClipboardPasteboard::replaceItem(QMimeData* item, X11ClipboardItem written) {
    ++changeCount_;
    itemReplaced_ = true;
    item_ = std::move(written);
    ownItem_ = true;
    writing_ = true;
    clipboard_->setMimeData(item, QClipboard::Clipboard);
    writing_ = false;
}

}  // namespace quorvane

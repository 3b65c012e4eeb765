#include "platform/linux/QtClipboardPasteboard.h"

#include <xcb/xcb.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <cstdlib>
#include <cstring>

#include "platform/linux/QtImageDecoder.h"

namespace quorvane {

namespace {

// Qt's X11 clipboard reports another program's copy only through XFixes selection events.
bool displayReportsClipboardOwners() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    constexpr const char* name = "XFIXES";
    xcb_query_extension_reply_t* reply = xcb_query_extension_reply(
        connection, xcb_query_extension(connection, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const bool present = reply && reply->present;
    std::free(reply);
    return present;
}

QByteArray toByteArray(const Data& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

}  // namespace

QtClipboardPasteboard::QtClipboardPasteboard(QClipboard* clipboard)
    : clipboard_(clipboard ? clipboard : QGuiApplication::clipboard()),
      reportsChanges_(displayReportsClipboardOwners()) {
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
}

const QMimeData* QtClipboardPasteboard::currentItem() const {
    return clipboard_->mimeData(QClipboard::Clipboard);
}

std::vector<std::string> QtClipboardPasteboard::types() const {
    std::vector<std::string> result;
    const QMimeData* item = currentItem();
    if (!item) return result;
    for (const QString& format : item->formats()) result.push_back(format.toStdString());
    return result;
}

std::optional<std::string> QtClipboardPasteboard::string() const {
    const QMimeData* item = currentItem();
    if (!item || !item->hasText()) return std::nullopt;
    return item->text().toStdString();
}

std::optional<Data> QtClipboardPasteboard::data(const std::string& type) const {
    const QMimeData* item = currentItem();
    const QString format = QString::fromStdString(type);
    if (!item || !item->hasFormat(format)) return std::nullopt;
    const QByteArray bytes = item->data(format);
    return Data(bytes.begin(), bytes.end());
}

bool QtClipboardPasteboard::writeText(const std::string& plainText, const std::optional<Data>& rtfData,
                                      const std::optional<Data>& htmlData) {
    auto* item = new QMimeData;
    item->setText(QString::fromStdString(plainText));
    item->setData(PasteboardType::plainText, QByteArray::fromStdString(plainText));
    if (rtfData) item->setData(PasteboardType::rtf, toByteArray(*rtfData));
    if (htmlData) item->setData(PasteboardType::html, toByteArray(*htmlData));
    replaceItem(item);
    return true;
}

bool QtClipboardPasteboard::writeImage(const Data& imageData, const std::string& type) {
    // Decoded before anything is replaced: data that is no image leaves the clipboard as it was.
    const QImage image = QtImageDecoder::decode(imageData);
    if (image.isNull()) return false;
    auto* item = new QMimeData;
    item->setData(QString::fromStdString(type), toByteArray(imageData));
    if (type != PasteboardType::png) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (image.save(&buffer, "PNG") && !png.isEmpty()) item->setData(PasteboardType::png, png);
    }
    replaceItem(item);
    return true;
}

void QtClipboardPasteboard::replaceItem(QMimeData* item) {
    ++changeCount_;
    writing_ = true;
    clipboard_->setMimeData(item, QClipboard::Clipboard);
    writing_ = false;
}

}  // namespace quorvane

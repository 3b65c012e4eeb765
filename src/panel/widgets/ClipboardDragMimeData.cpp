#include "panel/widgets/ClipboardDragMimeData.h"

#include <QBuffer>
#include <QImage>
#include <QThreadPool>
#include <QUrl>
#include <chrono>
#include <system_error>

#include "base/Logger.h"
#include "base/PrivateDirectory.h"
#include "panel/model/ClipboardDragFiles.h"
#include "platform/ImageFormat.h"

namespace quorvane {
namespace {

QByteArray bytes(const Data& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
}

std::unique_ptr<QMimeData> textMimeData(const ClipboardHistoryContentSnapshot& content) {
    auto mime = std::make_unique<QMimeData>();
    const QByteArray utf8 = QByteArray::fromStdString(content.content);
    mime->setData("text/plain;charset=utf-8", utf8);
    mime->setData("text/plain", utf8);
    if (content.richTextHTMLData) mime->setData("text/html", bytes(*content.richTextHTMLData));
    if (content.richTextRTFData) {
        // Word processors look for one name or the other.
        mime->setData("text/rtf", bytes(*content.richTextRTFData));
        mime->setData("application/rtf", bytes(*content.richTextRTFData));
    }
    return mime;
}

std::unique_ptr<QMimeData> imageMimeData(const ClipboardHistoryIndexSnapshot& entry,
                                         const ClipboardHistoryContentSnapshot& content,
                                         const std::filesystem::path& dragFolder) {
    if (!content.imageData || content.imageData->empty()) return nullptr;
    Data data = *content.imageData;
    const auto format = ImageFormat::detect(data);
    std::string type;
    std::string extension;
    if (format) {
        type = format->utType();
        extension = format->fileExtension();
    } else {
        // Some other picture Qt can read: hand it on as PNG, which every receiver takes.
        const QImage image = QImage::fromData(bytes(data));
        if (image.isNull()) return nullptr;
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) return nullptr;
        data.assign(png.begin(), png.end());
        type = "image/png";
        extension = "png";
    }
    const auto path = writeDragImageFile(dragFolder, entry.id, data, extension);
    if (!path) return nullptr;
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(path->string()))});
    mime->setData(QString::fromStdString(type), bytes(data));
    return mime;
}

}  // namespace

std::unique_ptr<QMimeData> makeDragMimeData(const ClipboardHistoryIndexSnapshot& entry,
                                            const ClipboardHistoryContentSnapshot& content,
                                            const std::filesystem::path& dragFolder) {
    if (entry.contentType == ClipboardContentType::text) return textMimeData(content);
    return imageMimeData(entry, content, dragFolder);
}

void scheduleDragFileCleanup() {
    QThreadPool::globalInstance()->start([] {
        const double now =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
        try {
            removeOldDragFiles(dragOutDirectory(), Date(now));
        } catch (const std::system_error&) {
            // No drag-out folder to be had: nothing to clean either.
        }
        // "Open with" leaves its files for the opening program, which may read them late; a day is enough.
        try {
            removeOldDragFiles(privateRuntimeDirectory(), Date(now), openWithFilePrefix);
        } catch (const std::system_error&) {
        }
    });
}

}  // namespace quorvane

#include "capture/ClipboardPayloadReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/Logger.h"
#include "base/Sha256.h"
#include "base/WhitespaceTrimming.h"
#include "capture/HtmlPlainText.h"
#include "capture/RtfPlainText.h"
#include "platform/ImageFormat.h"

namespace quorvane {

namespace {

constexpr const char* logCategory = "ClipboardMonitor";
// Enough of a copied file for the MIME database's content rules.
constexpr std::size_t fileTypeSniffBytes = 4096;

bool hasAtLeastTwoByTwoPixels(const ImageDimensions& dimensions) {
    // The first representation with a pixel size decides, as for the entry's title.
    for (const auto& size : dimensions.representations) {
        if (size.width > 0 && size.height > 0) return size.width >= 2 && size.height >= 2;
    }
    return static_cast<std::int64_t>(dimensions.widthInPoints) >= 2 &&
           static_cast<std::int64_t>(dimensions.heightInPoints) >= 2;
}

std::string_view formatNameOf(const Data& bytes) {
    return ImageFormat::nameOf(ImageFormat::detect(bytes));
}

// An image the pasteboard gave up reading for its size.
std::optional<ClipboardPayloadReader::OversizedImage> oversizedImage(const Pasteboard& pasteboard,
                                                                     const std::string& type) {
    auto oversized = pasteboard.oversized(type);
    if (!oversized) return std::nullopt;
    return ClipboardPayloadReader::OversizedImage{std::string(formatNameOf(oversized->head)),
                                                  oversized->byteCount};
}

// True when a text form was given up for its size: the forms count together, so the text cannot be taken.
bool textFormOversized(const Pasteboard& pasteboard) {
    for (const char* type : {PasteboardType::itemText, PasteboardType::rtf, PasteboardType::html}) {
        if (pasteboard.oversized(type)) return true;
    }
    return false;
}

bool isImageSignature(std::span<const std::uint8_t> header) {
    const auto format = ImageFormat::detect(header);
    return format && format->value != ImageFormat::pdf;
}

// Owns one file descriptor.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads up to `count` bytes from the start of the file; fewer when it is shorter.
Data readPrefix(int fd, std::size_t count) {
    Data bytes(count);
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t got = pread(fd, bytes.data() + filled, count - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace

std::string ClipboardPayloadReader::imageFingerprint(const Data& imageData) {
    return sha256Hex(imageData);
}

std::string ClipboardPayloadReader::textPayloadFingerprint(const ClipboardTextPayload& payload) {
    Sha256 digest;
    const char separator = '\0';
    digest.update("text");
    digest.update(&separator, 1);
    digest.update(payload.plainText);
    digest.update(&separator, 1);
    if (payload.rtfData) digest.update(payload.rtfData->data(), payload.rtfData->size());
    digest.update(&separator, 1);
    if (payload.htmlData) digest.update(payload.htmlData->data(), payload.htmlData->size());
    return digest.finalHex();
}

std::string ClipboardPayloadReader::oversizedImageMessage(std::string_view formatName,
                                                          std::uint64_t actualBytes, std::int64_t maxBytes) {
    return "Ignored clipboard image larger than limit: imageType=" + std::string(formatName) +
           ", actualBytes=" + std::to_string(actualBytes) + ", maxBytes=" + std::to_string(maxBytes);
}

std::vector<std::filesystem::path> ClipboardPayloadReader::readFileURLs(const Pasteboard& pasteboard) {
    return pasteboard.fileURLs();
}

std::optional<ImageDimensions> ClipboardPayloadReader::usableDimensions(const Data& imageData) const {
    if (imageData.empty()) return std::nullopt;
    auto dimensions = probe_.dimensions(imageData);
    if (!dimensions || !hasAtLeastTwoByTwoPixels(*dimensions)) return std::nullopt;
    return dimensions;
}

ClipboardPayloadReader::ImageRead ClipboardPayloadReader::convertedToPng(const Data& imageData,
                                                                         const ImageDimensions& dimensions,
                                                                         std::int64_t maxBytes) const {
    if (static_cast<std::int64_t>(imageData.size()) > maxBytes) {
        return {std::nullopt, OversizedImage{std::string(formatNameOf(imageData)), imageData.size()}};
    }
    auto png = decoder_.pngData(imageData);
    if (!png || png->empty()) return {};
    if (static_cast<std::int64_t>(png->size()) > maxBytes) {
        return {std::nullopt, OversizedImage{"png", png->size()}};
    }
    return {ClipboardImagePayload{std::move(*png), dimensions}, std::nullopt};
}

ClipboardPayloadReader::ImageRead ClipboardPayloadReader::imageFromFile(const std::filesystem::path& path,
                                                                        std::int64_t maxBytes) const {
    // stat() first: opening a FIFO or a device could block the main queue, and only regular files are images.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return {};
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    // The path may have been swapped for something else since; what counts is what was opened.
    if (file.get() < 0 || fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size <= 0) {
        return {};
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    // The file's type, not its first bytes, makes it an image: a text file may start with "BM", an icon or
    // a drawing has no signature we know. Only types we can decode count.
    const Data header = readPrefix(file.get(), fileTypeSniffBytes);
    const std::string contentType = decoder_.fileContentType(path.filename().string(), header);
    if (!decoder_.canDecode(contentType)) return {};
    if (size > static_cast<std::uint64_t>(maxBytes)) {
        return {std::nullopt, OversizedImage{std::string(formatNameOf(header)), size}};
    }
    Data bytes = readPrefix(file.get(), static_cast<std::size_t>(size));
    if (bytes.empty()) return {};
    if (isImageSignature(bytes)) {
        // A format we know by its signature is stored as the file holds it.
        if (auto dimensions = probe_.dimensions(bytes)) {
            return {ClipboardImagePayload{std::move(bytes), std::move(*dimensions)}, std::nullopt};
        }
    }
    auto converted = decoder_.convertedToPng(bytes, contentType);
    if (!converted) return {};
    // Decoded but not encodable as PNG: the file's own bytes are kept.
    if (converted->png.empty()) {
        return {ClipboardImagePayload{std::move(bytes), std::move(converted->dimensions)}, std::nullopt};
    }
    if (static_cast<std::int64_t>(converted->png.size()) > maxBytes) {
        return {std::nullopt, OversizedImage{"png", converted->png.size()}};
    }
    return {ClipboardImagePayload{std::move(converted->png), std::move(converted->dimensions)}, std::nullopt};
}

ClipboardPayloadReader::ImageRead ClipboardPayloadReader::readImagePayload(const Pasteboard& pasteboard,
                                                                           std::int64_t maxBytes) const {
    const auto files = readFileURLs(pasteboard);
    if (files.size() == 1) return imageFromFile(files.front(), maxBytes);
    if (files.size() > 1) return {};

    for (const char* type : {PasteboardType::png, PasteboardType::tiff}) {
        if (auto oversized = oversizedImage(pasteboard, type)) return {std::nullopt, std::move(oversized)};
    }
    if (auto png = pasteboard.data(PasteboardType::png)) {
        if (auto dimensions = usableDimensions(*png)) {
            if (static_cast<std::int64_t>(png->size()) > maxBytes) {
                return {std::nullopt, OversizedImage{std::string(formatNameOf(*png)), png->size()}};
            }
            return {ClipboardImagePayload{std::move(*png), std::move(*dimensions)}, std::nullopt};
        }
    }
    if (auto tiff = pasteboard.data(PasteboardType::tiff)) {
        if (auto dimensions = usableDimensions(*tiff)) {
            if (static_cast<std::int64_t>(tiff->size()) > maxBytes) {
                return {std::nullopt, OversizedImage{std::string(formatNameOf(*tiff)), tiff->size()}};
            }
            auto converted = convertedToPng(*tiff, *dimensions, maxBytes);
            if (converted.image || converted.oversized) return converted;
            // PNG encoding failed: the TIFF bytes are stored as they are.
            return {ClipboardImagePayload{std::move(*tiff), std::move(*dimensions)}, std::nullopt};
        }
    }
    // Image data in any other format: only the first offered one is tried.
    for (const auto& type : pasteboard.types()) {
        if (!type.starts_with("image/") || type == PasteboardType::png || type == PasteboardType::tiff)
            continue;
        if (auto oversized = oversizedImage(pasteboard, type)) return {std::nullopt, std::move(oversized)};
        auto bytes = pasteboard.data(type);
        if (!bytes) continue;
        auto dimensions = usableDimensions(*bytes);
        if (!dimensions) return {};
        return convertedToPng(*bytes, *dimensions, maxBytes);
    }
    return {};
}

std::optional<ClipboardTextPayload> ClipboardPayloadReader::readTextPayload(
    const Pasteboard& pasteboard) const {
    ClipboardTextPayload payload;
    payload.rtfData = pasteboard.data(PasteboardType::rtf);
    payload.htmlData = pasteboard.data(PasteboardType::html);
    const auto plain = pasteboard.string();
    const auto asText = [](const Data& data) {
        return std::string_view(reinterpret_cast<const char*>(data.data()), data.size());
    };
    if (plain && !plain->empty()) {
        payload.plainText = *plain;
    } else if (std::string rtfText = payload.rtfData ? rtfPlainText(asText(*payload.rtfData)) : "";
               !rtfText.empty()) {
        payload.plainText = std::move(rtfText);
    } else if (payload.htmlData) {
        payload.plainText = htmlPlainText(asText(*payload.htmlData));
    } else if (!plain && !payload.rtfData) {
        return std::nullopt;
    }
    return payload;
}

std::optional<ClipboardMonitoredPayload> ClipboardPayloadReader::readMonitoredPayload(
    const Pasteboard& pasteboard, std::int64_t maxBytes, bool textEnabled, bool imageEnabled) const {
    if (imageEnabled) {
        auto read = readImagePayload(pasteboard, maxBytes);
        if (read.oversized) {
            Logger::warning(
                oversizedImageMessage(read.oversized->formatName, read.oversized->byteCount, maxBytes),
                logCategory);
            return std::nullopt;
        }
        if (read.image && !read.image->imageData.empty()) {
            std::string fingerprint = imageFingerprint(read.image->imageData);
            return ClipboardMonitoredPayload{std::move(*read.image), std::move(fingerprint)};
        }
    }
    if (!textEnabled) return std::nullopt;
    if (textFormOversized(pasteboard)) {
        if (!readFileURLs(pasteboard).empty()) return std::nullopt;
        Logger::warning("Ignored clipboard item larger than limit", logCategory);
        return std::nullopt;
    }
    auto text = readTextPayload(pasteboard);
    if (!text) return std::nullopt;
    // Copied files are never captured as text, whatever names or paths the item also offers.
    if (!readFileURLs(pasteboard).empty()) return std::nullopt;
    if (trimmedWhitespaceAndNewlines(text->plainText).empty()) return std::nullopt;
    if (static_cast<std::int64_t>(text->byteCount()) > maxBytes) {
        Logger::warning("Ignored clipboard item larger than limit", logCategory);
        return std::nullopt;
    }
    std::string fingerprint = textPayloadFingerprint(*text);
    return ClipboardMonitoredPayload{std::move(*text), std::move(fingerprint)};
}

std::optional<std::string> ClipboardPayloadReader::payloadFingerprint(const Pasteboard& pasteboard) const {
    const auto read = readImagePayload(pasteboard, largestItemBytes);
    if (read.image && !read.image->imageData.empty()) return imageFingerprint(read.image->imageData);
    if (!readFileURLs(pasteboard).empty() || textFormOversized(pasteboard)) return std::nullopt;
    const auto text = readTextPayload(pasteboard);
    if (!text || trimmedWhitespaceAndNewlines(text->plainText).empty()) return std::nullopt;
    return textPayloadFingerprint(*text);
}

}  // namespace quorvane

#include "floating/model/FloatingEntryFiles.h"

#include "base/AtomicFile.h"
#include "platform/ImageFormat.h"

namespace quorvane {

bool FloatingEntryFiles::isSafeEntryId(std::string_view id) {
    return !id.empty() && id.find('/') == std::string_view::npos && id.find("..") == std::string_view::npos &&
           id.find('\0') == std::string_view::npos;
}

std::string FloatingEntryFiles::temporaryFileName(std::string_view id, std::string_view extension) {
    std::string name = "Quorvane_";
    name += id;
    name += '.';
    name += extension;
    return name;
}

std::string_view FloatingEntryFiles::imageExtension(
    const std::optional<std::vector<std::uint8_t>>& imageData) {
    if (!imageData) return ImageFormat::fileExtensionOf(std::nullopt);
    return ImageFormat::fileExtensionOf(ImageFormat::detect(*imageData));
}

std::filesystem::path FloatingEntryFiles::writeTemporaryFile(const std::filesystem::path& directory,
                                                             std::string_view id, std::string_view extension,
                                                             std::string_view contents) {
    if (!isSafeEntryId(id)) throw UnsafeEntryIdError(std::string(id));
    const std::filesystem::path path = directory / temporaryFileName(id, extension);
    writeFileAtomically(path, contents, 0600);
    return path;
}

FloatingEntrySaveTarget FloatingEntryFiles::saveTarget(const ClipboardHistoryIndexSnapshot& item,
                                                       const ClipboardHistoryContentSnapshot& content) {
    if (item.contentType == ClipboardContentType::text) return {"ClipboardText.txt", "text/plain"};
    const auto format = content.imageData ? ImageFormat::detect(*content.imageData) : std::nullopt;
    return {"ClipboardImage." + std::string(ImageFormat::fileExtensionOf(format)),
            std::string(ImageFormat::utTypeOf(format))};
}

}  // namespace quorvane

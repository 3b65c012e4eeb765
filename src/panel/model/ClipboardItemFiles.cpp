#include "panel/model/ClipboardItemFiles.h"

#include <system_error>

#include "base/AtomicFile.h"
#include "platform/ImageFormat.h"

namespace quorvane {

std::string_view imageFileExtension(std::span<const std::uint8_t> imageData) {
    return ImageFormat::fileExtensionOf(ImageFormat::detect(imageData));
}

bool isSafeEntryId(std::string_view id) {
    if (id.empty() || id.find("..") != std::string_view::npos) return false;
    return id.find_first_of(std::string_view("/\0\n\r", 4)) == std::string_view::npos;
}

std::string itemTemporaryFileName(std::string_view id, std::string_view extension) {
    std::string name = "Quorvane_";
    name += id;
    name += '.';
    name += extension;
    return name;
}

std::filesystem::path writeItemTemporaryFile(const std::filesystem::path& folder, std::string_view id,
                                             std::string_view extension, std::string_view contents) {
    if (!isSafeEntryId(id)) {
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "the entry id \"" + std::string(id) + "\" cannot name a file");
    }
    const auto path = folder / itemTemporaryFileName(id, extension);
    writeFileAtomically(path, contents, 0600);
    return path;
}

}  // namespace quorvane

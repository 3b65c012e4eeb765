#pragma once

// The files the floating panel writes for an entry: the temporary file an entry is opened from with its
// default application (in the private folder, never in the shared /tmp), and the name and type a save
// dialog suggests. Safe from any thread.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

// An entry id that cannot be part of a file name ("/", "..", empty).
class UnsafeEntryIdError : public std::invalid_argument {
public:
    explicit UnsafeEntryIdError(const std::string& id) : std::invalid_argument("unsafe entry id: " + id) {}
};

struct FloatingEntrySaveTarget {
    std::string suggestedName;
    // MIME type of the allowed files.
    std::string mimeType;

    bool operator==(const FloatingEntrySaveTarget&) const = default;
};

class FloatingEntryFiles {
public:
    FloatingEntryFiles() = delete;

    // An id usable in a file name: not empty, no "/", no "..", no NUL.
    static bool isSafeEntryId(std::string_view id);
    // "Quorvane_" + id + "." + extension.
    static std::string temporaryFileName(std::string_view id, std::string_view extension);
    // The file extension of an image's data ("png" for data of no known format).
    static std::string_view imageExtension(const std::optional<std::vector<std::uint8_t>>& imageData);
    // Writes `contents` to the temporary file of `id` in `directory`, readable by this user only, replacing
    // it in one step (the same entry always maps to the same name). Throws UnsafeEntryIdError for a refused
    // id and std::system_error when writing fails.
    static std::filesystem::path writeTemporaryFile(const std::filesystem::path& directory,
                                                    std::string_view id, std::string_view extension,
                                                    std::string_view contents);
    static FloatingEntrySaveTarget saveTarget(const ClipboardHistoryIndexSnapshot& item,
                                              const ClipboardHistoryContentSnapshot& content);
};

}  // namespace quorvane

#pragma once

// Lets the user choose one existing folder (the storage moves' "choose a directory"). Hidden folders are
// shown and new folders may be made from the picker; files cannot be chosen. Call on the main queue only;
// the answer arrives there too, exactly once.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace quorvane {

struct FolderPickerRequest {
    std::string title;
    std::string message;
    // The folder the picker opens in; empty or missing opens the user's home folder.
    std::filesystem::path startFolder = {};

    bool operator==(const FolderPickerRequest&) const = default;
};

class FolderPicker {
public:
    // The chosen folder; nothing when the picker was cancelled.
    using Completion = std::function<void(std::optional<std::filesystem::path> folder)>;

    virtual ~FolderPicker() = default;

    // Shows the picker modally and calls `completion` once it is answered.
    virtual void chooseFolder(const FolderPickerRequest& request, Completion completion) = 0;
};

}  // namespace quorvane

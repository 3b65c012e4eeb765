#pragma once

// The per-user private folder for files that must not be found or replaced by other users: the instance lock
// and socket, drag-out and open-with files. "$XDG_RUNTIME_DIR/quorvane" when the runtime folder is set, else
// "quorvane/runtime" under the user's cache folder. Safe from any thread.

#include <filesystem>

namespace quorvane {

// Creates the folder (0700) when missing and checks that it is a real folder (not a link), owned by this
// user and closed to others; a folder that fails the check is refused, never repaired. Throws
// std::system_error when it cannot be made or is refused.
std::filesystem::path privateRuntimeDirectory();

// The same checks for a given folder.
std::filesystem::path ensurePrivateDirectory(const std::filesystem::path& folder);

}  // namespace quorvane

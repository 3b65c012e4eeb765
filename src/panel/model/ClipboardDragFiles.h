#pragma once

// The image files an entry dragged out of a result list becomes: written into one private folder before
// the drag starts, under a name no other program can guess, and removed once older than a day (after every
// drag and at start-up). Plain functions; safe from any thread.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Date.h"
#include "platform/DefaultsValue.h"

namespace quorvane {

// Files older than this are removed by the clean-up.
inline constexpr double dragFileMaximumAgeSeconds = 86400;

// The drag-out folder's name inside the private temporary folder.
inline constexpr const char* dragOutFolderName = "QuorvaneDragItems";

// The drag-out folder inside the private temporary folder ("QuorvaneDragItems"), made private when
// missing. Throws std::system_error when it cannot be had.
std::filesystem::path dragOutDirectory();

// At most 12 characters of the id that are ASCII letters, digits, "-" or "_", in order; "item" when none.
std::string dragFileStem(std::string_view id);

// Writes `imageData` as "Quorvane_<stem>_<8 random characters>.<extension>" into `folder` (0600, created
// exclusively, then renamed) and returns its path. When the write fails the folder is made again and the
// write retried once under a new name; then "Failed to prepare drag image file: ..." is logged and none
// returned.
std::optional<std::filesystem::path> writeDragImageFile(const std::filesystem::path& folder,
                                                        std::string_view id, const Data& imageData,
                                                        std::string_view extension);

// Removes the plain files of `folder` whose names begin with `namePrefix`, last modified before `now` minus
// a day. Hidden files, files whose time cannot be read, and every error are left alone. Returns how many
// files went.
std::size_t removeOldDragFiles(const std::filesystem::path& folder, Date now,
                               std::string_view namePrefix = {});

// The prefix of the files "Open with" writes into the private folder, beside files that must stay (the
// instance lock and socket).
inline constexpr std::string_view openWithFilePrefix = "Quorvane_";

// Removes every file "Open with" (named with openWithFilePrefix in `privateFolder`) and drag-out (in its
// drag-out folder) wrote, whatever its age: the history they came from was cleared. Logs and returns the
// paths that could not be removed.
std::vector<std::filesystem::path> removeAllItemFiles(const std::filesystem::path& privateFolder);

}  // namespace quorvane

#pragma once

// Whole-file replacement that a crash cannot tear: the contents go to a temporary file in the same folder,
// are flushed to disk and renamed over the target. Missing parent folders are created private (0700).

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace quorvane {

// Replaces `path` with `contents`, leaving the file with `mode`. Throws std::system_error on failure, and
// then the old file is untouched.
void writeFileAtomically(const std::filesystem::path& path, std::string_view contents, mode_t mode);

// The same for a file the user saves: it keeps the mode of the file it replaces, and a new file gets the
// modes the user's umask allows (0666 less the umask), as any other program's would.
void writeUserFileAtomically(const std::filesystem::path& path, std::string_view contents);

// The process's umask, read without changing it.
mode_t currentUmask();

}  // namespace quorvane

#pragma once

// The storage folder and its databases hold every copied secret, so they must be this user's alone. What
// another user owns, a folder others can write to, and a database others could have written to (its folder
// let them in, or it has another name) are refused (never repaired: someone else may have planted it). Other
// wide modes are narrowed to the owner's (0700 for the folder, 0600 for a file) with a warning, and a mode
// change that fails is a refusal too. Plain functions; safe from any thread.

#include <filesystem>
#include <stdexcept>
#include <string>

namespace quorvane {

class StoragePrivacyError : public std::runtime_error {
public:
    enum class Problem { foreignOwner, writableByOthers, modeNotChanged };

    StoragePrivacyError(Problem problem, std::filesystem::path path, const std::string& message)
        : std::runtime_error(message), problem_(problem), path_(std::move(path)) {}

    Problem problem() const { return problem_; }
    const std::filesystem::path& path() const { return path_; }

private:
    Problem problem_;
    std::filesystem::path path_;
};

class StoragePrivacy {
public:
    // Checks the folder (following a link to it), then the databases it holds and their logs, as above.
    // Throws StoragePrivacyError with a message that names the path and what is wrong.
    static void ensurePrivate(const std::filesystem::path& storageFolder);
    // The same for one folder; returns whether others could enter it before it was narrowed.
    static bool ensurePrivateFolder(const std::filesystem::path& folder);
    // The same for one file; a missing file is fine.
    static void ensurePrivateFile(const std::filesystem::path& file, bool othersCouldEnterFolder = true);
};

}  // namespace quorvane

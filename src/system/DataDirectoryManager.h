#pragma once

// Knows where the history store and the search index live. The storage directory is, first match wins:
// $QUORVANE_STORAGE_DIRECTORY itself, the folder the user chose + "QuorvaneData", or
// $XDG_DATA_HOME/Quorvane/QuorvaneData (~/.local/share when unset). A chosen folder is remembered as its path
// and as a "bookmark" (the path again) that fails to resolve once the folder is gone.
// The storage moves themselves (dialogs and copy) are DataDirectoryMigrator's; this object holds the one flag
// that says a move is running, so nothing else starts one or clears the history meanwhile.
// Main thread only, except storageDirectoryURL(), which the storage move also reads from its worker.

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/DefaultsValue.h"
#include "platform/UserDefaults.h"
#include "platform/WorkspaceOpener.h"
#include "system/StoragePrivacy.h"

namespace quorvane {

class DataDirectoryManager {
public:
    // Reads one environment variable; nothing when it is unset.
    using EnvironmentReader = std::function<std::optional<std::string>(const std::string& name)>;

    static constexpr const char* databaseFileName = "clipboard_history.sqlite";
    static constexpr const char* storageDirectoryOverrideEnvironmentKey = "QUORVANE_STORAGE_DIRECTORY";
    static constexpr const char* customDataDirectoryKey = "CustomDataDirectory";
    static constexpr const char* customDataDirectoryBookmarkKey = "CustomDataDirectoryBookmark";
    static constexpr const char* defaultDirectoryName = "Quorvane";
    static constexpr const char* dataSubdirectoryName = "QuorvaneData";

    // The process environment.
    static EnvironmentReader processEnvironment();

    // Restores the folder chosen in an earlier run before anyone asks for a path.
    DataDirectoryManager(UserDefaults& userDefaults, WorkspaceOpener& workspace,
                         EnvironmentReader environment = processEnvironment());
    DataDirectoryManager(const DataDirectoryManager&) = delete;
    DataDirectoryManager& operator=(const DataDirectoryManager&) = delete;

    // The process-wide instance, installed once by the application at start-up. Throws std::logic_error
    // when none was installed.
    static DataDirectoryManager& shared();
    static void installShared(std::unique_ptr<DataDirectoryManager> manager);

    // Resolved anew on every call; creates and checks nothing.
    std::filesystem::path storageDirectoryURL() const;
    // The history store file inside the storage directory.
    std::filesystem::path databaseFileURL() const { return storageDirectoryURL() / databaseFileName; }
    // Creates the storage directory and any missing parent with mode 0700; an existing directory is fine.
    // Throws std::filesystem::filesystem_error.
    void ensureStorageDirectoryExists() const;
    // The value of $QUORVANE_STORAGE_DIRECTORY when it is set and not empty: it fixes the storage directory,
    // so the storage moves refuse to run.
    std::optional<std::string> storageDirectoryOverride() const {
        return environmentValue(storageDirectoryOverrideEnvironmentKey);
    }
    // Creates `directory` and every missing parent with mode 0700; an existing directory is fine. Throws
    // std::filesystem::filesystem_error, also when a component exists and is no directory.
    static void createPrivateDirectories(const std::filesystem::path& directory);
    // $XDG_DATA_HOME/Quorvane (or ~/.local/share/Quorvane): the parent of the default storage directory.
    std::filesystem::path defaultBaseDirectoryURL() const;
    // The folder the user chose (the parent of "QuorvaneData"), when one is in force.
    const std::optional<std::filesystem::path>& activeCustomDirectoryURL() const {
        return activeCustomDirectory_;
    }

    // True when a value (even an empty one) is stored under "CustomDataDirectory".
    bool hasStoredCustomDirectory() const { return userDefaults_.contains(customDataDirectoryKey); }
    // Switches to `folder` (nothing: back to the default location) and remembers the choice.
    void applyCustomDirectory(const std::optional<std::filesystem::path>& folder);
    // The bookmark of an existing folder; logs "Failed to create storage bookmark: ..." and returns nothing
    // when the folder does not exist.
    std::optional<Data> makeSecurityScopedBookmark(const std::filesystem::path& folder) const;
    // Restores the chosen folder from the settings: the bookmark when it resolves, else the stored path.
    void resolveStoredBookmark();

    // `path` with the home directory written as "~" (only when the home directory is a whole leading part).
    std::string displayPath(const std::filesystem::path& path) const;
    // Opens the storage directory in the file manager, or its parent while it does not exist yet.
    void revealInFileManager() const;

    // Marks a storage move as running; false when one already runs (and then nothing changes).
    bool beginStorageMove() { return !storageMoveRunning_.exchange(true); }
    void endStorageMove() { storageMoveRunning_.store(false); }
    // True from the start of a move's first dialog until its completion: a second move and clearing the
    // history are refused meanwhile. Safe from any thread.
    bool isStorageMoveRunning() const { return storageMoveRunning_.load(); }
    // True while a move's copy runs (the services are closed meanwhile). Safe from any thread.
    bool isStorageMoveCopying() const { return storageMoveCopying_.load(); }
    void setStorageMoveCopying(bool copying) { storageMoveCopying_.store(copying); }
    // Bytes the running (or last) copy has written so far; updated by the copy's worker.
    std::atomic<std::uint64_t>& storageMoveBytesCopied() { return storageMoveBytesCopied_; }
    std::uint64_t storageMoveBytesCopiedSoFar() const { return storageMoveBytesCopied_.load(); }
    // Why the last move's copy failed, in the system's words ("No space left on device"); empty when it did
    // not fail that way. Main queue only.
    const std::string& lastStorageMoveFailureCause() const { return lastStorageMoveFailureCause_; }
    void setLastStorageMoveFailureCause(std::string cause) {
        lastStorageMoveFailureCause_ = std::move(cause);
    }

    // Why the storage folder was refused when the services were last built (it is not this user's alone);
    // nothing when it was not. Main thread only.
    const std::optional<StoragePrivacyError>& storageRefusal() const { return storageRefusal_; }
    void setStorageRefusal(std::optional<StoragePrivacyError> refusal) {
        storageRefusal_ = std::move(refusal);
    }

private:
    std::filesystem::path homeDirectory() const;
    std::optional<std::string> environmentValue(const char* name) const;

    UserDefaults& userDefaults_;
    WorkspaceOpener& workspace_;
    EnvironmentReader environment_;
    std::string lastStorageMoveFailureCause_;
    std::optional<StoragePrivacyError> storageRefusal_;
    std::atomic<bool> storageMoveCopying_{false};
    std::atomic<std::uint64_t> storageMoveBytesCopied_{0};
    std::optional<std::filesystem::path> activeCustomDirectory_;
    std::atomic<bool> storageMoveRunning_{false};
};

}  // namespace quorvane

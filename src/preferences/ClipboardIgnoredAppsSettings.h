#pragma once

// The ignored applications: desktop-file ids whose copies are never recorded. Holds the list's normalisation,
// the membership test capture runs on every copied item, the editing the settings page does, and the one-time
// seeding of installed password managers. One object per process, made by the application container with the
// application catalog; it must be destroyed before the settings it seeds. Safe from any thread: list edits
// are serialised, so a seeding job never overwrites an edit made meanwhile.

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/SerialQueue.h"
#include "platform/ApplicationCatalog.h"
#include "platform/UserDefaults.h"

namespace quorvane {

class ClipboardIgnoredAppsSettings {
public:
    explicit ClipboardIgnoredAppsSettings(const ApplicationCatalog& applicationCatalog);
    ~ClipboardIgnoredAppsSettings();
    ClipboardIgnoredAppsSettings(const ClipboardIgnoredAppsSettings&) = delete;
    ClipboardIgnoredAppsSettings& operator=(const ClipboardIgnoredAppsSettings&) = delete;

    // Password managers looked up by application name when the defaults are first computed.
    static const std::vector<std::string>& passwordManagerNames();

    // Each entry trimmed, blanks and exact repeats dropped, sorted by byte order.
    static std::vector<std::string> normalizedIgnoredAppBundleIdentifiers(
        const std::vector<std::string>& list);
    // The stored list, normalised; empty when missing. Non-string elements of a stored list are skipped.
    static std::vector<std::string> ignoredAppBundleIdentifiers(const UserDefaults& userDefaults);
    // True when the trimmed identifier is in the stored list, compared exactly (case matters).
    static bool isIgnoredApp(const std::optional<std::string>& bundleIdentifier,
                             const UserDefaults& userDefaults);

    // Adds the trimmed identifier; false when it is blank or already listed. The opt-outs stay as they are.
    bool addIgnoredAppBundleIdentifier(UserDefaults& userDefaults, std::string_view bundleIdentifier);
    // Removes the trimmed identifier and records it as an opt-out when it is a default; false when it is
    // blank or not listed (nothing is written then).
    bool removeIgnoredAppBundleIdentifier(UserDefaults& userDefaults, std::string_view bundleIdentifier);
    // Remembers that the user removed a default entry, so the seeding never adds it back. Identifiers that
    // are no default (ignoring case) are not recorded.
    void recordIgnoredAppDefaultOptOut(UserDefaults& userDefaults, std::string_view bundleIdentifier);

    // The applications ignored by default: the other platform's password manager when the catalog knows it,
    // then each installed password manager found by name, normalised. Computed once, on first use.
    const std::vector<std::string>& defaultIgnoredAppBundleIdentifiers() const;

    // Queues the seeding on this object's own queue and returns at once. Called at the start of every build
    // of the clipboard services; the seeding itself runs once per installation.
    void applyDefaultsIfNeeded(UserDefaults& userDefaults);
    // The seeding job: adds the defaults that are neither listed nor opted out (ignoring case), then marks
    // the seeding as done. Returns at once when another seeding is running or it was done before.
    void applyDefaults(UserDefaults& userDefaults);
    // Waits for every seeding queued so far.
    void waitForQueuedSeeding();

private:
    void recordOptOutLocked(UserDefaults& userDefaults, std::string_view identifier);
    SerialQueue& seedingQueue();

    const ApplicationCatalog& applicationCatalog_;
    mutable std::once_flag defaultsComputed_;
    mutable std::vector<std::string> defaultIdentifiers_;
    std::atomic<bool> seedingInProgress_{false};
    std::mutex editMutex_;
    std::once_flag queueCreated_;
    // Last, so it is destroyed first: queued jobs finish while everything they use still exists.
    std::unique_ptr<SerialQueue> seedingQueue_;
};

}  // namespace quorvane

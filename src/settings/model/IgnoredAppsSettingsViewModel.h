#pragma once

// The ignored-applications page's logic: the rows (always the stored list, normalised, read anew on every
// call), their names and icons from the shared application catalog, adding applications from desktop files
// (picked or dropped), removing one, which row to select afterwards and which alert reports a refused
// addition. Holds no state but the names it has looked up. Main thread only.

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/AlertPresenter.h"
#include "platform/ApplicationCatalog.h"
#include "platform/ApplicationFilePicker.h"
#include "platform/ApplicationFileReader.h"
#include "platform/UserDefaults.h"
#include "preferences/ClipboardIgnoredAppsSettings.h"

namespace quorvane {

// What adding some application files came to.
struct IgnoredAppAddResult {
    // Identifiers newly stored, in input order.
    std::vector<std::string> added;
    // Identifiers that were listed already, in input order.
    std::vector<std::string> alreadyListed;
    // The files, as handed in, that named no application.
    std::vector<std::filesystem::path> invalidURLs;

    friend bool operator==(const IgnoredAppAddResult&, const IgnoredAppAddResult&) = default;
};

// One row as the list draws it.
struct IgnoredAppRow {
    std::string identifier;
    // The application's name in the interface language; the identifier when the catalog does not know it.
    std::string displayName;
    // A theme icon name or an absolute file; empty when the application has none or is not installed.
    std::string icon;

    friend bool operator==(const IgnoredAppRow&, const IgnoredAppRow&) = default;
};

class IgnoredAppsSettingsViewModel {
public:
    // Everything handed in must outlive the view model.
    IgnoredAppsSettingsViewModel(UserDefaults& userDefaults, ClipboardIgnoredAppsSettings& ignoredApps,
                                 const ApplicationCatalog& catalog, const ApplicationFileReader& fileReader);
    IgnoredAppsSettingsViewModel(const IgnoredAppsSettingsViewModel&) = delete;
    IgnoredAppsSettingsViewModel& operator=(const IgnoredAppsSettingsViewModel&) = delete;

    // The stored list, normalised: trimmed, blanks and repeats dropped, sorted.
    std::vector<std::string> ignoredAppBundleIdentifiers() const;
    // Nothing for a row past the end of the list.
    std::optional<IgnoredAppRow> row(std::size_t index);

    // The applications the desktop offers, named in the interface language and sorted by that name as its
    // readers look names up (in Chinese by initial letter, a Han name by its pinyin), for the picker; each
    // answers with its desktop file, so what is stored is what a dropped file gives.
    std::vector<ApplicationFilePickerChoice> pickerApplications() const;

    // True when the name ends in ".desktop" (any case); the file is not read.
    static bool isApplicationBundle(const std::filesystem::path& file);
    // Reads each file (links resolved) and stores the application it names.
    IgnoredAppAddResult addAppURLs(const std::vector<std::filesystem::path>& files);
    // True when at least one file (links resolved) is a regular file named like an application file, listed
    // or not. Reads no file, so it can answer while a drag hovers; a malformed file is refused on the drop.
    bool canAcceptDroppedAppURLs(const std::vector<std::filesystem::path>& files) const;
    // Removes the identifier (recording a removed default as opted out); false when it was not listed.
    bool removeIgnoredApp(const std::string& identifier);

    // The row to select once the list is drawn again: `target`'s row when it is listed; without a target,
    // the row at `selectedRow` when that is still inside the list (after a removal, the application that
    // moved into its place). Nothing otherwise.
    std::optional<std::size_t> rowToSelect(std::optional<std::size_t> selectedRow,
                                           const std::optional<std::string>& target) const;
    // After an addition: the last identifier added, else the last one already listed; nothing when the
    // list need not be drawn again.
    static std::optional<std::string> selectionTarget(const IgnoredAppAddResult& result);
    // The alert that reports an addition that added nothing; nothing when something was added.
    static std::optional<Alert> addResultAlert(const IgnoredAppAddResult& result);

private:
    std::optional<InstalledApplication> installedApplication(const std::string& identifier) const;
    // The identifier `file` names: the catalog's id for an installed desktop file, else the file's own.
    std::optional<std::string> identifierOf(const std::filesystem::path& file) const;

    UserDefaults& userDefaults_;
    ClipboardIgnoredAppsSettings& ignoredApps_;
    const ApplicationCatalog& catalog_;
    const ApplicationFileReader& fileReader_;
    // Names looked up, by identifier, for the life of the page.
    std::map<std::string, std::string> nameCache_;
};

}  // namespace quorvane

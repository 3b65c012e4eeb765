#pragma once

// Application identity for the app: filter. History entries keep the desktop-file id of the program they came
// from ("bundle identifier"); users type names ("app:chrome"). Turns ids into names, decides whether a typed
// name denotes an application, resolves an app: filter into the stored ids (index store) and ranks the
// completions after "app:" (search field). Safe from any thread as long as the catalog and the running-
// applications function are.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ApplicationCatalog.h"

namespace quorvane {

class ClipboardAppIdentityResolver {
public:
    struct Candidate {
        std::string bundleIdentifier;
        std::string displayName;
        friend bool operator==(const Candidate&, const Candidate&) = default;
    };
    // The programs running now, each with the name the desktop shows for it.
    using RunningApplications = std::function<std::vector<Candidate>()>;

    // `locale` picks the translated names of desktop entries ("de_DE.UTF-8"); `running` may be empty.
    ClipboardAppIdentityResolver(const ApplicationCatalog& catalog, RunningApplications running,
                                 std::string locale);
    ClipboardAppIdentityResolver(const ClipboardAppIdentityResolver&) = delete;
    ClipboardAppIdentityResolver& operator=(const ClipboardAppIdentityResolver&) = delete;

    // The running program's name, else the installed application's name, else the identifier unchanged.
    std::string displayName(std::string_view bundleIdentifier) const;
    // The ids of the known identifiers that an app: filter value denotes, in their order; may be empty.
    std::vector<std::string> resolveBundleIdentifiers(
        std::string_view value, const std::vector<std::string>& knownBundleIdentifiers) const;
    // At most `limit` insert keys for the completion after "app:", best first.
    std::vector<std::string> suggestions(std::string_view prefix,
                                         const std::vector<std::string>& knownBundleIdentifiers,
                                         std::size_t limit) const;
    // The ids of the running programs, without repeats.
    std::vector<std::string> runningApplicationBundleIdentifiers() const;

    // The spaced form of a name ("-", "_" and "." made blanks) and the same without blanks, empty forms
    // dropped.
    static std::vector<std::string> matchKeys(std::string_view text);
    // True when some key of the candidate's id or name contains the typed name's spaced or compact form.
    static bool matches(std::string_view query, const Candidate& candidate);
    // Trimmed, blanks dropped, repeats ignoring case dropped (the first form wins), order kept.
    static std::vector<std::string> uniqueBundleIdentifiers(const std::vector<std::string>& identifiers);
    // The words a user may write after "app:" for one application: its hyphenated name, its id, the id's last
    // dot-separated piece.
    static std::vector<std::string> insertKeys(std::string_view bundleIdentifier,
                                               std::string_view displayName);
    // 0 (best) to 4 for how well `insertKey` of `candidate` matches the typed name, nothing when it does not.
    static std::optional<int> suggestionRank(std::string_view insertKey, const Candidate& candidate,
                                             std::string_view query, std::string_view compactQuery);

private:
    const ApplicationCatalog& catalog_;
    RunningApplications running_;
    std::string locale_;
};

}  // namespace quorvane

#pragma once

// Recognises the filter word being typed before the caret of a search field ("type:te", "app: fi") and
// lists the values that could complete it: type names from the query parser, application ids from the
// entries just listed and the running programs, date words. One instance is shared by the panels' search
// fields; the controller refreshes its application ids from each listed page. Main thread only.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ClipboardHistoryIndexSnapshot.h"
#include "platform/UserDefaults.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "searchindex/ClipboardSearchFilterKind.h"

namespace quorvane {

struct ClipboardAutoCompleteContext {
    ClipboardSearchFilterKind kind = ClipboardSearchFilterKind::type;
    std::string prefix;  // the value typed after the colon, possibly empty
    friend bool operator==(const ClipboardAutoCompleteContext&,
                           const ClipboardAutoCompleteContext&) = default;
};

class ClipboardSearchAutoCompleteManager {
public:
    // At most this many application completions are considered.
    static constexpr std::size_t appSuggestionLimit = 8;

    // `resolver` may be null (no application completions); both must outlive the manager.
    ClipboardSearchAutoCompleteManager(const UserDefaults& defaults,
                                       const ClipboardAppIdentityResolver* resolver)
        : defaults_(defaults), resolver_(resolver) {}

    // The entries' source application ids in list order, then the running programs', trimmed, blanks and
    // repeats ignoring case dropped.
    void updateAppSuggestions(const std::vector<ClipboardHistoryIndexSnapshot>& items);
    const std::vector<std::string>& appSuggestionBundleIdentifiers() const { return appIdentifiers_; }

    // The filter word and value prefix that end the first `cursor` UTF-16 units of `text`: one of the four
    // words (written in lower case, no word boundary needed before it), a colon, optional blanks, then
    // letters, digits, ".", "_" or "-". Nothing otherwise.
    static std::optional<ClipboardAutoCompleteContext> autoCompleteContext(std::u16string_view text,
                                                                           std::ptrdiff_t cursor);
    // The completions of a context, best first.
    std::vector<std::string> candidates(const ClipboardAutoCompleteContext& context) const;

private:
    const UserDefaults& defaults_;
    const ClipboardAppIdentityResolver* resolver_;
    std::vector<std::string> appIdentifiers_;
};

}  // namespace quorvane

#pragma once

// One line of the type-filter suggestion list: what the list shows, what choosing it writes into the query,
// which vocabulary key matched, and whether it is built in or a user classification.
// A plain value: safe from any thread.

#include <string>
#include <string_view>

namespace quorvane {

enum class ClipboardFilterSuggestionSource { system, user };

constexpr std::string_view rawValue(ClipboardFilterSuggestionSource source) {
    return source == ClipboardFilterSuggestionSource::user ? "user" : "system";
}

struct ClipboardFilterSuggestion {
    std::string displayName;
    // Written into the query in place of the fragment; the parser maps it back to displayName.
    std::string insertToken;
    // The vocabulary key that matched the typed prefix; empty when the prefix is empty.
    std::string matchText;
    ClipboardFilterSuggestionSource source = ClipboardFilterSuggestionSource::system;

    friend bool operator==(const ClipboardFilterSuggestion&, const ClipboardFilterSuggestion&) = default;
};

}  // namespace quorvane

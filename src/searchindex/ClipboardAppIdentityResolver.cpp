#include "searchindex/ClipboardAppIdentityResolver.h"

#include <algorithm>
#include <set>

#include "model/SearchTextNormalizer.h"
#include "searchindex/SearchStrings.h"

namespace quorvane {
namespace {

namespace strings = search_strings;

// The spaced form of a name: normalised, separators made blanks, blanks collapsed.
std::string spacedForm(std::string_view text) {
    auto normalized = SearchTextNormalizer::normalize(text);
    std::replace_if(
        normalized.begin(), normalized.end(), [](char c) { return c == '-' || c == '_' || c == '.'; }, ' ');
    return SearchTextNormalizer::normalize(normalized);
}

std::string withoutBlanks(std::string_view text) {
    return strings::removingCharacters(text, " ");
}

bool anyKey(const std::vector<std::string>& keys, std::string_view query, std::string_view compactQuery,
            bool (*test)(std::string_view key, std::string_view part)) {
    return std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
        return (!query.empty() && test(key, query)) || (!compactQuery.empty() && test(key, compactQuery));
    });
}

bool beginsWith(std::string_view key, std::string_view part) {
    return key.starts_with(part);
}
bool contains(std::string_view key, std::string_view part) {
    return key.find(part) != std::string_view::npos;
}

// Adds `identifier` unless a form of it ignoring case is already in `seen`.
bool insertIgnoringCase(std::set<std::string>& seen, const std::string& identifier) {
    return seen.insert(strings::lowercased(identifier)).second;
}

}  // namespace

ClipboardAppIdentityResolver::ClipboardAppIdentityResolver(const ApplicationCatalog& catalog,
                                                           RunningApplications running, std::string locale)
    : catalog_(catalog), running_(std::move(running)), locale_(std::move(locale)) {}

std::string ClipboardAppIdentityResolver::displayName(std::string_view bundleIdentifier) const {
    const auto identifier = strings::trimmed(bundleIdentifier);
    if (identifier.empty()) return std::string(bundleIdentifier);
    if (running_) {
        for (const auto& application : running_()) {
            if (application.bundleIdentifier == identifier) {
                if (!application.displayName.empty()) return application.displayName;
                break;
            }
        }
    }
    if (auto application = catalog_.applicationWithIdentifier(identifier)) {
        const auto& name = application->localizedName(locale_);
        if (!name.empty()) return name;
    }
    return std::string(bundleIdentifier);
}

std::vector<std::string> ClipboardAppIdentityResolver::runningApplicationBundleIdentifiers() const {
    std::vector<std::string> identifiers;
    if (running_) {
        for (const auto& application : running_()) identifiers.push_back(application.bundleIdentifier);
    }
    return uniqueBundleIdentifiers(identifiers);
}

std::vector<std::string> ClipboardAppIdentityResolver::matchKeys(std::string_view text) {
    std::vector<std::string> keys;
    auto spaced = spacedForm(text);
    if (spaced.empty()) return keys;
    auto compact = withoutBlanks(spaced);
    keys.push_back(std::move(spaced));
    keys.push_back(std::move(compact));
    return keys;
}

bool ClipboardAppIdentityResolver::matches(std::string_view query, const Candidate& candidate) {
    const auto spaced = spacedForm(query);
    const auto compact = withoutBlanks(spaced);
    if (spaced.empty() && compact.empty()) return false;
    auto keys = matchKeys(candidate.bundleIdentifier);
    for (auto& key : matchKeys(candidate.displayName)) keys.push_back(std::move(key));
    return anyKey(keys, spaced, compact, contains);
}

std::vector<std::string> ClipboardAppIdentityResolver::uniqueBundleIdentifiers(
    const std::vector<std::string>& identifiers) {
    std::vector<std::string> unique;
    std::set<std::string> seen;
    for (const auto& identifier : identifiers) {
        auto trimmedIdentifier = strings::trimmed(identifier);
        if (trimmedIdentifier.empty() || !insertIgnoringCase(seen, trimmedIdentifier)) continue;
        unique.push_back(std::move(trimmedIdentifier));
    }
    return unique;
}

std::vector<std::string> ClipboardAppIdentityResolver::resolveBundleIdentifiers(
    std::string_view value, const std::vector<std::string>& knownBundleIdentifiers) const {
    const auto trimmedValue = strings::trimmed(value);
    if (trimmedValue.find('.') != std::string::npos && !strings::containsWhitespace(trimmedValue)) {
        std::vector<std::string> exact;
        for (auto& identifier : uniqueBundleIdentifiers(knownBundleIdentifiers)) {
            if (strings::localizedCaseInsensitiveCompare(identifier, trimmedValue) == 0) {
                exact.push_back(std::move(identifier));
            }
        }
        // A dotted word can be a name too ("draw.io"): fall back to the name match when no id is equal.
        if (!exact.empty()) return exact;
    }
    std::vector<std::string> resolved;
    std::set<std::string> seen;
    for (const auto& known : knownBundleIdentifiers) {
        auto identifier = strings::trimmed(known);
        if (identifier.empty()) continue;
        Candidate candidate{identifier, displayName(identifier)};
        if (matches(value, candidate) && insertIgnoringCase(seen, identifier)) resolved.push_back(identifier);
    }
    return resolved;
}

std::vector<std::string> ClipboardAppIdentityResolver::insertKeys(std::string_view bundleIdentifier,
                                                                  std::string_view displayName) {
    auto hyphenatedName = SearchTextNormalizer::normalize(displayName);
    std::replace(hyphenatedName.begin(), hyphenatedName.end(), ' ', '-');
    std::vector<std::string> keys{hyphenatedName, std::string(bundleIdentifier)};
    // The last non-empty piece between dots; the whole id when it has no dot.
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= bundleIdentifier.size()) {
        const auto dot = std::min(bundleIdentifier.find('.', start), bundleIdentifier.size());
        if (dot > start) pieces.emplace_back(bundleIdentifier.substr(start, dot - start));
        start = dot + 1;
    }
    if (!pieces.empty()) keys.push_back(pieces.back());
    return uniqueBundleIdentifiers(keys);
}

std::optional<int> ClipboardAppIdentityResolver::suggestionRank(std::string_view insertKey,
                                                                const Candidate& candidate,
                                                                std::string_view query,
                                                                std::string_view compactQuery) {
    if (query.empty() && compactQuery.empty()) return 0;
    const auto insertKeyKeys = matchKeys(insertKey);
    const auto nameKeys = matchKeys(candidate.displayName);
    const auto identifierKeys = matchKeys(candidate.bundleIdentifier);
    if (anyKey(insertKeyKeys, query, compactQuery, beginsWith)) return 0;
    if (anyKey(nameKeys, query, compactQuery, beginsWith)) return 1;
    if (anyKey(identifierKeys, query, compactQuery, beginsWith)) return 2;
    if (anyKey(nameKeys, query, compactQuery, contains)) return 3;
    if (anyKey(identifierKeys, query, compactQuery, contains)) return 4;
    return std::nullopt;
}

std::vector<std::string> ClipboardAppIdentityResolver::suggestions(
    std::string_view prefix, const std::vector<std::string>& knownBundleIdentifiers,
    std::size_t limit) const {
    if (limit == 0) return {};
    struct Ranked {
        std::string insertKey;
        int rank;
        std::string displayName;
    };
    const auto query = spacedForm(prefix);
    const auto compactQuery = withoutBlanks(query);
    std::vector<Ranked> ranked;
    for (const auto& known : knownBundleIdentifiers) {
        auto identifier = strings::trimmed(known);
        if (identifier.empty()) continue;
        Candidate candidate{identifier, displayName(identifier)};
        for (auto& key : insertKeys(candidate.bundleIdentifier, candidate.displayName)) {
            if (auto rank = suggestionRank(key, candidate, query, compactQuery)) {
                ranked.push_back({std::move(key), *rank, candidate.displayName});
            }
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        return strings::localizedCaseInsensitiveCompare(a.displayName, b.displayName) < 0;
    });
    std::vector<std::string> keys;
    std::set<std::string> seen;
    for (auto& entry : ranked) {
        if (keys.size() == limit) break;
        if (insertIgnoringCase(seen, entry.insertKey)) keys.push_back(std::move(entry.insertKey));
    }
    return keys;
}

}  // namespace quorvane

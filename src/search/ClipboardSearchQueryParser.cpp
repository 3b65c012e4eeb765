#include "search/ClipboardSearchQueryParser.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "classification/ClipboardClassificationSettings.h"
#include "classification/ClipboardMainContentType.h"
#include "classification/ClipboardSystemClassification.h"
#include "model/SearchTextNormalizer.h"
#include "searchindex/ClipboardSearchDatePreset.h"
#include "searchindex/SearchStrings.h"

namespace quorvane {
namespace {

namespace strings = search_strings;
using Kind = ClipboardSearchFilterKind;

constexpr std::string_view kLogCategory = "SearchQueryParser";
constexpr std::string_view kSeparators = "-_";

std::string normalize(std::string_view text) {
    return SearchTextNormalizer::normalize(text);
}

std::string compact(std::string_view key) {
    return strings::removingCharacters(key, kSeparators);
}

// The words that name a main content type in the filter vocabulary.
std::vector<std::string_view> mainTypeNames(ClipboardMainContentType type) {
    if (type == ClipboardMainContentType::image) return {"image", "img"};
    return {"text"};
}

// Extra alias names of a built-in classification, beside its display name and raw value.
std::vector<std::string_view> extraAliases(ClipboardSystemClassification classification) {
    using C = ClipboardSystemClassification;
    switch (classification) {
        case C::githubPullRequest:
            return {"pr", "pullrequest", "pull-request"};
        case C::githubIssue:
            return {"issue"};
        case C::ipAddress:
            return {"ip"};
        case C::jsonLines:
            return {"jsonlines"};
        case C::markdown:
            return {"md"};
        case C::filePath:
            return {"path", "filepath"};
        case C::base64:
            return {"base64"};
        case C::curlCommand:
            return {"curl"};
        default:
            return {};
    }
}

// The user's classification names, trimmed, in stored order (enabled or not); blank names left out.
std::vector<std::string> userClassificationNames(const UserDefaults& defaults) {
    std::vector<std::string> names;
    for (const auto& rule : ClipboardClassificationSettings::userRules(defaults)) {
        auto name = strings::trimmed(rule.resultClassification);
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}

bool isMainTypeEnabled(const UserDefaults& defaults, ClipboardMainContentType type) {
    const auto enabled = ClipboardClassificationSettings::enabledMainContentTypes(defaults);
    return std::find(enabled.begin(), enabled.end(), type) != enabled.end();
}

std::string describe(const ClipboardSearchFilter& filter) {
    return std::string(rawValue(filter.kind)) + ":" + filter.value;
}

std::string describe(const ClipboardSearchQueryParser::SearchToken& token) {
    std::string text = "SearchToken(sourceToken: '" + token.sourceToken + "', filter: ";
    text += token.filter ? describe(*token.filter) : "nil";
    text += ", text: ";
    text += token.text ? "'" + *token.text + "'" : "nil";
    return text + ")";
}

std::string describe(const std::vector<ClipboardSearchQueryParser::SearchToken>& tokens) {
    std::vector<std::string> parts;
    for (const auto& token : tokens) parts.push_back(describe(token));
    return "[" + strings::joined(parts, ", ") + "]";
}

std::string quotedList(const std::vector<std::string>& items) {
    std::vector<std::string> quoted;
    for (const auto& item : items) quoted.push_back("\"" + item + "\"");
    return "[" + strings::joined(quoted, ", ") + "]";
}

// A map that remembers the order in which keys first arrived, so equal-ranked results come out in a
// repeatable order.
class OrderedKeyMap {
public:
    void assign(const std::string& key, const std::string& value) {
        for (auto& entry : entries_) {
            if (entry.first == key) {
                entry.second = value;
                return;
            }
        }
        entries_.emplace_back(key, value);
    }
    bool contains(const std::string& key) const {
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const auto& entry) { return entry.first == key; });
    }
    const std::vector<std::pair<std::string, std::string>>& entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

// The key forms of a name, in a fixed order: the normalised name, then its words joined by nothing, "-", "_".
std::vector<std::string> aliasKeys(std::string_view name) {
    const auto normalized = normalize(name);
    if (normalized.empty()) return {};
    const auto words = strings::splitAtBlanks(normalized);
    std::vector<std::string> keys;
    for (auto key :
         {normalized, strings::joined(words, ""), strings::joined(words, "-"), strings::joined(words, "_")}) {
        if (!key.empty() && std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
    return keys;
}

}  // namespace

const ClipboardSearchQueryParser::AliasMap& ClipboardSearchQueryParser::builtInClassificationAliases() {
    // Built once, on first use; a function-local static is initialised exactly once even across threads.
    static const AliasMap table = [] {
        AliasMap aliases;
        for (auto classification : kAllSystemClassifications) {
            const std::string name(displayName(classification));
            registerAliases(name, name, aliases);
            registerAliases(rawValue(classification), name, aliases);
        }
        for (auto classification : kAllSystemClassifications) {
            const std::string name(displayName(classification));
            for (auto alias : extraAliases(classification)) aliases[std::string(alias)] = name;
        }
        return aliases;
    }();
    return table;
}

void ClipboardSearchQueryParser::registerAliases(std::string_view name, const std::string& value,
                                                 AliasMap& into) {
    for (auto& key : aliasKeys(name)) into[key] = value;
}

std::string ClipboardSearchQueryParser::hyphenatedKey(std::string_view name) {
    return strings::joined(strings::splitAtBlanks(normalize(name)), "-");
}

std::optional<std::string> ClipboardSearchQueryParser::classificationAlias(std::string_view value,
                                                                           const UserDefaults& defaults) {
    const auto key = normalize(value);
    if (key.empty()) return std::nullopt;
    const auto& builtIn = builtInClassificationAliases();
    if (auto found = builtIn.find(key); found != builtIn.end()) return found->second;
    // Read afresh on every miss, so a rule the user just added works at the next keystroke.
    AliasMap userNames;
    for (const auto& name : userClassificationNames(defaults)) registerAliases(name, name, userNames);
    if (auto found = userNames.find(key); found != userNames.end()) return found->second;
    return std::nullopt;
}

std::string ClipboardSearchQueryParser::canonicalTypeValue(std::string_view value,
                                                           const UserDefaults& defaults) {
    if (auto type = mainContentTypeMatching(value)) return std::string(displayName(*type));
    if (auto alias = classificationAlias(value, defaults)) return *alias;
    return std::string(value);
}

std::optional<ClipboardSearchFilter> ClipboardSearchQueryParser::makeFilter(ClipboardSearchFilterKind kind,
                                                                            std::string_view value,
                                                                            std::string_view sourceToken,
                                                                            const UserDefaults& defaults) {
    if (value.empty()) return std::nullopt;
    switch (kind) {
        case Kind::after:
        case Kind::before: {
            auto word = strings::lowercased(value);
            if (!clipboardSearchDatePreset(word)) return std::nullopt;
            return ClipboardSearchFilter{kind, std::move(word), false, std::string(sourceToken)};
        }
        case Kind::app:
            return ClipboardSearchFilter{kind, std::string(value), false, std::string(sourceToken)};
        case Kind::type:
            return ClipboardSearchFilter{kind, canonicalTypeValue(value, defaults), false,
                                         std::string(sourceToken)};
    }
    return std::nullopt;
}

std::optional<ClipboardSearchFilter> ClipboardSearchQueryParser::filterFromToken(
    std::string_view word, const UserDefaults& defaults) {
    const auto colon = word.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto value = word.substr(colon + 1);
    if (value.empty()) return std::nullopt;
    const auto kind = clipboardSearchFilterKind(strings::lowercased(word.substr(0, colon)));
    if (!kind) return std::nullopt;
    return makeFilter(*kind, value, word, defaults);
}

std::vector<ClipboardSearchQueryParser::SearchToken> ClipboardSearchQueryParser::tokenize(
    std::string_view normalizedQuery, const UserDefaults& defaults) {
    const auto words = strings::splitAtBlanks(normalizedQuery);
    std::vector<SearchToken> tokens;
    auto filterToken = [](ClipboardSearchFilter filter) {
        auto source = filter.sourceToken;
        return SearchToken{std::move(source), std::move(filter), std::nullopt};
    };
    for (std::size_t i = 0; i < words.size();) {
        const auto& word = words[i];
        const bool hasNext = i + 1 < words.size();
        // A word that begins with ":" is a type filter whenever it can be, before any key is read.
        if (word == ":" && hasNext) {
            auto source = word + " " + words[i + 1];
            tokens.push_back(
                filterToken({Kind::type, canonicalTypeValue(words[i + 1], defaults), false, source}));
            i += 2;
            continue;
        }
        if (word.size() >= 2 && word.front() == ':') {
            tokens.push_back(
                filterToken({Kind::type, canonicalTypeValue(word.substr(1), defaults), false, word}));
            i += 1;
            continue;
        }
        if (hasNext && word.back() == ':') {
            if (auto kind = clipboardSearchFilterKind(strings::lowercased(word.substr(0, word.size() - 1)))) {
                if (auto filter = makeFilter(*kind, words[i + 1], word + " " + words[i + 1], defaults)) {
                    tokens.push_back(filterToken(std::move(*filter)));
                    i += 2;
                    continue;
                }
            }
        }
        if (auto filter = filterFromToken(word, defaults)) {
            tokens.push_back(filterToken(std::move(*filter)));
        } else {
            tokens.push_back(SearchToken{word, std::nullopt, word});
        }
        i += 1;
    }
    return tokens;
}

ClipboardParsedSearchQuery ClipboardSearchQueryParser::parse(std::string_view query,
                                                             const UserDefaults& defaults) {
    const auto normalized = normalize(query);
    const auto tokens = tokenize(normalized, defaults);
    if constexpr (Logger::debugLinesEnabled) {
        Logger::debug("QueryParser.parse: input='" + std::string(query) + "' normalized='" + normalized +
                          "' tokens=" + describe(tokens),
                      kLogCategory);
    }
    ClipboardParsedSearchQuery parsed;
    for (const auto& token : tokens) {
        if (token.filter) {
            parsed.explicitFilters.push_back(*token.filter);
            if constexpr (Logger::debugLinesEnabled) {
                Logger::debug("QueryParser: token='" + describe(token) +
                                  "' -> explicit filter: " + describe(*token.filter),
                              kLogCategory);
            }
        } else if (token.text) {
            parsed.textTokens.push_back(*token.text);
            if constexpr (Logger::debugLinesEnabled) {
                Logger::debug("QueryParser: token='" + *token.text + "' -> text token", kLogCategory);
            }
        }
    }
    if constexpr (Logger::debugLinesEnabled) {
        Logger::debug("QueryParser.parse result: textTokens=" + quotedList(parsed.textTokens) +
                          ", explicitFilters=" + std::to_string(parsed.explicitFilters.size()) +
                          ", implicitFilters=" + std::to_string(parsed.implicitFilters.size()) +
                          ", hasFilters=" + (parsed.effectiveFilters().empty() ? "false" : "true"),
                      kLogCategory);
    }
    return parsed;
}

std::string ClipboardSearchQueryParser::removingFilterToken(std::string_view sourceToken,
                                                            std::string_view query,
                                                            const UserDefaults& defaults) {
    const auto removed = normalize(sourceToken);
    std::vector<std::string> kept;
    for (const auto& token : tokenize(normalize(query), defaults)) {
        if (normalize(token.sourceToken) != removed) kept.push_back(token.sourceToken);
    }
    return strings::joined(kept, " ");
}

std::vector<std::string> ClipboardSearchQueryParser::typeFilterCandidates(std::string_view prefix,
                                                                          const UserDefaults& defaults) {
    const auto query = normalize(prefix);
    const auto hyphenated = hyphenatedKey(query);
    const auto compactQuery = compact(query);

    OrderedKeyMap candidates;
    for (auto type : kAllMainContentTypes) {
        if (!isMainTypeEnabled(defaults, type)) continue;
        for (auto name : mainTypeNames(type)) {
            if (!candidates.contains(std::string(name))) {
                candidates.assign(std::string(name), std::string(displayName(type)));
            }
        }
    }
    for (auto classification : kAllSystemClassifications) {
        const std::string name(displayName(classification));
        candidates.assign(hyphenatedKey(name), name);
    }
    for (const auto& name : userClassificationNames(defaults)) {
        const auto key = hyphenatedKey(name);
        // A user name never displaces a built-in key.
        if (!key.empty() && !candidates.contains(key)) candidates.assign(key, name);
    }

    std::vector<std::pair<std::string, std::string>> kept;
    for (const auto& [key, name] : candidates.entries()) {
        if (query.empty() || key.starts_with(hyphenated) || compact(key).starts_with(compactQuery)) {
            kept.emplace_back(key, name);
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
        return strings::localizedCaseInsensitiveCompare(a.second, b.second) < 0;
    });
    std::vector<std::string> keys;
    for (auto& entry : kept) keys.push_back(std::move(entry.first));
    return keys;
}

std::vector<std::string> ClipboardSearchQueryParser::dateFilterValues(std::string_view prefix) {
    const auto lowered = strings::lowercased(prefix);
    std::vector<std::string> values;
    for (auto preset : allClipboardSearchDatePresets) {
        if (rawValue(preset).starts_with(lowered)) values.emplace_back(rawValue(preset));
    }
    return values;
}

std::optional<ClipboardFilterSuggestionContext> ClipboardSearchQueryParser::filterSuggestionContext(
    std::string_view text, std::ptrdiff_t cursorLocation) {
    if (cursorLocation < 1) return std::nullopt;
    const auto unicode = toUnicodeString(text);
    const auto end = static_cast<int32_t>(std::min<std::ptrdiff_t>(cursorLocation, unicode.length()));
    const icu::UnicodeString beforeCursor(unicode, 0, end);

    UErrorCode status = U_ZERO_ERROR;
    static const icu::UnicodeString pattern(u"(?:^|\\s)(:\\s*([A-Za-z0-9._-]*)$)");
    icu::RegexMatcher matcher(pattern, beforeCursor, 0, status);
    if (U_FAILURE(status)) return std::nullopt;
    if (!matcher.find(0, status) || U_FAILURE(status)) return std::nullopt;
    const int32_t fragmentStart = matcher.start(1, status);
    const int32_t fragmentEnd = matcher.end(1, status);
    const int32_t prefixStart = matcher.start(2, status);
    const int32_t prefixEnd = matcher.end(2, status);
    if (U_FAILURE(status) || fragmentStart < 0 || prefixStart < 0) return std::nullopt;
    return ClipboardFilterSuggestionContext{
        Utf16Range{static_cast<std::size_t>(fragmentStart),
                   static_cast<std::size_t>(fragmentEnd - fragmentStart)},
        toUtf8(icu::UnicodeString(beforeCursor, prefixStart, prefixEnd - prefixStart)),
        toUtf8(icu::UnicodeString(beforeCursor, fragmentStart, fragmentEnd - fragmentStart))};
}

std::optional<std::pair<int, std::string>> ClipboardSearchQueryParser::matchRank(
    const std::vector<std::string>& keys, std::string_view prefix, std::string_view compactPrefix) {
    if (prefix.empty()) return std::make_pair(0, std::string());
    using Test = bool (*)(std::string_view key, std::string_view prefix, std::string_view compactPrefix);
    static constexpr std::array<Test, 5> levels = {
        [](std::string_view key, std::string_view p, std::string_view) { return key == p; },
        [](std::string_view key, std::string_view p, std::string_view) { return key.starts_with(p); },
        [](std::string_view key, std::string_view, std::string_view c) {
            return compact(key).starts_with(c);
        },
        [](std::string_view key, std::string_view p, std::string_view) {
            return key.find(p) != std::string_view::npos;
        },
        [](std::string_view key, std::string_view, std::string_view c) {
            return compact(key).find(c) != std::string::npos;
        },
    };
    for (std::size_t level = 0; level < levels.size(); ++level) {
        for (const auto& key : keys) {
            if (levels[level](key, prefix, compactPrefix))
                return std::make_pair(static_cast<int>(level), key);
        }
    }
    return std::nullopt;
}

std::vector<ClipboardFilterSuggestion> ClipboardSearchQueryParser::filterSuggestions(
    std::string_view prefix, const UserDefaults& defaults) {
    struct Entry {
        std::string displayName;
        std::string insertToken;
        std::vector<std::string> names;
        ClipboardFilterSuggestionSource source;
    };
    std::vector<Entry> vocabulary;
    for (auto type : kAllMainContentTypes) {
        if (!isMainTypeEnabled(defaults, type)) continue;
        const std::string name(displayName(type));
        Entry entry{name, ":" + std::string(rawValue(type)), {name}, ClipboardFilterSuggestionSource::system};
        for (auto alias : mainTypeNames(type)) entry.names.emplace_back(alias);
        vocabulary.push_back(std::move(entry));
    }
    for (auto classification : kAllSystemClassifications) {
        const std::string name(displayName(classification));
        Entry entry{name,
                    ":" + hyphenatedKey(name),
                    {name, std::string(rawValue(classification))},
                    ClipboardFilterSuggestionSource::system};
        for (auto alias : extraAliases(classification)) entry.names.emplace_back(alias);
        vocabulary.push_back(std::move(entry));
    }
    for (const auto& name : userClassificationNames(defaults)) {
        vocabulary.push_back(
            {name, ":" + hyphenatedKey(name), {name}, ClipboardFilterSuggestionSource::user});
    }

    const auto query = normalize(prefix);
    const auto compactQuery = compact(query);
    struct Ranked {
        ClipboardFilterSuggestion suggestion;
        int rank;
        std::size_t order;
    };
    std::vector<Ranked> ranked;
    for (std::size_t order = 0; order < vocabulary.size(); ++order) {
        auto& entry = vocabulary[order];
        std::vector<std::string> keys;
        for (const auto& name : entry.names) {
            for (auto& key : aliasKeys(name)) {
                if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
            }
        }
        auto match = matchRank(keys, query, compactQuery);
        if (!match) continue;
        ranked.push_back(
            {{entry.displayName, entry.insertToken, match->second, entry.source}, match->first, order});
    }
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.order < b.order;
    });
    std::vector<ClipboardFilterSuggestion> suggestions;
    std::vector<std::string> keptNames;
    for (auto& entry : ranked) {
        auto name = normalize(entry.suggestion.displayName);
        if (std::find(keptNames.begin(), keptNames.end(), name) != keptNames.end()) continue;
        keptNames.push_back(std::move(name));
        suggestions.push_back(std::move(entry.suggestion));
    }
    return suggestions;
}

std::string ClipboardSearchQueryParser::applySuggestion(const ClipboardFilterSuggestion& suggestion,
                                                        std::string_view text, Utf16Range range) {
    auto unicode = toUnicodeString(text);
    const auto length = static_cast<std::size_t>(unicode.length());
    // The part of the range that lies inside the text; a range past the end replaces nothing there.
    const auto start = std::min(range.location, length);
    const auto replaced = std::min(range.length, length - start);
    unicode.replace(static_cast<int32_t>(start), static_cast<int32_t>(replaced),
                    toUnicodeString(suggestion.insertToken));
    auto result = toUtf8(unicode);
    if (!strings::endsWithWhitespace(result)) result += ' ';
    return result;
}

}  // namespace quorvane

#include "panel/model/ClipboardSearchAutoCompleteManager.h"

#include <array>

#include "search/ClipboardSearchQueryParser.h"

namespace quorvane {
namespace {

bool isValueCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'.' ||
           c == u'_' || c == u'-';
}

// The white space of a regular expression's \s.
bool isBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

}  // namespace

void ClipboardSearchAutoCompleteManager::updateAppSuggestions(
    const std::vector<ClipboardHistoryIndexSnapshot>& items) {
    std::vector<std::string> identifiers;
    for (const auto& item : items) {
        if (item.bundleIdentifier) identifiers.push_back(*item.bundleIdentifier);
    }
    if (resolver_) {
        for (auto& id : resolver_->runningApplicationBundleIdentifiers())
            identifiers.push_back(std::move(id));
    }
    appIdentifiers_ = ClipboardAppIdentityResolver::uniqueBundleIdentifiers(identifiers);
}

std::optional<ClipboardAutoCompleteContext> ClipboardSearchAutoCompleteManager::autoCompleteContext(
    std::u16string_view text, std::ptrdiff_t cursor) {
    if (cursor < 1) return std::nullopt;
    const std::u16string_view head = text.substr(0, std::min<std::size_t>(text.size(), cursor));
    std::size_t valueStart = head.size();
    while (valueStart > 0 && isValueCharacter(head[valueStart - 1])) --valueStart;
    std::size_t colon = valueStart;
    while (colon > 0 && isBlank(head[colon - 1])) --colon;
    if (colon == 0 || head[colon - 1] != u':') return std::nullopt;
    const std::u16string_view beforeColon = head.substr(0, colon - 1);
    for (const ClipboardSearchFilterKind kind : allClipboardSearchFilterKinds) {
        const std::string_view word = rawValue(kind);
        if (beforeColon.size() < word.size()) continue;
        const std::u16string_view tail = beforeColon.substr(beforeColon.size() - word.size());
        if (std::equal(word.begin(), word.end(), tail.begin())) {
            const std::u16string_view value = head.substr(valueStart);
            return ClipboardAutoCompleteContext{kind, std::string(value.begin(), value.end())};
        }
    }
    return std::nullopt;
}

std::vector<std::string> ClipboardSearchAutoCompleteManager::candidates(
    const ClipboardAutoCompleteContext& context) const {
    switch (context.kind) {
        case ClipboardSearchFilterKind::type:
            return ClipboardSearchQueryParser::typeFilterCandidates(context.prefix, defaults_);
        case ClipboardSearchFilterKind::app: {
            if (!resolver_) return {};
            const std::vector<std::string> known =
                appIdentifiers_.empty() ? resolver_->runningApplicationBundleIdentifiers() : appIdentifiers_;
            return resolver_->suggestions(context.prefix, known, appSuggestionLimit);
        }
        case ClipboardSearchFilterKind::after:
        case ClipboardSearchFilterKind::before:
            return ClipboardSearchQueryParser::dateFilterValues(context.prefix);
    }
    return {};
}

}  // namespace quorvane

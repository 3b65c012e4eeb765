#include "panel/model/ClipboardSearchCompletionState.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "base/Logger.h"
#include "panel/model/ClipboardDetailPreparedText.h"

namespace quorvane {
namespace {

constexpr std::string_view kLogCategory = "GhostCompletion";

void debug(const std::string& line) {
    if constexpr (Logger::debugLinesEnabled) Logger::debug(line, kLogCategory);
}

std::u16string lowercased(std::u16string_view text) {
    icu::UnicodeString unicode(text.data(), static_cast<int32_t>(text.size()));
    unicode.toLower(icu::Locale::getRoot());
    return std::u16string(unicode.getBuffer(), static_cast<std::size_t>(unicode.length()));
}

}  // namespace

bool ClipboardSearchCompletionState::textChanged(const ClipboardSearchFieldState& field) {
    if (field.hasMarkedText) {
        debug("[Ghost] textDidChange: hasMarkedText → hide ghost");
        hide("IME composing");
        return false;
    }
    if (isSuppressed_) {
        if (field.selectionLength == 0 && field.cursor == field.text.size()) {
            debug("[Ghost] textDidChange: user input after suppress → exit suppressed mode");
            isSuppressed_ = false;
            tryShowGhost(field);
        } else {
            debug("[Ghost] textDidChange: still in suppressed mode → skip show ghost");
            hide("suppressed");
        }
    } else {
        debug("[Ghost] textDidChange: calling tryShowGhost()");
        tryShowGhost(field);
    }
    return true;
}

void ClipboardSearchCompletionState::selectionChanged(const ClipboardSearchFieldState& field) {
    if (ghostSuffix_.empty()) return;
    if (field.selectionLength == 0 && field.cursor == field.text.size()) return;
    debug("[Ghost] selectionDidChange: not at end with no selection → hide ghost");
    hide("selection changed");
}

std::optional<std::u16string> ClipboardSearchCompletionState::acceptGhost(const std::u16string& text) {
    if (ghostSuffix_.empty()) return std::nullopt;
    const std::u16string suffix = ghostSuffix_;
    std::u16string accepted = text + suffix;
    debug("[Ghost] acceptGhost: accepted '" + utf8FromUtf16(suffix) + "', full text='" +
          utf8FromUtf16(accepted) + "'");
    hide("accepted");
    return accepted;
}

void ClipboardSearchCompletionState::tryShowGhost(const ClipboardSearchFieldState& field) {
    debug("[Ghost] tryShowGhost: text='" + utf8FromUtf16(field.text) + "' cursorPos=" +
          std::to_string(field.cursor) + " selectionLen=" + std::to_string(field.selectionLength));
    if (field.selectionLength != 0 || field.cursor != field.text.size() || field.text.empty() ||
        isSuppressed_) {
        debug("[Ghost] tryShowGhost: conditions not met (selectionLen=" +
              std::to_string(field.selectionLength) + ") → hide ghost");
        hide("conditions not met");
        return;
    }
    const auto context = ClipboardSearchAutoCompleteManager::autoCompleteContext(
        field.text, static_cast<std::ptrdiff_t>(field.cursor));
    if (!context) {
        debug("[Ghost] tryShowGhost: no autocomplete context → hide ghost");
        hide("no context");
        return;
    }
    const std::vector<std::string> candidates = manager_.candidates(*context);
    if constexpr (Logger::debugLinesEnabled) {
        std::string list;
        for (std::size_t i = 0; i < candidates.size() && i < 3; ++i) list += (i ? ", " : "") + candidates[i];
        debug("[Ghost] tryShowGhost: context kind=" + std::string(rawValue(context->kind)) + " prefix='" +
              context->prefix + "' suggestions=[" + list + "]");
    }
    if (!candidates.empty()) {
        const std::u16string top = utf16FromUtf8(candidates.front());
        const std::u16string prefix = utf16FromUtf8(context->prefix);
        if (top.size() > prefix.size() && lowercased(top).starts_with(lowercased(prefix))) {
            ghostSuffix_ = top.substr(prefix.size());
            debug("[Ghost] tryShowGhost: ✅ showing ghost suffix='" + utf8FromUtf16(ghostSuffix_) +
                  "' as overlay");
            return;
        }
    }
    debug("[Ghost] tryShowGhost: no viable suffix (topSuggestion=" +
          (candidates.empty() ? std::string("nil") : candidates.front()) +
          " prefixCount=" + std::to_string(context->prefix.size()) + ") → hide ghost");
    hide("no viable suffix");
}

void ClipboardSearchCompletionState::hide(std::string_view reason) {
    debug("[Ghost] hideGhost: reason='" + std::string(reason) + "', was='" + utf8FromUtf16(ghostSuffix_) +
          "'");
    ghostSuffix_.clear();
    if (!isSuppressed_) {
        isSuppressed_ = true;
        debug("[Ghost] hideGhost: entered suppressed mode");
    }
}

}  // namespace quorvane

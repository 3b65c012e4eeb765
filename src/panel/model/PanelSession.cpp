#include "panel/model/PanelSession.h"

#include <algorithm>
#include <utility>

#include "base/Logger.h"
#include "base/Utf8.h"
#include "model/SearchTextNormalizer.h"
#include "preferences/SettingsAccessors.h"
#include "search/ClipboardSearchQueryParser.h"

namespace quorvane {

PanelSession::PanelSession(Dependencies dependencies) : dependencies_(std::move(dependencies)) {}

// ---- Showing and hiding ----

void PanelSession::begin(std::uint64_t panelWindow) {
    clearTransientState();
    returnTarget_ = dependencies_.activation.activeWindow();
    ownWindowWasActive_ =
        returnTarget_ && (returnTarget_->processIdentifier == dependencies_.ownProcessIdentifier ||
                          (panelWindow != 0 && returnTarget_->window == panelWindow));
    if (ownWindowWasActive_ || (returnTarget_ && returnTarget_->window == 0)) returnTarget_.reset();
    Logger::info(returnTarget_ ? "Panel opened over window " + std::to_string(returnTarget_->window)
                               : std::string("Panel opened with no window to return to"),
                 dependencies_.logCategory);
}

void PanelSession::end() {
    clearTransientState();
    returnTarget_.reset();
    ownWindowWasActive_ = false;
}

void PanelSession::clearTransientState() {
    searchText_.clear();
    filterSuggestionContext_.reset();
    footerErrorMessage_.reset();
}

// ---- Search text and filter suggestions ----

bool PanelSession::searchTextDidChange(const std::string& text) {
    searchText_ = text;
    // The caret sits at the end of what was typed; the parser counts UTF-16 units.
    filterSuggestionContext_ =
        ClipboardSearchQueryParser::filterSuggestionContext(text, toUnicodeString(text).length());
    if (filterSuggestionContext_) return true;
    dependencies_.viewModel.setSearchText(text);
    return false;
}

std::vector<ClipboardFilterSuggestion> PanelSession::filterSuggestions() const {
    if (!filterSuggestionContext_) return {};
    return ClipboardSearchQueryParser::filterSuggestions(filterSuggestionContext_->prefix,
                                                         dependencies_.userDefaults);
}

std::optional<std::string> PanelSession::applyFilterSuggestion(const ClipboardFilterSuggestion& suggestion) {
    if (!filterSuggestionContext_) return std::nullopt;
    std::string text = ClipboardSearchQueryParser::applySuggestion(
        suggestion, searchText_, filterSuggestionContext_->replacementRange);
    filterSuggestionContext_.reset();
    searchText_ = text;
    dependencies_.viewModel.setSearchText(text);
    return text;
}

std::optional<std::string> PanelSession::cancelFilterSuggestion() {
    if (!filterSuggestionContext_) return std::nullopt;
    icu::UnicodeString text = toUnicodeString(searchText_);
    const auto range = filterSuggestionContext_->replacementRange;
    // The range was measured on this text; clamp anyway so a stale one cannot cut past its end.
    const auto start = std::min<std::int32_t>(static_cast<std::int32_t>(range.location), text.length());
    const auto length =
        std::min<std::int32_t>(static_cast<std::int32_t>(range.length), text.length() - start);
    text.remove(start, length);
    std::string normalized = SearchTextNormalizer::normalize(toUtf8(text));
    filterSuggestionContext_.reset();
    searchText_ = normalized;
    dependencies_.viewModel.setSearchText(normalized);
    return normalized;
}

// ---- Confirming and copying ----

bool PanelSession::isAutoPasteEnabled() const {
    return dependencies_.distributionChannel == DistributionChannel::direct &&
           directPasteReturnKeyAutoPasteEnabled(dependencies_.userDefaults);
}

PanelSession::Outcome PanelSession::confirm(std::optional<ClipboardHistoryIndexSnapshot> entry,
                                            bool asPlainText) {
    if (inFlight_ || dependencies_.performer.isBusy()) {
        Logger::info("A paste-back is already running; ignoring another confirmation",
                     dependencies_.logCategory);
        return Outcome::ignored;
    }
    if (!entry) entry = dependencies_.viewModel.selectedItem();
    if (!entry) return Outcome::ignored;

    auto& viewModel = dependencies_.viewModel;
    viewModel.setErrorMessage(std::nullopt);
    const bool autoPaste = isAutoPasteEnabled();
    if (autoPaste && !dependencies_.accessibilityPermissionManager.isTrusted()) {
        viewModel.setErrorMessage(ClipboardFooterErrorMessage::accessibilityPermissionRequired().text);
        return Outcome::needsAccessibility;
    }

    inFlight_ = true;
    // Hiding forgets the target, so this confirmation takes it now.
    const std::optional<ReturnTarget> target = returnTarget_;
    std::weak_ptr<char> alive = lifetime_;
    viewModel.copyEntry(*entry, asPlainText, entry->id, [this, alive, target, autoPaste](bool succeeded) {
        if (alive.expired()) return;
        completePasteBack(succeeded, target, autoPaste);
    });
    return Outcome::started;
}

void PanelSession::completePasteBack(bool succeeded, const std::optional<ReturnTarget>& target,
                                     bool autoPaste) {
    if (!succeeded) {
        inFlight_ = false;
        return;
    }
    if (dependencies_.hidePanel) dependencies_.hidePanel();
    if (!target) {
        inFlight_ = false;
        return;
    }
    if (!autoPaste) {
        if (!dependencies_.activation.activate(*target))
            Logger::warning("Failed to give the focus back to window " + std::to_string(target->window),
                            dependencies_.logCategory);
        inFlight_ = false;
        return;
    }
    std::weak_ptr<char> alive = lifetime_;
    dependencies_.performer.paste(*target, directAutoPasteDelay, [this, alive](PasteBackOutcome) {
        if (!alive.expired()) inFlight_ = false;
    });
}

void PanelSession::copy(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText,
                        const std::optional<std::string>& formattedText) {
    if (formattedText && entry.contentType == ClipboardContentType::text) {
        if (dependencies_.pasteboard.writeText(*formattedText, std::nullopt, std::nullopt)) {
            Logger::info("Copied formatted text to pasteboard for item: " + entry.id,
                         dependencies_.logCategory);
            if (dependencies_.hidePanel) dependencies_.hidePanel();
        } else {
            Logger::error("Failed to copy formatted text to pasteboard for item: " + entry.id,
                          dependencies_.logCategory);
        }
        return;
    }
    std::weak_ptr<char> alive = lifetime_;
    dependencies_.viewModel.copyEntry(entry, asPlainText, entry.id, [this, alive](bool succeeded) {
        if (succeeded && !alive.expired() && dependencies_.hidePanel) dependencies_.hidePanel();
    });
}

void PanelSession::dragEnded(const ClipboardHistoryIndexSnapshot& entry, bool dropped) {
    if (!dropped) return;
    std::weak_ptr<char> alive = lifetime_;
    const std::string id = entry.id;
    dependencies_.viewModel.copyEntry(entry, false, id, [this, alive, id](bool succeeded) {
        if (succeeded || alive.expired()) return;
        // The entry was used even though the clipboard refused it.
        auto& viewModel = dependencies_.viewModel;
        if (const auto& history = viewModel.clipboardHistoryManager()) history->recordUsage(id);
        viewModel.loadClipboardItems(false, id);
    });
}

// ---- Footer ----

void PanelSession::viewModelErrorChanged() {
    const auto& message = dependencies_.viewModel.errorMessage();
    if (!message) {
        footerErrorMessage_.reset();
        return;
    }
    auto hint = ClipboardFooterErrorMessage::accessibilityPermissionRequired();
    footerErrorMessage_ = *message == hint.text ? std::move(hint) : ClipboardFooterErrorMessage{*message};
}

std::optional<ClipboardFooterStatusPresentation> PanelSession::footerStatus(
    const ClipboardFooterUpdateState& update) const {
    return chooseFooterStatusPresentation(footerErrorMessage_, dependencies_.distributionChannel, update,
                                          dependencies_.userDefaults);
}

}  // namespace quorvane

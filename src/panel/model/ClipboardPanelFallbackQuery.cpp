#include "panel/model/ClipboardPanelFallbackQuery.h"

#include <algorithm>

#include "base/CaseFolding.h"
#include "base/WhitespaceTrimming.h"
#include "search/ClipboardSearchQueryParser.h"
#include "searchindex/ClipboardSearchFilterState.h"

namespace quorvane {
namespace {

bool containsWhitespaceOrNewline(std::string_view text) {
    return text.find_first_of(" \t\n\r\v\f") != std::string_view::npos;
}

bool matchesApplication(const ClipboardHistoryIndexSnapshot& entry, const std::string& criterion,
                        const ClipboardAppIdentityResolver& resolver) {
    if (!entry.bundleIdentifier) return false;
    const std::string_view trimmedIdentifier = trimmedWhitespaceAndNewlines(*entry.bundleIdentifier);
    if (trimmedIdentifier.empty()) return false;
    const std::string_view trimmedCriterion = trimmedWhitespaceAndNewlines(criterion);
    // A value shaped like an identifier ("org.mozilla.firefox") names exactly one application.
    if (trimmedCriterion.find('.') != std::string_view::npos &&
        !containsWhitespaceOrNewline(trimmedCriterion)) {
        return equalIgnoringCase(*entry.bundleIdentifier, criterion);
    }
    const ClipboardAppIdentityResolver::Candidate candidate{std::string(trimmedIdentifier),
                                                            resolver.displayName(trimmedIdentifier)};
    return ClipboardAppIdentityResolver::matches(criterion, candidate);
}

// Names compare by case folding rather than the locale's collation, which under the POSIX locale tells
// letter case apart.
bool passes(const ClipboardHistoryIndexSnapshot& entry, const ClipboardSearchFilterState& state,
            const ClipboardAppIdentityResolver& resolver) {
    if (state.contentType && entry.contentType != *state.contentType) return false;
    if (state.classification) {
        if (!entry.classification) return false;
        if (!equalIgnoringCase(*entry.classification, *state.classification)) return false;
    }
    if (state.appValue && !matchesApplication(entry, *state.appValue, resolver)) return false;
    if (state.lowerBound && entry.createdAt < *state.lowerBound) return false;
    if (state.upperBound && !(entry.createdAt < *state.upperBound)) return false;
    return true;
}

std::string joined(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) {
        if (!text.empty()) text += ' ';
        text += word;
    }
    return text;
}

// One run of the query: asks the store, filters, and asks again with a larger batch while needed.
class Run : public std::enable_shared_from_this<Run> {
public:
    Run(std::int64_t offset, std::int64_t limit, std::string textQuery,
        std::vector<ClipboardSearchFilter> filters, std::size_t batchSize,
        std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
        const ClipboardAppIdentityResolver& resolver, Date now,
        std::function<void(ClipboardSearchPage)> completion)
        : offset_(offset),
          limit_(limit),
          textQuery_(std::move(textQuery)),
          filters_(std::move(filters)),
          batchSize_(batchSize),
          historyManager_(std::move(historyManager)),
          resolver_(resolver),
          now_(now),
          completion_(std::move(completion)) {}

    void fetch() {
        auto self = shared_from_this();
        historyManager_->getHistorySnapshots(
            textQuery_, batchSize_,
            [self](std::vector<ClipboardHistoryIndexSnapshot> batch) { self->received(std::move(batch)); });
    }

private:
    void received(std::vector<ClipboardHistoryIndexSnapshot> batch) {
        const std::size_t needed = static_cast<std::size_t>(std::max<std::int64_t>(offset_ + limit_ + 1, 1));
        const std::size_t returned = batch.size();
        auto filtered = ClipboardPanelFallbackQuery::applyFilters(filters_, batch, resolver_, now_);
        if (!filters_.empty() && filtered.size() < needed && returned >= batchSize_) {
            batchSize_ *= 2;
            fetch();
            return;
        }
        ClipboardSearchPage page;
        const std::size_t offset = static_cast<std::size_t>(std::max<std::int64_t>(offset_, 0));
        const std::size_t limit = static_cast<std::size_t>(std::max<std::int64_t>(limit_, 0));
        if (offset < filtered.size()) {
            const std::size_t end = std::min(filtered.size(), offset + limit);
            page.items.assign(std::make_move_iterator(filtered.begin() + static_cast<std::ptrdiff_t>(offset)),
                              std::make_move_iterator(filtered.begin() + static_cast<std::ptrdiff_t>(end)));
        }
        page.hasMore = offset + page.items.size() < filtered.size();
        auto completion = std::move(completion_);
        completion(std::move(page));
    }

    std::int64_t offset_;
    std::int64_t limit_;
    std::string textQuery_;
    std::vector<ClipboardSearchFilter> filters_;
    std::size_t batchSize_;
    std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager_;
    const ClipboardAppIdentityResolver& resolver_;
    Date now_;
    std::function<void(ClipboardSearchPage)> completion_;
};

}  // namespace

std::size_t ClipboardPanelFallbackQuery::initialBatchSize(std::int64_t offset, std::int64_t limit,
                                                          bool hasTextQuery, bool hasFilters) {
    const std::int64_t needed = std::max<std::int64_t>(offset + limit + 1, 1);
    std::int64_t size = needed;
    // Filters alone may pass few entries: start with a batch large enough that one fetch usually does.
    if (!hasTextQuery) {
        size = std::max({needed, std::int64_t{100}, 4 * limit});
    } else if (hasFilters) {
        size = std::max(needed, 4 * limit);
    }
    return static_cast<std::size_t>(size);
}

void ClipboardPanelFallbackQuery::run(const Request& request,
                                      std::shared_ptr<ClipboardHistoryManagerProtocol> historyManager,
                                      const Context& context,
                                      std::function<void(ClipboardSearchPage)> completion) {
    const auto parsed = ClipboardSearchQueryParser::parse(request.normalizedText, context.userDefaults);
    std::string textQuery = joined(parsed.textTokens);
    auto filters = parsed.effectiveFilters();
    const std::size_t batchSize =
        initialBatchSize(request.offset, request.limit, !textQuery.empty(), !filters.empty());
    std::make_shared<Run>(request.offset, request.limit, std::move(textQuery), std::move(filters), batchSize,
                          std::move(historyManager), context.appIdentityResolver, context.now,
                          std::move(completion))
        ->fetch();
}

std::vector<ClipboardHistoryIndexSnapshot> ClipboardPanelFallbackQuery::applyFilters(
    const std::vector<ClipboardSearchFilter>& filters,
    const std::vector<ClipboardHistoryIndexSnapshot>& items,
    const ClipboardAppIdentityResolver& appIdentityResolver, Date now) {
    if (filters.empty()) return items;
    const auto state = ClipboardSearchFilterState::make(filters, now);
    std::vector<ClipboardHistoryIndexSnapshot> passing;
    for (const auto& entry : items) {
        if (passes(entry, state, appIdentityResolver)) passing.push_back(entry);
    }
    return passing;
}

}  // namespace quorvane

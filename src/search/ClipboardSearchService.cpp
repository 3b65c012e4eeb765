#include "search/ClipboardSearchService.h"

#include <algorithm>
#include <set>
#include <vector>

#include "base/Logger.h"
#include "base/ReleaseFreedMemory.h"
#include "base/Utf8.h"
#include "classification/ClipboardClassificationSettings.h"
#include "preferences/SettingsAccessors.h"
#include "search/ClipboardSearchQueryParser.h"
#include "search/ClipboardSearchServiceError.h"
#include "searchindex/ClipboardSearchIndexDocument.h"
#include "searchindex/ClipboardSearchQueryText.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "searchindex/SearchStrings.h"

namespace quorvane {
namespace {

using Kind = ClipboardSearchRuntimeOperationKind;
constexpr std::string_view kLogCategory = "ClipboardSearch";
constexpr double millisecondsPerSecond = 1000.0;
// No document is indexed beyond its first defaultTextCharacterLimit characters, so a longer query finds
// nothing more; cutting it keeps a pasted megabyte from holding the search and index queues for seconds.
constexpr std::size_t kQueryCharacterLimit = 4 * ClipboardSearchIndexConfiguration::defaultTextCharacterLimit;

std::string describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "unknown error";
    }
}

// An index still being filled is an expected state, not a fault: its callers answer from the history.
void logReadFailure(const std::string& what, const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ClipboardSearchIndexBuildingError&) {
        Logger::info(what + describe(error), kLogCategory);
        return;
    } catch (...) {
    }
    Logger::error(what + describe(error), kLogCategory);
}

std::string describe(const std::vector<ClipboardSearchFilter>& filters) {
    std::vector<std::string> parts;
    for (const auto& filter : filters) {
        parts.push_back("\"" + std::string(rawValue(filter.kind)) + ":" + filter.value + "\"");
    }
    return "[" + search_strings::joined(parts, ", ") + "]";
}

}  // namespace

ClipboardSearchService::ClipboardSearchService(std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository,
                                               std::shared_ptr<ClipboardSearchIndexStoreProtocol> indexStore,
                                               ClipboardSearchIndexConfiguration configuration,
                                               std::shared_ptr<ClipboardClassificationDetecting> classifier,
                                               std::shared_ptr<UserDefaults> userDefaults,
                                               std::shared_ptr<MainQueue> callbackQueue,
                                               std::shared_ptr<const Clock> clock)
    : repository_(std::move(repository)),
      indexStore_(std::move(indexStore)),
      configuration_(configuration),
      classifier_(std::move(classifier)),
      userDefaults_(std::move(userDefaults)),
      callbackQueue_(std::move(callbackQueue)),
      clock_(std::move(clock)),
      metricsRecorder_(clock_) {}

ClipboardSearchService::~ClipboardSearchService() {
    std::lock_guard lock(lifetime_->mutex);
    lifetime_->alive = false;
}

template <class T>
void ClipboardSearchService::deliver(std::function<void(T)> completion, T value) {
    callbackQueue_->post([completion = std::move(completion), value = std::move(value)]() mutable {
        completion(std::move(value));
    });
}

void ClipboardSearchService::record(Kind kind, Date start, bool failed) {
    const double milliseconds = clock_->now().timeIntervalSince(start) * millisecondsPerSecond;
    const auto metrics = metricsRecorder_.record(kind, milliseconds / millisecondsPerSecond, failed);
    ClipboardSearchRuntimeMetricsRecorder::logRuntime(kind, metrics, milliseconds);
}

void ClipboardSearchService::fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) {
    queue_.async([this, limit, offset, completion = std::move(completion)]() mutable {
        const Date start = clock_->now();
        try {
            // Straight to the store, not through its write queue: reads have their own connection and
            // never wait behind an upsert.
            auto page =
                indexStore_->fetchRecent(std::max<std::int64_t>(limit, 0), std::max<std::int64_t>(offset, 0));
            record(Kind::fetchRecent, start, false);
            deliver(std::move(completion),
                    ClipboardSearchResult<ClipboardSearchPage>::success(std::move(page)));
        } catch (...) {
            auto error = std::current_exception();
            record(Kind::fetchRecent, start, true);
            logReadFailure("Failed to read recent clipboard search index items: ", error);
            deliver(std::move(completion), ClipboardSearchResult<ClipboardSearchPage>::failure(error));
        }
    });
}

void ClipboardSearchService::search(std::string query, std::int64_t limit, std::int64_t offset,
                                    PageCompletion completion) {
    queue_.async(
        [this, query = std::move(query), limit, offset, completion = std::move(completion)]() mutable {
            const Date start = clock_->now();
            if (query.size() > kQueryCharacterLimit)
                query = std::string(characterPrefix(query, kQueryCharacterLimit));
            const auto parsed = ClipboardSearchQueryParser::parse(query, *userDefaults_);
            const auto filters = parsed.effectiveFilters();
            const auto combinedText = search_strings::joined(parsed.textTokens, " ");
            const Kind detailKind = filters.empty()        ? Kind::textOnlySearch
                                    : combinedText.empty() ? Kind::filtersOnlySearch
                                                           : Kind::textWithFiltersSearch;
            const ClipboardSearchQueryText queryText(combinedText);
            if constexpr (Logger::debugLinesEnabled) {
                Logger::debug("SearchService.search: input='" + query + "' combinedText='" + combinedText +
                                  "' hasFilters=" + (filters.empty() ? "false" : "true") +
                                  " filters=" + describe(filters),
                              kLogCategory);
            }
            const auto clampedLimit = std::max<std::int64_t>(limit, 0);
            const auto clampedOffset = std::max<std::int64_t>(offset, 0);
            std::exception_ptr error;
            ClipboardSearchPage page;
            try {
                if (!filters.empty()) {
                    Logger::debug("SearchService: calling indexStore.search with filters", kLogCategory);
                    page = indexStore_->search(queryText, filters, clampedLimit, clampedOffset);
                } else if (!queryText.normalizedText.empty()) {
                    Logger::debug("SearchService: calling indexStore.search without filters", kLogCategory);
                    page = indexStore_->search(queryText, {}, clampedLimit, clampedOffset);
                }
            } catch (...) {
                error = std::current_exception();
            }
            for (auto kind : {Kind::search, detailKind}) record(kind, start, error != nullptr);
            if (error) {
                logReadFailure("Clipboard search index query failed: ", error);
                deliver(std::move(completion), ClipboardSearchResult<ClipboardSearchPage>::failure(error));
            } else {
                deliver(std::move(completion),
                        ClipboardSearchResult<ClipboardSearchPage>::success(std::move(page)));
            }
        });
}

void ClipboardSearchService::indexStats(StatsCompletion completion) {
    queue_.async([this, completion = std::move(completion)]() mutable {
        ClipboardSearchIndexStats stats;
        try {
            stats = indexStore_->syncReturning([&] { return indexStore_->stats(); });
        } catch (...) {
            Logger::error(
                "Failed to read clipboard search index stats: " + describe(std::current_exception()),
                kLogCategory);
            stats = ClipboardSearchIndexStats{};
        }
        deliver(std::move(completion), stats);
    });
}

void ClipboardSearchService::runtimeMetrics(MetricsCompletion completion) {
    queue_.async([this, completion = std::move(completion)]() mutable {
        deliver(std::move(completion), RuntimeMetrics(metricsRecorder_.snapshot()));
    });
}

void ClipboardSearchService::rebuildIndex(RebuildCompletion completion) {
    queue_.async([this, completion = std::move(completion)]() mutable {
        const Date start = clock_->now();
        Logger::info("Starting clipboard search index rebuild", kLogCategory);
        // The pinyin switch as it stands now, not as it stood when the service was built.
        auto configuration = configuration_;
        configuration.isPinyinIndexEnabled = clipboardSearchPinyinIndexEnabled(*userDefaults_);
        // The read and the store rebuild run as one of the repository's index jobs, so the index writes of
        // later changes land on the rebuilt index instead of being replaced by it. Other calls go on
        // meanwhile.
        repository_->rebuildSearchIndexInOrder([this, lifetime = lifetime_, callbackQueue = callbackQueue_,
                                                start, configuration,
                                                completion = std::move(completion)](auto documents) mutable {
            std::lock_guard lock(lifetime->mutex);
            if (!lifetime->alive) {
                callbackQueue->post([completion = std::move(completion)] {
                    completion(ClipboardSearchResult<ClipboardSearchRebuildResult>::failure(
                        std::make_exception_ptr(ClipboardSearchServiceError())));
                });
                return;
            }
            if (!documents) {
                // An unreadable history must not empty the index.
                failRebuild(std::make_exception_ptr(ClipboardSearchServiceError(
                                ClipboardSearchServiceError::Code::historyUnreadable)),
                            start, std::move(completion));
                return;
            }
            finishRebuild(std::move(*documents), configuration, start, std::move(completion));
            releaseFreedMemory();
        });
    });
}

void ClipboardSearchService::finishRebuild(std::vector<ClipboardSearchSourceDocument> sources,
                                           const ClipboardSearchIndexConfiguration& configuration, Date start,
                                           RebuildCompletion completion) {
    try {
        std::set<ClipboardSystemClassification> enabled;
        std::vector<ClipboardUserClassificationRule> rules;
        if (classifier_) {
            enabled = ClipboardClassificationSettings::enabledSystemClassifications(*userDefaults_);
            rules = ClipboardClassificationSettings::userRules(*userDefaults_);
        }
        ClipboardSearchIndexStats stats;
        std::int64_t indexed = 0;
        {
            std::vector<ClipboardSearchIndexDocument> documents;
            documents.reserve(sources.size());
            for (auto& source : sources) {
                if (classifier_ && source.contentType == ClipboardContentType::text &&
                    !source.searchableText.empty()) {
                    source.classification =
                        classifier_->classify(source.searchableText, enabled, rules).primaryClassification;
                }
                documents.push_back(ClipboardSearchIndexDocument::make(source, configuration));
            }
            // The index documents hold the texts from here on; a million entries are gigabytes.
            std::vector<ClipboardSearchSourceDocument>().swap(sources);
            stats = indexStore_->syncReturning([&] { return indexStore_->rebuild(documents); });
            indexed = static_cast<std::int64_t>(documents.size());
        }
        record(Kind::rebuildIndex, start, false);
        Logger::info("Clipboard search index rebuild completed, documents=" +
                         std::to_string(stats.documentCount) + ", grams=" + std::to_string(stats.gramCount),
                     kLogCategory);
        deliver(std::move(completion),
                ClipboardSearchResult<ClipboardSearchRebuildResult>::success({indexed, stats}));
    } catch (...) {
        failRebuild(std::current_exception(), start, std::move(completion));
    }
}

void ClipboardSearchService::failRebuild(std::exception_ptr error, Date start, RebuildCompletion completion) {
    record(Kind::rebuildIndex, start, true);
    Logger::error("Clipboard search index rebuild failed: " + describe(error), kLogCategory);
    deliver(std::move(completion), ClipboardSearchResult<ClipboardSearchRebuildResult>::failure(error));
}

}  // namespace quorvane

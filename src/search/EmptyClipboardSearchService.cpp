#include "search/EmptyClipboardSearchService.h"

#include "search/ClipboardSearchServiceError.h"

namespace quorvane {
namespace {

std::exception_ptr unavailable() {
    return std::make_exception_ptr(ClipboardSearchServiceError());
}

}  // namespace

void EmptyClipboardSearchService::fetchRecent(std::int64_t, std::int64_t, PageCompletion completion) {
    completion(ClipboardSearchResult<ClipboardSearchPage>::failure(unavailable()));
}

void EmptyClipboardSearchService::search(std::string, std::int64_t, std::int64_t, PageCompletion completion) {
    completion(ClipboardSearchResult<ClipboardSearchPage>::failure(unavailable()));
}

void EmptyClipboardSearchService::rebuildIndex(RebuildCompletion completion) {
    completion(ClipboardSearchResult<ClipboardSearchRebuildResult>::failure(unavailable()));
}

void EmptyClipboardSearchService::indexStats(StatsCompletion completion) {
    completion(ClipboardSearchIndexStats{});
}

void EmptyClipboardSearchService::runtimeMetrics(MetricsCompletion completion) {
    static const RuntimeMetrics none;
    completion(none);
}

}  // namespace quorvane

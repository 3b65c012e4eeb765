#include <gtest/gtest.h>

#include "search/ClipboardSearchServiceError.h"
#include "search/EmptyClipboardSearchService.h"

namespace quorvane {
namespace {

TEST(EmptyClipboardSearchServiceTest, ReadsFailAsUnavailableAndStatsAreZero) {
    EmptyClipboardSearchService service;
    int failures = 0;
    auto expectUnavailable = [&](const auto& result) {
        ++failures;
        EXPECT_FALSE(result.succeeded());
        try {
            result.value();
            ADD_FAILURE() << "no error";
        } catch (const ClipboardSearchServiceError& error) {
            EXPECT_EQ(error.code(), ClipboardSearchServiceError::Code::unavailable);
            EXPECT_STREQ(error.what(), "Clipboard search service is unavailable.");
        }
    };
    service.fetchRecent(10, 0, expectUnavailable);
    service.search("foo", 10, 0, expectUnavailable);
    service.rebuildIndex(expectUnavailable);
    EXPECT_EQ(failures, 3);
    std::optional<ClipboardSearchIndexStats> stats;
    service.indexStats([&](auto value) { stats = value; });
    EXPECT_EQ(stats, ClipboardSearchIndexStats{});
    std::optional<ClipboardSearchServiceProtocol::RuntimeMetrics> metrics;
    service.runtimeMetrics([&](auto value) { metrics = std::move(value); });
    ASSERT_TRUE(metrics);
    EXPECT_TRUE(metrics->empty());
}

}  // namespace
}  // namespace quorvane

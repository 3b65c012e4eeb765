#include <gtest/gtest.h>

#include "platform/memory/FakeClock.h"
#include "search/ClipboardSearchRuntimeMetricsRecorder.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Kind = ClipboardSearchRuntimeOperationKind;

class ClipboardSearchRuntimeMetricsRecorderTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeClock> clock_ = std::make_shared<FakeClock>(Date(1000));
    ClipboardSearchRuntimeMetricsRecorder recorder_{clock_};
};

TEST_F(ClipboardSearchRuntimeMetricsRecorderTest, PercentilesPickRoundedIndexWithoutInterpolation) {
    const auto one = recorder_.record(Kind::search, 0.01234, false);
    EXPECT_EQ(one, (ClipboardSearchRuntimeOperationMetrics{1, 0, 12.34, 12.34, 12.34, 12.34, Date(1000)}));

    recorder_.record(Kind::fetchRecent, 0.010, false);
    const auto two = recorder_.record(Kind::fetchRecent, 0.020, false);
    EXPECT_DOUBLE_EQ(*two.p50Milliseconds, 20);  // index 0.5 rounds up to 1
    EXPECT_DOUBLE_EQ(*two.p95Milliseconds, 20);

    ClipboardSearchRuntimeOperationMetrics ten;
    // Recorded out of order: percentiles sort, "last" is the newest by insertion.
    for (int ms : {10, 3, 7, 1, 9, 2, 8, 4, 6, 5})
        ten = recorder_.record(Kind::rebuildIndex, ms / 1000.0, false);
    EXPECT_DOUBLE_EQ(*ten.p50Milliseconds, 6);   // index 4.5 -> 5
    EXPECT_DOUBLE_EQ(*ten.p95Milliseconds, 10);  // index 8.55 -> 9
    EXPECT_DOUBLE_EQ(*ten.maxMilliseconds, 10);
    EXPECT_DOUBLE_EQ(*ten.lastMilliseconds, 5);
    EXPECT_EQ(ClipboardSearchRuntimeMetricsRecorder::percentile({}, 0.5), std::nullopt);
}

TEST_F(ClipboardSearchRuntimeMetricsRecorderTest, WindowKeepsNewest256AndCountsFailures) {
    EXPECT_TRUE(recorder_.snapshot().empty());
    // The first sample is by far the slowest; once it slides out, max must drop.
    recorder_.record(Kind::textOnlySearch, 9.0, true);
    ClipboardSearchRuntimeOperationMetrics metrics;
    for (int i = 0; i < 255; ++i) {
        clock_->advance(1);
        metrics = recorder_.record(Kind::textOnlySearch, 0.001, i % 5 == 0);
    }
    EXPECT_EQ(metrics.sampleCount, 256);
    EXPECT_EQ(metrics.failureCount, 1 + 51);
    EXPECT_DOUBLE_EQ(*metrics.maxMilliseconds, 9000);

    metrics = recorder_.record(Kind::textOnlySearch, 0.002, false);
    EXPECT_EQ(metrics.sampleCount, 256);
    EXPECT_EQ(metrics.failureCount, 51);
    EXPECT_DOUBLE_EQ(*metrics.maxMilliseconds, 2);
    EXPECT_EQ(metrics.lastRecordedAt, Date(1255));

    const auto snapshot = recorder_.snapshot();
    ASSERT_EQ(snapshot.size(), 1u);
    EXPECT_EQ(snapshot.at(Kind::textOnlySearch), metrics);
}

TEST_F(ClipboardSearchRuntimeMetricsRecorderTest, LogRuleWarnsWhenSlowAndReportsRebuildsAndEvery50thSample) {
    testing::LogCapture log;
    ClipboardSearchRuntimeOperationMetrics metrics;
    for (int i = 1; i <= 100; ++i) {
        metrics = recorder_.record(Kind::search, 0.0123, false);
        ClipboardSearchRuntimeMetricsRecorder::logRuntime(Kind::search, metrics, 12.3);
    }
    EXPECT_EQ(log.count("Search runtime search "), 2u);
    EXPECT_TRUE(log.contains("INFO",
                             "[ClipboardSearch] Search runtime search duration=12.3ms p50=12.3ms "
                             "p95=12.3ms max=12.3ms samples=100 failures=0"));

    log.clear();
    const auto quick = recorder_.record(Kind::fetchRecent, 0.1499, false);
    ClipboardSearchRuntimeMetricsRecorder::logRuntime(Kind::fetchRecent, quick, 149.9);
    EXPECT_TRUE(log.lines().empty());
    ClipboardSearchRuntimeMetricsRecorder::logRuntime(Kind::fetchRecent, quick, 150.0);
    EXPECT_TRUE(log.contains("WARNING", "Search runtime fetchRecent duration=150.0ms"));

    log.clear();
    // Filtered kinds are logged only when slow, whatever their count.
    for (int i = 0; i < 50; ++i) metrics = recorder_.record(Kind::filtersOnlySearch, 0.001, false);
    ClipboardSearchRuntimeMetricsRecorder::logRuntime(Kind::filtersOnlySearch, metrics, 1.0);
    EXPECT_TRUE(log.lines().empty());

    ClipboardSearchRuntimeMetricsRecorder::logRuntime(Kind::rebuildIndex, {}, 1999.9);
    ClipboardSearchRuntimeMetricsRecorder::logRuntime(Kind::rebuildIndex, {}, 2000.0);
    EXPECT_TRUE(log.contains("INFO",
                             "Search runtime rebuildIndex duration=1999.9ms p50=-ms p95=-ms max=-ms "
                             "samples=0 failures=0"));
    EXPECT_TRUE(log.contains("WARNING", "Search runtime rebuildIndex duration=2000.0ms"));
}

TEST(ClipboardSearchRuntimeOperationKindTest, RawValuesRoundTripInCaseOrder) {
    std::vector<std::string> raw;
    for (const auto kind : allClipboardSearchRuntimeOperationKinds) {
        raw.emplace_back(rawValue(kind));
        EXPECT_EQ(clipboardSearchRuntimeOperationKindFromRawValue(rawValue(kind)), kind);
    }
    EXPECT_EQ(raw, (std::vector<std::string>{"search", "textOnlySearch", "textWithFiltersSearch",
                                             "filtersOnlySearch", "fetchRecent", "rebuildIndex"}));
    EXPECT_EQ(clipboardSearchRuntimeOperationKindFromRawValue("Search"), std::nullopt);
}

}  // namespace
}  // namespace quorvane

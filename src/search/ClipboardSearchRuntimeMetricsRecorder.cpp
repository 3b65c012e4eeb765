#include "search/ClipboardSearchRuntimeMetricsRecorder.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "base/Logger.h"

namespace quorvane {
namespace {

std::string milliseconds(const std::optional<double>& value) {
    return value ? fmt::format("{:.1f}", *value) : "-";
}

}  // namespace

ClipboardSearchRuntimeMetricsRecorder::ClipboardSearchRuntimeMetricsRecorder(
    std::shared_ptr<const Clock> clock, std::size_t sampleLimit)
    : clock_(std::move(clock)), sampleLimit_(std::max<std::size_t>(sampleLimit, 1)) {}

ClipboardSearchRuntimeOperationMetrics ClipboardSearchRuntimeMetricsRecorder::record(
    ClipboardSearchRuntimeOperationKind operation, double durationSeconds, bool failed) {
    const OperationSample sample{durationSeconds * 1000, failed, clock_->now()};
    std::lock_guard lock(mutex_);
    auto& samples = samplesByOperation_[operation];
    samples.push_back(sample);
    while (samples.size() > sampleLimit_) samples.pop_front();
    return metrics(samples);
}

std::unordered_map<ClipboardSearchRuntimeOperationKind, ClipboardSearchRuntimeOperationMetrics>
ClipboardSearchRuntimeMetricsRecorder::snapshot() const {
    std::lock_guard lock(mutex_);
    std::unordered_map<ClipboardSearchRuntimeOperationKind, ClipboardSearchRuntimeOperationMetrics> result;
    for (const auto& [kind, samples] : samplesByOperation_) result.emplace(kind, metrics(samples));
    return result;
}

std::optional<double> ClipboardSearchRuntimeMetricsRecorder::percentile(const std::vector<double>& sorted,
                                                                        double p) {
    if (sorted.empty()) return std::nullopt;
    const double last = static_cast<double>(sorted.size() - 1);
    // std::round goes half away from zero, as the window's figures require (4.5 gives 5).
    const double index = std::clamp(std::round(p * last), 0.0, last);
    return sorted[static_cast<std::size_t>(index)];
}

ClipboardSearchRuntimeOperationMetrics ClipboardSearchRuntimeMetricsRecorder::metrics(
    const std::deque<OperationSample>& samples) {
    ClipboardSearchRuntimeOperationMetrics result;
    if (samples.empty()) return result;
    std::vector<double> durations;
    durations.reserve(samples.size());
    for (const auto& sample : samples) {
        durations.push_back(sample.durationMilliseconds);
        result.failureCount += sample.failed ? 1 : 0;
    }
    std::sort(durations.begin(), durations.end());
    result.sampleCount = static_cast<std::int64_t>(samples.size());
    result.p50Milliseconds = percentile(durations, 0.5);
    result.p95Milliseconds = percentile(durations, 0.95);
    result.maxMilliseconds = durations.back();
    result.lastMilliseconds = samples.back().durationMilliseconds;
    result.lastRecordedAt = samples.back().recordedAt;
    return result;
}

void ClipboardSearchRuntimeMetricsRecorder::logRuntime(ClipboardSearchRuntimeOperationKind operation,
                                                       const ClipboardSearchRuntimeOperationMetrics& metrics,
                                                       double durationMilliseconds) {
    const bool slow = durationMilliseconds >= slowThresholdMilliseconds(operation);
    const bool periodic = (operation == ClipboardSearchRuntimeOperationKind::search ||
                           operation == ClipboardSearchRuntimeOperationKind::fetchRecent) &&
                          metrics.sampleCount > 0 && metrics.sampleCount % 50 == 0;
    if (!slow && operation != ClipboardSearchRuntimeOperationKind::rebuildIndex && !periodic) return;
    const std::string line =
        fmt::format("Search runtime {} duration={:.1f}ms p50={}ms p95={}ms max={}ms samples={} failures={}",
                    rawValue(operation), durationMilliseconds, milliseconds(metrics.p50Milliseconds),
                    milliseconds(metrics.p95Milliseconds), milliseconds(metrics.maxMilliseconds),
                    metrics.sampleCount, metrics.failureCount);
    if (slow) {
        Logger::warning(line, "ClipboardSearch");
    } else {
        Logger::info(line, "ClipboardSearch");
    }
}

}  // namespace quorvane

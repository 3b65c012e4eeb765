#pragma once

// Keeps, per kind of search operation, a sliding window of the latest timings and derives counts and
// percentiles from it. Owned by the search service; nothing is persisted. Safe from any thread: calls are
// serialised by a lock, as they are quick and their results are needed at once.

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"
#include "search/ClipboardSearchRuntimeOperationKind.h"
#include "search/ClipboardSearchRuntimeOperationMetrics.h"

namespace quorvane {

class ClipboardSearchRuntimeMetricsRecorder {
public:
    struct OperationSample {
        double durationMilliseconds = 0;
        bool failed = false;
        Date recordedAt;
    };

    explicit ClipboardSearchRuntimeMetricsRecorder(
        std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(), std::size_t sampleLimit = 256);
    ClipboardSearchRuntimeMetricsRecorder(const ClipboardSearchRuntimeMetricsRecorder&) = delete;
    ClipboardSearchRuntimeMetricsRecorder& operator=(const ClipboardSearchRuntimeMetricsRecorder&) = delete;

    // Adds one sample (`durationSeconds` long) and returns the kind's metrics after it.
    ClipboardSearchRuntimeOperationMetrics record(ClipboardSearchRuntimeOperationKind operation,
                                                  double durationSeconds, bool failed);
    // The metrics of every kind that has samples.
    std::unordered_map<ClipboardSearchRuntimeOperationKind, ClipboardSearchRuntimeOperationMetrics> snapshot()
        const;

    // Writes at most one line for a just recorded operation: WARNING when slow, INFO for every rebuild and
    // for every 50th search or recent page, nothing otherwise.
    static void logRuntime(ClipboardSearchRuntimeOperationKind operation,
                           const ClipboardSearchRuntimeOperationMetrics& metrics,
                           double durationMilliseconds);

    // The value at index p x (count - 1), rounded half away from zero; no interpolation.
    static std::optional<double> percentile(const std::vector<double>& sorted, double p);
    static ClipboardSearchRuntimeOperationMetrics metrics(const std::deque<OperationSample>& samples);

private:
    std::shared_ptr<const Clock> clock_;
    std::size_t sampleLimit_;
    mutable std::mutex mutex_;
    std::unordered_map<ClipboardSearchRuntimeOperationKind, std::deque<OperationSample>> samplesByOperation_;
};

}  // namespace quorvane

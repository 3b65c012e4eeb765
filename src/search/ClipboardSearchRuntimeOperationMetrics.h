#pragma once

// Counts and latency figures of one kind of search operation over its latest samples, shown by the advanced
// settings page. A plain value; the optional figures are absent without samples.

#include <cstdint>
#include <optional>

#include "base/Date.h"

namespace quorvane {

struct ClipboardSearchRuntimeOperationMetrics {
    std::int64_t sampleCount = 0;
    std::int64_t failureCount = 0;
    std::optional<double> p50Milliseconds;
    std::optional<double> p95Milliseconds;
    std::optional<double> maxMilliseconds;
    std::optional<double> lastMilliseconds;
    std::optional<Date> lastRecordedAt;

    friend bool operator==(const ClipboardSearchRuntimeOperationMetrics&,
                           const ClipboardSearchRuntimeOperationMetrics&) = default;
};

}  // namespace quorvane

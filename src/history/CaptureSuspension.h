#pragma once

// Runs work with pasteboard capture suspended, so our own pasteboard writes are not recorded as history.
// The base of the monitor's and the history manager's interfaces. Main thread only.

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

#include "base/RunAndWait.h"

namespace quorvane {

class CaptureSuspension {
public:
    virtual ~CaptureSuspension() = default;

    // Runs `body` while capture is suspended; capture resumes afterwards when it ran before, also when `body`
    // throws. The body's exception reaches the caller.
    virtual void runWithCaptureSuspended(const std::function<void()>& body) = 0;

    // runWithCaptureSuspended() for a body with a result.
    template <class F>
    auto performWithCaptureSuspended(F&& body) -> std::invoke_result_t<F&> {
        return runReturning([this](const std::function<void()>& job) { runWithCaptureSuspended(job); }, body);
    }
};

}  // namespace quorvane

#pragma once

// Synchronous adapters for the queues: runAndWait() hands a job to another thread and blocks until it has
// run; runReturning() turns any "run this void job now" entry point into one that returns the job's result.

#include <exception>
#include <functional>
#include <future>
#include <optional>
#include <type_traits>
#include <utility>

namespace quorvane {

template <class Post>
void runAndWait(Post&& post, const std::function<void()>& job) {
    std::promise<void> done;
    auto finished = done.get_future();
    post([&job, &done] {
        try {
            job();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
    });
    finished.get();
}

// Calls `run` with a void job wrapping `body` and returns `body`'s result. `run` must have run the job by the
// time it returns; exceptions from `body` pass through.
template <class Run, class F>
auto runReturning(Run&& run, F&& body) -> std::invoke_result_t<F&> {
    using R = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<R>) {
        run([&] { body(); });
    } else {
        std::optional<R> result;
        run([&] { result.emplace(body()); });
        return std::move(*result);
    }
}

}  // namespace quorvane

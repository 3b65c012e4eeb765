#pragma once

// Hands `job` to `post` (which runs it on another thread) and blocks until it has run. Exceptions thrown by
// `job` reach the caller. Used by the queues' synchronous entry points.

#include <exception>
#include <functional>
#include <future>

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

}  // namespace quorvane

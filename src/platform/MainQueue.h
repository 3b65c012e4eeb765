#pragma once

// The main thread's queue: all user interface, coordination, pasteboard monitoring and history writes run
// here. post() and postAfter() are safe from any thread; jobs always run on the main thread, one at a time,
// in the order they became due.

#include <atomic>
#include <functional>
#include <memory>

namespace quorvane {

// A one-shot timer armed by MainQueue::postAfter. Cancels itself when destroyed, so an owner that goes away
// never gets a late callback. Move-only.
class Timer {
public:
    // Shared between the timer and the queue; the queue skips a job whose token was cancelled.
    struct Token {
        std::atomic<bool> cancelled{false};
    };

    Timer() = default;
    explicit Timer(std::shared_ptr<Token> token) : token_(std::move(token)) {}
    Timer(Timer&&) noexcept = default;
    Timer& operator=(Timer&& other) noexcept {
        if (this != &other) {
            cancel();
            token_ = std::move(other.token_);
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() { cancel(); }

    // Stops the timer; its job will not run. Harmless when it already ran or was never armed.
    void cancel() {
        if (token_) token_->cancelled.store(true);
        token_.reset();
    }
    bool isArmed() const { return token_ != nullptr; }

private:
    std::shared_ptr<Token> token_;
};

class MainQueue {
public:
    virtual ~MainQueue() = default;

    // Runs `job` on the main thread on a later turn of the loop, never inside this call.
    virtual void post(std::function<void()> job) = 0;
    // Runs `job` on the main thread once `delaySeconds` have passed, unless the returned timer is cancelled
    // or destroyed first.
    [[nodiscard]] virtual Timer postAfter(double delaySeconds, std::function<void()> job) = 0;
    // True on the thread that runs the queue's jobs.
    virtual bool isMainThread() const = 0;

    // Runs `job` on the main thread and returns when it has finished: inline when already on the main thread,
    // otherwise by posting it and waiting. Exceptions thrown by `job` reach the caller.
    void runSync(const std::function<void()>& job);
};

}  // namespace quorvane

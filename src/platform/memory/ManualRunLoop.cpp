#include "platform/memory/ManualRunLoop.h"

#include <algorithm>
#include <limits>

namespace quorvane {

ManualRunLoop::ManualRunLoop(FakeClock& clock) : clock_(clock), mainThread_(std::this_thread::get_id()) {}

void ManualRunLoop::post(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    entries_.push_back({clock_.now().timeIntervalSince1970, nextSequence_++, nullptr, std::move(job)});
}

Timer ManualRunLoop::postAfter(double delaySeconds, std::function<void()> job) {
    auto token = std::make_shared<Timer::Token>();
    std::lock_guard lock(mutex_);
    const double due = clock_.now().timeIntervalSince1970 + std::max(0.0, delaySeconds);
    entries_.push_back({due, nextSequence_++, token, std::move(job)});
    return Timer(token);
}

bool ManualRunLoop::isMainThread() const {
    return std::this_thread::get_id() == mainThread_;
}

// Takes the earliest due entry (by due time, then by posting order) and runs it outside the lock.
bool ManualRunLoop::runOneDue() {
    Entry entry;
    {
        std::lock_guard lock(mutex_);
        const double now = clock_.now().timeIntervalSince1970;
        auto best = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->due > now) continue;
            if (best == entries_.end() || it->due < best->due ||
                (it->due == best->due && it->sequence < best->sequence)) {
                best = it;
            }
        }
        if (best == entries_.end()) return false;
        entry = std::move(*best);
        entries_.erase(best);
    }
    if (entry.token && entry.token->cancelled.load()) return true;
    entry.job();
    return true;
}

std::size_t ManualRunLoop::runUntilIdle() {
    std::size_t ran = 0;
    while (runOneDue()) ++ran;
    return ran;
}

std::size_t ManualRunLoop::advance(double seconds) {
    const double target = clock_.now().timeIntervalSince1970 + seconds;
    std::size_t ran = runUntilIdle();
    for (;;) {
        double nextDue = std::numeric_limits<double>::infinity();
        {
            std::lock_guard lock(mutex_);
            for (const auto& entry : entries_) {
                if (entry.token && entry.token->cancelled.load()) continue;
                nextDue = std::min(nextDue, entry.due);
            }
        }
        if (nextDue > target) break;
        if (nextDue > clock_.now().timeIntervalSince1970) clock_.set(Date(nextDue));
        ran += runUntilIdle();
    }
    if (clock_.now().timeIntervalSince1970 < target) clock_.set(Date(target));
    return ran + runUntilIdle();
}

std::size_t ManualRunLoop::pendingCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), [](const Entry& entry) {
        return !entry.token || !entry.token->cancelled.load();
    }));
}

}  // namespace quorvane

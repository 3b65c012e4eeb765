#pragma once

// Window activation for tests: the active window is whatever the test says; an activation request makes its
// target active after a set number of checks of the active window, or never.

#include <map>
#include <optional>
#include <vector>

#include "platform/WindowActivation.h"

namespace quorvane {

class InMemoryWindowActivation final : public WindowActivation {
public:
    std::optional<ReturnTarget> activeWindow() const override {
        if (pending_ && checksUntilActive_ >= 0 && checksSincePending_++ >= checksUntilActive_) {
            active_ = pending_;
            pending_.reset();
        }
        return active_;
    }

    bool activate(const ReturnTarget& target) override {
        requests_.push_back(target);
        if (!acceptsRequests_) return false;
        pending_ = target;
        checksSincePending_ = 0;
        return true;
    }

    std::optional<WindowClass> windowClass(const ReturnTarget& target) const override {
        const auto found = classes_.find(target.window);
        if (found == classes_.end()) return std::nullopt;
        return found->second;
    }

    void setWindowClass(std::uint64_t window, WindowClass windowClass) {
        classes_[window] = std::move(windowClass);
    }
    void setActiveWindow(std::optional<ReturnTarget> target) { active_ = std::move(target); }
    // How many looks at the active window pass before a requested window becomes active; negative: never.
    void setChecksUntilActive(int checks) { checksUntilActive_ = checks; }
    // False: every request fails as for a window that is gone.
    void setAcceptsRequests(bool accepts) { acceptsRequests_ = accepts; }
    const std::vector<ReturnTarget>& requests() const { return requests_; }

private:
    mutable std::optional<ReturnTarget> active_;
    mutable std::optional<ReturnTarget> pending_;
    mutable int checksSincePending_ = 0;
    int checksUntilActive_ = 0;
    bool acceptsRequests_ = true;
    std::vector<ReturnTarget> requests_;
    std::map<std::uint64_t, WindowClass> classes_;
};

}  // namespace quorvane

#pragma once

// A list of callbacks that a Qt-free object notifies when its state changes. Adding, removing and notifying
// are safe from any thread; callbacks run synchronously on the notifying thread, outside the list's lock, so
// a callback may add or remove subscriptions.
//
// The list itself never defers. Observable state that windows read (view models, coordinators) defers for it:
// the owner stores every field of one change first, then posts notify() to the next main-queue turn, so an
// observer never sees a half-applied change and never runs inside the call that made it.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace quorvane {

// Keeps one callback subscribed; unsubscribes when destroyed. Outliving the list is harmless. Move-only.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : cancel_(std::exchange(other.cancel_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            cancel_ = std::exchange(other.cancel_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (cancel_) std::exchange(cancel_, nullptr)();
    }

private:
    std::function<void()> cancel_;
};

template <class... Args>
class CallbackList {
public:
    using Callback = std::function<void(Args...)>;

    CallbackList() : state_(std::make_shared<State>()) {}
    CallbackList(const CallbackList&) = delete;
    CallbackList& operator=(const CallbackList&) = delete;

    [[nodiscard]] Subscription subscribe(Callback callback) {
        std::uint64_t id;
        {
            std::lock_guard lock(state_->mutex);
            id = state_->nextId++;
            state_->callbacks.emplace(id, std::make_shared<Callback>(std::move(callback)));
        }
        std::weak_ptr<State> weak = state_;
        return Subscription([weak, id] {
            if (auto state = weak.lock()) {
                std::lock_guard lock(state->mutex);
                state->callbacks.erase(id);
            }
        });
    }

    // Calls every callback subscribed when the notification starts, unless it is removed before its turn.
    void notify(Args... args) const {
        std::vector<std::pair<std::uint64_t, std::shared_ptr<Callback>>> targets;
        {
            std::lock_guard lock(state_->mutex);
            targets.assign(state_->callbacks.begin(), state_->callbacks.end());
        }
        for (const auto& [id, callback] : targets) {
            {
                std::lock_guard lock(state_->mutex);
                if (!state_->callbacks.count(id)) continue;
            }
            (*callback)(args...);
        }
    }

    std::size_t size() const {
        std::lock_guard lock(state_->mutex);
        return state_->callbacks.size();
    }

private:
    struct State {
        std::mutex mutex;
        std::map<std::uint64_t, std::shared_ptr<Callback>> callbacks;
        std::uint64_t nextId = 1;
    };
    std::shared_ptr<State> state_;
};

}  // namespace quorvane

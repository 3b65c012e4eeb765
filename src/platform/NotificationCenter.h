#pragma once

// Named notifications such as "Quorvane.ClipboardHistoryDidChange", optionally with a user-info dictionary.
// post() is safe from any thread; observers are called on the main queue, on a later turn of the loop, never
// inside post(). An observer removed before delivery is not called.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/DefaultsValue.h"
#include "platform/MainQueue.h"

namespace quorvane {

class NotificationCenter;

// What a notification carries beside its name; empty for most.
using NotificationUserInfo = DefaultsValue::Dictionary;

// Keeps one observer registered; removes it when destroyed. Move-only.
class NotificationObservation {
public:
    NotificationObservation() = default;
    NotificationObservation(NotificationCenter* center, std::uint64_t token)
        : center_(center), token_(token) {}
    NotificationObservation(NotificationObservation&& other) noexcept { *this = std::move(other); }
    NotificationObservation& operator=(NotificationObservation&& other) noexcept;
    NotificationObservation(const NotificationObservation&) = delete;
    NotificationObservation& operator=(const NotificationObservation&) = delete;
    ~NotificationObservation() { reset(); }

    // Removes the observer now.
    void reset();

private:
    NotificationCenter* center_ = nullptr;
    std::uint64_t token_ = 0;
};

class NotificationCenter {
public:
    explicit NotificationCenter(MainQueue& mainQueue);
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // Registers `callback` for notifications named `name`; it stays registered while the result lives.
    [[nodiscard]] NotificationObservation addObserver(const std::string& name,
                                                      std::function<void()> callback);
    // The same, for an observer that reads the notification's user info.
    using UserInfoCallback = std::function<void(const NotificationUserInfo&)>;
    [[nodiscard]] NotificationObservation addObserver(const std::string& name, UserInfoCallback callback);
    // Removes the observer registered under `token`; unknown tokens are ignored.
    void removeObserver(std::uint64_t token);
    // Delivers `name` to its observers on the main queue.
    void post(const std::string& name, NotificationUserInfo userInfo = {});

private:
    struct Observer {
        std::string name;
        std::shared_ptr<UserInfoCallback> callback;
    };

    MainQueue& mainQueue_;
    // Shared with posted deliveries, so a delivery after the center is gone does nothing.
    struct State {
        std::mutex mutex;
        std::map<std::uint64_t, Observer> observers;
        std::uint64_t nextToken = 1;
    };
    std::shared_ptr<State> state_;
};

}  // namespace quorvane

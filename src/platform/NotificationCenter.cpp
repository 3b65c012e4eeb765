#include "platform/NotificationCenter.h"

#include <vector>

namespace quorvane {

NotificationObservation& NotificationObservation::operator=(NotificationObservation&& other) noexcept {
    if (this != &other) {
        reset();
        center_ = other.center_;
        token_ = other.token_;
        other.center_ = nullptr;
        other.token_ = 0;
    }
    return *this;
}

void NotificationObservation::reset() {
    if (center_) center_->removeObserver(token_);
    center_ = nullptr;
    token_ = 0;
}

NotificationCenter::NotificationCenter(MainQueue& mainQueue)
    : mainQueue_(mainQueue), state_(std::make_shared<State>()) {}

NotificationObservation NotificationCenter::addObserver(const std::string& name,
                                                        std::function<void()> callback) {
    return addObserver(name, [callback = std::move(callback)](const NotificationUserInfo&) { callback(); });
}

NotificationObservation NotificationCenter::addObserver(const std::string& name, UserInfoCallback callback) {
    std::lock_guard lock(state_->mutex);
    const std::uint64_t token = state_->nextToken++;
    state_->observers.emplace(token, Observer{name, std::make_shared<UserInfoCallback>(std::move(callback))});
    return NotificationObservation(this, token);
}

void NotificationCenter::removeObserver(std::uint64_t token) {
    std::lock_guard lock(state_->mutex);
    state_->observers.erase(token);
}

void NotificationCenter::post(const std::string& name, NotificationUserInfo userInfo) {
    std::weak_ptr<State> weakState = state_;
    mainQueue_.post([weakState, name, userInfo = std::move(userInfo)] {
        auto state = weakState.lock();
        if (!state) return;
        std::vector<std::pair<std::uint64_t, std::shared_ptr<UserInfoCallback>>> targets;
        {
            std::lock_guard lock(state->mutex);
            for (const auto& [token, observer] : state->observers) {
                if (observer.name == name) targets.emplace_back(token, observer.callback);
            }
        }
        for (const auto& [token, callback] : targets) {
            // An earlier observer may have removed this one during the delivery.
            bool stillRegistered;
            {
                std::lock_guard lock(state->mutex);
                stillRegistered = state->observers.count(token) > 0;
            }
            if (stillRegistered) (*callback)(userInfo);
        }
    });
}

}  // namespace quorvane

#pragma once

// Key-downs typed by the test: the double of the global key monitor. press() delivers on the calling thread,
// as the real monitor delivers on its own event thread. Safe from any thread.

#include <atomic>

#include "platform/KeyEventMonitor.h"

namespace quorvane {

class InMemoryKeyEventMonitor : public KeyEventMonitor {
public:
    std::optional<Subscription> addGlobalKeyDownMonitor(Handler handler) override {
        if (!available_) return std::nullopt;
        return handlers_.subscribe(std::move(handler));
    }

    // When false, installing fails as it does without a display.
    void setAvailable(bool available) { available_ = available; }
    // Hands `event` to every installed handler.
    void press(const KeyDownEvent& event) { handlers_.notify(event); }
    std::size_t installedMonitorCount() const { return handlers_.size(); }

private:
    std::atomic<bool> available_{true};
    CallbackList<const KeyDownEvent&> handlers_;
};

}  // namespace quorvane

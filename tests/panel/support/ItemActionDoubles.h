#pragma once

// Doubles of what the item actions and the pin windows reach: a save panel that answers as scripted (or holds
// the request), and a pin window that counts its presentations.

#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include "panel/model/ClipboardSavePanelPresenting.h"
#include "panel/model/PinWindowPresenting.h"

namespace quorvane::testing {

class FakeSavePanelPresenter final : public ClipboardSavePanelPresenting {
public:
    void present(const ClipboardSavePanelRequest& request, Completion completion) override {
        requests.push_back(request);
        if (script_.empty()) {
            held_.push_back(std::move(completion));
            return;
        }
        auto answer = script_.front();
        script_.pop_front();
        completion(answer);
    }
    // The next requests are answered at once with these destinations (none: cancelled).
    void script(std::optional<std::filesystem::path> destination) {
        script_.push_back(std::move(destination));
    }
    bool answer(std::optional<std::filesystem::path> destination) {
        if (held_.empty()) return false;
        auto completion = std::move(held_.front());
        held_.pop_front();
        completion(std::move(destination));
        return true;
    }

    std::vector<ClipboardSavePanelRequest> requests;

private:
    std::deque<std::optional<std::filesystem::path>> script_;
    std::deque<Completion> held_;
};

class FakePinWindow final : public PinWindowPresenting {
public:
    void present() override { ++presentCount; }
    int presentCount = 0;
};

}  // namespace quorvane::testing

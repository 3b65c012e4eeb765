#pragma once

// A folder picker for tests: remembers every request and answers with the next scripted folder at once
// (nothing: cancelled), or holds the request until the test answers it. Call on the main queue only.

#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/FolderPicker.h"

namespace quorvane {

class FakeFolderPicker final : public FolderPicker {
public:
    void chooseFolder(const FolderPickerRequest& request, Completion completion) override {
        requests.push_back(request);
        if (script_.empty()) {
            held_.push_back(std::move(completion));
            return;
        }
        const auto folder = script_.front();
        script_.pop_front();
        completion(folder);
    }

    // The next requests are answered with these folders, in order.
    void script(std::vector<std::optional<std::filesystem::path>> folders) {
        script_.insert(script_.end(), folders.begin(), folders.end());
    }
    // Answers the oldest held request; returns false when none is held.
    bool answer(const std::optional<std::filesystem::path>& folder) {
        if (held_.empty()) return false;
        Completion completion = std::move(held_.front());
        held_.pop_front();
        completion(folder);
        return true;
    }

    std::vector<FolderPickerRequest> requests;

private:
    std::deque<std::optional<std::filesystem::path>> script_;
    std::deque<Completion> held_;
};

}  // namespace quorvane

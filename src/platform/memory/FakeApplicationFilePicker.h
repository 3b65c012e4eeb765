#pragma once

// An application-file picker for tests: remembers every request and answers with the next scripted file at
// once (nothing: cancelled), or holds the request until the test answers it. Call on the main queue only.

#include <deque>
#include <vector>

#include "platform/ApplicationFilePicker.h"

namespace quorvane {

class FakeApplicationFilePicker final : public ApplicationFilePicker {
public:
    void chooseApplicationFile(const ApplicationFilePickerRequest& request, Completion completion) override {
        requests.push_back(request);
        if (script_.empty()) {
            held_.push_back(std::move(completion));
            return;
        }
        const auto file = script_.front();
        script_.pop_front();
        completion(file);
    }

    // The next requests are answered with these files, in order.
    void script(std::vector<std::optional<std::filesystem::path>> files) {
        script_.insert(script_.end(), files.begin(), files.end());
    }
    // Answers the oldest held request; returns false when none is held.
    bool answer(const std::optional<std::filesystem::path>& file) {
        if (held_.empty()) return false;
        Completion completion = std::move(held_.front());
        held_.pop_front();
        completion(file);
        return true;
    }

    std::vector<ApplicationFilePickerRequest> requests;

private:
    std::deque<std::optional<std::filesystem::path>> script_;
    std::deque<Completion> held_;
};

}  // namespace quorvane

#pragma once

// An alert presenter for tests: remembers every alert and answers with the next scripted button title at
// once, or holds the alert until the test answers it. A scripted title the alert does not offer, or an
// empty answer, counts as dismissing it. Call on the main queue only.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/AlertPresenter.h"

namespace quorvane {

class FakeAlertPresenter final : public AlertPresenter {
public:
    void present(const Alert& alert, Completion completion) override;
    // Remembers the escape button in `escapeButtons`, then answers as present() does.
    void presentWithEscapeButton(const Alert& alert, std::size_t escapeButton,
                                 Completion completion) override {
        escapeButtons.push_back(escapeButton);
        present(alert, std::move(completion));
    }

    // The next alerts are answered with these titles, in order.
    void script(std::vector<std::optional<std::string>> answers);
    // Answers the oldest held alert; returns false when none is held.
    bool answer(const std::optional<std::string>& buttonTitle);
    std::size_t heldCount() const { return held_.size(); }

    // Every alert shown so far, in order.
    std::vector<Alert> presented;
    // The escape buttons named with presentWithEscapeButton(), in order.
    std::vector<std::size_t> escapeButtons;

private:
    struct Held {
        Alert alert;
        Completion completion;
    };
    static void reply(const Alert& alert, const Completion& completion,
                      const std::optional<std::string>& buttonTitle);

    std::deque<std::optional<std::string>> script_;
    std::deque<Held> held_;
};

}  // namespace quorvane

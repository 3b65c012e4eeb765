#pragma once

// Shows an alert and reports which button was pressed: the confirmations and refusals of the storage moves
// and, later, the settings pages' messages. Buttons appear in the order given; the first is the default
// (Return) and Escape dismisses. Call on the main queue only; the answer arrives there too, exactly once,
// and never inside present() unless the implementation answers at once (the test double may).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

enum class AlertStyle { informational, warning, critical };

struct Alert {
    AlertStyle style = AlertStyle::informational;
    std::string messageText;
    std::string informativeText;
    std::vector<std::string> buttonTitles;

    bool operator==(const Alert&) const = default;
};

class AlertPresenter {
public:
    // The index into Alert::buttonTitles of the pressed button; nothing when the alert was dismissed
    // without one (Escape, the window closed).
    using Completion = std::function<void(std::optional<std::size_t> pressedButton)>;

    virtual ~AlertPresenter() = default;

    // Shows `alert` modally and calls `completion` once it is answered.
    virtual void present(const Alert& alert, Completion completion) = 0;
    // The same, with Escape pressing the button at `escapeButton` (a Cancel that is not the first button).
    // Presenters without Escape handling of their own show the alert as present() does.
    virtual void presentWithEscapeButton(const Alert& alert, std::size_t escapeButton,
                                         Completion completion) {
        (void)escapeButton;
        present(alert, std::move(completion));
    }
};

}  // namespace quorvane

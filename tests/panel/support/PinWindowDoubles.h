#pragma once

// Pin window services over shared test doubles: every window's save dialog and alerts go to the same fakes,
// and the window each was made for is remembered.

#include <memory>
#include <vector>

#include "panel/support/ItemActionDoubles.h"
#include "panel/widgets/PinWindow.h"

namespace quorvane::testing {

class ForwardingSavePanelPresenter final : public ClipboardSavePanelPresenting {
public:
    explicit ForwardingSavePanelPresenter(ClipboardSavePanelPresenting& target) : target_(target) {}
    void present(const ClipboardSavePanelRequest& request, Completion completion) override {
        target_.present(request, std::move(completion));
    }

private:
    ClipboardSavePanelPresenting& target_;
};

class ForwardingAlertPresenter final : public AlertPresenter {
public:
    explicit ForwardingAlertPresenter(AlertPresenter& target) : target_(target) {}
    void present(const Alert& alert, Completion completion) override {
        target_.present(alert, std::move(completion));
    }
    void presentWithEscapeButton(const Alert& alert, std::size_t escapeButton,
                                 Completion completion) override {
        target_.presentWithEscapeButton(alert, escapeButton, std::move(completion));
    }

private:
    AlertPresenter& target_;
};

// `owners`, when given, collects the windows the presenters were made for.
inline PinWindowServices forwardingPinWindowServices(ClipboardSavePanelPresenting& savePanel,
                                                     AlertPresenter& alerts, Pasteboard& pasteboard,
                                                     std::vector<QWidget*>* owners = nullptr) {
    return PinWindowServices{
        [&savePanel, owners](QWidget* window) -> std::unique_ptr<ClipboardSavePanelPresenting> {
            if (owners) owners->push_back(window);
            return std::make_unique<ForwardingSavePanelPresenter>(savePanel);
        },
        [&alerts](QWidget*) -> std::unique_ptr<AlertPresenter> {
            return std::make_unique<ForwardingAlertPresenter>(alerts);
        },
        pasteboard};
}

}  // namespace quorvane::testing

#include "panel/widgets/PanelItemActions.h"

#include "panel/widgets/SystemClipboardSavePanelPresenter.h"
#include "platform/linux/QtAlertPresenter.h"

namespace quorvane {

PanelItemActions::PanelItemActions(std::function<QWidget*()> window, ClipboardItemActionOrigin origin)
    : window_(std::move(window)), origin_(std::move(origin)) {}

PanelItemActions::~PanelItemActions() = default;

const ClipboardItemActionOrigin& PanelItemActions::origin() {
    QWidget* window = window_ ? window_() : nullptr;
    if (!alerts_ || presentersWindow_.data() != window) {
        // Answers still on their way use the earlier presenters: those stay until this object goes.
        if (alerts_) retired_.push_back({std::move(alerts_), std::move(savePanel_)});
        presentersWindow_ = window;
        alerts_ = std::make_unique<QtAlertPresenter>(window);
        savePanel_ = std::make_unique<SystemClipboardSavePanelPresenter>(window);
        origin_.alertPresenter = alerts_.get();
        origin_.savePanelPresenter = savePanel_.get();
    }
    return origin_;
}

void PanelItemActions::bind(ClipboardResultListViewCallbacks& callbacks) {
    std::weak_ptr<char> alive = lifetime_;
    const auto guarded = [this, alive](auto action) {
        return [this, alive, action](const auto& argument) {
            if (!alive.expired()) (this->*action)(argument);
        };
    };
    callbacks.onItemOpenLink = guarded(&PanelItemActions::openLink);
    callbacks.onItemOpenWithDefaultApp = guarded(&PanelItemActions::openWithDefaultApp);
    callbacks.onItemSaveToFile = guarded(&PanelItemActions::save);
    callbacks.onItemPin = guarded(&PanelItemActions::pin);
    callbacks.onItemOCR = guarded(&PanelItemActions::recognizeText);
}

void PanelItemActions::openLink(const std::string& link) {
    if (actions_) actions_->openLink(origin(), link);
}

void PanelItemActions::openWithDefaultApp(const ClipboardHistoryIndexSnapshot& entry) {
    if (actions_) actions_->openWithDefaultApp(origin(), entry);
}

void PanelItemActions::save(const ClipboardHistoryIndexSnapshot& entry) {
    if (actions_) actions_->saveItem(origin(), entry);
}

void PanelItemActions::pin(const ClipboardHistoryIndexSnapshot& entry) {
    if (actions_) actions_->pinItem(origin(), entry);
}

void PanelItemActions::recognizeText(const ClipboardHistoryIndexSnapshot& entry) {
    if (actions_) actions_->recognizeText(origin(), entry);
}

}  // namespace quorvane

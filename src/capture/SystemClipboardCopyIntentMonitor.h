#pragma once

// The copy-keystroke monitor over the desktop's global key-down stream: Command-C and Command-X under the
// stored modifier names (Ctrl-C and Ctrl-X on Linux). Only the direct build starts it, and only with
// accessibility trust. It never logs or keeps a key. Start and stop on the main thread.

#include <optional>

#include "capture/ClipboardCopyIntentMonitoring.h"
#include "platform/KeyEventMonitor.h"

namespace quorvane {

class SystemClipboardCopyIntentMonitor final : public ClipboardCopyIntentMonitoring {
public:
    explicit SystemClipboardCopyIntentMonitor(KeyEventMonitor& keyEventMonitor);
    ~SystemClipboardCopyIntentMonitor() override;
    SystemClipboardCopyIntentMonitor(const SystemClipboardCopyIntentMonitor&) = delete;
    SystemClipboardCopyIntentMonitor& operator=(const SystemClipboardCopyIntentMonitor&) = delete;

    bool isRunning() const override { return eventMonitor_.has_value(); }
    bool start(std::function<void()> handler) override;
    void stop() override;

    // A first key-down (no auto-repeat) of C or X, told by the character the layout gives the key, with
    // Command held and neither Option nor Control; Shift, Caps Lock and Function do not matter.
    static bool isCopyIntent(const KeyDownEvent& event);

private:
    KeyEventMonitor& keyEventMonitor_;
    std::optional<Subscription> eventMonitor_;
};

}  // namespace quorvane

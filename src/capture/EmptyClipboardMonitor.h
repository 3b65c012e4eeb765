#pragma once

// Stands in for the pasteboard monitor while none exists (before the clipboard services are built, after
// their tear-down, when the history store failed to open). Only remembers the pause flag. Main thread only.

#include "capture/ClipboardMonitorProtocol.h"

namespace quorvane {

class EmptyClipboardMonitor final : public ClipboardMonitorProtocol {
public:
    bool isTemporarilyPaused() const override { return isTemporarilyPaused_; }
    void stopMonitoring() override { isTemporarilyPaused_ = false; }
    void pauseTemporarily() override { isTemporarilyPaused_ = true; }
    void resumeAfterTemporaryPause() override { isTemporarilyPaused_ = false; }
    // There is no capture to suspend: runs the body at once.
    void runWithCaptureSuspended(const std::function<void()>& body) override { body(); }

private:
    bool isTemporarilyPaused_ = false;
};

}  // namespace quorvane

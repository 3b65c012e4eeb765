#pragma once

// Whether this process may act on other programs (post the paste keystroke, watch key-downs, read the caret),
// and the request that asks the desktop to allow it. The accessibility permission manager wraps it.
// Call on the main queue.

namespace quorvane {

class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;

    // True when the process can act on other programs now. Asked afresh on every call.
    virtual bool isProcessTrusted() const = 0;
    // Asks the desktop to grant what isProcessTrusted() and the caret lookups need; returns
    // isProcessTrusted() afterwards. May wait briefly for the desktop's answer.
    virtual bool requestTrust() = 0;
};

}  // namespace quorvane

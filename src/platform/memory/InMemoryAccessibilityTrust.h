#pragma once

// Accessibility trust set by the test, with the requests it received. Main queue only.

#include "platform/AccessibilityTrust.h"

namespace quorvane {

class InMemoryAccessibilityTrust : public AccessibilityTrust {
public:
    explicit InMemoryAccessibilityTrust(bool trusted = false) : trusted_(trusted) {}

    bool isProcessTrusted() const override { return trusted_; }
    bool requestTrust() override {
        ++requestCount_;
        if (grantsOnRequest_) trusted_ = true;
        return trusted_;
    }

    void setTrusted(bool trusted) { trusted_ = trusted; }
    // Whether a request grants trust at once (as when the desktop's accessibility switch was all that
    // lacked).
    void setGrantsOnRequest(bool grants) { grantsOnRequest_ = grants; }
    int requestCount() const { return requestCount_; }

private:
    bool trusted_;
    bool grantsOnRequest_ = false;
    int requestCount_ = 0;
};

}  // namespace quorvane

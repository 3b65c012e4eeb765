#pragma once

// A frontmost application set by the test: the double of the active-window lookup. Main queue only.

#include "platform/FrontmostApplicationProvider.h"

namespace quorvane {

class InMemoryFrontmostApplicationProvider : public FrontmostApplicationProvider {
public:
    std::optional<FrontmostApplication> frontmostApplication() const override {
        ++lookupCount_;
        return application_;
    }

    void setFrontmostApplication(std::optional<FrontmostApplication> application) {
        application_ = std::move(application);
    }
    // Shorthand: a program known only by its bundle identifier (absent: a window that names no program).
    void setFrontmostBundleIdentifier(std::optional<std::string> bundleIdentifier) {
        application_ =
            FrontmostApplication{bundleIdentifier, bundleIdentifier.value_or(""), std::nullopt, {}};
    }
    int lookupCount() const { return lookupCount_; }

private:
    std::optional<FrontmostApplication> application_;
    mutable int lookupCount_ = 0;
};

}  // namespace quorvane

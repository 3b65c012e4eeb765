#pragma once
// Keeps the activation policy that was in force before the wizard was first shown, switches to the regular
// policy while it is open and restores the kept one when it closes. Showing twice without closing keeps the
// first policy only. Main thread only.

#include <optional>

#include "platform/ActivationPolicy.h"

namespace quorvane {

class OnboardingActivationKeeper {
public:
    // `policy` must outlive the keeper.
    explicit OnboardingActivationKeeper(ActivationPolicy& policy) : policy_(policy) {}

    void willShow();
    void didClose();
    const std::optional<ApplicationActivationPolicy>& previousPolicy() const { return previous_; }

private:
    ActivationPolicy& policy_;
    std::optional<ApplicationActivationPolicy> previous_;
};

}  // namespace quorvane

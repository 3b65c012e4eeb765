#include "onboarding/model/OnboardingActivationKeeper.h"

namespace quorvane {

void OnboardingActivationKeeper::willShow() {
    if (!previous_) previous_ = policy_.current();
    if (policy_.current() != ApplicationActivationPolicy::regular)
        policy_.set(ApplicationActivationPolicy::regular);
}

void OnboardingActivationKeeper::didClose() {
    if (!previous_) return;
    policy_.set(*previous_);
    previous_.reset();
}

}  // namespace quorvane

#pragma once
// The wizard's steps and where the user is among them. Only the direct build offers the presentation step,
// so the list has five steps there and four otherwise. Plain values.

#include <string>
#include <vector>

#include "preferences/DistributionChannel.h"

namespace quorvane {

enum class OnboardingStep { welcome, tutorial, presentation, recording, shortcut };

std::vector<OnboardingStep> onboardingSteps(DistributionChannel channel);

// What the frame around the pages shows for the current step.
struct OnboardingNavigationState {
    std::size_t index = 0;  // 0 when the step is not in the list
    std::size_t stepCount = 0;
    bool backEnabled = false;
    bool isLastStep = false;  // Next hidden and the finish button shown (and taking Return)
    std::string progressText;
    friend bool operator==(const OnboardingNavigationState&, const OnboardingNavigationState&) = default;
};

OnboardingNavigationState onboardingNavigationState(DistributionChannel channel, OnboardingStep current);
// The neighbouring step, or `current` itself at either end or when it is not in the list.
OnboardingStep onboardingNextStep(DistributionChannel channel, OnboardingStep current);
OnboardingStep onboardingPreviousStep(DistributionChannel channel, OnboardingStep current);

}  // namespace quorvane

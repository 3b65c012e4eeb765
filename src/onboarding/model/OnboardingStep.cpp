#include "onboarding/model/OnboardingStep.h"

#include <algorithm>

#include "l10n/L10n.h"

namespace quorvane {

std::vector<OnboardingStep> onboardingSteps(DistributionChannel channel) {
    std::vector<OnboardingStep> steps{OnboardingStep::welcome, OnboardingStep::tutorial};
    if (channel == DistributionChannel::direct) steps.push_back(OnboardingStep::presentation);
    steps.push_back(OnboardingStep::recording);
    steps.push_back(OnboardingStep::shortcut);
    return steps;
}

namespace {

std::optional<std::size_t> indexOf(const std::vector<OnboardingStep>& steps, OnboardingStep step) {
    const auto found = std::find(steps.begin(), steps.end(), step);
    if (found == steps.end()) return std::nullopt;
    return static_cast<std::size_t>(found - steps.begin());
}

}  // namespace

OnboardingNavigationState onboardingNavigationState(DistributionChannel channel, OnboardingStep current) {
    const auto steps = onboardingSteps(channel);
    OnboardingNavigationState state;
    state.index = indexOf(steps, current).value_or(0);
    state.stepCount = steps.size();
    state.backEnabled = state.index != 0;
    state.isLastStep = state.index + 1 == steps.size();
    state.progressText =
        L10n::text(L10nKey::onboardingStepOfTotal, static_cast<std::int64_t>(state.index + 1),
                   static_cast<std::int64_t>(steps.size()));
    return state;
}

OnboardingStep onboardingNextStep(DistributionChannel channel, OnboardingStep current) {
    const auto steps = onboardingSteps(channel);
    const auto index = indexOf(steps, current);
    if (!index || *index + 1 >= steps.size()) return current;
    return steps[*index + 1];
}

OnboardingStep onboardingPreviousStep(DistributionChannel channel, OnboardingStep current) {
    const auto steps = onboardingSteps(channel);
    const auto index = indexOf(steps, current);
    if (!index || *index == 0) return current;
    return steps[*index - 1];
}

}  // namespace quorvane

#include <gtest/gtest.h>

#include "l10n/L10n.h"
#include "onboarding/model/OnboardingActivationKeeper.h"
#include "onboarding/model/OnboardingStep.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "platform/memory/InMemoryActivationPolicy.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/SettingsAccessors.h"
#include "support/LogCapture.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {
namespace {

class FakeAccessibility : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override {
        return trusted ? AccessibilityPermissionStatus::authorized : AccessibilityPermissionStatus::denied;
    }
    bool isTrusted() const override { return trusted; }
    bool hasRequestedPermission() const override { return requested; }
    void requestPermission() override { ++requests; }
    void openSystemSettings() override { ++settingsOpened; }
    void openURL(const std::string&) override {}
    bool canOpenSystemSettings() const override { return hasSettings; }
    bool trusted = false;
    bool hasSettings = true;
    bool requested = false;
    int requests = 0;
    int settingsOpened = 0;
};

class OnboardingViewModelTest : public ::testing::Test {
protected:
    OnboardingViewModel makeModel(DistributionChannel channel = DistributionChannel::direct) {
        OnboardingViewModel model(defaults_, channel, accessibility_);
        model.onClipboardHotkeySaved = [this] { ++savedCalls_; };
        return model;
    }
    std::optional<KeyCombo> storedHotkey() const {
        const auto data = defaults_.dataValue(ClipboardHotkeySetting::key);
        if (!data) return std::nullopt;
        return KeyCombo::decode(*data);
    }

    InMemoryUserDefaults defaults_;
    FakeAccessibility accessibility_;
    int savedCalls_ = 0;
    testing::LogCapture log_;
};

TEST(OnboardingStepTest, NavigationWalksTheChannelsSteps) {
    EXPECT_EQ(onboardingSteps(DistributionChannel::direct).size(), 5u);
    EXPECT_EQ(onboardingSteps(DistributionChannel::appStore).size(), 4u);

    auto state = onboardingNavigationState(DistributionChannel::unknown, OnboardingStep::welcome);
    EXPECT_EQ(state.progressText, "Step 1 of 4");
    EXPECT_FALSE(state.backEnabled);
    EXPECT_FALSE(state.isLastStep);

    // Outside the direct build Next skips the presentation step.
    EXPECT_EQ(onboardingNextStep(DistributionChannel::appStore, OnboardingStep::tutorial),
              OnboardingStep::recording);
    EXPECT_EQ(onboardingNextStep(DistributionChannel::direct, OnboardingStep::tutorial),
              OnboardingStep::presentation);
    EXPECT_EQ(onboardingPreviousStep(DistributionChannel::direct, OnboardingStep::welcome),
              OnboardingStep::welcome);
    EXPECT_EQ(onboardingNextStep(DistributionChannel::direct, OnboardingStep::shortcut),
              OnboardingStep::shortcut);

    state = onboardingNavigationState(DistributionChannel::direct, OnboardingStep::shortcut);
    EXPECT_EQ(state.progressText, "Step 5 of 5");
    EXPECT_TRUE(state.backEnabled);
    EXPECT_TRUE(state.isLastStep);

    // A step not in the list counts as the first.
    state = onboardingNavigationState(DistributionChannel::appStore, OnboardingStep::presentation);
    EXPECT_EQ(state.index, 0u);
    EXPECT_EQ(onboardingNextStep(DistributionChannel::appStore, OnboardingStep::presentation),
              OnboardingStep::presentation);
}

TEST_F(OnboardingViewModelTest, FinishStoresTheDefaultHotkeyOnlyWhenNoneAndNotDeleted) {
    auto model = makeModel();
    model.finish();
    EXPECT_EQ(storedHotkey(), KeyCombo::defaultClipboardHistory());
    EXPECT_EQ(savedCalls_, 1);
    EXPECT_EQ(defaults_.boolValue("DidCompleteOnboarding"), true);
    EXPECT_EQ(defaults_.boolValue("DidPresentInitialSettingsWindow"), true);

    // A recorded hot key is kept.
    const KeyCombo recorded{40, hotkeyModifierCommand | hotkeyModifierOption};
    model.saveClipboardHotkey(recorded);
    model.finish();
    EXPECT_EQ(storedHotkey(), recorded);

    // A shortcut the user deleted stays deleted.
    defaults_.remove(ClipboardHotkeySetting::key);
    defaults_.set(ClipboardHotkeySetting::clearedKey, true);
    const int callsBefore = savedCalls_;
    model.finish();
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::key));
    EXPECT_EQ(savedCalls_, callsBefore);

    // Saving a shortcut again lifts the deletion mark.
    model.saveClipboardHotkey(recorded);
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::clearedKey));
}

TEST_F(OnboardingViewModelTest, UnreadableHotkeyIsRemovedAndReplacedOnFinish) {
    auto model = makeModel();
    const std::string junk = "not json";
    defaults_.set(ClipboardHotkeySetting::key, Data(junk.begin(), junk.end()));
    EXPECT_EQ(model.loadClipboardHotkey(), std::nullopt);
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::key));
    EXPECT_TRUE(log_.contains("ERROR", "Failed to read onboarding clipboard hotkey"));

    defaults_.set(ClipboardHotkeySetting::key, std::string("wrong kind"));
    model.finish();
    EXPECT_EQ(storedHotkey(), KeyCombo::defaultClipboardHistory());
}

TEST_F(OnboardingViewModelTest, OneKindOfCaptureAlwaysStaysOn) {
    auto model = makeModel();
    EXPECT_FALSE(model.setImageCaptureEnabled(false));
    EXPECT_TRUE(model.setTextCaptureEnabled(false));  // image is off: text stays on
    EXPECT_EQ(defaults_.boolValue(SettingsKey::textCaptureEnabled), true);
    EXPECT_TRUE(model.setImageCaptureEnabled(true));
    EXPECT_FALSE(model.setTextCaptureEnabled(false));

    // Both off, set elsewhere: finishing turns text capture on.
    defaults_.set(SettingsKey::imageCaptureEnabled, false);
    model.finish();
    EXPECT_EQ(defaults_.boolValue(SettingsKey::textCaptureEnabled), true);
}

TEST_F(OnboardingViewModelTest, PresentationModeIsOnlyStoredInTheDirectBuild) {
    auto direct = makeModel();
    EXPECT_EQ(direct.presentationMode(), DirectClipboardPresentationMode::centered);
    EXPECT_EQ(direct.setPresentationMode(DirectClipboardPresentationMode::floating),
              DirectClipboardPresentationMode::floating);
    EXPECT_EQ(direct.presentationMode(), DirectClipboardPresentationMode::floating);

    defaults_.remove(SettingsKey::directClipboardPresentationMode);
    auto store = makeModel(DistributionChannel::appStore);
    EXPECT_EQ(store.setPresentationMode(DirectClipboardPresentationMode::floating),
              DirectClipboardPresentationMode::centered);
    EXPECT_FALSE(defaults_.contains(SettingsKey::directClipboardPresentationMode));
}

TEST_F(OnboardingViewModelTest, AccessibilityStatusAndItsPresentation) {
    auto model = makeModel();
    EXPECT_EQ(model.accessibilityPermissionStatus(), AccessibilityPermissionStatus::notDetermined);
    accessibility_.requested = true;
    EXPECT_EQ(model.accessibilityPermissionStatus(), AccessibilityPermissionStatus::denied);
    accessibility_.trusted = true;
    EXPECT_EQ(model.accessibilityPermissionStatus(), AccessibilityPermissionStatus::authorized);

    const auto granted =
        model.accessibilityPresentation(AccessibilityPermissionStatus::authorized, "Quorvane");
    EXPECT_EQ(granted.statusText, "Authorized");
    EXPECT_FALSE(granted.buttonsVisible);
    EXPECT_EQ(granted.description.rfind("Quorvane can use", 0), 0u);
    const auto unknown = model.accessibilityPresentation(AccessibilityPermissionStatus::unknown, "Quorvane");
    EXPECT_EQ(unknown.requestButtonTitle, "Re-check");
    EXPECT_TRUE(unknown.buttonsVisible);
    EXPECT_TRUE(unknown.openSettingsButtonVisible);
    EXPECT_FALSE(granted.openSettingsButtonVisible);
    // A desktop without a settings program keeps the request button but not the dead one.
    accessibility_.hasSettings = false;
    const auto denied = model.accessibilityPresentation(AccessibilityPermissionStatus::denied, "Quorvane");
    EXPECT_TRUE(denied.buttonsVisible);
    EXPECT_FALSE(denied.openSettingsButtonVisible);

    model.requestAccessibilityPermission();
    makeModel(DistributionChannel::appStore).requestAccessibilityPermission();
    EXPECT_EQ(accessibility_.requests, 1);
}

TEST(OnboardingActivationKeeperTest, RestoresThePolicyOfTheFirstShow) {
    InMemoryActivationPolicy policy(ApplicationActivationPolicy::accessory);
    OnboardingActivationKeeper keeper(policy);
    keeper.willShow();
    EXPECT_EQ(policy.current(), ApplicationActivationPolicy::regular);
    keeper.willShow();
    EXPECT_EQ(keeper.previousPolicy(), ApplicationActivationPolicy::accessory);
    keeper.didClose();
    EXPECT_EQ(policy.current(), ApplicationActivationPolicy::accessory);
    EXPECT_EQ(keeper.previousPolicy(), std::nullopt);
    const auto changes = policy.changes.size();
    keeper.didClose();
    EXPECT_EQ(policy.changes.size(), changes);
}

}  // namespace
}  // namespace quorvane

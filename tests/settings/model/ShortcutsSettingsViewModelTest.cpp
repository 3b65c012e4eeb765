#include <gtest/gtest.h>

#include "l10n/StandardAppLanguage.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryLaunchAtLoginManager.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "preferences/SettingsAccessors.h"
#include "settings/model/SettingsTestDoubles.h"
#include "settings/model/ShortcutsSettingsViewModel.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Policy = ClipboardHistoryAutoCleanupPolicy;

const KeyCombo kAltSpace{49, hotkeyModifierOption};

class ShortcutsSettingsViewModelTest : public ::testing::Test {
protected:
    std::unique_ptr<ShortcutsSettingsViewModel> makeModel() {
        auto model = std::make_unique<ShortcutsSettingsViewModel>(ShortcutsSettingsViewModel::Dependencies{
            defaults_, notifications_, hotkeys_, launchAtLogin_, alerts_, trayHost_, loop_});
        model->onClipboardHotkeySaved = [this] { ++hotkeySavedCalls_; };
        model->onClipboardHotkeyRecordingChanged = [this](bool recording) {
            recordingCalls_.push_back(recording);
        };
        model->onClipboardAutoCleanupPolicySaved = [this](ClipboardContentType type) {
            cleanups_.push_back(type);
        };
        return model;
    }
    std::optional<KeyCombo> storedHotkey() const {
        const auto data = defaults_.dataValue(ClipboardHotkeySetting::key);
        if (!data) return std::nullopt;
        return KeyCombo::decode(*data);
    }
    bool deletionMarked() const {
        return defaults_.boolValue(ClipboardHotkeySetting::clearedKey).value_or(false);
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    NotificationCenter notifications_{loop_};
    InMemoryUserDefaults defaults_;
    StandardAppLanguage language_{defaults_};
    testing::RecordingHotkeyManager hotkeys_;
    InMemoryLaunchAtLoginManager launchAtLogin_;
    FakeAlertPresenter alerts_;
    InMemoryTrayHost trayHost_{true};
    int hotkeySavedCalls_ = 0;
    std::vector<bool> recordingCalls_;
    std::vector<ClipboardContentType> cleanups_;
    testing::LogCapture log_;
};

TEST_F(ShortcutsSettingsViewModelTest, CaptureSwitchesAndSizeAreStoredClamped) {
    auto model = makeModel();
    EXPECT_TRUE(model->textCaptureEnabled());
    model->setTextCaptureEnabled(false);
    model->setImageCaptureEnabled(false);
    EXPECT_EQ(defaults_.boolValue(SettingsKey::textCaptureEnabled), false);
    EXPECT_EQ(defaults_.boolValue(SettingsKey::imageCaptureEnabled), false);

    EXPECT_EQ(model->maxItemSizeInMB(), 10);
    const std::vector<std::pair<std::string, std::int64_t>> typed = {{"0", 1},
                                                                     {"-5", 1},
                                                                     {"900", 500},
                                                                     {" 42 ", 42},
                                                                     {"+7", 7},
                                                                     {"\t250\n", 250},
                                                                     {"99999999999999999999999", 500},
                                                                     {"-99999999999999999999999", 1}};
    for (const auto& [text, expected] : typed) {
        EXPECT_EQ(model->commitMaxItemSizeText(text, 10), expected) << text;
        EXPECT_EQ(defaults_.integerValue(SettingsKey::maxItemSizeInMB), expected) << text;
    }
    // Not a whole number: the value the field showed before is applied, clamped.
    for (const std::string text : {"", "  ", "12.5", "abc", "4e2", "+", "1 2"}) {
        EXPECT_EQ(model->commitMaxItemSizeText(text, 33), 33) << text;
    }
    EXPECT_EQ(model->commitMaxItemSizeText("x", 700), 500);
    EXPECT_EQ(model->applyMaxItemSize(-3), 1);
    EXPECT_EQ(model->maxItemSizeInMB(), 1);
}

TEST_F(ShortcutsSettingsViewModelTest, LongerRetentionIsStoredAtOnceShorterAsksFirst) {
    auto model = makeModel();
    EXPECT_EQ(model->autoCleanupPolicy(ClipboardContentType::text), Policy::never);

    // From forever to seven days shortens: asked, and Cancel keeps forever.
    model->requestAutoCleanupPolicyChange(ClipboardContentType::text, Policy::sevenDays);
    ASSERT_EQ(alerts_.presented.size(), 1u);
    const Alert& alert = alerts_.presented.back();
    EXPECT_EQ(alert.style, AlertStyle::warning);
    EXPECT_EQ(alert.messageText, "Shorten Text History Retention?");
    EXPECT_EQ(alert.informativeText,
              "Changing text history retention from Forever to 7 Days will immediately remove existing text "
              "history older than 7 Days.\n\nContinue?");
    EXPECT_EQ(alert.buttonTitles, (std::vector<std::string>{"Cancel", "Apply Retention"}));
    alerts_.answer("Cancel");
    EXPECT_FALSE(defaults_.contains(SettingsKey::textAutoCleanupPolicy));
    EXPECT_TRUE(cleanups_.empty());

    model->requestAutoCleanupPolicyChange(ClipboardContentType::image, Policy::thirtyDays);
    alerts_.answer("Apply Retention");
    EXPECT_EQ(defaults_.stringValue(SettingsKey::imageAutoCleanupPolicy), "thirtyDays");
    EXPECT_EQ(cleanups_, std::vector<ClipboardContentType>{ClipboardContentType::image});
    EXPECT_EQ(alerts_.presented.back().messageText, "Shorten Image History Retention?");

    // Thirty to ninety days lengthens, ninety to thirty shortens.
    model->requestAutoCleanupPolicyChange(ClipboardContentType::image, Policy::ninetyDays);
    EXPECT_EQ(alerts_.presented.size(), 2u);
    EXPECT_EQ(defaults_.stringValue(SettingsKey::imageAutoCleanupPolicy), "ninetyDays");
    model->requestAutoCleanupPolicyChange(ClipboardContentType::image, Policy::thirtyDays);
    EXPECT_EQ(alerts_.presented.size(), 3u);
    alerts_.answer(std::nullopt);  // dismissed
    EXPECT_EQ(defaults_.stringValue(SettingsKey::imageAutoCleanupPolicy), "ninetyDays");

    // Forever from one day is never asked; the same period or an unreadable choice stores nothing.
    setClipboardMonitorTextAutoCleanupPolicy(defaults_, Policy::oneDay);
    model->requestAutoCleanupPolicyChange(ClipboardContentType::text, Policy::never);
    EXPECT_EQ(defaults_.stringValue(SettingsKey::textAutoCleanupPolicy), "never");
    cleanups_.clear();
    model->requestAutoCleanupPolicyChange(ClipboardContentType::text, Policy::never);
    model->requestAutoCleanupPolicyChange(ClipboardContentType::text, std::nullopt);
    EXPECT_TRUE(cleanups_.empty());
    EXPECT_EQ(alerts_.presented.size(), 3u);
}

TEST_F(ShortcutsSettingsViewModelTest, AnAnswerAfterTheModelIsGoneDoesNothing) {
    auto model = makeModel();
    model->requestAutoCleanupPolicyChange(ClipboardContentType::text, Policy::oneDay);
    model.reset();
    alerts_.answer("Apply Retention");
    EXPECT_FALSE(defaults_.contains(SettingsKey::textAutoCleanupPolicy));
}

TEST_F(ShortcutsSettingsViewModelTest, SavingAndDeletingTheShortcutLastsAndReachesTheShell) {
    ClipboardHotkeySetting::store(defaults_, KeyCombo::defaultClipboardHistory());
    auto model = makeModel();
    EXPECT_EQ(model->clipboardHistoryHotkey(), KeyCombo::defaultClipboardHistory());
    EXPECT_TRUE(model->isDeleteButtonVisible());
    EXPECT_FALSE(model->isResetButtonEnabled());

    model->saveClipboardHistoryHotkey(kAltSpace);
    EXPECT_EQ(storedHotkey(), kAltSpace);
    EXPECT_EQ(hotkeys_.unregistered, std::vector<KeyCombo>{KeyCombo::defaultClipboardHistory()});
    EXPECT_TRUE(model->isResetButtonEnabled());
    EXPECT_EQ(hotkeySavedCalls_, 1);

    // The tray icon is shown, so deleting needs no question; the deletion is marked so no default returns.
    model->deleteShortcutRequested();
    EXPECT_TRUE(alerts_.presented.empty());
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::key));
    EXPECT_TRUE(deletionMarked());
    EXPECT_FALSE(model->isDeleteButtonVisible());
    EXPECT_TRUE(model->isResetButtonEnabled());
    EXPECT_EQ(hotkeySavedCalls_, 2);

    model->resetClipboardHotkeyToDefault();
    EXPECT_EQ(storedHotkey(), KeyCombo::defaultClipboardHistory());
    EXPECT_FALSE(deletionMarked());
    EXPECT_FALSE(model->isResetButtonEnabled());
}

TEST_F(ShortcutsSettingsViewModelTest, UnreadableStoredShortcutIsRemovedAndChangesElsewhereShow) {
    auto model = makeModel();
    int changes = 0;
    auto subscription = model->observeChanges([&changes] { ++changes; });
    defaults_.set(ClipboardHotkeySetting::key, DefaultsValue(Data{'{', 'x'}));
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::key));
    EXPECT_TRUE(log_.contains("ERROR", "Failed to load clipboard hotkey"));
    EXPECT_EQ(model->clipboardHistoryHotkey(), std::nullopt);

    // Another window stores a shortcut: shown, and observers hear of it on the next turn only.
    ClipboardHotkeySetting::store(defaults_, kAltSpace);
    EXPECT_EQ(model->clipboardHistoryHotkey(), kAltSpace);
    EXPECT_EQ(changes, 0);
    loop_.runUntilIdle();
    EXPECT_EQ(changes, 1);
}

TEST_F(ShortcutsSettingsViewModelTest, DeletingWithTheIconHiddenOffersToShowItAgain) {
    ClipboardHotkeySetting::store(defaults_, kAltSpace);
    setMenuBarShowIcon(defaults_, false);
    auto model = makeModel();

    model->deleteShortcutRequested();
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(alerts_.presented[0].messageText, "Keep an Entry Point Available");
    EXPECT_EQ(alerts_.presented[0].buttonTitles,
              (std::vector<std::string>{"Cancel", "Show Tray Icon and Remove Shortcut"}));
    alerts_.answer("Cancel");
    EXPECT_EQ(storedHotkey(), kAltSpace);
    EXPECT_FALSE(menuBarShowIcon(defaults_));

    model->deleteShortcutRequested();
    alerts_.answer("Show Tray Icon and Remove Shortcut");
    EXPECT_TRUE(menuBarShowIcon(defaults_));
    EXPECT_EQ(storedHotkey(), std::nullopt);
    EXPECT_TRUE(deletionMarked());
}

TEST_F(ShortcutsSettingsViewModelTest, HidingTheIconNeedsAShortcut) {
    ClipboardHotkeySetting::clear(defaults_);
    defaults_.set(SettingsKey::menuBarStatusItemHiddenBySystem, DefaultsValue(true));
    auto model = makeModel();

    model->setMenuBarShowIconRequested(false);
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(alerts_.presented[0].messageText, "A Shortcut Is Required");
    EXPECT_NE(
        alerts_.presented[0].informativeText.find("Restore the default shortcut Super+Shift+V and continue?"),
        std::string::npos);
    alerts_.answer("Cancel");
    EXPECT_TRUE(menuBarShowIcon(defaults_));
    EXPECT_FALSE(defaults_.contains(ClipboardHotkeySetting::key));

    model->setMenuBarShowIconRequested(false);
    alerts_.answer("Restore Shortcut and Hide");
    EXPECT_EQ(storedHotkey(), KeyCombo::defaultClipboardHistory());
    EXPECT_FALSE(deletionMarked());
    EXPECT_EQ(defaults_.boolValue(SettingsKey::menuBarShowIcon), false);
    EXPECT_EQ(defaults_.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), false);

    // With a shortcut, showing and hiding ask nothing.
    model->setMenuBarShowIconRequested(true);
    model->setMenuBarShowIconRequested(false);
    EXPECT_EQ(alerts_.presented.size(), 2u);
    EXPECT_FALSE(menuBarShowIcon(defaults_));
}

TEST_F(ShortcutsSettingsViewModelTest, HiddenBySystemHintFollowsTheTrayHostAndLeavesLate) {
    trayHost_.setAvailable(false);
    auto model = makeModel();
    model->updateMenuBarSystemVisibilityHint();
    EXPECT_TRUE(model->isMenuBarHintVisible());

    // The tray comes back: the hint stays for a moment, then goes.
    trayHost_.setAvailable(true);
    model->updateMenuBarSystemVisibilityHint();
    EXPECT_TRUE(model->isMenuBarHintVisible());
    loop_.advance(0.5);
    EXPECT_TRUE(model->isMenuBarHintVisible());
    loop_.advance(0.2);
    EXPECT_FALSE(model->isMenuBarHintVisible());

    // The desktop reports the icon hidden; the user hides the icon: the mark is cleared, the hint goes at
    // once.
    defaults_.set(SettingsKey::menuBarStatusItemHiddenBySystem, DefaultsValue(true));
    loop_.runUntilIdle();
    EXPECT_TRUE(model->isMenuBarHintVisible());
    ClipboardHotkeySetting::store(defaults_, kAltSpace);
    model->setMenuBarShowIconRequested(false);
    EXPECT_FALSE(model->isMenuBarHintVisible());
    EXPECT_EQ(defaults_.boolValue(SettingsKey::menuBarStatusItemHiddenBySystem), false);
}

TEST_F(ShortcutsSettingsViewModelTest, LaunchAtLoginFollowsTheStatusAndReportsFailures) {
    auto model = makeModel();
    const std::vector<std::pair<LaunchAtLoginStatus, ShortcutsSettingsViewModel::LaunchAtLoginState>> cases =
        {{LaunchAtLoginStatus::enabled, {true, true, false}},
         {LaunchAtLoginStatus::notRegistered, {false, true, false}},
         {LaunchAtLoginStatus::requiresApproval, {false, true, true}},
         {LaunchAtLoginStatus::notFound, {false, true, false}},
         {LaunchAtLoginStatus::unknown, {false, false, false}}};
    for (const auto& [status, state] : cases) {
        launchAtLogin_.setStatus(status);
        model->refreshLaunchAtLoginState();
        EXPECT_EQ(model->launchAtLoginState(), state) << static_cast<int>(status);
    }

    launchAtLogin_.setStatus(LaunchAtLoginStatus::notRegistered);
    model->setLaunchAtLogin(true);
    EXPECT_TRUE(model->launchAtLoginState().checked);

    launchAtLogin_.failure = std::make_exception_ptr(std::runtime_error("autostart folder is read-only"));
    model->setLaunchAtLogin(false);
    EXPECT_TRUE(log_.contains("ERROR", "Failed to update launch at login: autostart folder is read-only"));
    EXPECT_TRUE(model->launchAtLoginState().checked);
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(alerts_.presented[0].messageText, "Could Not Update Startup Setting");
    EXPECT_EQ(alerts_.presented[0].buttonTitles, std::vector<std::string>{"OK"});
}

TEST_F(ShortcutsSettingsViewModelTest, ARecordingCutShortByTheModelsEndStillResumesTheHotkey) {
    auto model = makeModel();
    model->recordingChanged(true);
    model->recordingChanged(true);
    EXPECT_EQ(recordingCalls_, std::vector<bool>{true});
    model.reset();
    EXPECT_EQ(recordingCalls_, (std::vector<bool>{true, false}));
}

TEST_F(ShortcutsSettingsViewModelTest, LanguageIsStoredAndAnnouncedOnlyWhenItChanges) {
    auto model = makeModel();
    int announcements = 0;
    auto observation =
        notifications_.addObserver(AppLanguage::didChangeNotification, [&] { ++announcements; });
    model->setLanguage(AppLanguage::english);
    loop_.runUntilIdle();
    EXPECT_EQ(announcements, 0);
    model->setLanguage(AppLanguage::simplifiedChinese);
    EXPECT_EQ(defaults_.stringValue(AppLanguage::defaultsKey), "zh-Hans");
    EXPECT_EQ(announcements, 0);
    loop_.runUntilIdle();
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(ShortcutsSettingsViewModel::title(Policy::sevenDays), "7 天");
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <memory>

#include "hotkeys/model/HotkeyManager.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryHotkeyRegistrar.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

constexpr std::uint16_t kKeyCodeK = 40;
const KeyCombo kCtrlAltK{kKeyCodeK, hotkeyModifierCommand | hotkeyModifierOption};

class FakePanel final : public ClipboardPanelControlling {
public:
    bool isPanelVisible() const override { return visible; }
    void showPanel() override {
        visible = true;
        ++shown;
    }
    void hidePanel() override {
        visible = false;
        ++hidden;
    }

    bool visible = false;
    int shown = 0;
    int hidden = 0;
};

class ClipboardPanelCoordinatorTest : public ::testing::Test {
protected:
    std::unique_ptr<ClipboardPanelCoordinator> makeCoordinator() {
        return std::make_unique<ClipboardPanelCoordinator>(
            [this] { return active; },
            [this] {
                return std::vector<ClipboardPanelControlling*>{&centred, &floating};
            },
            manager, defaults, loop);
    }

    std::optional<KeyCombo> stored() const {
        const auto data = defaults.dataValue(ClipboardHotkeySetting::key);
        if (!data) return std::nullopt;
        return KeyCombo::decode(*data);
    }
    bool grabbed(const KeyCombo& combo) const {
        for (const auto& [ref, grab] : registrar.heldGrabs()) {
            if (grab.keyCode == combo.keyCode && grab.modifiers == combo.meaningfulModifiers()) return true;
        }
        return false;
    }
    void press(const KeyCombo& combo) {
        registrar.press(combo.keyCode, combo.modifierFlags);
        loop.runUntilIdle();
    }

    FakeClock clock;
    ManualRunLoop loop{clock};
    InMemoryUserDefaults defaults;
    InMemoryHotkeyRegistrar registrar;
    HotkeyManager manager{HotkeyManager::defaultUserDefaultsKey, registrar, defaults, loop,
                          /*isTestingMode=*/false};
    FakePanel centred;
    FakePanel floating;
    ClipboardPanelControlling* active = &centred;
    std::unique_ptr<ClipboardPanelCoordinator> coordinator = makeCoordinator();
    testing::LogCapture log;
};

TEST_F(ClipboardPanelCoordinatorTest, AFirstLaunchRegistersAndStoresTheDefault) {
    coordinator->registerClipboardHotkey();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_TRUE(grabbed(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(defaults.dataValue(ClipboardHotkeySetting::key),
              std::optional(KeyCombo::defaultClipboardHistory().encoded()));
}

TEST_F(ClipboardPanelCoordinatorTest, AStoredCombinationIsRegisteredAsItIs) {
    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    coordinator->registerClipboardHotkey();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(kCtrlAltK));
    EXPECT_FALSE(grabbed(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(stored(), std::optional(kCtrlAltK));
}

TEST_F(ClipboardPanelCoordinatorTest, StoredValuesThatDoNotDecodeOrThatTheManagerRefusesAreReplaced) {
    defaults.set(ClipboardHotkeySetting::key, DefaultsValue(Data{'{', '"', 'k'}));
    coordinator->registerClipboardHotkey();
    EXPECT_TRUE(log.contains("ERROR", "Failed to load clipboard hotkey: "));
    EXPECT_EQ(stored(), std::optional(KeyCombo::defaultClipboardHistory()));

    defaults.set(ClipboardHotkeySetting::key, DefaultsValue(std::string("not data")));
    coordinator->reregisterClipboardHotkey();
    EXPECT_EQ(stored(), std::optional(KeyCombo::defaultClipboardHistory()));

    // Ctrl+V alone is the paste shortcut everywhere: never a global hot key.
    ClipboardHotkeySetting::store(defaults, KeyCombo{KeyCombo::keyCodeV, hotkeyModifierCommand});
    coordinator->reregisterClipboardHotkey();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(stored(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(registrar.heldGrabs().size(), 1u);
    // Where it was recorded, the user learns why the default came back.
    EXPECT_EQ(ClipboardHotkeyStatus::failureText(*coordinator),
              std::optional(
                  L10n::text(L10nKey::hotkeyRefused, std::string("Ctrl+V"), std::string("Super+Shift+V"))));
    EXPECT_FALSE(coordinator->failedClipboardHotkey().has_value()) << "nothing to try again";

    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    coordinator->reregisterClipboardHotkey();
    EXPECT_FALSE(ClipboardHotkeyStatus::failureText(*coordinator).has_value());
}

TEST_F(ClipboardPanelCoordinatorTest,
       ACombinationAnotherProgramHoldsIsReportedAndTriedAgainUntilItIsFreeWhileTheDefaultStandsIn) {
    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    registrar.holdByAnotherProgram(kCtrlAltK.keyCode, kCtrlAltK.modifierFlags);
    int statusChanges = 0;
    Subscription status = coordinator->observeClipboardHotkeyStatus([&] { ++statusChanges; });
    coordinator->registerClipboardHotkey();

    EXPECT_EQ(coordinator->failedClipboardHotkey(), std::optional(kCtrlAltK));
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_TRUE(grabbed(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(stored(), std::optional(kCtrlAltK)) << "the user's choice is kept";
    EXPECT_EQ(statusChanges, 0) << "observers hear of it on a later turn";
    loop.runUntilIdle();
    EXPECT_EQ(statusChanges, 1);
    EXPECT_TRUE(log.contains("WARNING",
                             "Failed to register clipboard hotkey Ctrl+Alt+K (another program may "
                             "hold it); Super+Shift+V stands in until it is free, trying again "
                             "every 30 s"));
    EXPECT_FALSE(log.contains("WARNING", "for this session"));

    // Tried again on the timer, and when a window with the recorder opens; still held: no new lines.
    const std::size_t lines = log.lines().size();
    loop.advance(ClipboardPanelCoordinator::failedHotkeyRetrySeconds);
    coordinator->retryFailedClipboardHotkey();
    loop.advance(ClipboardPanelCoordinator::failedHotkeyRetrySeconds);
    EXPECT_EQ(log.lines().size(), lines);
    EXPECT_EQ(statusChanges, 1);
    press(KeyCombo::defaultClipboardHistory());
    EXPECT_EQ(centred.shown, 1) << "the stand-in still opens the panel";

    // The other program lets go: the next retry takes the combination, and the stand-in goes.
    registrar.releaseByAnotherProgram(kCtrlAltK.keyCode, kCtrlAltK.modifierFlags);
    loop.advance(ClipboardPanelCoordinator::failedHotkeyRetrySeconds);
    EXPECT_FALSE(coordinator->failedClipboardHotkey().has_value());
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(kCtrlAltK));
    EXPECT_FALSE(grabbed(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(statusChanges, 2);
    EXPECT_TRUE(log.contains("INFO", "Clipboard hotkey Ctrl+Alt+K is registered again"));
    EXPECT_EQ(loop.pendingCount(), 0u) << "no timer runs while the grab holds";
    press(kCtrlAltK);
    EXPECT_EQ(centred.hidden, 1);
}

TEST_F(ClipboardPanelCoordinatorTest, AFailureIsForgottenWhileRecordingAndReportedAgainIfTheNewOneFailsToo) {
    const auto fallback = KeyCombo::defaultClipboardHistory();
    registrar.holdByAnotherProgram(fallback.keyCode, fallback.modifierFlags);
    registrar.holdByAnotherProgram(kCtrlAltK.keyCode, kCtrlAltK.modifierFlags);
    coordinator->registerClipboardHotkey();
    EXPECT_EQ(coordinator->failedClipboardHotkey(), std::optional(fallback));

    coordinator->setClipboardHotkeyRecording(true);
    EXPECT_FALSE(coordinator->failedClipboardHotkey().has_value());
    loop.advance(3 * ClipboardPanelCoordinator::failedHotkeyRetrySeconds);
    EXPECT_TRUE(registrar.heldGrabs().empty()) << "nothing is tried while the recorder listens";

    // The recorder commits a combination that is held too: said at once, with nothing standing in.
    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    coordinator->reregisterClipboardHotkey();
    coordinator->setClipboardHotkeyRecording(false);
    EXPECT_EQ(coordinator->failedClipboardHotkey(), std::optional(kCtrlAltK));
    EXPECT_FALSE(coordinator->registeredClipboardHotkey().has_value());
    EXPECT_TRUE(log.contains("ERROR",
                             "Failed to register clipboard hotkey Ctrl+Alt+K or the default "
                             "Super+Shift+V (another program may hold them)"));
}

TEST_F(ClipboardPanelCoordinatorTest, ADefaultThatIsRefusedRegistersAndStoresNothing) {
    const auto fallback = KeyCombo::defaultClipboardHistory();
    registrar.holdByAnotherProgram(fallback.keyCode, fallback.modifierFlags);
    coordinator->registerClipboardHotkey();
    EXPECT_FALSE(coordinator->registeredClipboardHotkey().has_value());
    EXPECT_FALSE(defaults.contains(ClipboardHotkeySetting::key));
    EXPECT_TRUE(log.contains("ERROR", "Failed to register default clipboard hotkey"));
}

TEST_F(ClipboardPanelCoordinatorTest, ADeletedShortcutStaysDeletedUntilOneIsSaved) {
    coordinator->registerClipboardHotkey();
    ClipboardHotkeySetting::clear(defaults);
    coordinator->reregisterClipboardHotkey();
    EXPECT_FALSE(coordinator->registeredClipboardHotkey().has_value());
    EXPECT_TRUE(registrar.heldGrabs().empty());
    EXPECT_FALSE(defaults.contains(ClipboardHotkeySetting::key)) << "no default is stored";

    // The next start is no first launch.
    coordinator = makeCoordinator();
    coordinator->registerClipboardHotkey();
    EXPECT_TRUE(registrar.heldGrabs().empty());

    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    EXPECT_FALSE(defaults.contains(ClipboardHotkeySetting::clearedKey));
    coordinator->reregisterClipboardHotkey();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(kCtrlAltK));
}

TEST_F(ClipboardPanelCoordinatorTest, RecordingSuspendsTheHotKeyAndEndingItRegistersAgain) {
    coordinator->registerClipboardHotkey();
    coordinator->setClipboardHotkeyRecording(true);
    EXPECT_TRUE(coordinator->isClipboardHotkeySuspended());
    EXPECT_FALSE(coordinator->registeredClipboardHotkey().has_value());
    EXPECT_TRUE(registrar.heldGrabs().empty());
    press(KeyCombo::defaultClipboardHistory());
    EXPECT_EQ(centred.shown, 0) << "the recorder gets the keystroke";

    // Registering while suspended does nothing and leaves the stored value alone.
    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    coordinator->registerClipboardHotkey();
    coordinator->reregisterClipboardHotkey();
    EXPECT_TRUE(registrar.heldGrabs().empty());
    EXPECT_EQ(stored(), std::optional(kCtrlAltK));

    coordinator->setClipboardHotkeyRecording(false);
    EXPECT_FALSE(coordinator->isClipboardHotkeySuspended());
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(kCtrlAltK));
    EXPECT_EQ(registrar.heldGrabs().size(), 1u);
    EXPECT_EQ(registrar.staleReleases(), 0u);
}

TEST_F(ClipboardPanelCoordinatorTest, TheHotKeyShowsTheActivePanelHidingTheOtherAndHidesItAgain) {
    coordinator->registerClipboardHotkey();
    floating.visible = true;
    registrar.press(KeyCombo::keyCodeV, KeyCombo::defaultClipboardHistory().modifierFlags);
    EXPECT_EQ(centred.shown, 0) << "never inside the hot-key event path";
    loop.runUntilIdle();
    EXPECT_FALSE(floating.visible);
    EXPECT_TRUE(centred.visible);
    EXPECT_EQ(centred.hidden, 0);

    press(KeyCombo::defaultClipboardHistory());
    EXPECT_FALSE(centred.visible);
    EXPECT_EQ(floating.shown, 0);

    active = &floating;
    press(KeyCombo::defaultClipboardHistory());
    EXPECT_TRUE(floating.visible);
    EXPECT_FALSE(centred.visible);
}

TEST_F(ClipboardPanelCoordinatorTest, APressQueuedAfterTheCoordinatorIsGoneDoesNothing) {
    coordinator->registerClipboardHotkey();
    registrar.press(KeyCombo::keyCodeV, KeyCombo::defaultClipboardHistory().modifierFlags);
    coordinator.reset();
    loop.runUntilIdle();
    EXPECT_EQ(centred.shown, 0);
    EXPECT_TRUE(registrar.heldGrabs().empty()) << "the coordinator releases its hot key";
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <memory>

#include "hotkeys/model/HotkeyManager.h"
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
    ClipboardHotkeySetting::store(defaults,
                                                    KeyCombo{KeyCombo::keyCodeV, hotkeyModifierCommand});
    coordinator->reregisterClipboardHotkey();
    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(stored(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(registrar.heldGrabs().size(), 1u);
}

TEST_F(ClipboardPanelCoordinatorTest,
       ACombinationAnotherProgramHoldsStaysStoredWhileTheDefaultServesThisRun) {
    ClipboardHotkeySetting::store(defaults, kCtrlAltK);
    registrar.holdByAnotherProgram(kCtrlAltK.keyCode, kCtrlAltK.modifierFlags);
    coordinator->registerClipboardHotkey();

    EXPECT_EQ(coordinator->registeredClipboardHotkey(), std::optional(KeyCombo::defaultClipboardHistory()));
    EXPECT_TRUE(grabbed(KeyCombo::defaultClipboardHistory()));
    EXPECT_EQ(stored(), std::optional(kCtrlAltK)) << "the user's choice is kept for the next run";
    EXPECT_TRUE(log.contains("WARNING", "Failed to register clipboard hotkey"));
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

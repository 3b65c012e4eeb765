#include <gtest/gtest.h>

#include <memory>

#include "hotkeys/model/HotkeyManager.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryHotkeyRegistrar.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

constexpr std::uint64_t kShift = hotkeyModifierShift;
constexpr std::uint64_t kSuper = hotkeyModifierControl;
constexpr std::uint64_t kAlt = hotkeyModifierOption;
constexpr std::uint64_t kCtrl = hotkeyModifierCommand;
constexpr std::uint64_t kCapsLock = hotkeyModifierCapsLock;

class HotkeyManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<HotkeyManager> makeManager(bool testingMode = false) {
        return std::make_unique<HotkeyManager>("RegisteredHotkeys", registrar_, defaults_, loop_,
                                               testingMode);
    }

    std::optional<std::string> storedList() const {
        const auto data = defaults_.dataValue("RegisteredHotkeys");
        if (!data) return std::nullopt;
        return std::string(data->begin(), data->end());
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    InMemoryUserDefaults defaults_;
    InMemoryHotkeyRegistrar registrar_;
    testing::LogCapture log_;
    std::unique_ptr<HotkeyManager> manager_ = makeManager();
};

TEST_F(HotkeyManagerTest, SystemShortcutsAndBareKeysAreRefusedSilentlyByTheirMeaningfulBits) {
    struct Case {
        KeyCombo combo;
        bool accepted;
    };
    const Case cases[] = {
        {{9, kCtrl}, false},                       // Ctrl+V
        {{48, kCtrl}, false},                      // Ctrl+Tab
        {{49, kCtrl}, false},                      // Ctrl+Space
        {{6, kCtrl}, false},                       // Ctrl+Z
        {{12, kCtrl}, false},                      // Ctrl+Q
        {{0, 0}, false},                           // A
        {{18, 0}, false},                          // 1
        {{53, 0}, false},                          // Escape
        {{105, 0}, false},                         // F13 is not one of the twelve
        {{9, kCtrl | kCapsLock}, false},           // a stored Caps Lock bit does not make Ctrl+V acceptable
        {{0, kCapsLock}, false},                   // nor a bare letter
        {{9, kCtrl | 0x100}, false},               // nor any other stray bit
        {{9, kCtrl | kShift}, true},               // Ctrl+Shift+V
        {{9, kSuper}, true},                       // Super+V
        {{49, kCtrl | kAlt}, true},                // Ctrl+Alt+Space
        {{96, 0}, true},                           // F5
        {{111, kCapsLock}, true},                  // F12 with the lock bit
        {{9, kSuper | kShift | kCapsLock}, true},  // the default with the lock bit
    };
    for (const auto& [combo, accepted] : cases) {
        SCOPED_TRACE(combo.jsonText());
        EXPECT_EQ(HotkeyManager::isRefused(combo), !accepted);
        const std::uint32_t idBefore = manager_->nextHotkeyID();
        EXPECT_EQ(manager_->registerHotkey(combo, [] {}), accepted);
        EXPECT_EQ(manager_->isRegistered(combo), accepted);
        EXPECT_EQ(manager_->nextHotkeyID(), accepted ? idBefore + 1 : idBefore);
    }
    EXPECT_TRUE(log_.lines().empty());
    EXPECT_EQ(registrar_.registerCalls(), 6u);
    // Equality and storage keep the raw value; the grab holds only the meaningful bits.
    EXPECT_EQ(storedList(), R"([{"keyCode":9,"modifierFlags":262144},)"
                            R"({"keyCode":9,"modifierFlags":458752},)"
                            R"({"keyCode":9,"modifierFlags":1179648},)"
                            R"({"keyCode":49,"modifierFlags":1572864},)"
                            R"({"keyCode":96,"modifierFlags":0},)"
                            R"({"keyCode":111,"modifierFlags":65536}])");
    bool grabbedWithLockBit = false;
    for (const auto& [ref, grab] : registrar_.heldGrabs())
        grabbedWithLockBit |= (grab.modifiers & kCapsLock) != 0;
    EXPECT_FALSE(grabbedWithLockBit);
}

TEST_F(HotkeyManagerTest, PressRunsTheActionOnceOnALaterTurnWithItsTimestamp) {
    int runs = 0;
    ASSERT_TRUE(manager_->registerHotkey(KeyCombo::defaultClipboardHistory(), [&] { ++runs; }));
    ASSERT_TRUE(manager_->registerHotkey({40, kCtrl | kAlt}, [] { FAIL() << "wrong action"; }));

    EXPECT_TRUE(registrar_.press(9, kSuper | kShift | kCapsLock, 4242));
    EXPECT_EQ(runs, 0) << "actions never run inside the event path";
    loop_.runUntilIdle();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(manager_->lastHotkeyTimestamp(), 4242u);

    // A press of an id without a record does nothing.
    manager_->handleHotKeyEvent({999, 5000});
    loop_.runUntilIdle();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(manager_->lastHotkeyTimestamp(), 4242u);
}

TEST_F(HotkeyManagerTest, RegisteringAgainRebindsWithTheNextIdAfterReleasingTheOldGrab) {
    int first = 0;
    int second = 0;
    const KeyCombo combo{40, kCtrl | kAlt};
    ASSERT_TRUE(manager_->registerHotkey(combo, [&] { ++first; }));
    ASSERT_TRUE(manager_->registerHotkey(combo, [&] { ++second; }));
    ASSERT_EQ(registrar_.heldGrabs().size(), 1u);
    EXPECT_EQ(registrar_.heldGrabs().begin()->second.id, 2u);
    EXPECT_EQ(manager_->registeredKeyCombos(), std::vector<KeyCombo>{combo});
    registrar_.press(40, kCtrl | kAlt);
    loop_.runUntilIdle();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(registrar_.staleReleases(), 0u);
}

TEST_F(HotkeyManagerTest, GrabHeldByAnotherProgramFailsAfterTheErrorLine) {
    const KeyCombo combo{40, kCtrl | kAlt};
    registrar_.holdByAnotherProgram(40, kCtrl | kAlt);
    EXPECT_FALSE(manager_->registerHotkey(combo, [] {}));
    EXPECT_TRUE(log_.contains("ERROR", "[HotkeyManager] Failed to register hotkey Ctrl+Alt+K: 10"));
    EXPECT_FALSE(manager_->isRegistered(combo));
    EXPECT_EQ(storedList(), std::nullopt);
    EXPECT_EQ(manager_->nextHotkeyID(), 2u) << "a failed attempt still uses up its id";
}

TEST_F(HotkeyManagerTest, FailedReRegistrationDropsTheReleasedRecordAndPersists) {
    int runs = 0;
    const KeyCombo combo = KeyCombo::defaultClipboardHistory();
    ASSERT_TRUE(manager_->registerHotkey(combo, [&] { ++runs; }));
    ASSERT_TRUE(manager_->registerHotkey({40, kCtrl | kAlt}, [] {}));
    registrar_.holdByAnotherProgram(combo.keyCode, combo.modifierFlags);

    EXPECT_FALSE(manager_->registerHotkey(combo, [&] { ++runs; }));
    EXPECT_TRUE(log_.contains("ERROR", "Failed to register hotkey Super+Shift+V: 10"));
    EXPECT_FALSE(manager_->isRegistered(combo));
    EXPECT_EQ(storedList(), R"([{"keyCode":40,"modifierFlags":1572864}])");
    EXPECT_EQ(registrar_.heldGrabs().size(), 1u);

    // The released grab is never released again, by unregistering or by unregistering everything.
    manager_->unregister(combo);
    manager_->unregisterAll();
    EXPECT_EQ(registrar_.staleReleases(), 0u);
    EXPECT_TRUE(registrar_.heldGrabs().empty());
    EXPECT_FALSE(registrar_.press(combo.keyCode, combo.modifierFlags));
    loop_.runUntilIdle();
    EXPECT_EQ(runs, 0);
}

TEST_F(HotkeyManagerTest, UnregisteringWritesOnlyWhenSomethingWasRegistered) {
    const KeyCombo combo{40, kCtrl | kAlt};
    ASSERT_TRUE(manager_->registerHotkey(combo, [] {}));
    int writes = 0;
    auto observer = defaults_.observeChanges([&](const std::string&) { ++writes; });

    manager_->unregister({41, kCtrl | kAlt});
    EXPECT_EQ(writes, 0);
    manager_->unregister(combo);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(storedList(), "[]");
    EXPECT_TRUE(registrar_.heldGrabs().empty());

    ASSERT_TRUE(manager_->registerHotkey(combo, [] {}));
    ASSERT_TRUE(manager_->registerHotkey({96, 0}, [] {}));
    manager_->unregisterAll();
    EXPECT_EQ(storedList(), "[]");
    EXPECT_TRUE(registrar_.heldGrabs().empty());
    EXPECT_EQ(manager_->nextHotkeyID(), 4u) << "ids are never reused";
    EXPECT_EQ(registrar_.staleReleases(), 0u);
}

TEST_F(HotkeyManagerTest, ReleasedManagerLetsGoOfEverythingAndRunsNoQueuedAction) {
    int runs = 0;
    ASSERT_TRUE(manager_->registerHotkey({40, kCtrl | kAlt}, [&] { ++runs; }));
    registrar_.press(40, kCtrl | kAlt);
    manager_.reset();
    loop_.runUntilIdle();
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(registrar_.heldGrabs().empty());
    EXPECT_FALSE(registrar_.hasPressHandler());
    EXPECT_EQ(storedList(), "[]");
}

TEST_F(HotkeyManagerTest, TestingModeKeepsRecordsButGrabsNothing) {
    manager_.reset();
    auto manager = makeManager(true);
    EXPECT_TRUE(registrar_.hasPressHandler());
    int runs = 0;
    EXPECT_TRUE(manager->registerHotkey({40, kCtrl | kAlt}, [&] { ++runs; }));
    EXPECT_FALSE(manager->registerHotkey({9, kCtrl}, [] {}));
    EXPECT_EQ(storedList(), R"([{"keyCode":40,"modifierFlags":1572864}])");
    EXPECT_EQ(registrar_.registerCalls(), 0u);
    EXPECT_FALSE(registrar_.press(40, kCtrl | kAlt));
    loop_.runUntilIdle();
    EXPECT_EQ(runs, 0);
    manager->unregisterAll();
    EXPECT_EQ(registrar_.staleReleases(), 0u);
}

}  // namespace
}  // namespace quorvane

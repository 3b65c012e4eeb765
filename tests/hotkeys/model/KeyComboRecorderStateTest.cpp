#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hotkeys/model/HotkeyManager.h"
#include "hotkeys/model/KeyComboRecorderState.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryHotkeyRegistrar.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

constexpr std::uint64_t kShift = hotkeyModifierShift;
constexpr std::uint64_t kCtrl = hotkeyModifierCommand;
constexpr std::uint64_t kAlt = hotkeyModifierOption;
constexpr std::uint16_t kKeyK = 40;
constexpr std::uint16_t kKeyA = 0;
constexpr std::uint16_t kF6 = 97;

// Writes down every delegate call, as the settings page would act on them.
class RecordingDelegate : public KeyComboRecorderControlDelegate {
public:
    void keyComboRecorderDidStartRecording(KeyComboRecorderState&) override { calls.push_back("start"); }
    void keyComboRecorderDidEndRecording(KeyComboRecorderState&) override { calls.push_back("end"); }
    void keyComboRecorder(KeyComboRecorderState&, const std::optional<KeyCombo>& combo) override {
        calls.push_back("record " + (combo ? combo->displayString() : std::string("none")));
    }
    std::vector<std::string> calls;
};

class KeyComboRecorderStateTest : public ::testing::Test {
protected:
    KeyComboRecorderStateTest() { state_->setDelegate(&delegate_); }

    using Tone = KeyComboRecorderState::Display::Tone;

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    RecordingDelegate delegate_;
    std::unique_ptr<KeyComboRecorderState> state_ = std::make_unique<KeyComboRecorderState>(loop_);
};

TEST_F(KeyComboRecorderStateTest, CapturedPressCommitsHalfASecondAfterTheFirstPress) {
    EXPECT_EQ(state_->display(),
              (KeyComboRecorderState::Display{"Click to record shortcut", Tone::placeholder}));
    state_->click();
    EXPECT_EQ(state_->display(),
              (KeyComboRecorderState::Display{"Press hotkey combination...", Tone::recording, true}));
    EXPECT_TRUE(state_->handleKeyDown(kKeyK, kCtrl | kShift));
    EXPECT_EQ(state_->display().text, "Ctrl+Shift+K");
    EXPECT_EQ(state_->display().tone, Tone::recording);

    loop_.advance(0.3);
    // A later press replaces the capture but does not push the commit back.
    EXPECT_TRUE(state_->handleKeyDown(kKeyK, kCtrl | kAlt));
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start"}));
    loop_.advance(0.2);
    EXPECT_FALSE(state_->isRecording());
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "record Ctrl+Alt+K", "end"}));
    EXPECT_EQ(state_->keyCombo(), (KeyCombo{kKeyK, kCtrl | kAlt}));
    EXPECT_EQ(state_->display(), (KeyComboRecorderState::Display{"Ctrl+Alt+K", Tone::normal, false}));
    loop_.advance(1);
    EXPECT_EQ(delegate_.calls.size(), 3u) << "the second press's commit finds nothing to end";
}

TEST_F(KeyComboRecorderStateTest, BareKeysAndModifierFlagsAreSwallowedButNotCaptured) {
    state_->click();
    EXPECT_TRUE(state_->handleKeyDown(kKeyA, 0));
    EXPECT_TRUE(state_->handleKeyDown(kKeyA, hotkeyModifierCapsLock));
    loop_.advance(2);
    EXPECT_TRUE(state_->isRecording());
    EXPECT_EQ(state_->tempKeyCombo(), std::nullopt);
    EXPECT_EQ(state_->display().text, "Press hotkey combination...");

    // F6 alone qualifies; the recorded flags hold only the four modifier bits.
    EXPECT_TRUE(state_->handleKeyDown(kF6, hotkeyModifierCapsLock | 0x800000));
    loop_.advance(0.5);
    EXPECT_EQ(state_->keyCombo(), (KeyCombo{kF6, 0}));
    EXPECT_FALSE(state_->handleKeyDown(kKeyA, kCtrl)) << "an idle recorder takes no keys";
}

TEST_F(KeyComboRecorderStateTest, EscapeAndSecondClickFinishAtOnceCommittingOnlyWhatWasCaptured) {
    state_->setKeyCombo(KeyCombo::defaultClipboardHistory());
    state_->click();
    EXPECT_TRUE(state_->handleKeyDown(KeyCombo::keyCodeEscape, 0));
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end"}));
    EXPECT_EQ(state_->display(), (KeyComboRecorderState::Display{"Super+Shift+V", Tone::normal, false}));

    delegate_.calls.clear();
    state_->click();
    state_->handleKeyDown(kKeyK, kCtrl | kAlt);
    state_->handleKeyDown(KeyCombo::keyCodeEscape, kCtrl);
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "record Ctrl+Alt+K", "end"}));

    delegate_.calls.clear();
    state_->click();
    state_->handleKeyDown(kF6, kShift);
    state_->click();
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "record Shift+F6", "end"}));
    loop_.advance(1);
    EXPECT_EQ(delegate_.calls.size(), 3u);
}

TEST_F(KeyComboRecorderStateTest, CancelCommitsNothingAndADelayedCommitNeverEndsALaterRecording) {
    state_->setKeyCombo(KeyCombo{kKeyK, kCtrl | kAlt});
    state_->click();
    state_->handleKeyDown(kF6, kShift);
    loop_.advance(0.2);
    state_->stopRecording();
    EXPECT_EQ(state_->keyCombo(), (KeyCombo{kKeyK, kCtrl | kAlt}));
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end"}));

    state_->startRecording();
    loop_.advance(0.4);  // past the first recording's commit time
    EXPECT_TRUE(state_->isRecording());
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end", "start"}));
    state_->stopRecording();
    state_->stopRecording();
    EXPECT_EQ(delegate_.calls.size(), 4u) << "stopping twice ends once";
}

TEST_F(KeyComboRecorderStateTest, ReleasingWhileRecordingEndsTheRecordingAndLeavesNoTimer) {
    state_->click();
    state_->handleKeyDown(kKeyK, kCtrl);
    state_.reset();
    EXPECT_EQ(delegate_.calls, (std::vector<std::string>{"start", "end"}));
    EXPECT_EQ(loop_.pendingCount(), 0u);
    loop_.advance(1);
}

TEST_F(KeyComboRecorderStateTest, ObserversHearOfChangesOnTheNextTurnOnce) {
    int notices = 0;
    auto subscription = state_->observeChanges([&] { ++notices; });
    state_->click();
    state_->handleKeyDown(kKeyK, kCtrl);
    EXPECT_EQ(notices, 0);
    loop_.runUntilIdle();
    EXPECT_EQ(notices, 1);
    loop_.advance(0.5);
    EXPECT_EQ(notices, 2);
    state_->setPlaceholder(std::string("Record"));
    state_->setKeyCombo(std::nullopt);
    loop_.runUntilIdle();
    EXPECT_EQ(notices, 3);
    EXPECT_EQ(state_->display(), (KeyComboRecorderState::Display{"Record", Tone::placeholder, false}));
}

// The owners' wiring: the clipboard hot key is let go while recording, so its own combination can be typed
// into the recorder, and the recorded one is registered once the recording ends, however it ends.
TEST_F(KeyComboRecorderStateTest, GlobalHotKeyIsSuspendedExactlyWhileRecording) {
    InMemoryUserDefaults defaults;
    InMemoryHotkeyRegistrar registrar;
    HotkeyManager manager("RegisteredHotkeys", registrar, defaults, loop_, false);
    KeyCombo current = KeyCombo::defaultClipboardHistory();
    ASSERT_TRUE(manager.registerHotkey(current, [] {}));
    std::vector<bool> suspensions;
    state_->setHotkeySuspension([&](bool suspended) {
        suspensions.push_back(suspended);
        if (suspended) {
            manager.unregister(current);
        } else {
            current = state_ && state_->keyCombo() ? *state_->keyCombo() : current;
            EXPECT_TRUE(manager.registerHotkey(current, [] {}));
        }
    });

    state_->click();
    EXPECT_FALSE(registrar.press(9, hotkeyModifierControl | hotkeyModifierShift)) << "our grab would take it";
    state_->handleKeyDown(9, hotkeyModifierControl | hotkeyModifierShift | hotkeyModifierOption);
    loop_.advance(0.5);
    EXPECT_EQ(suspensions, (std::vector<bool>{true, false}));
    const KeyCombo recorded{9, hotkeyModifierControl | hotkeyModifierShift | hotkeyModifierOption};
    EXPECT_EQ(manager.registeredKeyCombos(), std::vector<KeyCombo>{recorded});

    state_->click();
    state_->stopRecording();
    state_->click();
    state_.reset();
    EXPECT_EQ(suspensions, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(manager.registeredKeyCombos().size(), 1u);
}

}  // namespace
}  // namespace quorvane

#pragma once

// What the shortcut recorder control does, without the widget: idle or recording, which key presses are
// captured, the commit half a second after the first captured press, cancelling, and what the field shows.
// The widget hands it key presses in stored key codes and flags and draws display(). Main thread only; the
// delayed commit runs on the main queue and never outlives the state.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/CallbackList.h"
#include "hotkeys/model/KeyCombo.h"
#include "hotkeys/model/KeyComboRecorderControlDelegate.h"
#include "platform/MainQueue.h"

namespace quorvane {

class KeyComboRecorderState {
public:
    // Time from the first captured press to the commit.
    static constexpr double commitDelaySeconds = 0.5;

    struct Display {
        enum class Tone { normal, placeholder, recording };
        std::string text;
        Tone tone = Tone::placeholder;
        bool showsProgress = false;

        friend bool operator==(const Display&, const Display&) = default;
    };

    explicit KeyComboRecorderState(MainQueue& mainQueue);
    // Cancels a recording in progress (the delegate hears the end), so a suspended hot key comes back.
    ~KeyComboRecorderState();
    KeyComboRecorderState(const KeyComboRecorderState&) = delete;
    KeyComboRecorderState& operator=(const KeyComboRecorderState&) = delete;

    // Not owned; the delegate clears itself with setDelegate(nullptr) before it goes away.
    void setDelegate(KeyComboRecorderControlDelegate* delegate) { delegate_ = delegate; }
    // Suspends the global hot keys while a recording lasts: called with true as a recording starts, before
    // any key is taken, and with false once as it ends, however it ends (commit, cancel, release). Without
    // it the current shortcut would be caught by our own grab and never reach the recorder.
    void setHotkeySuspension(std::function<void(bool suspended)> suspend) { suspend_ = std::move(suspend); }

    const std::optional<KeyCombo>& keyCombo() const { return keyCombo_; }
    // Owners set the committed combination (no delegate call).
    void setKeyCombo(std::optional<KeyCombo> keyCombo);
    // Shown when there is no combination; absent means the catalogue's "Click to record shortcut" in the
    // current language.
    void setPlaceholder(std::optional<std::string> placeholder);
    bool isRecording() const { return isRecording_; }
    const std::optional<KeyCombo>& tempKeyCombo() const { return tempKeyCombo_; }

    // A click: starts recording when idle, finishes (commits what was captured) when recording.
    void click();
    // Ignored while recording.
    void startRecording();
    // Ends the recording, committing the captured combination if any. Ignored when idle.
    void finishRecording();
    // Cancels the recording: nothing is committed. Ignored when idle.
    void stopRecording();

    // A key went down while recording, in stored key code and raw flags. Escape finishes; a key with a
    // modifier, or F1-F12 alone, is captured (flags kept to the four modifier bits) and commits half a second
    // later; any other key is ignored. Returns whether the press was taken, which is every press while
    // recording: no other control may see keys then.
    bool handleKeyDown(std::uint16_t keyCode, std::uint64_t modifierFlags);

    Display display() const;
    // Told on the next main-queue turn after the display changed.
    [[nodiscard]] Subscription observeChanges(std::function<void()> callback) {
        return changes_.subscribe(std::move(callback));
    }

private:
    void changed();

    MainQueue& mainQueue_;
    KeyComboRecorderControlDelegate* delegate_ = nullptr;
    std::function<void(bool)> suspend_;
    std::optional<KeyCombo> keyCombo_;
    std::optional<std::string> placeholder_;
    bool isRecording_ = false;
    std::optional<KeyCombo> tempKeyCombo_;
    // Counts recordings: a delayed commit of one recording never ends a later one.
    std::uint64_t generation_ = 0;
    std::vector<Timer> pendingCommits_;
    Timer notification_;
    CallbackList<> changes_;
};

}  // namespace quorvane

#pragma once

// Told what a shortcut recorder does: the shortcut settings page and the onboarding wizard suspend the
// clipboard hot key between start and end, and store what was recorded. Every start is followed by exactly
// one end; a recorded combination arrives before that end. Called on the main thread, inside the recorder's
// call.

#include <optional>

#include "hotkeys/model/KeyCombo.h"

namespace quorvane {

class KeyComboRecorderState;

class KeyComboRecorderControlDelegate {
public:
    virtual ~KeyComboRecorderControlDelegate() = default;

    virtual void keyComboRecorderDidStartRecording(KeyComboRecorderState& recorder) = 0;
    virtual void keyComboRecorderDidEndRecording(KeyComboRecorderState& recorder) = 0;
    // The recorder always passes a combination; an absent one is to be ignored.
    virtual void keyComboRecorder(KeyComboRecorderState& recorder,
                                  const std::optional<KeyCombo>& didRecord) = 0;
};

}  // namespace quorvane

#include "hotkeys/model/KeyComboRecorderState.h"

#include "l10n/L10n.h"

namespace quorvane {

KeyComboRecorderState::KeyComboRecorderState(MainQueue& mainQueue) : mainQueue_(mainQueue) {}

KeyComboRecorderState::~KeyComboRecorderState() {
    stopRecording();
}

void KeyComboRecorderState::setKeyCombo(std::optional<KeyCombo> keyCombo) {
    keyCombo_ = std::move(keyCombo);
    changed();
}

void KeyComboRecorderState::setPlaceholder(std::optional<std::string> placeholder) {
    placeholder_ = std::move(placeholder);
    changed();
}

void KeyComboRecorderState::click() {
    if (isRecording_) {
        finishRecording();
    } else {
        startRecording();
    }
}

void KeyComboRecorderState::startRecording() {
    if (isRecording_) return;
    isRecording_ = true;
    tempKeyCombo_.reset();
    ++generation_;
    pendingCommits_.clear();
    changed();
    if (suspend_) suspend_(true);
    if (delegate_) delegate_->keyComboRecorderDidStartRecording(*this);
}

void KeyComboRecorderState::finishRecording() {
    if (!isRecording_) return;
    const std::optional<KeyCombo> captured = tempKeyCombo_;
    isRecording_ = false;
    if (captured) {
        keyCombo_ = captured;
        if (delegate_) delegate_->keyComboRecorder(*this, captured);
    }
    tempKeyCombo_.reset();
    if (delegate_) delegate_->keyComboRecorderDidEndRecording(*this);
    if (suspend_) suspend_(false);
    changed();
}

void KeyComboRecorderState::stopRecording() {
    if (!isRecording_) return;
    isRecording_ = false;
    tempKeyCombo_.reset();
    if (delegate_) delegate_->keyComboRecorderDidEndRecording(*this);
    if (suspend_) suspend_(false);
    changed();
}

bool KeyComboRecorderState::handleKeyDown(std::uint16_t keyCode, std::uint64_t modifierFlags) {
    if (!isRecording_) return false;
    if (keyCode == KeyCombo::keyCodeEscape) {
        finishRecording();
        return true;
    }
    const std::uint64_t modifiers = modifierFlags & hotkeyModifierMask;
    if (modifiers == 0 && !KeyCombo::isFunctionKey(keyCode)) return true;
    tempKeyCombo_ = KeyCombo{keyCode, modifiers};
    changed();
    // Each captured press arms its own commit, so the first one decides when the recording ends and a press
    // within that time only replaces what gets committed.
    pendingCommits_.push_back(mainQueue_.postAfter(commitDelaySeconds, [this, generation = generation_] {
        if (isRecording_ && generation == generation_) finishRecording();
    }));
    return true;
}

KeyComboRecorderState::Display KeyComboRecorderState::display() const {
    if (isRecording_) {
        const std::string text =
            tempKeyCombo_ ? tempKeyCombo_->displayString() : L10n::text(L10nKey::hotkeyRecorderPrompt);
        return {text, Display::Tone::recording, true};
    }
    if (keyCombo_) return {keyCombo_->displayString(), Display::Tone::normal, false};
    return {placeholder_.value_or(L10n::text(L10nKey::generalRecordShortcutPlaceholder)),
            Display::Tone::placeholder, false};
}

void KeyComboRecorderState::changed() {
    if (notification_.isArmed()) return;
    notification_ = mainQueue_.postAfter(0, [this] {
        notification_ = Timer();
        changes_.notify();
    });
}

}  // namespace quorvane

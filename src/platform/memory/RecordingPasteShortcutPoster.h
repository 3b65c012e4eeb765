#pragma once

// Counts the paste keystrokes posted, with the window that was active at each and the keys.

#include <optional>
#include <vector>

#include "platform/PasteShortcutPoster.h"
#include "platform/WindowActivation.h"

namespace quorvane {

class RecordingPasteShortcutPoster final : public PasteShortcutPoster {
public:
    explicit RecordingPasteShortcutPoster(const WindowActivation* activation = nullptr)
        : activation_(activation) {}

    bool postPasteShortcut(PasteKeystroke keystroke) override {
        postedInto_.push_back(activation_ ? activation_->activeWindow() : std::nullopt);
        keystrokes_.push_back(keystroke);
        return succeeds_;
    }

    int postCount() const { return static_cast<int>(postedInto_.size()); }
    const std::vector<std::optional<ReturnTarget>>& postedInto() const { return postedInto_; }
    const std::vector<PasteKeystroke>& keystrokes() const { return keystrokes_; }
    void setSucceeds(bool succeeds) { succeeds_ = succeeds; }

private:
    const WindowActivation* activation_;
    std::vector<std::optional<ReturnTarget>> postedInto_;
    std::vector<PasteKeystroke> keystrokes_;
    bool succeeds_ = true;
};

}  // namespace quorvane

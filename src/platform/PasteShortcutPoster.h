#pragma once

// Posts a paste keystroke to whatever window has the keyboard focus. Main queue only.

#include "platform/PasteKeys.h"

namespace quorvane {

class PasteShortcutPoster {
public:
    virtual ~PasteShortcutPoster() = default;

    // False when the keystroke could not be posted (no X server, no XTEST, a key missing from the keyboard).
    virtual bool postPasteShortcut(PasteKeystroke keystroke) = 0;
};

}  // namespace quorvane

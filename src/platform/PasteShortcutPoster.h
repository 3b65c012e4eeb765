#pragma once

// Posts the paste keystroke (Ctrl+V) to whatever window has the keyboard focus. Main queue only.

namespace quorvane {

class PasteShortcutPoster {
public:
    virtual ~PasteShortcutPoster() = default;

    // False when the keystroke could not be posted (no X server, no XTEST).
    virtual bool postPasteShortcut() = 0;
};

}  // namespace quorvane

#pragma once

// The paste keystroke through the XTEST extension: modifiers down, key down, key up, modifiers up, as if
// typed, so it goes to the window with the keyboard focus. Keys are found by their keysyms in the current
// keyboard map, so Ctrl+V is Ctrl+V in any layout that has a V. Holds its own X connection; call on the main
// queue.

#include <xcb/xcb.h>

#include "platform/PasteShortcutPoster.h"

namespace quorvane {

class XTestPasteShortcutPoster final : public PasteShortcutPoster {
public:
    // Connects to `displayName`, or to $DISPLAY when absent.
    explicit XTestPasteShortcutPoster(const char* displayName = nullptr);
    ~XTestPasteShortcutPoster() override;
    XTestPasteShortcutPoster(const XTestPasteShortcutPoster&) = delete;
    XTestPasteShortcutPoster& operator=(const XTestPasteShortcutPoster&) = delete;

    bool postPasteShortcut(PasteKeystroke keystroke) override;

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    bool hasXTest_ = false;
};

}  // namespace quorvane

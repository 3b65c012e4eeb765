#pragma once

// A pin window as its makers see it: something that can be brought to the front with keyboard focus, made
// by a factory from an entry, its content and the handler its Copy button calls. Main thread only.

#include <functional>
#include <optional>
#include <string>

#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

class PinWindowPresenting {
public:
    virtual ~PinWindowPresenting() = default;

    // Shows the window above the others and gives it the keyboard.
    virtual void present() = 0;
};

// Copies a pin window's entry to the clipboard: the edited text in place of the stored one when given;
// `completion` learns whether the clipboard now holds it.
using PinCopyHandler =
    std::function<void(std::optional<std::string> overrideText, std::function<void(bool)> completion)>;

// Makes a pin window, not yet shown. The window owns itself (closing it releases it), so the caller keeps
// the pointer only to present it.
using PinWindowFactory = std::function<PinWindowPresenting*(const ClipboardHistoryIndexSnapshot& entry,
                                                            const ClipboardHistoryContentSnapshot& content,
                                                            PinCopyHandler copyHandler)>;

}  // namespace quorvane

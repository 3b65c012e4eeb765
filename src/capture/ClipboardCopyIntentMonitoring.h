#pragma once

// Tells the pasteboard monitor that a copy or cut keystroke was typed in another program, so it looks at the
// pasteboard at once instead of at the next poll. Start and stop on the main thread; the handler runs on the
// thread that delivers key events, and the caller moves its work to the main queue itself.

#include <functional>

namespace quorvane {

class ClipboardCopyIntentMonitoring {
public:
    virtual ~ClipboardCopyIntentMonitoring() = default;

    // True while a key monitor is installed.
    virtual bool isRunning() const = 0;
    // Installs the key monitor (replacing one installed before) and calls `handler` for each copy keystroke.
    // Returns false when no key monitor could be installed.
    virtual bool start(std::function<void()> handler) = 0;
    // Removes the key monitor; harmless when none is installed.
    virtual void stop() = 0;
};

}  // namespace quorvane

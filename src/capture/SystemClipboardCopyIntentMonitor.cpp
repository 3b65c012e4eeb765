#include "capture/SystemClipboardCopyIntentMonitor.h"

#include <utility>

namespace quorvane {

SystemClipboardCopyIntentMonitor::SystemClipboardCopyIntentMonitor(KeyEventMonitor& keyEventMonitor)
    : keyEventMonitor_(keyEventMonitor) {}

SystemClipboardCopyIntentMonitor::~SystemClipboardCopyIntentMonitor() {
    stop();
}

bool SystemClipboardCopyIntentMonitor::isCopyIntent(const KeyDownEvent& event) {
    if (event.isRepeat) return false;
    constexpr std::uint32_t deciding = keyModifierCommand | keyModifierOption | keyModifierControl;
    if ((event.modifierFlags & deciding) != keyModifierCommand) return false;
    // Only the ASCII letters lower-case to "c" or "x", so an ASCII fold is the whole Unicode answer here.
    const std::string& characters = event.charactersIgnoringModifiers;
    if (characters.size() != 1) return false;
    const char lower =
        (characters[0] >= 'A' && characters[0] <= 'Z') ? char(characters[0] - 'A' + 'a') : characters[0];
    return lower == 'c' || lower == 'x';
}

bool SystemClipboardCopyIntentMonitor::start(std::function<void()> handler) {
    stop();
    eventMonitor_ =
        keyEventMonitor_.addGlobalKeyDownMonitor([handler = std::move(handler)](const KeyDownEvent& event) {
            if (isCopyIntent(event)) handler();
        });
    return eventMonitor_.has_value();
}

void SystemClipboardCopyIntentMonitor::stop() {
    eventMonitor_.reset();
}

}  // namespace quorvane

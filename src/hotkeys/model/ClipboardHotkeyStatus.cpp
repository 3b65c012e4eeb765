#include "hotkeys/model/ClipboardHotkeyStatus.h"

#include "l10n/L10n.h"

namespace quorvane {

std::optional<std::string> ClipboardHotkeyStatus::failureText(const ClipboardHotkeyStatus& status) {
    const auto& failed = status.failedClipboardHotkey();
    const auto& standIn = status.registeredClipboardHotkey();
    if (!failed) {
        const auto& refused = status.refusedClipboardHotkey();
        if (!refused || !standIn) return std::nullopt;
        return L10n::text(L10nKey::hotkeyRefused, refused->displayString(), standIn->displayString());
    }
    if (standIn && standIn != failed) {
        return L10n::text(L10nKey::hotkeyHeldElsewhereWithStandIn, failed->displayString(),
                          standIn->displayString());
    }
    return L10n::text(L10nKey::hotkeyHeldElsewhere, failed->displayString());
}

}  // namespace quorvane

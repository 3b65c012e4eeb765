#include "capture/DirectClipboardPresentationMode.h"

#include "capture/SettingsDisplayText.h"
#include "core/RawValueLookup.h"

namespace quorvane {

std::string_view rawValue(DirectClipboardPresentationMode mode) {
    return mode == DirectClipboardPresentationMode::floating ? "floating" : "centered";
}

std::optional<DirectClipboardPresentationMode> presentationModeFromRawValue(std::string_view raw) {
    return caseWithRawValue(allDirectClipboardPresentationModes, raw);
}

std::string_view displayName(DirectClipboardPresentationMode mode, const UserDefaults& userDefaults) {
    if (mode == DirectClipboardPresentationMode::floating) {
        return settingsDisplayText(userDefaults, "Floating Panel", "浮动面板");
    }
    return settingsDisplayText(userDefaults, "Standard Panel", "普通面板");
}

}  // namespace quorvane

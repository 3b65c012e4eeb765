#include "preferences/DirectClipboardPresentationMode.h"

#include "base/RawValueEnum.h"
#include "preferences/SettingsDisplayText.h"

namespace quorvane {

std::string_view rawValue(DirectClipboardPresentationMode mode) {
    return mode == DirectClipboardPresentationMode::floating ? "floating" : "centered";
}

std::optional<DirectClipboardPresentationMode> directClipboardPresentationModeFromRawValue(
    std::string_view raw) {
    return caseWithRawValue(allDirectClipboardPresentationModes, raw);
}

std::string_view displayName(DirectClipboardPresentationMode mode) {
    if (mode == DirectClipboardPresentationMode::floating) {
        return settingsDisplayText("Floating Panel", "浮动面板");
    }
    return settingsDisplayText("Standard Panel", "普通面板");
}

}  // namespace quorvane

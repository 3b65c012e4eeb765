#include "capture/FloatingClipboardListStyle.h"

#include "capture/SettingsDisplayText.h"
#include "core/RawValueLookup.h"

namespace quorvane {

std::string_view rawValue(FloatingClipboardListStyle style) {
    return style == FloatingClipboardListStyle::compact ? "compact" : "standard";
}

std::optional<FloatingClipboardListStyle> listStyleFromRawValue(std::string_view raw) {
    return caseWithRawValue(allFloatingClipboardListStyles, raw);
}

std::string_view displayName(FloatingClipboardListStyle style, const UserDefaults& userDefaults) {
    if (style == FloatingClipboardListStyle::compact)
        return settingsDisplayText(userDefaults, "Compact", "紧凑");
    return settingsDisplayText(userDefaults, "Standard", "标准");
}

}  // namespace quorvane

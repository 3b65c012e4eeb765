#include "preferences/FloatingClipboardListStyle.h"

#include "base/RawValueEnum.h"
#include "preferences/SettingsDisplayText.h"

namespace quorvane {

std::string_view rawValue(FloatingClipboardListStyle style) {
    return style == FloatingClipboardListStyle::compact ? "compact" : "standard";
}

std::optional<FloatingClipboardListStyle> floatingClipboardListStyleFromRawValue(std::string_view raw) {
    return caseWithRawValue(allFloatingClipboardListStyles, raw);
}

std::string_view displayName(FloatingClipboardListStyle style) {
    if (style == FloatingClipboardListStyle::compact) return settingsDisplayText("Compact", "紧凑");
    return settingsDisplayText("Standard", "标准");
}

}  // namespace quorvane

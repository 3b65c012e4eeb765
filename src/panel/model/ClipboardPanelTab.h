#pragma once

// The tabs of the panel's tab strip; the history is the only one. The raw value is what a tab is stored and
// compared by. A plain value.

#include <array>
#include <optional>
#include <string_view>

namespace quorvane {

enum class ClipboardPanelTab { clipboardHistory };

inline constexpr std::array<ClipboardPanelTab, 1> allClipboardPanelTabs = {
    ClipboardPanelTab::clipboardHistory};

constexpr std::string_view rawValue(ClipboardPanelTab tab) {
    switch (tab) {
        case ClipboardPanelTab::clipboardHistory:
            return "clipboardHistory";
    }
    return "clipboardHistory";
}

// The tab whose raw value is exactly `raw`; none for any other text.
constexpr std::optional<ClipboardPanelTab> clipboardPanelTab(std::string_view raw) {
    for (auto tab : allClipboardPanelTabs) {
        if (rawValue(tab) == raw) return tab;
    }
    return std::nullopt;
}

}  // namespace quorvane

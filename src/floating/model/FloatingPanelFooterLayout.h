#pragma once

// What the floating panel's footer shows for a status presentation: the status line, the primary tip
// ("Copy & Return" or "Apply Filter"), and the secondary button as a tip ("Ctrl + K Open Actions" or
// "Esc Cancel") or as the presentation's action. Pure function; safe from any thread.

#include <optional>
#include <string>

#include "panel/model/ClipboardFooterStatusPresentation.h"

namespace quorvane {

struct FloatingPanelFooterLayout {
    enum class Secondary { hidden, openActionsTip, cancelFilterTip, action };
    enum class Primary { hidden, copyAndReturnTip, applyFilterTip };

    bool showsStatus = false;
    std::string statusText;
    std::string statusToolTip;
    Primary primary = Primary::copyAndReturnTip;
    Secondary secondary = Secondary::openActionsTip;
    // The action's title when `secondary` is `action`.
    std::string actionTitle;

    bool operator==(const FloatingPanelFooterLayout&) const = default;

    static FloatingPanelFooterLayout make(
        const std::optional<ClipboardFooterStatusPresentation>& presentation, bool isFilterSuggestionMode);
};

}  // namespace quorvane

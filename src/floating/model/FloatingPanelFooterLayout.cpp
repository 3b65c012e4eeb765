#include "floating/model/FloatingPanelFooterLayout.h"

namespace quorvane {

FloatingPanelFooterLayout FloatingPanelFooterLayout::make(
    const std::optional<ClipboardFooterStatusPresentation>& presentation, bool isFilterSuggestionMode) {
    using Accessory = ClipboardFooterStatusPresentation::TrailingAccessory;
    FloatingPanelFooterLayout layout;
    if (presentation) {
        layout.showsStatus = true;
        layout.statusText = presentation->message;
        layout.statusToolTip = presentation->toolTip.empty() ? presentation->message : presentation->toolTip;
    }
    const Accessory accessory = presentation ? presentation->trailingAccessory : Accessory::tip;
    if (accessory == Accessory::tip) {
        layout.primary = isFilterSuggestionMode ? Primary::applyFilterTip : Primary::copyAndReturnTip;
        layout.secondary = isFilterSuggestionMode ? Secondary::cancelFilterTip : Secondary::openActionsTip;
        return layout;
    }
    layout.primary = Primary::hidden;
    if (accessory == Accessory::action && presentation->action) {
        layout.secondary = Secondary::action;
        layout.actionTitle = presentation->action->title;
    } else {
        layout.secondary = Secondary::hidden;
    }
    return layout;
}

}  // namespace quorvane

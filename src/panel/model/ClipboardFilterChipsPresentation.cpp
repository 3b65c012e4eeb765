#include "panel/model/ClipboardFilterChipsPresentation.h"

#include "search/ClipboardSearchQueryParser.h"

namespace quorvane {

std::vector<ClipboardLayoutRect> ClipboardFilterChipsPresentation::chipFrames(
    const std::vector<double>& labelWidths) {
    std::vector<ClipboardLayoutRect> frames;
    double x = 0;
    for (const double labelWidth : labelWidths) {
        const double width = labelWidth + chipExtraWidth;
        frames.push_back({x, 0, width, chipHeight});
        x += width + chipSpacing;
    }
    return frames;
}

ClipboardFilterChipsPresentation::Size ClipboardFilterChipsPresentation::intrinsicSize(
    const std::vector<double>& labelWidths) {
    if (labelWidths.empty()) return {};
    double width = 0;
    for (const double labelWidth : labelWidths) width += labelWidth + chipExtraWidth;
    width += chipSpacing * static_cast<double>(labelWidths.size() - 1);
    return {width, chipHeight};
}

double ClipboardFilterChipsPresentation::backgroundAlpha(bool isImplicit, bool isHovered) {
    if (isImplicit) return isHovered ? 0.25 : 0.15;
    return isHovered ? 0.2 : 0.12;
}

std::string ClipboardFilterChipsPresentation::searchTextRemoving(const ClipboardSearchFilter& filter,
                                                                 std::string_view searchText,
                                                                 const UserDefaults& defaults) {
    return ClipboardSearchQueryParser::removingFilterToken(filter.sourceToken, searchText, defaults);
}

}  // namespace quorvane

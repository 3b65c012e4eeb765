#pragma once

// The filter chips beside the search field: one chip per filter of the query, laid out in one row, typed
// filters grey and filters the parser added blue; removing a chip takes its token out of the search text.
// Pure functions; the widgets measure the chip texts and draw what these return.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "panel/model/ClipboardDetailImageLayout.h"
#include "platform/UserDefaults.h"
#include "searchindex/ClipboardSearchFilter.h"

namespace quorvane {

class ClipboardFilterChipsPresentation {
public:
    ClipboardFilterChipsPresentation() = delete;

    static constexpr double chipSpacing = 6;
    static constexpr double chipHeight = 20;
    // Room for the label's insets and the remove button beside it.
    static constexpr double chipExtraWidth = 24;

    struct Size {
        double width = 0;
        std::optional<double> height;  // none: the container asks for no height
        friend bool operator==(const Size&, const Size&) = default;
    };

    // Chip frames in one row from the labels' natural widths; chips that do not fit run past the edge.
    static std::vector<ClipboardLayoutRect> chipFrames(const std::vector<double>& labelWidths);
    // Zero width and no height without chips.
    static Size intrinsicSize(const std::vector<double>& labelWidths);

    // The chip's background alpha over its base colour (grey for typed filters, blue for implicit ones).
    static double backgroundAlpha(bool isImplicit, bool isHovered);

    // The search text without every token that came from `filter` (the query normalised, the remaining
    // tokens joined by one blank). The search field and the controller's search text both take it, so the
    // next keystroke does not bring the filter back.
    static std::string searchTextRemoving(const ClipboardSearchFilter& filter, std::string_view searchText,
                                          const UserDefaults& defaults);
};

}  // namespace quorvane

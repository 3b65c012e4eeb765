#pragma once

// The small enumerations of the result list: which rows it shows, its height rule, its row style and why
// its selection moved. Plain values shared by the list's state, its widget and the panels.

namespace quorvane {

// Entries (with the show-more row) or the type-filter suggestions.
enum class ClipboardResultListContentMode { history, filterSuggestions };

// Normal lists grow with their rows; compact lists keep the height of five rows.
enum class ClipboardResultListMode { normal, compact };

// Standard rows carry a title and a subtitle; compact rows a title only.
enum class ClipboardResultListRowStyle { standard, compact };

enum class ClipboardResultListSelectionSource { keyboard, mouseClick, hover, programmatic };

}  // namespace quorvane

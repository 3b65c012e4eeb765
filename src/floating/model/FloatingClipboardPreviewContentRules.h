#pragma once

// What the preview bubble shows for an entry: which entries can be pretty-printed (JSON, JSON Lines, SQL),
// how much of a long text it shows and under which header, when a text is formatted at once, which font a
// plain text gets and which entries get the small bubble. Pure functions; safe from any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "classification/ClipboardSystemClassification.h"
#include "floating/model/FloatingClipboardPreviewMode.h"
#include "l10n/AppLanguage.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"

namespace quorvane {

struct FloatingClipboardPreviewFormattingState {
    std::string rawText;
    ClipboardSystemClassification classification = ClipboardSystemClassification::json;
    std::string formattedText;

    bool operator==(const FloatingClipboardPreviewFormattingState&) const = default;
};

struct FloatingClipboardPreviewDisplayText {
    std::string text;
    // Show the formatted form at once.
    bool prefersFormatted = false;
    // Formatting may be offered at all.
    bool allowsFormatting = false;
};

class FloatingClipboardPreviewContentRules {
public:
    FloatingClipboardPreviewContentRules() = delete;

    // Longer texts are never detected as JSON, and a pinned bubble neither formats them nor offers to.
    static constexpr std::size_t detectionLimitBytes = 524'288;
    // An automatic bubble cuts longer texts: laying out megabytes would stall the panel.
    static constexpr std::size_t automaticFullTextLimitBytes = 65'536;
    static constexpr std::size_t cutLengthBytes = 16'384;
    static constexpr std::size_t compactTextLength = 120;
    static constexpr std::size_t compactLineLimit = 3;
    static constexpr std::size_t monospaceLength = 120;

    // json, jsonLines or sql: the stored classification when it names one, else detected from the text
    // (never sql); nothing for images.
    static std::optional<ClipboardSystemClassification> formattableClassification(
        const ClipboardHistoryIndexSnapshot& item, const ClipboardHistoryContentSnapshot& content);
    // An object or array whose text starts with "{" or "[".
    static bool isJson(std::string_view text);
    // Two or more non-blank lines, each of them JSON.
    static bool isJsonLines(std::string_view text);

    // The text as the bubble shows it in `mode`; the header of a cut text names the size in `language`.
    static FloatingClipboardPreviewDisplayText displayText(
        std::string_view text, std::optional<ClipboardSystemClassification> classification,
        FloatingClipboardPreviewMode mode, AppLanguage language);
    // The longest prefix of whole code points within `limitBytes`.
    static std::string_view utf8Prefix(std::string_view text, std::size_t limitBytes);
    // The pretty-printed form; nothing for other classifications or when formatting fails.
    static std::optional<FloatingClipboardPreviewFormattingState> formattingState(
        std::string_view text, std::optional<ClipboardSystemClassification> classification);
    static bool usesMonospacedFont(std::string_view text,
                                   std::optional<ClipboardSystemClassification> classification);
    // A short text of at most three non-blank lines that cannot be formatted.
    static bool isCompact(const ClipboardHistoryIndexSnapshot& item,
                          const ClipboardHistoryContentSnapshot& content);

    static constexpr double compactWidth = 360;
    static constexpr double compactTextWidth = 316;
    static constexpr double defaultWidth = 420;
    static constexpr double defaultHeight = 280;
    // The compact bubble's height for a text whose wrapped height at `compactTextWidth` is `textHeight`.
    static double compactHeight(double textHeight);
};

}  // namespace quorvane

#pragma once

// The detail pane's one-line metadata row: how old the entry is, then its classification, stored forms and
// size (or image pixel size), how often and how recently it was used, in the interface language. Composed
// off the main thread from value copies. Pure functions; safe from any thread.

#include <cstdint>
#include <optional>
#include <string>

#include "base/Date.h"
#include "l10n/AppLanguage.h"
#include "model/ClipboardHistoryContentSnapshot.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "platform/ImageProbe.h"

namespace quorvane {

class ClipboardDetailMetadata {
public:
    ClipboardDetailMetadata() = delete;

    // The parts joined with " · ". `imagePixelSize` is the decoded size of an image entry's data (none when
    // it does not decode).
    static std::string compose(const ClipboardHistoryIndexSnapshot& item,
                               const ClipboardHistoryContentSnapshot& content,
                               std::optional<ImagePixelSize> imagePixelSize, Date now, AppLanguage language);
    // The label: the entry's age, then " | " and the composed text when there is one.
    static std::string labelText(Date createdAt, const std::optional<std::string>& metadataText, Date now,
                                 AppLanguage language);
    // "RTF/HTML", "HTML", "RTF" or "TXT".
    static std::string formsWord(const ClipboardHistoryContentSnapshot& content);
    // Decimal units as file sizes are shown: "310 bytes", "12 KB", "1.5 MB", "2.25 GB".
    static std::string byteCountText(std::uint64_t bytes, AppLanguage language);
    // The distance from `now` in the largest fitting unit, abbreviated ("5 min. ago", "5分钟前").
    static std::string abbreviatedRelativeTime(Date date, Date now, AppLanguage language);
};

}  // namespace quorvane

#pragma once

// What one row of the result list shows: its icon, a one-line title and a subtitle with the entry's kind and
// how long ago it was last active, in the interface language. The painter draws it; the list decides which
// rows exist. Pure functions of their arguments.

#include <optional>
#include <string>
#include <string_view>

#include "base/Date.h"
#include "l10n/AppLanguage.h"
#include "model/ClipboardHistoryIndexSnapshot.h"
#include "search/ClipboardFilterSuggestion.h"

namespace quorvane {

// The symbol a row shows; `applicationIcon` means the icon of the entry's source application.
enum class ClipboardRowIcon { applicationIcon, photo, ellipsis, tag };

struct ClipboardRowPresentation {
    ClipboardRowIcon icon = ClipboardRowIcon::applicationIcon;
    // The application whose icon an `applicationIcon` row shows; none shows the clipboard symbol.
    std::optional<std::string> bundleIdentifier;
    std::string title;
    std::string subtitle;

    friend bool operator==(const ClipboardRowPresentation&, const ClipboardRowPresentation&) = default;

    static ClipboardRowPresentation entry(const ClipboardHistoryIndexSnapshot& item, Date now,
                                          AppLanguage language);
    static ClipboardRowPresentation suggestion(const ClipboardFilterSuggestion& suggestion,
                                               AppLanguage language);
    static ClipboardRowPresentation showMore(AppLanguage language);

    // What a screen reader hears for an entry's row: its title, and for an image, whose titles repeat
    // ("Image 640x200"), also how long ago it was copied, the time of day to the second and the application
    // it came from (`applicationName`, empty when unknown). `timeZoneId` empty: the system's zone.
    static std::string spokenName(const ClipboardHistoryIndexSnapshot& item, Date now, AppLanguage language,
                                  std::string_view applicationName, std::string_view timeZoneId = {});
    // The classification as stored when there is one, else "Image" or "Text".
    static std::string kindText(const ClipboardHistoryIndexSnapshot& item, AppLanguage language);
    // The preview on one line: every run of line breaks and tabs becomes one blank.
    static std::string singleLine(std::string_view text);
    // "Just now", "1 min ago", "5 hours ago", "Yesterday", "3 days ago", or from a week on the date and
    // time in the language's medium form ("Mar 5, 2:07 PM"). `timeZoneId` empty: the system's zone.
    static std::string relativeTimeText(Date date, Date now, AppLanguage language,
                                        std::string_view timeZoneId = {});
};

}  // namespace quorvane

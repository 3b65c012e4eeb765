#pragma once

// The "[Desktop Entry]" group of one .desktop file: its keys as written (translations keep their "[xx]"
// suffix) with escapes resolved. Parsing is strict about structure and never trusts the input: a file that
// is not UTF-8, holds a NUL, has a line that is neither comment, group header nor key=value, or lacks the
// group is refused with DesktopEntryError. Linear in the input. Plain value, safe from any thread.

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvane {

class DesktopEntryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DesktopEntry {
    std::map<std::string, std::string, std::less<>> values;

    // Throws DesktopEntryError, with the line number, when `contents` is malformed.
    static DesktopEntry parse(std::string_view contents);

    std::optional<std::string> value(std::string_view key) const;
    // True exactly when the key holds "true".
    bool isTrue(std::string_view key) const;
    // Every translation of `key`, by locale ("Name[de]" gives "de").
    std::map<std::string, std::string> localizedValues(std::string_view key) const;

    friend bool operator==(const DesktopEntry&, const DesktopEntry&) = default;
};

}  // namespace quorvane

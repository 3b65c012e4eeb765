#include "platform/linux/DesktopEntry.h"

#include "base/Utf8.h"

namespace quorvane {
namespace {

constexpr std::string_view mainGroup = "Desktop Entry";

std::string_view trimmedBlanks(std::string_view text) {
    const auto start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

// "\s", "\n", "\t", "\r" and "\\" stand for their characters; any other backslash stays as written.
std::string unescaped(std::string_view value) {
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result.push_back(value[i]);
            continue;
        }
        switch (value[i + 1]) {
            case 's':
                result.push_back(' ');
                break;
            case 'n':
                result.push_back('\n');
                break;
            case 't':
                result.push_back('\t');
                break;
            case 'r':
                result.push_back('\r');
                break;
            case '\\':
                result.push_back('\\');
                break;
            default:
                result.append(value.substr(i, 2));
                break;
        }
        ++i;
    }
    return result;
}

// A key is a name, optionally followed by a non-empty "[locale]"; no blanks, brackets or "=" elsewhere.
bool isValidKey(std::string_view key) {
    std::string_view name = key;
    if (const auto open = key.find('['); open != std::string_view::npos) {
        if (!key.ends_with(']') || open + 2 >= key.size()) return false;
        const auto locale = key.substr(open + 1, key.size() - open - 2);
        if (locale.find_first_of("[] \t") != std::string_view::npos) return false;
        name = key.substr(0, open);
    }
    return !name.empty() && name.find_first_of("[] \t=") == std::string_view::npos;
}

[[noreturn]] void refuse(std::size_t lineNumber, std::string_view reason) {
    throw DesktopEntryError("line " + std::to_string(lineNumber) + ": " + std::string(reason));
}

}  // namespace

DesktopEntry DesktopEntry::parse(std::string_view contents) {
    if (contents.find('\0') != std::string_view::npos) throw DesktopEntryError("contains a NUL byte");
    if (!isValidUtf8(contents)) throw DesktopEntryError("not valid UTF-8");
    if (contents.starts_with("\xEF\xBB\xBF")) contents.remove_prefix(3);

    DesktopEntry entry;
    bool sawGroup = false;
    bool sawMainGroup = false;
    bool inMainGroup = false;
    std::size_t lineNumber = 0;
    while (!contents.empty()) {
        ++lineNumber;
        const auto newline = contents.find('\n');
        std::string_view line = contents.substr(0, newline);
        contents.remove_prefix(newline == std::string_view::npos ? contents.size() : newline + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        line = trimmedBlanks(line);
        if (line.empty() || line.front() == '#') continue;

        if (line.front() == '[') {
            if (!line.ends_with(']') || line.size() < 3) refuse(lineNumber, "malformed group header");
            const auto group = line.substr(1, line.size() - 2);
            if (group.find_first_of("[]") != std::string_view::npos)
                refuse(lineNumber, "malformed group header");
            sawGroup = true;
            // A repeated main group adds keys; the first value of a key stays.
            inMainGroup = group == mainGroup;
            sawMainGroup = sawMainGroup || inMainGroup;
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) refuse(lineNumber, "line is not a key=value pair");
        if (!sawGroup) refuse(lineNumber, "key before the first group");
        const auto key = trimmedBlanks(line.substr(0, equals));
        if (!isValidKey(key)) refuse(lineNumber, "invalid key");
        if (inMainGroup) {
            entry.values.try_emplace(std::string(key), unescaped(trimmedBlanks(line.substr(equals + 1))));
        }
    }
    if (!sawMainGroup) throw DesktopEntryError("no [Desktop Entry] group");
    return entry;
}

std::optional<std::string> DesktopEntry::value(std::string_view key) const {
    const auto found = values.find(key);
    if (found == values.end()) return std::nullopt;
    return found->second;
}

bool DesktopEntry::isTrue(std::string_view key) const {
    const auto found = values.find(key);
    return found != values.end() && found->second == "true";
}

std::map<std::string, std::string> DesktopEntry::localizedValues(std::string_view key) const {
    std::map<std::string, std::string> localized;
    const std::string prefix = std::string(key) + "[";
    for (auto it = values.lower_bound(prefix); it != values.end() && it->first.starts_with(prefix); ++it) {
        localized.emplace(it->first.substr(prefix.size(), it->first.size() - prefix.size() - 1), it->second);
    }
    return localized;
}

}  // namespace quorvane

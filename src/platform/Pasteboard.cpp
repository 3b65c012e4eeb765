#include "platform/Pasteboard.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace quorvane {

bool Pasteboard::hasType(const std::string& type) const {
    const auto offered = types();
    return std::find(offered.begin(), offered.end(), type) != offered.end();
}

std::vector<std::filesystem::path> Pasteboard::fileURLs() const {
    const auto list = data(PasteboardType::fileURLs);
    if (!list) return {};
    return localPathsFromURIList(*list);
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes; nothing when an escape is malformed or decodes to a NUL byte.
std::optional<std::string> percentDecoded(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

bool startsWithCaseless(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::optional<std::filesystem::path> localPathFromFileURL(std::string_view uri) {
    constexpr std::string_view scheme = "file:";
    if (!startsWithCaseless(uri, scheme)) return std::nullopt;
    std::string_view rest = uri.substr(scheme.size());
    // A query or fragment is no part of a file's path.
    rest = rest.substr(0, rest.find_first_of("?#"));
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        const bool thisMachine = host.empty() || (host.size() == 9 && startsWithCaseless(host, "localhost"));
        if (!thisMachine) return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with("/")) return std::nullopt;
    auto path = percentDecoded(rest);
    if (!path) return std::nullopt;
    return std::filesystem::path(*path);
}

}  // namespace

std::vector<std::filesystem::path> localPathsFromURIList(const Data& uriList) {
    std::vector<std::filesystem::path> paths;
    const std::string_view text(reinterpret_cast<const char*>(uriList.data()), uriList.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.empty() || line.front() == '#') continue;
        if (auto path = localPathFromFileURL(line)) paths.push_back(std::move(*path));
    }
    return paths;
}

}  // namespace quorvane

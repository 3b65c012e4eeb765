#include "classification/HttpUrl.h"

#include <unicode/uchar.h>

#include "base/Utf8.h"
#include "classification/ClassificationText.h"

namespace quorvane {
namespace {

bool isAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool allOf(std::string_view text, bool (*predicate)(char)) {
    for (const char c : text) {
        if (!predicate(c)) return false;
    }
    return true;
}

// Characters that may stand in path, query and fragment; "%" is checked separately.
bool isLinkAsciiCharacter(char c, bool inQueryOrFragment) {
    if (isAsciiAlpha(c) || isAsciiDigit(c)) return true;
    static constexpr std::string_view allowed = "-._~!$&'()*+,;=:@/?";
    if (allowed.find(c) != std::string_view::npos) return true;
    return inQueryOrFragment && (c == '[' || c == ']');
}

// Every code point is a link character; non-ASCII letters and symbols are allowed (internationalised links).
bool hasOnlyLinkCharacters(std::string_view part, bool inQueryOrFragment) {
    for (std::size_t i = 0; i < part.size();) {
        const char c = part[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const CodePoint cp = codePointAt(part, i);
            const int8_t type = u_charType(cp.value);
            if (isUnicodeWhitespace(cp.value) || type == U_CONTROL_CHAR || type == U_FORMAT_CHAR ||
                type == U_UNASSIGNED || type == U_PRIVATE_USE_CHAR) {
                return false;
            }
            i += cp.length;
            continue;
        }
        if (c == '%') {
            if (i + 2 >= part.size() || !isHexDigit(part[i + 1]) || !isHexDigit(part[i + 2])) return false;
            i += 3;
            continue;
        }
        if (!isLinkAsciiCharacter(c, inQueryOrFragment)) return false;
        ++i;
    }
    return true;
}

bool isIPv4(std::string_view host) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        const std::string_view part =
            host.substr(start, dot == std::string_view::npos ? host.npos : dot - start);
        if (part.empty() || part.size() > 3 || !allOf(part, isAsciiDigit)) return false;
        if (part.size() > 1 && part[0] == '0') return false;
        if (std::stoi(std::string(part)) > 255) return false;
        ++parts;
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

bool isIPv6(std::string_view host) {
    if (host.find(':') == std::string_view::npos) return false;
    for (const char c : host) {
        if (!isHexDigit(c) && c != ':' && c != '.') return false;
    }
    return true;
}

bool isLabelCharacter(UChar32 c) {
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    return u_isalnum(c) || u_charType(c) == U_NON_SPACING_MARK || u_charType(c) == U_COMBINING_SPACING_MARK;
}

bool isDomainName(std::string_view host) {
    if (host.size() > 253) return false;
    std::vector<std::string_view> labels;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = host.find('.', start);
        labels.push_back(host.substr(start, dot == std::string_view::npos ? host.npos : dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    for (const auto label : labels) {
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (std::size_t i = 0; i < label.size();) {
            const CodePoint c = codePointAt(label, i);
            if (!isLabelCharacter(c.value)) return false;
            i += c.length;
        }
    }
    if (labels.size() < 2) return false;
    const std::string_view top = labels.back();
    if (top.size() > 4 && lowercased(top.substr(0, 4)) == "xn--") return true;
    std::size_t letters = 0;
    for (std::size_t i = 0; i < top.size();) {
        const CodePoint c = codePointAt(top, i);
        if (!u_isalpha(c.value)) return false;
        ++letters;
        i += c.length;
    }
    return letters >= 2;
}

bool isValidHost(std::string_view host) {
    if (host.empty()) return false;
    if (lowercased(host) == "localhost") return true;
    bool digitsAndDots = true;
    for (const char c : host) {
        if (!isAsciiDigit(c) && c != '.') digitsAndDots = false;
    }
    return digitsAndDots ? isIPv4(host) : isDomainName(host);
}

bool isValidUserInfo(std::string_view userInfo) {
    if (userInfo.empty()) return false;
    for (std::size_t i = 0; i < userInfo.size(); ++i) {
        const char c = userInfo[i];
        if (c == '/' || c == '?' || c == '@' || c == '[' || c == ']') return false;
    }
    return hasOnlyLinkCharacters(userInfo, false);
}

// A link finder stops before these when they end the text.
bool endsWithCutCharacter(std::string_view text) {
    static constexpr std::string_view trailing = ".,:;!?'\"";
    if (trailing.find(text.back()) != std::string_view::npos) return true;
    for (const auto& [open, close] : {std::pair{'(', ')'}, std::pair{'[', ']'}}) {
        if (text.back() != close) continue;
        long balance = 0;
        for (const char c : text) balance += c == open ? 1 : c == close ? -1 : 0;
        if (balance < 0) return true;
    }
    return false;
}

int hexValue(char c) {
    if (isAsciiDigit(c)) return c - '0';
    return (c | 0x20) - 'a' + 10;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isHexDigit(text[i + 1]) && isHexDigit(text[i + 2])) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return isValidUtf8(out) ? out : std::string(text);
}

}  // namespace

std::optional<HttpUrl> HttpUrl::parseWholeText(std::string_view text) {
    if (text.empty() || !isValidUtf8(text) || endsWithCutCharacter(text)) return std::nullopt;
    HttpUrl url;
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos) return std::nullopt;
    url.scheme = lowercased(text.substr(0, schemeEnd));
    if (url.scheme != "http" && url.scheme != "https") return std::nullopt;

    std::string_view rest = text.substr(schemeEnd + 3);
    const std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);

    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        if (!isValidUserInfo(authority.substr(0, at))) return std::nullopt;
        authority = authority.substr(at + 1);
    }
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        url.host = std::string(authority.substr(1, close - 1));
        if (!isIPv6(url.host)) return std::nullopt;
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':') return std::nullopt;
        if (!after.empty()) port = after.substr(1);
        if (!after.empty() && port.empty()) return std::nullopt;
    } else {
        const std::size_t colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        if (!isValidHost(url.host)) return std::nullopt;
        if (colon != std::string_view::npos) {
            port = authority.substr(colon + 1);
            if (port.empty()) return std::nullopt;
        }
    }
    if (!port.empty() &&
        (port.size() > 5 || !allOf(port, isAsciiDigit) || std::stoi(std::string(port)) > 65535)) {
        return std::nullopt;
    }

    const std::size_t fragmentStart = rest.find('#');
    if (fragmentStart != std::string_view::npos) {
        url.fragment = std::string(rest.substr(fragmentStart + 1));
        rest = rest.substr(0, fragmentStart);
        if (url.fragment.find('#') != std::string::npos || !hasOnlyLinkCharacters(url.fragment, true)) {
            return std::nullopt;
        }
    }
    const std::size_t queryStart = rest.find('?');
    if (queryStart != std::string_view::npos) {
        url.query = std::string(rest.substr(queryStart + 1));
        rest = rest.substr(0, queryStart);
        if (!hasOnlyLinkCharacters(url.query, true)) return std::nullopt;
    }
    if (!hasOnlyLinkCharacters(rest, false)) return std::nullopt;
    url.path = std::string(rest);
    return url;
}

std::string HttpUrl::decodedPath() const {
    return percentDecoded(path);
}

std::vector<std::string> HttpUrl::pathComponents() const {
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start)
            components.push_back(percentDecoded(std::string_view(path).substr(start, slash - start)));
        start = slash + 1;
    }
    return components;
}

}  // namespace quorvane

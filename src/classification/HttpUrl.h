#pragma once

// A strict reading of a whole text as one http or https link: a scheme, a valid host (domain name with a
// top-level domain, "localhost", IPv4 or bracketed IPv6), an optional port, then path, query and fragment
// made of link characters only. No white space anywhere, and no trailing character that a link finder would
// leave out of the link (a final period, comma, colon, semicolon, "!", "?", quote or unbalanced bracket).
// A bare host name without a scheme is not a link. Plain value; safe from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct HttpUrl {
    std::string scheme;  // "http" or "https"
    std::string host;    // as written, without brackets or port
    std::string path;    // as written, percent escapes kept; empty or starting with "/"
    std::string query;   // after "?", without it
    std::string fragment;

    // The whole text as a link, or nothing.
    static std::optional<HttpUrl> parseWholeText(std::string_view text);

    // The path with percent escapes decoded (as written when the escapes do not decode to UTF-8).
    std::string decodedPath() const;
    // The decoded path split at "/", empty pieces left out: "/o/r/pull/1" gives o, r, pull, 1.
    std::vector<std::string> pathComponents() const;

    friend bool operator==(const HttpUrl&, const HttpUrl&) = default;
};

}  // namespace quorvane

#pragma once

// Interning atoms and reading window properties on an xcb connection, for the X11 classes that each hold one
// (or use Qt's).

#include <xcb/xcb.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace quorvane {

// The atoms of `names`, in order, all asked for before any answer is awaited: one round trip for the lot.
// XCB_ATOM_NONE for a name the server did not answer.
template <std::size_t N>
std::array<xcb_atom_t, N> internAtoms(xcb_connection_t* connection, const char* const (&names)[N]) {
    std::array<xcb_intern_atom_cookie_t, N> cookies{};
    for (std::size_t index = 0; index < N; ++index) {
        const auto length = static_cast<std::uint16_t>(std::strlen(names[index]));
        cookies[index] = xcb_intern_atom(connection, 0, length, names[index]);
    }
    std::array<xcb_atom_t, N> atoms{};
    for (std::size_t index = 0; index < N; ++index) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookies[index], nullptr);
        atoms[index] = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
    }
    return atoms;
}

// The bytes of an 8-bit property, split at NUL characters (WM_CLASS holds two strings); none for a reply of
// another format or no reply.
inline std::vector<std::string> propertyStrings(const xcb_get_property_reply_t* reply) {
    if (!reply || reply->format != 8) return {};
    const char* bytes = static_cast<const char*>(xcb_get_property_value(reply));
    const int length = xcb_get_property_value_length(reply);
    std::vector<std::string> parts;
    std::string current;
    for (int i = 0; i < length; ++i) {
        if (bytes[i] == '\0') {
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(bytes[i]);
        }
    }
    if (!current.empty()) parts.push_back(std::move(current));
    return parts;
}

}  // namespace quorvane

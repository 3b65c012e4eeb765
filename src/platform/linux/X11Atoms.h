#pragma once

// Interning atoms on an xcb connection, for the X11 classes that each hold one (or use Qt's).

#include <xcb/xcb.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

}  // namespace quorvane

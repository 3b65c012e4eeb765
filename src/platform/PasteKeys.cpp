#include "platform/PasteKeys.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>

namespace quorvane {

namespace {

struct PasteRow {
    std::string_view name;
    std::optional<PasteKeystroke> keystroke;
    PasteSelection selection = PasteSelection::clipboard;
};

// Matched against both WM_CLASS names, lower-cased.
constexpr auto controlShiftV = PasteKeystroke::controlShiftV;
constexpr auto shiftInsert = PasteKeystroke::shiftInsert;
constexpr auto primary = PasteSelection::primary;

// Programs other than terminals whose Ctrl+V does something else than paste.
constexpr std::array programs{
    // gvim maps Shift+Insert to its middle-button put of the primary selection in every mode; Ctrl+V would
    // take the next key literally in insert mode and start a block selection in normal mode.
    PasteRow{"gvim", shiftInsert, primary},
    // emacs yanks with Shift+Insert, taking a changed clipboard first. Ctrl+Y does too, but modes such as
    // evil rebind it (in insert state it copies from the line above).
    PasteRow{"emacs", shiftInsert},
};

constexpr std::array terminals{
    // xterm and the rxvt family bind no clipboard paste key by default; Shift+Insert pastes the primary
    // selection.
    PasteRow{"xterm", shiftInsert, primary},
    PasteRow{"uxterm", shiftInsert, primary},
    PasteRow{"urxvt", shiftInsert, primary},
    PasteRow{"rxvt", shiftInsert, primary},
    PasteRow{"rxvt-unicode", shiftInsert, primary},
    PasteRow{"gnome-terminal", controlShiftV},
    PasteRow{"gnome-terminal-server", controlShiftV},
    PasteRow{"org.gnome.console", controlShiftV},
    PasteRow{"kgx", controlShiftV},
    PasteRow{"org.gnome.ptyxis", controlShiftV},
    PasteRow{"konsole", controlShiftV},
    PasteRow{"yakuake", controlShiftV},
    PasteRow{"xfce4-terminal", controlShiftV},
    PasteRow{"mate-terminal", controlShiftV},
    PasteRow{"lxterminal", controlShiftV},
    PasteRow{"qterminal", controlShiftV},
    PasteRow{"tilix", controlShiftV},
    PasteRow{"terminator", controlShiftV},
    PasteRow{"alacritty", controlShiftV},
    PasteRow{"kitty", controlShiftV},
    PasteRow{"org.wezfurlong.wezterm", controlShiftV},
    PasteRow{"wezterm", controlShiftV},
    PasteRow{"foot", controlShiftV},
    PasteRow{"footclient", controlShiftV},
    PasteRow{"st", controlShiftV},
    PasteRow{"st-256color", controlShiftV},
    PasteRow{"sakura", controlShiftV},
    PasteRow{"terminology", controlShiftV},
    PasteRow{"guake", controlShiftV},
    PasteRow{"tilda", controlShiftV},
    PasteRow{"deepin-terminal", controlShiftV},
    PasteRow{"roxterm", controlShiftV},
    PasteRow{"termite", controlShiftV},
    PasteRow{"cool-retro-term", controlShiftV},
    PasteRow{"com.mitchellh.ghostty", controlShiftV},
    PasteRow{"ghostty", controlShiftV},
    PasteRow{"contour", controlShiftV},
    PasteRow{"hyper", controlShiftV},
    PasteRow{"tabby", controlShiftV},
    // Terminals whose paste key depends on their configuration.
    PasteRow{"eterm", std::nullopt},
    PasteRow{"aterm", std::nullopt},
    PasteRow{"mlterm", std::nullopt},
    PasteRow{"zutty", std::nullopt},
};

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

template <std::size_t size>
const PasteRow* rowNamed(const std::array<PasteRow, size>& table, const std::string& name) {
    const auto row =
        std::find_if(table.begin(), table.end(), [&](const PasteRow& row) { return row.name == name; });
    return row == table.end() ? nullptr : &*row;
}

const PasteRow* knownTerminal(const std::string& name) {
    if (const PasteRow* row = rowNamed(terminals, name)) return row;
    // urxvt started as "urxvt-256color", "urxvtc", ...
    if (name.starts_with("urxvt") || name.starts_with("rxvt")) return &terminals[2];
    return nullptr;
}

PasteMethod methodOf(const PasteRow& row, bool terminal) {
    return {row.keystroke, row.selection, std::string(row.name), terminal};
}

// A terminal not in the table: its name says so, but not which key pastes.
bool looksLikeTerminal(const std::string& name) {
    return name.find("terminal") != std::string::npos || (name.size() > 4 && name.ends_with("term"));
}

}  // namespace

PasteMethod pasteMethodFor(const std::optional<WindowClass>& windowClass) {
    if (!windowClass) return {};
    const std::string names[] = {lowered(windowClass->className), lowered(windowClass->instance)};
    // The class first: "xterm -name emacs" is a terminal, whatever runs inside.
    for (const auto& name : names) {
        if (const PasteRow* row = rowNamed(programs, name)) return methodOf(*row, false);
        if (const PasteRow* row = knownTerminal(name)) return methodOf(*row, true);
    }
    for (const auto& name : names) {
        if (looksLikeTerminal(name)) return {std::nullopt, PasteSelection::clipboard, name, true};
    }
    return {};
}

std::string_view pasteKeystrokeName(PasteKeystroke keystroke) {
    switch (keystroke) {
        case PasteKeystroke::controlV:
            return "Ctrl+V";
        case PasteKeystroke::controlShiftV:
            return "Ctrl+Shift+V";
        case PasteKeystroke::shiftInsert:
            return "Shift+Insert";
    }
    return "Ctrl+V";
}

}  // namespace quorvane

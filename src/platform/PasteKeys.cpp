#include "platform/PasteKeys.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quorvane {

namespace {

struct TerminalRow {
    std::string_view name;
    std::optional<PasteKeystroke> keystroke;
};

// Matched against both WM_CLASS names, lower-cased.
constexpr auto controlShiftV = PasteKeystroke::controlShiftV;
constexpr auto shiftInsert = PasteKeystroke::shiftInsert;
constexpr std::array terminals{
    // xterm and the rxvt family bind no clipboard paste key by default; Shift+Insert pastes the primary
    // selection.
    TerminalRow{"xterm", shiftInsert},
    TerminalRow{"uxterm", shiftInsert},
    TerminalRow{"urxvt", shiftInsert},
    TerminalRow{"rxvt", shiftInsert},
    TerminalRow{"rxvt-unicode", shiftInsert},
    TerminalRow{"gnome-terminal", controlShiftV},
    TerminalRow{"gnome-terminal-server", controlShiftV},
    TerminalRow{"org.gnome.console", controlShiftV},
    TerminalRow{"kgx", controlShiftV},
    TerminalRow{"org.gnome.ptyxis", controlShiftV},
    TerminalRow{"konsole", controlShiftV},
    TerminalRow{"yakuake", controlShiftV},
    TerminalRow{"xfce4-terminal", controlShiftV},
    TerminalRow{"mate-terminal", controlShiftV},
    TerminalRow{"lxterminal", controlShiftV},
    TerminalRow{"qterminal", controlShiftV},
    TerminalRow{"tilix", controlShiftV},
    TerminalRow{"terminator", controlShiftV},
    TerminalRow{"alacritty", controlShiftV},
    TerminalRow{"kitty", controlShiftV},
    TerminalRow{"org.wezfurlong.wezterm", controlShiftV},
    TerminalRow{"wezterm", controlShiftV},
    TerminalRow{"foot", controlShiftV},
    TerminalRow{"footclient", controlShiftV},
    TerminalRow{"st", controlShiftV},
    TerminalRow{"st-256color", controlShiftV},
    TerminalRow{"sakura", controlShiftV},
    TerminalRow{"terminology", controlShiftV},
    TerminalRow{"guake", controlShiftV},
    TerminalRow{"tilda", controlShiftV},
    TerminalRow{"deepin-terminal", controlShiftV},
    TerminalRow{"roxterm", controlShiftV},
    TerminalRow{"termite", controlShiftV},
    TerminalRow{"cool-retro-term", controlShiftV},
    TerminalRow{"com.mitchellh.ghostty", controlShiftV},
    TerminalRow{"ghostty", controlShiftV},
    TerminalRow{"contour", controlShiftV},
    TerminalRow{"hyper", controlShiftV},
    TerminalRow{"tabby", controlShiftV},
    // Terminals whose paste key depends on their configuration.
    TerminalRow{"eterm", std::nullopt},
    TerminalRow{"aterm", std::nullopt},
    TerminalRow{"mlterm", std::nullopt},
    TerminalRow{"zutty", std::nullopt},
};

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

const TerminalRow* knownTerminal(const std::string& name) {
    for (const auto& row : terminals) {
        if (row.name == name) return &row;
    }
    // urxvt started as "urxvt-256color", "urxvtc", ...
    if (name.starts_with("urxvt") || name.starts_with("rxvt")) return &terminals[2];
    return nullptr;
}

// A terminal not in the table: its name says so, but not which key pastes.
bool looksLikeTerminal(const std::string& name) {
    return name.find("terminal") != std::string::npos || (name.size() > 4 && name.ends_with("term"));
}

}  // namespace

PasteMethod pasteMethodFor(const std::optional<WindowClass>& windowClass) {
    if (!windowClass) return {};
    const std::string names[] = {lowered(windowClass->className), lowered(windowClass->instance)};
    for (const auto& name : names) {
        if (const TerminalRow* row = knownTerminal(name)) return {row->keystroke, std::string(row->name)};
    }
    for (const auto& name : names) {
        if (looksLikeTerminal(name)) return {std::nullopt, name};
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

#pragma once

// Which keystroke pastes into a window. Most programs paste with Ctrl+V, but in a terminal Ctrl+V reaches
// the program inside as a control character (bash then takes the next key literally, nano pages down), so
// terminals are recognised by their window class and get their own paste key.

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The two names of a window's WM_CLASS.
struct WindowClass {
    std::string instance;
    std::string className;

    bool operator==(const WindowClass&) const = default;
};

enum class PasteKeystroke {
    controlV,
    controlShiftV,
    // Pastes the primary selection, not the clipboard.
    shiftInsert,
};

struct PasteMethod {
    // Nothing for a terminal whose paste key is not known: posting a guess could run a command.
    std::optional<PasteKeystroke> keystroke = PasteKeystroke::controlV;
    // The terminal recognised, for the log; empty for other windows.
    std::string terminal;

    bool isTerminal() const { return !terminal.empty(); }
    // Shift+Insert pastes the primary selection, so the entry has to be put there too.
    bool needsPrimarySelection() const { return keystroke == PasteKeystroke::shiftInsert; }
};

// The paste method for a window of class `windowClass`; Ctrl+V when the class is unknown or not a terminal's.
PasteMethod pasteMethodFor(const std::optional<WindowClass>& windowClass);

// "Ctrl+V", "Ctrl+Shift+V", "Shift+Insert".
std::string_view pasteKeystrokeName(PasteKeystroke keystroke);

}  // namespace quorvane

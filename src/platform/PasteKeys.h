#pragma once

// Which keystroke pastes into a window. Most programs paste with Ctrl+V, but not all: in a terminal Ctrl+V
// reaches the program inside as a control character (bash then takes the next key literally, nano pages
// down), gvim reads it as "insert the next key literally" and emacs scrolls. Such programs are recognised by
// their window class and get the key that pastes in them, reading the selection that key reads.

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
    shiftInsert,
};

// The selection a paste key reads.
enum class PasteSelection {
    clipboard,
    primary,
};

struct PasteMethod {
    // Nothing for a terminal whose paste key is not known: posting a guess could run a command.
    std::optional<PasteKeystroke> keystroke = PasteKeystroke::controlV;
    PasteSelection selection = PasteSelection::clipboard;
    // The program recognised, for the log; empty when the window's program is not in the table, where
    // Ctrl+V is only a guess.
    std::string program;
    bool terminal = false;

    bool isKnownProgram() const { return !program.empty(); }
    bool isTerminal() const { return terminal; }
    // The entry has to be put on the primary selection too.
    bool needsPrimarySelection() const { return selection == PasteSelection::primary; }
};

// The paste method for a window of class `windowClass`; Ctrl+V, with no program named, when the class is
// unreadable or not in the table.
PasteMethod pasteMethodFor(const std::optional<WindowClass>& windowClass);

// "Ctrl+V", "Ctrl+Shift+V", "Shift+Insert".
std::string_view pasteKeystrokeName(PasteKeystroke keystroke);

}  // namespace quorvane

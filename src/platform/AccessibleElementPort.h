#pragma once

// The desktop's accessibility tree as the caret lookup reads it: the focused element of the front program and
// the attributes that describe its text, selection and on-screen geometry. One Linux backend speaks AT-SPI;
// tests use an in-memory tree. Every read is synchronous and bounded by the backend's time-out, so a program
// that hangs costs a fraction of a second, never the D-Bus default of 25 s. Call on the main queue.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ScreenGeometry.h"

namespace quorvane {

// Why a read gave no value. The numbers appear in log lines, so they never change.
enum class AccessibilityError : int {
    success = 0,      // the read worked; with no value the element simply had nothing to report
    failure = 1,      // the program answered with an error
    unsupported = 2,  // the element has no such attribute or interface
    noValue = 3,      // the attribute exists but holds nothing now
    wrongType = 4,    // the answer was not of the kind asked for
    timedOut = 5,     // the program did not answer in time
    unavailable = 6,  // there is no accessibility bus, or it is switched off
};

template <typename T>
struct AccessibilityResult {
    std::optional<T> value;
    AccessibilityError error = AccessibilityError::success;

    static AccessibilityResult failed(AccessibilityError error) { return {std::nullopt, error}; }
    explicit operator bool() const { return value.has_value(); }
};

// An element of some program's tree. Opaque to callers: hand it back to the port that made it.
struct AccessibleElement {
    std::string owner;
    std::string path;

    bool operator==(const AccessibleElement&) const = default;
};

// A run of text: offsets count Unicode code points from the start of the element's text.
struct AccessibleTextRange {
    std::int64_t location = 0;
    std::int64_t length = 0;

    bool operator==(const AccessibleTextRange&) const = default;
};

// The selection as the program itself marks it. Opaque to callers: hand it back to the port unchanged.
struct AccessibleTextMarkerRange {
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool operator==(const AccessibleTextMarkerRange&) const = default;
};

// The role names the port reports for text elements; backends map their own roles onto these. Any other
// role is reported under the backend's own name.
struct AccessibleRole {
    static constexpr const char* textField = "AXTextField";
    static constexpr const char* textArea = "AXTextArea";
    static constexpr const char* comboBox = "AXComboBox";
    static constexpr const char* searchField = "AXSearchField";
    static constexpr const char* textView = "AXTextView";
    static constexpr const char* webArea = "AXWebArea";
};

class AccessibleElementPort {
public:
    virtual ~AccessibleElementPort() = default;

    // The element that has keyboard focus in the front program.
    virtual AccessibilityResult<AccessibleElement> focusedElement() = 0;
    // The element's role (see AccessibleRole).
    virtual AccessibilityResult<std::string> role(const AccessibleElement& element) = 0;
    // The top-level window that holds the element.
    virtual AccessibilityResult<AccessibleElement> window(const AccessibleElement& element) = 0;
    // The element's rectangle on screen, in global coordinates as the program reports them.
    virtual AccessibilityResult<ScreenRect> frame(const AccessibleElement& element) = 0;
    // The element's whole text, UTF-8.
    virtual AccessibilityResult<std::string> value(const AccessibleElement& element) = 0;
    // The selected text, empty when nothing is selected; only text the user can edit answers.
    virtual AccessibilityResult<std::string> selectedText(const AccessibleElement& element) = 0;
    // The selection, or the caret as an empty range at the caret's offset.
    virtual AccessibilityResult<AccessibleTextRange> selectedTextRange(const AccessibleElement& element) = 0;
    // The part of the text that is scrolled into view.
    virtual AccessibilityResult<AccessibleTextRange> visibleCharacterRange(
        const AccessibleElement& element) = 0;
    virtual AccessibilityResult<std::vector<AccessibleElement>> children(
        const AccessibleElement& element) = 0;
    // The rectangle of `range` on screen; for an empty range, the caret drawn at its offset (width 0).
    virtual AccessibilityResult<ScreenRect> boundsForRange(const AccessibleElement& element,
                                                           AccessibleTextRange range) = 0;
    virtual AccessibilityResult<AccessibleTextMarkerRange> selectedTextMarkerRange(
        const AccessibleElement& element) = 0;
    // The rectangle of a marker range read from the same element.
    virtual AccessibilityResult<ScreenRect> boundsForTextMarkerRange(const AccessibleElement& element,
                                                                     AccessibleTextMarkerRange range) = 0;
};

}  // namespace quorvane

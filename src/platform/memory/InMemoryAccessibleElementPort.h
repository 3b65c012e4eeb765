#pragma once

// An accessibility tree built by the test: elements with the attributes it sets, a focused element, errors
// to answer, and a record of the ranges asked for. Attributes never set answer `unsupported`. Main queue
// only.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/AccessibleElementPort.h"

namespace quorvane {

class InMemoryAccessibleElementPort : public AccessibleElementPort {
public:
    enum class Attribute {
        role,
        window,
        frame,
        value,
        selectedText,
        selectedTextRange,
        visibleCharacterRange,
        children,
        boundsForRange,
        selectedTextMarkerRange,
        boundsForTextMarkerRange,
    };

    AccessibilityResult<AccessibleElement> focusedElement() override;
    AccessibilityResult<std::string> role(const AccessibleElement& element) override;
    AccessibilityResult<AccessibleElement> window(const AccessibleElement& element) override;
    AccessibilityResult<ScreenRect> frame(const AccessibleElement& element) override;
    AccessibilityResult<std::string> value(const AccessibleElement& element) override;
    AccessibilityResult<std::string> selectedText(const AccessibleElement& element) override;
    AccessibilityResult<AccessibleTextRange> selectedTextRange(const AccessibleElement& element) override;
    AccessibilityResult<AccessibleTextRange> visibleCharacterRange(const AccessibleElement& element) override;
    AccessibilityResult<std::vector<AccessibleElement>> children(const AccessibleElement& element) override;
    AccessibilityResult<ScreenRect> boundsForRange(const AccessibleElement& element,
                                                   AccessibleTextRange range) override;
    AccessibilityResult<AccessibleTextMarkerRange> selectedTextMarkerRange(
        const AccessibleElement& element) override;
    AccessibilityResult<ScreenRect> boundsForTextMarkerRange(const AccessibleElement& element,
                                                             AccessibleTextMarkerRange range) override;

    // A new element without attributes.
    AccessibleElement addElement();
    // Focus on `element`; nothing focused (answering `error`) when absent.
    void setFocusedElement(std::optional<AccessibleElement> element,
                           AccessibilityError error = AccessibilityError::noValue);

    void setRole(const AccessibleElement& element, std::string role);
    void setWindow(const AccessibleElement& element, const AccessibleElement& window);
    void setFrame(const AccessibleElement& element, ScreenRect frame);
    void setValue(const AccessibleElement& element, std::string value);
    void setSelectedText(const AccessibleElement& element, std::string text);
    void setSelectedTextRange(const AccessibleElement& element, AccessibleTextRange range);
    void setVisibleCharacterRange(const AccessibleElement& element, AccessibleTextRange range);
    void setChildren(const AccessibleElement& element, std::vector<AccessibleElement> children);
    // The answer to boundsForRange() for an empty range at `location`.
    void setCaretBounds(const AccessibleElement& element, std::int64_t location, ScreenRect bounds);
    void setSelectedTextMarkerRange(const AccessibleElement& element, AccessibleTextMarkerRange range,
                                    ScreenRect bounds);
    // Makes reads of `attribute` on `element` fail with `error` (which may be `success`: no value, no error).
    void setError(const AccessibleElement& element, Attribute attribute, AccessibilityError error);

    // The ranges boundsForRange() was asked for, in order.
    const std::vector<AccessibleTextRange>& boundsQueries() const { return boundsQueries_; }
    // Every read of any kind so far.
    int readCount() const { return readCount_; }

private:
    struct Node {
        std::optional<std::string> role;
        std::optional<AccessibleElement> window;
        std::optional<ScreenRect> frame;
        std::optional<std::string> value;
        std::optional<std::string> selectedText;
        std::optional<AccessibleTextRange> selectedTextRange;
        std::optional<AccessibleTextRange> visibleCharacterRange;
        std::optional<std::vector<AccessibleElement>> children;
        std::map<std::int64_t, ScreenRect> caretBounds;
        std::optional<AccessibleTextMarkerRange> markerRange;
        std::optional<ScreenRect> markerBounds;
        std::map<Attribute, AccessibilityError> errors;
    };

    Node* node(const AccessibleElement& element);
    Node& existingNode(const AccessibleElement& element);
    template <typename T>
    AccessibilityResult<T> read(const AccessibleElement& element, Attribute attribute,
                                std::optional<T> Node::*field);

    std::map<std::string, Node> nodes_;
    std::optional<AccessibleElement> focused_;
    AccessibilityError focusError_ = AccessibilityError::noValue;
    std::vector<AccessibleTextRange> boundsQueries_;
    int readCount_ = 0;
    int nextId_ = 1;
};

}  // namespace quorvane

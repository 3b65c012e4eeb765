#include "platform/memory/InMemoryAccessibleElementPort.h"

#include <stdexcept>

namespace quorvane {

namespace {
constexpr const char* kOwner = "memory";
}

InMemoryAccessibleElementPort::Node* InMemoryAccessibleElementPort::node(const AccessibleElement& element) {
    if (element.owner != kOwner) return nullptr;
    auto found = nodes_.find(element.path);
    return found == nodes_.end() ? nullptr : &found->second;
}

InMemoryAccessibleElementPort::Node& InMemoryAccessibleElementPort::existingNode(
    const AccessibleElement& element) {
    Node* found = node(element);
    if (!found) throw std::invalid_argument("not an element of this tree: " + element.path);
    return *found;
}

template <typename T>
AccessibilityResult<T> InMemoryAccessibleElementPort::read(const AccessibleElement& element,
                                                           Attribute attribute,
                                                           std::optional<T> Node::*field) {
    ++readCount_;
    Node* found = node(element);
    if (!found) return AccessibilityResult<T>::failed(AccessibilityError::failure);
    if (auto error = found->errors.find(attribute); error != found->errors.end()) {
        return AccessibilityResult<T>::failed(error->second);
    }
    const std::optional<T>& value = found->*field;
    if (!value) return AccessibilityResult<T>::failed(AccessibilityError::unsupported);
    return {value, AccessibilityError::success};
}

AccessibilityResult<AccessibleElement> InMemoryAccessibleElementPort::focusedElement() {
    ++readCount_;
    if (!focused_) return AccessibilityResult<AccessibleElement>::failed(focusError_);
    return {focused_, AccessibilityError::success};
}

AccessibilityResult<std::string> InMemoryAccessibleElementPort::role(const AccessibleElement& element) {
    return read(element, Attribute::role, &Node::role);
}

AccessibilityResult<AccessibleElement> InMemoryAccessibleElementPort::window(
    const AccessibleElement& element) {
    return read(element, Attribute::window, &Node::window);
}

AccessibilityResult<ScreenRect> InMemoryAccessibleElementPort::frame(const AccessibleElement& element) {
    return read(element, Attribute::frame, &Node::frame);
}

AccessibilityResult<std::string> InMemoryAccessibleElementPort::value(const AccessibleElement& element) {
    return read(element, Attribute::value, &Node::value);
}

AccessibilityResult<std::string> InMemoryAccessibleElementPort::selectedText(
    const AccessibleElement& element) {
    return read(element, Attribute::selectedText, &Node::selectedText);
}

AccessibilityResult<AccessibleTextRange> InMemoryAccessibleElementPort::selectedTextRange(
    const AccessibleElement& element) {
    return read(element, Attribute::selectedTextRange, &Node::selectedTextRange);
}

AccessibilityResult<AccessibleTextRange> InMemoryAccessibleElementPort::visibleCharacterRange(
    const AccessibleElement& element) {
    return read(element, Attribute::visibleCharacterRange, &Node::visibleCharacterRange);
}

AccessibilityResult<std::vector<AccessibleElement>> InMemoryAccessibleElementPort::children(
    const AccessibleElement& element) {
    return read(element, Attribute::children, &Node::children);
}

AccessibilityResult<ScreenRect> InMemoryAccessibleElementPort::boundsForRange(
    const AccessibleElement& element, AccessibleTextRange range) {
    ++readCount_;
    boundsQueries_.push_back(range);
    Node* found = node(element);
    if (!found) return AccessibilityResult<ScreenRect>::failed(AccessibilityError::failure);
    if (auto error = found->errors.find(Attribute::boundsForRange); error != found->errors.end()) {
        return AccessibilityResult<ScreenRect>::failed(error->second);
    }
    auto bounds = found->caretBounds.find(range.location);
    if (range.length != 0 || bounds == found->caretBounds.end()) {
        return AccessibilityResult<ScreenRect>::failed(AccessibilityError::noValue);
    }
    return {bounds->second, AccessibilityError::success};
}

AccessibilityResult<AccessibleTextMarkerRange> InMemoryAccessibleElementPort::selectedTextMarkerRange(
    const AccessibleElement& element) {
    return read(element, Attribute::selectedTextMarkerRange, &Node::markerRange);
}

AccessibilityResult<ScreenRect> InMemoryAccessibleElementPort::boundsForTextMarkerRange(
    const AccessibleElement& element, AccessibleTextMarkerRange range) {
    Node* found = node(element);
    if (found && found->markerRange != range) {
        ++readCount_;
        return AccessibilityResult<ScreenRect>::failed(AccessibilityError::failure);
    }
    return read(element, Attribute::boundsForTextMarkerRange, &Node::markerBounds);
}

AccessibleElement InMemoryAccessibleElementPort::addElement() {
    AccessibleElement element{kOwner, std::to_string(nextId_++)};
    nodes_.emplace(element.path, Node{});
    return element;
}

void InMemoryAccessibleElementPort::setFocusedElement(std::optional<AccessibleElement> element,
                                                      AccessibilityError error) {
    focused_ = std::move(element);
    focusError_ = error;
}

void InMemoryAccessibleElementPort::setRole(const AccessibleElement& element, std::string role) {
    existingNode(element).role = std::move(role);
}
void InMemoryAccessibleElementPort::setWindow(const AccessibleElement& element,
                                              const AccessibleElement& window) {
    existingNode(element).window = window;
}
void InMemoryAccessibleElementPort::setFrame(const AccessibleElement& element, ScreenRect frame) {
    existingNode(element).frame = frame;
}
void InMemoryAccessibleElementPort::setValue(const AccessibleElement& element, std::string value) {
    existingNode(element).value = std::move(value);
}
void InMemoryAccessibleElementPort::setSelectedText(const AccessibleElement& element, std::string text) {
    existingNode(element).selectedText = std::move(text);
}
void InMemoryAccessibleElementPort::setSelectedTextRange(const AccessibleElement& element,
                                                         AccessibleTextRange range) {
    existingNode(element).selectedTextRange = range;
}
void InMemoryAccessibleElementPort::setVisibleCharacterRange(const AccessibleElement& element,
                                                             AccessibleTextRange range) {
    existingNode(element).visibleCharacterRange = range;
}
void InMemoryAccessibleElementPort::setChildren(const AccessibleElement& element,
                                                std::vector<AccessibleElement> children) {
    existingNode(element).children = std::move(children);
}
void InMemoryAccessibleElementPort::setCaretBounds(const AccessibleElement& element, std::int64_t location,
                                                   ScreenRect bounds) {
    existingNode(element).caretBounds[location] = bounds;
}
void InMemoryAccessibleElementPort::setSelectedTextMarkerRange(const AccessibleElement& element,
                                                               AccessibleTextMarkerRange range,
                                                               ScreenRect bounds) {
    Node& target = existingNode(element);
    target.markerRange = range;
    target.markerBounds = bounds;
}
void InMemoryAccessibleElementPort::setError(const AccessibleElement& element, Attribute attribute,
                                             AccessibilityError error) {
    existingNode(element).errors[attribute] = error;
}

}  // namespace quorvane

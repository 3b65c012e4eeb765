#include "floating/model/ClipboardFloatingAnchorResolver.h"

#include "base/Logger.h"
#include "floating/model/CaretLogFormat.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "ClipboardFloatingAnchorResolver";

template <typename MakeMessage>
void logDebug(MakeMessage&& makeMessage) {
    if constexpr (Logger::debugLinesEnabled) Logger::debug(makeMessage(), kLogCategory);
}

const char* caseName(AccessibilityPermissionStatus status) {
    switch (status) {
        case AccessibilityPermissionStatus::authorized:
            return "authorized";
        case AccessibilityPermissionStatus::denied:
            return "denied";
        case AccessibilityPermissionStatus::notDetermined:
            return "notDetermined";
        case AccessibilityPermissionStatus::unknown:
            return "unknown";
    }
    return "unknown";
}

std::string point(ScreenPoint p) {
    return "x=" + wholeNumber(p.x) + " y=" + wholeNumber(p.y);
}

}  // namespace

ClipboardFloatingAnchorResolver::ClipboardFloatingAnchorResolver(
    const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager,
    TextCaretPositionDetectorProtocol& caretPositionDetector, MouseLocationProvider mouseLocationProvider)
    : accessibilityPermissionManager_(accessibilityPermissionManager),
      caretPositionDetector_(caretPositionDetector),
      mouseLocationProvider_(std::move(mouseLocationProvider)) {}

FloatingPanelAnchor ClipboardFloatingAnchorResolver::resolveAnchor() {
    const AccessibilityPermissionStatus status = accessibilityPermissionManager_.status();
    logDebug([&] {
        return std::string("[FloatingAnchor] Resolving anchor with accessibilityStatus=") + caseName(status);
    });
    if (status != AccessibilityPermissionStatus::authorized) {
        const ScreenPoint p = mouseLocationProvider_();
        logDebug([&] { return "[FloatingAnchor] Accessibility unavailable, fallback to mouse " + point(p); });
        return FloatingPanelAnchor::mouse(p);
    }
    const auto caret = caretPositionDetector_.getCaretPosition();
    if (!caret) {
        const ScreenPoint p = mouseLocationProvider_();
        logDebug([&] { return "[FloatingAnchor] Caret detection failed, fallback to mouse " + point(p); });
        return FloatingPanelAnchor::mouse(p);
    }
    logDebug([&] {
        return "[FloatingAnchor] Using caret rect x=" + wholeNumber(caret->x) +
               " y=" + wholeNumber(caret->y) + " w=" + wholeNumber(caret->width) +
               " h=" + wholeNumber(caret->height);
    });
    return FloatingPanelAnchor::caret(*caret);
}

FloatingPanelAnchor ClipboardFloatingAnchorResolver::mouseAnchor() {
    const ScreenPoint p = mouseLocationProvider_();
    logDebug([&] { return "[FloatingAnchor] A window of ours is active, using the mouse " + point(p); });
    return FloatingPanelAnchor::mouse(p);
}

}  // namespace quorvane

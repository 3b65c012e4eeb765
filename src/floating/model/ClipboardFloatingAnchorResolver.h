#pragma once

// Anchors the floating panel at the text caret when accessibility is granted and the caret detector finds
// one, else at the mouse pointer. Made once by the application container; main queue only.

#include <functional>

#include "floating/model/ClipboardFloatingAnchorResolving.h"
#include "floating/model/TextCaretPositionDetectorProtocol.h"
#include "platform/ScreenGeometry.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

class ClipboardFloatingAnchorResolver final : public ClipboardFloatingAnchorResolving {
public:
    using MouseLocationProvider = std::function<ScreenPoint()>;

    // The collaborators must outlive the resolver.
    ClipboardFloatingAnchorResolver(
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager,
        TextCaretPositionDetectorProtocol& caretPositionDetector,
        MouseLocationProvider mouseLocationProvider);
    ClipboardFloatingAnchorResolver(const ClipboardFloatingAnchorResolver&) = delete;
    ClipboardFloatingAnchorResolver& operator=(const ClipboardFloatingAnchorResolver&) = delete;

    // Without the permission the detector is not asked at all.
    FloatingPanelAnchor resolveAnchor() override;
    FloatingPanelAnchor mouseAnchor() override;

private:
    const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager_;
    TextCaretPositionDetectorProtocol& caretPositionDetector_;
    MouseLocationProvider mouseLocationProvider_;
};

}  // namespace quorvane

#pragma once

// Whether this process may act on other programs (paste back, watch copy keystrokes, read the caret), as the
// accessibility permission manager reports it. Ordered as declared. Plain value, safe from any thread.

namespace quorvane {

// The manager reports only the first three; unknown is for callers that have not asked yet.
enum class AccessibilityPermissionStatus { authorized, denied, notDetermined, unknown };

}  // namespace quorvane

#pragma once

// The accessibility tree of the desktop's programs over AT-SPI2, spoken directly on D-Bus (QtDBus) so that
// every call carries a short time-out. The accessibility bus is found through the session bus (org.a11y.Bus);
// when it is missing or switched off (org.a11y.Status), every read answers `unavailable`. The focused element
// is searched in the front program's active window (the program found by its process id). AT-SPI roles are
// reported under the port's role names (AccessibleRole); an empty range's bounds are the caret's, drawn
// between two characters. Main thread only: calls block until the program answers or the time-out passes.
//
// The port follows the programs' focus events from the moment it is made, and asks the editable element they
// last named first: walking a large tree (an office document's) takes longer than a lookup may. A held hot
// key grabs the keyboard, and GTK fields give up their focus while the keys are down, so that element also
// stands in when it lost the focus only just now, in the front program.
//
// Rectangles come from the programs in the X server's pixels; given the screens, the port answers them in
// Qt's device-independent pixels, as the rest of the program places windows.

#include <QDBusConnection>
#include <QString>
#include <QVariantList>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/AccessibleElementPort.h"
#include "platform/FrontmostApplicationProvider.h"
#include "platform/ScreenProvider.h"

class QDBusMessage;

namespace quorvane {

class AtSpiAccessibleElementPort final : public AccessibleElementPort {
public:
    // Per D-Bus call: a program that hangs must not hold up the panel.
    static constexpr int callTimeoutMilliseconds = 250;
    // For the whole search of the focused element in a program's tree.
    static constexpr int focusSearchTimeoutMilliseconds = 1000;
    // Elements visited at most by that search.
    static constexpr int focusSearchNodeLimit = 4000;
    // How long an element that lost the focus still stands in when nothing else has it: a hot key held as
    // long as people hold it, and the turn of the event loop before the lookup.
    static constexpr int recentFocusMilliseconds = 1500;
    // How long a front program with no active window is watched for the focus coming back after the hot
    // key's grab (the key held, and quorvane late on a busy machine), and how often it is asked.
    static constexpr int grabSettleMilliseconds = 800;
    static constexpr int grabPollMilliseconds = 25;
    // Focus reports kept: a program may name a window after the text that has the caret.
    static constexpr std::size_t reportedFocusLimit = 4;

    // `frontmost` (may be null: every program is searched) names the program whose focus counts;
    // `screens` (may be null: rectangles stay in X server pixels) scales rectangles. Both must outlive the
    // port. `sessionBusAddress` picks a session bus other than the process's own (tests).
    explicit AtSpiAccessibleElementPort(const FrontmostApplicationProvider* frontmost,
                                        const QString& sessionBusAddress = {},
                                        const ScreenProvider* screens = nullptr);
    ~AtSpiAccessibleElementPort() override;
    AtSpiAccessibleElementPort(const AtSpiAccessibleElementPort&) = delete;
    AtSpiAccessibleElementPort& operator=(const AtSpiAccessibleElementPort&) = delete;

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

    // True when the accessibility bus is there, switched on and connected (connecting if need be).
    bool isAccessibilityBusAvailable();

private:
    struct Reply;
    class FocusFollower;
    // The element that last reported the focus, and since when it no longer has it (none: it still has).
    struct ReportedFocus {
        AccessibleElement element;
        std::optional<std::int64_t> lostAtMilliseconds;
    };

    // Connects to the accessibility bus unless connected already; `unavailable` or `timedOut` when it
    // cannot be reached or is switched off.
    AccessibilityError ensureAccessibilityBus(bool quiet = false);
    // Asks the programs on a fresh accessibility connection for their focus events and listens to them.
    void followFocus();
    void focusReported(const AccessibleElement& element, bool focused);
    // The element last reported focused, when it is the front program's and has the focus still, or lost it
    // only just now.
    std::optional<AccessibleElement> reportedFocus(const std::optional<std::int64_t>& frontProcess);
    // Hands the follower the focus events that arrived while the port waited on blocking calls.
    void takeArrivedFocusEvents();
    // In Qt's pixels when the port has the screens.
    ScreenRect scaled(const ScreenRect& devicePixels) const;
    AccessibilityResult<ScreenRect> deviceFrame(const AccessibleElement& element);
    Reply call(const AccessibleElement& element, const char* interface, const char* method,
               const QVariantList& arguments = {});
    Reply property(const AccessibleElement& element, const char* interface, const char* name);
    std::optional<std::int64_t> processId(const std::string& busName);
    AccessibilityResult<std::uint64_t> states(const AccessibleElement& element);
    AccessibilityResult<std::int64_t> caretOffset(const AccessibleElement& element);
    AccessibilityResult<ScreenRect> characterExtents(const AccessibleElement& element, std::int64_t offset);
    AccessibilityResult<ScreenRect> rangeExtents(const AccessibleElement& element, std::int64_t start,
                                                 std::int64_t end);
    AccessibilityResult<std::string> text(const AccessibleElement& element, std::int64_t start,
                                          std::int64_t end);
    std::optional<AccessibleElement> searchFocus(const AccessibleElement& root, int& budget,
                                                 std::int64_t deadline);
    std::vector<AccessibleElement> activeWindows(const std::vector<AccessibleElement>& windows);
    // The focus in the first active window of `programs` once one is active again, within the settle time.
    std::optional<AccessibleElement> focusAfterGrab(const std::vector<AccessibleElement>& programs,
                                                    int& budget, std::int64_t deadline);

    const FrontmostApplicationProvider* frontmost_;
    const ScreenProvider* screens_;
    QString sessionConnectionName_;
    std::unique_ptr<QDBusConnection> session_;
    QString accessibilityConnectionName_;
    QString accessibilityAddress_;
    std::unique_ptr<QDBusConnection> accessibility_;
    bool busWasAvailable_ = true;
    // Process ids of the programs on the accessibility bus, by bus name (never reused while the bus lives).
    std::map<std::string, std::int64_t> processIds_;
    // The window the last focus search found the focused element in.
    std::optional<std::pair<AccessibleElement, AccessibleElement>> lastFocus_;
    // The elements last reported focused, the latest first.
    std::vector<ReportedFocus> reportedFocus_;
    std::unique_ptr<FocusFollower> focusFollower_;
};

}  // namespace quorvane

#pragma once

// Finds the text caret of the focused element in the front program: picks the program's strategy list, checks
// that the element takes text, runs the strategies in order until one gives a believable rectangle (with an
// estimate for browser fields as the last resort), then applies the program's offset. A rectangle outside the
// focused element or off every screen is no caret, whatever the program says (a scrolled single-line field
// may report where the caret would be unscrolled): the next strategy is tried, and without one the caller
// falls back to the mouse. Logs every step under "TextCaretPositionDetector". Made once by the application
// container; main queue only, synchronous.

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "floating/model/AppStrategyConfig.h"
#include "floating/model/CaretDetectionStrategy.h"
#include "floating/model/CaretGeometry.h"
#include "floating/model/CaretStrategies.h"
#include "floating/model/TextCaretPositionDetectorProtocol.h"
#include "platform/AccessibleElementPort.h"
#include "platform/FrontmostApplicationProvider.h"
#include "platform/ScreenProvider.h"
#include "platform/TextWidthMeasurer.h"

namespace quorvane {

class TextCaretPositionDetector final : public TextCaretPositionDetectorProtocol {
public:
    // What the detector reads; all must outlive it.
    struct Services {
        AccessibleElementPort& elements;
        const FrontmostApplicationProvider& frontmostApplication;
        const ScreenProvider& screens;
        const TextWidthMeasurer& textMeasurer;
    };

    struct AppInfo {
        std::string bundleIdentifier;
        std::string name;

        bool operator==(const AppInfo&) const = default;
    };

    struct StrategyResult {
        ScreenRect rect;
        CaretDetectionStrategy strategy;
    };

    // The text-field, text-area, combo-box, search-field and text-view roles.
    static std::set<std::string> defaultEditableRoles();

    TextCaretPositionDetector(Services services, std::set<std::string> editableRoles = defaultEditableRoles(),
                              AppStrategyTable appStrategyTable = builtInAppStrategyTable());
    TextCaretPositionDetector(const TextCaretPositionDetector&) = delete;
    TextCaretPositionDetector& operator=(const TextCaretPositionDetector&) = delete;

    std::optional<ScreenRect> getCaretPosition() override;

    // The front program's row of the table (exact id, else a key the id starts with), else the default; notes
    // the program in currentAppInfo().
    AppStrategyConfig strategyConfigForFrontmostApp();
    // Roles in editableRoles(); a web area with a selection or an editable child among its first ten; any
    // other element that answers its selected text.
    bool isEditableTextElement(const AccessibleElement& element, const std::string& role);
    // The first strategy's rectangle that passes its test, else the browser-field estimate.
    std::optional<StrategyResult> detectCaretRect(const AccessibleElement& element, std::int64_t location,
                                                  std::int64_t length, const std::string& role,
                                                  const AppStrategyConfig& config);
    // The element-and-window estimate for text fields of the known browsers.
    std::optional<ScreenRect> browserInputFallback(const AccessibleElement& element, std::int64_t location,
                                                   const std::string& role);
    // Why a strategy's rectangle cannot be the caret: its middle lies off every screen, or outside
    // `elementFrame` when that is known (not for the last-line estimate, which works from the frame as read
    // rather than normalised). Nothing when it can.
    std::optional<std::string> misplacementReason(const ScreenRect& rect, CaretDetectionStrategy strategy,
                                                  const std::optional<ScreenRect>& elementFrame) const;
    // Why a returned rectangle looks wrong (it is returned all the same), or nothing.
    std::optional<std::string> invalidRectReason(const ScreenRect& rect) const;

    const std::set<std::string>& editableRoles() const { return editableRoles_; }
    const std::optional<AppInfo>& currentAppInfo() const { return currentAppInfo_; }
    const AppStrategyTable& appStrategyTable() const { return appStrategyTable_; }
    const CaretGeometry& geometry() const { return geometry_; }
    CaretStrategies& strategies() { return strategies_; }

private:
    // The element's frame in the strategies' convention, when it can be read.
    std::optional<ScreenRect> elementFrame(const AccessibleElement& element);
    bool isOnSomeScreen(ScreenPoint point) const;

    Services services_;
    std::set<std::string> editableRoles_;
    AppStrategyTable appStrategyTable_;
    CaretGeometry geometry_;
    CaretStrategies strategies_;
    std::optional<AppInfo> currentAppInfo_;
};

}  // namespace quorvane

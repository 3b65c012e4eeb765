#pragma once

// Builds the floating clipboard panel for the running program: soon after the start (in the direct build) the
// caret lookup over the accessibility bus with the mouse pointer as fallback, and on first use the controller
// over the panel view model, the paste-back and the entry actions the centred panel shares. The application's
// window wiring keeps one and routes the hot key to it while the presentation setting says "floating".
// Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "floating/widgets/FloatingClipboardPanelController.h"
#include "history/ClipboardHistoryManagerProtocol.h"
#include "panel/model/ClipboardPanelServices.h"
#include "platform/ApplicationCatalog.h"
#include "platform/Clock.h"
#include "platform/FrontmostApplicationProvider.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "searchindex/ClipboardAppIdentityResolver.h"

namespace quorvane {

class AccessibleElementPort;
class TextCaretPositionDetector;
class TextWidthMeasurer;

class FloatingPanelAssembly {
public:
    // Everything must outlive the assembly.
    struct Services : ClipboardPanelServices {
        // The view model the other presentation made, or null: then the assembly makes its own.
        std::function<ClipboardPanelViewModel*()> sharedViewModel;
        const FrontmostApplicationProvider& frontmostApplicationProvider;
    };

    explicit FloatingPanelAssembly(Services services);
    ~FloatingPanelAssembly();
    FloatingPanelAssembly(const FloatingPanelAssembly&) = delete;
    FloatingPanelAssembly& operator=(const FloatingPanelAssembly&) = delete;

    // Builds the caret lookup unless it is built (direct build only). Called on a turn of the event loop
    // after the tray shows, so the first hot-key press finds the caret and the start does not wait for the
    // bus.
    void prepareCaretLookup();
    // Whether the caret lookup is built.
    bool hasCaretLookup() const { return anchorResolver_ != nullptr; }

    FloatingClipboardPanelController& controller();
    // Null until controller() was first asked for.
    FloatingClipboardPanelController* builtController() const { return controller_.get(); }

private:
    void buildCaretLookup();

    Services services_;
    std::unique_ptr<ScreenProvider> screens_;
    std::unique_ptr<TextWidthMeasurer> measurer_;
    std::unique_ptr<AccessibleElementPort> elements_;
    std::unique_ptr<TextCaretPositionDetector> detector_;
    std::unique_ptr<ClipboardFloatingAnchorResolving> anchorResolver_;
    std::unique_ptr<ClipboardSearchAutoCompleteManager> completions_;
    std::unique_ptr<ClipboardPanelViewModel> ownViewModel_;
    std::unique_ptr<FloatingClipboardPanelController> controller_;
};

}  // namespace quorvane

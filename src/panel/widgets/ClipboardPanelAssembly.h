#pragma once

// Builds the centred clipboard panel for the running program: the screens, the panel view model and the
// controller, all on first use, over the window activation and the paste-back the floating panel shares. The
// application's window wiring keeps one and hands controller() to the container's panel coordinator. Main
// thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/model/PasteBackPerformer.h"
#include "platform/ApplicationCatalog.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "preferences/DistributionChannel.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

class ClipboardPanelController;
class PasteShortcutPoster;
class ScreenProvider;
class WindowActivation;

class ClipboardPanelAssembly {
public:
    // Everything must outlive the assembly.
    struct Services {
        // The clipboard services of the moment, read when the view model is made.
        std::function<std::shared_ptr<ClipboardHistoryManagerProtocol>()> clipboardHistoryManager;
        std::function<std::shared_ptr<ClipboardSearchServiceProtocol>()> clipboardSearchService;
        MainQueue& mainQueue;
        const Clock& clock;
        UserDefaults& userDefaults;
        Pasteboard& pasteboard;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        const ApplicationCatalog& applicationCatalog;
        const ClipboardAppIdentityResolver& appIdentityResolver;
        DistributionChannel distributionChannel;
        std::function<void()> onOpenSettings;
        std::function<ClipboardFooterUpdateState()> updateState;
        std::function<void()> checkForUpdates;
        // The X server time of the last hot-key press.
        std::function<std::uint32_t()> hotkeyTimestamp;
        // The program's one paste-back, asked for when the controller is built.
        std::function<PasteBackServices()> pasteBack;
    };

    explicit ClipboardPanelAssembly(Services services);
    ~ClipboardPanelAssembly();
    ClipboardPanelAssembly(const ClipboardPanelAssembly&) = delete;
    ClipboardPanelAssembly& operator=(const ClipboardPanelAssembly&) = delete;

    // Made on first use, with the view model.
    ClipboardPanelViewModel& viewModel();
    // Null until viewModel() was first asked for.
    ClipboardPanelViewModel* builtViewModel() const { return viewModel_.get(); }
    ClipboardPanelController& controller();
    // Null until controller() was first asked for.
    ClipboardPanelController* builtController() const { return controller_.get(); }

private:
    Services services_;
    std::unique_ptr<ScreenProvider> screens_;
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<ClipboardPanelController> controller_;
};

}  // namespace quorvane

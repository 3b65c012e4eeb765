#pragma once

// Builds the centred clipboard panel for the running program: the X11 window activation and paste keystroke,
// the panel view model, the controller (made on first use) and the panel coordinator that owns the clipboard
// hot key. The container keeps one and hands its two entry points to the shell: toggleClipboardPanel() and
// registerClipboardHotkey(). Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "hotkeys/model/HotkeyManagerProtocol.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "panel/model/ClipboardPanelViewModel.h"
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
class ScreenProvider;
class WindowActivation;
class PasteShortcutPoster;

class ClipboardPanelAssembly {
public:
    // Everything must outlive the assembly.
    struct Services {
        std::shared_ptr<ClipboardHistoryManagerProtocol> clipboardHistoryManager;
        std::shared_ptr<ClipboardSearchServiceProtocol> clipboardSearchService;
        MainQueue& mainQueue;
        const Clock& clock;
        UserDefaults& userDefaults;
        Pasteboard& pasteboard;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        const ApplicationCatalog& applicationCatalog;
        const ClipboardAppIdentityResolver& appIdentityResolver;
        HotkeyManagerProtocol& hotkeyManager;
        DistributionChannel distributionChannel;
        std::function<void()> onOpenSettings;
        std::function<ClipboardFooterUpdateState()> updateState;
        std::function<void()> checkForUpdates;
    };

    explicit ClipboardPanelAssembly(Services services);
    ~ClipboardPanelAssembly();
    ClipboardPanelAssembly(const ClipboardPanelAssembly&) = delete;
    ClipboardPanelAssembly& operator=(const ClipboardPanelAssembly&) = delete;

    // The hot key's action: shows the panel, or hides it when shown.
    void toggleClipboardPanel();
    // Registers the stored clipboard hot key (else the default) with the toggle as its action.
    void registerClipboardHotkey();

    ClipboardPanelViewModel& viewModel() { return *viewModel_; }
    // Made on first use.
    ClipboardPanelController& controller();
    ClipboardPanelCoordinator& coordinator() { return *coordinator_; }

private:
    Services services_;
    std::unique_ptr<ScreenProvider> screens_;
    std::unique_ptr<WindowActivation> windowActivation_;
    std::unique_ptr<PasteShortcutPoster> pasteShortcutPoster_;
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<ClipboardPanelController> controller_;
    std::unique_ptr<ClipboardPanelCoordinator> coordinator_;
};

}  // namespace quorvane

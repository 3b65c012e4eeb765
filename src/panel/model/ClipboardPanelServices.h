#pragma once

// What the centred and the floating clipboard panel both take from the program: the clipboard services of
// the moment, the platform services, the one paste-back and the footer's links to the shell. The window
// wiring fills it once and hands it to both panel assemblies, each of which keeps what it alone needs beside
// it. Everything referred to must outlive the assemblies. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>

#include "history/ClipboardHistoryManagerProtocol.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/PasteBackPerformer.h"
#include "platform/Clock.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "preferences/DistributionChannel.h"
#include "search/ClipboardSearchServiceProtocol.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

struct ClipboardPanelServices {
    // The clipboard services of the moment, read when a view model is made.
    std::function<std::shared_ptr<ClipboardHistoryManagerProtocol>()> clipboardHistoryManager;
    std::function<std::shared_ptr<ClipboardSearchServiceProtocol>()> clipboardSearchService;
    MainQueue& mainQueue;
    const Clock& clock;
    UserDefaults& userDefaults;
    Pasteboard& pasteboard;
    const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
    const ClipboardAppIdentityResolver& appIdentityResolver;
    DistributionChannel distributionChannel;
    // The program's one paste-back, asked for when a panel's controller is built.
    std::function<PasteBackServices()> pasteBack;
    std::function<void()> onOpenSettings;
    std::function<ClipboardFooterUpdateState()> updateState;
    std::function<void()> checkForUpdates;
    // The X server time of the last hot-key press.
    std::function<std::uint32_t()> hotkeyTimestamp;
};

}  // namespace quorvane

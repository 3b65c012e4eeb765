#pragma once

// Confirming an entry in a clipboard panel: copy it to the clipboard, hide the panel, give the focus back to
// the window the user came from and, with Return-to-paste on, paste there. Return-to-paste needs the direct
// build, the "DirectPasteReturnKeyAutoPasteEnabled" setting and the accessibility permission; without the
// permission nothing is copied and the view model carries the hint instead. One confirmation at a time: a
// second one while the first is still copying or pasting (the second click of a double click) is ignored.
// Main thread only; the copy's late answer holds this weakly.

#include <functional>
#include <memory>
#include <optional>

#include "model/ClipboardHistoryIndexSnapshot.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "platform/UserDefaults.h"
#include "platform/WindowActivation.h"
#include "preferences/DistributionChannel.h"
#include "system/AccessibilityPermissionManagerProtocol.h"
#include "system/PasteBackPerformer.h"

namespace quorvane {

class ClipboardPanelPasteBack {
public:
    // The pause between the target becoming active and the keystroke.
    static constexpr double directAutoPasteDelay = 0.1;

    // Every reference must outlive this object.
    struct Dependencies {
        ClipboardPanelViewModel& viewModel;
        PasteBackPerformer& performer;
        WindowActivation& activation;
        const UserDefaults& userDefaults;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        DistributionChannel distributionChannel;
    };

    enum class Outcome {
        // Nothing to confirm, or another confirmation is running.
        ignored,
        // Return-to-paste is on but the permission is missing: the hint is set, nothing copied.
        needsAccessibility,
        started,
    };

    explicit ClipboardPanelPasteBack(Dependencies dependencies);
    ClipboardPanelPasteBack(const ClipboardPanelPasteBack&) = delete;
    ClipboardPanelPasteBack& operator=(const ClipboardPanelPasteBack&) = delete;

    // Confirms `entry` (else the view model's selected one). Once the copy succeeded `hidePanel` runs, then
    // `target` (when there is one) is activated and, with Return-to-paste on, pasted into once it is active.
    Outcome pasteSelectedItem(std::optional<ClipboardHistoryIndexSnapshot> entry, bool asPlainText,
                              std::optional<ReturnTarget> target, std::function<void()> hidePanel);

    bool isAutoPasteEnabled() const;
    // From the start of a confirmation until its copy failed or its paste-back ended.
    bool isInFlight() const { return inFlight_; }

private:
    void completePasteBack(bool succeeded, const std::optional<ReturnTarget>& target, bool autoPaste,
                           const std::function<void()>& hidePanel);

    Dependencies dependencies_;
    bool inFlight_ = false;
    std::shared_ptr<char> lifetime_ = std::make_shared<char>();
};

}  // namespace quorvane

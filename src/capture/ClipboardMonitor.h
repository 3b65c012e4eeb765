#pragma once

// Watches the system pasteboard and turns every new text or image item into a history entry. It checks at
// once when the pasteboard reports a change, and polls the change count on one-shot main-queue timers (0.25
// s, 0.03 s during the 1.2 s burst after each change or copy keystroke). A pasteboard that reports every
// change is polled only during bursts, so an idle service never wakes. It skips paused capture, unchanged
// counts, our own copies, ignored programs, password-manager secrets and immediate repeats, then runs the
// retention clean-up, removes earlier copies and saves. Images get their recognised text afterwards. Built by
// the application container; everything else reaches it through ClipboardMonitorProtocol. Main thread only.

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "capture/ClipboardCopyIntentMonitoring.h"
#include "capture/ClipboardHistoryAutoCleanupRunner.h"
#include "capture/ClipboardImageTextRecognizing.h"
#include "capture/ClipboardMonitorCadence.h"
#include "capture/ClipboardMonitorProtocol.h"
#include "capture/ClipboardPayloadReader.h"
#include "capture/ClipboardTextRecognitionBacklog.h"
#include "classification/ClipboardClassificationDetecting.h"
#include "history/ClipboardHistoryRepositoryProtocol.h"
#include "platform/Clock.h"
#include "platform/FrontmostApplicationProvider.h"
#include "platform/MainQueue.h"
#include "platform/Pasteboard.h"
#include "platform/UserDefaults.h"
#include "preferences/DistributionChannel.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {

class ClipboardMonitor final : public ClipboardMonitorProtocol {
public:
    // The desktop the monitor polls and the loop it runs on.
    struct Platform {
        const Pasteboard& pasteboard;
        const ClipboardPayloadReader& payloadReader;
        const FrontmostApplicationProvider& frontmostApplicationProvider;
        MainQueue& mainQueue;
        const Clock& clock;
        // Copies taken while one of our windows is active are recorded without a program.
        std::string ownBundleIdentifier;
    };

    struct Services {
        std::shared_ptr<ClipboardHistoryRepositoryProtocol> repository;
        std::shared_ptr<ClipboardImageTextRecognizing> imageTextRecognizer;
        ClipboardClassificationDetecting& classificationService;
        UserDefaults& userDefaults;
        ClipboardHistoryAutoCleanupRunner& autoCleanupRunner;
        DistributionChannel distributionChannel;
        const AccessibilityPermissionManagerProtocol& accessibilityPermissionManager;
        ClipboardCopyIntentMonitoring& copyIntentMonitor;
        // Where pictures still waiting for recognition are kept when the monitor goes, and found again at
        // its first start; none keeps nothing.
        ClipboardTextRecognitionBacklog* recognitionBacklog = nullptr;
    };

    // Built stopped, with the pasteboard's current change count taken as seen. What Platform and Services
    // refer to must outlive the monitor.
    ClipboardMonitor(Platform platform, Services services, ClipboardMonitorCadence cadence = {});
    // Pictures whose recognised text has not come back yet go to the backlog.
    ~ClipboardMonitor() override;
    ClipboardMonitor(const ClipboardMonitor&) = delete;
    ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

    // Starts or restarts polling. The pasteboard's current item counts as already seen. With `runCleanup`
    // the retention clean-up runs forced for text, then image. The first start takes the backlog and
    // recognises its pictures one after another, when recognition is switched on. The copy-keystroke monitor
    // starts only in the direct build with accessibility trust, tested here only. While paused no timer is
    // armed.
    void startMonitoring(bool runCleanup);

    bool isTemporarilyPaused() const override { return isTemporarilyPaused_; }
    void stopMonitoring() override;
    // Stops polling and remembers whether it was active; a second call while paused does nothing.
    void pauseTemporarily() override;
    // Ends a pause; whatever was copied during it is taken as seen, never captured.
    void resumeAfterTemporaryPause() override;
    // Runs `body` with polling stopped and restarts polling afterwards (also when it throws), so the body's
    // own pasteboard writes are taken as seen. Not monitoring: just runs it.
    void runWithCaptureSuspended(const std::function<void()>& body) override;

    bool isMonitoring() const { return isMonitoring_; }
    const ClipboardMonitorCadence& cadence() const { return cadence_; }
    std::int64_t lastChangeCount() const { return lastChangeCount_; }
    const std::optional<std::string>& lastCapturedFingerprint() const { return lastCapturedFingerprint_; }
    bool hasPendingCheck() const { return timer_.isArmed(); }
    // Picture entries handed to recognition, or taken from the backlog, whose text has not been stored yet.
    const std::vector<std::string>& awaitingRecognition() const { return awaitingRecognition_; }

    // Recognised text as it is stored: trimmed; blank gives no text and an empty search text.
    struct OCRUpdate {
        std::string searchText;
        std::optional<std::string> ocrText;
        friend bool operator==(const OCRUpdate&, const OCRUpdate&) = default;
    };
    static OCRUpdate ocrUpdate(const std::string& recognizedText);

    static constexpr int titleCharacterLimit = 80;
    // First check after a copy keystroke, before the burst cadence takes over.
    static constexpr double copyIntentCheckDelay = 0.02;

private:
    void stop();
    void scheduleNextCheck(double interval, bool useCadence);
    void timerFired();
    void checkPasteboard();
    void noteChangeCountAdvance(std::int64_t from, std::int64_t to, Date now);
    void handleCopyIntent();
    // A change the pasteboard reported: checked at once.
    void handlePasteboardChange();
    void startCopyIntentMonitorIfPossible();
    void takeCurrentItemAsSeen();
    void captureText(const ClipboardTextPayload& payload, const std::optional<std::string>& bundleIdentifier);
    void captureImage(const ClipboardImagePayload& payload,
                      const std::optional<std::string>& bundleIdentifier, bool recognizeText);
    std::optional<std::string> classify(const std::string& text);
    void startTextRecognition(const Data& imageData, const std::string& id, bool fromBacklog);
    void applyOCRResult(const std::string& id, const std::string& text);
    void resumeRecognitionBacklog();
    // One backlog picture at a time, so the backlog holds one picture's bytes and not all of them.
    void recognizeNextFromBacklog();
    void forgetAwaitingRecognition(const std::string& id);

    Platform platform_;
    Services services_;
    Timer timer_;
    ClipboardMonitorCadence cadence_;
    std::int64_t lastChangeCount_ = 0;
    std::optional<std::string> lastCapturedFingerprint_;
    bool isMonitoring_ = false;
    bool isTemporarilyPaused_ = false;
    bool shouldResumeAfterTemporaryPause_ = false;
    Subscription pasteboardChanges_;
    std::vector<std::string> awaitingRecognition_;
    std::deque<std::string> backlogToRecognize_;
    bool isRecognizingFromBacklog_ = false;
    bool hasTakenBacklog_ = false;
    // Work arriving later from other threads (key handler, recognition) holds this weakly and does nothing
    // once the monitor is gone.
    std::shared_ptr<ClipboardMonitor*> lifetime_;
};

}  // namespace quorvane

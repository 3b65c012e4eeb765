#include "capture/ClipboardMonitor.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/Logger.h"
#include "base/ReleaseFreedMemory.h"
#include "base/Uuid.h"
#include "base/WhitespaceTrimming.h"
#include "classification/ClipboardClassificationSettings.h"
#include "model/ClipboardEntryTitle.h"
#include "model/SearchTextNormalizer.h"
#include "preferences/ClipboardIgnoredAppsSettings.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {

namespace {
constexpr const char* logCategory = "ClipboardMonitor";
constexpr std::int64_t bytesPerMegabyte = 1'048'576;
constexpr std::size_t largePayloadBytes = 1'048'576;
// The classification every text gets when nothing more specific matched; stored as none.
constexpr const char* plainTextClassification = "Text";
}  // namespace

ClipboardMonitor::ClipboardMonitor(Platform platform, Services services, ClipboardMonitorCadence cadence)
    : platform_(std::move(platform)),
      services_(std::move(services)),
      cadence_(cadence),
      lastChangeCount_(platform_.pasteboard.changeCount()),
      lifetime_(std::make_shared<ClipboardMonitor*>(this)) {
    pasteboardChanges_ = platform_.pasteboard.observeChanges([this] { handlePasteboardChange(); });
}

ClipboardMonitor::~ClipboardMonitor() {
    stop();
    if (services_.recognitionBacklog && !awaitingRecognition_.empty()) {
        services_.recognitionBacklog->keep(awaitingRecognition_);
        Logger::info("Stopped with " + std::to_string(awaitingRecognition_.size()) +
                         " pictures waiting for text recognition; they are recognised after the next start",
                     logCategory);
    }
}

void ClipboardMonitor::startMonitoring(bool runCleanup) {
    timer_.cancel();
    services_.copyIntentMonitor.stop();
    cadence_.burstDeadline.reset();

    takeCurrentItemAsSeen();
    isMonitoring_ = true;

    if (runCleanup) {
        services_.autoCleanupRunner.runIfNeeded(ClipboardContentType::text, true);
        services_.autoCleanupRunner.runIfNeeded(ClipboardContentType::image, true);
    }
    startCopyIntentMonitorIfPossible();
    scheduleNextCheck(0, true);
    if (!hasTakenBacklog_) {
        hasTakenBacklog_ = true;
        resumeRecognitionBacklog();
    }
}

void ClipboardMonitor::stopMonitoring() {
    stop();
    isTemporarilyPaused_ = false;
    shouldResumeAfterTemporaryPause_ = false;
}

void ClipboardMonitor::pauseTemporarily() {
    if (isTemporarilyPaused_) return;
    shouldResumeAfterTemporaryPause_ = isMonitoring_;
    isTemporarilyPaused_ = true;
    stop();
}

void ClipboardMonitor::resumeAfterTemporaryPause() {
    if (!isTemporarilyPaused_) return;
    // A start asked for during the pause (it set isMonitoring_ but could arm no timer) also resumes polling;
    // otherwise the monitor would count as monitoring with no tick ever coming.
    const bool resumePolling = shouldResumeAfterTemporaryPause_ || isMonitoring_;
    isTemporarilyPaused_ = false;
    shouldResumeAfterTemporaryPause_ = false;
    if (resumePolling) {
        startMonitoring(false);
    } else {
        takeCurrentItemAsSeen();
    }
}

void ClipboardMonitor::runWithCaptureSuspended(const std::function<void()>& body) {
    if (!isMonitoring_) {
        body();
        return;
    }
    stop();
    isTemporarilyPaused_ = false;
    shouldResumeAfterTemporaryPause_ = false;
    try {
        body();
    } catch (...) {
        startMonitoring(false);
        throw;
    }
    startMonitoring(false);
}

void ClipboardMonitor::stop() {
    timer_.cancel();
    services_.copyIntentMonitor.stop();
    cadence_.burstDeadline.reset();
    isMonitoring_ = false;
}

void ClipboardMonitor::takeCurrentItemAsSeen() {
    lastChangeCount_ = platform_.pasteboard.changeCount();
    lastCapturedFingerprint_ = platform_.payloadReader.payloadFingerprint(platform_.pasteboard);
}

void ClipboardMonitor::scheduleNextCheck(double interval, bool useCadence) {
    if (!isMonitoring_ || isTemporarilyPaused_) return;
    const Date now = platform_.clock.now();
    // Every change is reported and checked then: outside a burst there is nothing a poll could find.
    if (useCadence && platform_.pasteboard.reportsChanges() && !cadence_.isBursting(now)) return;
    const double delay = useCadence ? cadence_.nextDelay(now) : interval;
    // The timer owns only a pointer back to us; destroying the monitor cancels it.
    timer_ = platform_.mainQueue.postAfter(delay, [this] { timerFired(); });
}

void ClipboardMonitor::timerFired() {
    timer_ = Timer();
    checkPasteboard();
    scheduleNextCheck(0, true);
}

void ClipboardMonitor::handleCopyIntent() {
    if (!isMonitoring_ || isTemporarilyPaused_) return;
    cadence_.startBurst(platform_.clock.now());
    timer_.cancel();
    scheduleNextCheck(copyIntentCheckDelay, false);
}

void ClipboardMonitor::handlePasteboardChange() {
    if (!isMonitoring_ || isTemporarilyPaused_) return;
    // Checked within the report: the pasteboard shows the reported copy only until the next report, so a
    // later check could find a newer copy and miss this one.
    timer_.cancel();
    checkPasteboard();
    scheduleNextCheck(0, true);
}

void ClipboardMonitor::startCopyIntentMonitorIfPossible() {
    if (services_.distributionChannel != DistributionChannel::direct) return;
    if (services_.accessibilityPermissionManager.status() != AccessibilityPermissionStatus::authorized)
        return;
    std::weak_ptr<ClipboardMonitor*> weak = lifetime_;
    MainQueue& mainQueue = platform_.mainQueue;
    const bool started = services_.copyIntentMonitor.start([weak, &mainQueue] {
        mainQueue.post([weak] {
            if (auto self = weak.lock()) (*self)->handleCopyIntent();
        });
    });
    if (!started) {
        Logger::warning("Clipboard copy intent monitor failed to start; adaptive polling remains active",
                        logCategory);
    }
}

void ClipboardMonitor::noteChangeCountAdvance(std::int64_t from, std::int64_t to, Date now) {
    const std::int64_t advance = to - from;
    if (advance >= 2) {
        Logger::warning("Clipboard changeCount advanced by " + std::to_string(advance) +
                            "; intermediate clipboard contents may have been overwritten",
                        logCategory);
    }
    cadence_.startBurst(now);
}

void ClipboardMonitor::checkPasteboard() {
    if (isTemporarilyPaused_) return;

    const Pasteboard& pasteboard = platform_.pasteboard;
    const std::int64_t changeCount = pasteboard.changeCount();
    // Most polls end here, so they read nothing else: an idle service must cost next to nothing.
    if (changeCount == lastChangeCount_) return;
    const UserDefaults& settings = services_.userDefaults;
    const std::int64_t maxBytes = clipboardMonitorMaxItemSizeInMB(settings) * bytesPerMegabyte;
    const bool textEnabled = clipboardMonitorTextCaptureEnabled(settings);
    const bool imageEnabled = clipboardMonitorImageCaptureEnabled(settings);
    const bool ocrEnabled = clipboardMonitorImageOCREnabled(settings);

    noteChangeCountAdvance(lastChangeCount_, changeCount, platform_.clock.now());
    // From here on every return leaves the change consumed.
    lastChangeCount_ = changeCount;

    // Our own writes are told by the clipboard's owner, never by the focus: a window of ours may stay active
    // (focused, or hidden with nothing to return to) while background programs go on copying.
    if (pasteboard.holdsOwnItem()) return;
    std::optional<std::string> source = platform_.frontmostApplicationProvider.frontmostBundleIdentifier();
    // Not ours, so it did not come from the window of ours in front: its program is unknown.
    if (source == std::optional<std::string>(platform_.ownBundleIdentifier)) source.reset();
    if (ClipboardIgnoredAppsSettings::isIgnoredApp(source, settings)) return;
    // A secret a password manager marked is kept out like a copy from an ignored program.
    if (pasteboard.carriesPasswordManagerHint()) return;

    std::optional<ClipboardMonitoredPayload> payload =
        platform_.payloadReader.readMonitoredPayload(pasteboard, maxBytes, textEnabled, imageEnabled);
    if (!payload) return;
    if (lastCapturedFingerprint_ == payload->fingerprint) return;
    lastCapturedFingerprint_ = payload->fingerprint;

    std::size_t payloadBytes = 0;
    if (const ClipboardImagePayload* image = payload->image()) {
        payloadBytes = image->imageData.size();
        captureImage(*image, source, ocrEnabled);
    } else if (const ClipboardTextPayload* text = payload->text()) {
        payloadBytes = text->byteCount();
        captureText(*text, source);
    }
    payload.reset();
    // The copies a large item went through while it was saved stay with the allocator unless handed back.
    if (payloadBytes >= largePayloadBytes) releaseFreedMemory();
}

void ClipboardMonitor::captureImage(const ClipboardImagePayload& payload,
                                    const std::optional<std::string>& bundleIdentifier, bool recognizeText) {
    services_.autoCleanupRunner.runIfNeeded(ClipboardContentType::image, false);
    const ClipboardHistoryUsageMetadata usage =
        services_.repository->removeDuplicateImages(payload.imageData, std::nullopt);
    const std::string id = makeUuidString();
    services_.repository->saveImageItem({.id = id,
                                         .preview = ClipboardEntryTitle::image(payload.dimensions),
                                         .imageData = payload.imageData,
                                         .bundleIdentifier = bundleIdentifier,
                                         .lastAccessedAt = usage.lastAccessedAt,
                                         .accessCount = usage.accessCount});
    if (recognizeText) startTextRecognition(payload.imageData, id, false);
}

void ClipboardMonitor::captureText(const ClipboardTextPayload& payload,
                                   const std::optional<std::string>& bundleIdentifier) {
    services_.autoCleanupRunner.runIfNeeded(ClipboardContentType::text, false);
    // The title comes before the duplicate removal: a text without one is not saved, so nothing may be
    // removed in its favour.
    const std::optional<std::string> title =
        ClipboardEntryTitle::make(payload.plainText, titleCharacterLimit);
    if (!title) return;
    const ClipboardHistoryUsageMetadata usage = services_.repository->removeDuplicateTexts(
        payload.plainText, payload.rtfData, payload.htmlData, std::nullopt);
    const std::optional<std::string> classification = classify(payload.plainText);
    services_.repository->saveTextItem(
        {.id = makeUuidString(),
         .preview = *title,
         .searchText = SearchTextNormalizer::pinyinAnnotatedText(payload.plainText),
         .content = payload.plainText,
         .richTextRTFData = payload.rtfData,
         .richTextHTMLData = payload.htmlData,
         .bundleIdentifier = bundleIdentifier,
         .classification = classification,
         .lastAccessedAt = usage.lastAccessedAt,
         .accessCount = usage.accessCount});
}

std::optional<std::string> ClipboardMonitor::classify(const std::string& text) {
    const UserDefaults& settings = services_.userDefaults;
    const ClipboardClassificationResult result = services_.classificationService.classify(
        text, ClipboardClassificationSettings::enabledSystemClassifications(settings),
        ClipboardClassificationSettings::userRules(settings));
    if (result.primaryClassification == plainTextClassification) return std::nullopt;
    return result.primaryClassification;
}

void ClipboardMonitor::startTextRecognition(const Data& imageData, const std::string& id, bool fromBacklog) {
    if (!fromBacklog) awaitingRecognition_.push_back(id);
    std::weak_ptr<ClipboardMonitor*> weak = lifetime_;
    MainQueue& mainQueue = platform_.mainQueue;
    // The answer comes on the recogniser's worker; it is stored from the main queue, and only while this
    // monitor (and so the repository it was captured into) is still in service.
    services_.imageTextRecognizer->recognizeText(
        imageData, [weak, &mainQueue, id, fromBacklog](std::string text) {
            mainQueue.post([weak, id, fromBacklog, text = std::move(text)] {
                auto self = weak.lock();
                if (!self) return;
                (*self)->applyOCRResult(id, text);
                (*self)->forgetAwaitingRecognition(id);
                if (fromBacklog) {
                    (*self)->isRecognizingFromBacklog_ = false;
                    (*self)->recognizeNextFromBacklog();
                }
            });
        });
}

void ClipboardMonitor::resumeRecognitionBacklog() {
    if (!services_.recognitionBacklog) return;
    std::vector<std::string> ids = services_.recognitionBacklog->take();
    if (ids.empty()) return;
    if (!clipboardMonitorImageOCREnabled(services_.userDefaults)) {
        Logger::info("Text recognition is off; " + std::to_string(ids.size()) +
                         " pictures left from the last run stay without recognised text",
                     logCategory);
        return;
    }
    Logger::info("Recognising the text of " + std::to_string(ids.size()) + " pictures left from the last run",
                 logCategory);
    for (auto& id : ids) {
        awaitingRecognition_.push_back(id);
        backlogToRecognize_.push_back(std::move(id));
    }
    recognizeNextFromBacklog();
}

void ClipboardMonitor::recognizeNextFromBacklog() {
    if (isRecognizingFromBacklog_ || backlogToRecognize_.empty()) return;
    const std::string id = std::move(backlogToRecognize_.front());
    backlogToRecognize_.pop_front();
    isRecognizingFromBacklog_ = true;
    std::weak_ptr<ClipboardMonitor*> weak = lifetime_;
    services_.repository->getContentSnapshotById(
        id, [weak, id](std::optional<ClipboardHistoryContentSnapshot> content) {
            auto self = weak.lock();
            if (!self) return;
            ClipboardMonitor& monitor = **self;
            // Deleted since, or recognised after all: nothing left to do for it.
            if (content && content->imageData && !content->ocrText) {
                monitor.startTextRecognition(*content->imageData, id, true);
                return;
            }
            monitor.forgetAwaitingRecognition(id);
            monitor.isRecognizingFromBacklog_ = false;
            monitor.recognizeNextFromBacklog();
        });
}

void ClipboardMonitor::forgetAwaitingRecognition(const std::string& id) {
    const auto found = std::find(awaitingRecognition_.begin(), awaitingRecognition_.end(), id);
    if (found != awaitingRecognition_.end()) awaitingRecognition_.erase(found);
}

ClipboardMonitor::OCRUpdate ClipboardMonitor::ocrUpdate(const std::string& recognizedText) {
    const std::string trimmed(trimmedWhitespaceAndNewlines(recognizedText));
    if (trimmed.empty()) return {"", std::nullopt};
    return {SearchTextNormalizer::pinyinAnnotatedText(trimmed), trimmed};
}

void ClipboardMonitor::applyOCRResult(const std::string& id, const std::string& text) {
    const OCRUpdate update = ocrUpdate(text);
    services_.repository->updateOCRText(id, update.searchText, update.ocrText);
}

}  // namespace quorvane

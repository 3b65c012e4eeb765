#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

#include "base/Sha256.h"
#include "base/Uuid.h"
#include "capture/ClipboardImageTextRecognizer.h"
#include "capture/ClipboardMonitor.h"
#include "capture/SystemClipboardCopyIntentMonitor.h"
#include "capture/support/RecordingClipboardHistoryRepository.h"
#include "classification/LocalClipboardClassificationService.h"
#include "model/ClipboardEntryTitle.h"
#include "model/SearchTextNormalizer.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "preferences/SettingsAccessors.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

constexpr const char* ownIdentifier = "tech.zanto.QuorvaneApp";

// A permission manager whose answer the test sets.
class FixedAccessibilityPermission final : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override { return status_; }
    bool isTrusted() const override { return status_ == AccessibilityPermissionStatus::authorized; }
    bool hasRequestedPermission() const override { return false; }
    void requestPermission() override {}
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}

    AccessibilityPermissionStatus status_ = AccessibilityPermissionStatus::authorized;
};

class ClipboardMonitorTest : public ::testing::Test {
protected:
    ClipboardMonitorTest() { frontmost_.setFrontmostBundleIdentifier("org.example.Editor"); }

    std::unique_ptr<ClipboardMonitor> makeMonitor(DistributionChannel channel = DistributionChannel::direct,
                                                  ClipboardTextRecognitionBacklog* backlog = nullptr) {
        return std::make_unique<ClipboardMonitor>(
            ClipboardMonitor::Platform{pasteboard_, payloadReader_, frontmost_, loop_, clock_, ownIdentifier},
            ClipboardMonitor::Services{repository_, recognizer_, classifier_, defaults_, cleanupRunner_,
                                       channel, permission_, copyIntent_, backlog});
    }

    // Another program copies an image offered as PNG, which the probe sizes at 3 by 2 pixels.
    Data copyImage(std::uint8_t seed) {
        Data png{0x89, 'P', 'N', 'G', seed};
        imageProbe_.setDimensions(png, ImageDimensions{{{3, 2}}, 0, 0});
        pasteboard_.replaceItem({{PasteboardType::png, png}});
        return png;
    }
    void copyText(const std::string& text) {
        pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString(text)}});
    }
    // After a resume: the item already on the pasteboard stays unrecorded, the next copy is recorded.
    void expectOnlyLaterCopiesCaptured() {
        tick();
        EXPECT_TRUE(repository_->calls.empty());
        copyText("after the pause");
        tick();
        EXPECT_EQ(repository_->savedTexts.size(), 1u);
    }
    // Lets the monitor's next base-interval tick run.
    void tick() { loop_.advance(0.25); }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    InMemoryPasteboard pasteboard_;
    InMemoryImageProbe imageProbe_;
    InMemoryImageDecoder imageDecoder_;
    ClipboardPayloadReader payloadReader_{imageProbe_, imageDecoder_};
    InMemoryFrontmostApplicationProvider frontmost_;
    InMemoryUserDefaults defaults_;
    std::shared_ptr<testing::RecordingClipboardHistoryRepository> repository_ =
        std::make_shared<testing::RecordingClipboardHistoryRepository>();
    InMemoryImageTextRecognizer engine_;
    std::shared_ptr<ClipboardImageTextRecognizer> recognizer_ =
        std::make_shared<ClipboardImageTextRecognizer>(engine_, defaults_);
    LocalClipboardClassificationService classifier_;
    ClipboardHistoryAutoCleanupRunner cleanupRunner_{repository_, defaults_, 3600,
                                                     [this] { return clock_.now(); }};
    FixedAccessibilityPermission permission_;
    InMemoryKeyEventMonitor keys_;
    SystemClipboardCopyIntentMonitor copyIntent_{keys_};
    testing::LogCapture log_;
};

TEST_F(ClipboardMonitorTest, UnchangedCountReadsNothingAndReArmsAtTheBaseInterval) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    const int readsAfterStart = pasteboard_.contentReadCount();
    for (int i = 0; i < 8; ++i) tick();
    EXPECT_EQ(pasteboard_.contentReadCount(), readsAfterStart);
    EXPECT_EQ(frontmost_.lookupCount(), 0);
    EXPECT_TRUE(monitor->hasPendingCheck());
    EXPECT_EQ(loop_.pendingCount(), 1u);

    // The next tick comes 0.25 s after the last one, not earlier.
    loop_.advance(0.1);
    copyText("hello");
    loop_.advance(0.13);
    EXPECT_TRUE(repository_->savedTexts.empty());
    loop_.advance(0.03);
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    EXPECT_EQ(repository_->savedTexts[0].content, "hello");
}

TEST_F(ClipboardMonitorTest, ObservedChangeStartsABurstOfFastTicksThatEndsAfterItsDuration) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    copyText("one");
    tick();
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    const Date changeSeen = clock_.now();
    EXPECT_EQ(monitor->cadence().burstDeadline, std::optional<Date>(changeSeen.addingTimeInterval(1.2)));

    copyText("two");
    loop_.advance(0.03);
    EXPECT_EQ(repository_->savedTexts.size(), 2u);
    // The second change pushed the deadline; well after it the cadence is back to the base interval.
    loop_.advance(1.3);
    copyText("three");
    loop_.advance(0.03 * 3);
    EXPECT_EQ(repository_->savedTexts.size(), 2u);
    loop_.advance(0.25);
    EXPECT_EQ(repository_->savedTexts.size(), 3u);
}

TEST_F(ClipboardMonitorTest, CopyKeystrokeChecksAfterTwentyMillisecondsThenBursts) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    ASSERT_EQ(keys_.installedMonitorCount(), 1u);
    loop_.advance(0.1);
    // Key events arrive on the key monitor's own thread; the monitor reacts on the main queue.
    std::thread([&] { keys_.press(KeyDownEvent{0, "c", keyModifierCommand, false}); }).join();
    EXPECT_FALSE(monitor->cadence().burstDeadline.has_value());
    copyText("copied with keys");
    loop_.advance(0.015);
    EXPECT_TRUE(repository_->savedTexts.empty());
    loop_.advance(0.01);
    EXPECT_EQ(repository_->savedTexts.size(), 1u);
    ASSERT_TRUE(monitor->cadence().burstDeadline.has_value());
    copyText("second");
    loop_.advance(0.03);
    EXPECT_EQ(repository_->savedTexts.size(), 2u);
    EXPECT_EQ(loop_.pendingCount(), 1u);
}

TEST_F(ClipboardMonitorTest, KeystrokeMonitorNeedsTheDirectBuildAndTrust) {
    {
        auto monitor = makeMonitor(DistributionChannel::appStore);
        monitor->startMonitoring(false);
        EXPECT_EQ(keys_.installedMonitorCount(), 0u);
    }
    permission_.status_ = AccessibilityPermissionStatus::denied;
    {
        auto monitor = makeMonitor();
        monitor->startMonitoring(false);
        EXPECT_EQ(keys_.installedMonitorCount(), 0u);
        // Trust granted later counts from the next start only.
        permission_.status_ = AccessibilityPermissionStatus::authorized;
        tick();
        EXPECT_EQ(keys_.installedMonitorCount(), 0u);
        monitor->startMonitoring(false);
        EXPECT_EQ(keys_.installedMonitorCount(), 1u);
        monitor->stopMonitoring();
        EXPECT_EQ(keys_.installedMonitorCount(), 0u);
    }
    keys_.setAvailable(false);
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    EXPECT_TRUE(log_.contains("WARNING",
                              "[ClipboardMonitor] Clipboard copy intent monitor failed to start; "
                              "adaptive polling remains active"));
    copyText("still polled");
    tick();
    EXPECT_EQ(repository_->savedTexts.size(), 1u);
}

TEST_F(ClipboardMonitorTest, ItemOnThePasteboardAtStartIsNotCaptured) {
    copyText("before start");
    auto monitor = makeMonitor();
    pasteboard_.setChangeCount(pasteboard_.changeCount() + 1);
    monitor->startMonitoring(false);
    tick();
    EXPECT_TRUE(repository_->calls.empty());
    // The same text copied again is a repeat of what was on the pasteboard.
    copyText("before start");
    tick();
    EXPECT_TRUE(repository_->savedTexts.empty());
}

TEST_F(ClipboardMonitorTest, AdvanceOfTwoOrMoreWarnsAndAFallingCountIsTakenSilently) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    copyText("first");
    pasteboard_.setChangeCount(pasteboard_.changeCount() + 1);
    tick();
    EXPECT_TRUE(log_.contains("WARNING",
                              "Clipboard changeCount advanced by 2; intermediate clipboard contents "
                              "may have been overwritten"));
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    log_.clear();
    copyText("second");
    pasteboard_.setChangeCount(pasteboard_.changeCount() - 10);
    tick();
    EXPECT_TRUE(log_.lines().empty());
    EXPECT_EQ(repository_->savedTexts.size(), 2u);
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard_.changeCount());
}

TEST_F(ClipboardMonitorTest, EachReportedCopyIsCheckedWhenItIsReported) {
    pasteboard_.setAnnouncesChanges(true);
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    tick();
    // Reports that follow each other before any poll: each copy is read while the pasteboard shows it.
    copyText("first of a burst");
    copyText("second of a burst");
    ASSERT_EQ(repository_->savedTexts.size(), 2u);
    EXPECT_EQ(repository_->savedTexts[0].content, "first of a burst");
    EXPECT_EQ(repository_->savedTexts[1].content, "second of a burst");
    EXPECT_FALSE(log_.contains("WARNING", "advanced by"));
    // The poll goes on as the fallback, re-armed from the check (a burst after the change).
    EXPECT_EQ(loop_.pendingCount(), 1u);
    EXPECT_EQ(monitor->cadence().burstDeadline, std::optional<Date>(clock_.now().addingTimeInterval(1.2)));

    // A copy the platform could not read before it was replaced shows as a larger advance.
    pasteboard_.setChangeCount(pasteboard_.changeCount() + 1);
    copyText("after one that was missed");
    ASSERT_EQ(repository_->savedTexts.size(), 3u);
    EXPECT_TRUE(log_.contains("WARNING", "Clipboard changeCount advanced by 2"));
    // A repeat of the last copy is reported but not stored again.
    copyText("after one that was missed");
    EXPECT_EQ(repository_->savedTexts.size(), 3u);

    // Once the burst is over nothing is polled: an idle service does not wake at all.
    loop_.advance(1.3);
    EXPECT_FALSE(monitor->hasPendingCheck());
    EXPECT_EQ(loop_.pendingCount(), 0u);
    // A copy keystroke still starts a burst of polls.
    keys_.press(KeyDownEvent{0, "c", keyModifierCommand, false});
    loop_.advance(0);
    EXPECT_TRUE(monitor->hasPendingCheck());
    loop_.advance(1.3);
    EXPECT_FALSE(monitor->hasPendingCheck());

    // Paused, stopped or gone: reports are ignored and nothing is read.
    monitor->pauseTemporarily();
    const int reads = pasteboard_.contentReadCount();
    copyText("while paused");
    loop_.runUntilIdle();
    EXPECT_EQ(pasteboard_.contentReadCount(), reads);
    monitor->resumeAfterTemporaryPause();
    monitor->stopMonitoring();
    const int readsWhenStopped = pasteboard_.contentReadCount();
    copyText("while stopped");
    EXPECT_EQ(pasteboard_.contentReadCount(), readsWhenStopped);
    monitor->startMonitoring(false);
    monitor.reset();
    copyText("after the monitor went");
    loop_.runUntilIdle();
    EXPECT_EQ(repository_->savedTexts.size(), 3u);
}

TEST_F(ClipboardMonitorTest, OwnWritesAreConsumedWithoutTouchingTheFingerprint) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    // A write of ours that no suspension covered, made while another program is in front.
    ASSERT_TRUE(pasteboard_.writeText("from our panel", std::nullopt, std::nullopt));
    tick();
    EXPECT_TRUE(repository_->calls.empty());
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard_.changeCount());
    EXPECT_EQ(monitor->cadence().burstDeadline.has_value(), true);
    // Consumed: switching programs does not bring it back ...
    frontmost_.setFrontmostBundleIdentifier("org.example.Other");
    tick();
    EXPECT_TRUE(repository_->calls.empty());
    // ... but the same text copied elsewhere is no repeat.
    copyText("from our panel");
    tick();
    EXPECT_EQ(repository_->savedTexts.size(), 1u);
}

TEST_F(ClipboardMonitorTest, OtherProgramsCopiesAreKeptWhileAWindowOfOursIsInFront) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    // Our settings window focused, or a hidden panel still named active: background programs copy on.
    frontmost_.setFrontmostBundleIdentifier(ownIdentifier);
    for (int i = 0; i < 20; ++i) {
        copyText("background copy " + std::to_string(i));
        tick();
    }
    ASSERT_EQ(repository_->savedTexts.size(), 20u);
    // Not from our window, so from no program we know.
    EXPECT_EQ(repository_->savedTexts[0].bundleIdentifier, std::nullopt);
    // Our own write in between is still ours.
    ASSERT_TRUE(pasteboard_.writeText("written by us", std::nullopt, std::nullopt));
    tick();
    EXPECT_EQ(repository_->savedTexts.size(), 20u);
}

TEST_F(ClipboardMonitorTest, CopiesWithoutAKnownProgramAreCapturedWithoutIdentifier) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    frontmost_.setFrontmostApplication(std::nullopt);
    copyText("no window");
    tick();
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    EXPECT_EQ(repository_->savedTexts[0].bundleIdentifier, std::nullopt);
}

TEST_F(ClipboardMonitorTest, IgnoredProgramsAndPasswordManagerSecretsAreNeverRecorded) {
    defaults_.set(SettingsKey::ignoredAppBundleIdentifiers, DefaultsValue::Array{"org.example.Vault"});
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    frontmost_.setFrontmostBundleIdentifier("org.example.Vault");
    copyText("vault secret");
    tick();
    frontmost_.setFrontmostBundleIdentifier("org.example.Browser");
    pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString("hunter2")},
                             {PasteboardType::passwordManagerHint, dataFromString("secret")}});
    tick();
    EXPECT_TRUE(repository_->calls.empty());
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard_.changeCount());
    // Neither left a fingerprint behind: the same text copied plainly is captured.
    copyText("hunter2");
    tick();
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    EXPECT_EQ(repository_->savedTexts[0].bundleIdentifier, std::optional<std::string>("org.example.Browser"));
}

TEST_F(ClipboardMonitorTest, SettingsAreReadOnEveryTick) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    defaults_.set(SettingsKey::textCaptureEnabled, false);
    copyText("not wanted");
    tick();
    defaults_.set(SettingsKey::textCaptureEnabled, true);
    defaults_.set(SettingsKey::maxItemSizeInMB, std::int64_t{1});
    copyText(std::string(1'048'577, 'x'));
    tick();
    EXPECT_TRUE(repository_->calls.empty());
    EXPECT_TRUE(log_.contains("WARNING", "Ignored clipboard item larger than limit"));
    // Exactly the limit of one MB is taken.
    copyText(std::string(1'048'576, 'x'));
    tick();
    EXPECT_EQ(repository_->savedTexts.size(), 1u);
    defaults_.set(SettingsKey::maxItemSizeInMB, std::int64_t{2});
    copyText(std::string(2'097'152, 'y'));
    tick();
    EXPECT_EQ(repository_->savedTexts.size(), 2u);
}

TEST_F(ClipboardMonitorTest, ImmediateRepeatIsSkippedAndALaterOneReplacesTheFirstEntry) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    copyText("alpha");
    tick();
    copyText("alpha");
    tick();
    EXPECT_EQ(repository_->savedTexts.size(), 1u);
    copyText("beta");
    tick();
    repository_->removedUsage = ClipboardHistoryUsageMetadata{Date(1'690'000'000), 4};
    copyText("alpha");
    tick();
    ASSERT_EQ(repository_->savedTexts.size(), 3u);
    EXPECT_EQ(repository_->savedTexts[2].lastAccessedAt, std::optional<Date>(Date(1'690'000'000)));
    EXPECT_EQ(repository_->savedTexts[2].accessCount, 4);
    EXPECT_NE(repository_->savedTexts[2].id, repository_->savedTexts[0].id);
}

TEST_F(ClipboardMonitorTest, TextHandOffRemovesDuplicatesThenSavesWithTitleClassificationAndSearchText) {
    defaults_.set(SettingsKey::textAutoCleanupPolicy, "sevenDays");
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    repository_->removedUsage = ClipboardHistoryUsageMetadata{Date(1'650'000'000), 2};
    const std::string text = "北京 https://example.com/" + std::string(100, 'a');
    pasteboard_.replaceItem({{PasteboardType::plainText, dataFromString(text)},
                             {PasteboardType::html, dataFromString("<b>x</b>")},
                             {PasteboardType::rtf, dataFromString("{\\rtf1 x}")}});
    tick();
    EXPECT_EQ(repository_->calls,
              (std::vector<std::string>{"deleteExpiredItems", "removeDuplicateTexts", "saveTextItem"}));
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    const auto& saved = repository_->savedTexts[0];
    EXPECT_EQ(repository_->duplicateTextsRemoved, std::vector<std::string>{text});
    EXPECT_TRUE(isUuidString(saved.id));
    EXPECT_EQ(saved.preview, ClipboardEntryTitle::make(text, 80));
    EXPECT_EQ(saved.searchText, SearchTextNormalizer::pinyinAnnotatedText(text));
    EXPECT_EQ(saved.content, text);
    EXPECT_EQ(saved.richTextHTMLData, std::optional<Data>(dataFromString("<b>x</b>")));
    EXPECT_EQ(saved.richTextRTFData, std::optional<Data>(dataFromString("{\\rtf1 x}")));
    EXPECT_EQ(saved.bundleIdentifier, std::optional<std::string>("org.example.Editor"));
    EXPECT_EQ(saved.lastAccessedAt, std::optional<Date>(Date(1'650'000'000)));
    EXPECT_EQ(saved.accessCount, 2);
    EXPECT_EQ(saved.classification, std::nullopt);

    copyText("https://example.com/page");
    tick();
    EXPECT_EQ(repository_->savedTexts.at(1).classification, std::optional<std::string>("URL"));
}

TEST_F(ClipboardMonitorTest, PauseStopsTicksAndResumeTakesWhatWasCopiedMeanwhileAsSeen) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    monitor->pauseTemporarily();
    EXPECT_TRUE(monitor->isTemporarilyPaused());
    EXPECT_FALSE(monitor->isMonitoring());
    EXPECT_EQ(loop_.pendingCount(), 0u);
    EXPECT_EQ(keys_.installedMonitorCount(), 0u);
    monitor->pauseTemporarily();  // still paused: changes nothing
    EXPECT_TRUE(monitor->isTemporarilyPaused());

    copyText("copied while paused");
    loop_.advance(2);
    monitor->resumeAfterTemporaryPause();
    EXPECT_FALSE(monitor->isTemporarilyPaused());
    EXPECT_TRUE(monitor->isMonitoring());
    expectOnlyLaterCopiesCaptured();
}

TEST_F(ClipboardMonitorTest, StartDuringAPauseArmsNothingUntilTheResume) {
    auto monitor = makeMonitor();
    monitor->pauseTemporarily();
    monitor->startMonitoring(false);
    EXPECT_FALSE(monitor->hasPendingCheck());
    copyText("copied while paused");
    loop_.advance(1);
    EXPECT_TRUE(repository_->calls.empty());
    monitor->resumeAfterTemporaryPause();
    EXPECT_TRUE(monitor->hasPendingCheck());
    expectOnlyLaterCopiesCaptured();
}

TEST_F(ClipboardMonitorTest, ResumingAPauseThatBeganStoppedStaysStoppedButTakesTheItemAsSeen) {
    auto monitor = makeMonitor();
    monitor->pauseTemporarily();
    copyText("copied while paused");
    monitor->resumeAfterTemporaryPause();
    EXPECT_FALSE(monitor->isMonitoring());
    EXPECT_EQ(loop_.pendingCount(), 0u);
    EXPECT_EQ(monitor->lastChangeCount(), pasteboard_.changeCount());
    EXPECT_TRUE(monitor->lastCapturedFingerprint().has_value());
    monitor->resumeAfterTemporaryPause();  // not paused: nothing happens
    EXPECT_FALSE(monitor->isMonitoring());
}

TEST_F(ClipboardMonitorTest, SuspendedCaptureSkipsOurOwnWriteAndRestartsAfterAThrow) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    const int result = monitor->performWithCaptureSuspended([&] {
        EXPECT_FALSE(monitor->isMonitoring());
        pasteboard_.writeText("pasted back", std::nullopt, std::nullopt);
        return 7;
    });
    EXPECT_EQ(result, 7);
    EXPECT_TRUE(monitor->isMonitoring());
    tick();
    EXPECT_TRUE(repository_->calls.empty());

    EXPECT_THROW(monitor->performWithCaptureSuspended([&] {
        pasteboard_.writeText("written before failing", std::nullopt, std::nullopt);
        throw std::runtime_error("write failed");
    }),
                 std::runtime_error);
    EXPECT_TRUE(monitor->isMonitoring());
    EXPECT_TRUE(monitor->hasPendingCheck());
    tick();
    EXPECT_TRUE(repository_->calls.empty());
}

TEST_F(ClipboardMonitorTest, SuspendingWhileStoppedOrPausedOnlyRunsTheBody) {
    auto monitor = makeMonitor();
    bool ran = false;
    monitor->performWithCaptureSuspended([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(monitor->isMonitoring());
    monitor->startMonitoring(false);
    monitor->pauseTemporarily();
    monitor->performWithCaptureSuspended([] {});
    EXPECT_TRUE(monitor->isTemporarilyPaused());
    EXPECT_EQ(loop_.pendingCount(), 0u);
}

TEST_F(ClipboardMonitorTest, StartWithCleanupRunsTextThenImageForcedAndLaterRunsWaitAnHour) {
    defaults_.set(SettingsKey::textAutoCleanupPolicy, "oneDay");
    defaults_.set(SettingsKey::imageAutoCleanupPolicy, "thirtyDays");
    auto monitor = makeMonitor();
    monitor->startMonitoring(true);
    ASSERT_EQ(repository_->expiryRequests.size(), 2u);
    EXPECT_EQ(repository_->expiryRequests[0].contentType, ClipboardContentType::text);
    EXPECT_EQ(repository_->expiryRequests[0].olderThan, clock_.now().addingTimeInterval(-86'400));
    EXPECT_EQ(repository_->expiryRequests[1].contentType, ClipboardContentType::image);
    copyText("within the hour");
    tick();
    EXPECT_EQ(repository_->expiryRequests.size(), 2u);
    loop_.advance(3600);
    copyText("an hour later");
    tick();
    EXPECT_EQ(repository_->expiryRequests.size(), 3u);
    EXPECT_EQ(repository_->savedTexts.size(), 2u);
}

TEST_F(ClipboardMonitorTest, StoppedAndDestroyedMonitorsLeaveNoTimerOrKeyMonitor) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    monitor->stopMonitoring();
    EXPECT_EQ(loop_.pendingCount(), 0u);
    monitor->startMonitoring(false);
    keys_.press(KeyDownEvent{0, "x", keyModifierCommand, false});
    monitor.reset();
    EXPECT_EQ(keys_.installedMonitorCount(), 0u);
    copyText("after the monitor");
    loop_.advance(1);
    EXPECT_TRUE(repository_->calls.empty());
}

TEST_F(ClipboardMonitorTest, OCRUpdateTrimsAndLeavesBlankTextAbsent) {
    EXPECT_EQ(ClipboardMonitor::ocrUpdate(" \n\t "), (ClipboardMonitor::OCRUpdate{"", std::nullopt}));
    EXPECT_EQ(ClipboardMonitor::ocrUpdate(""), (ClipboardMonitor::OCRUpdate{"", std::nullopt}));
    EXPECT_EQ(ClipboardMonitor::ocrUpdate("\n 北京 road \n"),
              (ClipboardMonitor::OCRUpdate{SearchTextNormalizer::pinyinAnnotatedText("北京 road"),
                                           std::string("北京 road")}));
}

TEST_F(ClipboardMonitorTest, ImageHandOffSavesWithMergedUsageThenStoresTheRecognisedTextOnTheMainQueue) {
    defaults_.set(SettingsKey::imageAutoCleanupPolicy, "oneDay");
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    repository_->removedUsage = ClipboardHistoryUsageMetadata{Date(1'600'000'000), 9};
    const Data png = copyImage(1);
    tick();
    EXPECT_EQ(repository_->calls,
              (std::vector<std::string>{"deleteExpiredItems", "removeDuplicateImages", "saveImageItem"}));
    EXPECT_EQ(repository_->duplicateImagesRemoved, std::vector<Data>{png});
    EXPECT_EQ(repository_->keptIds, std::vector<std::optional<std::string>>{std::nullopt});
    ASSERT_EQ(repository_->savedImages.size(), 1u);
    const auto saved = repository_->savedImages[0];
    EXPECT_TRUE(isUuidString(saved.id));
    EXPECT_EQ(saved.preview, "Image 3x2");
    EXPECT_EQ(saved.searchText, "");
    EXPECT_EQ(saved.imageData, png);
    EXPECT_EQ(saved.bundleIdentifier, std::optional<std::string>("org.example.Editor"));
    EXPECT_EQ(saved.ocrText, std::nullopt);
    EXPECT_EQ(saved.lastAccessedAt, std::optional<Date>(Date(1'600'000'000)));
    EXPECT_EQ(saved.accessCount, 9);

    ASSERT_EQ(engine_.pendingRequestCount(), 1u);
    EXPECT_EQ(engine_.receivedRequests()[0].imageData, png);
    // The recogniser answers on its own worker; the text is stored from the main queue.
    std::thread worker([&] { engine_.complete({{"  Total 42 ", "北京"}, std::nullopt}); });
    worker.join();
    EXPECT_TRUE(repository_->ocrUpdates.empty());
    loop_.runUntilIdle();
    ASSERT_EQ(repository_->ocrUpdates.size(), 1u);
    EXPECT_EQ(repository_->ocrUpdates[0].id, saved.id);
    EXPECT_EQ(repository_->ocrUpdates[0].ocrText, std::optional<std::string>("Total 42 \n北京"));
    EXPECT_EQ(repository_->ocrUpdates[0].searchText,
              SearchTextNormalizer::pinyinAnnotatedText("Total 42 \n北京"));
}

TEST_F(ClipboardMonitorTest, BlankOrFailedRecognitionClearsTheSearchTextAndLeavesNoText) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    copyImage(1);
    tick();
    copyImage(2);
    loop_.advance(0.03);
    ASSERT_EQ(engine_.pendingRequestCount(), 2u);
    engine_.complete({{" ", "\t"}, std::nullopt});
    engine_.complete(
        {{"text"}, ImageTextRecognitionError{ImageTextRecognitionError::Kind::recognition, "x"}});
    loop_.runUntilIdle();
    ASSERT_EQ(repository_->ocrUpdates.size(), 2u);
    for (const auto& update : repository_->ocrUpdates) {
        EXPECT_EQ(update.searchText, "");
        EXPECT_EQ(update.ocrText, std::nullopt);
    }
    EXPECT_EQ(repository_->ocrUpdates[1].id, repository_->savedImages[1].id);
}

TEST_F(ClipboardMonitorTest, RecognitionSwitchedOffStartsNoRequest) {
    defaults_.set(SettingsKey::imageOCREnabled, false);
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    copyImage(1);
    tick();
    ASSERT_EQ(repository_->savedImages.size(), 1u);
    EXPECT_EQ(repository_->savedImages[0].searchText, "");
    EXPECT_TRUE(engine_.receivedRequests().empty());
    // Read on every tick: switched on again, the next image is recognised.
    defaults_.set(SettingsKey::imageOCREnabled, true);
    copyImage(2);
    loop_.advance(0.03);
    EXPECT_EQ(engine_.receivedRequests().size(), 1u);
}

TEST_F(ClipboardMonitorTest, RecognitionFinishingAfterTheMonitorIsGoneStoresNothing) {
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    copyImage(1);
    tick();
    monitor.reset();
    engine_.complete({{"late"}, std::nullopt});
    loop_.runUntilIdle();
    EXPECT_TRUE(repository_->ocrUpdates.empty());
}

TEST_F(ClipboardMonitorTest, PicturesAStopLeftWaitingAreKeptQuietlyAndRecognisedOneByOneAfterTheNextStart) {
    testing::TemporaryDirectory folder;
    ClipboardTextRecognitionBacklog backlog(folder.path() / "backlog");
    auto monitor = makeMonitor(DistributionChannel::direct, &backlog);
    monitor->startMonitoring(true);
    for (std::uint8_t seed = 1; seed <= 3; ++seed) {
        copyImage(seed);
        tick();
    }
    ASSERT_EQ(repository_->savedImages.size(), 3u);
    ASSERT_TRUE(engine_.complete({{"first"}, std::nullopt}));
    loop_.runUntilIdle();
    ASSERT_EQ(repository_->ocrUpdates.size(), 1u);
    EXPECT_EQ(monitor->awaitingRecognition().size(), 2u);

    // The stop: the engine's shutdown answers the two waiting requests as cancelled.
    monitor.reset();
    while (
        engine_.complete({{}, ImageTextRecognitionError{ImageTextRecognitionError::Kind::cancelled, "x"}})) {
    }
    loop_.runUntilIdle();
    EXPECT_EQ(repository_->ocrUpdates.size(), 1u);
    EXPECT_FALSE(log_.contains("ERROR", ""));
    int infoLines = 0;
    for (const auto& line : log_.lines()) infoLines += line.find("pictures waiting") != std::string::npos;
    EXPECT_EQ(infoLines, 1);
    EXPECT_TRUE(log_.contains("INFO", "Stopped with 2 pictures waiting for text recognition"));

    // The next start recognises them in their order, each fetched only when the one before is done.
    const std::size_t requestsBefore = engine_.receivedRequests().size();
    auto next = makeMonitor(DistributionChannel::direct, &backlog);
    next->startMonitoring(true);
    ASSERT_EQ(engine_.receivedRequests().size(), requestsBefore + 1);
    EXPECT_EQ(engine_.receivedRequests().back().imageData, repository_->savedImages[1].imageData);
    ASSERT_TRUE(engine_.complete({{"second"}, std::nullopt}));
    loop_.runUntilIdle();
    ASSERT_EQ(engine_.receivedRequests().size(), requestsBefore + 2);
    EXPECT_EQ(engine_.receivedRequests().back().imageData, repository_->savedImages[2].imageData);
    ASSERT_TRUE(engine_.complete({{"third"}, std::nullopt}));
    loop_.runUntilIdle();
    ASSERT_EQ(repository_->ocrUpdates.size(), 3u);
    EXPECT_EQ(repository_->ocrUpdates[1].id, repository_->savedImages[1].id);
    EXPECT_EQ(repository_->ocrUpdates[1].ocrText, std::optional<std::string>("second"));
    EXPECT_EQ(repository_->ocrUpdates[2].id, repository_->savedImages[2].id);
    EXPECT_TRUE(next->awaitingRecognition().empty());
    EXPECT_FALSE(std::filesystem::exists(backlog.file()));

    // Nothing is left for a start after that, and a later stop keeps nothing.
    next.reset();
    EXPECT_FALSE(std::filesystem::exists(backlog.file()));
}

TEST_F(ClipboardMonitorTest, BacklogSkipsEntriesGoneOrRecognisedSinceAndKeepsTheUnreachedOnesAtAnotherStop) {
    testing::TemporaryDirectory folder;
    ClipboardTextRecognitionBacklog backlog(folder.path() / "backlog");
    auto monitor = makeMonitor(DistributionChannel::direct, &backlog);
    monitor->startMonitoring(false);
    for (std::uint8_t seed = 1; seed <= 3; ++seed) {
        copyImage(seed);
        tick();
    }
    monitor.reset();
    const auto& saved = repository_->savedImages;
    // The first picture got its text stored some other way (the recognition window) in the meantime.
    repository_->ocrUpdates.push_back({saved[0].id, "done", std::string("done")});
    backlog.keep({"deleted-entry", saved[0].id, saved[1].id, saved[2].id});
    const std::size_t requestsBefore = engine_.receivedRequests().size();

    auto next = makeMonitor(DistributionChannel::direct, &backlog);
    next->startMonitoring(false);
    ASSERT_EQ(engine_.receivedRequests().size(), requestsBefore + 1);
    EXPECT_EQ(engine_.receivedRequests().back().imageData, saved[1].imageData);
    // Stopped again before the last two finished: both are kept for the start after.
    next.reset();
    EXPECT_EQ(backlog.take(), (std::vector<std::string>{saved[1].id, saved[2].id}));
}

TEST_F(ClipboardMonitorTest, BacklogWithRecognitionSwitchedOffIsDroppedWithoutRequests) {
    testing::TemporaryDirectory folder;
    ClipboardTextRecognitionBacklog backlog(folder.path() / "backlog");
    backlog.keep({"some-picture"});
    defaults_.set(SettingsKey::imageOCREnabled, false);
    auto monitor = makeMonitor(DistributionChannel::direct, &backlog);
    monitor->startMonitoring(true);
    loop_.runUntilIdle();
    EXPECT_TRUE(engine_.receivedRequests().empty());
    EXPECT_TRUE(repository_->contentRequests.empty());
    EXPECT_FALSE(std::filesystem::exists(backlog.file()));
}

TEST_F(ClipboardMonitorTest, ImageCaptureOffTakesTheTextOfAnItemThatOffersBoth) {
    defaults_.set(SettingsKey::imageCaptureEnabled, false);
    auto monitor = makeMonitor();
    monitor->startMonitoring(false);
    pasteboard_.replaceItem(
        {{PasteboardType::png, Data{1, 2, 3}}, {PasteboardType::plainText, dataFromString("caption")}});
    tick();
    EXPECT_TRUE(repository_->savedImages.empty());
    ASSERT_EQ(repository_->savedTexts.size(), 1u);
    EXPECT_EQ(repository_->savedTexts[0].content, "caption");
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include "l10n/StandardAppLanguage.h"
#include "panel/model/ClipboardPanelPlacement.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "preferences/SettingsAccessors.h"
#include "settings/model/AdvancedSettingsViewModel.h"
#include "settings/model/SettingsTestDoubles.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Kind = ClipboardSearchRuntimeOperationKind;
using Metrics = ClipboardSearchServiceProtocol::RuntimeMetrics;

class AdvancedSettingsViewModelTest : public ::testing::Test {
protected:
    AdvancedSettingsViewModelTest() { clock_.set(Date(1'800'000'000)); }

    std::unique_ptr<AdvancedSettingsViewModel> makeModel(
        DistributionChannel channel = DistributionChannel::direct, bool withFallback = true) {
        AdvancedSettingsViewModel::UnavailableIndexRebuilder fallback;
        if (withFallback) {
            fallback = [this](ClipboardSearchServiceProtocol::RebuildCompletion completion) {
                ++fallbackCalls_;
                // What the container does: open the index again, switch to the new service, rebuild it.
                current_ = reopened_;
                current_->rebuildIndex(std::move(completion));
            };
        }
        return std::make_unique<AdvancedSettingsViewModel>(
            AdvancedSettingsViewModel::Dependencies{defaults_, channel, [this] { return current_; }, fallback,
                                                    accessibility_, alerts_, loop_, clock_, "Quorvane"});
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    InMemoryUserDefaults defaults_;
    StandardAppLanguage language_{defaults_};
    testing::FakeAccessibilityManager accessibility_;
    FakeAlertPresenter alerts_;
    std::shared_ptr<testing::FakeSearchService> current_ = std::make_shared<testing::FakeSearchService>();
    std::shared_ptr<testing::FakeSearchService> reopened_ = std::make_shared<testing::FakeSearchService>();
    int fallbackCalls_ = 0;
    testing::LogCapture log_;
};

TEST_F(AdvancedSettingsViewModelTest, RecognitionAndPinyinSettingsAreStored) {
    auto model = makeModel();
    EXPECT_TRUE(model->imageOCREnabled());
    model->setImageOCREnabled(false);
    EXPECT_EQ(defaults_.boolValue(SettingsKey::imageOCREnabled), false);

    model->setOCRLanguageMode(ClipboardOCRLanguageMode::automatic);
    EXPECT_EQ(defaults_.stringValue(SettingsKey::ocrLanguageMode), "automatic");
    model->setOCRLanguage(ClipboardOCRLanguage::japanese);
    EXPECT_EQ(defaults_.stringValue(SettingsKey::ocrSpecifiedLanguage), "ja-JP");
    // An unreadable choice stores nothing.
    model->setOCRLanguageMode(std::nullopt);
    model->setOCRLanguage(std::nullopt);
    EXPECT_EQ(model->ocrConfiguration(), (ClipboardOCRConfiguration{ClipboardOCRLanguageMode::automatic,
                                                                    ClipboardOCRLanguage::japanese}));

    EXPECT_FALSE(model->showsPinyinIndexOption());
    defaults_.set(AppLanguage::defaultsKey, DefaultsValue(std::string("zh-Hans")));
    EXPECT_TRUE(model->showsPinyinIndexOption());
    model->setPinyinIndexEnabled(true);
    EXPECT_EQ(defaults_.boolValue(SettingsKey::searchPinyinIndexEnabled), true);
}

TEST_F(AdvancedSettingsViewModelTest, DirectOnlySettingsAreNeverWrittenFromAnotherChannel) {
    auto direct = makeModel(DistributionChannel::direct);
    EXPECT_EQ(direct->setPresentationMode(DirectClipboardPresentationMode::floating),
              DirectClipboardPresentationMode::floating);
    EXPECT_EQ(direct->setFloatingListStyle(FloatingClipboardListStyle::compact),
              FloatingClipboardListStyle::compact);
    EXPECT_TRUE(direct->setDirectReturnPasteEnabled(true));
    EXPECT_EQ(defaults_.stringValue(SettingsKey::directClipboardPresentationMode), "floating");
    EXPECT_EQ(defaults_.stringValue(SettingsKey::floatingClipboardListStyle), "compact");
    EXPECT_EQ(defaults_.boolValue(SettingsKey::directPasteReturnKeyAutoPasteEnabled), true);

    auto store = makeModel(DistributionChannel::appStore);
    EXPECT_EQ(store->presentationMode(), DirectClipboardPresentationMode::centered);
    EXPECT_EQ(store->floatingListStyle(), FloatingClipboardListStyle::standard);
    EXPECT_FALSE(store->directReturnPasteEnabled());
    EXPECT_EQ(store->setPresentationMode(DirectClipboardPresentationMode::centered),
              DirectClipboardPresentationMode::centered);
    EXPECT_EQ(store->setFloatingListStyle(FloatingClipboardListStyle::standard),
              FloatingClipboardListStyle::standard);
    EXPECT_FALSE(store->setDirectReturnPasteEnabled(false));
    EXPECT_EQ(defaults_.stringValue(SettingsKey::directClipboardPresentationMode), "floating");
    EXPECT_EQ(defaults_.stringValue(SettingsKey::floatingClipboardListStyle), "compact");
    EXPECT_EQ(defaults_.boolValue(SettingsKey::directPasteReturnKeyAutoPasteEnabled), true);
    store->requestAccessibilityPermission();
    store->openAccessibilitySettings();
    EXPECT_EQ(accessibility_.requests, 0);
    EXPECT_EQ(accessibility_.settingsOpened, 0);
}

TEST_F(AdvancedSettingsViewModelTest, ResetPositionRemovesTheFrameAndTellsOnlyAShownPage) {
    auto model = makeModel();
    defaults_.set(ClipboardPanelPlacement::positionDefaultsKey, DefaultsValue(std::string("{{1,2},{3,4}}")));
    model->resetPanelPosition(false);
    EXPECT_FALSE(defaults_.contains(ClipboardPanelPlacement::positionDefaultsKey));
    EXPECT_TRUE(alerts_.presented.empty());
    model->resetPanelPosition(true);
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(alerts_.presented[0].messageText, "Position Reset");
    EXPECT_EQ(alerts_.presented[0].style, AlertStyle::informational);
}

TEST_F(AdvancedSettingsViewModelTest, AccessibilityCardFollowsTheStatus) {
    auto model = makeModel();
    accessibility_.currentStatus = AccessibilityPermissionStatus::authorized;
    auto presentation = model->accessibilityPresentation();
    EXPECT_EQ(presentation.statusText, "Authorized");
    EXPECT_EQ(presentation.tone, AccessibilityStatusTone::positive);
    EXPECT_FALSE(presentation.requestButtonVisible);
    EXPECT_FALSE(presentation.openSettingsButtonVisible);
    EXPECT_EQ(presentation.description.rfind("Quorvane can use", 0), 0u);

    accessibility_.currentStatus = AccessibilityPermissionStatus::denied;
    presentation = model->accessibilityPresentation();
    EXPECT_EQ(presentation.statusText, "Not Authorized");
    EXPECT_EQ(presentation.requestButtonTitle, "Request Permission");
    EXPECT_TRUE(presentation.openSettingsButtonVisible);

    // A desktop without accessibility settings: the button that would open them is hidden.
    accessibility_.currentStatus = AccessibilityPermissionStatus::unknown;
    accessibility_.hasSettings = false;
    presentation = model->accessibilityPresentation();
    EXPECT_EQ(presentation.requestButtonTitle, "Re-check");
    EXPECT_TRUE(presentation.requestButtonVisible);
    EXPECT_FALSE(presentation.openSettingsButtonVisible);

    // A request is followed by a fresh look a second later.
    int changes = 0;
    auto subscription = model->observeChanges([&changes] { ++changes; });
    model->requestAccessibilityPermission();
    EXPECT_EQ(accessibility_.requests, 1);
    loop_.advance(0.9);
    EXPECT_EQ(changes, 0);
    loop_.advance(0.2);
    EXPECT_EQ(changes, 1);
}

TEST_F(AdvancedSettingsViewModelTest, StatusTextFormatsCountsAgeAndLatencies) {
    EXPECT_EQ(AdvancedSettingsViewModel::formatMilliseconds(std::nullopt), "-");
    EXPECT_EQ(AdvancedSettingsViewModel::formatMilliseconds(3.14159), "3.1");
    EXPECT_EQ(AdvancedSettingsViewModel::formatMilliseconds(99.96), "100.0");
    EXPECT_EQ(AdvancedSettingsViewModel::formatMilliseconds(100), "100");
    EXPECT_EQ(AdvancedSettingsViewModel::formatMilliseconds(120.6), "121");

    const std::string noSamples =
        "Search performance: no search samples yet. Run a search in the clipboard panel to populate latency "
        "metrics.";
    EXPECT_EQ(AdvancedSettingsViewModel::searchIndexStatsText({}, {}, std::nullopt, 0),
              "0 documents in index\n" + noSamples);
    Metrics idle{{Kind::fetchRecent, {5, 0, 1.0, 2.0, 3.0, 1.0, std::nullopt}}, {Kind::search, {}}};
    EXPECT_EQ(AdvancedSettingsViewModel::searchMetricsSummary(idle), noSamples);

    const double now = 1'800'000'000;
    ClipboardSearchIndexStats stats{1234, 99, Date(now - 120)};
    Metrics metrics{{Kind::search, {12, 0, 3.14, 120.6, 200.0, 4.0, std::nullopt}}};
    EXPECT_EQ(AdvancedSettingsViewModel::searchIndexStatsText(stats, metrics,
                                                              std::string("Rebuilt 57 documents."), now),
              "1234 documents in index · Last rebuilt 2 min. ago · Rebuilt 57 documents.\n"
              "Search p50/p95 3.1/121 ms · 12 samples");
    metrics[Kind::search].failureCount = 2;
    metrics[Kind::search].p95Milliseconds.reset();
    EXPECT_EQ(AdvancedSettingsViewModel::searchMetricsSummary(metrics),
              "Search p50/p95 3.1/- ms · 12 samples · 2 failed");
}

TEST_F(AdvancedSettingsViewModelTest, StatisticsAreReadFromTheServiceInUseAndALaterLoadWins) {
    auto model = makeModel();
    current_->stats.documentCount = 3;
    model->loadSearchIndexStats();
    loop_.runUntilIdle();
    EXPECT_EQ(model->searchIndexStatsText().rfind("3 documents in index", 0), 0u);

    // A storage move replaced the service: the next load asks the new one.
    auto moved = std::make_shared<testing::FakeSearchService>();
    moved->stats.documentCount = 8;
    current_ = moved;
    model->loadSearchIndexStats();
    EXPECT_EQ(model->searchIndexStatsText().rfind("8 documents in index", 0), 0u);

    // An older load that answers late is dropped.
    moved->holdStats = true;
    model->loadSearchIndexStats();
    moved->stats.documentCount = 9;
    model->loadSearchIndexStats();
    moved->finishStats();
    moved->finishStats();
    EXPECT_EQ(model->searchIndexStatsText().rfind("9 documents in index", 0), 0u);
}

TEST_F(AdvancedSettingsViewModelTest, RebuildReportsItsCountAndNeverSucceedsForAReplacedIndex) {
    auto model = makeModel();
    current_->indexedCount = 57;
    current_->stats.documentCount = 57;
    model->startSearchIndexRebuild();
    loop_.runUntilIdle();
    EXPECT_FALSE(model->isRebuilding());
    EXPECT_EQ(model->searchIndexStatsText().substr(0, model->searchIndexStatsText().find('\n')),
              "57 documents in index · Rebuilt 57 documents.");

    // The service is replaced while its rebuild runs: its result is about an index no longer searched.
    current_->holdRebuilds = true;
    model->startSearchIndexRebuild();
    EXPECT_TRUE(model->isRebuilding());
    EXPECT_EQ(model->searchIndexStatsText(), "Rebuilding...");
    model->startSearchIndexRebuild();  // ignored while one runs
    EXPECT_EQ(current_->rebuildCount, 2);
    auto old = current_;
    current_ = std::make_shared<testing::FakeSearchService>();
    old->finishRebuild();
    EXPECT_EQ(model->searchIndexStatsText(), "Rebuild failed: Clipboard search service is unavailable.");
    EXPECT_FALSE(model->isRebuilding());
    EXPECT_TRUE(log_.contains("ERROR", "Failed to rebuild the search index"));
}

TEST_F(AdvancedSettingsViewModelTest, AnUnavailableIndexIsOpenedAgainAndUsedFromThenOn) {
    current_->hasIndex = false;
    reopened_->indexedCount = 4;
    reopened_->stats.documentCount = 4;
    auto model = makeModel();
    model->startSearchIndexRebuild();
    EXPECT_EQ(fallbackCalls_, 1);
    EXPECT_FALSE(model->isRebuilding());
    EXPECT_EQ(model->searchIndexStatsText().rfind("4 documents in index · Rebuilt 4 documents.", 0), 0u);
    model->loadSearchIndexStats();
    EXPECT_EQ(reopened_->statsCount, 2);

    // Without the container's fallback the rebuild fails as unavailable.
    current_ = std::make_shared<testing::FakeSearchService>();
    current_->hasIndex = false;
    auto bare = makeModel(DistributionChannel::direct, false);
    bare->startSearchIndexRebuild();
    EXPECT_EQ(bare->searchIndexStatsText(), "Rebuild failed: Clipboard search service is unavailable.");
}

}  // namespace
}  // namespace quorvane

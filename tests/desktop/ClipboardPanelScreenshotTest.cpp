// The centred panel as its controller shows it, on a real X display, photographed with results, empty and
// while a filter suggestion is offered, in light and dark palettes, English and Chinese. The pictures land in
// the build folder ("screenshots/") for review; each state is checked before its picture is taken.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include "desktop/DesktopSession.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/support/FakeHistoryManager.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardFooterTipButton.h"
#include "panel/widgets/ClipboardPanel.h"
#include "panel/widgets/ClipboardPanelController.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "platform/Clock.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "support/GrantedAccessibilityPermission.h"
#include "support/QtTestApplication.h"
#include "ui/KeyablePanel.h"
#include "ui/TransientScrollBars.h"
namespace quorvane {
namespace {

using testing::DesktopSession;

// Answers from the fake history: the recent entries, or those whose text contains the query.
class HistorySearchService final : public ClipboardSearchServiceProtocol {
public:
    HistorySearchService(testing::FakeHistoryManager& history, MainQueue& queue)
        : history_(history), queue_(queue) {}

    void fetchRecent(std::int64_t limit, std::int64_t offset, PageCompletion completion) override {
        search("", limit, offset, std::move(completion));
    }
    void search(std::string query, std::int64_t limit, std::int64_t offset,
                PageCompletion completion) override {
        std::vector<ClipboardHistoryIndexSnapshot> matches;
        for (const auto& entry : history_.entries) {
            if (entry.searchText.find(query) != std::string::npos) matches.push_back(entry);
        }
        ClipboardSearchPage page;
        for (std::int64_t i = offset; i < std::int64_t(matches.size()) && i < offset + limit; ++i)
            page.items.push_back(matches[i]);
        page.hasMore = std::int64_t(matches.size()) > offset + limit;
        queue_.post([completion = std::move(completion), page = std::move(page)] {
            completion(ClipboardSearchResult<ClipboardSearchPage>::success(page));
        });
    }
    void rebuildIndex(RebuildCompletion) override {}
    void indexStats(StatsCompletion completion) override { completion({}); }
    void runtimeMetrics(MetricsCompletion completion) override { completion({}); }

private:
    testing::FakeHistoryManager& history_;
    MainQueue& queue_;
};

using Trusted = testing::GrantedAccessibilityPermission;

class ClipboardPanelScreenshotTest : public ::testing::TestWithParam<std::tuple<bool, bool>> {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        dark_ = std::get<0>(GetParam());
        chinese_ = std::get<1>(GetParam());
        QApplication::setPalette(dark_ ? testing::darkTestPalette() : testing::lightTestPalette());
        QFont font("DejaVu Sans");
        font.setPointSizeF(10);
        QApplication::setFont(font);
        if (chinese_) defaults_.set(AppLanguage::defaultsKey, std::string("zh-Hans"));
        language_ = std::make_unique<StandardAppLanguage>(defaults_);
        QDir().mkpath(QUORVANE_SCREENSHOT_DIR);

        const double now = clock_.now().timeIntervalSince1970;
        const auto add = [&](std::string id, std::string text, double ago) {
            ClipboardHistoryIndexSnapshot entry;
            entry.id = id;
            entry.preview = text;
            entry.searchText = text;
            entry.createdAt = Date(now - ago);
            entry.bundleIdentifier = "org.example.Editor";
            history_->entries.push_back(entry);
            ClipboardHistoryContentSnapshot content;
            content.id = id;
            content.content = text;
            history_->contents[id] = content;
        };
        add("beta", "beta: release notes for the centred panel", 20);
        add("alpha", "alpha https://example.com/quorvane/alpha", 300);
        add("zh", "北京的天气很好，今天适合出去走走。", 4000);
        add("sql", "SELECT id, name FROM users WHERE active = 1 ORDER BY name", 90000);
        add("note", "Meeting notes: ship the panel, then review the floating panel placement.", 700000);
        std::string longText = "Release checklist\n";
        for (int line = 1; line <= 60; ++line)
            longText += std::to_string(line) + ". verify the panel on a small screen, 发布前检查\n";
        add("long", longText, 800000);

        viewModel_ = std::make_unique<ClipboardPanelViewModel>(ClipboardPanelViewModel::Dependencies{
            history_, search_, queue_, pasteboard_, defaults_, resolver_, clock_});
        controller_ = std::make_unique<ClipboardPanelController>(ClipboardPanelController::Dependencies{
            *viewModel_, defaults_, queue_, clock_, pasteboard_, screens_, activation_, poster_, trust_});
    }
    void TearDown() override {
        controller_.reset();
        viewModel_.reset();
        language_.reset();
    }

    void save(const QString& state) {
        QWidget* window = controller_->clipboardPanel().window();
        const QString name =
            QStringLiteral("%1/centred-panel-%2-%3-%4.png")
                .arg(QUORVANE_SCREENSHOT_DIR, state, dark_ ? "dark" : "light", chinese_ ? "zh" : "en");
        const QImage image = window->grab().toImage();
        ASSERT_TRUE(image.save(name)) << name.toStdString();
    }
    // What typing `text` into the search field reports, without depending on where the keyboard focus is.
    void type(const QString& text) {
        controller_->clipboardPanel().searchField()->replaceText(text);
        controller_->searchTextDidChange(text.toStdString());
    }

    bool dark_ = false;
    bool chinese_ = false;
    InMemoryUserDefaults defaults_;
    std::unique_ptr<StandardAppLanguage> language_;
    SystemClock clock_;
    QtMainQueue queue_;
    std::shared_ptr<testing::FakeHistoryManager> history_ =
        std::make_shared<testing::FakeHistoryManager>(queue_);
    std::shared_ptr<HistorySearchService> search_ = std::make_shared<HistorySearchService>(*history_, queue_);
    InMemoryPasteboard pasteboard_;
    InMemoryApplicationCatalog catalog_;
    ClipboardAppIdentityResolver resolver_{catalog_, {}, "en_US.UTF-8"};
    QtScreenProvider screens_;
    InMemoryWindowActivation activation_;
    RecordingPasteShortcutPoster poster_{&activation_};
    Trusted trust_;
    std::unique_ptr<ClipboardPanelViewModel> viewModel_;
    std::unique_ptr<ClipboardPanelController> controller_;
};

TEST_P(ClipboardPanelScreenshotTest, WithResults) {
    controller_->showPanel();
    auto& list = controller_->clipboardResultListView();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return list.state().items().size() == 6 &&
               controller_->clipboardDetailView().currentDisplayedItemId().has_value();
    }));
    EXPECT_EQ(list.state().items().front().id, "beta");
    EXPECT_TRUE(controller_->clipboardPanel().primaryTipButton()->isVisible());
    DesktopSession::processEventsFor(std::chrono::milliseconds(150));
    save("results");
}

TEST_P(ClipboardPanelScreenshotTest, NothingFound) {
    controller_->showPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return controller_->clipboardResultListView().state().items().size() == 6; }));
    type("zzz");
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            return viewModel_->searchText() == "zzz" &&
                   controller_->clipboardResultListView().state().items().empty();
        },
        std::chrono::seconds(15)))
        << "listed: " << controller_->clipboardResultListView().state().items().size()
        << ", loading: " << viewModel_->isLoading() << ", search text: " << viewModel_->searchText();
    DesktopSession::processEventsFor(std::chrono::milliseconds(250));
    save("empty");
}

TEST_P(ClipboardPanelScreenshotTest, FilterSuggestion) {
    controller_->showPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return controller_->clipboardResultListView().state().items().size() == 6; }));
    type("notes :");
    auto& panel = controller_->clipboardPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return controller_->clipboardResultListView().contentMode() ==
               ClipboardResultListContentMode::filterSuggestions;
    }));
    EXPECT_TRUE(panel.isFilterSuggestionFooterMode);
    EXPECT_FALSE(panel.secondaryTipButton()->text().isEmpty());
    DesktopSession::processEventsFor(std::chrono::milliseconds(150));
    save("suggestions");
}

// A long entry scrolls in the detail pane behind a thin bar that shows while it moves, with no arrows.
TEST_P(ClipboardPanelScreenshotTest, LongEntry) {
    controller_->showPanel();
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return controller_->clipboardResultListView().state().items().size() == 6; }));
    type("checklist");
    auto& detail = controller_->clipboardDetailView();
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return detail.currentDisplayedItemId() == std::optional<std::string>("long"); }));
    QPlainTextEdit* text = detail.textView();
    EXPECT_TRUE(TransientScrollBars::isApplied(*text));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return text->verticalScrollBar()->maximum() > 0; }));
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum() / 3);
    DesktopSession::processEventsFor(std::chrono::milliseconds(120));
    // A transient bar lies over the text: the text keeps the pane's whole width.
    EXPECT_GE(text->viewport()->width(), text->width() - 2);
    // The thumb stands out from the pane: darker on a light one, lighter on a dark one.
    QScrollBar* bar = text->verticalScrollBar();
    QWidget* window = controller_->clipboardPanel().window();
    const QImage pane = window->grab().toImage();
    const QRect barArea(bar->mapTo(window, QPoint(0, 0)), bar->size());
    const int paneGrey = qGray(pane.pixel(barArea.left() - 12, barArea.center().y()));
    int thumbGrey = paneGrey;
    for (int y = barArea.top(); y <= barArea.bottom(); ++y) {
        for (int x = barArea.left(); x <= barArea.right(); ++x) {
            const int grey = qGray(pane.pixel(x, y));
            if (std::abs(grey - paneGrey) > std::abs(thumbGrey - paneGrey)) thumbGrey = grey;
        }
    }
    if (dark_) {
        EXPECT_GE(thumbGrey - paneGrey, 40) << thumbGrey << " on " << paneGrey;
    } else {
        EXPECT_GE(paneGrey - thumbGrey, 40) << thumbGrey << " on " << paneGrey;
    }
    save("long");
}

INSTANTIATE_TEST_SUITE_P(Appearances, ClipboardPanelScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane

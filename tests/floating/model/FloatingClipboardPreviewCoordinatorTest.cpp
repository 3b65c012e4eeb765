#include <gtest/gtest.h>

#include "floating/model/FloatingClipboardPreviewCoordinator.h"
#include "panel/support/PanelViewModelFixture.h"

namespace quorvane {
namespace {

using Mode = FloatingClipboardPreviewMode;
using Source = ClipboardResultListSelectionSource;
using Session = FloatingClipboardPreviewSessionState;
using testing::pageOf;
using testing::textEntry;

class RecordingPresenter final : public FloatingClipboardPreviewPresenting {
public:
    void present(const FloatingClipboardPreviewRequest& request) override {
        presented.push_back(request);
        showing = true;
    }
    void update(const FloatingClipboardPreviewRequest& request) override {
        updated.push_back(request);
        showing = true;
    }
    void dismiss() override {
        ++dismissCount;
        showing = false;
    }
    bool isShowing() const override { return showing; }
    std::optional<std::string> selectedText() const override { return std::nullopt; }
    bool setShowsFormattedText(bool formatted) override {
        formattedSwitches.push_back(formatted);
        return showing;
    }
    void setOnFormatRequested(std::function<void()>) override {}

    std::vector<FloatingClipboardPreviewRequest> presented;
    std::vector<FloatingClipboardPreviewRequest> updated;
    std::vector<bool> formattedSwitches;
    int dismissCount = 0;
    bool showing = false;
};

class FakeHost final : public FloatingClipboardPreviewHost {
public:
    bool isPanelVisible() const override { return visible; }
    bool isShowPending() const override { return showPending; }
    std::optional<ScreenRect> selectedRowScreenRect() const override { return row; }
    std::optional<ScreenRect> panelScreenFrame() const override { return panel; }
    std::optional<FloatingClipboardPreviewPlacement> previewPlacement(ScreenRect panelFrame,
                                                                      ScreenRect rowRect, double width,
                                                                      double height) const override {
        return FloatingClipboardPreviewPlacementCalculator::placement(ScreenRect{0, 0, 1920, 1080}, rowRect,
                                                                      panelFrame, width, height);
    }
    double wrappedTextHeight(const std::string&, double) const override { return 17; }
    bool isShowingFilterSuggestions() const override { return suggestions; }

    bool visible = true;
    bool showPending = false;
    bool suggestions = false;
    std::optional<ScreenRect> row = ScreenRect{100, 150, 420, 40};
    std::optional<ScreenRect> panel = ScreenRect{100, 100, 420, 360};
};

class FloatingClipboardPreviewCoordinatorTest : public testing::PanelViewModelFixture {
protected:
    FloatingClipboardPreviewCoordinatorTest() {
        for (const auto& [id, text] : std::vector<std::pair<std::string, std::string>>{
                 {"a", "alpha"}, {"b", "{\"b\":[1,2]}"}, {"c", "   "}, {"d", "delta"}}) {
            history->entries.push_back(textEntry(id, text));
            ClipboardHistoryContentSnapshot content;
            content.id = id;
            content.content = text;
            history->contents[id] = content;
        }
    }

    // The first page arrives and its row 0 is selected by the view model, as after a show.
    void loadFirstPage() {
        viewModel->loadClipboardItems(false);
        search->answer(pageOf(history->entries, false));
        loop.runUntilIdle();
        coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[0], 0, Source::programmatic);
    }
    void moveTo(std::size_t index, Source source) {
        viewModel->selectItem(index);
        coordinator.handleSelectionChange(source);
    }

    RecordingPresenter presenter;
    FakeHost host;
    FloatingClipboardPreviewCoordinator coordinator{*viewModel, loop, presenter, host};
};

TEST_F(FloatingClipboardPreviewCoordinatorTest, OpeningArmsOneAutomaticPreviewForTheNewestEntry) {
    coordinator.armInitialAutomaticPreview();
    loadFirstPage();
    EXPECT_FALSE(coordinator.isInitialAutomaticPreviewArmed()) << "the arm is consumed";
    loop.advance(0.079);
    EXPECT_TRUE(presenter.presented.empty());
    loop.advance(0.002);
    loop.runUntilIdle();
    ASSERT_EQ(presenter.presented.size(), 1u);
    EXPECT_EQ(presenter.presented[0].item.id, "a");
    EXPECT_EQ(presenter.presented[0].mode, Mode::automatic);
    EXPECT_EQ(presenter.presented[0].placement.frame.width, 360) << "a short text gets the compact bubble";
    EXPECT_EQ(presenter.presented[0].placement.frame.height, 64);
    EXPECT_EQ(coordinator.sessionState(), (Session{Mode::automatic, "a"}));

    // A reload keeping row 0 selected before the delay ran out leaves the waiting preview alone.
    coordinator.dismissPreview();
    coordinator.armInitialAutomaticPreview();
    coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[0], 0, Source::programmatic);
    loop.advance(0.05);
    coordinator.handleSelectionChange(Source::programmatic);
    loop.advance(0.05);
    EXPECT_EQ(presenter.presented.size(), 2u);
    coordinator.dismissPreview();
    coordinator.scheduleAutomaticPreview(viewModel->clipboardItems()[0]);
    viewModel->selectItem(1);
    coordinator.handleSelectionChange(Source::programmatic);
    loop.advance(0.1);
    EXPECT_EQ(presenter.presented.size(), 2u) << "a reload selecting another row still cancels";
    viewModel->selectItem(0);

    // A second load of the first page does not open it again.
    coordinator.dismissPreview();
    coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[0], 0, Source::programmatic);
    loop.advance(1);
    EXPECT_EQ(presenter.presented.size(), 2u);
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, MovingBeforeTheDelayCancelsAndTheBubbleFollowsTheKeyboard) {
    coordinator.armInitialAutomaticPreview();
    loadFirstPage();
    loop.advance(0.05);
    moveTo(1, Source::keyboard);
    loop.advance(0.05);
    moveTo(3, Source::keyboard);
    loop.advance(0.05);
    EXPECT_TRUE(presenter.presented.empty()) << "moving faster than the delay shows nothing";
    loop.advance(0.04);
    loop.runUntilIdle();
    ASSERT_EQ(presenter.presented.size(), 1u);
    EXPECT_EQ(presenter.presented[0].item.id, "d");

    // A click closes an automatic bubble; hover schedules one.
    moveTo(1, Source::mouseClick);
    EXPECT_EQ(coordinator.sessionState(), Session{});
    EXPECT_FALSE(presenter.showing);
    moveTo(1, Source::hover);
    loop.advance(0.1);
    ASSERT_EQ(presenter.presented.size(), 2u);
    EXPECT_EQ(presenter.presented[1].item.id, "b");
    EXPECT_EQ(presenter.presented[1].placement.frame.width, 420) << "JSON gets the large bubble";
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, ArmsAreNotHonouredWhileHiddenOrWaitingOrForAnotherRow) {
    coordinator.armInitialAutomaticPreview();
    host.showPending = true;
    loadFirstPage();
    loop.advance(1);
    EXPECT_TRUE(presenter.presented.empty());
    EXPECT_TRUE(coordinator.isInitialAutomaticPreviewArmed()) << "an arm that did not fire stays";

    host.showPending = false;
    coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[1], 1, Source::programmatic);
    coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[0], 0, Source::keyboard);
    loop.advance(1);
    EXPECT_TRUE(presenter.presented.empty());

    // The initial arm waits for an empty search; the search arm for a non-empty one.
    viewModel->setSearchText("al");
    coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[0], 0, Source::programmatic);
    loop.advance(0.01);
    EXPECT_FALSE(coordinator.hasPendingAutomaticPreview());
    coordinator.armSearchAutomaticPreview();
    coordinator.considerInitialAutomaticPreview(viewModel->clipboardItems()[0], 0, Source::programmatic);
    EXPECT_TRUE(coordinator.hasPendingAutomaticPreview());
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, WhitespaceOnlyTextsOpenOnlyAPinnedBubble) {
    loadFirstPage();
    moveTo(2, Source::keyboard);
    loop.advance(0.1);
    EXPECT_TRUE(presenter.presented.empty());
    EXPECT_EQ(coordinator.sessionState(), Session{});

    coordinator.togglePinnedPreview();
    EXPECT_EQ(coordinator.sessionState(), (Session{Mode::manualPinned, "c"}));
    loop.runUntilIdle();
    ASSERT_EQ(presenter.presented.size(), 1u);
    EXPECT_EQ(presenter.presented[0].mode, Mode::manualPinned);
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, APinnedBubbleFollowsKeyboardAndClicksButNotHover) {
    loadFirstPage();
    coordinator.togglePinnedPreview();
    loop.runUntilIdle();
    ASSERT_EQ(presenter.presented.size(), 1u);

    moveTo(1, Source::hover);
    loop.advance(0.2);
    EXPECT_EQ(presenter.presented.size(), 1u);
    moveTo(1, Source::keyboard);
    loop.runUntilIdle();
    ASSERT_EQ(presenter.presented.size(), 2u) << "at once, without the automatic delay";
    EXPECT_EQ(presenter.presented[1].item.id, "b");
    moveTo(3, Source::mouseClick);
    loop.runUntilIdle();
    EXPECT_EQ(presenter.presented.back().item.id, "d");
    coordinator.handleSelectionChange(Source::programmatic);
    loop.runUntilIdle();
    EXPECT_EQ(presenter.presented.size(), 3u) << "a reload selecting the shown entry changes nothing";

    // Scrolling re-places the pinned bubble from what it already holds; a context menu closes it but keeps
    // the pin.
    coordinator.handleScrollInteraction();
    ASSERT_EQ(presenter.updated.size(), 1u);
    EXPECT_EQ(presenter.updated[0].item.id, "d");
    coordinator.handleContextMenuWillOpen();
    EXPECT_EQ(coordinator.sessionState(), (Session{Mode::manualPinned, std::nullopt}));
    EXPECT_FALSE(presenter.showing);

    coordinator.togglePinnedPreview();
    EXPECT_EQ(coordinator.sessionState(), Session{});
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, ALateContentAnswerForACancelledPreviewIsDropped) {
    loadFirstPage();
    coordinator.presentPreview(viewModel->clipboardItems()[0], Mode::automatic, true);
    EXPECT_EQ(coordinator.sessionState(), (Session{Mode::automatic, "a"})) << "recorded while loading";
    coordinator.dismissPreview();
    loop.runUntilIdle();
    EXPECT_TRUE(presenter.presented.empty());

    // No row rectangle: no request, and a pinned session waits without an entry.
    host.row.reset();
    coordinator.togglePinnedPreview();
    loop.runUntilIdle();
    EXPECT_TRUE(presenter.presented.empty());
    EXPECT_EQ(coordinator.sessionState(), (Session{Mode::manualPinned, std::nullopt}));
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, FormattingTogglesOnlyFormattableEntries) {
    loadFirstPage();
    moveTo(1, Source::keyboard);
    loop.advance(0.1);
    ASSERT_EQ(presenter.presented.size(), 1u);
    EXPECT_FALSE(presenter.presented[0].isFormattingEnabled);

    coordinator.toggleFormatting(viewModel->clipboardItems()[1]);
    EXPECT_TRUE(coordinator.isFormatted("b"));
    coordinator.toggleFormatting(viewModel->clipboardItems()[1]);
    EXPECT_FALSE(coordinator.isFormatted("b"));
    EXPECT_EQ(presenter.formattedSwitches, (std::vector<bool>{true, false}));

    coordinator.handleFormatRequest();
    coordinator.handleFormatRequest();
    EXPECT_TRUE(coordinator.isFormatted("b")) << "the format button never switches back";

    coordinator.toggleFormatting(viewModel->clipboardItems()[0]);
    EXPECT_FALSE(coordinator.isFormatted("a")) << "plain text is not formattable";
    auto sql = textEntry("s", "select 1");
    sql.classification = "sql";
    coordinator.toggleFormatting(sql);
    EXPECT_TRUE(coordinator.isFormatted("s")) << "the stored classification decides for an unseen entry";

    host.suggestions = true;
    coordinator.toggleFormatting(viewModel->clipboardItems()[1]);
    EXPECT_TRUE(coordinator.isFormatted("b")) << "nothing while filter suggestions show";

    // The next request of a formatted entry asks for the formatted text at once.
    host.suggestions = false;
    coordinator.dismissPreview();
    moveTo(1, Source::keyboard);
    loop.advance(0.1);
    EXPECT_TRUE(presenter.presented.back().isFormattingEnabled);
}

TEST_F(FloatingClipboardPreviewCoordinatorTest, ResetForgetsEverythingAndUserSelectionsDisarm) {
    coordinator.armInitialAutomaticPreview();
    coordinator.armSearchAutomaticPreview();
    coordinator.handleSelectionChange(Source::programmatic);
    EXPECT_TRUE(coordinator.isInitialAutomaticPreviewArmed()) << "programmatic selections keep the arms";
    coordinator.handleSelectionChange(Source::hover);
    EXPECT_FALSE(coordinator.isInitialAutomaticPreviewArmed());
    EXPECT_FALSE(coordinator.isSearchAutomaticPreviewArmed());

    coordinator.pendingSelectionContext = PendingSelectionContext{2, Source::keyboard};
    coordinator.pendingPostDeletionSelectionSource = Source::keyboard;
    coordinator.armInitialAutomaticPreview();
    coordinator.resetPreviewState();
    EXPECT_FALSE(coordinator.pendingSelectionContext);
    EXPECT_FALSE(coordinator.pendingPostDeletionSelectionSource);
    EXPECT_FALSE(coordinator.isInitialAutomaticPreviewArmed());
    EXPECT_FALSE(coordinator.hasPendingAutomaticPreview());
    loop.advance(1);
    EXPECT_TRUE(presenter.presented.empty());
}

}  // namespace
}  // namespace quorvane

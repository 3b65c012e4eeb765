#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QMenu>
#include <QScrollBar>
#include <fstream>

#include "floating/widgets/FloatingClipboardPanelController.h"
#include "floating/widgets/FloatingPanelTestFixture.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using Mode = FloatingClipboardPreviewMode;
using testing::pageOf;
using testing::textEntry;

class FloatingClipboardPanelControllerTest : public testing::FloatingPanelTestFixture {
protected:
    void enableAutoPaste() { defaults.set("DirectPasteReturnKeyAutoPasteEnabled", true); }
    // Down to "b", then Return; lets the copy, the hide and the paste-back run.
    void confirmSecondEntry() {
        controller.moveSelection(false);
        loop.runUntilIdle();
        controller.confirmSelection();
        loop.advance(1.0);
    }
};

TEST_F(FloatingClipboardPanelControllerTest, ShowWaitsForTheNextTurnAndHideBeforeItCancelsTheShow) {
    controller.showPanel();
    EXPECT_FALSE(controller.isPanelVisible());
    EXPECT_EQ(anchors.calls, 0) << "the anchor is resolved on the next turn";
    controller.hidePanel();
    loop.runUntilIdle();
    EXPECT_FALSE(controller.isPanelVisible());
    EXPECT_EQ(anchors.calls, 0);

    showWithEntries();
    ASSERT_TRUE(controller.isPanelVisible());
    EXPECT_EQ(anchors.calls, 1);
    // Mouse anchor (500, 300): centred under the pointer, 12 below it.
    EXPECT_EQ(controller.floatingPanel().window()->geometry(), QRect(290, 312, 420, 360));
    EXPECT_EQ(controller.returnTarget(), (ReturnTarget{42, 4242}));
    EXPECT_EQ(controller.resultList().state().items().size(), 3u);
    EXPECT_FALSE(controller.floatingPanel().emptyStateLabel()->isVisible());

    controller.hidePanel();
    EXPECT_FALSE(controller.returnTarget());
    EXPECT_FALSE(controller.isPanelVisible());
}

TEST_F(FloatingClipboardPanelControllerTest, TheFirstShowListsThePageLoadedAtStartBeforeItsOwnReload) {
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(history->entries, false));
    loop.runUntilIdle();

    controller.showPanel();
    loop.runUntilIdle();
    ASSERT_TRUE(controller.isPanelVisible());
    ASSERT_EQ(search->pending.size(), 1u) << "the show's own reload is still out";
    EXPECT_EQ(controller.resultList().state().items().size(), 3u);
    EXPECT_FALSE(controller.floatingPanel().emptyStateLabel()->isVisible()) << "no \"Loading\"";
    controller.confirmSelection();
    loop.advance(1.0);
    EXPECT_EQ(pasteboard.string(), "alpha");

    // After a copy made while hidden, the page from before it is not shown.
    viewModel->historyDidChange();
    controller.showPanel();
    EXPECT_TRUE(controller.resultList().state().items().empty());
}

TEST_F(FloatingClipboardPanelControllerTest, OurOwnWindowIsNoReturnTargetAndNoCaretIsLookedFor) {
    activation.setActiveWindow(ReturnTarget{7, std::int64_t(::getpid())});
    showWithEntries();
    EXPECT_FALSE(controller.returnTarget());
    // Its caret would be asked of this process, busy showing the panel: the mouse it is.
    EXPECT_EQ(anchors.calls, 0);
    EXPECT_EQ(anchors.mouseCalls, 1);
    EXPECT_EQ(controller.floatingPanel().window()->geometry(), QRect(640 - 210, 480 + 12, 420, 360));
    confirmSecondEntry();
    EXPECT_EQ(pasteboard.string(), "bravo");
    EXPECT_TRUE(activation.requests().empty()) << "nothing to activate";
    EXPECT_EQ(poster.postCount(), 0);
}

TEST_F(FloatingClipboardPanelControllerTest, ReturnWithAutoPastePastesOnceIntoTheReactivatedWindow) {
    enableAutoPaste();
    showWithEntries();
    activation.setActiveWindow(ReturnTarget{99, 1});  // the panel's own window took focus meanwhile
    confirmSecondEntry();
    EXPECT_EQ(pasteboard.string(), "bravo");
    EXPECT_FALSE(controller.isPanelVisible());
    ASSERT_EQ(poster.postCount(), 1);
    ASSERT_TRUE(poster.postedInto()[0].has_value());
    EXPECT_EQ(poster.postedInto()[0]->window, 42u) << "posted only once the target was active again";
}

TEST_F(FloatingClipboardPanelControllerTest, AutoPasteWithoutTrustCopiesNothingAndAsksInTheFooter) {
    enableAutoPaste();
    accessibility.trusted = false;
    showWithEntries();
    confirmSecondEntry();
    EXPECT_FALSE(pasteboard.string().has_value());
    EXPECT_TRUE(controller.isPanelVisible());
    EXPECT_TRUE(activation.requests().empty());
    EXPECT_EQ(poster.postCount(), 0);
    auto* status = controller.floatingPanel().statusLabel();
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(status->text().toStdString(), "Return paste requires Accessibility permission");
    EXPECT_NE(status->toolTip().toStdString().find("Settings > Advanced"), std::string::npos);
    EXPECT_TRUE(controller.floatingPanel().primaryTipButton()->isHidden()) << "the hint shows no tips";
}

TEST_F(FloatingClipboardPanelControllerTest, WithoutAutoPasteOrOutsideTheDirectChannelOnlyActivates) {
    showWithEntries();
    confirmSecondEntry();
    EXPECT_EQ(pasteboard.string(), "bravo");
    ASSERT_EQ(activation.requests().size(), 1u);
    EXPECT_EQ(activation.requests()[0].window, 42u);
    EXPECT_EQ(poster.postCount(), 0);
}

TEST_F(FloatingClipboardPanelControllerTest,
       TypingAColonFragmentShowsSuggestionsEscapeRemovesItTabAppliesOne) {
    showWithEntries();
    controller.searchTextDidChange("x :js");
    EXPECT_TRUE(controller.isShowingFilterSuggestions());
    EXPECT_FALSE(controller.resultList().state().filterSuggestions().empty());
    EXPECT_EQ(controller.floatingPanel().primaryTipButton()->text().toStdString(), "Apply Filter");
    EXPECT_EQ(controller.floatingPanel().secondaryTipButton()->text().toStdString(), "Esc Cancel");

    EXPECT_TRUE(controller.cancelFilterSuggestion());
    EXPECT_FALSE(controller.isShowingFilterSuggestions());
    EXPECT_EQ(controller.clipboardSearchText(), "x");
    EXPECT_EQ(controller.floatingPanel().searchField()->text().toStdString(), "x");
    EXPECT_EQ(controller.floatingPanel().primaryTipButton()->text().toStdString(), "Copy & Return");
    EXPECT_FALSE(controller.cancelFilterSuggestion()) << "a second Escape has nothing to cancel";

    // No filter word holds "ty": the list switches to its (empty) suggestions all the same.
    controller.searchTextDidChange(":ty");
    EXPECT_TRUE(controller.isShowingFilterSuggestions());
    EXPECT_TRUE(controller.resultList().state().filterSuggestions().empty());
    EXPECT_FALSE(controller.acceptSelectedFilterSuggestion());

    controller.searchTextDidChange(":js");
    EXPECT_TRUE(controller.acceptSelectedFilterSuggestion());
    EXPECT_FALSE(controller.isShowingFilterSuggestions());
    EXPECT_EQ(controller.clipboardSearchText().substr(0, 3), ":js");
    EXPECT_EQ(controller.clipboardSearchText().back(), ' ') << "the applied token ends in white space";
}

TEST_F(FloatingClipboardPanelControllerTest, DownOnTheLastRowLoadsTheNextPage) {
    showWithEntries(true);
    controller.moveSelection(false);
    loop.runUntilIdle();
    controller.moveSelection(false);
    loop.runUntilIdle();
    ASSERT_EQ(viewModel->selectedIndex(), 2u);
    const auto callsBefore = search->calls.size();
    controller.moveSelection(false);
    ASSERT_EQ(search->calls.size(), callsBefore + 1);
    EXPECT_EQ(search->calls.back().offset, 3);
    EXPECT_EQ(viewModel->selectedIndex(), 2u);
}

TEST_F(FloatingClipboardPanelControllerTest, KeyboardDeletionKeepsKeyboardPreviewBehaviour) {
    showWithEntries();
    controller.moveSelection(false);
    controller.moveSelection(false);
    loop.runUntilIdle();
    ASSERT_EQ(viewModel->selectedIndex(), 2u);
    controller.deleteSelectedItem();
    loop.runUntilIdle();
    EXPECT_EQ(history->deletedIds, std::vector<std::string>{"c"});
    EXPECT_EQ(viewModel->selectedIndex(), 1u) << "the new last row";
    EXPECT_TRUE(controller.previewCoordinator().hasPendingAutomaticPreview()) << "as after a keyboard move";
}

// The keys reach the program's shared entry actions with the floating panel as the asking panel.
TEST_F(FloatingClipboardPanelControllerTest, TheEntryKeysRunTheSharedActionsForTheSelectedRow) {
    testing::LogCapture log;
    showWithEntries();
    viewModel->selectItem(1);
    controller.openSelectedItemWithDefaultApp();
    loop.runUntilIdle();
    ASSERT_EQ(workspace.openedFiles, std::vector<std::filesystem::path>{temporary / "Quorvane_b.txt"});
    std::ifstream written(temporary / "Quorvane_b.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), "bravo");
    EXPECT_FALSE(controller.isPanelVisible());
    EXPECT_TRUE(log.contains("INFO", "[FloatingClipboardPanelController] Opened text with default app: "));

    showWithEntries();
    viewModel->selectItem(2);
    controller.pinSelectedItem();
    loop.runUntilIdle();
    ASSERT_EQ(pinned.size(), 1u);
    EXPECT_EQ(pinned[0].id, "c");

    // Without the actions the keys do nothing.
    controller.setItemActions(nullptr);
    showWithEntries();
    controller.openSelectedItemWithDefaultApp();
    loop.runUntilIdle();
    EXPECT_EQ(workspace.openedFiles.size(), 1u);
    EXPECT_TRUE(controller.isPanelVisible());
}

TEST_F(FloatingClipboardPanelControllerTest, ThePinnedPreviewOpensInThePanelWindowBesideTheList) {
    showWithEntries();
    controller.togglePinnedPreview();
    loop.runUntilIdle();
    auto* view = controller.previewPresenter().previewView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(controller.previewPresenter().isShowing());
    EXPECT_EQ(controller.previewCoordinator().sessionState().mode, Mode::manualPinned);
    const QRect window = controller.floatingPanel().window()->geometry();
    EXPECT_GT(window.width(), 420) << "the window grew to hold the bubble";
    EXPECT_EQ(controller.floatingPanel().rootView()->listSurfaceScreenFrame(),
              (ScreenRect{290, 312, 420, 360}))
        << "the list stays where it was";
    EXPECT_EQ(view->textView()->toPlainText().toStdString(), "alpha");
    // Without a compositor the mask is all that hides the window's box: it follows the bubble's outline.
    const QRegion mask = controller.floatingPanel().window()->mask();
    const QRect bubble = view->geometry();
    EXPECT_TRUE(mask.contains(bubble.center()));
    // Its far side (the near one overlaps the list's edge).
    for (const QPoint corner : {bubble.topRight(), bubble.bottomRight()})
        EXPECT_FALSE(mask.contains(corner)) << corner.x() << "," << corner.y();
    const QRectF chrome = view->chromeFrame().translated(bubble.topLeft());
    EXPECT_FALSE(mask.contains(QPoint(int(chrome.right()) - 2, int(chrome.top()) + 2))) << "a rounded corner";
    EXPECT_TRUE(mask.contains(QPoint(int(chrome.right()) - 2, int(chrome.center().y()))));

    controller.togglePinnedPreview();
    EXPECT_FALSE(controller.previewPresenter().isShowing());
    EXPECT_EQ(controller.floatingPanel().window()->geometry(), QRect(290, 312, 420, 360));
}

TEST_F(FloatingClipboardPanelControllerTest, TheActionsMenuOfAScrolledOutRowOpensAtThePanelCentre) {
    for (int i = 0; i < 12; ++i) history->entries.push_back(textEntry("n" + std::to_string(i)));
    // High on the (small) offscreen screen, so the menu fits where it is asked to open.
    anchors.anchor = FloatingPanelAnchor::mouse({300, 40});
    showWithEntries();
    auto& list = controller.resultList();
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    ASSERT_FALSE(list.viewport()->rect().intersects(list.rowRect(0)));
    controller.showActionsMenuForSelectedItem();
    loop.runUntilIdle();
    QApplication::processEvents();
    QMenu* menu = list.contextMenu();
    ASSERT_NE(menu, nullptr);
    const QPoint centre = controller.floatingPanel().window()->frameGeometry().center();
    EXPECT_LE((menu->pos() - centre).manhattanLength(), 2);
    menu->close();
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include "l10n/L10n.h"
#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/support/PanelViewModelFixture.h"
#include "search/EmptyClipboardSearchService.h"
#include "searchindex/SQLiteClipboardSearchIndexStoreError.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using testing::idsOf;
using testing::imageEntry;
using testing::numberedEntries;
using testing::pageOf;
using testing::textEntry;

class ClipboardPanelViewModelTest : public testing::PanelViewModelFixture {};

TEST_F(ClipboardPanelViewModelTest, TypingQuicklySearchesOnceForTheWholeTextAfterThePause) {
    loop.advance(1.0);
    EXPECT_TRUE(search->calls.empty()) << "the initial empty text is no search";

    viewModel->setSearchText("a");
    loop.advance(0.03);
    viewModel->setSearchText("ab");
    loop.advance(0.03);
    viewModel->setSearchText("Abc ");
    loop.advance(0.059);
    EXPECT_TRUE(search->calls.empty());
    loop.advance(0.002);

    ASSERT_EQ(search->calls.size(), 1u);
    EXPECT_FALSE(search->calls[0].isRecent);
    EXPECT_EQ(search->calls[0].query, "abc") << "the service gets the normalised text";
    EXPECT_EQ(search->calls[0].limit, 10);
    EXPECT_EQ(search->calls[0].offset, 0);
    EXPECT_TRUE(viewModel->isLoading());
    ASSERT_TRUE(viewModel->parsedQuery().has_value());
    EXPECT_EQ(viewModel->parsedQuery()->textTokens, std::vector<std::string>{"abc"});

    // Deleting the last character and typing it again within the pause searches nothing new.
    viewModel->setSearchText("Abc");
    loop.advance(0.02);
    viewModel->setSearchText("Abc ");
    loop.advance(0.2);
    EXPECT_EQ(search->calls.size(), 1u);
}

TEST_F(ClipboardPanelViewModelTest, ANewQueryCancelsTheStaleOneWhoseLateAnswerIsDropped) {
    typeAndPause("foo");
    typeAndPause("bar");
    ASSERT_EQ(search->calls.size(), 2u);

    search->answer(pageOf({textEntry("stale")}, true));
    loop.runUntilIdle();
    EXPECT_TRUE(viewModel->clipboardItems().empty());
    EXPECT_TRUE(viewModel->isLoading());
    EXPECT_FALSE(viewModel->canLoadMore());

    search->answer(pageOf({textEntry("fresh")}, false));
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), std::vector<std::string>{"fresh"});
    EXPECT_FALSE(viewModel->isLoading());
}

TEST_F(ClipboardPanelViewModelTest, FiltersOfTheQueryBecomeActiveFilters) {
    typeAndPause("type:image report");
    ASSERT_EQ(viewModel->activeFilters().size(), 1u);
    EXPECT_EQ(viewModel->activeFilters()[0].kind, ClipboardSearchFilterKind::type);
    EXPECT_EQ(viewModel->activeFilters()[0].value, "Image");
}

TEST_F(ClipboardPanelViewModelTest, ObserversHearOfAPageOnceOnTheNextTurnWithEveryFieldStored) {
    viewModel->loadClipboardItems(false);
    ASSERT_EQ(search->calls.size(), 1u);
    EXPECT_TRUE(search->calls[0].isRecent) << "an empty text fetches the recent entries";
    search->answer(pageOf(numberedEntries("e", 0, 3), true));
    EXPECT_TRUE(notifications.empty()) << "never inside the call that changed the state";

    loop.runUntilIdle();
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_EQ(itemsSeenByObservers, 3u);
    for (auto property : {Property::clipboardItems, Property::isLoading, Property::canLoadMore,
                          Property::errorMessage, Property::selectedIndex, Property::isLoadMoreAction}) {
        EXPECT_TRUE(notifications[0].contains(property));
    }
    EXPECT_FALSE(notifications[0].contains(Property::searchText));

    // The selection is published again after every page, even when it did not move.
    notifications.clear();
    viewModel->loadClipboardItems(false);
    loop.runUntilIdle();
    notifications.clear();
    search->answer(pageOf(numberedEntries("e", 0, 3), true));
    loop.runUntilIdle();
    ASSERT_EQ(notifications.size(), 1u);
    EXPECT_TRUE(notifications[0].contains(Property::selectedIndex));
}

TEST_F(ClipboardPanelViewModelTest, LoadingMoreAppendsTheNextPageAndKeepsTheSelection) {
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("e", 0, 10), true));
    viewModel->selectItem(3);

    viewModel->loadMore();
    ASSERT_EQ(search->calls.size(), 2u);
    EXPECT_EQ(search->calls[1].offset, 10);
    EXPECT_EQ(search->calls[1].limit, 10);
    EXPECT_TRUE(viewModel->isLoadMoreAction());
    viewModel->loadMore();
    EXPECT_EQ(search->calls.size(), 2u) << "nothing while a load runs";

    search->answer(pageOf(numberedEntries("e", 10, 5), false));
    EXPECT_EQ(viewModel->clipboardItems().size(), 15u);
    EXPECT_EQ(viewModel->clipboardItems()[10].id, "e10");
    EXPECT_EQ(viewModel->selectedIndex(), 3u);
    EXPECT_FALSE(viewModel->canLoadMore());
    EXPECT_TRUE(viewModel->isLoadMoreAction()) << "left as the load set it";

    viewModel->loadMore();
    EXPECT_EQ(search->calls.size(), 2u) << "nothing when no more entries follow";
}

TEST_F(ClipboardPanelViewModelTest, AppendingAfterTheHistoryChangedListsNoEntryTwice) {
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("e", 0, 10), true));
    viewModel->loadMore();
    // A new copy pushed everything down by one: the next page starts with the last entry on show.
    auto next = numberedEntries("e", 9, 10);
    search->answer(pageOf(next, true));

    const auto ids = idsOf(viewModel->clipboardItems());
    ASSERT_EQ(ids.size(), 19u);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "e9"), 1);
    EXPECT_EQ(ids.back(), "e18");
    EXPECT_TRUE(viewModel->canLoadMore());
}

TEST_F(ClipboardPanelViewModelTest, AReloadKeepsTheEntryWithTheGivenIdSelected) {
    viewModel->loadClipboardItems(false, "e5");
    search->answer(pageOf(numberedEntries("e", 3, 5), false));
    EXPECT_EQ(viewModel->selectedIndex(), 2u);

    viewModel->selectItem(4);
    viewModel->loadClipboardItems(false, "gone");
    search->answer(pageOf(numberedEntries("e", 0, 4), false));
    EXPECT_EQ(viewModel->selectedIndex(), 0u);

    viewModel->selectItem(2);
    viewModel->loadClipboardItems(false, "e1");
    search->answer(pageOf({}, false));
    EXPECT_EQ(viewModel->selectedIndex(), 0u);
    EXPECT_FALSE(viewModel->selectedItem().has_value());
}

TEST_F(ClipboardPanelViewModelTest, SelectionMovesWithinTheListWithoutWrapping) {
    viewModel->moveSelection(false);
    EXPECT_EQ(viewModel->selectedIndex(), 0u);
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("e", 0, 3), false));

    viewModel->moveSelection(true);
    EXPECT_EQ(viewModel->selectedIndex(), 0u);
    viewModel->moveSelection(false);
    viewModel->moveSelection(false);
    viewModel->moveSelection(false);
    EXPECT_EQ(viewModel->selectedIndex(), 2u);
    viewModel->selectItem(7);
    EXPECT_EQ(viewModel->selectedIndex(), 2u);
    EXPECT_EQ(viewModel->selectedItem()->id, "e2");
}

TEST_F(ClipboardPanelViewModelTest, AFailingSearchServiceFallsBackToTheHistoryStore) {
    testing::LogCapture log;
    for (int i = 0; i < 30; ++i) {
        history->entries.push_back(i % 3 == 0
                                       ? imageEntry("i" + std::to_string(i))
                                       : textEntry("t" + std::to_string(i), "alpha " + std::to_string(i)));
    }
    typeAndPause("type:image");
    search->fail("disk I/O error");
    loop.runUntilIdle();

    ASSERT_EQ(history->snapshotsCalls.size(), 1u);
    EXPECT_EQ(history->snapshotsCalls[0].searchQuery, "");
    EXPECT_EQ(history->snapshotsCalls[0].limit, std::optional<std::size_t>(100));
    EXPECT_EQ(viewModel->clipboardItems().size(), 10u);
    for (const auto& item : viewModel->clipboardItems())
        EXPECT_EQ(item.contentType, ClipboardContentType::image);
    EXPECT_FALSE(viewModel->canLoadMore());
    EXPECT_EQ(viewModel->errorMessage(),
              std::optional<std::string>(ClipboardPanelViewModel::fallbackErrorMessage));
    EXPECT_TRUE(
        log.contains("WARNING", "Search service failed, falling back to repository query: disk I/O error"));

    // One plain word: one more than a page is asked for, to learn whether more follow.
    typeAndPause("alpha");
    search->fail();
    loop.runUntilIdle();
    EXPECT_EQ(history->snapshotsCalls.back().searchQuery, "alpha");
    EXPECT_EQ(history->snapshotsCalls.back().limit, std::optional<std::size_t>(11));
    EXPECT_EQ(viewModel->clipboardItems().size(), 10u);
    EXPECT_TRUE(viewModel->canLoadMore());

    // The next successful load clears the message.
    typeAndPause("beta");
    search->answer(pageOf({}, false));
    EXPECT_FALSE(viewModel->errorMessage().has_value());
}

TEST_F(ClipboardPanelViewModelTest, AnIndexStillBeingFilledShowsTheHistoryAndSaysSo) {
    history->entries = numberedEntries("e", 0, 3);
    viewModel->loadClipboardItems(false);
    search->failWith(std::make_exception_ptr(ClipboardSearchIndexBuildingError()));
    loop.runUntilIdle();
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), idsOf(numberedEntries("e", 0, 3)));
    EXPECT_EQ(viewModel->errorMessage(),
              std::optional<std::string>(L10n::text(L10nKey::panelSearchIndexBeingBuilt)));

    // Once filled, the index answers and the note goes.
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("e", 0, 3), false));
    loop.runUntilIdle();
    EXPECT_FALSE(viewModel->errorMessage().has_value());
}

TEST_F(ClipboardPanelViewModelTest, TheNullSearchServiceShowsTheStoreWithTheFallbackMessage) {
    viewModel->replaceServices(history, std::make_shared<EmptyClipboardSearchService>());
    history->entries = numberedEntries("e", 0, 12);
    viewModel->loadClipboardItems(false);
    loop.runUntilIdle();
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), idsOf(numberedEntries("e", 0, 10)));
    EXPECT_TRUE(viewModel->canLoadMore());
    EXPECT_EQ(viewModel->errorMessage(),
              std::optional<std::string>(ClipboardPanelViewModel::fallbackErrorMessage));

    viewModel->loadMore();
    loop.runUntilIdle();
    EXPECT_EQ(viewModel->clipboardItems().size(), 12u);
    EXPECT_FALSE(viewModel->canLoadMore());
}

TEST_F(ClipboardPanelViewModelTest, AFallbackThatIsCancelledMeanwhilePublishesNothing) {
    history->entries = numberedEntries("e", 0, 3);
    typeAndPause("e");
    search->fail();  // the store's answer is still on its way
    viewModel->setSearchText("f");
    viewModel->loadClipboardItems(false);
    loop.runUntilIdle();
    EXPECT_TRUE(viewModel->clipboardItems().empty());
    EXPECT_FALSE(viewModel->errorMessage().has_value());
    EXPECT_TRUE(viewModel->isLoading());
}

TEST_F(ClipboardPanelViewModelTest, DeletingKeepsASensibleSelection) {
    history->entries = numberedEntries("e", 0, 5);
    std::vector<std::size_t> deletedSignals;
    auto subscription =
        viewModel->observeItemDeleted([&](std::size_t index) { deletedSignals.push_back(index); });
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("e", 0, 5), false));

    // The selected last row: the new last row is selected.
    viewModel->selectItem(4);
    viewModel->deleteItem(textEntry("e4"));
    EXPECT_EQ(viewModel->selectedIndex(), 3u);
    // A row above the selection: the same entry stays selected.
    viewModel->selectItem(2);
    viewModel->deleteItem(textEntry("e0"));
    EXPECT_EQ(viewModel->selectedIndex(), 1u);
    EXPECT_EQ(viewModel->selectedItem()->id, "e2");
    // The selected row in the middle: the entry that moved up into it is selected.
    viewModel->deleteItem(textEntry("e2"));
    EXPECT_EQ(viewModel->selectedItem()->id, "e3");

    EXPECT_EQ(history->deletedIds, (std::vector<std::string>{"e4", "e0", "e2"}));
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), (std::vector<std::string>{"e1", "e3"}));
    EXPECT_TRUE(deletedSignals.empty()) << "told on the next turn";
    loop.runUntilIdle();
    EXPECT_EQ(deletedSignals, (std::vector<std::size_t>{3, 1, 1}));
    EXPECT_EQ(search->calls.size(), 1u) << "deleting rows on show loads nothing";
}

TEST_F(ClipboardPanelViewModelTest, DeletingTheOnlyRowWithMorePagesFetchesTheNextPage) {
    viewModel->loadClipboardItems(false);
    search->answer(pageOf({textEntry("only")}, true));
    viewModel->deleteItem(textEntry("only"));
    ASSERT_EQ(search->calls.size(), 2u);
    EXPECT_EQ(search->calls[1].offset, 0);
    EXPECT_TRUE(viewModel->isLoadMoreAction());

    // An entry that is not on show is still deleted, and the list reloads.
    viewModel->deleteItem(textEntry("elsewhere"));
    EXPECT_EQ(history->deletedIds.back(), "elsewhere");
    ASSERT_EQ(search->calls.size(), 3u);
    EXPECT_FALSE(viewModel->isLoadMoreAction());
}

TEST_F(ClipboardPanelViewModelTest, ReplacingTheServicesMidLoadDropsTheOldAnswerAndResets) {
    typeAndPause("report");
    ASSERT_EQ(search->calls.size(), 1u);
    auto newSearch = std::make_shared<testing::ScriptedSearchService>();
    auto newHistory = std::make_shared<testing::FakeHistoryManager>(loop);
    viewModel->replaceServices(newHistory, newSearch);
    EXPECT_EQ(viewModel->searchText(), "");
    EXPECT_FALSE(viewModel->isLoading());
    EXPECT_EQ(viewModel->clipboardHistoryManager(), newHistory);

    search->answer(pageOf({textEntry("from the old store")}, true));
    EXPECT_TRUE(viewModel->clipboardItems().empty());
    EXPECT_FALSE(viewModel->canLoadMore());

    // The emptied search text goes through the debounce: the recent entries of the new store follow.
    loop.advance(0.07);
    ASSERT_EQ(newSearch->calls.size(), 1u);
    EXPECT_TRUE(newSearch->calls[0].isRecent);
    newSearch->answer(pageOf({textEntry("new")}, false));
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), std::vector<std::string>{"new"});

    // A reset when the empty text was the last one searched starts no search.
    viewModel->reset();
    loop.advance(0.2);
    EXPECT_EQ(newSearch->calls.size(), 1u);
    EXPECT_TRUE(viewModel->clipboardItems().empty());
}

TEST_F(ClipboardPanelViewModelTest, TheNewestPageStaysOnShowAcrossHideAndShowAndFollowsTheUsersSelection) {
    // The page loaded at start is what the first show lists, before any answer.
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("a", 0, 3), true));
    viewModel->panelWillShow();
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), (std::vector<std::string>{"a0", "a1", "a2"}));
    EXPECT_TRUE(viewModel->canLoadMore());
    EXPECT_EQ(viewModel->selectedIndex(), 0u);

    // The show's own reload: the user moved down meanwhile, and stays on that entry when the page grows.
    viewModel->loadClipboardItems(false);
    viewModel->selectItem(2);
    search->answer(pageOf({textEntry("new"), textEntry("a0"), textEntry("a1"), textEntry("a2")}, true));
    EXPECT_EQ(viewModel->selectedItem()->id, "a2");
    // The list echoing the selection back is no move: the next reload selects the top again.
    viewModel->loadClipboardItems(false);
    viewModel->selectItem(3);
    search->answer(pageOf(numberedEntries("a", 0, 5), true));
    EXPECT_EQ(viewModel->selectedIndex(), 0u);

    // A search, then the panel hides: the search is forgotten and the first page reloads behind the scenes.
    typeAndPause("a1");
    search->answer(pageOf({textEntry("a1")}, false));
    const std::size_t before = search->calls.size();
    viewModel->panelDidHide();
    EXPECT_EQ(viewModel->searchText(), "");
    EXPECT_TRUE(viewModel->activeFilters().empty());
    loop.advance(0.001);
    ASSERT_EQ(search->calls.size(), before + 1);
    EXPECT_TRUE(search->calls.back().isRecent);
    search->answer(pageOf(numberedEntries("b", 0, 2), false));
    loop.advance(1.0);
    EXPECT_EQ(search->calls.size(), before + 1) << "the emptied field searches nothing more";

    viewModel->panelWillShow();
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), (std::vector<std::string>{"b0", "b1"}));
}

TEST_F(ClipboardPanelViewModelTest, HistoryChangesReloadAHiddenPanelOnceAndAnOutdatedPageIsNeverShown) {
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("a", 0, 3), false));

    // A burst of copies while hidden: one reload once they pause.
    for (int copy = 0; copy < 3; ++copy) {
        viewModel->historyDidChange();
        loop.advance(0.1);
    }
    EXPECT_EQ(search->calls.size(), 1u);
    loop.advance(ClipboardPanelViewModel::hiddenRefreshDelaySeconds);
    ASSERT_EQ(search->calls.size(), 2u);
    EXPECT_TRUE(search->calls[1].isRecent);

    // Shown before that reload answered: the page from before the copies is not listed, and the late
    // answer is dropped.
    viewModel->panelWillShow();
    EXPECT_TRUE(viewModel->clipboardItems().empty());
    search->answer(pageOf(numberedEntries("stale", 0, 1), false));
    EXPECT_TRUE(viewModel->clipboardItems().empty());

    // A change while shown reloads nothing by itself; the hide does, at once.
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("c", 0, 2), false));
    viewModel->historyDidChange();
    loop.advance(1.0);
    EXPECT_EQ(search->calls.size(), 3u);
    viewModel->panelDidHide();
    EXPECT_EQ(idsOf(viewModel->clipboardItems()), (std::vector<std::string>{"c0", "c1"}));
    loop.advance(0.001);
    ASSERT_EQ(search->calls.size(), 4u);

    // A page asked for before a change and answered after it is outdated too.
    viewModel->historyDidChange();
    search->answer(pageOf(numberedEntries("d", 0, 2), false));
    viewModel->panelWillShow();
    EXPECT_TRUE(viewModel->clipboardItems().empty());
    loop.advance(1.0);
    EXPECT_EQ(search->calls.size(), 4u) << "no reload behind a panel on show";
}

TEST_F(ClipboardPanelViewModelTest, AnswersArrivingAfterTheViewModelIsGoneDoNothing) {
    history->entries = numberedEntries("e", 0, 2);
    typeAndPause("e");
    viewModel->setSearchText("late");
    loop.runUntilIdle();
    notifications.clear();
    viewModel.reset();
    search->answer(pageOf({textEntry("x")}, false));
    loop.advance(1.0);
    EXPECT_EQ(search->calls.size(), 1u);
    EXPECT_TRUE(notifications.empty());
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/WidgetTestApplication.h"

namespace quorvane {
namespace {

std::vector<ClipboardHistoryIndexSnapshot> entries(int count) {
    std::vector<ClipboardHistoryIndexSnapshot> items;
    for (int i = 0; i < count; ++i) {
        ClipboardHistoryIndexSnapshot item;
        item.id = "id" + std::to_string(i);
        item.preview = "entry number " + std::to_string(i);
        item.createdAt = Date(1'700'000'000.0 + i);
        items.push_back(item);
    }
    return items;
}

class ClipboardResultListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::widgetTestApplication();
        list = std::make_unique<ClipboardResultListView>(ClipboardResultListMode::normal,
                                                         ClipboardResultListRowStyle::standard, &icons);
        list->resize(300, 400);
        list->callbacks.onItemSelected = [this](const auto& item) { selected.push_back(item.id); };
        list->callbacks.onLoadMore = [this] { ++loadMore; };
        list->show();
    }

    // Rows whose centre carries the selection colour in a rendering of the list.
    std::vector<int> rowsPaintedSelected() {
        const QImage image = list->viewport()->grab().toImage();
        std::vector<int> rows;
        // The top padding shows the bare background.
        const QColor background = image.pixelColor(image.width() / 2, 1);
        for (int row = 0; row < list->state().rowCount(); ++row) {
            const QRect rect = list->rowRect(row);
            if (rect.center().y() < 0 || rect.center().y() >= image.height()) continue;
            // A point inside the row, right of the text.
            const QColor color = image.pixelColor(rect.right() - 4, rect.center().y());
            if (color != background) rows.push_back(row);
        }
        return rows;
    }

    ClipboardAppIconProvider icons{nullptr};
    std::unique_ptr<ClipboardResultListView> list;
    std::vector<std::string> selected;
    int loadMore = 0;
};

TEST_F(ClipboardResultListViewTest, RendersEveryRowAndTheShowMoreRow) {
    list->setItems(entries(5), true, true);
    EXPECT_EQ(list->state().rowCount(), 6);
    // Rows stack from the top, 53 points apart, each 52 high.
    EXPECT_EQ(list->rowRect(0), QRect(0, 4, list->viewport()->width(), 52));
    EXPECT_EQ(list->rowRect(5).top(), 4 + 5 * 53);
    EXPECT_EQ(rowsPaintedSelected(), std::vector<int>{0});
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0);

    list->setItems(entries(30), true, true);
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 31 * 53 + 8 - list->viewport()->height());
}

TEST_F(ClipboardResultListViewTest, KeysMoveTheSelectionAndPageAtTheEnd) {
    list->setItems(entries(12), true, true);
    selected.clear();
    QTest::keyClick(list.get(), Qt::Key_Down);
    QTest::keyClick(list.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(list->state().selectedIndex(), 2);
    QTest::keyClick(list.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(selected, (std::vector<std::string>{"id1", "id2", "id1"}));
    EXPECT_EQ(rowsPaintedSelected(), std::vector<int>{1});

    for (int i = 0; i < 15; ++i) QTest::keyClick(list.get(), Qt::Key_Down);
    EXPECT_EQ(list->state().selectedIndex(), 12);
    EXPECT_FALSE(list->selectedItem());
    EXPECT_EQ(loadMore, 1);
    // The selected last row is scrolled into view.
    EXPECT_TRUE(list->viewport()->rect().contains(list->rowRect(12)));

    std::vector<std::string> deleted;
    list->callbacks.onItemDelete = [&](const auto& item) { deleted.push_back(item.id); };
    QTest::keyClick(list.get(), Qt::Key_Up);
    QTest::keyClick(list.get(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(deleted, std::vector<std::string>{"id11"});
}

TEST_F(ClipboardResultListViewTest, ClicksSelectAndReport) {
    list->setItems(entries(4), false, true);
    std::vector<std::string> clicked;
    list->callbacks.onItemClicked = [&](const auto& item) { clicked.push_back(item.id); };
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(2).center());
    EXPECT_EQ(list->state().selectedIndex(), 2);
    EXPECT_EQ(clicked, std::vector<std::string>{"id2"});
    // A press in the padding below the rows selects nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, list->rowRect(3).bottom() + 30));
    EXPECT_EQ(list->state().selectedIndex(), 2);
}

TEST_F(ClipboardResultListViewTest, ContextMenuWaitsForTheContentAndOffersItsCommands) {
    auto items = entries(2);
    items[1].classification = "json";
    list->setItems(items, false, true);
    std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> pending;
    list->callbacks.onRequestContent = [&](const std::string&, auto reply) { pending = reply; };
    list->selectItem(1, ClipboardResultListSelectionSource::programmatic);
    list->showContextMenuForSelectedItem();
    ASSERT_TRUE(pending);
    EXPECT_EQ(list->contextMenu(), nullptr);

    ClipboardHistoryContentSnapshot content;
    content.content = " https://example.com/x ";
    pending(content);
    QMenu* menu = list->contextMenu();
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) titles << action->text();
    }
    EXPECT_EQ(titles, (QStringList{"Open Link", "Open With Default App", "Save To File",
                                   "Pin to Floating Window", "Format", "Copy", "Delete"}));
    std::string opened;
    list->callbacks.onItemOpenLink = [&](const std::string& link) { opened = link; };
    menu->actions().front()->trigger();
    EXPECT_EQ(opened, "https://example.com/x");
    menu->close();
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <QTest>
#include <QToolButton>

#include "panel/model/ClipboardSearchAutoCompleteManager.h"
#include "panel/widgets/ClipboardFooterTipButton.h"
#include "panel/widgets/ClipboardSearchFilterChipView.h"
#include "panel/widgets/ClipboardSearchFilterChipsContainerView.h"
#include "panel/widgets/ClipboardSearchRowView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "search/ClipboardSearchQueryParser.h"

namespace quorvane {
namespace {

class ClipboardSearchRowViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::widgetTestApplication();
        row = std::make_unique<ClipboardSearchRowView>(manager, defaults);
        row->resize(600, 34);
        row->onSearchRequested = [this](const QString& text) { searches << text; };
        row->show();
        row->searchField()->setFocus();
    }

    InMemoryUserDefaults defaults;
    ClipboardSearchAutoCompleteManager manager{defaults, nullptr};
    std::unique_ptr<ClipboardSearchRowView> row;
    QStringList searches;
};

TEST_F(ClipboardSearchRowViewTest, TypingShowsTheGhostAndAcceptingCompletesTheValue) {
    QTest::keyClicks(row->searchField(), "type:te");
    EXPECT_EQ(row->searchField()->ghostSuffix(), "xt");
    EXPECT_EQ(searches.last(), "type:te");
    row->searchField()->acceptGhost();
    EXPECT_EQ(row->searchField()->text(), "type:text");
    EXPECT_EQ(row->searchField()->cursorPosition(), 9);
    EXPECT_EQ(searches.last(), "type:text");

    // Moving the caret hides a ghost; Right never accepts it.
    QTest::keyClicks(row->searchField(), " after:to");
    EXPECT_EQ(row->searchField()->ghostSuffix(), "day");
    QTest::keyClick(row->searchField(), Qt::Key_Right);
    EXPECT_EQ(row->searchField()->ghostSuffix(), "");
    EXPECT_EQ(row->searchField()->text(), "type:text after:to");
}

TEST_F(ClipboardSearchRowViewTest, RemovingAChipRemovesItsTokenFromTheFieldAndTheSearch) {
    QTest::keyClicks(row->searchField(), "type:json hello");
    row->setFilters(ClipboardSearchQueryParser::parse(row->searchField()->text().toStdString(), defaults)
                        .explicitFilters);
    ASSERT_EQ(row->chips()->chipViews().size(), 1u);
    EXPECT_EQ(row->chips()->chipViews()[0]->title(), "Type: JSON");
    searches.clear();
    QTest::mouseClick(row->chips()->chipViews()[0]->deleteButton(), Qt::LeftButton);
    EXPECT_EQ(row->searchField()->text(), "hello");
    EXPECT_EQ(searches, QStringList{"hello"});
    // The next keystroke searches the field's text, which no longer holds the filter.
    QTest::keyClicks(row->searchField(), "!");
    EXPECT_EQ(searches.last(), "hello!");
}

TEST_F(ClipboardSearchRowViewTest, ChipsTakeNoRoomWithoutFiltersAndStandSixApart) {
    row->setFilters({});
    EXPECT_EQ(row->chips()->sizeHint(), QSize(0, 0));
    ClipboardSearchFilter type{ClipboardSearchFilterKind::type, "JSON", false, "type:json"};
    ClipboardSearchFilter app{ClipboardSearchFilterKind::app, "kate", true, "app:kate"};
    row->setFilters({type, app});
    QApplication::processEvents();
    const auto& chips = row->chips()->chipViews();
    ASSERT_EQ(chips.size(), 2u);
    EXPECT_EQ(chips[0]->width(), chips[0]->labelWidth() + 24);
    EXPECT_EQ(chips[1]->x(), chips[0]->width() + 6);
    EXPECT_EQ(chips[1]->height(), 20);
}

TEST(ClipboardFooterTipButtonTest, SizeFollowsTheContentAndHoverIsTracked) {
    testing::widgetTestApplication();
    ClipboardFooterTipButton button;
    const QSize first = button.sizeHint();
    EXPECT_GE(first.height(), 22);
    button.setText(button.text() + " and more");
    EXPECT_GT(button.sizeHint().width(), first.width());
    button.show();
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.isHovered());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHovered());
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include "panel/model/ClipboardContextMenuPresentation.h"
#include "panel/model/ClipboardFooterTipButtonStyle.h"
#include "panel/model/ClipboardWindowDragTracker.h"

namespace quorvane {
namespace {

using Action = ClipboardContextMenuAction;

std::vector<Action> actions(const ClipboardHistoryIndexSnapshot& item,
                            const std::optional<ClipboardHistoryContentSnapshot>& content) {
    std::vector<Action> result;
    for (const auto& entry : ClipboardContextMenuPresentation::items(item, content))
        result.push_back(entry.action);
    return result;
}

ClipboardHistoryIndexSnapshot textEntry(std::string preview, std::optional<std::string> classification = {}) {
    ClipboardHistoryIndexSnapshot item;
    item.preview = std::move(preview);
    item.classification = std::move(classification);
    return item;
}

TEST(ClipboardContextMenuPresentationTest, ImageEntriesOfferRecognitionButNoTextCommands) {
    ClipboardHistoryIndexSnapshot image;
    image.contentType = ClipboardContentType::image;
    image.preview = "https://example.com";
    image.classification = "json";
    EXPECT_EQ(actions(image, std::nullopt),
              (std::vector<Action>{Action::ocr, Action::separator, Action::openWithDefaultApp,
                                   Action::saveToFile, Action::pin, Action::separator, Action::copy,
                                   Action::separator, Action::remove}));
}

TEST(ClipboardContextMenuPresentationTest, LinksFormatAndPlainTextDependOnTheContent) {
    ClipboardHistoryContentSnapshot content;
    content.content = "  https://example.com/a?b=1 \n";
    const auto item = textEntry("preview", " JsonLines ");
    EXPECT_EQ(ClipboardContextMenuPresentation::openableLink(item, content),
              std::optional<std::string>("https://example.com/a?b=1"));
    auto list = actions(item, content);
    EXPECT_EQ(list.front(), Action::openLink);
    EXPECT_NE(std::find(list.begin(), list.end(), Action::format), list.end());
    EXPECT_EQ(std::find(list.begin(), list.end(), Action::copyAsPlainText), list.end());

    content.content = "ftp://example.com/file";
    content.richTextHTMLData = std::vector<std::uint8_t>{'<', 'b', '>'};
    list = actions(textEntry("x", "markdown"), content);
    EXPECT_NE(list.front(), Action::openLink);
    EXPECT_EQ(std::find(list.begin(), list.end(), Action::format), list.end());
    EXPECT_NE(std::find(list.begin(), list.end(), Action::copyAsPlainText), list.end());

    // Without fetched content the preview decides about the link.
    EXPECT_EQ(actions(textEntry("http://localhost:8080/"), std::nullopt).front(), Action::openLink);
    EXPECT_TRUE(ClipboardContextMenuPresentation::isFormattable(textEntry("x", "SQL")));
}

TEST(ClipboardFooterTipButtonStyleTest, SizeAndHoverRules) {
    using Style = ClipboardFooterTipButtonStyle;
    EXPECT_EQ(Style::intrinsicSize(60, 14), (Style::Size{72, 22}));
    EXPECT_EQ(Style::intrinsicSize(60, 20), (Style::Size{72, 24}));
    Style style;
    EXPECT_FALSE(style.pointerExited());
    EXPECT_TRUE(style.pointerEntered());
    EXPECT_FALSE(style.pointerEntered());
    EXPECT_TRUE(style.pointerExited());
    EXPECT_EQ(Style::appearance(true, true).backgroundAlpha, 0.14);
    EXPECT_EQ(Style::appearance(false, true).contentAlpha, 0.88);
    EXPECT_TRUE(Style::appearance(false, false).secondaryContent);
}

TEST(ClipboardWindowDragTrackerTest, WindowKeepsTheGrabOffsetAndMovesAtMost120TimesASecond) {
    ClipboardWindowDragTracker tracker;
    tracker.pressed({500, 300}, {400, 250}, 10.0);
    EXPECT_FALSE(tracker.dragged({503, 301}, 10.005));
    const auto moved = tracker.dragged({510, 320}, 10.01);
    ASSERT_TRUE(moved);
    EXPECT_EQ(*moved, (ClipboardPointerLocation{410, 270}));
    EXPECT_FALSE(tracker.dragged({520, 320}, 10.015));
    EXPECT_TRUE(tracker.dragged({520, 320}, 10.02));
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QUrl>

#include "base/PrivateDirectory.h"
#include "panel/widgets/ClipboardDragMimeData.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "platform/DefaultsValue.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

const Data kPng{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

// A list whose drags end at once with a copy, keeping what each drag offered.
class RecordingDragList final : public ClipboardResultListView {
public:
    RecordingDragList()
        : ClipboardResultListView(ClipboardResultListMode::normal, ClipboardResultListRowStyle::standard,
                                  nullptr) {}

    std::vector<QStringList> offeredFormats;

protected:
    Qt::DropAction executeDrag(QDrag& drag) override {
        offeredFormats.push_back(drag.mimeData()->formats());
        return Qt::CopyAction;
    }
};

ClipboardHistoryIndexSnapshot entry(const std::string& id) {
    ClipboardHistoryIndexSnapshot item;
    item.id = id;
    item.preview = "entry " + id;
    item.createdAt = Date(1'700'000'000.0);
    return item;
}

ClipboardHistoryContentSnapshot textContent(const std::string& text) {
    ClipboardHistoryContentSnapshot content;
    content.content = text;
    return content;
}

class ClipboardResultListViewDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::widgetTestApplication();
        list.resize(300, 400);
        list.setItems({entry("a"), entry("b")}, false, true);
        list.callbacks.onRequestContent = [this](const std::string& id, auto reply) {
            requestedIds.push_back(id);
            pendingReplies.push_back(std::move(reply));
        };
        list.callbacks.onDragStarted = [this](const auto& item) { started.push_back(item.id); };
        list.callbacks.onDragEnded = [this](const auto& item, Qt::DropAction action) {
            ended.push_back(item.id);
            endActions.push_back(action);
        };
        list.show();
    }

    void send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, list.viewport()->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &event);
    }
    QPoint rowCentre(int row) { return list.rowRect(row).center(); }
    void pressRow(int row) { send(QEvent::MouseButtonPress, rowCentre(row), Qt::LeftButton); }
    void dragFromRow(int row) {
        send(QEvent::MouseMove, rowCentre(row) + QPoint(QApplication::startDragDistance() + 4, 0),
             Qt::LeftButton);
    }
    void releaseAt(int row) { send(QEvent::MouseButtonRelease, rowCentre(row), Qt::NoButton); }
    void reply(std::size_t index, std::optional<ClipboardHistoryContentSnapshot> content) {
        pendingReplies.at(index)(std::move(content));
    }

    // The list needs the application first.
    QApplication& application = testing::widgetTestApplication();
    RecordingDragList list;
    std::vector<std::string> requestedIds;
    std::vector<std::function<void(std::optional<ClipboardHistoryContentSnapshot>)>> pendingReplies;
    std::vector<std::string> started;
    std::vector<std::string> ended;
    std::vector<Qt::DropAction> endActions;
};

TEST_F(ClipboardResultListViewDragTest, ContentFetchedOnPressStartsTheDragAtOnce) {
    pressRow(1);
    ASSERT_EQ(requestedIds, std::vector<std::string>{"b"});
    reply(0, textContent("hello"));
    EXPECT_EQ(list.preparedDragContentId(), "b");

    dragFromRow(1);
    EXPECT_EQ(requestedIds.size(), 1u) << "the prepared content is used, not fetched again";
    ASSERT_EQ(list.offeredFormats.size(), 1u);
    EXPECT_TRUE(list.offeredFormats[0].contains("text/plain"));
    EXPECT_EQ(started, std::vector<std::string>{"b"});
    EXPECT_EQ(ended, std::vector<std::string>{"b"});
    EXPECT_EQ(endActions, std::vector<Qt::DropAction>{Qt::CopyAction});

    // A second press on the same entry keeps the prepared content.
    pressRow(1);
    EXPECT_EQ(requestedIds.size(), 1u);
    // An entry that leaves the list takes its prepared content along.
    list.setItems({entry("a")}, false, false);
    EXPECT_EQ(list.preparedDragContentId(), std::nullopt);
}

TEST_F(ClipboardResultListViewDragTest, ContentArrivingLateStartsTheDragOnlyWhileTheButtonIsHeld) {
    pressRow(0);
    dragFromRow(0);
    ASSERT_EQ(requestedIds.size(), 2u) << "the prefetch, then the drag's own request";
    reply(0, textContent("prefetched"));
    EXPECT_TRUE(list.offeredFormats.empty());
    reply(1, textContent("held"));
    EXPECT_EQ(list.offeredFormats.size(), 1u);

    pressRow(1);
    dragFromRow(1);
    releaseAt(1);
    reply(2, textContent("late"));
    reply(3, textContent("late"));
    EXPECT_EQ(list.offeredFormats.size(), 1u) << "no drag after the button went up";
    EXPECT_EQ(started, std::vector<std::string>{"a"});
}

TEST_F(ClipboardResultListViewDragTest, ContentForAnEntryNoLongerOnItsRowIsDropped) {
    pressRow(0);
    dragFromRow(0);
    list.setItems({entry("c"), entry("a")}, false, false);
    reply(1, textContent("stale"));
    EXPECT_TRUE(list.offeredFormats.empty());
    reply(0, std::nullopt);
    EXPECT_EQ(list.preparedDragContentId(), std::nullopt);
}

TEST(ClipboardDragMimeDataTest, TextOffersUtf8PlainTextAndItsRichFormsOnly) {
    testing::widgetTestApplication();
    ClipboardHistoryContentSnapshot content = textContent("grüße 你好");
    auto plain = makeDragMimeData(entry("t"), content, {});
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->data("text/plain;charset=utf-8"), QByteArray("grüße 你好"));
    EXPECT_EQ(plain->text(), QString::fromUtf8("grüße 你好"));
    EXPECT_FALSE(plain->hasHtml());
    EXPECT_FALSE(plain->hasFormat("text/rtf"));
    EXPECT_FALSE(plain->hasUrls());

    content.richTextHTMLData = Data{'<', 'b', '>', 'x', '<', '/', 'b', '>'};
    content.richTextRTFData = Data{'{', '\\', 'r', 't', 'f', '1', '}'};
    auto rich = makeDragMimeData(entry("t"), content, {});
    EXPECT_EQ(rich->data("text/html"), QByteArray("<b>x</b>"));
    EXPECT_EQ(rich->data("text/rtf"), QByteArray("{\\rtf1}"));
}

TEST(ClipboardDragMimeDataTest, ImagesAreOfferedAsAPrivateFileAndTheirBytes) {
    testing::widgetTestApplication();
    testing::TemporaryDirectory temporary;
    const auto folder = ensurePrivateDirectory(temporary / "drag");
    auto image = entry("E621E1F8-C36C-495A");
    image.contentType = ClipboardContentType::image;
    ClipboardHistoryContentSnapshot content;
    content.imageData = kPng;

    auto known = makeDragMimeData(image, content, folder);
    ASSERT_TRUE(known);
    ASSERT_EQ(known->urls().size(), 1);
    const std::filesystem::path file = known->urls()[0].toLocalFile().toStdString();
    EXPECT_EQ(file.parent_path(), folder);
    EXPECT_TRUE(file.filename().string().starts_with("Quorvane_E621E1F8-C36_"));
    EXPECT_EQ(file.extension(), ".png");
    EXPECT_EQ(known->data("image/png").size(), static_cast<qsizetype>(kPng.size()));

    // A picture in a format of no known signature (here PPM) goes out as PNG.
    content.imageData = Data{'P', '6', ' ', '1', ' ', '1', ' ', '2', '5', '5', '\n', 255, 0, 0};
    auto converted = makeDragMimeData(image, content, folder);
    ASSERT_TRUE(converted);
    EXPECT_EQ(std::filesystem::path(converted->urls()[0].toLocalFile().toStdString()).extension(), ".png");
    EXPECT_TRUE(converted->data("image/png").startsWith("\x89PNG"));

    content.imageData = Data{'n', 'o', 'p', 'e'};
    EXPECT_EQ(makeDragMimeData(image, content, folder), nullptr);
    content.imageData.reset();
    EXPECT_EQ(makeDragMimeData(image, content, folder), nullptr);
}

}  // namespace
}  // namespace quorvane

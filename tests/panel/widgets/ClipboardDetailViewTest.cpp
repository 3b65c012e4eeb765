#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "classification/formatting/SyntaxColorTheme.h"
#include "panel/support/PanelTestEntries.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "support/PictureBytes.h"
#include "ui/ElidedLabel.h"
#include "ui/UiColors.h"

namespace quorvane {
namespace {

using testing::detailEntry;
using testing::textContent;

class ClipboardDetailViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::widgetTestApplication();
        view = std::make_unique<ClipboardDetailView>();
        view->resize(500, 400);
        view->show();
        view->contentProvider = [this](const std::string& id, auto reply) {
            ++requests;
            const auto found = contents.find(id);
            reply(found == contents.end() ? std::nullopt : std::optional(found->second));
        };
    }

    QString shownText() const { return view->textView()->document()->toPlainText(); }

    // The formats of the character at `position` of the shown document.
    QTextCharFormat formatAt(int position) const {
        const QTextBlock block = view->textView()->document()->findBlock(position);
        for (const QTextLayout::FormatRange& range : block.textFormats()) {
            const int start = block.position() + range.start;
            if (position >= start && position < start + range.length) return range.format;
        }
        return {};
    }

    std::unique_ptr<ClipboardDetailView> view;
    std::map<std::string, ClipboardHistoryContentSnapshot> contents;
    int requests = 0;
};

TEST_F(ClipboardDetailViewTest, FormattedJsonIsShownWithColourRuns) {
    contents["j"] = textContent("j", R"({"name":"Ada","age":36})");
    view->showItem(detailEntry("j", " JSON "), "ada");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownText() == R"({"name":"Ada","age":36})"; }));
    // The highlight covers the query's match, ignoring case.
    const int match = shownText().indexOf("Ada");
    EXPECT_EQ(formatAt(match).background().color(), UiColors::accent(view->palette(), 0.28));

    view->formatButtonTapped();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownText().contains("\"name\" : \"Ada\""); }));
    EXPECT_TRUE(view->isFormatted());
    const bool dark = UiColors::isDark(view->palette());
    const QString shown = shownText();
    EXPECT_EQ(formatAt(shown.indexOf("\"name\"")).foreground().color(),
              UiColors::syntax(SyntaxColorTheme::json().property, dark));
    EXPECT_EQ(formatAt(shown.indexOf("36")).foreground().color(),
              UiColors::syntax(SyntaxColorTheme::json().number, dark));
    EXPECT_EQ(formatAt(shown.indexOf("Ada")).background().color(), UiColors::accent(view->palette(), 0.28));

    // A new query colours again in place, keeping the formatted form.
    view->showItem(detailEntry("j", " JSON "), "age");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return formatAt(shownText().indexOf("age")).background().style() != Qt::NoBrush; }));
    EXPECT_EQ(formatAt(shownText().indexOf("Ada")).background().style(), Qt::NoBrush);
    EXPECT_EQ(requests, 1);

    view->formatButtonTapped();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownText() == R"({"name":"Ada","age":36})"; }));
    EXPECT_FALSE(view->isFormatted());
}

// A picture far wider than any screen is decoded at most a screen wide, keeping its shape; a small one keeps
// its own pixels.
TEST_F(ClipboardDetailViewTest, PicturesAreDecodedNoWiderThanTheyCanBeShown) {
    const auto png = testing::pngBytes;
    const int widest = testing::widestScreenInDevicePixels();
    ASSERT_GT(widest, 0);

    for (const auto& [width, height] :
         {std::pair{widest * 4, 400}, std::pair{widest * 8, 1}, std::pair{30, 20}}) {
        const std::string id = "picture " + std::to_string(width);
        ClipboardHistoryIndexSnapshot item = detailEntry(id);
        item.contentType = ClipboardContentType::image;
        ClipboardHistoryContentSnapshot content;
        content.id = id;
        content.imageData = png(width, height);
        contents[id] = content;
        view->showItem(detailEntry("missing"), "");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view->shownImagePixels().isValid(); }));
        view->showItem(item, "");
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->shownImagePixels().isValid(); }, 10000));
        const QSize shown = view->shownImagePixels();
        const int expectedWidth = std::min(width, widest);
        EXPECT_EQ(shown.width(), expectedWidth) << width << "x" << height;
        EXPECT_EQ(shown.height(), std::max(1, static_cast<int>(double(height) * expectedWidth / width + 0.5)))
            << width << "x" << height;
    }
}

TEST_F(ClipboardDetailViewTest, MissingContentShowsTheFailureAndUnknownFormatsStayPlain) {
    view->showItem(detailEntry("gone"), "");
    EXPECT_EQ(shownText(), "Failed to load content");

    contents["m"] = textContent("m", "# title");
    view->showItem(detailEntry("m", "markdown"), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownText() == "# title"; }));
    view->formatButtonTapped();
    EXPECT_FALSE(view->isFormatted());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return view->metadataLabel()->fullText().contains("markdown · TXT - 7 bytes"); }));
}

TEST_F(ClipboardDetailViewTest, ANarrowPaneEndsTheMetadataLineInAnEllipsisAndAWideOneShowsItWhole) {
    contents["m"] = textContent("m", "# title");
    view->showItem(detailEntry("m", "markdown"), "");
    view->resize(600, 300);
    view->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->metadataLabel()->fullText().contains("7 bytes"); }));
    const QString whole = view->metadataLabel()->fullText();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->metadataLabel()->text() == whole; }));

    view->resize(110, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->metadataLabel()->text() != whole; }));
    const QString shown = view->metadataLabel()->text();
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    // The start of the line stays; only its end gives way.
    EXPECT_TRUE(whole.startsWith(shown.chopped(1))) << shown.toStdString() << " of " << whole.toStdString();
    QLabel* label = view->metadataLabel();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
    EXPECT_LE(label->width(), view->width());

    view->resize(600, 300);
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->metadataLabel()->text() == whole; }));
    view->hide();
}

TEST_F(ClipboardDetailViewTest, LongLinesAreCutForDisplayButCopiedWhole) {
    std::string line;
    for (int i = 0; i < 2000; ++i) line += "word" + std::to_string(i) + " ";
    contents["l"] = textContent("l", line);
    view->showItem(detailEntry("l"), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->textView()->document()->blockCount() > 1; }));
    EXPECT_TRUE(view->selectAllText());
    EXPECT_EQ(view->selectedText().toStdString(), line);
}

// Each new query colours a fresh document built on the worker, and the worker frees the one it replaces while
// the view goes on at once: the selection and the text survive every swap, and nothing of the old document is
// left to the view (a cursor kept on it across the swap corrupted the heap when the worker freed it).
TEST_F(ClipboardDetailViewTest, RecolouringForEveryQueryKeepsTheSelectionWhileOldDocumentsAreFreed) {
    std::string content;
    for (int i = 0; i < 1500; ++i) content += "line " + std::to_string(i) + " alpha beta gamma\n";
    contents["r"] = textContent("r", content);
    view->showItem(detailEntry("r"), "alpha");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownText().startsWith("line 0 alpha"); }, 10000));
    QTextCursor selection(view->textView()->document());
    selection.setPosition(7);
    selection.setPosition(12, QTextCursor::KeepAnchor);
    view->textView()->setTextCursor(selection);
    selection = QTextCursor();

    const std::vector<std::string> queries{"beta", "gamma", "line", "alpha"};
    for (int round = 0; round < 120; ++round) {
        const std::string& query = queries[round % queries.size()];
        QTextDocument* before = view->textView()->document();
        view->showItem(detailEntry("r"), query);
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->textView()->document() != before; }, 10000))
            << "round " << round;
        const QTextCursor kept = view->textView()->textCursor();
        ASSERT_EQ(kept.anchor(), 7) << "round " << round;
        ASSERT_EQ(kept.position(), 12) << "round " << round;
        const int match = shownText().indexOf(QString::fromStdString(query));
        ASSERT_GE(match, 0);
        EXPECT_EQ(formatAt(match).background().color(), UiColors::accent(view->palette(), 0.28))
            << "round " << round;
    }
    EXPECT_EQ(view->selectedText(), "alpha");
}

}  // namespace
}  // namespace quorvane

// The panel views on a real X display, arranged as the centred panel arranges them, photographed in light
// and dark palettes, in English and Chinese. The pictures land in the build folder ("screenshots/") for
// review; the test checks that each state came up as intended before it takes the picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTextDocument>
#include <QVBoxLayout>

#include "desktop/DesktopSession.h"
#include "desktop/RenderedImages.h"
#include "desktop/ScreenshotTest.h"
#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "panel/model/ClipboardSearchAutoCompleteManager.h"
#include "panel/widgets/ClipboardAppIconProvider.h"
#include "panel/widgets/ClipboardDetailView.h"
#include "panel/widgets/ClipboardFooterTipButton.h"
#include "panel/widgets/ClipboardResultListView.h"
#include "panel/widgets/ClipboardSearchRowView.h"
#include "panel/widgets/ClipboardTextField.h"
#include "panel/widgets/CustomSplitView.h"
#include "panel/widgets/DraggableBackgroundView.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "search/ClipboardSearchQueryParser.h"
#include "support/QtTestApplication.h"
#include "ui/ElidedLabel.h"
#include "ui/KeyGlyphText.h"
#include "ui/UiColors.h"
namespace quorvane {
namespace {

using testing::DesktopSession;

QByteArray pngPicture() {
    const Data png = testing::gradientPicture({360, 200}, QColor(255, 149, 0), QColor(175, 82, 222),
                                              "Quorvane", QFont("DejaVu Sans", 28, QFont::Bold));
    return QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size()));
}

struct Entry {
    ClipboardHistoryIndexSnapshot index;
    ClipboardHistoryContentSnapshot content;
};

std::vector<Entry> sampleEntries(double now) {
    std::vector<Entry> entries;
    const auto add = [&](std::string id, std::string text, double ago,
                         std::optional<std::string> classification,
                         ClipboardContentType type = ClipboardContentType::text) {
        Entry entry;
        entry.index.id = id;
        entry.index.preview = text.substr(0, 120);
        entry.index.createdAt = Date(now - ago);
        entry.index.contentType = type;
        entry.index.classification = classification;
        entry.index.accessCount = 2;
        entry.index.lastAccessedAt = Date(now - ago / 2);
        entry.content.id = id;
        entry.content.content = text;
        entries.push_back(entry);
    };
    add("json",
        R"({"name":"Quorvane","version":"0.1.0","features":["search","pinyin","chips"],"stable":false,"size":42})",
        120, "JSON");
    add("url", "https://example.com/releases/quorvane", 30, "URL");
    add("zh", "北京的天气很好，今天适合出去走走。", 4000, std::nullopt);
    add("img", "Image 360 × 200", 90000, std::nullopt, ClipboardContentType::image);
    add("sql", "SELECT id, name FROM users WHERE active = 1 ORDER BY name", 200000, "SQL");
    add("note", "Meeting notes: ship the panel views, then review the floating panel placement.", 700000,
        std::nullopt);
    const QByteArray png = pngPicture();
    entries[3].content.imageData = std::vector<std::uint8_t>(png.begin(), png.end());
    entries[3].content.content = "";
    return entries;
}

// The centred panel's arrangement of the views, without its window logic.
class PanelPreview : public QWidget {
public:
    PanelPreview(const ClipboardSearchAutoCompleteManager& manager, const UserDefaults& defaults,
                 std::vector<Entry> entries)
        : entries_(std::move(entries)), icons_(nullptr) {
        setFixedSize(780, 460);
        setAttribute(Qt::WA_TranslucentBackground);
        background_ = new DraggableBackgroundView(this);
        background_->setGeometry(rect());
        auto* column = new QVBoxLayout(background_);
        column->setContentsMargins(0, 4, 0, 0);
        column->setSpacing(0);
        searchRow_ = new ClipboardSearchRowView(manager, defaults, background_);
        searchRow_->setFixedHeight(40);
        column->addWidget(searchRow_);
        column->addWidget(separator());
        split_ = new CustomSplitView(background_);
        list_ = new ClipboardResultListView(ClipboardResultListMode::normal,
                                            ClipboardResultListRowStyle::standard, &icons_, split_);
        detail_ = new ClipboardDetailView(split_);
        split_->addWidget(list_);
        split_->addWidget(detail_);
        split_->setSizes({250, 514});
        auto* splitRow = new QHBoxLayout;
        splitRow->setContentsMargins(8, 0, 8, 0);
        splitRow->addWidget(split_);
        column->addLayout(splitRow, 1);
        column->addWidget(separator());
        auto* footer = new QHBoxLayout;
        footer->setContentsMargins(14, 6, 10, 6);
        footer->addStretch(1);
        primaryTip_ = new ClipboardFooterTipButton(background_);
        secondaryTip_ = new ClipboardFooterTipButton(background_);
        secondaryTip_->imageVerticalOffset = 0;
        footer->addWidget(primaryTip_);
        footer->addSpacing(6);
        footer->addWidget(secondaryTip_);
        column->addLayout(footer);

        list_->setStyleSheet(QStringLiteral("QAbstractScrollArea { background: transparent; }"));
        detail_->contentProvider = [this](const std::string& id, auto reply) {
            for (const Entry& entry : entries_) {
                if (entry.index.id == id) return reply(entry.content);
            }
            reply(std::nullopt);
        };
        list_->callbacks.onItemSelected = [this](const ClipboardHistoryIndexSnapshot& item) {
            detail_->showItem(item, query_);
        };
        setNormalFooter();
    }

    void setNormalFooter() {
        primaryTip_->setSymbol(UiSymbol::returnKey);
        primaryTip_->setText(QString::fromStdString(L10n::text(L10nKey::panelCopyAndReturnTip)));
        secondaryTip_->setSymbol(std::nullopt);
        secondaryTip_->setKeyText(KeyGlyphText::commandCombination(QStringLiteral("K")));
        secondaryTip_->setText(QString::fromStdString(L10n::text(L10nKey::panelOpenActionsTip)));
    }

    void setSuggestionFooter() {
        primaryTip_->setText(QString::fromStdString(L10n::text(L10nKey::panelApplyFilterTip)));
        secondaryTip_->setKeyText(QString());
        secondaryTip_->setText(QString::fromStdString(L10n::text(L10nKey::panelEscCancelTip)));
    }

    std::vector<ClipboardHistoryIndexSnapshot> indexes() const {
        std::vector<ClipboardHistoryIndexSnapshot> result;
        for (const Entry& entry : entries_) result.push_back(entry.index);
        return result;
    }

    QWidget* separator() {
        auto* line = new QFrame(background_);
        line->setFixedHeight(1);
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, UiColors::separator(this->palette()));
        line->setPalette(palette);
        auto* holder = new QWidget(background_);
        auto* layout = new QHBoxLayout(holder);
        layout->setContentsMargins(8, 2, 8, 0);
        layout->addWidget(line);
        return holder;
    }

    std::vector<Entry> entries_;
    std::string query_;
    ClipboardAppIconProvider icons_;
    DraggableBackgroundView* background_;
    ClipboardSearchRowView* searchRow_;
    CustomSplitView* split_;
    ClipboardResultListView* list_;
    ClipboardDetailView* detail_;
    ClipboardFooterTipButton* primaryTip_;
    ClipboardFooterTipButton* secondaryTip_;
};

class PanelViewsScreenshotTest : public testing::ScreenshotTest {
protected:
    PanelViewsScreenshotTest() : ScreenshotTest("panel") {}
};

TEST_P(PanelViewsScreenshotTest, HistoryWithFormattedDetailAndChip) {
    const double now = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    ClipboardSearchAutoCompleteManager manager(defaults, nullptr);
    PanelPreview preview(manager, defaults, sampleEntries(now));
    preview.show();
    preview.query_ = "quorvane";
    preview.searchRow_->searchField()->replaceText("type:json quorvane");
    preview.searchRow_->setFilters(
        ClipboardSearchQueryParser::parse("type:json quorvane", defaults).explicitFilters);
    preview.list_->setItems(preview.indexes(), true, true);
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return preview.detail_->textView()->document()->toPlainText().contains("Quorvane"); }));
    preview.detail_->formatButtonTapped();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return preview.detail_->textView()->document()->toPlainText().contains("\"name\" : \"Quorvane\"") &&
               preview.detail_->metadataLabel()->fullText().contains("JSON ·");
    }));
    save(preview, "history");
}

TEST_P(PanelViewsScreenshotTest, FilterSuggestionsWithGhostCompletion) {
    ClipboardSearchAutoCompleteManager manager(defaults, nullptr);
    PanelPreview preview(manager, defaults, sampleEntries(QDateTime::currentMSecsSinceEpoch() / 1000.0));
    preview.show();
    preview.activateWindow();
    preview.searchRow_->searchField()->setFocus();
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    for (const QChar c : QStringLiteral("type:te")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(preview.searchRow_->searchField(), &press);
    }
    ASSERT_EQ(preview.searchRow_->searchField()->ghostSuffix(), "xt");
    preview.list_->setFilterSuggestions(ClipboardSearchQueryParser::filterSuggestions("", defaults));
    preview.list_->moveFilterSuggestionSelection(false);
    preview.setSuggestionFooter();
    preview.detail_->showEmptyState();
    DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    save(preview, "suggestions");
}

TEST_P(PanelViewsScreenshotTest, ImageEntryWithMetadata) {
    ClipboardSearchAutoCompleteManager manager(defaults, nullptr);
    PanelPreview preview(manager, defaults, sampleEntries(QDateTime::currentMSecsSinceEpoch() / 1000.0));
    preview.show();
    preview.list_->setItems(preview.indexes(), false, true);
    preview.list_->selectItem(3, ClipboardResultListSelectionSource::programmatic);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return preview.detail_->isShowingImage() &&
               preview.detail_->metadataLabel()->fullText().contains("360x200");
    }));
    save(preview, "image");
}

// Back on a picture shown before: its content is at hand, but until it is drawn again the pane says so
// instead of keeping the text entry it showed last.
TEST_P(PanelViewsScreenshotTest, ImageEntryWhileItLoadsAgain) {
    ClipboardSearchAutoCompleteManager manager(defaults, nullptr);
    PanelPreview preview(manager, defaults, sampleEntries(QDateTime::currentMSecsSinceEpoch() / 1000.0));
    preview.show();
    preview.list_->setItems(preview.indexes(), false, true);
    preview.list_->selectItem(3, ClipboardResultListSelectionSource::programmatic);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return preview.detail_->isShowingImage(); }));
    preview.list_->selectItem(2, ClipboardResultListSelectionSource::programmatic);
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return preview.detail_->textView()->document()->toPlainText().contains("北京"); }));

    preview.list_->selectItem(3, ClipboardResultListSelectionSource::programmatic);
    EXPECT_FALSE(preview.detail_->isShowingImage());
    EXPECT_EQ(preview.detail_->textView()->document()->toPlainText().toStdString(),
              L10n::text(L10nKey::detailLoading));
    save(preview, "image-loading");
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return preview.detail_->isShowingImage(); }));
}

INSTANTIATE_TEST_SUITE_P(Appearances, PanelViewsScreenshotTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane

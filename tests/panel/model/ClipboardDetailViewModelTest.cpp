#include <gtest/gtest.h>

#include <map>

#include "panel/model/ClipboardDetailViewModel.h"
#include "panel/support/PanelTestEntries.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/ManualJobQueue.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

// A document is the prepared text it was built from; each counts itself while it lives.
struct RecordedDocument final : ClipboardDetailDrawnContent {
    RecordedDocument(ClipboardDetailPreparedText text, int& live) : prepared(std::move(text)), live(live) {
        ++live;
    }
    ~RecordedDocument() override { --live; }
    ClipboardDetailPreparedText prepared;
    int& live;
};

struct RecordedPicture final : ClipboardDetailDrawnContent {
    explicit RecordedPicture(std::span<const std::uint8_t> from) : bytes(from.begin(), from.end()) {}
    std::vector<std::uint8_t> bytes;
};

// Draws into plain values, handing replaced documents back to the model as the view does.
class RecordingDrawing final : public ClipboardDetailDrawing {
public:
    void showMessage(const std::string& text) override {
        replaceDocument(nullptr);
        message = text;
        screen = "message";
    }
    void showDocument(std::unique_ptr<ClipboardDetailDrawnContent> built, bool keepPosition) override {
        replaceDocument(std::move(built));
        ++documentsShown;
        keptPosition = keepPosition;
        screen = "document";
    }
    void showPicture(const ClipboardDetailDrawnContent& picture) override {
        pictureBytes = static_cast<const RecordedPicture&>(picture).bytes;
        screen = "picture";
    }
    void showPlaceholder(const std::string& text) override {
        placeholder = text;
        metadata.clear();
        screen = "placeholder";
    }
    void showMetadataLine(const std::string& text) override { metadata = text; }

    DocumentBuilder makeDocumentBuilder() override {
        return [this](const ClipboardDetailPreparedText& prepared) {
            ++builds;
            return std::make_unique<RecordedDocument>(prepared, liveDocuments);
        };
    }
    PictureDecoder makePictureDecoder() override {
        return [this](std::span<const std::uint8_t> bytes) -> std::unique_ptr<ClipboardDetailDrawnContent> {
            if (!decodable) return nullptr;
            return std::make_unique<RecordedPicture>(bytes);
        };
    }
    PixelSizeReader makePixelSizeReader() override {
        return [](std::span<const std::uint8_t>) { return std::optional(ImagePixelSize{640, 480}); };
    }

    // The text of the document on screen; empty when none is.
    std::u16string shownText() const {
        return document ? static_cast<const RecordedDocument&>(*document).prepared.displayText
                        : std::u16string();
    }
    const ClipboardDetailPreparedText* shownPrepared() const {
        return document ? &static_cast<const RecordedDocument&>(*document).prepared : nullptr;
    }

    ClipboardDetailViewModel* model = nullptr;
    std::unique_ptr<ClipboardDetailDrawnContent> document;
    std::string screen;
    std::string message;
    std::string placeholder;
    std::string metadata;
    std::vector<std::uint8_t> pictureBytes;
    bool keptPosition = false;
    bool decodable = true;
    int builds = 0;
    int documentsShown = 0;
    int liveDocuments = 0;

private:
    void replaceDocument(std::unique_ptr<ClipboardDetailDrawnContent> next) {
        if (document) model->freeOnWorker(std::move(document));
        document = std::move(next);
    }
};

using testing::detailEntry;
using testing::textContent;

class ClipboardDetailViewModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto render = std::make_unique<ManualJobQueue>();
        auto metadata = std::make_unique<ManualJobQueue>();
        renderQueue = render.get();
        metadataQueue = metadata.get();
        model = std::make_unique<ClipboardDetailViewModel>(drawing, loop, clock, std::move(render),
                                                           std::move(metadata));
        drawing.model = model.get();
        model->contentProvider = [this](const std::string& id, auto reply) {
            ++requests;
            const auto found = contents.find(id);
            if (answerAtOnce) {
                reply(found == contents.end() ? std::nullopt : std::optional(found->second));
            } else {
                pending = reply;
            }
        };
        model->showEmptyState();
    }

    // Runs the workers and the main queue until nothing is left, as the real threads would.
    void settle() {
        while (renderQueue->runUntilIdle() + metadataQueue->runUntilIdle() + loop.runUntilIdle() > 0) {
        }
    }

    // The highlighted stretches of the shown document, as text.
    std::vector<std::u16string> highlighted() const {
        std::vector<std::u16string> words;
        if (const auto* prepared = drawing.shownPrepared()) {
            for (const auto& span : prepared->highlights) {
                words.push_back(prepared->displayText.substr(span.start, span.length));
            }
        }
        return words;
    }

    FakeClock clock{Date(1'700'000'300.0)};
    ManualRunLoop loop{clock};
    RecordingDrawing drawing;
    ManualJobQueue* renderQueue = nullptr;
    ManualJobQueue* metadataQueue = nullptr;
    std::unique_ptr<ClipboardDetailViewModel> model;
    std::map<std::string, ClipboardHistoryContentSnapshot> contents;
    bool answerAtOnce = true;
    int requests = 0;
    std::function<void(std::optional<ClipboardHistoryContentSnapshot>)> pending;
};

TEST_F(ClipboardDetailViewModelTest, PlaceholderStaysWhenALateLoadArrives) {
    contents["a"] = textContent("a", "late text");
    answerAtOnce = false;
    model->showItem(detailEntry("a"), "");
    EXPECT_EQ(drawing.message, "Loading...");
    model->showEmptyState();
    ASSERT_TRUE(pending);
    pending(contents["a"]);
    settle();
    EXPECT_EQ(drawing.screen, "placeholder");
    EXPECT_EQ(drawing.placeholder, "Select a clipboard item");
    EXPECT_EQ(drawing.metadata, "");
    EXPECT_EQ(drawing.builds, 0);
}

// The worker may fall behind the keys: only the entry selected last reaches the screen, and the documents
// built for the others are freed unused.
TEST_F(ClipboardDetailViewModelTest, OnlyTheNewestEntryIsDrawnWhenTheWorkerFallsBehind) {
    contents["a"] = textContent("a", "first");
    contents["b"] = textContent("b", "second");
    model->showItem(detailEntry("a"), "");
    model->showItem(detailEntry("b"), "");
    EXPECT_EQ(drawing.screen, "message") << "nothing is drawn before the worker ran";
    settle();
    EXPECT_EQ(drawing.shownText(), u"second");
    EXPECT_EQ(drawing.documentsShown, 1);
    EXPECT_EQ(model->currentDisplayedItemId(), "b");
    EXPECT_EQ(drawing.liveDocuments, 1);

    // Back to the first entry: its content comes from the cache.
    model->showItem(detailEntry("a"), "");
    settle();
    EXPECT_EQ(drawing.shownText(), u"first");
    EXPECT_EQ(requests, 2);
}

TEST_F(ClipboardDetailViewModelTest, ANewQueryHighlightsTheSameEntryAgainInPlace) {
    contents["a"] = textContent("a", "alpha beta alpha");
    model->showItem(detailEntry("a"), "alpha");
    settle();
    EXPECT_EQ(highlighted(), (std::vector<std::u16string>{u"alpha", u"alpha"}));
    EXPECT_FALSE(drawing.keptPosition);

    model->showItem(detailEntry("a"), " beta\n");
    settle();
    EXPECT_EQ(highlighted(), std::vector<std::u16string>{u"beta"});
    EXPECT_TRUE(drawing.keptPosition) << "the selection and scroll position stay";
    EXPECT_EQ(requests, 1);
}

// The query changes while the formatting runs: the formatted form is coloured again with the query typed
// last, and switching back shows the stored text again.
TEST_F(ClipboardDetailViewModelTest, FormattingFollowsAQueryThatMovedOnMeanwhile) {
    contents["j"] = textContent("j", R"({"name":"Ada","age":36})");
    model->showItem(detailEntry("j", " JSON "), "ada");
    settle();
    model->formatButtonTapped();
    EXPECT_TRUE(model->isFormatted());
    model->showItem(detailEntry("j", " JSON "), "age");
    settle();
    EXPECT_TRUE(model->isFormatted());
    ASSERT_TRUE(model->formattedPlainText());
    EXPECT_EQ(drawing.shownText(), utf16FromUtf8(*model->formattedPlainText()));
    EXPECT_NE(drawing.shownText().find(u"\"name\" : \"Ada\""), std::u16string::npos);
    EXPECT_EQ(highlighted(), std::vector<std::u16string>{u"age"});
    EXPECT_FALSE(drawing.shownPrepared()->colorRuns.empty());

    model->formatButtonTapped();
    settle();
    EXPECT_FALSE(model->isFormatted());
    EXPECT_FALSE(model->formattedPlainText());
    EXPECT_EQ(drawing.shownText(), u"{\"name\":\"Ada\",\"age\":36}");
}

TEST_F(ClipboardDetailViewModelTest, TextThatDoesNotParseStaysPlainAndAStaleFormattingIsDropped) {
    contents["j"] = textContent("j", R"({"name": )");
    model->showItem(detailEntry("j", "json"), "");
    settle();
    model->formatButtonTapped();
    settle();
    EXPECT_FALSE(model->isFormatted());
    EXPECT_EQ(drawing.shownText(), u"{\"name\": ");

    // A formatting still running when the pane moves on never replaces the new entry.
    contents["k"] = textContent("k", R"({"b":1})");
    contents["other"] = textContent("other", "other text");
    model->showItem(detailEntry("k", "json"), "");
    settle();
    model->formatButtonTapped();
    model->showItem(detailEntry("other"), "");
    settle();
    EXPECT_FALSE(model->isFormatted());
    EXPECT_EQ(drawing.shownText(), u"other text");
}

TEST_F(ClipboardDetailViewModelTest, APictureThatDoesNotDecodeShowsTheEntrysText) {
    ClipboardHistoryIndexSnapshot picture = detailEntry("p");
    picture.contentType = ClipboardContentType::image;
    ClipboardHistoryContentSnapshot content = textContent("p", "Image (640 x 480)");
    content.imageData = std::vector<std::uint8_t>{1, 2, 3};
    contents["p"] = content;

    drawing.decodable = false;
    model->showItem(picture, "");
    settle();
    EXPECT_EQ(drawing.screen, "document");
    EXPECT_EQ(drawing.shownText(), u"Image (640 x 480)");

    drawing.decodable = true;
    model->showEmptyState();
    model->showItem(picture, "");
    settle();
    EXPECT_EQ(drawing.screen, "picture");
    EXPECT_EQ(model->shownPreparedText(), nullptr);
    const int builds = drawing.builds;
    // A picture has no text to highlight, nor colours to follow.
    model->showItem(picture, "image");
    model->coloursChanged();
    settle();
    EXPECT_EQ(drawing.screen, "picture");
    EXPECT_EQ(drawing.builds, builds);
    EXPECT_NE(drawing.metadata.find("640"), std::string::npos) << drawing.metadata;
}

// Contents come from the cache at once but are drawn on the worker: until then the pane says "Loading...",
// never the previous entry's picture or text under the new entry's line.
TEST_F(ClipboardDetailViewModelTest, ACachedEntryShowsLoadingUntilItsOwnContentIsDrawn) {
    const auto picture = [&](const std::string& id, std::uint8_t byte) {
        ClipboardHistoryContentSnapshot content = textContent(id, "Image " + id);
        content.imageData = std::vector<std::uint8_t>{byte, byte};
        contents[id] = content;
        ClipboardHistoryIndexSnapshot entry = detailEntry(id);
        entry.contentType = ClipboardContentType::image;
        entry.createdAt = Date(1'700'000'000.0 - byte * 3600.0);
        return entry;
    };
    const auto first = picture("p", 1);
    const auto second = picture("q", 2);
    contents["t"] = textContent("t", "some text");
    for (const auto& entry : {first, second, detailEntry("t")}) {
        model->showItem(entry, "");
        settle();
    }
    EXPECT_EQ(drawing.shownText(), u"some text");

    for (const auto& [entry, byte] : {std::pair{first, 1}, {second, 2}, {first, 1}}) {
        model->showItem(entry, "");
        const std::string line = drawing.metadata;
        EXPECT_EQ(drawing.screen, "message") << entry.id;
        EXPECT_EQ(drawing.message, "Loading...");
        EXPECT_EQ(drawing.shownText(), u"") << "nothing of the entry shown before stays";
        // A query typed meanwhile changes nothing for a picture.
        model->showItem(entry, "image");
        EXPECT_EQ(drawing.screen, "message");
        settle();
        EXPECT_EQ(drawing.screen, "picture") << entry.id;
        EXPECT_EQ(drawing.pictureBytes, (std::vector<std::uint8_t>(2, std::uint8_t(byte))));
        EXPECT_EQ(drawing.metadata.substr(0, line.size()), line);
    }
    EXPECT_EQ(requests, 3) << "all came from the cache";

    // A text that is still on its way is built for the query typed meanwhile.
    model->showItem(detailEntry("t"), "");
    EXPECT_EQ(drawing.message, "Loading...");
    model->showItem(detailEntry("t"), "text");
    settle();
    EXPECT_EQ(drawing.shownText(), u"some text");
    EXPECT_EQ(highlighted(), std::vector<std::u16string>{u"text"});
}

// The label shows the entry's age at once; the rest of the line follows from the metadata queue, unless
// another entry was selected meanwhile.
TEST_F(ClipboardDetailViewModelTest, TheMetadataLineFollowsOnlyForTheEntryStillShown) {
    contents["m"] = textContent("m", "# title");
    contents["n"] = textContent("n", "other");
    model->showItem(detailEntry("m", "markdown"), "");
    const std::string age = drawing.metadata;
    EXPECT_FALSE(age.empty());
    renderQueue->runUntilIdle();
    loop.runUntilIdle();
    EXPECT_EQ(drawing.metadata, age) << "composed on its own queue";
    metadataQueue->runUntilIdle();
    loop.runUntilIdle();
    EXPECT_NE(drawing.metadata.find("markdown · TXT - 7 bytes"), std::string::npos) << drawing.metadata;

    model->showItem(detailEntry("m", "markdown"), "");
    model->showItem(detailEntry("n"), "");
    clock.advance(3600);
    settle();
    EXPECT_EQ(drawing.metadata.find("markdown"), std::string::npos) << drawing.metadata;
    EXPECT_NE(drawing.metadata.find("5 bytes"), std::string::npos) << drawing.metadata;
    EXPECT_NE(drawing.metadata, age) << "the age is counted on the model's clock";
}

TEST_F(ClipboardDetailViewModelTest, ReplacedDocumentsAreFreedOnTheRenderQueue) {
    contents["a"] = textContent("a", "alpha beta");
    model->showItem(detailEntry("a"), "alpha");
    settle();
    model->showItem(detailEntry("a"), "beta");
    renderQueue->runUntilIdle();
    loop.runUntilIdle();
    EXPECT_EQ(drawing.liveDocuments, 2) << "the replaced document waits for the render queue";
    EXPECT_EQ(renderQueue->pendingCount(), 1u);
    renderQueue->runUntilIdle();
    EXPECT_EQ(drawing.liveDocuments, 1);
}

TEST_F(ClipboardDetailViewModelTest, ResultsArrivingAfterTheModelWentAreDroppedAndFreed) {
    contents["a"] = textContent("a", "text");
    model->showItem(detailEntry("a"), "");
    renderQueue->runUntilIdle();
    ASSERT_EQ(drawing.liveDocuments, 1) << "built, on its way to the main queue";
    drawing.screen.clear();
    drawing.model = nullptr;
    model.reset();
    loop.runUntilIdle();
    EXPECT_EQ(drawing.screen, "");
    EXPECT_EQ(drawing.liveDocuments, 0);
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "base/PrivateDirectory.h"
#include "panel/model/ClipboardItemActions.h"
#include "panel/support/ItemActionDoubles.h"
#include "panel/support/PanelViewModelFixture.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using testing::imageEntry;
using testing::textEntry;

const Data kPng{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
const Data kJpeg{0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1};
const Data kWebp{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P', 1, 2};
const Data kUnknown{'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};

std::string fileContents(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

mode_t permissions(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

ClipboardHistoryContentSnapshot textContent(const std::string& id, const std::string& text) {
    ClipboardHistoryContentSnapshot content;
    content.id = id;
    content.content = text;
    return content;
}

ClipboardHistoryContentSnapshot imageContent(const std::string& id, std::optional<Data> data) {
    ClipboardHistoryContentSnapshot content;
    content.id = id;
    content.imageData = std::move(data);
    return content;
}

class ClipboardItemActionsTest : public testing::PanelViewModelFixture {
protected:
    ClipboardItemActionsTest() {
        history->contents["t1"] = textContent("t1", "stored text");
        history->contents["png"] = imageContent("png", kPng);
        history->contents["jpeg"] = imageContent("jpeg", kJpeg);
        history->contents["odd"] = imageContent("odd", kUnknown);
        history->contents["webp"] = imageContent("webp", kWebp);
        history->contents["bare"] = imageContent("bare", std::nullopt);
    }

    std::unique_ptr<ClipboardItemActions> makeActions() {
        return std::make_unique<ClipboardItemActions>(ClipboardItemActions::Dependencies{
            *viewModel,
            workspace,
            [this](const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot& content,
                   PinCopyHandler copy) -> PinWindowPresenting* {
                pinnedEntries.push_back(entry);
                pinnedContents.push_back(content);
                pinCopyHandler = std::move(copy);
                return &pinWindow;
            },
            [this](const Data& data) { ocrImages.push_back(data); },
            {},
            [this] { return privateFolder; }});
    }
    // A panel like the centred one: its formatted text is known without the content.
    ClipboardItemActionOrigin makeOrigin(std::string category = "ClipboardPanelController") {
        return ClipboardItemActionOrigin{
            std::move(category),
            [this] { ++hideCount; },
            [this](const ClipboardHistoryIndexSnapshot& entry,
                   const ClipboardHistoryContentSnapshot*) -> std::optional<std::string> {
                if (entry.id == formattedId) return formatted;
                return std::nullopt;
            },
            &alerts,
            &savePanel,
            panelLifetime};
    }

    testing::TemporaryDirectory temporary;
    std::filesystem::path privateFolder = ensurePrivateDirectory(temporary / "private");
    RecordingWorkspaceOpener workspace;
    testing::FakeSavePanelPresenter savePanel;
    FakeAlertPresenter alerts;
    testing::FakePinWindow pinWindow;
    std::vector<ClipboardHistoryIndexSnapshot> pinnedEntries;
    std::vector<ClipboardHistoryContentSnapshot> pinnedContents;
    PinCopyHandler pinCopyHandler;
    std::vector<Data> ocrImages;
    int hideCount = 0;
    std::string formattedId;
    std::string formatted;
    testing::LogCapture log;
    std::shared_ptr<char> panelLifetime = std::make_shared<char>();
    ClipboardItemActionOrigin origin = makeOrigin();
    std::unique_ptr<ClipboardItemActions> actions = makeActions();
};

TEST_F(ClipboardItemActionsTest, OpeningTextWritesAPrivateFileNamedAfterTheEntryAndOpensIt) {
    actions->openWithDefaultApp(origin, textEntry("t1"));
    EXPECT_EQ(hideCount, 0) << "the panel stays until the content is there";
    loop.runUntilIdle();

    const auto file = privateFolder / "Quorvane_t1.txt";
    EXPECT_EQ(fileContents(file), "stored text");
    EXPECT_EQ(permissions(file), 0600u);
    EXPECT_EQ(workspace.openedFiles, std::vector<std::filesystem::path>{file});
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(
        log.contains("INFO", "[ClipboardPanelController] Opened text with default app: " + file.string()));
    // Opening again replaces the file rather than failing on it.
    history->contents["t1"].content = "changed";
    actions->openWithDefaultApp(origin, textEntry("t1"));
    loop.runUntilIdle();
    EXPECT_EQ(fileContents(file), "changed");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(privateFolder), {}), 1);
}

TEST_F(ClipboardItemActionsTest, AnEntryNoApplicationOpensIsLoggedAndToldInAnAlert) {
    workspace.succeeds = false;
    actions->openWithDefaultApp(origin, textEntry("t1"));
    loop.runUntilIdle();
    const auto file = privateFolder / "Quorvane_t1.txt";
    EXPECT_EQ(workspace.openedFiles, std::vector<std::filesystem::path>{file});
    EXPECT_TRUE(log.contains("WARNING", "Cannot open with default app"));
    EXPECT_FALSE(log.contains("INFO", "Opened text with default app")) << "no success is claimed";
    ASSERT_EQ(alerts.presented.size(), 1u);
    EXPECT_EQ(alerts.presented[0].messageText, "Cannot Open Entry");

    // A file that cannot even be written is told the same way; an image that opens is not.
    log.clear();
    actions->openWithDefaultApp(origin, imageEntry("bare"));
    loop.runUntilIdle();
    EXPECT_TRUE(log.contains("WARNING", "No image data available"));
    EXPECT_EQ(alerts.presented.size(), 2u);
    workspace.succeeds = true;
    actions->openWithDefaultApp(origin, imageEntry("png"));
    loop.runUntilIdle();
    EXPECT_EQ(alerts.presented.size(), 2u);
    EXPECT_TRUE(log.contains("INFO", "Opened image with default app: "));
}

TEST_F(ClipboardItemActionsTest, TheFormattedTextOfTheDetailPaneIsOpenedAndSavedInsteadOfTheStoredText) {
    formattedId = "t1";
    formatted = "{\n  \"a\" : 1\n}";
    actions->openWithDefaultApp(origin, textEntry("t1"));
    EXPECT_EQ(hideCount, 1) << "nothing to fetch: the panel hides at once";
    EXPECT_EQ(fileContents(privateFolder / "Quorvane_t1.txt"), formatted);

    const auto destination = temporary / "saved.json";
    savePanel.script(destination);
    actions->saveItem(origin, textEntry("t1"));
    EXPECT_EQ(fileContents(destination), formatted);
}

TEST_F(ClipboardItemActionsTest, ImagesOpenWithTheExtensionOfTheirFormatAndPngWhenUnknown) {
    actions->openWithDefaultApp(origin, imageEntry("png"));
    actions->openWithDefaultApp(origin, imageEntry("jpeg"));
    actions->openWithDefaultApp(origin, imageEntry("odd"));
    actions->openWithDefaultApp(origin, imageEntry("webp"));
    loop.runUntilIdle();

    ASSERT_EQ(workspace.openedFiles.size(), 4u);
    EXPECT_EQ(workspace.openedFiles[3], privateFolder / "Quorvane_webp.webp");
    EXPECT_EQ(workspace.openedFiles[0], privateFolder / "Quorvane_png.png");
    EXPECT_EQ(workspace.openedFiles[1], privateFolder / "Quorvane_jpeg.jpg");
    EXPECT_EQ(workspace.openedFiles[2], privateFolder / "Quorvane_odd.png");
    EXPECT_EQ(fileContents(workspace.openedFiles[1]), std::string(kJpeg.begin(), kJpeg.end()));
    EXPECT_EQ(permissions(workspace.openedFiles[1]), 0600u);
    EXPECT_TRUE(log.contains("INFO", "Opened image with default app: " + workspace.openedFiles[2].string()));
}

TEST_F(ClipboardItemActionsTest, AnEntryIdThatCouldLeaveThePrivateFolderIsRefused) {
    for (const std::string id : {"../escape", "a/b", "..", ""}) {
        SCOPED_TRACE(id);
        log.clear();
        EXPECT_FALSE(actions->openTextWithDefaultApp(origin, "secret", id));
        EXPECT_TRUE(log.contains("ERROR", "Failed to create temp txt file: "));
    }
    EXPECT_TRUE(workspace.openedFiles.empty());
    EXPECT_FALSE(std::filesystem::exists(temporary / "escape.txt"));
    EXPECT_FALSE(std::filesystem::exists(privateFolder / "Quorvane_a"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(privateFolder), {}), 0);

    // An id that is fine apart from its dots is kept as it is.
    EXPECT_TRUE(actions->openTextWithDefaultApp(origin, "text", "v1.2"));
    EXPECT_TRUE(std::filesystem::exists(privateFolder / "Quorvane_v1.2.txt"));
}

TEST_F(ClipboardItemActionsTest, ActionsWhoseContentIsMissingLogAndLeaveThePanelOpen) {
    actions->openWithDefaultApp(origin, textEntry("gone"));
    actions->pinItem(origin, textEntry("gone"));
    actions->saveItem(origin, textEntry("gone"));
    actions->recognizeText(origin, imageEntry("gone"));
    actions->recognizeText(origin, textEntry("t1"));
    loop.runUntilIdle();

    EXPECT_EQ(hideCount, 0);
    EXPECT_EQ(log.count("Failed to get content for item: gone"), 3u);
    EXPECT_TRUE(log.contains("ERROR", "Failed to get image data for OCR: gone"));
    EXPECT_TRUE(log.contains("ERROR", "Failed to get image data for OCR: t1"));
    EXPECT_TRUE(pinnedEntries.empty());
    EXPECT_TRUE(ocrImages.empty());
    EXPECT_TRUE(savePanel.requests.empty());

    // An image without data: the panel hides (the content was there), the open fails with a warning.
    actions->openWithDefaultApp(origin, imageEntry("bare"));
    loop.runUntilIdle();
    EXPECT_TRUE(log.contains("WARNING", "No image data available"));
    EXPECT_TRUE(log.contains("WARNING", "Cannot open with default app"));
    EXPECT_TRUE(workspace.openedFiles.empty());
}

TEST_F(ClipboardItemActionsTest, LinksOpenOnlyWhenTheyAreURLsAndTheirPathStaysOutOfTheLog) {
    actions->openLink(origin, "not a link");
    actions->openLink(origin, "example.com");
    EXPECT_EQ(hideCount, 0);
    EXPECT_TRUE(workspace.openedURLs.empty());
    EXPECT_EQ(log.count("[WARNING] [ClipboardPanelController] Invalid URL: "), 2u);

    actions->openLink(origin, "https://user:pw@example.com/reset?token=abc");
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(workspace.openedURLs, std::vector<std::string>{"https://user:pw@example.com/reset?token=abc"});
    EXPECT_TRUE(log.contains("INFO", "Opened link: https://example.com"));
    EXPECT_EQ(log.count("token=abc"), 0u);
    EXPECT_EQ(log.count("pw@"), 0u);
    EXPECT_TRUE(alerts.presented.empty());
}

TEST_F(ClipboardItemActionsTest, ALinkNothingOpensIsWarnedAndToldLikeAnEntryNothingOpens) {
    workspace.succeeds = false;
    actions->openLink(origin, "https://example.com/page?token=abc");
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(log.contains("WARNING",
                             "[ClipboardPanelController] Cannot open link: no application opened "
                             "https://example.com"));
    EXPECT_FALSE(log.contains("INFO", "Opened link")) << "no success is claimed";
    EXPECT_EQ(log.count("token=abc"), 0u);
    ASSERT_EQ(alerts.presented.size(), 1u);
    EXPECT_EQ(alerts.presented[0].messageText, "Cannot Open Entry");
    EXPECT_EQ(alerts.presented[0].style, AlertStyle::warning);
}

TEST_F(ClipboardItemActionsTest, SavingAsksWithTheEntrysNameWritesTheFileAndRevealsIt) {
    const auto textFile = temporary / "out" / "note.txt";
    savePanel.script(textFile);
    actions->saveItem(origin, textEntry("t1"));
    loop.runUntilIdle();
    ASSERT_EQ(savePanel.requests.size(), 1u);
    EXPECT_EQ(savePanel.requests[0].suggestedName, "ClipboardText.txt");
    EXPECT_EQ(savePanel.requests[0].allowedContentType, "text/plain");
    EXPECT_EQ(savePanel.requests[0].title, "Save to File");
    EXPECT_EQ(savePanel.requests[0].nameFieldLabel, "Save As:");
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(fileContents(textFile), "stored text");
    EXPECT_TRUE(log.contains("INFO", "Saved text to: " + textFile.string()));
    EXPECT_EQ(workspace.revealed, std::vector<std::vector<std::filesystem::path>>{{textFile}});

    savePanel.script(temporary / "picture.jpg");
    actions->saveItem(origin, imageEntry("jpeg"));
    savePanel.script(std::nullopt);
    actions->saveItem(origin, imageEntry("odd"));
    loop.runUntilIdle();
    EXPECT_EQ(savePanel.requests[1].suggestedName, "ClipboardImage.jpg");
    EXPECT_EQ(savePanel.requests[1].allowedContentType, "image/jpeg");
    EXPECT_EQ(savePanel.requests[2].suggestedName, "ClipboardImage.png");
    EXPECT_EQ(savePanel.requests[2].allowedContentType, "image/png");
    EXPECT_EQ(fileContents(temporary / "picture.jpg"), std::string(kJpeg.begin(), kJpeg.end()));
    EXPECT_TRUE(log.contains("INFO", "Saved image to: "));
    EXPECT_EQ(workspace.revealed.size(), 2u) << "a cancelled panel reveals nothing";

    // An image without data is offered as a png and, chosen, writes nothing.
    savePanel.script(temporary / "bare.png");
    actions->saveItem(origin, imageEntry("bare"));
    loop.runUntilIdle();
    EXPECT_EQ(savePanel.requests[3].suggestedName, "ClipboardImage.png");
    EXPECT_FALSE(std::filesystem::exists(temporary / "bare.png"));
    EXPECT_TRUE(log.contains("WARNING", "No image data available"));
    EXPECT_EQ(workspace.revealed.size(), 2u);
    EXPECT_TRUE(alerts.presented.empty());

    // Saved over a file only its owner may read: it stays so.
    ::chmod(textFile.c_str(), 0600);
    savePanel.script(textFile);
    actions->saveItem(origin, textEntry("t1"));
    loop.runUntilIdle();
    EXPECT_EQ(fileContents(textFile), "stored text");
    EXPECT_EQ(permissions(textFile), 0600u);
}

TEST_F(ClipboardItemActionsTest, AFailedSaveIsLoggedAndShownAndRevealsNothing) {
    std::ofstream(temporary / "plain-file") << "x";
    savePanel.script(temporary / "plain-file" / "inside.txt");
    actions->saveItem(origin, textEntry("t1"));
    loop.runUntilIdle();

    EXPECT_TRUE(log.contains("ERROR", "Failed to save file: "));
    ASSERT_EQ(alerts.presented.size(), 1u);
    EXPECT_EQ(alerts.presented[0].messageText, "Save Failed");
    EXPECT_TRUE(alerts.presented[0].informativeText.starts_with("Failed to save clipboard item: "))
        << alerts.presented[0].informativeText;
    EXPECT_GT(alerts.presented[0].informativeText.size(),
              std::string("Failed to save clipboard item: ").size());
    EXPECT_TRUE(workspace.revealed.empty());
}

TEST_F(ClipboardItemActionsTest, PinningMakesAWindowWhoseCopyGoesThroughTheViewModel) {
    pasteboard.writeText("before", std::nullopt, std::nullopt);
    actions->pinItem(origin, textEntry("t1"));
    loop.runUntilIdle();
    ASSERT_EQ(pinnedEntries.size(), 1u);
    EXPECT_EQ(pinnedContents[0].content, "stored text");
    EXPECT_EQ(pinWindow.presentCount, 1);
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(log.contains("INFO", "Pinned item: t1"));

    std::optional<bool> copied;
    pinCopyHandler(std::string("edited"), [&](bool ok) { copied = ok; });
    EXPECT_EQ(copied, true);
    EXPECT_EQ(pasteboard.string(), "edited");
    EXPECT_EQ(pasteboard.suspendedAtWrite.back(), true);
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"t1"});
    EXPECT_EQ(viewModel->errorMessage(), std::nullopt);
}

TEST_F(ClipboardItemActionsTest, APinnedImageWithoutReadableDataFailsToCopyAndLeavesTheClipboard) {
    pasteboard.writeText("keep me", std::nullopt, std::nullopt);
    actions->pinItem(origin, imageEntry("odd"));
    loop.runUntilIdle();
    ASSERT_TRUE(pinCopyHandler);

    std::optional<bool> copied;
    pinCopyHandler(std::nullopt, [&](bool ok) { copied = ok; });
    EXPECT_EQ(copied, false);
    EXPECT_EQ(pasteboard.string(), "keep me");
    EXPECT_EQ(viewModel->errorMessage(), std::string(ClipboardPanelViewModel::copyFailedErrorMessage));
    EXPECT_TRUE(history->usedIds.empty());
}

TEST_F(ClipboardItemActionsTest, RecognisingAnImageOpensTheWindowOnItsData) {
    actions->recognizeText(origin, imageEntry("png"));
    loop.runUntilIdle();
    EXPECT_EQ(ocrImages, std::vector<Data>{kPng});
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(log.contains("INFO", "Opened OCR window for item: png"));
}

TEST_F(ClipboardItemActionsTest, AnswersArrivingAfterTheActionsOrThePanelWentAwayDoNothing) {
    actions->pinItem(origin, textEntry("t1"));
    actions->openWithDefaultApp(origin, textEntry("t1"));
    actions.reset();
    loop.runUntilIdle();
    EXPECT_EQ(hideCount, 0);
    EXPECT_TRUE(pinnedEntries.empty());
    EXPECT_TRUE(workspace.openedFiles.empty());

    // The asking panel gone while its save dialog was open: the answer writes nothing.
    actions = makeActions();
    actions->saveItem(origin, textEntry("t1"));
    loop.runUntilIdle();
    ASSERT_EQ(savePanel.requests.size(), 1u);
    panelLifetime.reset();
    EXPECT_TRUE(savePanel.answer(temporary / "late.txt"));
    EXPECT_FALSE(std::filesystem::exists(temporary / "late.txt"));
    actions->pinItem(origin, textEntry("t1"));
    loop.runUntilIdle();
    EXPECT_TRUE(pinnedEntries.empty());
}

// The floating panel's formatting is known only once the content is there, and it logs as itself.
TEST_F(ClipboardItemActionsTest, APanelWhoseFormattingNeedsTheContentIsAskedAgainOnceItArrived) {
    std::vector<bool> askedWithContent;
    ClipboardItemActionOrigin floating = makeOrigin("FloatingClipboardPanelController");
    floating.formattedText =
        [&](const ClipboardHistoryIndexSnapshot&,
            const ClipboardHistoryContentSnapshot* content) -> std::optional<std::string> {
        askedWithContent.push_back(content != nullptr);
        if (!content) return std::nullopt;
        return "[" + content->content + "]";
    };
    actions->openWithDefaultApp(floating, textEntry("t1"));
    EXPECT_EQ(hideCount, 0) << "nothing formatted before the content came";
    loop.runUntilIdle();
    EXPECT_EQ(askedWithContent, (std::vector<bool>{false, true}));
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(fileContents(privateFolder / "Quorvane_t1.txt"), "[stored text]");
    EXPECT_TRUE(log.contains("INFO", "[FloatingClipboardPanelController] Opened text with default app: "));

    savePanel.script(temporary / "formatted.txt");
    actions->saveItem(floating, textEntry("t1"));
    loop.runUntilIdle();
    EXPECT_EQ(fileContents(temporary / "formatted.txt"), "[stored text]");
    // Images are never formatted.
    askedWithContent.clear();
    actions->openWithDefaultApp(floating, imageEntry("png"));
    loop.runUntilIdle();
    EXPECT_TRUE(askedWithContent.empty());
    EXPECT_EQ(workspace.openedFiles.back(), privateFolder / "Quorvane_png.png");
}

}  // namespace
}  // namespace quorvane

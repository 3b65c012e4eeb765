#include <gtest/gtest.h>

#include "panel/model/ClipboardPanelViewModel.h"
#include "panel/support/PanelViewModelFixture.h"

namespace quorvane {
namespace {

using testing::idsOf;
using testing::imageEntry;
using testing::numberedEntries;
using testing::pageOf;
using testing::textEntry;

// The first bytes of a PNG file: enough for the clipboard double to accept the data as an image.
const Data kPng{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

ClipboardHistoryContentSnapshot textContent(const std::string& id, const std::string& text,
                                            std::optional<std::string> rtf = std::nullopt,
                                            std::optional<std::string> html = std::nullopt) {
    ClipboardHistoryContentSnapshot content;
    content.id = id;
    content.content = text;
    if (rtf) content.richTextRTFData = dataFromString(*rtf);
    if (html) content.richTextHTMLData = dataFromString(*html);
    return content;
}

ClipboardHistoryContentSnapshot imageContent(const std::string& id, std::optional<Data> data) {
    ClipboardHistoryContentSnapshot content;
    content.id = id;
    content.imageData = std::move(data);
    return content;
}

class ClipboardPanelViewModelCopyTest : public testing::PanelViewModelFixture {
protected:
    // Copies `entry` and runs the loop until the copy has answered.
    std::optional<bool> copy(const ClipboardHistoryIndexSnapshot& entry, bool asPlainText = false,
                             std::optional<std::string> idToKeep = std::nullopt) {
        std::optional<bool> result;
        viewModel->copyEntry(entry, asPlainText, std::move(idToKeep), [&](bool copied) {
            EXPECT_FALSE(result.has_value()) << "answered twice";
            result = copied;
        });
        loop.runUntilIdle();
        return result;
    }

    void offerOtherProgramsItem() {
        pasteboard.replaceItem({{PasteboardType::plainText, dataFromString("copied elsewhere")}});
    }
};

TEST_F(ClipboardPanelViewModelCopyTest, RichTextIsWrittenAsOneItemWithAllItsFormsUnlessPlainIsAsked) {
    history->contents["t"] = textContent("t", "Zürich", "{\\rtf1 Z}", "<b>Z</b>");
    ASSERT_EQ(copy(textEntry("t")), std::optional<bool>(true));
    const auto before = pasteboard.changeCount();
    EXPECT_EQ(pasteboard.types(), (std::vector<std::string>{PasteboardType::plainText, PasteboardType::rtf,
                                                            PasteboardType::html}));
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("Zürich"));

    ASSERT_EQ(copy(textEntry("t"), /*asPlainText=*/true), std::optional<bool>(true));
    EXPECT_EQ(pasteboard.changeCount(), before + 1) << "replaced in one step";
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{PasteboardType::plainText});

    // A desktop that refuses the rich item still gets the text.
    pasteboard.setRefusesRichText(true);
    ASSERT_EQ(copy(textEntry("t")), std::optional<bool>(true));
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{PasteboardType::plainText});
    EXPECT_EQ(pasteboard.suspendedAtWrite, (std::vector<bool>{true, true, true, true}));
}

TEST_F(ClipboardPanelViewModelCopyTest, AnOverrideTextIsWrittenAloneWhateverTheContentHolds) {
    const auto content = textContent("t", "original", "{\\rtf1 o}", std::nullopt);
    EXPECT_TRUE(viewModel->writeToPasteboard(textEntry("t"), std::string("edited in the pin window"), content,
                                             false));
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{PasteboardType::plainText});
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("edited in the pin window"));
}

TEST_F(ClipboardPanelViewModelCopyTest, AnImageIsWrittenUnderItsOwnType) {
    history->contents["i"] = imageContent("i", kPng);
    ASSERT_EQ(copy(imageEntry("i")), std::optional<bool>(true));
    EXPECT_EQ(pasteboard.types(), std::vector<std::string>{PasteboardType::png});
    EXPECT_EQ(pasteboard.data(PasteboardType::png), std::optional<Data>(kPng));
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"i"});
}

TEST_F(ClipboardPanelViewModelCopyTest, AnImageThatIsNoImageLeavesTheClipboardAsItWasAndReportsFailure) {
    offerOtherProgramsItem();
    const auto before = pasteboard.changeCount();
    history->contents["broken"] = imageContent("broken", Data{1, 2, 3, 4});
    history->contents["empty"] = imageContent("empty", std::nullopt);

    for (const char* id : {"broken", "empty"}) {
        EXPECT_EQ(copy(imageEntry(id)), std::optional<bool>(false)) << id;
        EXPECT_EQ(pasteboard.changeCount(), before) << id;
        EXPECT_EQ(pasteboard.string(), std::optional<std::string>("copied elsewhere")) << id;
        EXPECT_EQ(viewModel->errorMessage(),
                  std::optional<std::string>(ClipboardPanelViewModel::copyFailedErrorMessage));
    }
    EXPECT_TRUE(history->usedIds.empty());
    EXPECT_TRUE(search->calls.empty()) << "a failed copy reloads nothing";
}

TEST_F(ClipboardPanelViewModelCopyTest, AMissingContentFailsWithoutAMessageOrAWrite) {
    offerOtherProgramsItem();
    const auto before = pasteboard.changeCount();
    EXPECT_EQ(copy(textEntry("nowhere")), std::optional<bool>(false));
    EXPECT_EQ(pasteboard.changeCount(), before);
    EXPECT_FALSE(viewModel->errorMessage().has_value());
    EXPECT_EQ(history->suspensionCount, 0);
}

TEST_F(ClipboardPanelViewModelCopyTest, ASuccessfulCopyRecordsTheUseAndReloadsFollowingTheEntry) {
    viewModel->loadClipboardItems(false);
    search->answer(pageOf(numberedEntries("e", 0, 4), false));
    viewModel->selectItem(2);
    viewModel->setErrorMessage(std::string("an earlier failure"));
    history->contents["e2"] = textContent("e2", "two");

    std::optional<bool> result;
    viewModel->copyEntry(textEntry("e2"), false, "e2", [&](bool copied) { result = copied; });
    loop.runUntilIdle();
    EXPECT_EQ(result, std::optional<bool>(true));
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"e2"});
    EXPECT_FALSE(viewModel->errorMessage().has_value());
    ASSERT_EQ(search->calls.size(), 2u);
    EXPECT_EQ(search->calls[1].offset, 0);

    // The store lists the used entry first now.
    search->answer(pageOf({textEntry("e2"), textEntry("e0"), textEntry("e1"), textEntry("e3")}, false));
    EXPECT_EQ(viewModel->selectedIndex(), 0u);
    EXPECT_EQ(viewModel->selectedItem()->id, "e2");
}

TEST_F(ClipboardPanelViewModelCopyTest, ACopyAnsweredAfterTheServicesWereReplacedUsesTheStoreItStartedWith) {
    history->contents["e1"] = textContent("e1", "one");
    auto oldHistory = history;
    std::optional<bool> result;
    viewModel->copyEntry(textEntry("e1"), false, std::nullopt, [&](bool copied) { result = copied; });
    auto newHistory = std::make_shared<testing::FakeHistoryManager>(loop);
    viewModel->replaceServices(newHistory, search);
    loop.runUntilIdle();

    EXPECT_EQ(result, std::optional<bool>(true));
    EXPECT_EQ(oldHistory->usedIds, std::vector<std::string>{"e1"});
    EXPECT_TRUE(newHistory->usedIds.empty());
    EXPECT_EQ(newHistory->suspensionCount, 1) << "capture belongs to the services of the moment";
}

TEST_F(ClipboardPanelViewModelCopyTest, ACopyWhoseViewModelWentAwayReportsFailure) {
    history->contents["e1"] = textContent("e1", "one");
    std::optional<bool> result;
    viewModel->copyEntry(textEntry("e1"), false, std::nullopt, [&](bool copied) { result = copied; });
    viewModel.reset();
    loop.runUntilIdle();
    EXPECT_EQ(result, std::optional<bool>(false));
    EXPECT_EQ(pasteboard.changeCount(), 0);
}

}  // namespace
}  // namespace quorvane

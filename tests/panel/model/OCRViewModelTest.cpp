#include <gtest/gtest.h>

#include "capture/ClipboardImageTextRecognizer.h"
#include "panel/model/OCRViewModel.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"

namespace quorvane {
namespace {

const Data kPng{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};

class OCRViewModelTest : public ::testing::Test {
protected:
    std::unique_ptr<OCRViewModel> makeViewModel(bool decoded = true) {
        auto model = std::make_unique<OCRViewModel>(kPng, decoded, recognizer, loop, pasteboard);
        subscription = model->observe([this] { ++notifications; });
        return model;
    }

    FakeClock clock{Date(1'700'000'000.0)};
    ManualRunLoop loop{clock};
    InMemoryUserDefaults defaults;
    InMemoryImageTextRecognizer engine;
    ClipboardImageTextRecognizer recognizer{engine, defaults, ClipboardOCRConfiguration{}};
    InMemoryPasteboard pasteboard;
    Subscription subscription;
    int notifications = 0;
};

TEST_F(OCRViewModelTest, RecognisedLinesBecomeTheEditableResult) {
    auto model = makeViewModel();
    model->recognize();
    model->recognize();
    EXPECT_TRUE(model->isRecognizing());
    ASSERT_EQ(engine.pendingRequestCount(), 1u) << "recognition runs once per window";
    EXPECT_EQ(engine.receivedRequests()[0].imageData, kPng);

    engine.complete({{"first line", "第二行"}, std::nullopt});
    EXPECT_EQ(model->result(), "") << "the answer is published on the main queue";
    loop.runUntilIdle();
    EXPECT_EQ(model->result(), "first line\n第二行");
    EXPECT_FALSE(model->isRecognizing());
    EXPECT_EQ(model->errorMessage(), std::nullopt);
    EXPECT_TRUE(model->canCopy());
    EXPECT_GT(notifications, 0);
}

TEST_F(OCRViewModelTest, AnUnreadableImageFailsWithoutAskingTheRecogniser) {
    auto model = makeViewModel(false);
    model->recognize();
    loop.runUntilIdle();
    EXPECT_EQ(model->errorMessage(), std::string("Cannot load image"));
    EXPECT_EQ(engine.receivedRequests().size(), 0u);
    EXPECT_FALSE(model->canCopy());
}

TEST_F(OCRViewModelTest, NoTextAndRecogniserFailuresReadNoTextRecognized) {
    auto empty = makeViewModel();
    empty->recognize();
    engine.complete({{}, std::nullopt});
    auto failed = makeViewModel();
    failed->recognize();
    engine.complete({{}, ImageTextRecognitionError{ImageTextRecognitionError::Kind::recognition, "engine"}});
    loop.runUntilIdle();
    for (auto* model : {empty.get(), failed.get()}) {
        EXPECT_EQ(model->errorMessage(), std::string("No text recognized"));
        EXPECT_FALSE(model->canCopy());
        EXPECT_FALSE(model->copy());
    }
    EXPECT_EQ(pasteboard.string(), std::nullopt);
}

TEST_F(OCRViewModelTest, CopyPutsTheEditedTextOnTheClipboardAndPausesForTwoSeconds) {
    auto model = makeViewModel();
    model->recognize();
    engine.complete({{"recognised"}, std::nullopt});
    loop.runUntilIdle();
    model->setResult("corrected");

    EXPECT_TRUE(model->copy());
    EXPECT_EQ(pasteboard.string(), "corrected");
    EXPECT_EQ(model->buttonLabel(), OCRViewModel::ButtonLabel::copied);
    EXPECT_FALSE(model->copy()) << "a second press within the pause does nothing";
    loop.advance(1.9);
    EXPECT_EQ(model->buttonLabel(), OCRViewModel::ButtonLabel::copied);
    loop.advance(0.2);
    EXPECT_EQ(model->buttonLabel(), OCRViewModel::ButtonLabel::copy);
    EXPECT_TRUE(model->canCopy());
}

TEST_F(OCRViewModelTest, AnAnswerForAClosedWindowIsDropped) {
    auto model = makeViewModel();
    model->recognize();
    model.reset();
    engine.complete({{"late"}, std::nullopt});
    EXPECT_NO_FATAL_FAILURE(loop.runUntilIdle());
    EXPECT_EQ(notifications, 0);
}

TEST(OCRViewModelLayoutTest, TheTextPaneTakesThirtyPercentUpTo300) {
    const auto narrow = OCRViewModel::paneWidths(600);
    EXPECT_DOUBLE_EQ(narrow.text, 180);
    EXPECT_DOUBLE_EQ(narrow.image, 420);
    const auto wide = OCRViewModel::paneWidths(1400);
    EXPECT_DOUBLE_EQ(wide.text, 300);
    EXPECT_DOUBLE_EQ(wide.image, 1100);
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "panel/model/PasteBackPerformer.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

class PasteBackPerformerTest : public ::testing::Test {
protected:
    PasteBackPerformerTest() { activation_.setActiveWindow(panel_); }

    void paste(double settleDelay = 0.1) {
        performer_.paste(editor_, settleDelay,
                         [this](PasteBackOutcome outcome) { outcomes_.push_back(outcome); });
    }

    const ReturnTarget editor_{0x2a00003, 4242};
    const ReturnTarget panel_{0x3c00001, 100};
    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    InMemoryWindowActivation activation_;
    RecordingPasteShortcutPoster poster_{&activation_};
    InMemoryPasteboard pasteboard_;
    PasteBackPerformer performer_{loop_, activation_, poster_, pasteboard_};
    std::vector<PasteBackOutcome> outcomes_;
    testing::LogCapture logs_;
};

TEST_F(PasteBackPerformerTest, PostsOnceIntoTheTargetOnlyAfterItBecameActiveAndSettled) {
    activation_.setChecksUntilActive(5);
    paste(0.1);
    loop_.advance(0.05);
    EXPECT_EQ(poster_.postCount(), 0) << "not active yet, or not settled";
    loop_.advance(0.5);

    ASSERT_EQ(poster_.postCount(), 1);
    EXPECT_EQ(poster_.postedInto().front(), std::optional<ReturnTarget>(editor_));
    EXPECT_EQ(poster_.keystrokes(), std::vector<PasteKeystroke>{PasteKeystroke::controlV});
    // Its class is unreadable, so Ctrl+V is only a guess.
    EXPECT_TRUE(logs_.contains("INFO", "Sent Ctrl+V to window 44040195 (class unreadable)"));
    EXPECT_FALSE(logs_.contains("INFO", "Pasted into window"));
    EXPECT_EQ(activation_.requests(), std::vector<ReturnTarget>{editor_});
    EXPECT_EQ(outcomes_, std::vector<PasteBackOutcome>{PasteBackOutcome::posted});
    EXPECT_FALSE(performer_.isBusy());
}

TEST_F(PasteBackPerformerTest, TargetThatNeverBecomesActiveGetsNoKeystrokeAndAWarning) {
    activation_.setChecksUntilActive(-1);
    paste();
    loop_.advance(5);

    EXPECT_EQ(poster_.postCount(), 0);
    EXPECT_EQ(outcomes_, std::vector<PasteBackOutcome>{PasteBackOutcome::targetNotActive});
    EXPECT_TRUE(logs_.contains("WARNING", "did not become active; not pasting"));

    // The next paste-back is not blocked by the failed one.
    activation_.setChecksUntilActive(0);
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.postCount(), 1);
}

TEST_F(PasteBackPerformerTest, GoneTargetOrFocusLostWhileSettlingPostsNothing) {
    activation_.setAcceptsRequests(false);
    paste();
    EXPECT_TRUE(outcomes_.empty()) << "the completion never runs inside the call";
    loop_.advance(1);
    EXPECT_EQ(outcomes_, std::vector<PasteBackOutcome>{PasteBackOutcome::targetNotActive});

    activation_.setAcceptsRequests(true);
    paste(0.1);
    loop_.advance(0.05);  // active, settling
    activation_.setActiveWindow(panel_);
    loop_.advance(1);
    EXPECT_EQ(poster_.postCount(), 0);
    EXPECT_EQ(outcomes_.back(), PasteBackOutcome::targetNotActive);
    EXPECT_TRUE(logs_.contains("WARNING", "lost focus before the paste"));
}

TEST_F(PasteBackPerformerTest, DoubleRequestPastesOnce) {
    paste();
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.postCount(), 1);
    EXPECT_EQ(activation_.requests().size(), 1u);
    EXPECT_EQ(outcomes_,
              (std::vector<PasteBackOutcome>{PasteBackOutcome::ignoredWhileBusy, PasteBackOutcome::posted}));
}

TEST_F(PasteBackPerformerTest, AlreadyActiveTargetIsNotActivatedAgainAndFailedPostIsReported) {
    activation_.setActiveWindow(editor_);
    poster_.setSucceeds(false);
    paste();
    loop_.advance(1);
    EXPECT_TRUE(activation_.requests().empty());
    EXPECT_EQ(outcomes_, std::vector<PasteBackOutcome>{PasteBackOutcome::postFailed});
}

TEST_F(PasteBackPerformerTest, DestroyedPerformerLeavesNoLateKeystroke) {
    {
        PasteBackPerformer shortLived(loop_, activation_, poster_, pasteboard_);
        shortLived.paste(editor_, 0.1);
    }
    loop_.advance(1);
    EXPECT_EQ(poster_.postCount(), 0);
}

TEST_F(PasteBackPerformerTest, TerminalsGetTheirOwnPasteKeyAndXtermTheEntryOnThePrimarySelection) {
    const std::string text = "Grüße שלום 🎉\n中文";
    ASSERT_TRUE(pasteboard_.writeText(text, std::nullopt, std::nullopt));
    activation_.setWindowClass(editor_.window, WindowClass{"kitty", "kitty"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.keystrokes(), std::vector<PasteKeystroke>{PasteKeystroke::controlShiftV});
    EXPECT_EQ(pasteboard_.primarySelection(), std::nullopt) << "kitty pastes the clipboard";
    EXPECT_TRUE(logs_.contains("INFO", "with Ctrl+Shift+V (terminal kitty)"));

    activation_.setActiveWindow(panel_);
    activation_.setWindowClass(editor_.window, WindowClass{"xterm", "XTerm"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.keystrokes(),
              (std::vector<PasteKeystroke>{PasteKeystroke::controlShiftV, PasteKeystroke::shiftInsert}));
    EXPECT_EQ(pasteboard_.primarySelection(), text);
    EXPECT_EQ(outcomes_, (std::vector<PasteBackOutcome>{PasteBackOutcome::posted, PasteBackOutcome::posted}));
}

TEST_F(PasteBackPerformerTest, EditorsGetShiftInsertAndOnlyGvimTheEntryOnThePrimarySelection) {
    ASSERT_TRUE(pasteboard_.writeText("first line\n\tsecond", std::nullopt, std::nullopt));
    activation_.setWindowClass(editor_.window, WindowClass{"emacs", "Emacs"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.keystrokes(), std::vector<PasteKeystroke>{PasteKeystroke::shiftInsert});
    EXPECT_EQ(pasteboard_.primarySelection(), std::nullopt) << "emacs yanks the clipboard";
    EXPECT_TRUE(logs_.contains("INFO", "Pasted into window 44040195 with Shift+Insert (emacs)"));

    activation_.setActiveWindow(panel_);
    activation_.setWindowClass(editor_.window, WindowClass{"gvim", "Gvim"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.keystrokes(),
              (std::vector<PasteKeystroke>{PasteKeystroke::shiftInsert, PasteKeystroke::shiftInsert}));
    EXPECT_EQ(pasteboard_.primarySelection(), "first line\n\tsecond");
    EXPECT_TRUE(logs_.contains("INFO", "Pasted into window 44040195 with Shift+Insert (gvim)"));
}

TEST_F(PasteBackPerformerTest, AWindowOfAnUnknownProgramGetsCtrlVAndTheLogSaysWhatWasSentWhere) {
    activation_.setWindowClass(editor_.window, WindowClass{"notes", "Notes"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.keystrokes(), std::vector<PasteKeystroke>{PasteKeystroke::controlV});
    EXPECT_TRUE(logs_.contains("INFO", "Sent Ctrl+V to window 44040195 (class notes/Notes)"));
    EXPECT_FALSE(logs_.contains("INFO", "Pasted into window"));
    EXPECT_EQ(outcomes_, std::vector<PasteBackOutcome>{PasteBackOutcome::posted});
}

TEST_F(PasteBackPerformerTest, UnknownTerminalOrAnImageForXtermGetsNoKeystrokeAndAWarningNoSuccessLine) {
    ASSERT_TRUE(pasteboard_.writeText("ls -la", std::nullopt, std::nullopt));
    activation_.setWindowClass(editor_.window, WindowClass{"Eterm", "Eterm"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.postCount(), 0);
    EXPECT_EQ(outcomes_, std::vector<PasteBackOutcome>{PasteBackOutcome::notPasteable});
    EXPECT_TRUE(logs_.contains("WARNING", "No paste key is known for the terminal eterm"));
    EXPECT_TRUE(logs_.contains("WARNING", "the entry is on the clipboard, not pasted"));

    // An image on the clipboard: Shift+Insert would paste whatever the primary selection held before.
    activation_.setActiveWindow(panel_);
    pasteboard_.replaceItem({{PasteboardType::png, dataFromString("\x89PNG\r\n\x1a\n")}});
    activation_.setWindowClass(editor_.window, WindowClass{"xterm", "XTerm"});
    paste();
    loop_.advance(1);
    EXPECT_EQ(poster_.postCount(), 0);
    EXPECT_EQ(pasteboard_.primarySelection(), std::nullopt);
    EXPECT_EQ(outcomes_.back(), PasteBackOutcome::notPasteable);
    EXPECT_FALSE(logs_.contains("INFO", "Pasted into window"));
}

}  // namespace
}  // namespace quorvane

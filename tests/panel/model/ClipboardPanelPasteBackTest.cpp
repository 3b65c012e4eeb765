#include <gtest/gtest.h>

#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/ClipboardPanelPasteBack.h"
#include "panel/support/PanelViewModelFixture.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "preferences/SettingsAccessors.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using testing::textEntry;

class TrustSwitch final : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override {
        return trusted ? AccessibilityPermissionStatus::authorized : AccessibilityPermissionStatus::denied;
    }
    bool isTrusted() const override { return trusted; }
    bool hasRequestedPermission() const override { return false; }
    void requestPermission() override {}
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}

    bool trusted = true;
};

class ClipboardPanelPasteBackTest : public testing::PanelViewModelFixture {
protected:
    ClipboardPanelPasteBackTest() {
        history->entries = {textEntry("alpha"), textEntry("beta")};
        for (const auto& entry : history->entries) {
            ClipboardHistoryContentSnapshot content;
            content.id = entry.id;
            content.content = entry.id;
            history->contents[entry.id] = content;
        }
        defaults.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, true);
        // The panel has the focus while the user picks an entry.
        activation.setActiveWindow(panelWindow);
    }

    ClipboardPanelPasteBack::Outcome confirm(const std::string& id,
                                             std::optional<ReturnTarget> target = ReturnTarget{0x2a00003,
                                                                                               4242}) {
        return pasteBack.pasteSelectedItem(textEntry(id), false, target, [this] {
            ++hideCount;
            // Hiding the panel gives the focus away; the window manager picks some other window.
            activation.setActiveWindow(ReturnTarget{0x1000001, 1});
        });
    }

    const ReturnTarget editor{0x2a00003, 4242};
    const ReturnTarget panelWindow{0x3c00001, 100};
    InMemoryWindowActivation activation;
    RecordingPasteShortcutPoster poster{&activation};
    PasteBackPerformer performer{loop, activation, poster};
    TrustSwitch trust;
    ClipboardPanelPasteBack pasteBack{ClipboardPanelPasteBack::Dependencies{
        *viewModel, performer, activation, defaults, trust, DistributionChannel::direct}};
    int hideCount = 0;
    testing::LogCapture logs;
};

TEST_F(ClipboardPanelPasteBackTest, PastesOnceIntoTheReturnTargetAfterItIsActiveAgain) {
    activation.setChecksUntilActive(3);
    EXPECT_EQ(confirm("alpha"), ClipboardPanelPasteBack::Outcome::started);
    loop.runUntilIdle();
    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(poster.postCount(), 0) << "no keystroke before the target is active";

    loop.advance(1);
    ASSERT_EQ(poster.postCount(), 1);
    EXPECT_EQ(poster.postedInto().front(), std::optional<ReturnTarget>(editor));
    EXPECT_EQ(activation.requests(), std::vector<ReturnTarget>{editor});
    EXPECT_FALSE(pasteBack.isInFlight());
}

TEST_F(ClipboardPanelPasteBackTest, TargetThatNeverBecomesActiveGetsNoKeystrokeButKeepsTheCopy) {
    activation.setChecksUntilActive(-1);
    confirm("alpha");
    loop.advance(3);

    EXPECT_EQ(poster.postCount(), 0);
    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(logs.contains("WARNING", "not pasting"));
    EXPECT_FALSE(pasteBack.isInFlight()) << "a failed paste-back does not block the next one";

    activation.setChecksUntilActive(0);
    EXPECT_EQ(confirm("beta"), ClipboardPanelPasteBack::Outcome::started);
    loop.advance(1);
    EXPECT_EQ(poster.postCount(), 1);
}

TEST_F(ClipboardPanelPasteBackTest, DoubleClickPastesOnce) {
    // The second click arrives while the first is still copying, then while it is pasting.
    EXPECT_EQ(confirm("alpha"), ClipboardPanelPasteBack::Outcome::started);
    EXPECT_EQ(confirm("alpha"), ClipboardPanelPasteBack::Outcome::ignored);
    loop.runUntilIdle();
    EXPECT_EQ(confirm("beta"), ClipboardPanelPasteBack::Outcome::ignored);
    loop.advance(1);

    EXPECT_EQ(poster.postCount(), 1);
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"alpha"});
    EXPECT_EQ(pasteboard.string(), "alpha");
}

TEST_F(ClipboardPanelPasteBackTest, WithoutAutoPasteTheTargetIsOnlyActivated) {
    defaults.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, false);
    confirm("beta");
    loop.advance(1);

    EXPECT_EQ(pasteboard.string(), "beta");
    EXPECT_EQ(activation.requests(), std::vector<ReturnTarget>{editor});
    EXPECT_EQ(poster.postCount(), 0);
    EXPECT_FALSE(pasteBack.isInFlight());
}

TEST_F(ClipboardPanelPasteBackTest, AutoPasteOnlyInTheDirectChannel) {
    ClipboardPanelPasteBack storeBuild{ClipboardPanelPasteBack::Dependencies{
        *viewModel, performer, activation, defaults, trust, DistributionChannel::appStore}};
    EXPECT_FALSE(storeBuild.isAutoPasteEnabled());
    EXPECT_TRUE(pasteBack.isAutoPasteEnabled());
}

TEST_F(ClipboardPanelPasteBackTest, NoReturnTargetCopiesAndHidesWithoutActivatingOrPasting) {
    confirm("alpha", std::nullopt);
    loop.advance(1);

    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(activation.requests().empty());
    EXPECT_EQ(poster.postCount(), 0);
}

TEST_F(ClipboardPanelPasteBackTest, MissingAccessibilityTrustCopiesNothingAndSetsTheHint) {
    trust.trusted = false;
    EXPECT_EQ(confirm("alpha"), ClipboardPanelPasteBack::Outcome::needsAccessibility);
    loop.advance(1);

    EXPECT_FALSE(pasteboard.string().has_value());
    EXPECT_EQ(hideCount, 0) << "the panel stays open";
    EXPECT_EQ(viewModel->errorMessage(), ClipboardFooterErrorMessage::accessibilityPermissionRequired().text);
    EXPECT_FALSE(pasteBack.isInFlight());
}

TEST_F(ClipboardPanelPasteBackTest, FailedCopyKeepsThePanelAndAllowsAnotherTry) {
    history->contents.erase("alpha");
    confirm("alpha");
    loop.advance(1);

    EXPECT_EQ(hideCount, 0);
    EXPECT_EQ(poster.postCount(), 0);
    EXPECT_FALSE(pasteBack.isInFlight());
    EXPECT_EQ(confirm("beta"), ClipboardPanelPasteBack::Outcome::started);
}

TEST_F(ClipboardPanelPasteBackTest, NothingSelectedConfirmsNothing) {
    EXPECT_EQ(pasteBack.pasteSelectedItem(std::nullopt, false, editor, [this] { ++hideCount; }),
              ClipboardPanelPasteBack::Outcome::ignored);
    loop.advance(1);
    EXPECT_EQ(hideCount, 0);
    EXPECT_FALSE(pasteBack.isInFlight());
}

}  // namespace
}  // namespace quorvane

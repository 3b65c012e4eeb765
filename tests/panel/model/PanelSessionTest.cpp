#include <gtest/gtest.h>

#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "panel/model/PanelSession.h"
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

// A clipboard that can refuse every write, as a desktop with no clipboard owner does.
class RefusingPasteboard final : public InMemoryPasteboard {
public:
    bool writeText(const std::string&, const std::optional<Data>&, const std::optional<Data>&) override {
        return false;
    }
};

class PanelSessionTest : public testing::PanelViewModelFixture {
protected:
    PanelSessionTest() {
        history->entries = {textEntry("alpha"), textEntry("beta")};
        for (const auto& entry : history->entries) {
            ClipboardHistoryContentSnapshot content;
            content.id = entry.id;
            content.content = entry.id;
            history->contents[entry.id] = content;
        }
        defaults.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, true);
        // The user works in the editor, then opens the panel.
        activation.setActiveWindow(editor);
        session.begin(panelWindow.window);
        activation.setActiveWindow(panelWindow);
    }

    PanelSession::Dependencies dependenciesFor(DistributionChannel channel) {
        return PanelSession::Dependencies{
            *viewModel, performer, activation, pasteboard,         defaults,
            trust,      channel,   ownProcess, [this] { hide(); }, "PanelSessionTest"};
    }

    // What the controllers do on hiding: the session ends and the window manager focuses some other window.
    void hide() {
        ++hideCount;
        session.end();
        activation.setActiveWindow(ReturnTarget{0x1000001, 1});
    }

    PanelSession::Outcome confirm(const std::string& id) { return session.confirm(textEntry(id), false); }

    const ReturnTarget editor{0x2a00003, 4242};
    const std::int64_t ownProcess = 100;
    const ReturnTarget panelWindow{0x3c00001, ownProcess};
    InMemoryWindowActivation activation;
    RecordingPasteShortcutPoster poster{&activation};
    PasteBackPerformer performer{loop, activation, poster, pasteboard};
    TrustSwitch trust;
    PanelSession session{dependenciesFor(DistributionChannel::direct)};
    int hideCount = 0;
    testing::LogCapture logs;
};

TEST_F(PanelSessionTest, PastesOnceIntoTheReturnTargetAfterItIsActiveAgain) {
    activation.setChecksUntilActive(3);
    EXPECT_EQ(confirm("alpha"), PanelSession::Outcome::started);
    loop.runUntilIdle();
    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(session.returnTarget(), std::nullopt) << "hiding ended the session";
    EXPECT_EQ(poster.postCount(), 0) << "no keystroke before the target is active";

    loop.advance(1);
    ASSERT_EQ(poster.postCount(), 1);
    EXPECT_EQ(poster.postedInto().front(), std::optional<ReturnTarget>(editor));
    EXPECT_EQ(activation.requests(), std::vector<ReturnTarget>{editor});
    EXPECT_FALSE(session.isInFlight());
}

TEST_F(PanelSessionTest, DoubleClickAndHeldReturnPasteOnce) {
    // The second click arrives while the first is still copying, then while it is pasting.
    EXPECT_EQ(confirm("alpha"), PanelSession::Outcome::started);
    EXPECT_EQ(confirm("alpha"), PanelSession::Outcome::ignored);
    loop.runUntilIdle();
    EXPECT_EQ(confirm("beta"), PanelSession::Outcome::ignored);
    loop.advance(1);
    EXPECT_EQ(poster.postCount(), 1);
    EXPECT_EQ(hideCount, 1);
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"alpha"});

    // A held Return repeats every 30 ms, through the copy, the activation and the keystroke.
    session.begin();
    activation.setActiveWindow(panelWindow);
    activation.setChecksUntilActive(5);
    int started = 0;
    // The repeats reach the session until the panel hides; the release lands in the target.
    for (int repeat = 0; repeat < 40 && hideCount == 1; ++repeat) {
        if (session.confirm(textEntry("beta"), false) == PanelSession::Outcome::started) ++started;
        loop.advance(0.03);
    }
    loop.advance(1);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(poster.postCount(), 2);
    EXPECT_EQ(pasteboard.string(), "beta");
}

TEST_F(PanelSessionTest, ReturnTargetIsTheForeignWindowActiveAtEachShow) {
    EXPECT_EQ(session.returnTarget(), std::optional<ReturnTarget>(editor));
    EXPECT_FALSE(session.ownWindowWasActive());

    // Opened over one of our own windows (settings, a pin window): nothing to return to.
    activation.setActiveWindow(ReturnTarget{0x4400002, ownProcess});
    session.begin();
    EXPECT_EQ(session.returnTarget(), std::nullopt);
    EXPECT_TRUE(session.ownWindowWasActive());

    // The panel's own window, whatever process the window manager reports for it.
    activation.setActiveWindow(ReturnTarget{panelWindow.window, std::nullopt});
    session.begin(panelWindow.window);
    EXPECT_EQ(session.returnTarget(), std::nullopt);
    EXPECT_TRUE(session.ownWindowWasActive());

    activation.setActiveWindow(ReturnTarget{0, 77});
    session.begin();
    EXPECT_EQ(session.returnTarget(), std::nullopt);
    EXPECT_FALSE(session.ownWindowWasActive());

    activation.setActiveWindow(std::nullopt);
    session.begin();
    EXPECT_EQ(session.returnTarget(), std::nullopt);

    const ReturnTarget terminal{0x5000007, 555};
    activation.setActiveWindow(terminal);
    session.begin();
    EXPECT_EQ(session.returnTarget(), std::optional<ReturnTarget>(terminal));
    session.end();
    EXPECT_EQ(session.returnTarget(), std::nullopt);
}

TEST_F(PanelSessionTest, TargetThatNeverBecomesActiveGetsNoKeystrokeButKeepsTheCopy) {
    activation.setChecksUntilActive(-1);
    confirm("alpha");
    loop.advance(3);

    EXPECT_EQ(poster.postCount(), 0);
    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(logs.contains("WARNING", "not pasting"));
    EXPECT_FALSE(session.isInFlight()) << "a failed paste-back does not block the next one";

    activation.setActiveWindow(editor);
    session.begin();
    activation.setChecksUntilActive(0);
    EXPECT_EQ(confirm("beta"), PanelSession::Outcome::started);
    loop.advance(1);
    EXPECT_EQ(poster.postCount(), 1);
}

TEST_F(PanelSessionTest, WithoutAutoPasteTheTargetIsOnlyActivated) {
    defaults.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, false);
    confirm("beta");
    loop.advance(1);

    EXPECT_EQ(pasteboard.string(), "beta");
    EXPECT_EQ(activation.requests(), std::vector<ReturnTarget>{editor});
    EXPECT_EQ(poster.postCount(), 0);
    EXPECT_FALSE(session.isInFlight());

    PanelSession storeBuild{dependenciesFor(DistributionChannel::appStore)};
    defaults.set(SettingsKey::directPasteReturnKeyAutoPasteEnabled, true);
    EXPECT_FALSE(storeBuild.isAutoPasteEnabled());
    EXPECT_TRUE(session.isAutoPasteEnabled());
}

TEST_F(PanelSessionTest, NoReturnTargetCopiesAndHidesWithoutActivatingOrPasting) {
    activation.setActiveWindow(std::nullopt);
    session.begin();
    confirm("alpha");
    loop.advance(1);

    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(activation.requests().empty());
    EXPECT_EQ(poster.postCount(), 0);
}

TEST_F(PanelSessionTest, MissingTrustCopiesNothingAndTheFooterAsksForIt) {
    trust.trusted = false;
    EXPECT_EQ(confirm("alpha"), PanelSession::Outcome::needsAccessibility);
    loop.advance(1);

    EXPECT_FALSE(pasteboard.string().has_value());
    EXPECT_EQ(hideCount, 0) << "the panel stays open";
    EXPECT_FALSE(session.isInFlight());
    session.viewModelErrorChanged();
    ASSERT_TRUE(session.footerErrorMessage());
    EXPECT_EQ(session.footerErrorMessage()->kind,
              ClipboardFooterErrorMessage::Kind::accessibilityPermissionRequired);

    viewModel->setErrorMessage("Failed to copy the selected entry.");
    session.viewModelErrorChanged();
    EXPECT_EQ(session.footerErrorMessage(),
              std::optional(ClipboardFooterErrorMessage{"Failed to copy the selected entry."}));
    session.begin();
    EXPECT_EQ(session.footerErrorMessage(), std::nullopt) << "each showing starts without an error";
}

TEST_F(PanelSessionTest, FailedCopyKeepsThePanelAndAllowsAnotherTry) {
    history->contents.erase("alpha");
    confirm("alpha");
    loop.advance(1);

    EXPECT_EQ(hideCount, 0);
    EXPECT_EQ(poster.postCount(), 0);
    EXPECT_FALSE(session.isInFlight());
    EXPECT_EQ(confirm("beta"), PanelSession::Outcome::started);

    EXPECT_EQ(session.confirm(std::nullopt, false), PanelSession::Outcome::ignored)
        << "nothing selected and one confirmation running";
}

TEST_F(PanelSessionTest, FormattedTextIsCopiedAsShownElseTheEntryItself) {
    const auto json = textEntry("alpha", "{\"a\":1}");
    session.copy(json, true, std::string("{\n  \"a\" : 1\n}"));
    EXPECT_EQ(pasteboard.string(), "{\n  \"a\" : 1\n}");
    EXPECT_EQ(hideCount, 1);
    EXPECT_TRUE(history->usedIds.empty()) << "the formatted copy is no use of the entry";
    EXPECT_TRUE(logs.contains("INFO", "Copied formatted text to pasteboard for item: alpha"));

    session.copy(textEntry("beta"), false, std::nullopt);
    loop.runUntilIdle();
    EXPECT_EQ(pasteboard.string(), "beta");
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"beta"});
    EXPECT_EQ(hideCount, 2);
}

TEST_F(PanelSessionTest, RefusedFormattedCopyKeepsThePanelOpen) {
    RefusingPasteboard refusing;
    PanelSession::Dependencies dependencies = dependenciesFor(DistributionChannel::direct);
    PanelSession refusingSession{PanelSession::Dependencies{
        *viewModel, performer, activation, refusing, defaults, trust, DistributionChannel::direct, ownProcess,
        dependencies.hidePanel, "PanelSessionTest"}};
    refusingSession.copy(textEntry("alpha"), false, std::string("formatted"));
    EXPECT_EQ(hideCount, 0);
    EXPECT_TRUE(logs.contains("ERROR", "Failed to copy formatted text to pasteboard for item: alpha"));
}

TEST_F(PanelSessionTest, DragEndCopiesAndCountsAUseEvenWhenTheClipboardRefuses) {
    session.dragEnded(textEntry("alpha"), false);
    loop.runUntilIdle();
    EXPECT_FALSE(pasteboard.string().has_value()) << "nothing was dropped";
    EXPECT_TRUE(history->usedIds.empty());

    session.dragEnded(textEntry("alpha"), true);
    loop.runUntilIdle();
    EXPECT_EQ(pasteboard.string(), "alpha");
    EXPECT_EQ(history->usedIds, std::vector<std::string>{"alpha"});
    EXPECT_EQ(hideCount, 0) << "a drag leaves the panel as it is";

    // A rich text the desktop refuses: the drag still used the entry, and the list reloads.
    history->contents["beta"].richTextRTFData = std::vector<std::uint8_t>{'{', '}'};
    pasteboard.setRefusesRichText(true);
    const auto searchesBefore = search->calls.size();
    session.dragEnded(textEntry("beta"), true);
    loop.runUntilIdle();
    EXPECT_EQ(history->usedIds, (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_GT(search->calls.size(), searchesBefore);
}

TEST_F(PanelSessionTest, FilterTokenOffersSuggestionsAndApplyingOrCancellingSearches) {
    EXPECT_FALSE(session.searchTextDidChange("report"));
    EXPECT_EQ(session.searchText(), "report");

    // Characters outside the basic plane before the token: the parser counts UTF-16 units.
    const std::string typed = "\xF0\x9F\x98\x80 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D :js";
    ASSERT_TRUE(session.searchTextDidChange(typed));
    ASSERT_TRUE(session.filterSuggestionContext());
    const auto suggestions = session.filterSuggestions();
    ASSERT_FALSE(suggestions.empty());

    const auto applied = session.applyFilterSuggestion(suggestions.front());
    ASSERT_TRUE(applied);
    EXPECT_EQ(applied->rfind("\xF0\x9F\x98\x80 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D :", 0), 0u) << *applied;
    EXPECT_EQ(session.searchText(), *applied);
    EXPECT_FALSE(session.filterSuggestionContext());
    EXPECT_FALSE(session.applyFilterSuggestion(suggestions.front())) << "nothing offered any more";

    ASSERT_TRUE(session.searchTextDidChange("\xF0\x9F\x98\x80 hello :im"));
    const auto cancelled = session.cancelFilterSuggestion();
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->find(":im"), std::string::npos) << *cancelled;
    EXPECT_NE(cancelled->find("hello"), std::string::npos);
    EXPECT_FALSE(session.cancelFilterSuggestion());

    // Invalid UTF-8 and NUL bytes are searched, never crash the token reader.
    EXPECT_FALSE(session.searchTextDidChange(std::string("a\0b\xFF\xFE", 5)));
    session.end();
    EXPECT_EQ(session.searchText(), "");
}

}  // namespace
}  // namespace quorvane

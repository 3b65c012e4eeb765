#include <gtest/gtest.h>

#include "panel/model/ClipboardDetailPreparedText.h"
#include "panel/model/ClipboardFilterChipsPresentation.h"
#include "panel/model/ClipboardSearchCompletionState.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "search/ClipboardSearchQueryParser.h"

namespace quorvane {
namespace {

ClipboardSearchFieldState typedAtEnd(std::u16string text) {
    ClipboardSearchFieldState field;
    field.cursor = text.size();
    field.text = std::move(text);
    return field;
}

class ClipboardSearchCompletionStateTest : public ::testing::Test {
protected:
    ClipboardSearchCompletionStateTest()
        : resolver(
              catalog, [this] { return running; }, "en_US.UTF-8"),
          manager(defaults, &resolver),
          completion(manager) {}

    InMemoryUserDefaults defaults;
    InMemoryApplicationCatalog catalog;
    std::vector<ClipboardAppIdentityResolver::Candidate> running;
    ClipboardAppIdentityResolver resolver;
    ClipboardSearchAutoCompleteManager manager;
    ClipboardSearchCompletionState completion;
};

TEST_F(ClipboardSearchCompletionStateTest, ContextIsTheFilterWordBeforeTheCaret) {
    using Manager = ClipboardSearchAutoCompleteManager;
    using Kind = ClipboardSearchFilterKind;
    EXPECT_EQ(Manager::autoCompleteContext(u"hello type:js", 13),
              (ClipboardAutoCompleteContext{Kind::type, "js"}));
    EXPECT_EQ(Manager::autoCompleteContext(u"app:  fire", 10),
              (ClipboardAutoCompleteContext{Kind::app, "fire"}));
    EXPECT_EQ(Manager::autoCompleteContext(u"before:", 7), (ClipboardAutoCompleteContext{Kind::before, ""}));
    // No word boundary is required in front of the filter word.
    EXPECT_EQ(Manager::autoCompleteContext(u"subtype:x", 9), (ClipboardAutoCompleteContext{Kind::type, "x"}));
    // Only the text before the caret counts.
    EXPECT_EQ(Manager::autoCompleteContext(u"type:json rest", 7),
              (ClipboardAutoCompleteContext{Kind::type, "js"}));
    EXPECT_FALSE(Manager::autoCompleteContext(u"Type:te", 7));
    EXPECT_FALSE(Manager::autoCompleteContext(u"type:a b", 8));
    EXPECT_FALSE(Manager::autoCompleteContext(u"type:", 0));
}

TEST_F(ClipboardSearchCompletionStateTest, GhostCompletesTheTypedValueAndTabTakesItIn) {
    EXPECT_TRUE(completion.textChanged(typedAtEnd(u"type:Te")));
    EXPECT_EQ(completion.ghostSuffix(), u"xt");
    const auto accepted = completion.acceptGhost(u"type:Te");
    EXPECT_EQ(accepted, std::optional<std::u16string>(u"type:Text"));
    EXPECT_EQ(completion.ghostSuffix(), u"");
    EXPECT_TRUE(completion.isSuppressed());
    EXPECT_FALSE(completion.acceptGhost(u"type:Text"));

    // The next character typed at the end may show a new ghost.
    completion.textChanged(typedAtEnd(u"type:Text after:y"));
    EXPECT_EQ(completion.ghostSuffix(), u"esterday");
}

TEST_F(ClipboardSearchCompletionStateTest, FilterWordWithoutValueShowsTheWholeFirstCandidate) {
    completion.textChanged(typedAtEnd(u"type:"));
    EXPECT_EQ(utf8FromUtf16(completion.ghostSuffix()),
              ClipboardSearchQueryParser::typeFilterCandidates("", defaults)[0]);
}

TEST_F(ClipboardSearchCompletionStateTest, NoGhostAwayFromTheEndOrWhileComposing) {
    ClipboardSearchFieldState middle = typedAtEnd(u"type:te");
    middle.cursor = 3;
    completion.textChanged(middle);
    EXPECT_EQ(completion.ghostSuffix(), u"");

    ClipboardSearchFieldState composing = typedAtEnd(u"type:te");
    composing.hasMarkedText = true;
    EXPECT_FALSE(completion.textChanged(composing));
    EXPECT_EQ(completion.ghostSuffix(), u"");

    completion.textChanged(typedAtEnd(u"type:te"));
    EXPECT_EQ(completion.ghostSuffix(), u"xt");
    completion.caretMoved();
    EXPECT_EQ(completion.ghostSuffix(), u"");

    completion.textChanged(typedAtEnd(u"type:tex"));
    ClipboardSearchFieldState selecting = typedAtEnd(u"type:tex");
    selecting.selectionLength = 2;
    selecting.cursor = 6;
    completion.selectionChanged(selecting);
    EXPECT_EQ(completion.ghostSuffix(), u"");

    // A candidate equal to the prefix leaves nothing to show.
    completion.textChanged(typedAtEnd(u"type:text"));
    EXPECT_EQ(completion.ghostSuffix(), u"");
}

TEST_F(ClipboardSearchCompletionStateTest, AppFilterFallsBackToRunningApplications) {
    catalog.install("org.mozilla.firefox", "Firefox");
    running = {{"org.mozilla.firefox", "Firefox"}};
    completion.textChanged(typedAtEnd(u"app:fir"));
    EXPECT_EQ(completion.ghostSuffix(), u"efox");

    ClipboardHistoryIndexSnapshot item;
    item.bundleIdentifier = " org.kde.kate ";
    manager.updateAppSuggestions({item, item});
    EXPECT_EQ(manager.appSuggestionBundleIdentifiers(),
              (std::vector<std::string>{"org.kde.kate", "org.mozilla.firefox"}));
}

TEST(ClipboardFilterChipsPresentationTest, ChipsStandInOneRow) {
    using Chips = ClipboardFilterChipsPresentation;
    EXPECT_EQ(Chips::intrinsicSize({}), Chips::Size{});
    EXPECT_FALSE(Chips::intrinsicSize({}).height);
    const auto frames = Chips::chipFrames({40, 30});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (ClipboardLayoutRect{0, 0, 64, 20}));
    EXPECT_EQ(frames[1], (ClipboardLayoutRect{70, 0, 54, 20}));
    EXPECT_EQ(Chips::intrinsicSize({40, 30}), (Chips::Size{124, 20}));
    EXPECT_EQ(Chips::backgroundAlpha(false, false), 0.12);
    EXPECT_EQ(Chips::backgroundAlpha(false, true), 0.2);
    EXPECT_EQ(Chips::backgroundAlpha(true, false), 0.15);
    EXPECT_EQ(Chips::backgroundAlpha(true, true), 0.25);
}

TEST(ClipboardFilterChipsPresentationTest, RemovingAChipTakesItsTokenOutOfTheText) {
    InMemoryUserDefaults defaults;
    const std::string query = "hello type:json app: kate";
    const auto parsed = ClipboardSearchQueryParser::parse(query, defaults);
    ASSERT_EQ(parsed.explicitFilters.size(), 2u);
    const std::string withoutType =
        ClipboardFilterChipsPresentation::searchTextRemoving(parsed.explicitFilters[0], query, defaults);
    EXPECT_EQ(withoutType, "hello app: kate");
    const auto reparsed = ClipboardSearchQueryParser::parse(withoutType, defaults);
    ASSERT_EQ(reparsed.explicitFilters.size(), 1u);
    EXPECT_EQ(reparsed.explicitFilters[0].kind, ClipboardSearchFilterKind::app);
    EXPECT_EQ(ClipboardFilterChipsPresentation::searchTextRemoving(reparsed.explicitFilters[0], withoutType,
                                                                   defaults),
              "hello");
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include "platform/memory/InMemoryApplicationCatalog.h"
#include "searchindex/ClipboardAppIdentityResolver.h"
#include "searchindex/ClipboardSearchVocabulary.h"
#include "support/IcuDefaultLocale.h"

namespace quorvane {
namespace {

using Resolver = ClipboardAppIdentityResolver;
using Strings = std::vector<std::string>;

InstalledApplication application(std::string identifier, std::string name) {
    InstalledApplication installed;
    installed.identifier = std::move(identifier);
    installed.name = std::move(name);
    return installed;
}

class ClipboardAppIdentityResolverTest : public ::testing::Test {
protected:
    ClipboardAppIdentityResolverTest() {
        auto chrome = application("com.google.Chrome", "Google Chrome");
        chrome.localizedNames["de"] = "Google Chrome Browser";
        catalog.install(chrome);
        catalog.install(application("org.mozilla.firefox", "Firefox"));
        catalog.install(application("com.jgraph.drawio", "draw.io"));
        catalog.install(application("org.gnome.TextEditor", "Text Editor"));
        catalog.install(application("org.kde.kate", "Kate"));
    }
    Resolver makeResolver(std::string locale = "C") {
        return Resolver(
            catalog, [this] { return running; }, std::move(locale));
    }

    InMemoryApplicationCatalog catalog;
    std::vector<Resolver::Candidate> running;
};

TEST_F(ClipboardAppIdentityResolverTest, DisplayNamePrefersRunningNameThenInstalledNameThenIdentifier) {
    auto resolver = makeResolver();
    EXPECT_EQ(resolver.displayName("com.google.Chrome"), "Google Chrome");
    EXPECT_EQ(resolver.displayName("  org.kde.kate "), "Kate");
    EXPECT_EQ(resolver.displayName("com.example.Nothing"), "com.example.Nothing");
    EXPECT_EQ(resolver.displayName("   "), "   ");
    EXPECT_EQ(makeResolver("de_DE.UTF-8").displayName("com.google.Chrome"), "Google Chrome Browser");

    running = {{"org.kde.kate", "Kate (running)"}, {"xterm", ""}};
    EXPECT_EQ(resolver.displayName("org.kde.kate"), "Kate (running)");
    EXPECT_EQ(resolver.displayName("xterm"), "xterm");
}

TEST_F(ClipboardAppIdentityResolverTest, MatchKeysSpaceOutSeparatorsAndKeepACompactForm) {
    EXPECT_EQ(Resolver::matchKeys("com.google.Chrome"), (Strings{"com google chrome", "comgooglechrome"}));
    EXPECT_EQ(Resolver::matchKeys("Kate"), (Strings{"kate", "kate"}));
    EXPECT_EQ(Resolver::matchKeys("Visual_Studio--Code"),
              (Strings{"visual studio code", "visualstudiocode"}));
    EXPECT_TRUE(Resolver::matchKeys(" -_. ").empty());
}

TEST_F(ClipboardAppIdentityResolverTest, TypedNameMatchesIdentifierOrNameInAnyForm) {
    Resolver::Candidate chrome{"com.google.Chrome", "Google Chrome"};
    EXPECT_TRUE(Resolver::matches("google chrome", {"com.google.Chrome", "com.google.Chrome"}));
    EXPECT_TRUE(Resolver::matches("googlechrome", chrome));
    EXPECT_TRUE(Resolver::matches("CHRO", chrome));
    EXPECT_TRUE(Resolver::matches("google-chrome", chrome));
    EXPECT_FALSE(Resolver::matches("-_.", chrome));
    EXPECT_FALSE(Resolver::matches("firefox", chrome));
}

TEST_F(ClipboardAppIdentityResolverTest, UniqueIdentifiersTrimAndIgnoreCaseKeepingTheFirstForm) {
    EXPECT_EQ(Resolver::uniqueBundleIdentifiers(
                  {" org.kde.Kate", "", "ORG.KDE.KATE", "  ", "xterm", "org.kde.kate"}),
              (Strings{"org.kde.Kate", "xterm"}));
}

TEST_F(ClipboardAppIdentityResolverTest, DottedValueResolvesToStoredIdentifiersIgnoringCase) {
    auto resolver = makeResolver();
    Strings known{"com.apple.Safari", "org.kde.kate", "COM.APPLE.SAFARI"};
    EXPECT_EQ(resolver.resolveBundleIdentifiers("com.apple.safari", known), Strings{"com.apple.Safari"});
    EXPECT_TRUE(resolver.resolveBundleIdentifiers("nothing-like-this", known).empty());
}

TEST_F(ClipboardAppIdentityResolverTest, IdentifierMatchIgnoresCaseUnderThePosixLocale) {
    // en_US_POSIX's collation tells letter cases apart; a miss would fall through to the name match,
    // which also takes the helper.
    testing::runUnderIcuDefaultLocale("en_US_POSIX", [&] {
        auto resolver = makeResolver();
        const Strings known{"com.demo.Browser", "com.demo.Browser.Helper"};
        EXPECT_EQ(resolver.resolveBundleIdentifiers("com.demo.browser", known), Strings{"com.demo.Browser"});
        EXPECT_EQ(ClipboardSearchVocabulary::resolveByIdentifier("com.demo.browser", known),
                  Strings{"com.demo.Browser"});
    });
}

TEST_F(ClipboardAppIdentityResolverTest, DottedValueThatIsNoIdentifierFallsBackToTheNameMatch) {
    auto resolver = makeResolver();
    Strings known{"org.kde.kate", "com.jgraph.drawio"};
    EXPECT_EQ(resolver.resolveBundleIdentifiers("draw.io", known), Strings{"com.jgraph.drawio"});
    EXPECT_TRUE(resolver.resolveBundleIdentifiers("no.such.app", known).empty());
}

TEST_F(ClipboardAppIdentityResolverTest, NameValueResolvesThroughDisplayNamesInKnownOrder) {
    auto resolver = makeResolver();
    Strings known{"org.mozilla.firefox", "com.google.Chrome", " com.google.chrome ", "org.gnome.TextEditor"};
    EXPECT_EQ(resolver.resolveBundleIdentifiers("chrome", known), Strings{"com.google.Chrome"});
    EXPECT_EQ(resolver.resolveBundleIdentifiers("text editor", known), Strings{"org.gnome.TextEditor"});
    EXPECT_EQ(resolver.resolveBundleIdentifiers("o", known),
              (Strings{"org.mozilla.firefox", "com.google.Chrome", "org.gnome.TextEditor"}));
}

TEST_F(ClipboardAppIdentityResolverTest, InsertKeysAreHyphenatedNameIdentifierAndLastPiece) {
    EXPECT_EQ(Resolver::insertKeys("com.apple.Safari", "Safari"), (Strings{"safari", "com.apple.Safari"}));
    EXPECT_EQ(Resolver::insertKeys("org.gnome.TextEditor", "Text Editor"),
              (Strings{"text-editor", "org.gnome.TextEditor", "TextEditor"}));
    EXPECT_EQ(Resolver::insertKeys("xterm", "XTerm"), Strings{"xterm"});
    EXPECT_EQ(Resolver::insertKeys("...", ""), Strings{"..."});
}

TEST_F(ClipboardAppIdentityResolverTest, SuggestionRankPrefersInsertKeyThenNameThenIdentifier) {
    Resolver::Candidate editor{"org.gnome.TextEditor", "Text Editor"};
    EXPECT_EQ(Resolver::suggestionRank("text-editor", editor, "text", "text"), 0);
    EXPECT_EQ(Resolver::suggestionRank("org.gnome.TextEditor", editor, "tex", "tex"), 1);
    EXPECT_EQ(Resolver::suggestionRank("text-editor", editor, "org", "org"), 2);
    EXPECT_EQ(Resolver::suggestionRank("org.gnome.TextEditor", editor, "ditor", "ditor"), 3);
    EXPECT_EQ(Resolver::suggestionRank("text-editor", editor, "nome", "nome"), 4);
    EXPECT_EQ(Resolver::suggestionRank("text-editor", editor, "vim", "vim"), std::nullopt);
    EXPECT_EQ(Resolver::suggestionRank("text-editor", editor, "", ""), 0);
}

TEST_F(ClipboardAppIdentityResolverTest, SuggestionsSortByRankThenNameAndStopAtTheLimit) {
    auto resolver = makeResolver();
    Strings known{"org.kde.kate", "org.mozilla.firefox", "com.google.Chrome"};
    EXPECT_TRUE(resolver.suggestions("", known, 0).empty());
    // Equal ranks order by display name: Firefox, Google Chrome, Kate.
    EXPECT_EQ(resolver.suggestions("", known, 8),
              (Strings{"firefox", "org.mozilla.firefox", "google-chrome", "com.google.Chrome", "Chrome",
                       "kate", "org.kde.kate"}));
    EXPECT_EQ(resolver.suggestions("", known, 3),
              (Strings{"firefox", "org.mozilla.firefox", "google-chrome"}));
    EXPECT_EQ(resolver.suggestions("chr", known, 8),
              (Strings{"Chrome", "google-chrome", "com.google.Chrome"}));
}

TEST_F(ClipboardAppIdentityResolverTest, RunningIdentifiersAreUnique) {
    running = {{"org.kde.kate", "Kate"}, {"ORG.KDE.KATE", "Kate"}, {" ", ""}, {"xterm", "XTerm"}};
    EXPECT_EQ(makeResolver().runningApplicationBundleIdentifiers(), (Strings{"org.kde.kate", "xterm"}));
}

}  // namespace
}  // namespace quorvane

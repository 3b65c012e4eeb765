#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

constexpr AppLanguage english = AppLanguage::english;
constexpr AppLanguage chinese = AppLanguage::simplifiedChinese;

L10nKey keyAt(std::size_t index) {
    return static_cast<L10nKey>(index);
}

// The argument numbers a pattern refers to, e.g. {1, 3} for "{1} from {3} to {1}".
std::set<int> placeholdersOf(std::string_view pattern) {
    std::set<int> numbers;
    for (std::size_t at = pattern.find('{'); at != std::string_view::npos; at = pattern.find('{', at + 1)) {
        if (at + 2 < pattern.size() && pattern[at + 2] == '}') numbers.insert(pattern[at + 1] - '0');
    }
    return numbers;
}

// Distinct values for every argument of `key`: strings "<A1>", "<A2>" ..., integers 9001, 9002 ...
struct SampleArguments {
    std::vector<std::string> strings;
    std::vector<L10nArgument> arguments;
    std::vector<std::string> expected;

    explicit SampleArguments(L10nKey key) {
        const auto kinds = L10n::argumentKinds(key);
        strings.reserve(kinds.size());
        for (std::size_t index = 0; index < kinds.size(); ++index) {
            if (kinds[index] == L10nArgumentKind::string) {
                strings.push_back("<A" + std::to_string(index + 1) + ">");
                arguments.emplace_back(strings.back());
                expected.push_back(strings.back());
            } else {
                const auto number = static_cast<std::int64_t>(9001 + index);
                arguments.emplace_back(number);
                expected.push_back(std::to_string(number));
            }
        }
    }
};

class L10nTest : public ::testing::Test {
protected:
    InMemoryUserDefaults defaults;
    StandardAppLanguage language{defaults};
};

TEST_F(L10nTest, EveryKeyHasBothTextsUsingExactlyItsArguments) {
    ASSERT_GT(l10nKeyCount, 0u);
    std::set<std::string_view> identifiers;
    for (std::size_t index = 0; index < l10nKeyCount; ++index) {
        const L10nKey key = keyAt(index);
        SCOPED_TRACE(std::string(L10n::identifier(key)));
        EXPECT_TRUE(identifiers.insert(L10n::identifier(key)).second) << "identifier used twice";

        std::set<int> all;
        for (int number = 1; number <= static_cast<int>(L10n::argumentKinds(key).size()); ++number) {
            all.insert(number);
        }
        EXPECT_EQ(placeholdersOf(L10n::pattern(english, key)), all);
        EXPECT_EQ(placeholdersOf(L10n::pattern(chinese, key)), all);

        SampleArguments sample(key);
        for (AppLanguage language : {english, chinese}) {
            const std::string text = L10n::textIn(language, key, sample.arguments);
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(text.find('{'), std::string::npos) << text;
            for (const auto& value : sample.expected) EXPECT_NE(text.find(value), std::string::npos) << text;
        }
    }
}

// One line per key, in catalogue order: the argument kinds, a tab, the English text ("\n" for a line break).
struct ReferenceText {
    std::string kinds;
    std::string text;
};

std::vector<ReferenceText> readReferenceTexts() {
    std::ifstream file(std::filesystem::path(QUORVANE_TESTS_DIR) / "l10n" / "fixtures" / "english_texts.txt");
    std::vector<ReferenceText> texts;
    std::string line;
    while (std::getline(file, line)) {
        const auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        ReferenceText reference{line.substr(0, tab), {}};
        const std::string escaped = line.substr(tab + 1);
        for (std::size_t at = 0; at < escaped.size(); ++at) {
            if (escaped[at] == '\\' && at + 1 < escaped.size() && escaped[at + 1] == 'n') {
                reference.text += '\n';
                ++at;
            } else {
                reference.text += escaped[at];
            }
        }
        texts.push_back(std::move(reference));
    }
    return texts;
}

std::string kindsOf(L10nKey key) {
    std::string kinds;
    for (auto kind : L10n::argumentKinds(key)) {
        if (!kinds.empty()) kinds += ',';
        kinds += kind == L10nArgumentKind::string ? "string" : "integer";
    }
    return kinds;
}

// Words of the other desktop platform (and its key names); our English texts use Linux wording instead.
// A Linux desktop shows a tray or panel icon, not a menu-bar item, and users never pick a "build".
const std::vector<std::string> otherPlatformWords = {
    "macOS", "Mac",     "Finder",   "System Settings", "App Store", "Vision",       ".app",
    "Cmd",   "Command", "menu bar", "Menu Bar",        "menu-bar",  "Direct build", "edition"};

bool mentionsOtherPlatform(std::string_view text) {
    for (const auto& word : otherPlatformWords) {
        if (text.find(word) != std::string_view::npos) return true;
    }
    return false;
}

// The keys whose English text was reworded for Linux.
const std::set<L10nKey> linuxWordedKeys = {
    L10nKey::generalStartupUpdateFailedMessage,
    L10nKey::storageShowInFileManager,
    L10nKey::storagePrivacyDescription,
    L10nKey::appFilterDescription,
    L10nKey::appFilterDropAppHint,
    L10nKey::appFilterNoNewAppsMessage,
    L10nKey::advancedOcrDescription,
    L10nKey::advancedReturnPasteDescription,
    L10nKey::advancedOpenAccessibilitySettings,
    L10nKey::accessibilityStatusUnknownDescription,
    L10nKey::panelCommandKeyImageDescription,
    L10nKey::itemActionSaveToFile,
    L10nKey::saveDialogTitle,
    L10nKey::panelCopyHint,
    L10nKey::onboardingStoredLocally,
    L10nKey::launchAtLoginDescription,
    L10nKey::launchAtLoginRequiresApproval,
    L10nKey::menuBarIconHiddenBySystem,
    L10nKey::menuBarIconRestoreSteps,
    L10nKey::accessibilityTrustedDescription,
    L10nKey::generalMenuBarSection,
    L10nKey::generalMenuBarIconDescription,
    L10nKey::generalOpenMenuBarSettings,
    L10nKey::generalKeepEntryPointMessage,
    L10nKey::generalShowMenuBarAndRemoveShortcut,
    L10nKey::advancedPresentationDescription,
    L10nKey::onboardingEntryPointsDescription,
    L10nKey::onboardingShowMenuBarIcon,
    L10nKey::onboardingMenuBarIconDescription,
    L10nKey::menuBarShortcutRequiredMessage,
    L10nKey::onboardingOpenHistoryDescription,
    L10nKey::accessibilityNotTrustedDescription,
    L10nKey::accessibilityCanRequestDescription,
};

// Texts that lost a key name ("+ K Open Actions" without its "Ctrl"): the key combination is drawn beside
// them, written as the menus write it.
const std::set<L10nKey> keyCombinationDrawnApartKeys = {L10nKey::panelOpenActionsTip};

TEST_F(L10nTest, EnglishCatalogueIsTheReferenceListWithLinuxWording) {
    const auto reference = readReferenceTexts();
    ASSERT_EQ(reference.size(), l10nKeyCount);
    for (std::size_t index = 0; index < l10nKeyCount; ++index) {
        const L10nKey key = keyAt(index);
        SCOPED_TRACE(std::string(L10n::identifier(key)));
        EXPECT_EQ(kindsOf(key), reference[index].kinds);
        const std::string_view ours = L10n::pattern(english, key);
        EXPECT_FALSE(mentionsOtherPlatform(ours)) << ours;
        if (keyCombinationDrawnApartKeys.count(key)) {
            EXPECT_EQ(ours.find('+'), std::string_view::npos) << ours;
        } else if (linuxWordedKeys.count(key)) {
            EXPECT_TRUE(mentionsOtherPlatform(reference[index].text)) << "reworded without need";
            EXPECT_EQ(placeholdersOf(ours), placeholdersOf(reference[index].text));
        } else {
            EXPECT_EQ(ours, reference[index].text);
        }
    }
}

TEST_F(L10nTest, NeitherCatalogueSpeaksOfAMenuBarOrOfBuildsOrEditions) {
    for (std::size_t index = 0; index < l10nKeyCount; ++index) {
        const L10nKey key = keyAt(index);
        SCOPED_TRACE(std::string(L10n::identifier(key)));
        std::string englishText(L10n::pattern(english, key));
        for (auto& c : englishText) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(englishText.find("menu bar"), std::string::npos) << englishText;
        EXPECT_EQ(englishText.find("menu-bar"), std::string::npos) << englishText;
        EXPECT_EQ(englishText.find("direct build"), std::string::npos) << englishText;
        const std::string_view chineseText = L10n::pattern(chinese, key);
        EXPECT_EQ(chineseText.find("菜单栏"), std::string_view::npos) << chineseText;
        // A feature is named by what it does, never by the edition of the program that has it.
        EXPECT_EQ(englishText.find("edition"), std::string::npos) << englishText;
        EXPECT_EQ(chineseText.find("分发版"), std::string_view::npos) << chineseText;
        EXPECT_EQ(chineseText.find("版本增强"), std::string_view::npos) << chineseText;
    }
}

TEST_F(L10nTest, ChineseCatalogueUsesTheEstablishedTranslations) {
    const std::vector<std::pair<L10nKey, std::string_view>> established = {
        {L10nKey::settingsWindowTitle, "设置"},
        {L10nKey::generalClipboardHistoryHotkeyLabel, "剪贴板历史："},
        {L10nKey::onboardingClipboardHistoryHotkeyLabel, "剪贴板历史："},
        {L10nKey::storageLocationChangedTitle, "存储位置已更改"},
        {L10nKey::retentionForever, "永久"},
        {L10nKey::retentionOneDay, "1 天"},
        {L10nKey::retentionNinetyDays, "90 天"},
        {L10nKey::settingsTabAppFilter, "应用过滤"},
        {L10nKey::onboardingStandardPanel, "普通面板"},
        {L10nKey::onboardingFloatingPanel, "浮动面板"},
        {L10nKey::onboardingLanguageLabel, "语言 / Language"},
        {L10nKey::retentionShortenTitle, "要缩短{1}历史保留时长吗？"},
        {L10nKey::storageTextImageCounts, "{1} 条文本 · {2} 条图片"},
    };
    for (const auto& [key, text] : established) EXPECT_EQ(L10n::pattern(chinese, key), text);
    // Only the onboarding language label keeps English in the Chinese catalogue.
    for (std::size_t index = 0; index < l10nKeyCount; ++index) {
        const L10nKey key = keyAt(index);
        if (key == L10nKey::onboardingLanguageLabel) continue;
        EXPECT_NE(L10n::pattern(chinese, key), L10n::pattern(english, key)) << L10n::identifier(key);
    }
}

TEST_F(L10nTest, IntegersAreWrittenInPlainDecimal) {
    EXPECT_EQ(L10n::text(L10nKey::onboardingStepOfTotal, 2, 5), "Step 2 of 5");
    EXPECT_EQ(L10n::textIn(chinese, L10nKey::onboardingStepOfTotal, {{2, 5}}), "第 2 步，共 5 步");
    EXPECT_EQ(L10n::text(L10nKey::searchFailureCount, -3), "-3 failed");
    EXPECT_EQ(L10n::text(L10nKey::searchIndexDocumentCount, 1), "1 documents in index");
    EXPECT_EQ(L10n::text(L10nKey::searchIndexRebuiltDocuments, 1234567), "Rebuilt 1234567 documents.");
    EXPECT_EQ(L10n::text(L10nKey::searchFailureCount, std::numeric_limits<std::int64_t>::min()),
              "-9223372036854775808 failed");
    EXPECT_EQ(L10n::text(L10nKey::searchFailureCount, std::numeric_limits<std::uint64_t>::max()),
              "18446744073709551615 failed");
}

TEST_F(L10nTest, ArgumentsAreInsertedAsTheyAreAndMayRepeat) {
    const std::string tricky = "{2} %@ %1$s {}";
    EXPECT_EQ(L10n::text(L10nKey::searchIndexRebuildFailed, tricky), "Rebuild failed: {2} %@ %1$s {}");
    EXPECT_EQ(L10n::text(L10nKey::retentionShortenMessage, "text", "7 Days", "1 Day", "{3}"),
              "Changing text history retention from 7 Days to 1 Day will immediately remove existing {3} "
              "history older than 1 Day.\n\nContinue?");
    EXPECT_EQ(L10n::textIn(chinese, L10nKey::retentionShortenMessage, {{"文本", "7 天", "1 天", "文本"}}),
              "将文本历史保留时长从“7 天”改为“1 天”后，"
              "保存超过1 天的现有文本历史将被立即删除。\n\n要继续吗？");
    EXPECT_EQ(L10n::text(L10nKey::searchPerformanceSummary, "", "", 0), "Search p50/p95 / ms · 0 samples");
    EXPECT_EQ(L10n::text(L10nKey::appMenuHide, static_cast<const char*>(nullptr)), "Hide ");
    EXPECT_EQ(L10n::text(L10nKey::storageLocationChangedMessage, std::string("/home/a b/")),
              "Clipboard data is now stored in:\n/home/a b/");
}

TEST_F(L10nTest, WrongArgumentsAreLoggedAndStillGiveAText) {
    testing::LogCapture log;
    EXPECT_EQ(L10n::text(L10nKey::onboardingStepOfTotal, 3), "Step 3 of ");
    EXPECT_TRUE(log.contains("ERROR",
                             "Failed to fill text onboardingStepOfTotal: "
                             "it takes (integer, integer), was given (integer)"));
    log.clear();
    EXPECT_EQ(L10n::text(L10nKey::appMenuQuit, 7, "extra"), "Quit 7");
    EXPECT_TRUE(log.contains("ERROR", "appMenuQuit: it takes (string), was given (integer, string)"));
    log.clear();
    EXPECT_EQ(L10n::text(L10nKey::cancel), "Cancel");
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(L10n::text(static_cast<L10nKey>(l10nKeyCount)), "");
    EXPECT_TRUE(log.contains("ERROR", "Failed to look up text: unknown key " + std::to_string(l10nKeyCount)));
}

TEST_F(L10nTest, LookupsFollowTheStoredLanguage) {
    EXPECT_EQ(L10n::text(L10nKey::settingsWindowTitle), "Settings");
    defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    EXPECT_EQ(L10n::text(L10nKey::settingsWindowTitle), "设置");
    EXPECT_EQ(L10n::text(L10nKey::appMenuAbout, "Quorvane"), "关于 Quorvane");
    defaults.set(AppLanguage::defaultsKey, "en");
    EXPECT_EQ(L10n::text(L10nKey::appMenuAbout, "Quorvane"), "About Quorvane");
}

}  // namespace
}  // namespace quorvane

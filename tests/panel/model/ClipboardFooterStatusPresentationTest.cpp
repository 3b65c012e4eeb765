#include <gtest/gtest.h>

#include "l10n/AppLanguage.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardFooterStatusPresentation.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "preferences/SettingsAccessors.h"

namespace quorvane {
namespace {

using Presentation = ClipboardFooterStatusPresentation;

TEST(ClipboardFooterStatusPresentationTest, ErrorsShowTrimmedWithTheTipsKept) {
    EXPECT_FALSE(footerStatusPresentation(std::nullopt).has_value());
    EXPECT_FALSE(footerStatusPresentation(ClipboardFooterErrorMessage{" \n\t "}).has_value());

    const auto shown =
        footerStatusPresentation(ClipboardFooterErrorMessage{"  Failed to copy the selected entry.\n"});
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->message, "Failed to copy the selected entry.");
    EXPECT_EQ(shown->toolTip, "Failed to copy the selected entry.");
    EXPECT_FALSE(shown->action.has_value());
    EXPECT_EQ(shown->trailingAccessory, Presentation::TrailingAccessory::tip);
}

TEST(ClipboardFooterStatusPresentationTest, TheAccessibilityHintIsRecognisedByItsKindInEveryLanguage) {
    for (const auto& languageText :
         {L10n::textIn(AppLanguage::english, L10nKey::returnPasteNeedsAccessibilityDetail, {}),
          L10n::textIn(AppLanguage::simplifiedChinese, L10nKey::returnPasteNeedsAccessibilityDetail, {})}) {
        const ClipboardFooterErrorMessage error{
            languageText, ClipboardFooterErrorMessage::Kind::accessibilityPermissionRequired};
        const auto shown = footerStatusPresentation(error);
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->message, L10n::text(L10nKey::returnPasteNeedsAccessibility));
        EXPECT_EQ(shown->toolTip, L10n::text(L10nKey::returnPasteNeedsAccessibilityDetail));
        EXPECT_EQ(shown->trailingAccessory, Presentation::TrailingAccessory::none);
    }
    // The same words without the kind are an ordinary message.
    const auto plain = footerStatusPresentation(
        ClipboardFooterErrorMessage{L10n::text(L10nKey::returnPasteNeedsAccessibilityDetail)});
    EXPECT_EQ(plain->trailingAccessory, Presentation::TrailingAccessory::tip);
    EXPECT_EQ(ClipboardFooterErrorMessage::accessibilityPermissionRequired().kind,
              ClipboardFooterErrorMessage::Kind::accessibilityPermissionRequired);
}

TEST(ClipboardFooterStatusPresentationTest, TheUpdateNoticeShowsOnlyWhereTheMenuBarCannotCarryIt) {
    InMemoryUserDefaults defaults;
    const ClipboardFooterUpdateState update{true, std::string(" 2.1 \n"), false, {}};
    EXPECT_FALSE(
        makeUpdateFooterStatusPresentation(DistributionChannel::direct, update, defaults).has_value())
        << "the visible menu-bar icon carries it";
    EXPECT_FALSE(
        makeUpdateFooterStatusPresentation(DistributionChannel::direct, {false, "2.1", false, {}}, defaults));

    defaults.set(SettingsKey::menuBarStatusItemHiddenBySystem, DefaultsValue(true));
    const auto notice = makeUpdateFooterStatusPresentation(DistributionChannel::direct, update, defaults);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->message, L10n::text(L10nKey::updateVersionReady, "2.1"));
    EXPECT_EQ(notice->toolTip, notice->message);
    ASSERT_TRUE(notice->action.has_value());
    EXPECT_EQ(notice->action->title, L10n::text(L10nKey::updateNow));
    EXPECT_EQ(notice->action->kind, Presentation::Action::Kind::checkForUpdates);
    EXPECT_EQ(notice->trailingAccessory, Presentation::TrailingAccessory::action);
    EXPECT_FALSE(makeUpdateFooterStatusPresentation(DistributionChannel::appStore, update, defaults))
        << "the store channel never shows it";

    defaults.remove(SettingsKey::menuBarStatusItemHiddenBySystem);
    setMenuBarShowIcon(defaults, false);
    const auto versionless = makeUpdateFooterStatusPresentation(
        DistributionChannel::direct, {true, std::string("  "), false, {}}, defaults);
    ASSERT_TRUE(versionless.has_value());
    EXPECT_EQ(versionless->message, L10n::text(L10nKey::updateReady));
}

TEST(ClipboardFooterStatusPresentationTest, TheErrorWinsOverTheUpdateNotice) {
    InMemoryUserDefaults defaults;
    setMenuBarShowIcon(defaults, false);
    const ClipboardFooterUpdateState update{true, std::string("2.1"), false, {}};
    const auto error = chooseFooterStatusPresentation(ClipboardFooterErrorMessage{"Broken"},
                                                      DistributionChannel::direct, update, defaults);
    EXPECT_EQ(error->message, "Broken");
    const auto blank = chooseFooterStatusPresentation(ClipboardFooterErrorMessage{"   "},
                                                      DistributionChannel::direct, update, defaults);
    EXPECT_EQ(blank->trailingAccessory, Presentation::TrailingAccessory::action);
    EXPECT_FALSE(chooseFooterStatusPresentation(std::nullopt, DistributionChannel::direct, {}, defaults));

    Presentation a{"m", "m", std::nullopt, Presentation::TrailingAccessory::tip};
    Presentation b = a;
    b.trailingAccessory = Presentation::TrailingAccessory::none;
    EXPECT_NE(a, b);
}

TEST(ClipboardFooterStatusPresentationTest, ADamagedHistoryOutranksTheUpdateNoticeButNotTheListsError) {
    InMemoryUserDefaults defaults;
    setMenuBarShowIcon(defaults, false);
    const ClipboardFooterUpdateState damaged{true, std::string("2.1"), true, {}};
    const auto shown =
        chooseFooterStatusPresentation(std::nullopt, DistributionChannel::direct, damaged, defaults);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->message, L10n::text(L10nKey::historyDamagedStatus));
    EXPECT_FALSE(shown->action);
    const auto error = chooseFooterStatusPresentation(ClipboardFooterErrorMessage{"Broken"},
                                                      DistributionChannel::direct, damaged, defaults);
    EXPECT_EQ(error->message, "Broken");
}

}  // namespace
}  // namespace quorvane

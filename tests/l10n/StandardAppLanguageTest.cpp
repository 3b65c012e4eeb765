#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "l10n/L10n.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/InMemoryUserDefaults.h"

namespace quorvane {
namespace {

using Values = std::map<std::string, DefaultsValue>;

TEST(StandardAppLanguageTest, FollowsTheSettingFromConstructionToDestruction) {
    InMemoryUserDefaults defaults(Values{{AppLanguage::defaultsKey, "zh-Hans"}});
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::english) << "nothing followed yet";
    {
        StandardAppLanguage standard(defaults);
        EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese) << "read at once";
        defaults.remove(AppLanguage::defaultsKey);
        EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::english);
        defaults.set(AppLanguage::defaultsKey, "zh-Hans");
        EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese);
    }
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::english);
    defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::english) << "no longer followed";
}

TEST(StandardAppLanguageTest, ANewerFollowerIsNotUndoneByAnOlderOne) {
    InMemoryUserDefaults first(Values{{AppLanguage::defaultsKey, "en"}});
    InMemoryUserDefaults second(Values{{AppLanguage::defaultsKey, "zh-Hans"}});
    auto older = std::make_unique<StandardAppLanguage>(first);
    StandardAppLanguage newer(second);
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese);
    first.set(AppLanguage::defaultsKey, "en");
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese);
    older.reset();
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese);
}

TEST(StandardAppLanguageTest, OtherKeysDoNotDisturbTheLanguage) {
    InMemoryUserDefaults defaults(Values{{AppLanguage::defaultsKey, "zh-Hans"}});
    StandardAppLanguage standard(defaults);
    defaults.set("ClipboardHistoryHotkey", "zh-Hans");
    defaults.remove("ClipboardHistoryHotkey");
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese);
}

// Settings that count how often they are read.
class CountingUserDefaults : public InMemoryUserDefaults {
public:
    std::optional<DefaultsValue> object(const std::string& key) const override {
        ++reads;
        return InMemoryUserDefaults::object(key);
    }
    mutable std::atomic<int> reads{0};
};

TEST(StandardAppLanguageTest, LookupsDoNotReadTheSettings) {
    CountingUserDefaults defaults;
    defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    StandardAppLanguage standard(defaults);
    const int readsWhenFollowing = defaults.reads.load();
    for (int lookup = 0; lookup < 100; ++lookup) {
        ASSERT_EQ(L10n::text(L10nKey::appMenuQuit, "Quorvane"), "退出 Quorvane");
        ASSERT_EQ(AppLanguage::currentLocale(), "zh-Hans");
    }
    EXPECT_EQ(defaults.reads.load(), readsWhenFollowing);
    defaults.set(AppLanguage::defaultsKey, "en");
    EXPECT_EQ(defaults.reads.load(), readsWhenFollowing + 1) << "one read per change of the setting";
}

// Lookups on other threads while the language flips: each sees one whole catalogue text, and the last
// change wins even when writers race.
TEST(StandardAppLanguageTest, LookupsFromOtherThreadsSeeWholeTextsWhileTheLanguageChanges) {
    InMemoryUserDefaults defaults;
    StandardAppLanguage standard(defaults);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int reader = 0; reader < 3; ++reader) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const auto text = L10n::text(L10nKey::onboardingStepOfTotal, 1, 4);
                if (text != "Step 1 of 4" && text != "第 1 步，共 4 步") ++torn;
            }
        });
    }
    std::thread writer([&] {
        for (int round = 0; round < 500; ++round) defaults.set(AppLanguage::defaultsKey, "en");
    });
    for (int round = 0; round < 500; ++round) defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    writer.join();
    defaults.set(AppLanguage::defaultsKey, "zh-Hans");
    stop.store(true);
    for (auto& reader : readers) reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(StandardAppLanguage::current(), AppLanguage::simplifiedChinese);
}

}  // namespace
}  // namespace quorvane

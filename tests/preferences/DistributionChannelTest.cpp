#include <gtest/gtest.h>

#include "preferences/AppEnvironment.h"
#include "preferences/DistributionChannel.h"

namespace quorvane {
namespace {

TEST(DistributionChannelTest, RawStringsAreTrimmedAndCaseInsensitive) {
    const std::pair<std::optional<std::string>, DistributionChannel> cases[] = {
        {"DIRECT", DistributionChannel::direct},      {" direct\n", DistributionChannel::direct},
        {"Direct", DistributionChannel::direct},      {"\u00A0DiReCt\u2003", DistributionChannel::direct},
        {"APP_STORE", DistributionChannel::appStore}, {"\tapp_store ", DistributionChannel::appStore},
        {"APPSTORE", DistributionChannel::unknown},   {"APP STORE", DistributionChannel::unknown},
        {"DIRECTLY", DistributionChannel::unknown},   {"", DistributionChannel::unknown},
        {"  ", DistributionChannel::unknown},         {std::nullopt, DistributionChannel::unknown},
    };
    for (const auto& [raw, expected] : cases) {
        EXPECT_EQ(distributionChannelFromRawString(raw), expected) << raw.value_or("<none>");
    }
}

TEST(DistributionChannelTest, InformationTableValuesThatAreNotStringsGiveUnknown) {
    using Dictionary = DefaultsValue::Dictionary;
    EXPECT_EQ(distributionChannelFromInfoDictionary(Dictionary{}), DistributionChannel::unknown);
    EXPECT_EQ(distributionChannelFromInfoDictionary(Dictionary{{"QuorvaneDistributionChannel", 1}}),
              DistributionChannel::unknown);
    EXPECT_EQ(distributionChannelFromInfoDictionary(
                  Dictionary{{"QuorvaneDistributionChannel", DefaultsValue::Array{"DIRECT"}}}),
              DistributionChannel::unknown);
    EXPECT_EQ(distributionChannelFromInfoDictionary(Dictionary{{"QuorvaneDistributionChannel", "app_store"}}),
              DistributionChannel::appStore);
    EXPECT_EQ(distributionChannelFromInfoDictionary(Dictionary{{"CFBundleDisplayName", "DIRECT"}}),
              DistributionChannel::unknown);
}

TEST(DistributionChannelTest, TheBuildsInformationTableCarriesTheConfiguredChannel) {
    const auto& environment = AppEnvironment::main();
    EXPECT_EQ(&environment, &AppEnvironment::main());
    const auto& info = environment.infoDictionary;
    EXPECT_EQ(info.at("QuorvaneDistributionChannel").stringValue(), QUORVANE_DISTRIBUTION_CHANNEL);
    EXPECT_EQ(environment.distributionChannel(),
              distributionChannelFromRawString(std::string(QUORVANE_DISTRIBUTION_CHANNEL)));
    EXPECT_EQ(info.at("CFBundleShortVersionString").stringValue(), QUORVANE_VERSION);
    EXPECT_EQ(info.at("CFBundleDisplayName").stringValue(), "Quorvane");
    EXPECT_EQ(info.at("CFBundleIdentifier").stringValue(), "tech.zanto.QuorvaneApp");
    // No update feed ships.
    EXPECT_EQ(info.at("SUFeedURL").stringValue(), "");
    EXPECT_EQ(info.at("SUPublicEDKey").stringValue(), "");
}

}  // namespace
}  // namespace quorvane

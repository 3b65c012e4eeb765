#include <gtest/gtest.h>

#include "platform/memory/RecordingWorkspaceOpener.h"
#include "preferences/AppInfo.h"

namespace quorvane {
namespace {

AppEnvironment environment(DefaultsValue::Dictionary values) {
    return AppEnvironment{std::move(values)};
}

DefaultsValue text(const char* value) {
    return DefaultsValue(std::string(value));
}

TEST(AppInfoTest, NamesAndVersionsFallBackWhenTheTableLacksThem) {
    const AppEnvironment empty = environment({});
    EXPECT_EQ(AppInfo(empty).displayName(), "Quorvane");
    EXPECT_EQ(AppInfo(empty).version(), "1.0");
    EXPECT_EQ(AppInfo(empty).buildNumber(), "1");

    const AppEnvironment bundleNameOnly =
        environment({{"CFBundleDisplayName", text("")}, {"CFBundleName", text("Clips")}});
    EXPECT_EQ(AppInfo(bundleNameOnly).displayName(), "Clips");
    const AppEnvironment wrongKind =
        environment({{"CFBundleShortVersionString", DefaultsValue(std::int64_t{2})}});
    EXPECT_EQ(AppInfo(wrongKind).version(), "1.0");

    // This build's own table.
    EXPECT_EQ(AppInfo().displayName(), "Quorvane");
    EXPECT_EQ(AppInfo().version(), QUORVANE_VERSION);
}

TEST(AppInfoTest, FeedbackMailEncodesEverythingOutsideTheUnreservedSet) {
    const AppEnvironment withAddress =
        environment({{"QuorvaneSupportMailAddress", text("help@example.org")}});
    const AppInfo info(withAddress);
    EXPECT_EQ(info.feedbackMailURL(std::nullopt, std::nullopt), "mailto:help@example.org");
    EXPECT_EQ(info.feedbackMailURL(std::string(""), std::string("\n\n")),
              "mailto:help@example.org?body=%0A%0A");
    // "&", "=", "#" and "+" would start another item, end the query or read as a blank.
    EXPECT_EQ(info.feedbackMailURL(std::string("a&b=c #1+2 é"), std::nullopt),
              "mailto:help@example.org?subject=a%26b%3Dc%20%231%2B2%20%C3%A9");
    EXPECT_EQ(info.feedbackMailURL(std::string("s"), std::string("b")),
              "mailto:help@example.org?subject=s&body=b");

    EXPECT_EQ(AppInfo(environment({})).feedbackMailURL(std::string("s"), std::nullopt), std::nullopt);
}

TEST(AppInfoTest, SendFeedbackOpensOneMailLinkNamingTheBuildAndSystem) {
    const AppEnvironment table = environment({{"CFBundleDisplayName", text("Quorvane")},
                                              {"CFBundleShortVersionString", text("1.4")},
                                              {"CFBundleVersion", text("27")},
                                              {"QuorvaneSupportMailAddress", text("help@example.org")}});
    RecordingWorkspaceOpener workspace;
    AppInfo(table).sendFeedback(workspace);
    ASSERT_EQ(workspace.openedURLs.size(), 1u);
    const std::string expectedStart = "mailto:help@example.org?subject=Quorvane%201.4%20%2827%29%20Linux%20";
    EXPECT_EQ(workspace.openedURLs[0].substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(workspace.openedURLs[0].find("&body=%0A%0A"), std::string::npos);
    EXPECT_FALSE(AppInfo::systemVersion().empty());
}

TEST(AppInfoTest, FeedAndKeyNeedRealValues) {
    EXPECT_EQ(environment({{"SUFeedURL", text("   ")}}).feedURL(), std::nullopt);
    EXPECT_EQ(environment({{"SUFeedURL", text("not a url")}}).feedURL(), std::nullopt);
    EXPECT_EQ(environment({{"SUFeedURL", DefaultsValue(true)}}).feedURL(), std::nullopt);
    EXPECT_EQ(environment({{"SUFeedURL", text("https://example.org/appcast.xml")}}).feedURL(),
              "https://example.org/appcast.xml");
    EXPECT_EQ(environment({{"SUPublicEDKey", text(" \n")}}).publicEDKey(), std::nullopt);
    EXPECT_EQ(environment({{"SUPublicEDKey", text(" key= \n")}}).publicEDKey(), "key=");
    // This build ships no feed.
    EXPECT_EQ(AppEnvironment::main().feedURL(), std::nullopt);
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "desktop/DesktopSession.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

TEST(QtScreenProviderTest, ScreensComeFromTheDisplayWithThePrimaryFirst) {
    DESKTOP_SESSION_OR_SKIP();
    QtScreenProvider provider;
    const auto screens = provider.screens();
    ASSERT_EQ(screens.size(), static_cast<std::size_t>(QGuiApplication::screens().size()));
    ASSERT_FALSE(screens.empty());
    const QRect primary = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(screens.front().frame, (ScreenRect{double(primary.x()), double(primary.y()),
                                                 double(primary.width()), double(primary.height())}));
    EXPECT_EQ(provider.mainScreen(), screens.front());
    EXPECT_GT(screens.front().visibleFrame.width, 0);
    // None of this program's windows has focus.
    EXPECT_EQ(provider.keyWindowScreen(), std::nullopt);
}

TEST(QtScreenProviderTest, MouseLocationFollowsThePointer) {
    DESKTOP_SESSION_OR_SKIP();
    QtScreenProvider provider;
    ASSERT_EQ(DesktopSession::run("xdotool", {"mousemove", "123", "45"}).exitCode, 0);
    EXPECT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            return provider.mouseLocation() == ScreenPoint{123, 45};
        },
        std::chrono::seconds(3)));
}

TEST(QtTextWidthMeasurerTest, WidthsGrowWithTheTextAndThePointSize) {
    DESKTOP_SESSION_OR_SKIP();
    QtTextWidthMeasurer measurer;
    EXPECT_EQ(measurer.width("", 13), 0);
    const double abc = measurer.width("abc", 13);
    EXPECT_GT(abc, 0);
    EXPECT_NEAR(measurer.width("abcabc", 13), 2 * abc, 1.0);
    EXPECT_GT(measurer.width("abc", 26), abc * 1.5);
}

}  // namespace
}  // namespace quorvane

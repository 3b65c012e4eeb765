#include <gtest/gtest.h>

#include <QFile>
#include <QMovie>
#include <QPointer>
#include <QtTest/QTest>

#include "l10n/StandardAppLanguage.h"
#include "onboarding/model/OnboardingViewModel.h"
#include "onboarding/widgets/LoopingIntroAnimationView.h"
#include "onboarding/widgets/OnboardingWindow.h"
#include "platform/NotificationCenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "support/LogCapture.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"
#include "system/AccessibilityPermissionManagerProtocol.h"

namespace quorvane {
namespace {

class Untrusted : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override { return AccessibilityPermissionStatus::unknown; }
    bool isTrusted() const override { return false; }
    bool hasRequestedPermission() const override { return false; }
    void requestPermission() override {}
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}
};

class LoopingIntroAnimationViewTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApplication(); }

    std::unique_ptr<OnboardingWindow> makeWindow() {
        auto window =
            std::make_unique<OnboardingWindow>(model_, loop_, defaults_, notifications_, "Quorvane", [] {});
        window->show();
        return window;
    }
    static LoopingIntroAnimationView* animationOf(const OnboardingWindow& window) {
        return window.page()->findChild<LoopingIntroAnimationView*>();
    }
    // Waits until the animation shows another frame than `frame`, or gives up after two seconds.
    static bool advancesFrom(const LoopingIntroAnimationView& view, int frame) {
        return QTest::qWaitFor([&] { return view.currentFrameNumber() != frame; }, 2000);
    }

    FakeClock clock_;
    ManualRunLoop loop_{clock_};
    NotificationCenter notifications_{loop_};
    InMemoryUserDefaults defaults_;
    StandardAppLanguage language_{defaults_};
    Untrusted accessibility_;
    OnboardingViewModel model_{defaults_, DistributionChannel::appStore, accessibility_};
};

TEST_F(LoopingIntroAnimationViewTest, TheTutorialAnimationPlaysWhileShownAndStartsOverOnReturn) {
    auto window = makeWindow();
    window->showStep(OnboardingStep::tutorial);
    QPointer<LoopingIntroAnimationView> view = animationOf(*window);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(view->showsPlaceholder());
    // The page is shown on the layout's next turn, and the animation with it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return view->isPlaying(); }, 1000));
    EXPECT_TRUE(advancesFrom(*view, view->currentFrameNumber()));
    EXPECT_TRUE(advancesFrom(*view, view->currentFrameNumber()));

    // Leaving the page stops it at once, before the page is even deleted.
    window->goNext();
    if (view) {
        EXPECT_FALSE(view->isPlaying());
        const int frame = view->currentFrameNumber();
        QTest::qWait(400);
        if (view) {
            EXPECT_EQ(view->currentFrameNumber(), frame);
        }
    }

    window->goBack();
    auto* again = animationOf(*window);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return again->isPlaying(); }, 1000));
    EXPECT_LE(again->currentFrameNumber(), 1);
    EXPECT_TRUE(advancesFrom(*again, again->currentFrameNumber()));

    // Closing the wizard on the tutorial page pauses it too; showing it again plays on.
    window->hide();
    EXPECT_FALSE(again->isPlaying());
    window->show();
    EXPECT_TRUE(again->isPlaying());
}

TEST_F(LoopingIntroAnimationViewTest, EachLanguageGetsItsOwnLoopingAnimationUnderTwoMegabytes) {
    for (const auto& [raw, language] :
         {std::pair{"en", AppLanguage::english}, std::pair{"zh-Hans", AppLanguage::simplifiedChinese}}) {
        defaults_.set("AppLanguage", std::string(raw));
        auto window = makeWindow();
        window->showStep(OnboardingStep::tutorial);
        auto* view = animationOf(*window);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->fileName(), LoopingIntroAnimationView::resourceFor(language)) << raw;

        QFile file(view->fileName());
        EXPECT_GT(file.size(), 0) << raw;
        EXPECT_LT(file.size(), 2 * 1024 * 1024) << raw;
        QMovie movie(view->fileName());
        ASSERT_TRUE(movie.isValid()) << raw;
        EXPECT_EQ(movie.loopCount(), -1) << raw << ": the animation must loop forever";
        // 10 to 20 seconds of the panel in use.
        int milliseconds = 0;
        for (int frame = 0; movie.jumpToFrame(frame); ++frame) milliseconds += movie.nextFrameDelay();
        EXPECT_GE(milliseconds, 10000) << raw;
        EXPECT_LE(milliseconds, 20000) << raw;
    }
    EXPECT_NE(LoopingIntroAnimationView::resourceFor(AppLanguage::english),
              LoopingIntroAnimationView::resourceFor(AppLanguage::simplifiedChinese));
    defaults_.set("AppLanguage", std::string("en"));
}

TEST_F(LoopingIntroAnimationViewTest, AnAnimationThatCannotBeReadLeavesThePlaySymbolAndSaysWhy) {
    testing::TemporaryDirectory directory;
    const QString damaged = QString::fromStdString((directory.path() / "intro.gif").string());
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("GIF89a\x01\x00", 8) + QByteArray(64, '\xff'));
    file.close();

    for (const QString& name : {damaged, QStringLiteral(":/quorvane/onboarding/missing.gif")}) {
        testing::LogCapture log;
        LoopingIntroAnimationView view(name);
        view.resize(520, 280);
        view.show();
        QTest::qWait(100);
        EXPECT_TRUE(view.showsPlaceholder()) << name.toStdString();
        EXPECT_FALSE(view.isPlaying());
        EXPECT_NE(view.findChild<QWidget*>("introAnimationPlaceholder"), nullptr);
        EXPECT_TRUE(log.contains("ERROR", "Failed to load onboarding animation")) << name.toStdString();
    }
}

TEST_F(LoopingIntroAnimationViewTest, TheFrameIsScaledToFitTheViewKeepingItsShape) {
    // The animation's left edge is always its bluish backdrop; the card around it is grey.
    const auto bluish = [](const QImage& picture, int x, int y) {
        const QColor colour = picture.pixelColor(x, y);
        return colour.blue() - colour.red() > 12;
    };
    LoopingIntroAnimationView view(LoopingIntroAnimationView::resourceFor(AppLanguage::english));
    view.resize(900, 300);  // the 2:1 frame is 600 wide in the middle
    view.show();
    QTest::qWait(50);
    QImage picture = view.grab().toImage();
    EXPECT_TRUE(bluish(picture, 158, 150));
    EXPECT_FALSE(bluish(picture, 140, 150));
    EXPECT_FALSE(bluish(picture, 760, 150));

    view.resize(500, 274);  // now the width decides: bands above and below
    QTest::qWait(50);
    picture = view.grab().toImage();
    EXPECT_TRUE(bluish(picture, 6, 137));
    EXPECT_FALSE(bluish(picture, 250, 5));
    EXPECT_FALSE(bluish(picture, 250, 270));
}

}  // namespace
}  // namespace quorvane

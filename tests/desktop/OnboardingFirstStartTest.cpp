// The first start of the real program under a window manager: the onboarding wizard opens when no settings
// say it was done, the user clicks through it, and the next start goes straight to the tray.
//
// The wizard is driven as a user would, with xdotool clicks on its footer: Next and "Start Using Quorvane"
// share the right end of the 920 x 620 window's footer, so one spot presses Next on every page and the
// finish button on the last.

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "desktop/DesktopSession.h"
#include "desktop/UserInput.h"
#include "desktop/WindowManagerProbe.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "support/TemporaryDirectory.h"
#include "support/XvfbServer.h"

namespace quorvane {
namespace {

using testing::DesktopSession;
using testing::TemporaryDirectory;
using namespace std::chrono_literals;

// Where Next, and on the last page the finish button, sit inside the wizard.
constexpr int kFooterButtonX = 820;
constexpr int kFooterButtonY = 568;

class OnboardingFirstStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
        windowManager_.setProcessEnvironment(environment);
        windowManager_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        windowManager_.start("openbox", {"--sm-disable"});
        ASSERT_TRUE(windowManager_.waitForStarted(5000)) << "openbox is missing";
        ASSERT_TRUE(
            testing::windowManagerManagesWindows(DesktopSession::display(), testing::kDesktopStartTimeout))
            << "openbox did not start";
    }
    void TearDown() override {
        for (QProcess* process : {&service_, &windowManager_}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->kill();
            process->waitForFinished(5000);
        }
    }

    JsonFileUserDefaults settings() const {
        return JsonFileUserDefaults(directory_ / "config/Quorvane/settings.json");
    }

    // `desktop` is XDG_CURRENT_DESKTOP; empty for none.
    void start(const QString& desktop = {}) {
        log_.clear();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("XDG_CURRENT_DESKTOP");
        if (!desktop.isEmpty()) environment.insert("XDG_CURRENT_DESKTOP", desktop);
        environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((directory_ / "config").string()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString((directory_ / "data").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((directory_ / "runtime").string()));
        environment.insert("QUORVANE_STORAGE_DIRECTORY",
                           QString::fromStdString((directory_ / "storage").string()));
        service_.setProcessEnvironment(environment);
        service_.setProcessChannelMode(QProcess::MergedChannels);
        service_.start(QUORVANE_EXECUTABLE, {});
        ASSERT_TRUE(service_.waitForStarted(5000));
        ASSERT_TRUE(waitForLog("Classification coordinator started")) << log_.toStdString();
    }
    void stop() {
        ::kill(static_cast<pid_t>(service_.processId()), SIGTERM);
        ASSERT_TRUE(DesktopSession::processEventsUntil(
            [&] { return service_.state() == QProcess::NotRunning; }, 15s));
        log_ += service_.readAll();
        EXPECT_EQ(service_.exitCode(), 0) << log_.toStdString();
    }

    bool waitForLog(const char* fragment, std::chrono::milliseconds timeout = 15s) {
        return DesktopSession::processEventsUntil(
            [&] {
                log_ += service_.readAll();
                return log_.contains(fragment);
            },
            timeout);
    }

    // The mapped window titled `title`, if there is one.
    static std::optional<QString> visibleWindow(const QString& title) {
        const auto found =
            DesktopSession::run("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"});
        const QString id = QString::fromUtf8(found.output).trimmed().section('\n', 0, 0);
        if (found.exitCode != 0 || id.isEmpty()) return std::nullopt;
        return id;
    }

    static void saveScreenshot(const QString& window, const QString& name) {
        QDir().mkpath(QUORVANE_SCREENSHOT_DIR);
        const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window.toULongLong());
        ASSERT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(QStringLiteral(QUORVANE_SCREENSHOT_DIR "/%1.png").arg(name)));
    }

    TemporaryDirectory directory_;
    QProcess windowManager_;
    QProcess service_;
    QByteArray log_;
};

TEST_F(OnboardingFirstStartTest, FirstStartShowsTheWizardAndOnceFinishedItNeverReturns) {
    start();
    ASSERT_TRUE(waitForLog("Show onboarding requested")) << log_.toStdString();
    std::optional<QString> wizard;
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] { return (wizard = visibleWindow("Welcome to Quorvane")).has_value(); }, 15s))
        << "the wizard was never mapped\n"
        << log_.toStdString();
    DesktopSession::processEventsFor(500ms);  // let it paint
    saveScreenshot(*wizard, "onboarding-first-start-welcome-light-en");

    // Next on each of the four pages of the direct build, then the finish button; the window goes once
    // onboarding is stored as done. Clicks queue in order, so a slow page change loses none.
    const auto click = [&] {
        DesktopSession::run("xdotool", {"mousemove", "--window", *wizard, QString::number(kFooterButtonX),
                                        QString::number(kFooterButtonY), "click", "1"});
    };
    for (int page = 0; page < 4; ++page) {
        click();
        DesktopSession::processEventsFor(300ms);
    }
    DesktopSession::processEventsFor(700ms);
    saveScreenshot(*wizard, "onboarding-first-start-last-page-light-en");
    EXPECT_TRUE(visibleWindow("Welcome to Quorvane")) << "a Next click finished the wizard early";
    click();
    EXPECT_TRUE(
        DesktopSession::processEventsUntil([] { return !visibleWindow("Welcome to Quorvane"); }, 10s));
    EXPECT_EQ(settings().boolValue("DidCompleteOnboarding"), true);
    stop();
    EXPECT_EQ(log_.count("Show onboarding requested"), 1);

    start();
    DesktopSession::processEventsFor(2s);
    log_ += service_.readAll();
    EXPECT_FALSE(log_.contains("Show onboarding requested")) << log_.toStdString();
    EXPECT_FALSE(visibleWindow("Welcome to Quorvane"));
    stop();
}

TEST_F(OnboardingFirstStartTest, FirstStartInChineseShowsTheWizardInChinese) {
    JsonFileUserDefaults defaults = settings();
    defaults.set("AppLanguage", std::string("zh-Hans"));
    start();
    const QString title = QString::fromUtf8("欢迎使用 Quorvane");
    std::optional<QString> wizard;
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return (wizard = visibleWindow(title)).has_value(); }, 15s))
        << log_.toStdString();
    DesktopSession::processEventsFor(500ms);
    saveScreenshot(*wizard, "onboarding-first-start-welcome-light-zh");
    stop();
    // Closed without finishing: it comes back next time.
    EXPECT_NE(settings().boolValue("DidCompleteOnboarding"), true);
}

// Return alone walks the wizard forward and finishes it, whichever button the desktop lets Return press.
TEST_F(OnboardingFirstStartTest, ReturnAloneFinishesTheWizardOnEveryDesktop) {
    for (const QString& desktop : {QStringLiteral("GNOME"), QString()}) {
        SCOPED_TRACE(desktop.isEmpty() ? "no desktop" : desktop.toStdString());
        std::filesystem::remove_all(directory_ / "config");
        start(desktop);
        std::optional<QString> wizard;
        ASSERT_TRUE(DesktopSession::processEventsUntil(
            [&] {
                wizard = visibleWindow("Welcome to Quorvane");
                const auto active = DesktopSession::run("xdotool", {"getactivewindow"});
                return wizard && QString::fromUtf8(active.output).trimmed() == *wizard;
            },
            15s))
            << "the wizard was never mapped and active\n"
            << log_.toStdString();
        DesktopSession::processEventsFor(300ms);
        // Four steps forward; a Return that went back would leave the wizard open after the fifth.
        for (int step = 0; step < 4; ++step) {
            ASSERT_TRUE(testing::userinput::holdKey("Return"));
            DesktopSession::processEventsFor(300ms);
        }
        EXPECT_TRUE(visibleWindow("Welcome to Quorvane")) << "a Return finished the wizard early";
        ASSERT_TRUE(testing::userinput::holdKey("Return"));
        EXPECT_TRUE(
            DesktopSession::processEventsUntil([] { return !visibleWindow("Welcome to Quorvane"); }, 10s));
        EXPECT_EQ(settings().boolValue("DidCompleteOnboarding"), true);
        stop();
    }
}

}  // namespace
}  // namespace quorvane

// The real quorvane program with the floating presentation, started while a field of another program has the
// focus on a private accessible desktop: the first hot-key press after the start opens the panel by the
// field's caret, also when quorvane draws at twice the field program's scale.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QScreen>
#include <memory>

#include "desktop/AccessibilityBusSession.h"
#include "desktop/DesktopSession.h"
#include "desktop/UserInput.h"
#include "floating/model/FloatingClipboardPositionCalculator.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "platform/linux/AtSpiAccessibleElementPort.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "preferences/SettingsAccessors.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using testing::AccessibilityBusSession;
using testing::DesktopSession;
using namespace std::chrono_literals;

enum class FieldToolkit { gtk, qt };
enum class Press { held, lateUnderTheGrab };

// Logged once the panel's coordinator, which grabs the hot key, has started: a press before it reaches the
// field instead.
constexpr const char* kHotkeyReady = "Settings coordinator started";

class RunningFloatingPanelDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        session_ = std::make_unique<AccessibilityBusSession>(DesktopSession::display());
        ASSERT_TRUE(session_->start()) << session_->failure();
        ASSERT_TRUE(session_->setAccessibilityEnabled(true));
    }

    void TearDown() override {
        if (quorvane_.state() != QProcess::NotRunning) {
            quorvane_.terminate();
            if (!quorvane_.waitForFinished(5000)) {
                quorvane_.kill();
                quorvane_.waitForFinished(2000);
            }
        }
    }

    // The field's window with "abc" typed; false when it cannot be shown.
    ::testing::AssertionResult startField(FieldToolkit toolkit) {
        if (toolkit == FieldToolkit::gtk) {
            if (DesktopSession::run("/usr/bin/python3", {"-c", "import gi; gi.require_version('Gtk', '3.0')"})
                    .exitCode != 0) {
                return ::testing::AssertionFailure() << "GTK 3 for Python is not installed (scripts/setup)";
            }
            if (!session_->startWindow("/usr/bin/python3", {QUORVANE_GTK_CARET_TEST_WINDOW}, "focus ",
                                       "Caret test window")) {
                return ::testing::AssertionFailure() << session_->failure();
            }
        } else if (!session_->startTestWindow(QUORVANE_CARET_TEST_WINDOW, {"once"})) {
            // "once": the window leaves the focus to the panel when it opens.
            return ::testing::AssertionFailure() << session_->failure();
        }
        if (!session_->type("abc")) return ::testing::AssertionFailure() << session_->failure();
        return ::testing::AssertionSuccess();
    }

    // The caret as the accessibility bus reports it to an unscaled program (the test's own lookup), in the
    // X server's pixels.
    std::optional<ScreenRect> reportedCaret() {
        X11FrontmostApplicationProvider frontmost;
        AtSpiAccessibleElementPort port(&frontmost, session_->sessionBusAddress());
        QtScreenProvider screens;
        QtTextWidthMeasurer measurer;
        TextCaretPositionDetector detector({port, frontmost, screens, measurer});
        std::optional<ScreenRect> caret;
        AccessibilityBusSession::processEventsUntil(
            [&] {
                caret = detector.getCaretPosition();
                return caret.has_value();
            },
            10s);
        return caret;
    }

    // Starts quorvane on the accessible desktop, drawing at `scale`, and waits until its hot key is grabbed.
    void startQuorvane(int scale) {
        JsonFileUserDefaults settings(directory_ / "config/Quorvane/settings.json");
        settings.set("DidCompleteOnboarding", true);
        settings.set(SettingsKey::directClipboardPresentationMode, std::string("floating"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(DesktopSession::display()));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", session_->sessionBusAddress());
        environment.remove("AT_SPI_BUS_ADDRESS");
        environment.insert("GSETTINGS_BACKEND", "memory");
        environment.insert("QT_SCALE_FACTOR", QString::number(scale));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((directory_ / "config").string()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString((directory_ / "data").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((directory_ / "runtime").string()));
        environment.insert("QUORVANE_STORAGE_DIRECTORY",
                           QString::fromStdString((directory_ / "storage").string()));
        quorvane_.setProcessEnvironment(environment);
        quorvane_.setProcessChannelMode(QProcess::MergedChannels);
        quorvane_.start(QUORVANE_EXECUTABLE, {});
        ASSERT_TRUE(quorvane_.waitForStarted(5000));
        ASSERT_TRUE(DesktopSession::processEventsUntil(
            [&] {
                log_ += quorvane_.readAll();
                return log_.contains(kHotkeyReady) || quorvane_.state() == QProcess::NotRunning;
            },
            30s));
        ASSERT_TRUE(log_.contains(kHotkeyReady)) << log_.toStdString();
    }

    // The panel's window on the screen, in the X server's pixels, once quorvane shows one of `size`.
    std::optional<QRect> panelFrame(QSize size) {
        std::optional<QRect> frame;
        DesktopSession::processEventsUntil(
            [&] {
                const auto found = DesktopSession::run(
                    "xdotool", {"search", "--onlyvisible", "--pid", QString::number(quorvane_.processId())});
                for (const QByteArray& id : found.output.split('\n')) {
                    if (id.trimmed().isEmpty()) continue;
                    const auto info =
                        DesktopSession::run("xwininfo", {"-id", QString::fromUtf8(id.trimmed())});
                    static const QRegularExpression geometry(
                        "Absolute upper-left X:\\s+(-?\\d+)\\s+Absolute upper-left Y:\\s+(-?\\d+).*"
                        "Width:\\s+(\\d+)\\s+Height:\\s+(\\d+)",
                        QRegularExpression::DotMatchesEverythingOption);
                    const auto match = geometry.match(QString::fromUtf8(info.output));
                    if (!match.hasMatch()) continue;
                    const QRect rect(match.captured(1).toInt(), match.captured(2).toInt(),
                                     match.captured(3).toInt(), match.captured(4).toInt());
                    if (rect.size() == size) frame = rect;
                }
                return frame.has_value();
            },
            15s);
        return frame;
    }

    // The hot key held while quorvane cannot run, as on a busy machine: Qt's field drops its focus under the
    // key's grab before quorvane looks, and the bus tells no one. Quorvane looks while the key is still down.
    void pressWhileQuorvaneStalls() {
        const QString pid = QString::number(quorvane_.processId());
        ASSERT_EQ(DesktopSession::run("kill", {"-STOP", pid}).exitCode, 0);
        const bool down = DesktopSession::run("xdotool", {"keydown", "super+shift+v"}).exitCode == 0;
        // The field's program lets the focus go a moment after the grab takes it.
        const bool focusDropped = down && session_->nextWindowLine("blur", 10s).has_value();
        DesktopSession::run("kill", {"-CONT", pid});
        // Long enough for quorvane to look while the key is down, as a person's hold outlasts a stall.
        DesktopSession::run("xdotool", {"sleep", "0.3", "keyup", "super+shift+v"});
        ASSERT_TRUE(down);
        ASSERT_TRUE(focusDropped) << "the field kept its focus under the grab: the test shows nothing";
    }

    // Starts quorvane at `scale` beside the focused field and presses its hot key once, as a person holds
    // it: the panel opens where quorvane places it for the bus's caret, never at the pointer.
    void expectFirstPressOpensByTheCaret(FieldToolkit toolkit, int scale, Press press = Press::held) {
        ASSERT_TRUE(startField(toolkit));
        const auto caret = reportedCaret();
        ASSERT_TRUE(caret.has_value()) << "the bus reports no caret";
        ASSERT_NO_FATAL_FAILURE(startQuorvane(scale));

        // Quorvane's screen in its own (device-independent) pixels, and the caret as it must see it there.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const ScreenRect dip{0, 0, double(screen.width() / scale), double(screen.height() / scale)};
        InMemoryScreenProvider scaled(dip);
        const ScreenRect scaledCaret{caret->x / scale, caret->y / scale, caret->width / scale,
                                     caret->height / scale};
        const auto place = [&](ScreenPoint origin) {
            return QPoint(int(origin.x) * scale, int(origin.y) * scale);
        };
        const QPoint byCaret = place(FloatingClipboardPositionCalculator::panelOrigin(
            scaled, scaledCaret, FloatingClipboardPositionCalculator::panelSize,
            FloatingClipboardPositionCalculator::gap));
        const QPoint mouse(1000, 900);
        const QPoint byMouse = place(FloatingClipboardPositionCalculator::panelOrigin(
            scaled, ScreenPoint{double(mouse.x() / scale), double(mouse.y() / scale)},
            FloatingClipboardPositionCalculator::panelSize, FloatingClipboardPositionCalculator::gap));
        ASSERT_GT((byCaret - byMouse).manhattanLength(), 100) << "the test cannot tell the two apart";

        ASSERT_TRUE(session_->moveMouse(mouse.x(), mouse.y()));
        if (press == Press::lateUnderTheGrab) {
            ASSERT_NO_FATAL_FAILURE(pressWhileQuorvaneStalls());
        } else {
            ASSERT_TRUE(testing::userinput::holdKey("super+shift+v"));
        }
        const QSize size(int(FloatingClipboardPositionCalculator::panelSize.width) * scale,
                         int(FloatingClipboardPositionCalculator::panelSize.height) * scale);
        const auto frame = panelFrame(size);
        log_ += quorvane_.readAll();
        ASSERT_TRUE(frame.has_value()) << "no panel showed\n" << log_.toStdString();
        // The window manager may take a moment to move a window just mapped.
        QPoint origin = frame->topLeft();
        DesktopSession::processEventsUntil(
            [&] {
                if (const auto now = panelFrame(size)) origin = now->topLeft();
                return (origin - byCaret).manhattanLength() <= 4;
            },
            3s);
        log_ += quorvane_.readAll();
        EXPECT_LE((origin - byCaret).manhattanLength(), 4 * scale)
            << "opened at " << origin.x() << "," << origin.y() << "; by the caret " << caret->x << ","
            << caret->y << " it belongs at " << byCaret.x() << "," << byCaret.y() << ", at the pointer at "
            << byMouse.x() << "," << byMouse.y() << "\n"
            << log_.toStdString();
    }

    std::unique_ptr<AccessibilityBusSession> session_;
    testing::TemporaryDirectory directory_;
    QProcess quorvane_;
    QByteArray log_;
};

TEST_F(RunningFloatingPanelDesktopTest, FirstPressAfterTheStartOpensByAGtkEntrysCaret) {
    expectFirstPressOpensByTheCaret(FieldToolkit::gtk, 1);
}

TEST_F(RunningFloatingPanelDesktopTest, FirstPressAfterTheStartOpensByAQtFieldsCaret) {
    expectFirstPressOpensByTheCaret(FieldToolkit::qt, 1);
}

TEST_F(RunningFloatingPanelDesktopTest, APressLookedAtOnlyAfterQtsFieldDroppedItsFocusStillOpensByTheCaret) {
    expectFirstPressOpensByTheCaret(FieldToolkit::qt, 1, Press::lateUnderTheGrab);
}

// Quorvane at QT_SCALE_FACTOR=2 beside an unscaled GTK program: the bus's caret is in the X server's
// pixels, the panel is placed in Qt's.
TEST_F(RunningFloatingPanelDesktopTest, AtTwiceTheScaleThePanelOpensByAnUnscaledFieldsCaret) {
    expectFirstPressOpensByTheCaret(FieldToolkit::gtk, 2);
}

}  // namespace
}  // namespace quorvane

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRect>
#include <algorithm>
#include <memory>

#include "base/Logger.h"
#include "desktop/AccessibilityBusSession.h"
#include "desktop/DesktopSession.h"
#include "floating/model/ClipboardFloatingAnchorResolver.h"
#include "floating/model/TextCaretPositionDetector.h"
#include "platform/linux/AtSpiAccessibleElementPort.h"
#include "platform/linux/QtScreenProvider.h"
#include "platform/linux/QtTextWidthMeasurer.h"
#include "platform/linux/X11FrontmostApplicationProvider.h"
#include "support/GrantedAccessibilityPermission.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using testing::AccessibilityBusSession;
using testing::DesktopSession;

using GrantedPermission = testing::GrantedAccessibilityPermission;

// The caret test window on a private accessible desktop, and the real caret lookup pointed at it.
class CaretDetectionDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        session_ = std::make_unique<AccessibilityBusSession>(DesktopSession::display());
        ASSERT_TRUE(session_->start()) << session_->failure();
        ASSERT_TRUE(session_->setAccessibilityEnabled(true));
        ASSERT_TRUE(session_->startTestWindow(QUORVANE_CARET_TEST_WINDOW, windowArguments()))
            << session_->failure();
        // Made once the display is up: it connects at once.
        frontmost_ = std::make_unique<X11FrontmostApplicationProvider>();
        port_ = std::make_unique<AtSpiAccessibleElementPort>(frontmost_.get(), session_->sessionBusAddress());
        detector_ = std::make_unique<TextCaretPositionDetector>(
            TextCaretPositionDetector::Services{*port_, *frontmost_, screens_, measurer_});
    }

    virtual QStringList windowArguments() const { return {}; }

    // The caret, asked again while the window registers itself on the accessibility bus.
    std::optional<ScreenRect> caretOnceRegistered() {
        std::optional<ScreenRect> caret;
        AccessibilityBusSession::processEventsUntil(
            [&] {
                caret = detector_->getCaretPosition();
                return caret.has_value();
            },
            std::chrono::seconds(10));
        return caret;
    }

    std::unique_ptr<AccessibilityBusSession> session_;
    std::unique_ptr<X11FrontmostApplicationProvider> frontmost_;
    QtScreenProvider screens_;
    QtTextWidthMeasurer measurer_;
    std::unique_ptr<AtSpiAccessibleElementPort> port_;
    std::unique_ptr<TextCaretPositionDetector> detector_;
};

TEST_F(CaretDetectionDesktopTest, CaretAfterTypingLiesInsideTheField) {
    const auto field = session_->type("abc");
    ASSERT_TRUE(field.has_value()) << session_->failure();
    ASSERT_TRUE(frontmost_->frontmostApplication().has_value());
    EXPECT_EQ(frontmost_->frontmostApplication()->processIdentifier, session_->testWindowProcessId());

    const auto caret = caretOnceRegistered();
    ASSERT_TRUE(caret.has_value());
    const QRect f = *field;
    EXPECT_GE(caret->x, f.left()) << "field " << f.x() << "," << f.y() << " " << f.width() << "x"
                                  << f.height();
    EXPECT_LE(caret->x + caret->width, f.left() + f.width());
    EXPECT_GE(caret->y, f.top());
    EXPECT_LE(caret->y + caret->height, f.top() + f.height());
    // Behind the three letters, not at the field's start.
    EXPECT_GT(caret->x, f.left() + 8);

    // What the lookup read on its way.
    const auto focused = port_->focusedElement();
    ASSERT_TRUE(focused.value.has_value());
    EXPECT_EQ(port_->role(*focused.value).value, std::optional<std::string>("AXTextField"));
    EXPECT_EQ(port_->value(*focused.value).value, std::optional<std::string>("abc"));
    EXPECT_EQ(port_->selectedTextRange(*focused.value).value, (AccessibleTextRange{3, 0}));
    const auto window = port_->window(*focused.value);
    ASSERT_TRUE(window.value.has_value());
    const auto windowFrame = port_->frame(*window.value);
    ASSERT_TRUE(windowFrame.value.has_value());
    EXPECT_TRUE(windowFrame.value->contains({caret->x, caret->y}));
}

TEST_F(CaretDetectionDesktopTest, WithTheBusSwitchedOffTheMousePointerIsTheAnchor) {
    ASSERT_TRUE(session_->type("abc").has_value()) << session_->failure();
    ASSERT_TRUE(caretOnceRegistered().has_value());

    GrantedPermission permission;
    ClipboardFloatingAnchorResolver resolver(permission, *detector_,
                                             [this] { return screens_.mouseLocation(); });
    ASSERT_TRUE(session_->moveMouse(321, 234));
    ASSERT_TRUE(session_->setAccessibilityEnabled(false));
    testing::LogCapture log;
    EXPECT_EQ(resolver.resolveAnchor(), FloatingPanelAnchor::mouse({321, 234}));
    EXPECT_TRUE(log.contains("WARNING", "Failed to reach the accessibility bus: it is switched off"));
    if (Logger::debugLinesEnabled) {
        EXPECT_TRUE(
            log.contains("DEBUG", "[FloatingAnchor] Caret detection failed, fallback to mouse x=321 y=234"));
    }

    // Switched on again, the caret is back.
    ASSERT_TRUE(session_->setAccessibilityEnabled(true));
    EXPECT_EQ(resolver.resolveAnchor().kind, FloatingPanelAnchor::Kind::caret);
}

TEST_F(CaretDetectionDesktopTest, AProgramThatStopsAnsweringCostsAShortTimeOutNotTheBusDefault) {
    ASSERT_TRUE(session_->type("abc").has_value()) << session_->failure();
    ASSERT_TRUE(caretOnceRegistered().has_value());
    GrantedPermission permission;
    ClipboardFloatingAnchorResolver resolver(permission, *detector_,
                                             [this] { return screens_.mouseLocation(); });

    // The control: the same lookup while the program answers, before it stops and after it goes on, on a
    // machine as busy as it is for the lookup between.
    const auto timed = [&](FloatingPanelAnchor::Kind expected) {
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(resolver.resolveAnchor().kind, expected);
        return elapsed.elapsed();
    };
    const qint64 answeringBefore = timed(FloatingPanelAnchor::Kind::caret);
    ASSERT_TRUE(session_->setTestWindowPaused(true));
    const qint64 stopped = timed(FloatingPanelAnchor::Kind::mouse);
    ASSERT_TRUE(session_->setTestWindowPaused(false));
    const qint64 answering = std::max(answeringBefore, timed(FloatingPanelAnchor::Kind::caret));
    RecordProperty("answering_milliseconds", int(answering));
    RecordProperty("stopped_milliseconds", int(stopped));
    // One call left to D-Bus's own time-out would cost its 25 s on top of the answering lookup's work; the
    // short time-outs together cost a small part of that.
    constexpr qint64 busDefaultMilliseconds = 25'000;
    EXPECT_LT(stopped - answering, busDefaultMilliseconds / 2)
        << "stopped " << stopped << " ms, answering " << answering << " ms";
}

class MultiLineCaretDetectionDesktopTest : public CaretDetectionDesktopTest {
protected:
    QStringList windowArguments() const override { return {"multiline"}; }
};

TEST_F(MultiLineCaretDetectionDesktopTest, CaretOnTheSecondLineLiesInsideTheEditorBelowTheFirstLine) {
    const auto field = session_->type("ab\ncd");
    ASSERT_TRUE(field.has_value());
    const auto caret = caretOnceRegistered();
    ASSERT_TRUE(caret.has_value());
    const QRect f = *field;
    EXPECT_TRUE(f.contains(QPoint(int(caret->x), int(caret->y)))) << caret->x << "," << caret->y;
    EXPECT_LE(caret->y + caret->height, f.top() + f.height());
    EXPECT_GT(caret->y - f.top(), caret->height);

    const auto focused = port_->focusedElement();
    ASSERT_TRUE(focused.value.has_value());
    EXPECT_EQ(port_->role(*focused.value).value, std::optional<std::string>("AXTextArea"));
    EXPECT_EQ(port_->selectedTextRange(*focused.value).value, (AccessibleTextRange{5, 0}));
}

// A program whose accessible tree holds more elements than a search for the focused one may visit, all ahead
// of its field, as an office document's does: the field its program reported focused answers first.
TEST(LargeTreeCaretDetectionDesktopTest, TheFieldReportedFocusedAnswersWhereAWalkRunsOut) {
    DESKTOP_SESSION_OR_SKIP();
    if (DesktopSession::run("/usr/bin/python3", {"-c", "import gi; gi.require_version('Gtk', '3.0')"})
            .exitCode != 0) {
        DESKTOP_SKIP_OR_FAIL("GTK 3 for Python is not installed (scripts/setup installs it)");
    }
    AccessibilityBusSession session(DesktopSession::display());
    ASSERT_TRUE(session.start()) << session.failure();
    ASSERT_TRUE(session.setAccessibilityEnabled(true));
    X11FrontmostApplicationProvider frontmost;
    AtSpiAccessibleElementPort port(&frontmost, session.sessionBusAddress());
    QtScreenProvider screens;
    QtTextWidthMeasurer measurer;
    TextCaretPositionDetector detector({port, frontmost, screens, measurer});
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));  // the port listens from its first turn
    ASSERT_TRUE(session.startWindow("/usr/bin/python3", {QUORVANE_GTK_CARET_TEST_WINDOW, "large"}, "focus ",
                                    "Caret test window"))
        << session.failure();
    const auto field = session.type("abc");
    ASSERT_TRUE(field.has_value()) << session.failure();

    QElapsedTimer elapsed;
    elapsed.start();
    const auto caret = detector.getCaretPosition();
    RecordProperty("milliseconds", int(elapsed.elapsed()));
    ASSERT_TRUE(caret.has_value()) << "the first lookup found no caret";
    EXPECT_TRUE(field->contains(QPoint(int(caret->x), int(caret->y))))
        << caret->x << "," << caret->y << " vs field " << field->x() << "," << field->y();
    EXPECT_GT(caret->x, field->left() + 8) << "behind the three letters";
}

TEST(CaretDetectionWithoutBusTest, NoSessionBusMeansTheBusIsUnavailable) {
    DESKTOP_SESSION_OR_SKIP();
    AtSpiAccessibleElementPort port(nullptr, "unix:path=/nonexistent/quorvane-test-bus");
    EXPECT_FALSE(port.isAccessibilityBusAvailable());
    EXPECT_EQ(port.focusedElement().error, AccessibilityError::unavailable);
}

}  // namespace
}  // namespace quorvane

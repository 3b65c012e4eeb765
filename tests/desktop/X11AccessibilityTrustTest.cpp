#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "desktop/AccessibilityBusSession.h"
#include "desktop/DesktopSession.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "platform/memory/ManualRunLoop.h"
#include "support/LogCapture.h"
#include "support/TemporaryDirectory.h"
#include "support/XvfbServer.h"
#include "system/AccessibilityPermissionManager.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

// Stands in for the desktop's accessibility bus launcher and records the calls it receives; a silent one
// never answers them, as a launcher stuck under load.
class FakeAccessibilityBus : public QDBusVirtualObject {
public:
    explicit FakeAccessibilityBus(bool answers = true) : answers_(answers) {}

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(message);
        }
        if (answers_) connection.send(message.createReply());
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    std::vector<QDBusMessage> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    const bool answers_;
    mutable std::mutex mutex_;
    std::vector<QDBusMessage> calls_;
};

class X11AccessibilityTrustTest : public ::testing::Test {
protected:
    void SetUp() override { DESKTOP_SESSION_OR_SKIP(); }
};

// The desktop's own accessibility bus (at-spi-bus-launcher) on a session bus of its own: trusted exactly
// while the display can post keystrokes and the bus is switched on, whoever switches it.
TEST_F(X11AccessibilityTrustTest, TrustedExactlyWhileTheDisplayCanPostKeystrokesAndTheBusIsOn) {
    testing::AccessibilityBusSession session(DesktopSession::display());
    ASSERT_TRUE(session.start()) << session.failure();
    setenv("DBUS_SESSION_BUS_ADDRESS", session.sessionBusAddress().toUtf8().constData(), 1);
    ASSERT_TRUE(session.setAccessibilityEnabled(false));

    X11AccessibilityTrust trust;
    InMemoryUserDefaults defaults;
    FakeClock clock;
    ManualRunLoop loop(clock);
    std::vector<std::string> opened;
    AccessibilityPermissionManager manager(
        defaults, loop, [&trust] { return trust.isProcessTrusted(); },
        AccessibilityPermissionManager::requesterFor(trust),
        [&opened](const std::string& url) { opened.push_back(url); });

    // The bus's own change signal carries the desktop's switch to the next look; nothing else asks meanwhile.
    const auto statusBecomes = [&manager](AccessibilityPermissionStatus expected) {
        return DesktopSession::processEventsUntil([&] { return manager.status() == expected; });
    };
    EXPECT_FALSE(trust.isProcessTrusted());
    EXPECT_EQ(manager.status(), AccessibilityPermissionStatus::notDetermined);
    ASSERT_TRUE(session.setAccessibilityEnabled(true));  // the desktop's switch, turned on elsewhere
    EXPECT_TRUE(statusBecomes(AccessibilityPermissionStatus::authorized));
    EXPECT_TRUE(trust.isProcessTrusted());
    ASSERT_TRUE(session.setAccessibilityEnabled(false));
    EXPECT_TRUE(statusBecomes(AccessibilityPermissionStatus::notDetermined));

    // The request button's work: the bus goes on, and the status follows at once.
    manager.requestPermission();
    EXPECT_EQ(X11AccessibilityTrust::accessibilityBusEnabled(), std::optional<bool>(true));
    EXPECT_EQ(manager.status(), AccessibilityPermissionStatus::authorized);
    loop.advance(AccessibilityPermissionManager::settingsOpenDelaySeconds);
    EXPECT_EQ(opened.size(), 1u);
    ASSERT_TRUE(session.setAccessibilityEnabled(false));  // switched off again in the desktop's settings
    EXPECT_TRUE(statusBecomes(AccessibilityPermissionStatus::denied));

    // With the bus on, a display without XTEST still cannot paste.
    ASSERT_TRUE(session.setAccessibilityEnabled(true));
    testing::XvfbServer withoutTest({"-extension", "XTEST"});
    ASSERT_TRUE(withoutTest.isRunning()) << withoutTest.failure();
    EXPECT_FALSE(X11AccessibilityTrust(withoutTest.display().c_str()).isProcessTrusted());
    EXPECT_FALSE(X11AccessibilityTrust(":65003").isProcessTrusted());
}

// A private session bus that starts no services of its own, so the test never touches the user's desktop and
// no real accessibility launcher answers in place of the fake.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        std::ofstream(directory_ / "bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:dir="
            << directory_.path().string()
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
               "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n";
        daemon_.start("dbus-daemon",
                      {"--nofork", "--print-address",
                       "--config-file=" + QString::fromStdString((directory_ / "bus.conf").string())});
        const int timeout =
            static_cast<int>(std::chrono::milliseconds(testing::kDesktopStartTimeout).count());
        if (daemon_.waitForStarted(timeout) && daemon_.waitForReadyRead(timeout)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }
    ~PrivateSessionBus() {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    const QString& address() const { return address_; }

private:
    testing::TemporaryDirectory directory_;
    QProcess daemon_;
    QString address_;
};

// Serves the fake on a thread of its own while the test thread blocks in the call.
class ServiceThread {
public:
    explicit ServiceThread(QObject* service) : service_(service) {
        thread_.start();
        service_->moveToThread(&thread_);
    }
    ~ServiceThread() {
        QMetaObject::invokeMethod(
            service_, [service = service_] { service->moveToThread(nullptr); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

private:
    QObject* service_;
    QThread thread_;
};

TEST_F(X11AccessibilityTrustTest, RequestSwitchesOnTheAccessibilityBusAndFailsCleanlyWithoutIt) {
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) DESKTOP_SKIP_OR_FAIL("dbus-daemon did not start");
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);

    {
        testing::LogCapture log;
        X11AccessibilityTrust trust;
        EXPECT_FALSE(trust.requestTrust());  // no accessibility bus, no trust
        EXPECT_TRUE(log.contains("ERROR", "Failed to enable the accessibility bus"));
        EXPECT_EQ(log.count("Accessibility bus unavailable"), 1u);
        EXPECT_FALSE(trust.isProcessTrusted());
        EXPECT_EQ(log.count("Accessibility bus unavailable"), 1u);  // said once, not at every look
    }

    FakeAccessibilityBus service;
    ServiceThread serviceThread(&service);
    QDBusConnection serviceConnection = QDBusConnection::connectToBus(bus.address(), "fake-a11y-bus");
    ASSERT_TRUE(serviceConnection.registerService("org.a11y.Bus"));
    ASSERT_TRUE(serviceConnection.registerVirtualObject("/org/a11y/bus", &service));

    testing::LogCapture log;
    EXPECT_TRUE(X11AccessibilityTrust::enableAccessibilityBus());
    EXPECT_EQ(log.count("Failed to"), 0u);
    const auto calls = service.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].interface(), "org.freedesktop.DBus.Properties");
    EXPECT_EQ(calls[0].member(), "Set");
    EXPECT_EQ(calls[0].signature(), "ssv");
    ASSERT_EQ(calls[0].arguments().size(), 3);
    EXPECT_EQ(calls[0].arguments()[0].toString(), "org.a11y.Status");
    EXPECT_EQ(calls[0].arguments()[1].toString(), "IsEnabled");
    EXPECT_EQ(calls[0].arguments()[2].value<QDBusVariant>().variant(), QVariant(true));
    serviceConnection.unregisterObject("/org/a11y/bus");
    QDBusConnection::disconnectFromBus("fake-a11y-bus");
}

// The desktop's settings switch the bus while its launcher answers no call: each look reads the state the
// bus last announced, and none waits for the launcher.
TEST_F(X11AccessibilityTrustTest, TrustFollowsTheAnnouncedStateWithoutWaitingForAStuckBus) {
    PrivateSessionBus bus;
    if (bus.address().isEmpty()) DESKTOP_SKIP_OR_FAIL("dbus-daemon did not start");
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);

    FakeAccessibilityBus service(false);
    ServiceThread serviceThread(&service);
    QDBusConnection serviceConnection = QDBusConnection::connectToBus(bus.address(), "stuck-a11y-bus");
    ASSERT_TRUE(serviceConnection.registerService("org.a11y.Bus"));
    ASSERT_TRUE(serviceConnection.registerVirtualObject("/org/a11y/bus", &service));
    const auto announce = [&](const QVariantMap& changed, const QStringList& invalidated = {}) {
        QDBusMessage signal = QDBusMessage::createSignal("/org/a11y/bus", "org.freedesktop.DBus.Properties",
                                                         "PropertiesChanged");
        signal << QString("org.a11y.Status") << changed << invalidated;
        return serviceConnection.send(signal);
    };

    X11AccessibilityTrust trust;
    EXPECT_FALSE(trust.isProcessTrusted());  // the first read ran out of time: not trusted

    // The longest single look: one that waited for the launcher would take a bus time-out.
    qint64 longestLook = 0;
    const auto look = [&] {
        QElapsedTimer elapsed;
        elapsed.start();
        const bool trusted = trust.isProcessTrusted();
        longestLook = std::max(longestLook, elapsed.elapsed());
        return trusted;
    };
    const auto trustBecomes = [&](bool expected) {
        return DesktopSession::processEventsUntil([&] { return look() == expected; });
    };
    ASSERT_TRUE(announce({{"IsEnabled", true}}));
    EXPECT_TRUE(trustBecomes(true));
    ASSERT_TRUE(announce({{"ScreenReaderEnabled", true}}));  // another property leaves the state alone
    // Past a background read that ran out of time, too: a stuck launcher has not switched anything off.
    DesktopSession::processEventsFor(
        std::chrono::milliseconds(X11AccessibilityTrust::busTimeoutMilliseconds + 200));
    EXPECT_TRUE(look());
    ASSERT_TRUE(announce({{"IsEnabled", false}}));
    EXPECT_TRUE(trustBecomes(false));
    EXPECT_LT(longestLook, X11AccessibilityTrust::busTimeoutMilliseconds / 2);
    // The launcher was asked again in the background, by looks that did not wait for it.
    EXPECT_GE(service.calls().size(), 2u);

    serviceConnection.unregisterObject("/org/a11y/bus");
    QDBusConnection::disconnectFromBus("stuck-a11y-bus");
}

}  // namespace
}  // namespace quorvane

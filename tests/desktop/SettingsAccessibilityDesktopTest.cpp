// The settings window as a screen reader meets it: over the accessibility bus (AT-SPI), in a program of its
// own on a private accessible desktop. A small AT-SPI client walks the tree and toggles the page tabs the
// way screen readers activate check boxes.

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <functional>
#include <memory>
#include <optional>

#include "desktop/AccessibilityBusSession.h"
#include "desktop/DesktopSession.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using testing::AccessibilityBusSession;
using testing::DesktopSession;

// One object on the accessibility bus.
struct AccessibleNode {
    QString service;
    QString path;
};

class AtSpiClient {
public:
    explicit AtSpiClient(const QString& sessionBusAddress) {
        QDBusConnection session = QDBusConnection::connectToBus(sessionBusAddress, "atspi-client-session");
        const QDBusMessage reply = session.call(
            QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"),
            QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            bus_ = QDBusConnection::connectToBus(reply.arguments().at(0).toString(), "atspi-client");
    }
    ~AtSpiClient() {
        QDBusConnection::disconnectFromBus("atspi-client");
        QDBusConnection::disconnectFromBus("atspi-client-session");
    }

    bool connected() const { return bus_.isConnected(); }
    static AccessibleNode desktop() { return {"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"}; }

    std::vector<AccessibleNode> children(const AccessibleNode& node) const {
        std::vector<AccessibleNode> found;
        const QDBusMessage reply = call(node, "org.a11y.atspi.Accessible", "GetChildren");
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return found;
        const auto list = reply.arguments().at(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString service;
            QDBusObjectPath path;
            list.beginStructure();
            list >> service >> path;
            list.endStructure();
            found.push_back({service, path.path()});
        }
        list.endArray();
        return found;
    }

    QString name(const AccessibleNode& node) const {
        QDBusMessage get =
            QDBusMessage::createMethodCall(node.service, node.path, "org.freedesktop.DBus.Properties", "Get");
        get << QString("org.a11y.atspi.Accessible") << QString("Name");
        const QDBusMessage reply = bus_.call(get, QDBus::Block, 2000);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
        return reply.arguments().at(0).value<QDBusVariant>().variant().toString();
    }

    // The index of the action called `action` (any case), if the object has it.
    std::optional<int> actionIndex(const AccessibleNode& node, const QString& action) const {
        for (int index = 0; index < 8; ++index) {
            const QDBusMessage reply = call(node, "org.a11y.atspi.Action", "GetName", {index});
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
                return std::nullopt;
            const QString name = reply.arguments().at(0).toString();
            if (name.isEmpty()) return std::nullopt;
            if (name.compare(action, Qt::CaseInsensitive) == 0) return index;
        }
        return std::nullopt;
    }

    bool doAction(const AccessibleNode& node, int index) const {
        const QDBusMessage reply = call(node, "org.a11y.atspi.Action", "DoAction", {index});
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    // The first object under `root` (depth first) that `matches`.
    std::optional<AccessibleNode> find(const AccessibleNode& root,
                                       const std::function<bool(const AccessibleNode&)>& matches,
                                       int depth = 0) const {
        if (depth > 40) return std::nullopt;
        for (const AccessibleNode& child : children(root)) {
            if (matches(child)) return child;
            if (auto found = find(child, matches, depth + 1)) return found;
        }
        return std::nullopt;
    }

    std::optional<AccessibleNode> findNamed(const AccessibleNode& root, const QString& wanted) const {
        return find(root, [&](const AccessibleNode& node) { return name(node) == wanted; });
    }

private:
    QDBusMessage call(const AccessibleNode& node, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) const {
        QDBusMessage message = QDBusMessage::createMethodCall(node.service, node.path, interface, method);
        message.setArguments(arguments);
        return bus_.call(message, QDBus::Block, 2000);
    }

    QDBusConnection bus_{QString()};
};

class SettingsAccessibilityDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        session_ = std::make_unique<AccessibilityBusSession>(DesktopSession::display());
        ASSERT_TRUE(session_->start()) << session_->failure();
        ASSERT_TRUE(session_->setAccessibilityEnabled(true));
        ASSERT_TRUE(session_->startWindow(QUORVANE_SETTINGS_TEST_WINDOW,
                                          {QString::fromStdString(storage_.path().string())}, "shown",
                                          "Settings"))
            << session_->failure();
        client_ = std::make_unique<AtSpiClient>(session_->sessionBusAddress());
        ASSERT_TRUE(client_->connected());
        // The window registers itself on the bus shortly after it shows.
        ASSERT_TRUE(AccessibilityBusSession::processEventsUntil(
            [&] {
                application_ = client_->findNamed(AtSpiClient::desktop(), "settings-test-window");
                return application_.has_value();
            },
            10s))
            << "the settings window never appeared on the accessibility bus";
    }

    // The tab titled `title`: the object of that name that can be toggled.
    std::optional<AccessibleNode> tab(const QString& title) const {
        return client_->find(*application_, [&](const AccessibleNode& node) {
            return client_->name(node) == title && client_->actionIndex(node, "toggle").has_value();
        });
    }
    bool reachable(const QString& name) const { return client_->findNamed(*application_, name).has_value(); }
    void toggle(const AccessibleNode& node) const {
        const auto index = client_->actionIndex(node, "toggle");
        ASSERT_TRUE(index.has_value());
        ASSERT_TRUE(client_->doAction(node, *index));
    }

    testing::TemporaryDirectory storage_;
    std::unique_ptr<AccessibilityBusSession> session_;
    std::unique_ptr<AtSpiClient> client_;
    std::optional<AccessibleNode> application_;
};

TEST_F(SettingsAccessibilityDesktopTest, TogglingATabShowsItsPageAndOnlyTheShownPageIsReachable) {
    const QString clearAll = "Clear All History Now";
    EXPECT_TRUE(reachable("Launch at login"));
    EXPECT_FALSE(reachable(clearAll)) << "a control of a hidden page is offered";

    const auto storage = tab("Storage");
    ASSERT_TRUE(storage.has_value()) << "no Storage tab with a toggle action";
    toggle(*storage);
    EXPECT_TRUE(session_->nextWindowLine("page storage", 5s).has_value()) << "the Storage page was not shown";
    EXPECT_TRUE(AccessibilityBusSession::processEventsUntil([&] { return reachable(clearAll); }, 5s));
    EXPECT_FALSE(reachable("Launch at login"));

    const auto general = tab("General");
    ASSERT_TRUE(general.has_value());
    toggle(*general);
    EXPECT_TRUE(session_->nextWindowLine("page general", 5s).has_value());
    EXPECT_TRUE(AccessibilityBusSession::processEventsUntil([&] { return !reachable(clearAll); }, 5s));
    EXPECT_TRUE(reachable("Launch at login"));
}

}  // namespace
}  // namespace quorvane

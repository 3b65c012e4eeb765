#include "desktop/AtSpiTreeReader.h"

#include <atspi/atspi-constants.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <atomic>
#include <cstdlib>
#include <future>

#include "desktop/DesktopSession.h"

namespace quorvane::testing {
namespace {

// Our own bridge answers on a main thread that a loaded machine and the sanitizers slow down.
constexpr int kCallTimeoutMilliseconds = 10000;
constexpr std::size_t kNodeLimit = 3000;
const QString kAccessible = QStringLiteral("org.a11y.atspi.Accessible");

QDBusMessage call(QDBusConnection& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeoutMilliseconds);
}

QVariant firstReply(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    QVariant value = reply.arguments().front();
    if (value.canConvert<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
    return value;
}

std::vector<std::pair<QString, QString>> children(QDBusConnection& bus, const QString& service,
                                                  const QString& path) {
    std::vector<std::pair<QString, QString>> found;
    const QVariant value = firstReply(call(bus, service, path, kAccessible, "GetChildren"));
    if (!value.canConvert<QDBusArgument>()) return found;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        QString child;
        QDBusObjectPath childPath;
        argument.beginStructure();
        argument >> child >> childPath;
        argument.endStructure();
        found.emplace_back(child, childPath.path());
    }
    argument.endArray();
    return found;
}

QString property(QDBusConnection& bus, const QString& service, const QString& path, const QString& name) {
    return firstReply(call(bus, service, path, "org.freedesktop.DBus.Properties", "Get", {kAccessible, name}))
        .toString();
}

std::vector<unsigned> states(QDBusConnection& bus, const QString& service, const QString& path) {
    const QVariant value = firstReply(call(bus, service, path, kAccessible, "GetState"));
    QList<uint> words;
    if (value.canConvert<QDBusArgument>()) {
        value.value<QDBusArgument>() >> words;
    } else {
        words = value.value<QList<uint>>();
    }
    std::vector<unsigned> set;
    for (int word = 0; word < words.size(); ++word) {
        for (unsigned bit = 0; bit < 32; ++bit) {
            if (words[word] & (1u << bit)) set.push_back(unsigned(word) * 32 + bit);
        }
    }
    return set;
}

}  // namespace

AccessibilityBusMembership::AccessibilityBusMembership(const QString& sessionBusAddress) {
    static bool taken = false;
    if (taken) return;
    taken = joined_ = true;
    if (const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        previousAddress_ = QByteArray(previous);
    setenv("DBUS_SESSION_BUS_ADDRESS", sessionBusAddress.toUtf8().constData(), 1);
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
}

AccessibilityBusMembership::~AccessibilityBusMembership() {
    if (!joined_) return;
    // Later tests of the program speak to the session bus they had.
    if (previousAddress_) {
        setenv("DBUS_SESSION_BUS_ADDRESS", previousAddress_->constData(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

bool AtSpiNode::has(unsigned state) const {
    return std::find(states.begin(), states.end(), state) != states.end();
}

QString describe(const std::vector<AtSpiNode>& tree) {
    QString lines = QStringLiteral("%1 nodes of this program").arg(tree.size());
    for (const AtSpiNode& node : tree) {
        lines += QStringLiteral("\n%1%2 '%3'%4")
                     .arg(QString(node.depth * 2, ' '), node.role, node.name,
                          node.has(ATSPI_STATE_SHOWING) ? QStringLiteral(" (showing)") : QString());
    }
    return lines;
}

AtSpiTreeReader::AtSpiTreeReader(QString sessionBusAddress)
    : sessionBusAddress_(std::move(sessionBusAddress)) {
    static std::atomic<int> counter{0};
    connectionName_ = QStringLiteral("atspi-tree-reader-%1").arg(++counter);
}

AtSpiTreeReader::~AtSpiTreeReader() {
    QDBusConnection::disconnectFromBus(connectionName_ + "-session");
    QDBusConnection::disconnectFromBus(connectionName_ + "-a11y");
}

template <typename Result>
Result AtSpiTreeReader::onWorker(std::function<Result()> work) {
    auto future = std::async(std::launch::async, std::move(work));
    DesktopSession::processEventsUntil(
        [&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        std::chrono::seconds(30));
    return future.get();
}

std::vector<AtSpiNode> AtSpiTreeReader::tree() {
    return onWorker<std::vector<AtSpiNode>>([this] {
        std::vector<AtSpiNode> nodes;
        QDBusConnection session =
            QDBusConnection::connectToBus(sessionBusAddress_, connectionName_ + "-session");
        const QString address =
            firstReply(call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"))
                .toString();
        if (address.isEmpty()) return nodes;
        QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName_ + "-a11y");
        if (!bus.isConnected()) return nodes;

        std::vector<AtSpiNode> pending;
        for (const auto& [service, path] :
             children(bus, "org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root")) {
            if (bus.interface()->servicePid(service).value() == uint(getpid()))
                pending.push_back(AtSpiNode{service, path, {}, {}, {}, {}, {}, 0});
        }
        while (!pending.empty() && nodes.size() < kNodeLimit) {
            AtSpiNode node = std::move(pending.back());
            pending.pop_back();
            node.role = firstReply(call(bus, node.busName, node.path, kAccessible, "GetRoleName")).toString();
            node.name = property(bus, node.busName, node.path, "Name");
            node.description = property(bus, node.busName, node.path, "Description");
            node.states = states(bus, node.busName, node.path);
            const auto found = children(bus, node.busName, node.path);
            // Depth first, in the children's order.
            for (auto child = found.rbegin(); child != found.rend(); ++child) {
                pending.push_back(
                    AtSpiNode{child->first, child->second, node.path, {}, {}, {}, {}, node.depth + 1});
            }
            nodes.push_back(std::move(node));
        }
        return nodes;
    });
}

std::optional<QString> AtSpiTreeReader::text(const AtSpiNode& node) {
    return onWorker<std::optional<QString>>([this, node]() -> std::optional<QString> {
        QDBusConnection bus = accessibilityBus();
        const QDBusMessage reply =
            call(bus, node.busName, node.path, "org.a11y.atspi.Text", "GetText", {0, -1});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
        return reply.arguments().front().toString();
    });
}

QDBusConnection AtSpiTreeReader::accessibilityBus() const {
    QDBusConnection session = QDBusConnection::connectToBus(sessionBusAddress_, connectionName_ + "-session");
    const QString address =
        firstReply(call(session, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress")).toString();
    return QDBusConnection::connectToBus(address, connectionName_ + "-a11y");
}

namespace {

// Asked by index until a name comes back empty: bridges differ in whether they publish a count.
QStringList actionNamesOn(QDBusConnection& bus, const AtSpiNode& node) {
    QStringList names;
    for (int index = 0; index < 16; ++index) {
        const QString name =
            firstReply(call(bus, node.busName, node.path, "org.a11y.atspi.Action", "GetName", {index}))
                .toString();
        if (name.isEmpty()) break;
        names.push_back(name);
    }
    return names;
}

}  // namespace

bool AtSpiTreeReader::doAction(const AtSpiNode& node, const QString& action) {
    return onWorker<bool>([this, node, action] {
        QDBusConnection bus = accessibilityBus();
        const QStringList names = actionNamesOn(bus, node);
        for (int index = 0; index < names.size(); ++index) {
            if (names[index].compare(action, Qt::CaseInsensitive) != 0) continue;
            const QDBusMessage reply =
                call(bus, node.busName, node.path, "org.a11y.atspi.Action", "DoAction", {index});
            return reply.type() == QDBusMessage::ReplyMessage && firstReply(reply).toBool();
        }
        return false;
    });
}

QStringList AtSpiTreeReader::actionNames(const AtSpiNode& node) {
    return onWorker<QStringList>([this, node] {
        QDBusConnection bus = accessibilityBus();
        return actionNamesOn(bus, node);
    });
}

std::vector<AtSpiNode> AtSpiTreeReader::find(const std::vector<AtSpiNode>& tree, const QString& role,
                                             const QString& name) {
    std::vector<AtSpiNode> found;
    for (const AtSpiNode& node : tree) {
        if (node.role == role && (name.isEmpty() || node.name == name) && node.has(ATSPI_STATE_SHOWING))
            found.push_back(node);
    }
    return found;
}

std::vector<AtSpiNode> AtSpiTreeReader::childrenOf(const std::vector<AtSpiNode>& tree,
                                                   const AtSpiNode& parent) {
    std::vector<AtSpiNode> found;
    for (const AtSpiNode& node : tree) {
        if (node.parentPath == parent.path && node.busName == parent.busName) found.push_back(node);
    }
    return found;
}

}  // namespace quorvane::testing

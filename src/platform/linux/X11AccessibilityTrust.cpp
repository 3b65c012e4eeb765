#include "platform/linux/X11AccessibilityTrust.h"

#include <xcb/xtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "AccessibilityPermission";
const QString kBusService = QStringLiteral("org.a11y.Bus");
const QString kBusPath = QStringLiteral("/org/a11y/bus");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kStatus = QStringLiteral("org.a11y.Status");
const QString kIsEnabled = QStringLiteral("IsEnabled");

// The value of a Get reply, or the reason there is none.
std::optional<bool> isEnabledIn(const QDBusMessage& reply, std::string& failure) {
    if (reply.type() != QDBusMessage::ReplyMessage) {
        failure =
            reply.errorMessage().isEmpty() ? std::string("no answer") : reply.errorMessage().toStdString();
        return std::nullopt;
    }
    const QVariant value =
        reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::Bool) {
        failure = "IsEnabled is not a truth value";
        return std::nullopt;
    }
    failure.clear();
    return value.toBool();
}

QDBusMessage isEnabledCall() {
    QDBusMessage call = QDBusMessage::createMethodCall(kBusService, kBusPath, kProperties, "Get");
    call << kStatus << kIsEnabled;
    return call;
}

}  // namespace

// The accessibility bus's IsEnabled as last heard: from the bus's own change signal, from reads started in
// the background when the bus appears and at every look, and from a successful request.
class X11AccessibilityTrust::BusStatus final : public QObject {
    Q_OBJECT

public:
    BusStatus() : bus_(QDBusConnection::sessionBus()) {
        if (!bus_.isConnected()) {
            record(std::nullopt, "no session bus");
            return;
        }
        bus_.connect(kBusService, kBusPath, kProperties, "PropertiesChanged", this,
                     SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        auto* watcher = new QDBusServiceWatcher(
            kBusService, bus_,
            QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] { refresh(); });
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { record(std::nullopt, "the accessibility bus went away"); });
        refresh();
    }

    // The state as last heard; waits only for the first read when nothing was heard yet.
    bool enabled() {
        if (!heard_ && pending_) {
            QDBusPendingCall first = *pending_;
            first.waitForFinished();
            answered(first, generation_);
        }
        // A change that the signal did not carry (a launcher that does not send it) shows at the next look.
        if (bus_.isConnected()) refresh();
        return enabled_.value_or(false);
    }

    void set(bool enabled) {
        ++generation_;  // a read still on its way saw the state before
        pending_.reset();
        record(enabled, {});
    }

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated) {
        if (interface != kStatus) return;
        if (const auto value = changed.find(kIsEnabled); value != changed.end()) {
            if (value->typeId() == QMetaType::Bool) {
                set(value->toBool());
                return;
            }
        }
        if (invalidated.contains(kIsEnabled) || changed.contains(kIsEnabled)) refresh();
    }

private:
    void refresh() {
        if (pending_) return;
        const std::uint64_t generation = ++generation_;
        pending_ = bus_.asyncCall(isEnabledCall(), busTimeoutMilliseconds);
        auto* watcher = new QDBusPendingCallWatcher(*pending_, this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, generation](QDBusPendingCallWatcher* call) {
                    answered(*call, generation);
                    call->deleteLater();
                });
    }

    void answered(const QDBusPendingCall& call, std::uint64_t generation) {
        if (generation != generation_ || !pending_) return;
        pending_.reset();
        const QDBusMessage reply = call.reply();
        // A launcher too busy to answer has not changed its state: what it last said still holds.
        const QString error = reply.errorName();
        if (enabled_ && (error.endsWith(".NoReply") || error.endsWith(".Timeout"))) return;
        std::string failure;
        const std::optional<bool> value = isEnabledIn(reply, failure);
        record(value, failure);
    }

    void record(std::optional<bool> enabled, const std::string& failure) {
        heard_ = true;
        enabled_ = enabled;
        if (failure == lastFailure_) return;
        // A desktop without the bus is a state of the desktop, not a fault: not trusted, said once.
        if (!failure.empty()) {
            Logger::info("Accessibility bus unavailable (" + failure + "): not trusted for accessibility",
                         kLogCategory);
        }
        lastFailure_ = failure;
    }

    QDBusConnection bus_;
    std::optional<QDBusPendingCall> pending_;
    std::uint64_t generation_ = 0;
    bool heard_ = false;
    std::optional<bool> enabled_;
    // The last reason the bus could not be read, so that a state heard again and again logs it once.
    std::string lastFailure_;
};

X11AccessibilityTrust::X11AccessibilityTrust(const char* displayName)
    : busStatus_(std::make_unique<BusStatus>()) {
    xcb_connection_t* connection = xcb_connect(displayName, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return;
    }
    connection_ = connection;
}

X11AccessibilityTrust::~X11AccessibilityTrust() {
    if (connection_) xcb_disconnect(connection_);
}

bool X11AccessibilityTrust::isProcessTrusted() const {
    if (!connection_ || xcb_connection_has_error(connection_)) return false;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_test_id);
    if (!extension || !extension->present) return false;
    return busStatus_->enabled();
}

bool X11AccessibilityTrust::requestTrust() {
    if (enableAccessibilityBus()) busStatus_->set(true);
    return isProcessTrusted();
}

std::optional<bool> X11AccessibilityTrust::accessibilityBusEnabled(std::string* failure) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    std::string reason = "no session bus";
    std::optional<bool> enabled;
    if (bus.isConnected())
        enabled = isEnabledIn(bus.call(isEnabledCall(), QDBus::Block, busTimeoutMilliseconds), reason);
    if (failure) *failure = enabled ? std::string() : reason;
    return enabled;
}

bool X11AccessibilityTrust::enableAccessibilityBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Logger::error("Failed to enable the accessibility bus: no session bus", kLogCategory);
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kBusService, kBusPath, kProperties, "Set");
    call << kStatus << kIsEnabled << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = bus.call(call, QDBus::Block, busTimeoutMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        Logger::error("Failed to enable the accessibility bus: " + reply.errorMessage().toStdString(),
                      kLogCategory);
        return false;
    }
    return true;
}

}  // namespace quorvane

#include "X11AccessibilityTrust.moc"

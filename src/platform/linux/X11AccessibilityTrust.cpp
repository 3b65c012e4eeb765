#include "platform/linux/X11AccessibilityTrust.h"

#include <xcb/xtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "base/Logger.h"

namespace quorvane {

X11AccessibilityTrust::X11AccessibilityTrust(const char* displayName) {
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
    std::string failure;
    const std::optional<bool> enabled = accessibilityBusEnabled(&failure);
    if (failure != lastBusFailure_) {
        if (!failure.empty()) {
            // A desktop without the bus is a state of the desktop, not a fault: not trusted, said once.
            Logger::info("Accessibility bus unavailable (" + failure + "): not trusted for accessibility",
                         "AccessibilityPermission");
        }
        lastBusFailure_ = failure;
    }
    return enabled.value_or(false);
}

bool X11AccessibilityTrust::requestTrust() {
    enableAccessibilityBus();
    return isProcessTrusted();
}

std::optional<bool> X11AccessibilityTrust::accessibilityBusEnabled(std::string* failure) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (failure) *failure = "no session bus";
        return std::nullopt;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                       "org.freedesktop.DBus.Properties", "Get");
    call << QString("org.a11y.Status") << QString("IsEnabled");
    const QDBusMessage reply = bus.call(call, QDBus::Block, busTimeoutMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (failure) *failure = reply.errorMessage().toStdString();
        return std::nullopt;
    }
    const QVariant value =
        reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::Bool) {
        if (failure) *failure = "IsEnabled is not a truth value";
        return std::nullopt;
    }
    return value.toBool();
}

bool X11AccessibilityTrust::enableAccessibilityBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Logger::error("Failed to enable the accessibility bus: no session bus", "AccessibilityPermission");
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                       "org.freedesktop.DBus.Properties", "Set");
    call << QString("org.a11y.Status") << QString("IsEnabled") << QVariant::fromValue(QDBusVariant(true));
    const QDBusMessage reply = bus.call(call, QDBus::Block, busTimeoutMilliseconds);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        Logger::error("Failed to enable the accessibility bus: " + reply.errorMessage().toStdString(),
                      "AccessibilityPermission");
        return false;
    }
    return true;
}

}  // namespace quorvane

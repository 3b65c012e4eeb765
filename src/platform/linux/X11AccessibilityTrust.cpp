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
    return extension && extension->present;
}

bool X11AccessibilityTrust::requestTrust() {
    enableAccessibilityBus();
    return isProcessTrusted();
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

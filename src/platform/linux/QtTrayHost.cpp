#include "platform/linux/QtTrayHost.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <cstdlib>
#include <string>

#include "base/Logger.h"

namespace quorvane {

namespace {
constexpr const char* kLogCategory = "TrayHost";
constexpr const char* statusNotifierWatcher = "org.kde.StatusNotifierWatcher";
}  // namespace

struct QtTrayHost::Watch {
    xcb_connection_t* connection = nullptr;
    std::unique_ptr<QSocketNotifier> notifier;
    std::unique_ptr<QDBusServiceWatcher> bus;

    ~Watch() {
        notifier.reset();
        if (connection) xcb_disconnect(connection);
    }

    // Follows the owner of the screen's XEmbed tray selection; false when the display cannot report it.
    bool followSystemTray(const std::function<void()>& changed) {
        int screenNumber = 0;
        connection = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(connection)) return false;
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (!xfixes || !xfixes->present) return false;
        std::free(
            xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 1, 0), nullptr));
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem > 1; ++i) xcb_screen_next(&screens);
        const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber);
        auto* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
            nullptr);
        if (!atom) return false;
        xcb_xfixes_select_selection_input(connection, screens.data->root, atom->atom,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        std::free(atom);
        xcb_flush(connection);
        notifier =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection), QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this, changed] {
            bool any = false;
            while (auto* event = xcb_poll_for_event(connection)) {
                any = true;
                std::free(event);
            }
            if (xcb_connection_has_error(connection)) {
                Logger::error("Failed to follow the system tray: the display closed the connection",
                              kLogCategory);
                notifier->setEnabled(false);
                return;
            }
            if (any) changed();
        });
        return true;
    }
};

QtTrayHost::QtTrayHost() : watch_(std::make_unique<Watch>()) {
    const auto changed = [this] { announceAvailabilityChange(); };
    reports_ = watch_->followSystemTray(changed);
    if (!reports_) {
        Logger::error("Failed to follow the system tray; its host is looked for again from time to time",
                      kLogCategory);
        return;
    }
    watch_->bus = std::make_unique<QDBusServiceWatcher>(
        statusNotifierWatcher, QDBusConnection::sessionBus(),
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(watch_->bus.get(), &QDBusServiceWatcher::serviceRegistered, changed);
    QObject::connect(watch_->bus.get(), &QDBusServiceWatcher::serviceUnregistered, changed);
}

QtTrayHost::~QtTrayHost() = default;

bool QtTrayHost::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

}  // namespace quorvane

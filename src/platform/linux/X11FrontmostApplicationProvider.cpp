#include "platform/linux/X11FrontmostApplicationProvider.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/Logger.h"
#include "platform/linux/X11Properties.h"

namespace quorvane {

namespace {

// Window properties are written by other programs: read at most this many 32-bit units of each.
constexpr std::uint32_t maximumPropertyUnits = 1024;

using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>;

xcb_get_property_cookie_t askProperty(xcb_connection_t* connection, xcb_window_t window,
                                      xcb_atom_t property) {
    return xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                            maximumPropertyUnits);
}

PropertyReply takeReply(xcb_connection_t* connection, xcb_get_property_cookie_t cookie) {
    xcb_generic_error_t* error = nullptr;
    PropertyReply reply(xcb_get_property_reply(connection, cookie, &error), &std::free);
    std::free(error);
    if (reply && (reply->type == XCB_ATOM_NONE || reply->format == 0)) reply.reset();
    return reply;
}

std::optional<std::string> firstString(const PropertyReply& reply) {
    auto parts = propertyStrings(reply.get());
    if (parts.empty() || parts.front().empty()) return std::nullopt;
    return parts.front();
}

std::optional<std::uint32_t> cardinal(const PropertyReply& reply) {
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return std::nullopt;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
}

}  // namespace

struct X11FrontmostApplicationProvider::Atoms {
    xcb_atom_t activeWindow;
    xcb_atom_t gtkApplicationId;
    xcb_atom_t kdeDesktopFile;
    xcb_atom_t processId;
    xcb_atom_t name;
};

X11FrontmostApplicationProvider::X11FrontmostApplicationProvider(ApplicationIdentityResolver resolver,
                                                                 const char* displayName,
                                                                 std::string ownBundleIdentifier)
    : resolver_(std::move(resolver)), ownBundleIdentifier_(std::move(ownBundleIdentifier)) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        Logger::error("Failed to connect to the X display; the frontmost application stays unknown",
                      "FrontmostApplication");
        return;
    }
    connection_ = connection;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;
    const auto [activeWindow, gtkApplicationId, kdeDesktopFile, processId, name] =
        internAtoms(connection_, {"_NET_ACTIVE_WINDOW", "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE",
                                  "_NET_WM_PID", "_NET_WM_NAME"});
    atoms_ = std::make_unique<Atoms>(Atoms{activeWindow, gtkApplicationId, kdeDesktopFile, processId, name});
}

X11FrontmostApplicationProvider::~X11FrontmostApplicationProvider() {
    if (connection_) xcb_disconnect(connection_);
}

std::optional<xcb_window_t> X11FrontmostApplicationProvider::activeWindow() const {
    const auto reply = takeReply(connection_, askProperty(connection_, root_, atoms_->activeWindow));
    const auto window = cardinal(reply);
    if (!window || *window == XCB_WINDOW_NONE) return std::nullopt;
    // Window managers leave a hidden panel marked active when there is nothing to return to: a window that
    // is not on screen is no window in front.
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, *window),
                                        nullptr),
        &std::free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return std::nullopt;
    return *window;
}

std::optional<FrontmostApplication> X11FrontmostApplicationProvider::frontmostApplication() const {
    if (!connection_) return std::nullopt;
    const auto window = activeWindow();
    if (!window) return std::nullopt;

    // Ask for every property first, then collect: one round trip instead of five.
    const auto gtkCookie = askProperty(connection_, *window, atoms_->gtkApplicationId);
    const auto kdeCookie = askProperty(connection_, *window, atoms_->kdeDesktopFile);
    const auto classCookie = askProperty(connection_, *window, XCB_ATOM_WM_CLASS);
    const auto processCookie = askProperty(connection_, *window, atoms_->processId);
    const auto netNameCookie = askProperty(connection_, *window, atoms_->name);
    const auto nameCookie = askProperty(connection_, *window, XCB_ATOM_WM_NAME);
    const auto gtk = takeReply(connection_, gtkCookie);
    const auto kde = takeReply(connection_, kdeCookie);
    const auto wmClass = takeReply(connection_, classCookie);
    const auto process = takeReply(connection_, processCookie);
    const auto netName = takeReply(connection_, netNameCookie);
    const auto name = takeReply(connection_, nameCookie);
    if (!gtk && !kde && !wmClass && !process && !netName && !name) return std::nullopt;

    FrontmostApplication application;
    application.window.gtkApplicationId = firstString(gtk);
    application.window.kdeDesktopFile = firstString(kde);
    const auto classes = propertyStrings(wmClass.get());
    if (!classes.empty() && !classes[0].empty()) application.window.wmClassInstance = classes[0];
    if (classes.size() > 1 && !classes[1].empty()) application.window.wmClassName = classes[1];
    application.window.title = firstString(netName);
    if (!application.window.title) application.window.title = firstString(name);
    if (const auto pid = cardinal(process); pid && *pid > 0) application.processIdentifier = *pid;

    // Our own windows carry no desktop-file id the resolver would map to ours; the process tells.
    if (!ownBundleIdentifier_.empty() && application.processIdentifier == std::int64_t{getpid()}) {
        application.bundleIdentifier = ownBundleIdentifier_;
        application.name = application.window.wmClassName.value_or(ownBundleIdentifier_);
        return application;
    }
    std::optional<ApplicationIdentity> identity;
    if (resolver_) identity = resolver_(application.window);
    if (!identity) identity = fallbackApplicationIdentity(application.window);
    if (identity) {
        application.bundleIdentifier = identity->bundleIdentifier;
        application.name = identity->name;
    }
    return application;
}

}  // namespace quorvane

#include "desktop/WindowManagerProbe.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <thread>

namespace quorvane::testing {
namespace {

// A map request that was passed over is not handled later: ask again after this long.
constexpr qint64 kRemapAfterMilliseconds = 1000;

bool isReparented(xcb_connection_t* connection, xcb_window_t window, xcb_window_t root) {
    auto* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    const bool framed = tree && tree->parent != root;
    std::free(tree);
    return framed;
}

}  // namespace

bool windowManagerManagesWindows(const std::string& display, std::chrono::milliseconds timeout) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 16, 16, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(connection, window);
    xcb_flush(connection);

    QElapsedTimer elapsed;
    QElapsedTimer sinceMapped;
    elapsed.start();
    sinceMapped.start();
    bool managed = false;
    while (!(managed = isReparented(connection, window, screen->root)) &&
           elapsed.elapsed() < timeout.count()) {
        if (sinceMapped.elapsed() > kRemapAfterMilliseconds) {
            xcb_unmap_window(connection, window);
            xcb_map_window(connection, window);
            xcb_flush(connection);
            sinceMapped.restart();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
    xcb_disconnect(connection);
    return managed;
}

}  // namespace quorvane::testing

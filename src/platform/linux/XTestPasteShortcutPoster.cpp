#include "platform/linux/XTestPasteShortcutPoster.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr const char* logCategory = "PasteShortcut";
constexpr xcb_keysym_t keysymV = 0x0076;
constexpr xcb_keysym_t keysymControlL = 0xffe3;
constexpr xcb_keysym_t keysymShiftL = 0xffe1;
constexpr xcb_keysym_t keysymInsert = 0xff63;

// The first keycode that carries `keysym` in the current map; 0 when none does.
xcb_keycode_t keycodeOf(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(xcb_key_symbols_get_keycode(symbols, keysym),
                                                               &std::free);
    return codes ? codes.get()[0] : 0;
}

}  // namespace

XTestPasteShortcutPoster::XTestPasteShortcutPoster(const char* displayName) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        Logger::error("Failed to connect to the X display; the paste keystroke cannot be posted",
                      logCategory);
        return;
    }
    connection_ = connection;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    root_ = screens.data->root;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection_, &xcb_test_id);
    hasXTest_ = extension && extension->present;
    if (!hasXTest_)
        Logger::error("Failed to find the XTEST extension; the paste keystroke cannot be posted",
                      logCategory);
}

XTestPasteShortcutPoster::~XTestPasteShortcutPoster() {
    if (connection_) xcb_disconnect(connection_);
}

bool XTestPasteShortcutPoster::postPasteShortcut(PasteKeystroke keystroke) {
    if (!connection_ || !hasXTest_) return false;
    std::vector<xcb_keysym_t> modifiers;
    xcb_keysym_t key = keysymV;
    switch (keystroke) {
        case PasteKeystroke::controlV:
            modifiers = {keysymControlL};
            break;
        case PasteKeystroke::controlShiftV:
            modifiers = {keysymControlL, keysymShiftL};
            break;
        case PasteKeystroke::shiftInsert:
            modifiers = {keysymShiftL};
            key = keysymInsert;
            break;
    }
    // The keyboard map may have changed since the last paste (a layout switch): read it afresh.
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(connection_), &xcb_key_symbols_free);
    std::vector<xcb_keycode_t> modifierCodes;
    for (const xcb_keysym_t modifier : modifiers) modifierCodes.push_back(keycodeOf(symbols.get(), modifier));
    const xcb_keycode_t keyCode = keycodeOf(symbols.get(), key);
    const std::string name(pasteKeystrokeName(keystroke));
    if (keyCode == 0 || std::find(modifierCodes.begin(), modifierCodes.end(), 0) != modifierCodes.end()) {
        Logger::warning("Failed to post " + name + ": the keyboard lacks one of its keys", logCategory);
        return false;
    }
    const auto fake = [&](std::uint8_t type, xcb_keycode_t code) {
        return xcb_test_fake_input_checked(connection_, type, code, XCB_CURRENT_TIME, root_, 0, 0, 0);
    };
    std::vector<xcb_void_cookie_t> cookies;
    for (const auto code : modifierCodes) cookies.push_back(fake(XCB_KEY_PRESS, code));
    cookies.push_back(fake(XCB_KEY_PRESS, keyCode));
    cookies.push_back(fake(XCB_KEY_RELEASE, keyCode));
    for (auto code = modifierCodes.rbegin(); code != modifierCodes.rend(); ++code)
        cookies.push_back(fake(XCB_KEY_RELEASE, *code));
    bool succeeded = true;
    for (const auto& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            succeeded = false;
            std::free(error);
        }
    }
    if (!succeeded) Logger::warning("Failed to post " + name + ": the X server refused it", logCategory);
    return succeeded;
}

}  // namespace quorvane

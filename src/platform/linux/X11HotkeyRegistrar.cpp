#include "platform/linux/X11HotkeyRegistrar.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <array>
#include <cstdlib>
#include <cstring>

#include "base/Logger.h"
#include "platform/KeyPositions.h"

namespace quorvane {

namespace {

constexpr const char* kLogCategory = "HotkeyRegistrar";
constexpr std::uint8_t kXkbNewKeyboardNotify = 0;
constexpr std::uint8_t kXkbMapNotify = 1;

}  // namespace

X11HotkeyRegistrar::X11HotkeyRegistrar() : context_(std::make_unique<QObject>()) {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    connection_ = x11 ? x11->connection() : nullptr;
    if (!connection_) return;
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    root_ = xcb_setup_roots_iterator(setup).data->root;
    const char* xkbName = "XKEYBOARD";
    auto* xkb = xcb_query_extension_reply(
        connection_, xcb_query_extension(connection_, std::strlen(xkbName), xkbName), nullptr);
    if (xkb) {
        if (xkb->present) xkbFirstEvent_ = xkb->first_event;
        std::free(xkb);
    }
    readModifierMasks();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotkeyRegistrar::~X11HotkeyRegistrar() {
    // Without the application its connection is closed, and the server dropped our grabs with it.
    if (!connection_ || !QCoreApplication::instance()) return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    for (auto it = registrations_.begin(); it != registrations_.end(); it = registrations_.begin()) {
        unregisterHotkey(it->first);
    }
    xcb_flush(connection_);
}

void X11HotkeyRegistrar::readModifierMasks() {
    // For each role, the one modifier bit its keys set: the first modifier holding a key whose own symbol
    // (first column) is the role's, else one holding it in another column. Keymaps list Super a second time
    // on a spare key and in several modifiers; a press of the real key sets only its own bit.
    std::array<std::array<int, 2>, 3> found{{{-1, -1}, {-1, -1}, {-1, -1}}};  // alt, super, Num Lock
    const auto roleOf = [](xcb_keysym_t keysym) {
        switch (keysym) {
            case XK_Alt_L:
            case XK_Alt_R:
            case XK_Meta_L:
            case XK_Meta_R:
                return 0;
            case XK_Super_L:
            case XK_Super_R:
                return 1;
            case XK_Num_Lock:
                return 2;
            default:
                return -1;
        }
    };
    auto* mapping =
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
    if (mapping && symbols) {
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping);
        const int perModifier = mapping->keycodes_per_modifier;
        // Shift, Lock and Control (0-2) never stand for these roles.
        for (int modifier = 3; modifier < 8; ++modifier) {
            for (int slot = 0; slot < perModifier; ++slot) {
                const xcb_keycode_t keycode = keycodes[modifier * perModifier + slot];
                if (keycode == 0) continue;
                for (int column = 0; column < 4; ++column) {
                    const int role = roleOf(xcb_key_symbols_get_keysym(symbols, keycode, column));
                    auto& first = found[role < 0 ? 0 : role][column == 0 ? 0 : 1];
                    if (role >= 0 && first < 0) first = modifier;
                }
            }
        }
    }
    if (symbols) xcb_key_symbols_free(symbols);
    std::free(mapping);
    // A keyboard without these keys keeps the usual masks, so grabs still mean what they mean elsewhere.
    const Masks usual;
    const auto maskOf = [&](int role, std::uint16_t fallback) -> std::uint16_t {
        const int modifier = found[role][0] >= 0 ? found[role][0] : found[role][1];
        return modifier >= 0 ? static_cast<std::uint16_t>(1u << modifier) : fallback;
    };
    masks_.alt = maskOf(0, usual.alt);
    masks_.super = maskOf(1, usual.super);
    masks_.numLock = maskOf(2, usual.numLock);
}

std::uint16_t X11HotkeyRegistrar::xModifiers(std::uint64_t modifierFlags) const {
    std::uint16_t modifiers = 0;
    if (modifierFlags & hotkeyModifierShift) modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifierFlags & hotkeyModifierCommand) modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifierFlags & hotkeyModifierOption) modifiers |= masks_.alt;
    if (modifierFlags & hotkeyModifierControl) modifiers |= masks_.super;
    return modifiers;
}

std::int32_t X11HotkeyRegistrar::grab(std::uint8_t keycode, std::uint16_t modifiers,
                                      std::uint16_t numLockMask) {
    const std::array<std::uint16_t, 4> locks{0, XCB_MOD_MASK_LOCK, numLockMask,
                                             static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask)};
    std::array<xcb_void_cookie_t, 4> cookies{};
    for (std::size_t index = 0; index < locks.size(); ++index) {
        // Without owner events the press and its release are both reported on the root window, whichever
        // window has the focus by then: our panel takes it between the two, and a release reported to the
        // panel would leave the key held for good.
        cookies[index] = xcb_grab_key_checked(connection_, 0, root_, modifiers | locks[index], keycode,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    std::int32_t status = statusOK;
    std::array<bool, 4> granted{};
    for (std::size_t index = 0; index < locks.size(); ++index) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookies[index])) {
            if (status == statusOK) status = error->error_code;
            std::free(error);
        } else {
            granted[index] = true;
        }
    }
    if (status != statusOK) {
        for (std::size_t index = 0; index < locks.size(); ++index) {
            if (granted[index]) xcb_ungrab_key(connection_, keycode, root_, modifiers | locks[index]);
        }
        xcb_flush(connection_);
    }
    return status;
}

void X11HotkeyRegistrar::ungrab(std::uint8_t keycode, std::uint16_t modifiers, std::uint16_t numLockMask) {
    for (const std::uint16_t lock : {std::uint16_t{0}, std::uint16_t{XCB_MOD_MASK_LOCK}, numLockMask,
                                     static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask)}) {
        xcb_ungrab_key(connection_, keycode, root_, modifiers | lock);
    }
    xcb_flush(connection_);
}

bool X11HotkeyRegistrar::grabIsShared(const Registration& registration, HotkeyRef except) const {
    for (const auto& [ref, other] : registrations_) {
        if (ref != except && other.isGrabbed && other.keycode == registration.keycode &&
            other.xModifiers == registration.xModifiers && other.numLockMask == registration.numLockMask) {
            return true;
        }
    }
    return false;
}

HotkeyRegistrar::Result X11HotkeyRegistrar::registerHotkey(std::uint16_t keyCode, std::uint64_t modifierFlags,
                                                           std::uint32_t id) {
    if (!connection_) return {statusNoDisplay, 0};
    const auto position = KeyPositions::ofKeyCode(keyCode);
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const std::uint32_t keycode = position ? position->inputCode + KeyPositions::xKeycodeOffset : 0;
    if (!position || keycode < setup->min_keycode || keycode > setup->max_keycode) {
        return {statusKeyWithoutPosition, 0};
    }
    Registration registration;
    registration.keycode = static_cast<std::uint8_t>(keycode);
    registration.modifierFlags = modifierFlags & hotkeyModifierMask;
    registration.id = id;
    registration.xModifiers = xModifiers(registration.modifierFlags);
    registration.numLockMask = masks_.numLock;
    // Two stored values that differ only in ungrabbed bits share the grab already held.
    if (!grabIsShared(registration, 0)) {
        const std::int32_t status =
            grab(registration.keycode, registration.xModifiers, registration.numLockMask);
        if (status != statusOK) return {status, 0};
    }
    registration.isGrabbed = true;
    const HotkeyRef ref = nextRef_++;
    registrations_.emplace(ref, registration);
    return {statusOK, ref};
}

void X11HotkeyRegistrar::unregisterHotkey(HotkeyRef ref) {
    const auto found = registrations_.find(ref);
    if (found == registrations_.end()) return;
    const Registration registration = found->second;
    registrations_.erase(found);
    if (registration.isGrabbed && !grabIsShared(registration, ref)) {
        ungrab(registration.keycode, registration.xModifiers, registration.numLockMask);
    }
}

Subscription X11HotkeyRegistrar::installPressHandler(PressHandler handler) {
    *handler_ = std::move(handler);
    std::weak_ptr<PressHandler> weak = handler_;
    return Subscription([weak] {
        if (auto installed = weak.lock()) *installed = nullptr;
    });
}

void X11HotkeyRegistrar::handlePress(std::uint8_t keycode, std::uint16_t state, std::uint32_t time) {
    // A held key repeats either as more presses or, without detectable auto-repeat, as release-press pairs
    // that share one time stamp.
    const auto released = releaseTime_.find(keycode);
    const bool repeat = held_[keycode] || (released != releaseTime_.end() && released->second == time);
    held_[keycode] = true;
    if (repeat) return;
    const std::uint16_t pressed = state & 0xFF & ~(XCB_MOD_MASK_LOCK | masks_.numLock);
    const Registration* match = nullptr;
    for (const auto& [ref, registration] : registrations_) {
        // The latest registration of a shared grab gets the press.
        if (registration.isGrabbed && registration.keycode == keycode && registration.xModifiers == pressed) {
            match = &registration;
        }
    }
    if (!match) return;
    const PressHandler handler = *handler_;
    if (handler) handler(Press{match->id, time});
}

bool X11HotkeyRegistrar::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7F;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
        auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (type == XCB_KEY_PRESS) {
            // Presses on our own windows are typing, not the hot key.
            if (key->event == root_) handlePress(key->detail, key->state, key->time);
        } else if (const auto held = held_.find(key->detail); held != held_.end()) {
            // A release wherever it is reported ends the hold: a key left held would take the next press
            // for an auto-repeat.
            held->second = false;
            releaseTime_[key->detail] = key->time;
        }
    } else if (type == XCB_MAPPING_NOTIFY) {
        auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
        if (mapping->request != XCB_MAPPING_POINTER) scheduleRegrab();
    } else if (xkbFirstEvent_ != 0 && type == xkbFirstEvent_ &&
               (event->pad0 == kXkbNewKeyboardNotify || event->pad0 == kXkbMapNotify)) {
        scheduleRegrab();
    }
    // Never consumed: Qt takes its user time from key presses too.
    return false;
}

void X11HotkeyRegistrar::scheduleRegrab() {
    if (regrabQueued_) return;
    regrabQueued_ = true;
    // A keyboard change arrives as several events; one re-grab after them is enough.
    QTimer::singleShot(0, context_.get(), [this] {
        regrabQueued_ = false;
        regrabAll();
    });
}

void X11HotkeyRegistrar::regrabAll() {
    // Grabs name key positions, which a new layout leaves alone; only modifiers that moved need new grabs.
    // (Switching between keyboards, XTEST's included, reports a new keyboard each time.)
    const Masks before = masks_;
    readModifierMasks();
    if (masks_.alt == before.alt && masks_.super == before.super && masks_.numLock == before.numLock) return;
    for (auto& [ref, registration] : registrations_) {
        if (registration.isGrabbed)
            ungrab(registration.keycode, registration.xModifiers, registration.numLockMask);
        registration.isGrabbed = false;
    }
    for (auto& [ref, registration] : registrations_) {
        registration.xModifiers = xModifiers(registration.modifierFlags);
        registration.numLockMask = masks_.numLock;
        if (!grabIsShared(registration, ref)) {
            const std::int32_t status =
                grab(registration.keycode, registration.xModifiers, registration.numLockMask);
            if (status != statusOK) {
                Logger::error(
                    "Failed to grab hotkey again after a keyboard change: " + std::to_string(status),
                    kLogCategory);
                continue;
            }
        }
        registration.isGrabbed = true;
    }
    held_.clear();
}

}  // namespace quorvane

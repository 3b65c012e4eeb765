#pragma once

// Global hot keys on X11: passive key grabs on the root window, made on Qt's own xcb connection and read
// through a native event filter, so presses arrive on the main thread with the rest of Qt's events. Every
// grab is made for the four Caps Lock and Num Lock states with checked requests: a grab another program
// holds fails the registration. Auto-repeats of a held key are not reported; a keyboard mapping change
// re-grabs everything with the new modifier masks. Presses are left to Qt as well, so its user time follows
// the hot key and a window shown by the action may take focus. Main thread only.
//
// Key codes map to X keycodes by position as evdev-based servers number them (Xorg, Xwayland, Xvfb).

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>

#include "platform/HotkeyRegistrar.h"

struct xcb_connection_t;

namespace quorvane {

class X11HotkeyRegistrar final : public HotkeyRegistrar, private QAbstractNativeEventFilter {
public:
    // Needs a QGuiApplication on the xcb platform; on any other, every registration fails (statusNoDisplay).
    X11HotkeyRegistrar();
    // Releases every grab still held.
    ~X11HotkeyRegistrar() override;
    X11HotkeyRegistrar(const X11HotkeyRegistrar&) = delete;
    X11HotkeyRegistrar& operator=(const X11HotkeyRegistrar&) = delete;

    Result registerHotkey(std::uint16_t keyCode, std::uint64_t modifierFlags, std::uint32_t id) override;
    void unregisterHotkey(HotkeyRef ref) override;
    Subscription installPressHandler(PressHandler handler) override;

private:
    // The X modifier masks of this keyboard's mapping.
    struct Masks {
        std::uint16_t alt = 0x08;      // Mod1
        std::uint16_t numLock = 0x10;  // Mod2
        std::uint16_t super = 0x40;    // Mod4
    };
    struct Registration {
        std::uint8_t keycode = 0;
        std::uint64_t modifierFlags = 0;  // the four meaningful bits
        std::uint32_t id = 0;
        // The grab as made, so it is released as made even after the masks changed.
        std::uint16_t xModifiers = 0;
        std::uint16_t numLockMask = 0;
        bool isGrabbed = false;  // false after a re-grab that another program took from us
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void readModifierMasks();
    std::uint16_t xModifiers(std::uint64_t modifierFlags) const;
    // Grabs every lock variant; on failure releases the variants that were granted and returns the X error.
    std::int32_t grab(std::uint8_t keycode, std::uint16_t modifiers, std::uint16_t numLockMask);
    void ungrab(std::uint8_t keycode, std::uint16_t modifiers, std::uint16_t numLockMask);
    // Whether a registration other than `except` holds the same X grab.
    bool grabIsShared(const Registration& registration, HotkeyRef except) const;
    void handlePress(std::uint8_t keycode, std::uint16_t state, std::uint32_t time);
    void scheduleRegrab();
    void regrabAll();

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint8_t xkbFirstEvent_ = 0;  // 0 when the server has no XKB
    Masks masks_;
    std::map<HotkeyRef, Registration> registrations_;
    HotkeyRef nextRef_ = 1;
    std::shared_ptr<PressHandler> handler_ = std::make_shared<PressHandler>();
    // Keys of ours held down now, and when each was last released, to tell auto-repeats from presses.
    std::map<std::uint8_t, bool> held_;
    std::map<std::uint8_t, std::uint32_t> releaseTime_;
    std::unique_ptr<QObject> context_;  // owns the queued re-grab; dropped with the registrar
    bool regrabQueued_ = false;
};

}  // namespace quorvane

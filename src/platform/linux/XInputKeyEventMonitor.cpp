#include "platform/linux/XInputKeyEventMonitor.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <vector>

#include "base/Logger.h"
#include "base/Utf8.h"

namespace quorvane {

namespace {

// The flag a modifier key contributes while held; 0 for other keys.
std::uint32_t modifierFlagOfKeysym(KeySym keysym) {
    switch (keysym) {
        case XK_Control_L:
        case XK_Control_R:
            return keyModifierCommand;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R:
            return keyModifierOption;
        case XK_Super_L:
        case XK_Super_R:
        case XK_Hyper_L:
        case XK_Hyper_R:
            return keyModifierControl;
        case XK_Shift_L:
        case XK_Shift_R:
            return keyModifierShift;
        default:
            return 0;
    }
}

}  // namespace

std::string XInputKeyEventMonitor::charactersOfKeysym(std::uint32_t keysym) {
    std::string text;
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) {
        appendUtf8(text, keysym);
    } else if (keysym >= 0x01000100 && keysym <= 0x0110FFFF) {
        const std::uint32_t codePoint = keysym - 0x01000000;
        if (codePoint < 0xD800 || codePoint > 0xDFFF) appendUtf8(text, codePoint);
    }
    return text;
}

// The event thread with its X connection. Only this thread touches the Display.
struct XInputKeyEventMonitor::Reader {
    Display* display = nullptr;
    int inputOpcode = 0;
    int wakeFd = -1;
    std::shared_ptr<Handlers> handlers;
    std::set<int> heldModifierKeys;  // key codes only; which keys are held, never what was typed
    std::map<int, std::uint32_t> flagOfModifierKey;
    std::thread thread;

    ~Reader() {
        if (thread.joinable()) {
            const std::uint64_t one = 1;
            (void)!write(wakeFd, &one, sizeof one);
            thread.join();
        }
        if (wakeFd >= 0) close(wakeFd);
        if (display) XCloseDisplay(display);
    }

    std::uint32_t modifierFlags() const {
        std::uint32_t flags = 0;
        for (int key : heldModifierKeys) flags |= flagOfModifierKey.at(key);
        return flags;
    }

    KeySym keysymOf(int keyCode, int group) const {
        return XkbKeycodeToKeysym(display, static_cast<KeyCode>(keyCode), group, 0);
    }

    void rememberModifierKeys() {
        int minimum = 0;
        int maximum = 0;
        XDisplayKeycodes(display, &minimum, &maximum);
        for (int key = minimum; key <= maximum; ++key) {
            if (const auto flag = modifierFlagOfKeysym(keysymOf(key, 0))) flagOfModifierKey[key] = flag;
        }
        // Modifiers already held when monitoring starts count from the start.
        char keys[32];
        XQueryKeymap(display, keys);
        for (const auto& [key, flag] : flagOfModifierKey) {
            if (keys[key / 8] & (1 << (key % 8))) heldModifierKeys.insert(key);
        }
    }

    void deliver(const KeyDownEvent& event) {
        std::vector<std::shared_ptr<Handler>> targets;
        {
            std::lock_guard lock(handlers->mutex);
            for (const auto& [id, handler] : handlers->byId) targets.push_back(handler);
        }
        for (const auto& handler : targets) (*handler)(event);
    }

    void handle(const XIRawEvent& raw) {
        const int key = raw.detail;
        const bool isModifier = flagOfModifierKey.count(key) > 0;
        if (raw.evtype == XI_RawKeyRelease) {
            heldModifierKeys.erase(key);
            return;
        }
        if (isModifier) heldModifierKeys.insert(key);
        // The layout group decides which character the key gives, so a Cyrillic layout's C key is not "c".
        XkbStateRec state{};
        const int group = XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
        std::uint32_t flags = modifierFlags();
        if (state.locked_mods & LockMask) flags |= keyModifierCapsLock;
        KeyDownEvent event{static_cast<std::uint32_t>(key),
                           charactersOfKeysym(static_cast<std::uint32_t>(keysymOf(key, group))), flags,
                           (raw.flags & XIKeyRepeat) != 0};
        deliver(event);
    }

    void run() {
        const int xFd = ConnectionNumber(display);
        for (;;) {
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                XGenericEventCookie* cookie = &event.xcookie;
                if (cookie->type != GenericEvent || cookie->extension != inputOpcode) continue;
                if (!XGetEventData(display, cookie)) continue;
                if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
                    handle(*static_cast<const XIRawEvent*>(cookie->data));
                }
                XFreeEventData(display, cookie);
            }
            pollfd fds[2] = {{xFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents & POLLIN) return;
            if (fds[0].revents & (POLLERR | POLLHUP)) {
                Logger::warning("Key monitor lost its X display connection", "KeyEventMonitor");
                return;
            }
        }
    }
};

XInputKeyEventMonitor::XInputKeyEventMonitor(std::string displayName)
    : displayName_(std::move(displayName)), handlers_(std::make_shared<Handlers>()) {}

XInputKeyEventMonitor::~XInputKeyEventMonitor() {
    reader_.reset();
}

std::optional<Subscription> XInputKeyEventMonitor::addGlobalKeyDownMonitor(Handler handler) {
    if (!reader_) {
        auto reader = std::make_unique<Reader>();
        reader->handlers = handlers_;
        reader->display = XOpenDisplay(displayName_.empty() ? nullptr : displayName_.c_str());
        if (!reader->display) return std::nullopt;
        int event = 0;
        int error = 0;
        int major = 2;
        int minor = 0;
        if (!XQueryExtension(reader->display, "XInputExtension", &reader->inputOpcode, &event, &error) ||
            XIQueryVersion(reader->display, &major, &minor) != Success) {
            return std::nullopt;
        }
        unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(mask, XI_RawKeyPress);
        XISetMask(mask, XI_RawKeyRelease);
        XIEventMask events{XIAllMasterDevices, static_cast<int>(sizeof mask), mask};
        XISelectEvents(reader->display, DefaultRootWindow(reader->display), &events, 1);
        reader->rememberModifierKeys();
        XSync(reader->display, False);
        reader->wakeFd = eventfd(0, EFD_CLOEXEC);
        if (reader->wakeFd < 0) return std::nullopt;
        Reader* running = reader.get();
        reader->thread = std::thread([running] { running->run(); });
        reader_ = std::move(reader);
    }
    std::uint64_t id;
    {
        std::lock_guard lock(handlers_->mutex);
        id = handlers_->nextId++;
        handlers_->byId.emplace(id, std::make_shared<Handler>(std::move(handler)));
    }
    return Subscription([this, weak = std::weak_ptr<Handlers>(handlers_), id] {
        if (weak.lock()) removeHandler(id);
    });
}

void XInputKeyEventMonitor::removeHandler(std::uint64_t id) {
    bool noneLeft;
    {
        std::lock_guard lock(handlers_->mutex);
        handlers_->byId.erase(id);
        noneLeft = handlers_->byId.empty();
    }
    // Nobody listens: stop reading keys altogether.
    if (noneLeft) reader_.reset();
}

}  // namespace quorvane

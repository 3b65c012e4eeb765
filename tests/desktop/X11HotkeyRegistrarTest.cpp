#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "desktop/DesktopSession.h"
#include "hotkeys/model/HotkeyManager.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11HotkeyRegistrar.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "support/LogCapture.h"

namespace quorvane {
namespace {

using testing::DesktopSession;

// The X keycode of the V position on the server's evdev keymap.
constexpr std::uint8_t kKeycodeV = 47 + 8;

bool xdotool(const QStringList& arguments) {
    return DesktopSession::run("xdotool", arguments).exitCode == 0;
}

// A second program on the same display, for grabs that are not ours and for changing the keyboard.
class OtherClient {
public:
    OtherClient() : connection_(xcb_connect(DesktopSession::display().c_str(), nullptr)) {}
    // Puts back a modifier mapping this client changed, so later tests type on the usual keyboard.
    ~OtherClient() {
        if (!savedMapping_.empty()) setMapping(savedMapping_, savedPerModifier_);
        xcb_disconnect(connection_);
    }

    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root; }

    bool grab(std::uint8_t keycode, std::uint16_t modifiers) {
        auto* error =
            xcb_request_check(connection_, xcb_grab_key_checked(connection_, 1, root(), modifiers, keycode,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

    // Moves the Super keys from their modifier to `target` (0 Shift ... 3 Mod1 ... 7 Mod5) until restored.
    bool moveSuperTo(int target) {
        int perModifierValue = 0;
        int* perModifier = &perModifierValue;
        auto* reply =
            xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
        *perModifier = reply->keycodes_per_modifier;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
        std::vector<xcb_keycode_t> old(codes, codes + 8 * reply->keycodes_per_modifier);
        std::free(reply);
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
        std::vector<xcb_keycode_t> moved = old;
        std::vector<xcb_keycode_t> supers;
        for (auto& code : moved) {
            if (code == 0) continue;
            const auto keysym = xcb_key_symbols_get_keysym(symbols, code, 0);
            if (keysym == XK_Super_L || keysym == XK_Super_R) {
                supers.push_back(code);
                code = 0;
            }
        }
        xcb_key_symbols_free(symbols);
        for (std::size_t index = 0; index < supers.size() && index < std::size_t(*perModifier); ++index) {
            moved[target * *perModifier + index] = supers[index];
        }
        savedMapping_ = old;
        savedPerModifier_ = *perModifier;
        return setMapping(moved, *perModifier);
    }

    bool restoreMapping() {
        const bool restored = setMapping(savedMapping_, savedPerModifier_);
        savedMapping_.clear();
        return restored;
    }

    bool setMapping(std::vector<xcb_keycode_t> codes, int perModifier) {
        auto* reply = xcb_set_modifier_mapping_reply(
            connection_, xcb_set_modifier_mapping(connection_, perModifier, codes.data()), nullptr);
        const bool ok = reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
        std::free(reply);
        return ok;
    }

    // The modifiers in effect now, lock states included.
    std::uint16_t modifierState() {
        auto* reply = xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root()), nullptr);
        const std::uint16_t mask = reply ? reply->mask : 0;
        std::free(reply);
        return mask;
    }

private:
    xcb_connection_t* connection_;
    std::vector<xcb_keycode_t> savedMapping_;
    int savedPerModifier_ = 0;
};

class X11HotkeyRegistrarTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        registrar_ = std::make_unique<X11HotkeyRegistrar>();
        manager_ =
            std::make_unique<HotkeyManager>("RegisteredHotkeys", *registrar_, defaults_, queue_, false);
    }
    void TearDown() override {
        manager_.reset();
        registrar_.reset();
        if (!DesktopSession::available()) return;
        // Leave the locks off for the tests that follow, whatever this one stopped at.
        OtherClient observer;
        const std::uint16_t state = observer.modifierState();
        if (state & XCB_MOD_MASK_LOCK) xdotool({"key", "Caps_Lock"});
        if (state & XCB_MOD_MASK_2) xdotool({"key", "Num_Lock"});
    }

    bool registerDefault() {
        return manager_->registerHotkey(KeyCombo::defaultClipboardHistory(), [this] { ++runs_; });
    }
    // Presses `keys` and waits until the action ran once more, then a little longer for extra runs.
    bool pressAndWaitForRun(const QString& keys) {
        const int before = runs_;
        if (!xdotool({"key", keys})) return false;
        if (!DesktopSession::processEventsUntil([&] { return runs_ > before; }, std::chrono::seconds(3))) {
            return false;
        }
        DesktopSession::processEventsFor(std::chrono::milliseconds(300));
        return runs_ == before + 1;
    }

    testing::LogCapture log_;
    InMemoryUserDefaults defaults_;
    QtMainQueue queue_;
    std::unique_ptr<X11HotkeyRegistrar> registrar_;
    std::unique_ptr<HotkeyManager> manager_;
    int runs_ = 0;
};

TEST_F(X11HotkeyRegistrarTest, PressedCombinationRunsItsActionExactlyOnceWithItsTimestamp) {
    ASSERT_TRUE(registerDefault());
    EXPECT_TRUE(pressAndWaitForRun("super+shift+v"));
    EXPECT_NE(manager_->lastHotkeyTimestamp(), 0u);

    // Other modifiers on the same key are not ours.
    ASSERT_TRUE(xdotool({"key", "shift+v"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+super+shift+v"}));
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(runs_, 1);

    // Held down: auto-repeat does not run it again.
    ASSERT_TRUE(xdotool({"keydown", "super+shift+v"}));
    DesktopSession::processEventsFor(std::chrono::milliseconds(900));
    ASSERT_TRUE(xdotool({"keyup", "v", "keyup", "shift", "keyup", "super"}));
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(runs_, 2);

    manager_->unregister(KeyCombo::defaultClipboardHistory());
    ASSERT_TRUE(xdotool({"key", "super+shift+v"}));
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(runs_, 2);
}

TEST_F(X11HotkeyRegistrarTest, HeldPressesEachRunOnceWhenOurWindowHasTheFocusAtTheRelease) {
    // As with the panel: the action shows a window of ours, which has the focus by the time the finger
    // lets go.
    QWidget window;
    window.resize(200, 100);
    ASSERT_TRUE(manager_->registerHotkey(KeyCombo::defaultClipboardHistory(), [&] {
        ++runs_;
        window.show();
    }));
    for (int press = 1; press <= 3; ++press) {
        ASSERT_TRUE(xdotool({"keydown", "super+shift+v"}));
        const bool ran =
            DesktopSession::processEventsUntil([&] { return runs_ == press; }, std::chrono::seconds(3));
        const bool focused = ran && DesktopSession::processEventsUntil([&] { return window.isVisible(); }) &&
                             xdotool({"windowfocus", "--sync", QString::number(window.winId())});
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        ASSERT_TRUE(xdotool({"keyup", "super+shift+v"}));
        ASSERT_TRUE(ran) << "press " << press << " was lost";
        ASSERT_TRUE(focused);
        DesktopSession::processEventsFor(std::chrono::milliseconds(200));
        window.hide();
        DesktopSession::processEventsFor(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(runs_, 3);
}

TEST_F(X11HotkeyRegistrarTest, CapsLockAndNumLockDoNotStopTheHotKey) {
    ASSERT_TRUE(registerDefault());
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    EXPECT_TRUE(pressAndWaitForRun("super+shift+v"));
    ASSERT_TRUE(xdotool({"key", "Num_Lock"}));
    EXPECT_TRUE(pressAndWaitForRun("super+shift+v"));
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    EXPECT_TRUE(pressAndWaitForRun("super+shift+v"));
}

TEST_F(X11HotkeyRegistrarTest, CombinationAnotherProgramGrabbedFailsAndLeavesNothingGrabbed) {
    auto other = std::make_unique<OtherClient>();
    ASSERT_TRUE(other->grab(kKeycodeV, XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK));

    EXPECT_FALSE(registerDefault());
    EXPECT_TRUE(log_.contains("ERROR", "[HotkeyManager] Failed to register hotkey Super+Shift+V: 10"));
    EXPECT_FALSE(manager_->isRegistered(KeyCombo::defaultClipboardHistory()));

    // Once the other program lets go, the combination is free, so our failed attempt kept no variant.
    other.reset();
    OtherClient third;
    EXPECT_TRUE(third.grab(kKeycodeV, XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT));
}

TEST_F(X11HotkeyRegistrarTest, ModifierMappingChangeGrabsAgainWithTheNewMasks) {
    ASSERT_TRUE(registerDefault());
    OtherClient other;
    ASSERT_TRUE(other.moveSuperTo(5 /* Mod3 */));
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(pressAndWaitForRun("super+shift+v")) << "a grab left on the old Mod4 mask misses the press";
    ASSERT_TRUE(other.restoreMapping());
    DesktopSession::processEventsFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(pressAndWaitForRun("super+shift+v"));
}

}  // namespace
}  // namespace quorvane

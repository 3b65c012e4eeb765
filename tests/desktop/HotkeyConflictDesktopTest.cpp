// The clipboard hot key against another program on the same display: a combination that program grabbed
// first shows as failing on the general settings page, works as soon as that program lets go, and the
// recorder still records it (it grabs the whole keyboard while it listens). Keys are held the way fingers
// hold them; the recorder is clicked with the mouse. Pictures of the recorder while recording and with the
// failure line, light and dark, English and Chinese, land in the screenshot folder.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "desktop/ScreenshotTest.h"
#include "desktop/UserInput.h"
#include "hotkeys/model/HotkeyManager.h"
#include "hotkeys/widgets/HotkeyFailureLabel.h"
#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/X11HotkeyRegistrar.h"
#include "settings/widgets/SettingsPageFactories.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "settings/widgets/ShortcutsSettingsViewController.h"

namespace quorvane {
namespace {

using testing::DesktopSession;
using namespace std::chrono_literals;

constexpr std::uint8_t kKeycodeV = 47 + 8;
constexpr std::uint8_t kKeycodeK = 37 + 8;
const KeyCombo kCtrlAltK{40, hotkeyModifierCommand | hotkeyModifierOption};

bool xdotool(const QStringList& arguments) {
    return DesktopSession::run("xdotool", arguments).exitCode == 0;
}

// Holds `keys` down the way a finger does. One xdotool run times the hold: a second run started for the
// release may come late on a busy machine, and a key held past the repeat delay repeats, once the
// modifiers are already up, as another combination.
bool hold(const QString& keys) {
    return testing::userinput::holdKey(keys);
}

// Another program on the display that grabs keys first.
class OtherProgram {
public:
    OtherProgram() : connection_(xcb_connect(DesktopSession::display().c_str(), nullptr)) {}
    ~OtherProgram() { xcb_disconnect(connection_); }

    bool grabKey(std::uint8_t keycode, std::uint16_t modifiers) {
        auto* error =
            xcb_request_check(connection_, xcb_grab_key_checked(connection_, 1, root(), modifiers, keycode,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }
    void ungrabKey(std::uint8_t keycode, std::uint16_t modifiers) {
        xcb_ungrab_key(connection_, keycode, root(), modifiers);
        // A round trip: the server has let go before our own client asks for the combination.
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }
    // Whether a key press reached this program since the last call.
    bool receivedKeyPress() {
        bool pressed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7F) == XCB_KEY_PRESS) pressed = true;
            std::free(event);
        }
        return pressed;
    }
    // Whether the keyboard is free: nobody holds it grabbed (tried, and given back at once).
    bool keyboardIsFree() {
        auto* reply = xcb_grab_keyboard_reply(connection_,
                                              xcb_grab_keyboard(connection_, 0, root(), XCB_CURRENT_TIME,
                                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                              nullptr);
        const bool free = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        if (free) xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        return free;
    }

private:
    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root; }

    xcb_connection_t* connection_;
};

class CountingPanel final : public ClipboardPanelControlling {
public:
    bool isPanelVisible() const override { return visible; }
    void showPanel() override {
        visible = true;
        ++shown;
    }
    void hidePanel() override { visible = false; }

    bool visible = false;
    int shown = 0;
};

class HotkeyConflictDesktopTest : public testing::ScreenshotTest {
protected:
    HotkeyConflictDesktopTest() : ScreenshotTest("hotkey") {}

    void SetUp() override {
        ScreenshotTest::SetUp();
        if (IsSkipped()) return;
        if (chinese) fixture.defaults.set(AppLanguage::defaultsKey, DefaultsValue(std::string("zh-Hans")));
        // Made on the display the session opened.
        registrar = std::make_unique<X11HotkeyRegistrar>();
        manager = std::make_unique<HotkeyManager>(HotkeyManager::defaultUserDefaultsKey, *registrar,
                                                  fixture.defaults, queue, false);
        coordinator = std::make_unique<ClipboardPanelCoordinator>(
            [this] { return &panel; }, [this] { return std::vector<ClipboardPanelControlling*>{&panel}; },
            *manager, fixture.defaults, queue);
        // The page talks to the real hot key, as the shell's callbacks do.
        fixture.services->shellCallbacks.clipboardHotkeySaved = [this] {
            coordinator->reregisterClipboardHotkey();
        };
        fixture.services->shellCallbacks.clipboardHotkeyRecordingChanged = [this](bool recording) {
            coordinator->setClipboardHotkeyRecording(recording);
        };
        fixture.services->shellCallbacks.clipboardHotkeyStatus = coordinator.get();
    }
    void TearDown() override {
        page.reset();
        coordinator.reset();
        manager.reset();
        registrar.reset();
        ScreenshotTest::TearDown();
    }

    // Runs both queues (the page's, on a clock that moves only here, and the hot key's) until `condition`
    // holds.
    bool until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 5s) {
        return DesktopSession::processEventsUntil(
            [&] {
                fixture.loop.runUntilIdle();
                fixture.loop.advance(0.02);
                return condition();
            },
            timeout);
    }
    void openPage() {
        page.reset(dynamic_cast<ShortcutsSettingsViewController*>(
            SettingsPageFactories::makeGeneralPage(*fixture.services)));
        ASSERT_NE(page, nullptr);
        page->resize(760, 520);
        page->move(0, 0);
        page->show();
        ASSERT_TRUE(until([&] { return page->isVisible(); }));
        DesktopSession::processEventsFor(200ms);
    }
    void clickRecorder() {
        const QPoint centre =
            page->keyComboRecorder()->mapToGlobal(page->keyComboRecorder()->rect().center());
        ASSERT_TRUE(xdotool({"mousemove", QString::number(centre.x()), QString::number(centre.y())}));
        ASSERT_TRUE(xdotool({"click", "1"}));
        ASSERT_TRUE(until([&] { return page->keyComboRecorder()->isRecording(); }));
    }
    std::optional<KeyCombo> stored() const {
        const auto data = fixture.defaults.dataValue(ClipboardHotkeySetting::key);
        return data ? std::optional(KeyCombo::decode(*data)) : std::nullopt;
    }
    bool failureShown() const { return page->clipboardHotkeyFailureLabel()->isVisible(); }
    QString failureText() const { return page->clipboardHotkeyFailureLabel()->text(); }

    testing::SettingsWindowFixture fixture;
    QtMainQueue queue;
    std::unique_ptr<X11HotkeyRegistrar> registrar;
    std::unique_ptr<HotkeyManager> manager;
    CountingPanel panel;
    std::unique_ptr<ClipboardPanelCoordinator> coordinator;
    std::unique_ptr<ShortcutsSettingsViewController> page;
};

TEST_P(HotkeyConflictDesktopTest, AHeldCombinationShowsAsFailingWorksOnceFreeAndTheRecorderStillRecordsIt) {
    const std::uint16_t superShift = XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT;
    auto other = std::make_unique<OtherProgram>();
    ASSERT_TRUE(other->grabKey(kKeycodeV, superShift));
    coordinator->registerClipboardHotkey();
    openPage();
    ASSERT_TRUE(until([&] { return failureShown(); })) << "a grab another program holds looks like success";
    EXPECT_TRUE(failureText().contains("Super+Shift+V")) << failureText().toStdString();
    save(*page, "failed");

    // The other program lets go; the window opening again tries at once (the timer would, later).
    other->ungrabKey(kKeycodeV, superShift);
    page->hide();
    coordinator->retryFailedClipboardHotkey();
    page->show();
    ASSERT_TRUE(until([&] { return !failureShown(); }));
    ASSERT_TRUE(hold("super+shift+v"));
    EXPECT_TRUE(until([&] { return panel.shown == 1; })) << "the hot key works without a restart";

    // The recorder takes a combination the other program grabbed, which never sees the press.
    const std::uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
    ASSERT_TRUE(other->grabKey(kKeycodeK, ctrlAlt));
    other->receivedKeyPress();
    clickRecorder();
    EXPECT_FALSE(failureShown());
    save(*page, "recording");
    ASSERT_TRUE(hold("ctrl+alt+k"));
    ASSERT_TRUE(until([&] { return !page->keyComboRecorder()->isRecording(); }));
    EXPECT_EQ(stored(), std::optional(kCtrlAltK));
    EXPECT_FALSE(other->receivedKeyPress()) << "the press went to the program that grabbed it";
    EXPECT_TRUE(other->keyboardIsFree()) << "the recorder kept the keyboard after the commit";

    // It cannot be registered, which the page says at once; the default opens the history meanwhile.
    ASSERT_TRUE(until([&] { return failureShown(); }));
    EXPECT_EQ(failureText().toStdString(),
              L10n::text(L10nKey::hotkeyHeldElsewhereWithStandIn, kCtrlAltK.displayString(),
                         std::string("Super+Shift+V")));
    save(*page, "recorded-failed");
    ASSERT_TRUE(hold("super+shift+v"));
    EXPECT_TRUE(until([&] { return panel.shown == 1 && !panel.visible; }));

    // Every other way out gives the keyboard back too: Escape, and the page going away.
    clickRecorder();
    ASSERT_TRUE(hold("Escape"));
    ASSERT_TRUE(until([&] { return !page->keyComboRecorder()->isRecording(); }));
    EXPECT_TRUE(other->keyboardIsFree());
    EXPECT_EQ(stored(), std::optional(kCtrlAltK));
    clickRecorder();
    page->hide();
    EXPECT_FALSE(page->keyComboRecorder()->isRecording());
    EXPECT_TRUE(other->keyboardIsFree());
    EXPECT_FALSE(coordinator->isClipboardHotkeySuspended());
}

INSTANTIATE_TEST_SUITE_P(Appearances, HotkeyConflictDesktopTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane

#pragma once

// The floating panel's controller over the panel test doubles: the shared view model fixture, window
// activation, the paste keystroke, the accessibility check, a fixed anchor and one screen, offscreen widgets.

#include <QApplication>

#include "floating/widgets/FloatingClipboardPanelController.h"
#include "panel/support/PanelViewModelFixture.h"
#include "platform/memory/InMemoryScreenProvider.h"
#include "platform/memory/InMemoryWindowActivation.h"
#include "platform/memory/RecordingPasteShortcutPoster.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "preferences/SettingsAccessors.h"
#include "support/QtTestApplication.h"
#include "support/TemporaryDirectory.h"

namespace quorvane::testing {

inline QApplication& floatingWidgetApplication() {
    static QApplication* application = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tests_floating";
        static char* argv[] = {name, nullptr};
        auto* made = new QApplication(argc, argv);
        waitForPooledWorkAfterEachTest();
        return made;
    }();
    return *application;
}

class FakeAccessibilityPermissionManager final : public AccessibilityPermissionManagerProtocol {
public:
    AccessibilityPermissionStatus status() const override {
        return trusted ? AccessibilityPermissionStatus::authorized
                       : AccessibilityPermissionStatus::notDetermined;
    }
    bool isTrusted() const override { return trusted; }
    bool hasRequestedPermission() const override { return false; }
    void requestPermission() override { ++requests; }
    void openSystemSettings() override {}
    void openURL(const std::string&) override {}

    bool trusted = true;
    int requests = 0;
};

class FixedAnchorResolver final : public ClipboardFloatingAnchorResolving {
public:
    FloatingPanelAnchor resolveAnchor() override {
        ++calls;
        return anchor;
    }
    FloatingPanelAnchor mouseAnchor() override {
        ++mouseCalls;
        return FloatingPanelAnchor::mouse(mouse);
    }
    FloatingPanelAnchor anchor = FloatingPanelAnchor::mouse({500, 300});
    ScreenPoint mouse{640, 480};
    int calls = 0;
    int mouseCalls = 0;
};

// A base that makes the application before any member widget is built.
struct WithWidgetApplication {
    WithWidgetApplication() { floatingWidgetApplication(); }
};

class FloatingPanelTestFixture : private WithWidgetApplication, public PanelViewModelFixture {
protected:
    FloatingPanelTestFixture() {
        for (const auto& [id, text] : std::vector<std::pair<std::string, std::string>>{
                 {"a", "alpha"}, {"b", "bravo"}, {"c", "charlie"}}) {
            history->entries.push_back(textEntry(id, text));
            ClipboardHistoryContentSnapshot content;
            content.id = id;
            content.content = text;
            history->contents[id] = content;
        }
        activation.setActiveWindow(ReturnTarget{42, 4242});
        controller.setItemActions(&itemActions);
    }

    // Shows the panel and answers its loads, including the one the emptied search text starts once its
    // debounce ran out.
    void showWithEntries(bool hasMore = false) {
        controller.showPanel();
        loop.runUntilIdle();
        loop.advance(ClipboardPanelViewModel::searchDebounceSeconds + 0.01);
        while (!search->pending.empty()) {
            search->answer(pageOf(history->entries, hasMore));
            loop.runUntilIdle();
        }
    }

    InMemoryScreenProvider screens{ScreenRect{0, 0, 1920, 1080}};
    InMemoryWindowActivation activation;
    RecordingPasteShortcutPoster poster{&activation};
    PasteBackPerformer pasteBack{loop, activation, poster, pasteboard};
    FakeAccessibilityPermissionManager accessibility;
    FixedAnchorResolver anchors;
    RecordingWorkspaceOpener workspace;
    ClipboardSearchAutoCompleteManager completions{defaults, nullptr};
    TemporaryDirectory temporary;
    FloatingClipboardPanelController controller{
        FloatingClipboardPanelController::Dependencies{*viewModel,
                                                       loop,
                                                       defaults,
                                                       DistributionChannel::direct,
                                                       {},
                                                       {},
                                                       {},
                                                       accessibility,
                                                       activation,
                                                       pasteBack,
                                                       anchors,
                                                       screens,
                                                       pasteboard,
                                                       completions,
                                                       nullptr}};
    // The program's shared entry actions, writing into the temporary folder.
    std::vector<ClipboardHistoryIndexSnapshot> pinned;
    ClipboardItemActions itemActions{ClipboardItemActions::Dependencies{
        *viewModel,
        workspace,
        [this](const ClipboardHistoryIndexSnapshot& entry, const ClipboardHistoryContentSnapshot&,
               PinCopyHandler) -> PinWindowPresenting* {
            pinned.push_back(entry);
            return nullptr;
        },
        {},
        {},
        [this] { return temporary.path(); }}};
};

}  // namespace quorvane::testing

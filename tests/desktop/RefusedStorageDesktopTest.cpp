// A storage folder other users can write to, as the user meets it on a real X display: the whole program's
// windows built over it, the tray menu opened and the panel shown. Both name the folder; pictures of each,
// light and dark, English and Chinese, land in the screenshot folder for review.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <filesystem>
#include <memory>

#include "app/AppAssembler.h"
#include "app/AppWindows.h"
#include "app/model/AppCoordinator.h"
#include "app/model/FakeAppUpdater.h"
#include "app/widgets/TrayIcon.h"
#include "capture/EmptyClipboardMonitor.h"
#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "l10n/L10n.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/FakeClock.h"
#include "platform/memory/InMemoryAccessibilityTrust.h"
#include "platform/memory/InMemoryActivationPolicy.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "platform/memory/InMemoryFrontmostApplicationProvider.h"
#include "platform/memory/InMemoryHotkeyRegistrar.h"
#include "platform/memory/InMemoryImageDecoder.h"
#include "platform/memory/InMemoryImageProbe.h"
#include "platform/memory/InMemoryImageTextRecognizer.h"
#include "platform/memory/InMemoryKeyEventMonitor.h"
#include "platform/memory/InMemoryPasteboard.h"
#include "platform/memory/InMemoryTrayHost.h"
#include "platform/memory/ManualRunLoop.h"
#include "platform/memory/RecordingWorkspaceOpener.h"
#include "support/TemporaryDirectory.h"
#include "system/AccessibilityPermissionManager.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using testing::DesktopSession;

class RefusedStorageDesktopTest : public testing::ScreenshotTest {
protected:
    RefusedStorageDesktopTest() : ScreenshotTest("refused-storage") {
        std::filesystem::create_directories(storage());
        ::chmod(storage().c_str(), 0777);
    }

    std::filesystem::path storage() const { return directory_.path() / "shared"; }

    void settle() {
        for (int turn = 0; turn < 5; ++turn) {
            loop_->runUntilIdle();
            QApplication::processEvents();
        }
    }

    // The label of a visible top-level window that shows `text`.
    static QLabel* shownLabelHolding(const QString& text) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) continue;
            for (QLabel* label : window->findChildren<QLabel*>()) {
                if (label->isVisible() && label->text().contains(text)) return label;
            }
        }
        return nullptr;
    }

    testing::TemporaryDirectory directory_;
    FakeClock fakeClock_;
    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>(fakeClock_);
    std::shared_ptr<const Clock> clock_{std::shared_ptr<const Clock>{}, &fakeClock_};
    std::shared_ptr<InMemoryUserDefaults> defaults_ = std::make_shared<InMemoryUserDefaults>();
    NotificationCenter notifications_{*loop_};
    RecordingWorkspaceOpener workspace_;
    DataDirectoryManager dataDirectory_{
        *defaults_, workspace_, [this](const std::string& name) {
            return name == DataDirectoryManager::storageDirectoryOverrideEnvironmentKey
                       ? std::optional<std::string>(storage().string())
                       : std::nullopt;
        }};
    InMemoryAccessibilityTrust trust_{true};
    AccessibilityPermissionManager permission_{*defaults_, *loop_, trust_, workspace_};
    InMemoryApplicationCatalog catalog_;
    InMemoryPasteboard pasteboard_;
    InMemoryImageProbe probe_;
    InMemoryImageDecoder decoder_;
    InMemoryFrontmostApplicationProvider frontmost_;
    InMemoryImageTextRecognizer recognizer_;
    InMemoryKeyEventMonitor keys_;
    InMemoryHotkeyRegistrar registrar_;
    InMemoryTrayHost trayHost_;
    FakeAppUpdater updater_{AppUpdateState{false, false, AppUpdateAvailability::idle()}};
    FakeAlertPresenter alerts_;
    InMemoryActivationPolicy activationPolicy_{ApplicationActivationPolicy::accessory};
};

TEST_P(RefusedStorageDesktopTest, TheTrayMenusFirstLineAndThePanelNameTheRefusedFolder) {
    AppAssembler assembler(AppAssembler::Platform{
        defaults_, loop_, clock_, notifications_, dataDirectory_, permission_, catalog_, pasteboard_, probe_,
        decoder_, frontmost_, recognizer_, keys_, AppEnvironment{}, &registrar_, nullptr});
    ASSERT_TRUE(dataDirectory_.storageRefusal().has_value()) << "the folder others can write to was used";
    EXPECT_NE(dynamic_cast<EmptyClipboardMonitor*>(assembler.clipboardMonitor().get()), nullptr);
    const QString folder = QString::fromStdString(storage().string());

    AppWindows windows(assembler, {notifications_, alerts_, activationPolicy_, permission_});
    AppCoordinator coordinator(
        AppCoordinator::Services{*defaults_, *loop_, notifications_, trayHost_, updater_,
                                 [&assembler] { return assembler.clipboardMonitor(); }, [] {}, [] {}},
        windows.coordinatorWindows());
    coordinator.startMenuBar();
    coordinator.startClipboardPanelCoordinator();
    TrayIcon tray(*coordinator.menuBarManager());
    settle();

    // The menu as it opens.
    coordinator.menuBarManager()->menuNeedsUpdate();
    settle();
    tray.render();
    QMenu* menu = tray.menu();
    ASSERT_FALSE(menu->actions().isEmpty());
    const QAction* first = menu->actions().front();
    EXPECT_TRUE(first->text().contains(folder)) << first->text().toStdString();
    EXPECT_EQ(first->text().toStdString(),
              L10n::text(L10nKey::storageRefusedMenuTitle, dataDirectory_.displayPath(storage())));
    EXPECT_FALSE(first->isEnabled());
    EXPECT_TRUE(first->toolTip().contains(folder));
    menu->popup(QPoint(40, 40));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return menu->isVisible(); }, 10s));
    DesktopSession::processEventsFor(200ms);
    save(*menu, "tray-menu", 8);
    menu->hide();

    coordinator.showClipboardPanel();
    QLabel* said = nullptr;
    ASSERT_TRUE(DesktopSession::processEventsUntil(
        [&] {
            settle();
            return (said = shownLabelHolding(folder)) != nullptr;
        },
        10s))
        << "the panel does not name the folder";
    EXPECT_EQ(said->text().toStdString(),
              L10n::text(L10nKey::storageRefusedWritableByOthers, dataDirectory_.displayPath(storage())));
    DesktopSession::processEventsFor(300ms);
    save(*said->window(), "panel");
    said->window()->hide();
}

INSTANTIATE_TEST_SUITE_P(Appearances, RefusedStorageDesktopTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()), [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Dark" : "Light") +
                                    (std::get<1>(info.param) ? "Chinese" : "English");
                         });

}  // namespace
}  // namespace quorvane

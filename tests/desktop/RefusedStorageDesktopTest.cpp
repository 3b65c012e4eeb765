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
#include "app/widgets/TrayIcon.h"
#include "capture/EmptyClipboardMonitor.h"
#include "desktop/DesktopSession.h"
#include "desktop/ScreenshotTest.h"
#include "l10n/L10n.h"
#include "support/ProgramFixture.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using testing::DesktopSession;

class RefusedStorageDesktopTest : public testing::ScreenshotTest, protected testing::ProgramFixture {
protected:
    RefusedStorageDesktopTest() : ScreenshotTest("refused-storage"), ProgramFixture("shared") {
        std::filesystem::create_directories(storage());
        ::chmod(storage().c_str(), 0777);
    }

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
};

TEST_P(RefusedStorageDesktopTest, TheTrayMenusFirstLineAndThePanelNameTheRefusedFolder) {
    AppAssembler assembler(platform(AppEnvironment{}, &registrar_));
    ASSERT_TRUE(dataDirectory_.storageRefusal().has_value()) << "the folder others can write to was used";
    EXPECT_NE(dynamic_cast<EmptyClipboardMonitor*>(assembler.clipboardMonitor().get()), nullptr);
    const QString folder = QString::fromStdString(storage().string());

    AppWindows windows(assembler, windowsPlatform());
    const auto coordinator = makeCoordinator(assembler, windows);
    coordinator->startMenuBar();
    coordinator->startClipboardPanelCoordinator();
    TrayIcon tray(*coordinator->menuBarManager());
    settle();

    // The menu as it opens.
    coordinator->menuBarManager()->menuNeedsUpdate();
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

    coordinator->showClipboardPanel();
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

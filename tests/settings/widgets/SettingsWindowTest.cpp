#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest/QTest>

#include "hotkeys/widgets/KeyComboRecorderControl.h"
#include "l10n/L10n.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "panel/model/ClipboardPanelCoordinator.h"
#include "preferences/SettingsAccessors.h"
#include "settings/widgets/AdvancedSettingsViewController.h"
#include "settings/widgets/SettingsCard.h"
#include "settings/widgets/SettingsToolbar.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "settings/widgets/ShortcutsSettingsViewController.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

using Module = SettingsModuleIdentifier;

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApplication(); }

    std::unique_ptr<SettingsWindowController> makeWindow(Module module = Module::general) {
        auto window = std::make_unique<SettingsWindowController>(*f_->services,
                                                                 SettingsPageFactories::standard(), module);
        window->show();
        return window;
    }
    ShortcutsSettingsViewController* generalPage(SettingsWindowController& window) {
        return dynamic_cast<ShortcutsSettingsViewController*>(window.page(Module::general));
    }
    AdvancedSettingsViewController* advancedPage(SettingsWindowController& window) {
        return dynamic_cast<AdvancedSettingsViewController*>(window.page(Module::advanced));
    }
    void clickTab(SettingsWindowController& window, Module module) {
        window.toolbar()->buttonGroup()->button(static_cast<int>(indexOf(module)))->click();
    }
    void deleteReleasedPages() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    std::unique_ptr<testing::SettingsWindowFixture> f_ = std::make_unique<testing::SettingsWindowFixture>();
};

QStringList tabTitles(const SettingsWindowController& window) {
    return window.toolbar()->tabTitles();
}

TEST_F(SettingsWindowTest, EveryPageBuildsInEnglishAndInChinese) {
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), "Settings");
    EXPECT_EQ(tabTitles(*window), (QStringList{"General", "Storage", "App Filter", "Advanced"}));
    EXPECT_GE(window->minimumWidth(), 600);
    ASSERT_NE(generalPage(*window), nullptr);
    ASSERT_NE(advancedPage(*window), nullptr);
    EXPECT_EQ(advancedPage(*window)->pinyinCard(), nullptr);
    EXPECT_NE(advancedPage(*window)->accessibilityCard(), nullptr);
    EXPECT_EQ(generalPage(*window)->appLanguagePopup()->currentData().toString(), "en");
    for (const auto module : allSettingsModuleIdentifiers) {
        window->selectModule(module);
        EXPECT_EQ(window->currentPage(), window->page(module));
        EXPECT_TRUE(window->currentPage()->isVisible());
    }

    f_->defaults.set(AppLanguage::defaultsKey, DefaultsValue(std::string("zh-Hans")));
    auto chinese = makeWindow(Module::advanced);
    EXPECT_EQ(chinese->windowTitle(), "设置");
    EXPECT_EQ(tabTitles(*chinese), (QStringList{"通用", "存储", "应用过滤", "高级"}));
    EXPECT_NE(advancedPage(*chinese)->pinyinCard(), nullptr);
    EXPECT_EQ(generalPage(*chinese)->appLanguagePopup()->currentData().toString(), "zh-Hans");
    EXPECT_EQ(generalPage(*chinese)->textAutoCleanupPopup()->itemText(0), "永久");
}

TEST_F(SettingsWindowTest, ALanguageChosenOnTheGeneralPageRebuildsTheWindowInPlace) {
    auto window = makeWindow();
    QPointer<QWidget> oldGeneral = window->page(Module::general);
    QPointer<QWidget> oldAdvanced = window->page(Module::advanced);
    QComboBox* popup = generalPage(*window)->appLanguagePopup();
    popup->setCurrentIndex(1);
    // The change arrives queued: nothing is rebuilt inside the popup's own signal.
    EXPECT_EQ(window->page(Module::general), oldGeneral.data());
    f_->loop.runUntilIdle();
    EXPECT_EQ(window->windowTitle(), "设置");
    EXPECT_EQ(tabTitles(*window)[3], "高级");
    EXPECT_NE(window->page(Module::general), oldGeneral.data());
    EXPECT_EQ(window->selectedModule(), Module::general);
    EXPECT_EQ(generalPage(*window)->appLanguagePopup()->currentData().toString(), "zh-Hans");
    EXPECT_NE(advancedPage(*window)->pinyinCard(), nullptr);
    ASSERT_TRUE(oldAdvanced);
    deleteReleasedPages();
    EXPECT_FALSE(oldGeneral);
    EXPECT_FALSE(oldAdvanced);

    // From the advanced tab, back to English: the advanced tab stays selected.
    clickTab(*window, Module::advanced);
    AppLanguage::set(AppLanguage::english, f_->defaults, f_->notifications);
    f_->loop.runUntilIdle();
    EXPECT_EQ(window->selectedModule(), Module::advanced);
    EXPECT_EQ(window->toolbar()->buttonGroup()->checkedId(), 3);
    EXPECT_EQ(advancedPage(*window)->pinyinCard(), nullptr);
    EXPECT_TRUE(window->currentPage()->isVisible());
}

TEST_F(SettingsWindowTest, ReloadsAndTabSwitchesWriteNoSetting) {
    ClipboardHotkeySetting::store(f_->defaults, KeyCombo::defaultClipboardHistory());
    f_->defaults.set(SettingsKey::ocrLanguageMode, DefaultsValue(std::string("automatic")));
    auto window = makeWindow();
    std::vector<std::string> writes;
    auto subscription =
        f_->defaults.observeChanges([&writes](const std::string& key) { writes.push_back(key); });

    for (const auto module : {Module::advanced, Module::storage, Module::general, Module::appFilter}) {
        clickTab(*window, module);
    }
    f_->loop.runUntilIdle();
    // Settings changed by someone else: every page reloads, and writes nothing back.
    f_->defaults.set(SettingsKey::textAutoCleanupPolicy, DefaultsValue(std::string("sevenDays")));
    f_->defaults.set(SettingsKey::maxItemSizeInMB, DefaultsValue(std::int64_t{42}));
    f_->defaults.set(SettingsKey::imageOCREnabled, DefaultsValue(false));
    f_->defaults.set(SettingsKey::directClipboardPresentationMode, DefaultsValue(std::string("floating")));
    f_->loop.runUntilIdle();
    clickTab(*window, Module::advanced);
    f_->loop.runUntilIdle();
    EXPECT_EQ(writes.size(), 4u);

    auto* general = generalPage(*window);
    EXPECT_EQ(general->textAutoCleanupPopup()->currentData().toString(), "sevenDays");
    EXPECT_EQ(general->maxSizeField()->text(), "42");
    auto* advanced = advancedPage(*window);
    EXPECT_FALSE(advanced->ocrToggle()->isChecked());
    EXPECT_FALSE(advanced->ocrLanguagePopup()->isEnabled());
    EXPECT_EQ(advanced->presentationPopup()->currentData().toString(), "floating");
    EXPECT_TRUE(advanced->isFloatingListStyleRowShown());
    EXPECT_TRUE(advanced->resetPanelPositionButton()->isHidden());
}

TEST_F(SettingsWindowTest, ChangesMadeWithTheKeysOrAScreenReaderAreStoredAsClicksAre) {
    auto window = makeWindow();
    auto* page = generalPage(*window);
    // Space on the focused box, and the accessibility bus's toggle action (QAbstractButton::toggle()).
    page->captureImageToggle()->setFocus();
    QTest::keyClick(page->captureImageToggle(), Qt::Key_Space);
    EXPECT_EQ(f_->defaults.boolValue(SettingsKey::imageCaptureEnabled), false);
    page->captureImageToggle()->toggle();
    EXPECT_EQ(f_->defaults.boolValue(SettingsKey::imageCaptureEnabled), true);
    page->launchAtLoginToggle()->toggle();
    EXPECT_EQ(f_->launchAtLogin.requests, std::vector<bool>{true});

    auto* advanced = advancedPage(*window);
    const bool ocr = advanced->ocrToggle()->isChecked();
    advanced->ocrToggle()->toggle();
    EXPECT_EQ(f_->defaults.boolValue(SettingsKey::imageOCREnabled), !ocr);
    // The arrow key on a focused pop-up.
    advanced->ocrModePopup()->setFocus();
    const int mode = advanced->ocrModePopup()->currentIndex();
    QTest::keyClick(advanced->ocrModePopup(), mode == 0 ? Qt::Key_Down : Qt::Key_Up);
    ASSERT_NE(advanced->ocrModePopup()->currentIndex(), mode);
    f_->loop.runUntilIdle();
    EXPECT_EQ(advanced->ocrModePopup()->currentData().toString().toStdString(),
              std::string(rawValue(advanced->viewModel().ocrConfiguration().languageMode)));

    // A reload shows the stored values and stores nothing itself.
    f_->defaults.set(SettingsKey::imageCaptureEnabled, false);
    const std::size_t launches = f_->launchAtLogin.requests.size();
    window->selectModule(Module::advanced);
    window->selectModule(Module::general);
    f_->loop.runUntilIdle();
    EXPECT_EQ(f_->launchAtLogin.requests.size(), launches);
}

TEST_F(SettingsWindowTest, UserActionsOnTheGeneralPageStoreTheirSettings) {
    auto window = makeWindow();
    auto* page = generalPage(*window);
    page->captureImageToggle()->click();
    EXPECT_EQ(f_->defaults.boolValue(SettingsKey::imageCaptureEnabled), false);

    // A shortened period asks; Cancel puts the popup back on the stored period.
    page->textAutoCleanupPopup()->setCurrentIndex(1);
    ASSERT_EQ(f_->alerts.heldCount(), 1u);
    f_->alerts.answer("Cancel");
    f_->loop.runUntilIdle();
    EXPECT_EQ(page->textAutoCleanupPopup()->currentData().toString(), "never");
    EXPECT_FALSE(f_->defaults.contains(SettingsKey::textAutoCleanupPolicy));

    page->maxSizeStepUpButton()->click();
    EXPECT_EQ(f_->defaults.integerValue(SettingsKey::maxItemSizeInMB), 11);
    f_->loop.runUntilIdle();
    EXPECT_EQ(page->maxSizeField()->text(), "11");

    // Typed but never confirmed: stored when the user switches to another tab.
    page->maxSizeField()->setFocus();
    page->maxSizeField()->selectAll();
    QTest::keyClicks(page->maxSizeField(), "900");
    clickTab(*window, Module::storage);
    EXPECT_EQ(f_->defaults.integerValue(SettingsKey::maxItemSizeInMB), 500);
}

TEST_F(SettingsWindowTest, TheRecorderStopsWhenItsPageHidesClosesOrGoes) {
    auto window = makeWindow();
    auto* recorder = generalPage(*window)->keyComboRecorder();
    recorder->startRecording();
    EXPECT_EQ(f_->recordingCalls, std::vector<bool>{true});
    clickTab(*window, Module::advanced);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(f_->recordingCalls, (std::vector<bool>{true, false}));

    // A key pressed after the page hid never becomes the shortcut.
    clickTab(*window, Module::general);
    recorder->startRecording();
    window->close();
    EXPECT_EQ(f_->recordingCalls, (std::vector<bool>{true, false, true, false}));
    QTest::keyClick(recorder, Qt::Key_K, Qt::ControlModifier);
    f_->loop.advance(1);
    EXPECT_EQ(f_->hotkeySavedCalls, 0);

    // A page released by a language change in the middle of a recording.
    window->show();
    generalPage(*window)->keyComboRecorder()->startRecording();
    AppLanguage::set(AppLanguage::simplifiedChinese, f_->defaults, f_->notifications);
    f_->loop.runUntilIdle();
    deleteReleasedPages();
    EXPECT_EQ(f_->recordingCalls, (std::vector<bool>{true, false, true, false, true, false}));

    generalPage(*window)->keyComboRecorder()->startRecording();
    window.reset();
    EXPECT_EQ(f_->recordingCalls.back(), false);
}

TEST_F(SettingsWindowTest, ToolbarReportsOnlyAChangeOfTab) {
    SettingsToolbar toolbar({"A", "B", "C"});
    QSignalSpy selected(&toolbar, &SettingsToolbar::tabSelected);
    toolbar.buttonGroup()->button(0)->click();
    EXPECT_EQ(selected.count(), 0);
    toolbar.buttonGroup()->button(2)->click();
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toInt(), 2);
    toolbar.setSelectedIndex(1);
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(toolbar.buttonGroup()->checkedId(), 1);
    toolbar.setTabTitles({"X"});
    EXPECT_EQ(toolbar.selectedIndex(), 1);
    EXPECT_EQ(toolbar.buttonGroup()->buttons().size(), 1);
}

TEST_F(SettingsWindowTest, TheCoordinatorReopensOnTheModuleLastShown) {
    SettingsCoordinator coordinator(*f_->services);
    coordinator.showSettings(Module::advanced);
    ASSERT_NE(coordinator.window(), nullptr);
    EXPECT_EQ(coordinator.window()->selectedModule(), Module::advanced);
    EXPECT_EQ(f_->windowManager.window(SettingsWindowController::identifier), coordinator.window());
    coordinator.window()->close();
    QTest::qWait(20);
    deleteReleasedPages();
    EXPECT_EQ(coordinator.window(), nullptr);

    coordinator.showSettings();
    ASSERT_NE(coordinator.window(), nullptr);
    EXPECT_EQ(coordinator.window()->selectedModule(), Module::advanced);
    coordinator.showSettingsModuleNamed(std::string("storage"));
    EXPECT_EQ(coordinator.window()->selectedModule(), Module::storage);
}

TEST_F(SettingsWindowTest, AdvancedPageShowsTheChannelsRowsAndTheCurrentIndex) {
    auto window = makeWindow(Module::advanced);
    f_->loop.runUntilIdle();
    auto* page = advancedPage(*window);
    EXPECT_TRUE(page->searchIndexStatsLabel()->text().startsWith("1234 documents in index"));
    EXPECT_FALSE(page->isFloatingListStyleRowShown());
    page->presentationPopup()->setCurrentIndex(1);
    EXPECT_EQ(f_->defaults.stringValue(SettingsKey::directClipboardPresentationMode), "floating");
    EXPECT_TRUE(page->isFloatingListStyleRowShown());
    EXPECT_TRUE(page->resetPanelPositionButton()->isHidden());

    // The storage moved: the card reads the new service when the page is shown again.
    auto moved = std::make_shared<testing::FakeSearchService>();
    moved->stats.documentCount = 7;
    f_->searchService = moved;
    clickTab(*window, Module::general);
    clickTab(*window, Module::advanced);
    f_->loop.runUntilIdle();
    EXPECT_TRUE(page->searchIndexStatsLabel()->text().startsWith("7 documents in index"));

    testing::SettingsWindowFixture store(DistributionChannel::appStore);
    SettingsWindowController storeWindow(*store.services, SettingsPageFactories::standard(),
                                         Module::advanced);
    auto* storePage = dynamic_cast<AdvancedSettingsViewController*>(storeWindow.page(Module::advanced));
    EXPECT_EQ(storePage->accessibilityCard(), nullptr);
    EXPECT_EQ(storePage->presentationPopup(), nullptr);
    EXPECT_FALSE(storePage->resetPanelPositionButton()->isHidden());
}

TEST_F(SettingsWindowTest, RebuildingTheIndexLeavesTheFocusAndTheScrollWhereTheUserWas) {
    f_->searchService->holdRebuilds = true;
    auto window = makeWindow(Module::advanced);
    window->resize(SettingsWindowController::minimumContentWidth,
                   SettingsWindowController::minimumContentHeight);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    f_->loop.runUntilIdle();
    auto* page = advancedPage(*window);
    QScrollBar* scroll = page->scrollArea()->verticalScrollBar();
    page->scrollArea()->ensureWidgetVisible(page->rebuildButton());
    QCoreApplication::processEvents();
    ASSERT_GT(scroll->maximum(), 0) << "the page must scroll at this size for the check to mean anything";
    const int scrolled = scroll->value();

    QTest::mouseClick(page->rebuildButton(), Qt::LeftButton);
    ASSERT_EQ(QApplication::focusWidget(), page->rebuildButton());
    f_->loop.runUntilIdle();
    QCoreApplication::processEvents();
    ASSERT_FALSE(page->rebuildButton()->isEnabled());
    EXPECT_EQ(qobject_cast<QCheckBox*>(QApplication::focusWidget()), nullptr);
    EXPECT_TRUE(page->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(scroll->value(), scrolled);
    // Space now presses nothing that stores a setting.
    const bool pasteBack = page->directReturnPasteToggle()->isChecked();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(page->directReturnPasteToggle()->isChecked(), pasteBack);

    f_->searchService->finishRebuild();
    f_->loop.runUntilIdle();
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->rebuildButton()->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), page->rebuildButton());
    EXPECT_EQ(scroll->value(), scrolled);
}

TEST_F(SettingsWindowTest, ChangingPagesLeavesNoToolbarButtonFocused) {
    auto window = makeWindow(Module::general);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* firstCheckBox = generalPage(*window)->findChild<QCheckBox*>();
    ASSERT_NE(firstCheckBox, nullptr);
    firstCheckBox->setFocus(Qt::MouseFocusReason);
    for (const Module module : {Module::storage, Module::appFilter, Module::advanced, Module::general}) {
        QAbstractButton* tab = window->toolbar()->buttonGroup()->button(static_cast<int>(indexOf(module)));
        QTest::mouseClick(tab, Qt::LeftButton);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->selectedModule(), module);
        QWidget* focused = QApplication::focusWidget();
        EXPECT_FALSE(window->toolbar()->isAncestorOf(focused)) << focused->metaObject()->className();
        EXPECT_FALSE(focused && focused->isHidden());
    }
    // A keyboard user who tabbed to a tab and chose it stays there.
    QAbstractButton* storageTab =
        window->toolbar()->buttonGroup()->button(static_cast<int>(indexOf(Module::storage)));
    storageTab->setFocus(Qt::TabFocusReason);
    QTest::keyClick(storageTab, Qt::Key_Space);
    EXPECT_EQ(window->selectedModule(), Module::storage);
    EXPECT_EQ(QApplication::focusWidget(), storageTab);
}

// Every accessible name under `node`, depth first.
void collectAccessibleNames(QAccessibleInterface* node, QStringList& names, int depth = 0) {
    if (!node || depth > 64) return;
    names << node->text(QAccessible::Name);
    for (int index = 0; index < node->childCount(); ++index)
        collectAccessibleNames(node->child(index), names, depth + 1);
}

QStringList accessibleNames(QWidget* window) {
    QStringList names;
    collectAccessibleNames(QAccessible::queryAccessibleInterface(window), names);
    return names;
}

TEST_F(SettingsWindowTest, AssistiveTechnologiesChooseTabsAndSeeOnlyTheShownPage) {
    auto window = makeWindow(Module::general);
    const QString rebuild = QString::fromStdString(L10n::text(L10nKey::advancedRebuildIndexButton));
    const QString launchAtLogin = QString::fromStdString(L10n::text(L10nKey::generalLaunchAtLogin));
    EXPECT_TRUE(accessibleNames(window.get()).contains(launchAtLogin));
    EXPECT_FALSE(accessibleNames(window.get()).contains(rebuild));

    // A screen reader toggles the tab, as it does a check box: the page follows.
    QAccessibleInterface* advancedTab = QAccessible::queryAccessibleInterface(
        window->toolbar()->buttonGroup()->button(static_cast<int>(indexOf(Module::advanced))));
    ASSERT_NE(advancedTab, nullptr);
    ASSERT_NE(advancedTab->actionInterface(), nullptr);
    ASSERT_TRUE(
        advancedTab->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    advancedTab->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(window->selectedModule(), Module::advanced);
    EXPECT_TRUE(window->page(Module::advanced)->isVisible());
    EXPECT_TRUE(accessibleNames(window.get()).contains(rebuild));
    EXPECT_FALSE(accessibleNames(window.get()).contains(launchAtLogin));

    // Toggling the tab already shown changes nothing.
    advancedTab->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(window->selectedModule(), Module::advanced);
    EXPECT_EQ(window->toolbar()->buttonGroup()->checkedId(), static_cast<int>(indexOf(Module::advanced)));
    window->selectModule(Module::general);
    EXPECT_FALSE(accessibleNames(window.get()).contains(rebuild));
    EXPECT_TRUE(accessibleNames(window.get()).contains(launchAtLogin));
}

}  // namespace
}  // namespace quorvane

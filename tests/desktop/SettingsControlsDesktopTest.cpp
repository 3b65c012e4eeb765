// The settings pages and the classification window driven as people drive them, on a private accessible
// desktop: the mouse wheel turned over every pop-up, spin box and slider, tabs switched with the keys and a
// screen reader's action, check boxes toggled through the accessibility bus. What is stored is read back from
// the settings file itself.

#include <atspi/atspi-constants.h>
#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>
#include <memory>

#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "desktop/AccessibilityBusSession.h"
#include "desktop/AtSpiTreeReader.h"
#include "desktop/DesktopSession.h"
#include "desktop/ShownDialogs.h"
#include "desktop/UserInput.h"
#include "desktop/WindowStacking.h"
#include "panel/model/ClipboardHotkeySetting.h"
#include "platform/linux/ApplicationListDialog.h"
#include "platform/linux/DesktopApplicationFileReader.h"
#include "platform/linux/JsonFileUserDefaults.h"
#include "platform/linux/QtApplicationFilePicker.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "preferences/ClipboardIgnoredAppsSettings.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/AdvancedSettingsViewController.h"
#include "settings/widgets/ClassificationRuleEditorDialog.h"
#include "settings/widgets/ClassificationSystemTab.h"
#include "settings/widgets/ClassificationTestTab.h"
#include "settings/widgets/ClassificationUserRulesTab.h"
#include "settings/widgets/ClassificationWindow.h"
#include "settings/widgets/IgnoredAppsSettingsView.h"
#include "settings/widgets/SettingsPageFactories.h"
#include "settings/widgets/SettingsWindowController.h"
#include "settings/widgets/SettingsWindowFixture.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using testing::AccessibilityBusSession;
using testing::AtSpiNode;
using testing::AtSpiTreeReader;
using testing::DesktopSession;
namespace input = testing::userinput;

// The controls a wheel step would change.
std::vector<QPointer<QWidget>> wheelControls(QWidget* root) {
    std::vector<QPointer<QWidget>> found;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        const bool turns = qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
                           (qobject_cast<QAbstractSlider*>(widget) && !qobject_cast<QScrollBar*>(widget));
        if (turns && widget->isVisibleTo(root)) found.emplace_back(widget);
    }
    return found;
}

// What the control shows: its index or value.
int shownValue(const QWidget* control) {
    if (const auto* popup = qobject_cast<const QComboBox*>(control)) return popup->currentIndex();
    if (const auto* slider = qobject_cast<const QAbstractSlider*>(control)) return slider->value();
    if (const auto* spinBox = qobject_cast<const QAbstractSpinBox*>(control)) return spinBox->text().toInt();
    return -1;
}

class SettingsControlsDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESKTOP_SESSION_OR_SKIP();
        bus_ = std::make_unique<AccessibilityBusSession>(DesktopSession::display());
        ASSERT_TRUE(bus_->start()) << bus_->failure();
        ASSERT_TRUE(bus_->setAccessibilityEnabled(true));
        // Before any widget: the bridge joins the bus once per program.
        membership_ = std::make_unique<testing::AccessibilityBusMembership>(bus_->sessionBusAddress());
        if (!membership_->joined()) GTEST_SKIP() << "this program's bridge joined another bus before";
        reader_ = std::make_unique<AtSpiTreeReader>(bus_->sessionBusAddress());

        settingsFile_ = storage_.path() / "settings.json";
        store_ = std::make_unique<JsonFileUserDefaults>(settingsFile_);
        // A file to compare from the start.
        store_->set("SettingsControlsDesktopTest", DefaultsValue(true));
        // Hiding the tray icon asks for a shortcut first.
        ClipboardHotkeySetting::store(*store_, KeyCombo::defaultClipboardHistory());
        fixture_ =
            std::make_unique<testing::SettingsWindowFixture>(DistributionChannel::direct, store_.get());
        fixture_->accessibility.currentStatus = AccessibilityPermissionStatus::authorized;
        // The pages post their changes to the in-memory main queue; run it as the real one runs.
        // Made once the application exists: a timer needs its event loop.
        pump_ = std::make_unique<QTimer>();
        QObject::connect(pump_.get(), &QTimer::timeout, [this] { fixture_->loop.runUntilIdle(); });
        pump_->start(20);
    }

    void TearDown() override {
        pump_.reset();
        classification_.reset();
        window_.reset();
        fixture_.reset();
        reader_.reset();
        membership_.reset();
    }

    // Compared as text, so a failure shows the file.
    std::string settingsBytes() const {
        QFile file(QString::fromStdString(settingsFile_.string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("<unreadable>");
    }

    void showSettingsWindow() {
        window_ = std::make_unique<SettingsWindowController>(*fixture_->services,
                                                             SettingsPageFactories::standard());
        window_->move(40, 40);
        window_->resize(760, 640);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->isActiveWindow(); }, 10s));
    }

    void showClassificationWindow() {
        auto viewModel = std::make_unique<ClassificationSettingsViewModel>(
            *store_, std::make_unique<LocalClipboardClassificationService>());
        classification_ = std::make_unique<ClassificationWindow>(std::move(viewModel), fixture_->alerts);
        classification_->move(40, 40);
        classification_->show();
        classification_->activateWindow();
        ASSERT_TRUE(
            DesktopSession::processEventsUntil([&] { return classification_->isActiveWindow(); }, 10s));
    }

    // Turns the wheel up and down with the pointer resting where `control` is once brought into view, while
    // it has no focus. The pointer stays put as the page scrolls under it, as a hand does: following the
    // control could carry it off the window, where a wheel step on the desktop switches workspaces.
    void wheelOver(QWidget* control) {
        for (QWidget* up = control->parentWidget(); up; up = up->parentWidget()) {
            if (auto* scroll = qobject_cast<QScrollArea*>(up)) scroll->ensureWidgetVisible(control, 0, 40);
        }
        DesktopSession::processEventsFor(100ms);
        ASSERT_FALSE(control->hasFocus());
        QWidget* window = control->window();
        ASSERT_TRUE(window->isActiveWindow());
        const QPoint at = control->mapToGlobal(control->rect().center());
        ASSERT_EQ(QApplication::widgetAt(at), control) << "the control is not under the pointer";
        for (int button : {4, 5, 5, 4}) {
            ASSERT_TRUE(input::wheel(at, button));
            DesktopSession::processEventsFor(120ms);
            ASSERT_TRUE(window->isActiveWindow()) << "the window lost the focus";
        }
    }

    // Wheel steps over every unfocused pop-up, spin box and slider under `root`: none of them shows another
    // value afterwards. Returns how many there were.
    int wheelOverEveryControl(QWidget* root) {
        int turned = 0;
        for (const QPointer<QWidget>& control : wheelControls(root)) {
            SCOPED_TRACE((control->metaObject()->className() + QStringLiteral(" in ") + root->objectName() +
                          ' ' + control->accessibleName())
                             .toStdString());
            const int shown = shownValue(control);
            wheelOver(control);
            if (::testing::Test::HasFatalFailure()) return turned;
            if (!control) {
                ADD_FAILURE() << "the control went away: its page was rebuilt, a language was stored";
                return turned;
            }
            EXPECT_EQ(shownValue(control), shown);
            ++turned;
        }
        return turned;
    }

    // The showing nodes of this program named `name` with `role`, once the tree has settled.
    std::vector<AtSpiNode> showing(const QString& role, const QString& name = {}) {
        tree_ = reader_->tree();
        return AtSpiTreeReader::find(tree_, role, name);
    }

    // The showing controls named `name`, whatever their role (labels and headers that show it aside).
    std::vector<AtSpiNode> showingNamed(const QString& name) {
        tree_ = reader_->tree();
        std::vector<AtSpiNode> found;
        for (const AtSpiNode& node : tree_) {
            const bool saysText = node.role == "label" || node.role == "column header";
            if (node.name == name && !saysText && node.has(ATSPI_STATE_SHOWING)) found.push_back(node);
        }
        return found;
    }

    bool waitForShowing(const QString& role, const QString& name, bool present) {
        return DesktopSession::processEventsUntil([&] { return showing(role, name).empty() != present; },
                                                  10s);
    }

    testing::TemporaryDirectory storage_;
    std::filesystem::path settingsFile_;
    std::unique_ptr<AccessibilityBusSession> bus_;
    std::unique_ptr<testing::AccessibilityBusMembership> membership_;
    std::unique_ptr<AtSpiTreeReader> reader_;
    std::unique_ptr<JsonFileUserDefaults> store_;
    std::unique_ptr<testing::SettingsWindowFixture> fixture_;
    std::unique_ptr<SettingsWindowController> window_;
    std::unique_ptr<ClassificationWindow> classification_;
    std::vector<AtSpiNode> tree_;
    std::unique_ptr<QTimer> pump_;
};

TEST_F(SettingsControlsDesktopTest, TheWheelOverAnUnfocusedPopUpSpinBoxOrSliderStoresNothing) {
    showSettingsWindow();
    const std::string before = settingsBytes();
    int turned = 0;
    for (const auto module : allSettingsModuleIdentifiers) {
        window_->selectModule(module);
        DesktopSession::processEventsFor(150ms);
        QWidget* page = window_->currentPage();
        ASSERT_NE(page, nullptr);
        turned += wheelOverEveryControl(page);
        if (HasFatalFailure()) return;
    }
    // The language, both retention periods, the recognition mode and language, the panel style.
    EXPECT_GE(turned, 6);
    EXPECT_EQ(settingsBytes(), before) << "a wheel step stored a setting";
    EXPECT_TRUE(fixture_->alerts.presented.empty()) << fixture_->alerts.presented.front().messageText;

    // The same wheel reaches a pop-up the user has given the focus: a deliberate choice there is kept.
    window_->selectModule(SettingsModuleIdentifier::advanced);
    DesktopSession::processEventsFor(150ms);
    auto* advanced = dynamic_cast<AdvancedSettingsViewController*>(window_->currentPage());
    ASSERT_NE(advanced, nullptr);
    QComboBox* mode = advanced->ocrModePopup();
    for (QWidget* up = mode->parentWidget(); up; up = up->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(up)) scroll->ensureWidgetVisible(mode, 0, 40);
    }
    mode->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return mode->hasFocus(); }));
    const int shown = mode->currentIndex();
    ASSERT_TRUE(input::wheel(mode->mapToGlobal(mode->rect().center()), shown == 0 ? 5 : 4));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return mode->currentIndex() != shown; }, 3s))
        << "the wheel never reached the focused pop-up";
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return settingsBytes() != before; }, 3s));
}

TEST_F(SettingsControlsDesktopTest, TheWheelOverTheClassificationWindowAndItsRuleEditorStoresNothing) {
    showClassificationWindow();
    const std::string before = settingsBytes();
    QTabBar* tabs = classification_->tabBar();
    for (int index = 0; index < tabs->count(); ++index) {
        tabs->setCurrentIndex(index);
        DesktopSession::processEventsFor(150ms);
        wheelOverEveryControl(classification_.get());
        if (HasFatalFailure()) return;
    }

    // The rule editor's pop-ups, for every kind of condition (each shows other rows).
    tabs->setCurrentIndex(1);
    ClassificationUserRulesTab* rules = classification_->userRulesTab();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return rules->addButton()->isVisible(); }));
    ASSERT_TRUE(input::click(rules->addButton()->mapToGlobal(rules->addButton()->rect().center())));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
        return rules->editor() && rules->editor()->isVisible() && rules->editor()->isActiveWindow();
    }));
    QPointer<ClassificationRuleEditorDialog> editor = rules->editor();
    QComboBox* kind = editor->conditionKindPopup();
    int turned = 0;
    for (int index = 0; index < kind->count(); ++index) {
        SCOPED_TRACE(kind->itemText(index).toStdString());
        kind->setCurrentIndex(index);
        DesktopSession::processEventsFor(100ms);
        turned += wheelOverEveryControl(editor);
        if (HasFatalFailure()) return;
        EXPECT_EQ(kind->currentIndex(), index);
    }
    // The condition pop-up each time, the classification pop-up for a system classification condition.
    EXPECT_GT(turned, kind->count());
    EXPECT_EQ(settingsBytes(), before) << "a wheel step stored a setting";
    ASSERT_TRUE(editor);
    editor->reject();
}

// The settings as a map, for comparing what a change left behind.
QJsonObject settingsObject(const std::string& bytes) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).object();
}

// Toggled through the accessibility bus, a check box stores its new state; toggled back it stores the old
// one. The first change may add a key the file lacked; from then on a toggle and its undo give back the
// same bytes.
TEST_F(SettingsControlsDesktopTest, EveryCheckBoxToggledByAScreenReaderIsStoredAndToggledBackRestored) {
    showSettingsWindow();
    int toggled = 0;
    for (const auto module : allSettingsModuleIdentifiers) {
        window_->selectModule(module);
        ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->currentPage()->isVisible(); }));
        DesktopSession::processEventsFor(200ms);
        QWidget* page = window_->currentPage();
        for (QCheckBox* box : page->findChildren<QCheckBox*>()) {
            if (!box->isVisibleTo(page) || !box->isEnabled()) continue;
            const QString name =
                box->accessibleName().isEmpty() ? box->text().remove('&') : box->accessibleName();
            SCOPED_TRACE(name.toStdString());
            const auto nodes = showing("check box", name);
            ASSERT_EQ(nodes.size(), 1u) << testing::describe(tree_).toStdString();
            const AtSpiNode node = nodes.front();
            const bool wasChecked = box->isChecked();

            // Launch at login is kept by the desktop's autostart, not in the settings file.
            std::string snapshot;
            std::size_t requests = 0;
            const auto takeSnapshot = [&] {
                snapshot = settingsBytes();
                requests = fixture_->launchAtLogin.requests.size();
            };
            const auto storedSinceSnapshot = [&] {
                return settingsBytes() != snapshot || fixture_->launchAtLogin.requests.size() > requests;
            };
            const auto toggle = [&](bool expectChecked) {
                takeSnapshot();
                ASSERT_TRUE(reader_->doAction(node, "toggle"));
                ASSERT_TRUE(DesktopSession::processEventsUntil([&] {
                    return box->isChecked() == expectChecked;
                })) << "the toggle never reached the check box";
                EXPECT_TRUE(DesktopSession::processEventsUntil(storedSinceSnapshot, 5s))
                    << "toggled but not stored";
            };

            const std::string before = settingsBytes();
            toggle(!wasChecked);
            if (HasFatalFailure()) return;
            const std::string changed = settingsBytes();
            toggle(wasChecked);
            if (HasFatalFailure()) return;
            const std::string restored = settingsBytes();
            const QJsonObject beforeValues = settingsObject(before);
            const QJsonObject restoredValues = settingsObject(restored);
            for (auto entry = beforeValues.begin(); entry != beforeValues.end(); ++entry) {
                EXPECT_EQ(restoredValues.value(entry.key()), entry.value()) << entry.key().toStdString();
            }

            toggle(!wasChecked);
            if (HasFatalFailure()) return;
            EXPECT_EQ(settingsBytes(), changed) << "the same change stored something else";
            toggle(wasChecked);
            if (HasFatalFailure()) return;
            EXPECT_EQ(settingsBytes(), restored) << "toggling back did not restore the settings file";
            ++toggled;
        }
    }
    // Launch at login, the tray icon, text and image capture, text recognition, Return pastes.
    EXPECT_GE(toggled, 6) << testing::describe(tree_).toStdString();
    EXPECT_EQ(fixture_->launchAtLogin.status(), LaunchAtLoginStatus::notRegistered);
    EXPECT_TRUE(fixture_->alerts.presented.empty()) << fixture_->alerts.presented.front().messageText;
}

TEST_F(SettingsControlsDesktopTest, ClassificationTabsShowTheirPageHoweverChosenAndOnlyItIsReachable) {
    showClassificationWindow();
    QTabBar* tabs = classification_->tabBar();
    const std::string_view boxName =
        classification_->viewModel().mainContentTypeItems().front().definition.displayName;
    const QString systemBox = QString::fromUtf8(boxName.data(), static_cast<qsizetype>(boxName.size()));
    ASSERT_TRUE(waitForShowing("check box", systemBox, true)) << testing::describe(tree_).toStdString();
    EXPECT_TRUE(showing("push button", "Add Rule").empty()) << "a control of a hidden page is offered";

    // The arrow key on the focused tab bar.
    tabs->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(input::holdKey("Right"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return tabs->currentIndex() == 1; }));
    EXPECT_TRUE(classification_->userRulesTab()->isVisible());
    EXPECT_FALSE(classification_->systemTab()->isVisible());
    EXPECT_TRUE(waitForShowing("push button", "Add Rule", true));
    EXPECT_TRUE(waitForShowing("check box", systemBox, false)) << testing::describe(tree_).toStdString();

    // A screen reader's action on the tab.
    const auto testTab = showing("page tab", "Test");
    ASSERT_EQ(testTab.size(), 1u) << testing::describe(tree_).toStdString();
    ASSERT_TRUE(reader_->doAction(testTab.front(), "press"));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return tabs->currentIndex() == 2; }));
    EXPECT_TRUE(classification_->testTab()->isVisible());
    EXPECT_FALSE(classification_->userRulesTab()->isVisible());
    EXPECT_TRUE(waitForShowing("push button", "Add Rule", false)) << testing::describe(tree_).toStdString();
    EXPECT_TRUE(waitForShowing("push button", "Detect", true));

    // The wheel over the tab bar.
    const std::string before = settingsBytes();
    ASSERT_TRUE(input::wheel(tabs->mapToGlobal(tabs->rect().center()), 4));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return tabs->currentIndex() != 2; }));
    QWidget* shown = tabs->currentIndex() == 1 ? static_cast<QWidget*>(classification_->userRulesTab())
                                               : static_cast<QWidget*>(classification_->systemTab());
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(classification_->testTab()->isVisible());
    EXPECT_EQ(settingsBytes(), before);
}

TEST_F(SettingsControlsDesktopTest, ARulesEnabledCellIsNamedSaysItsStateAndSpaceTogglesIt) {
    ClipboardClassificationSettings::setUserRules(
        {ClipboardUserClassificationRuleDraft{
            "Invoices", ClipboardUserClassificationConditionKind::containsText, "invoice", "Billing", true}
             .validatedRule("invoices-id")},
        *store_);
    showClassificationWindow();
    classification_->tabBar()->setCurrentIndex(1);
    ClassificationUserRulesTab* rules = classification_->userRulesTab();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return rules->table()->isVisible(); }));
    const auto enabledCell = [&]() -> std::optional<AtSpiNode> {
        const auto cells = showing("cell", "Enabled");
        if (cells.size() != 1) return std::nullopt;
        return cells.front();
    };
    const auto stored = [&] { return ClipboardClassificationSettings::userRules(*store_).front().isEnabled; };
    std::optional<AtSpiNode> cell;
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return (cell = enabledCell()).has_value(); }, 10s))
        << testing::describe(tree_).toStdString();
    EXPECT_TRUE(cell->has(ATSPI_STATE_CHECKED));
    EXPECT_EQ(cell->description, "Invoices");

    // Space on the row the mouse picked, held as a hand holds it, switches the rule off and on again; a
    // screen reader hears each state.
    QTableWidget* table = rules->table();
    const QRect nameCell = table->visualRect(table->model()->index(0, 1));
    ASSERT_TRUE(input::click(table->viewport()->mapToGlobal(nameCell.center())));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return table->hasFocus(); }));
    for (const bool expected : {false, true}) {
        ASSERT_TRUE(input::holdKey("space"));
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return stored() == expected; }, 5s))
            << "Space stored nothing";
        EXPECT_TRUE(DesktopSession::processEventsUntil(
            [&] { return (cell = enabledCell()) && cell->has(ATSPI_STATE_CHECKED) == expected; }, 5s))
            << testing::describe(tree_).toStdString();
    }

    // A screen reader's toggle on the cell switches the rule as Space does, and leaves the selection alone.
    table->clearSelection();
    ASSERT_TRUE(cell.has_value());
    EXPECT_EQ(reader_->actionNames(*cell).value(0).toLower(), "toggle") << "toggling is not the first action";
    for (const bool expected : {false, true}) {
        ASSERT_TRUE(cell = enabledCell());
        ASSERT_TRUE(reader_->doAction(*cell, "toggle"));
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return stored() == expected; }, 5s))
            << "the toggle stored nothing";
        EXPECT_TRUE(DesktopSession::processEventsUntil(
            [&] { return (cell = enabledCell()) && cell->has(ATSPI_STATE_CHECKED) == expected; }, 5s))
            << testing::describe(tree_).toStdString();
        EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty()) << "the toggle selected the row";
    }
    // Qt 6.4's bridge passes on no checkable state at all (its check boxes lack it too); the cell's own
    // interface carries it, for the bridges that do.
    QAccessibleInterface* shown =
        QAccessible::queryAccessibleInterface(table)->tableInterface()->cellAt(0, 0);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->state().checkable);
    EXPECT_EQ(shown->text(QAccessible::Name), cell->name);
    // A rule's other cells name their text and have nothing to toggle.
    const auto names = showing("cell", "Invoices");
    ASSERT_EQ(names.size(), 1u) << testing::describe(tree_).toStdString();
    EXPECT_FALSE(reader_->actionNames(names.front()).contains("Toggle", Qt::CaseInsensitive));
}

// Turns the wheel one notch at `at` and waits until `scrollBar` has moved that way.
bool wheelScrolls(QPoint at, int button, const QScrollBar* scrollBar) {
    const int before = scrollBar->value();
    if (!input::wheel(at, button)) return false;
    return DesktopSession::processEventsUntil(
        [&] { return button == 5 ? scrollBar->value() > before : scrollBar->value() < before; }, 5s);
}

TEST_F(SettingsControlsDesktopTest, TheWheelOverRulesEnabledCellsScrollsTheTableAndSwitchesNoRule) {
    std::vector<ClipboardUserClassificationRule> many;
    for (int index = 0; index < 40; ++index) {
        const std::string name = "Rule " + std::to_string(index);
        many.push_back(ClipboardUserClassificationRuleDraft{
            name, ClipboardUserClassificationConditionKind::prefix, name, "Result", index % 2 == 0}
                           .validatedRule(name + "-id"));
    }
    ClipboardClassificationSettings::setUserRules(many, *store_);
    showClassificationWindow();
    classification_->tabBar()->setCurrentIndex(1);
    QTableWidget* table = classification_->userRulesTab()->table();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return table->isVisible(); }));
    DesktopSession::processEventsFor(150ms);
    const QScrollBar* scrollBar = table->verticalScrollBar();
    ASSERT_GT(scrollBar->maximum(), 0) << "the rules fit: nothing to scroll";
    const std::string before = settingsBytes();

    // The pointer rests on an Enabled cell; the rows move under it, so each notch meets another check.
    const QPoint at = table->viewport()->mapToGlobal(table->visualRect(table->model()->index(2, 0)).center());
    for (int notch = 0; notch < 3; ++notch) {
        ASSERT_TRUE(wheelScrolls(at, 5, scrollBar)) << "the wheel did not scroll the rules down";
    }
    ASSERT_TRUE(wheelScrolls(at, 4, scrollBar)) << "the wheel did not scroll the rules up";
    DesktopSession::processEventsFor(200ms);
    EXPECT_EQ(settingsBytes(), before) << "a wheel step switched a rule";
    EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty()) << "a wheel step selected a rule";
}

// The App Filter page's Add App button as the program builds it: the picker belongs to no window of its own
// and must still open above the settings window, where the user is.
TEST_F(SettingsControlsDesktopTest, TheAppPickerOpensAboveTheSettingsWindowAndItsListScrollsUnderTheWheel) {
    InMemoryApplicationCatalog catalog;
    for (int index = 0; index < 40; ++index) {
        InstalledApplication application;
        application.identifier = "org.example.App" + std::to_string(index);
        application.name = "Application " + std::to_string(100 + index);
        application.desktopFilePath = "/usr/share/applications/" + application.identifier + ".desktop";
        catalog.install(application);
    }
    ClipboardIgnoredAppsSettings ignoredApps(catalog);
    DesktopApplicationFileReader reader;
    QtApplicationFilePicker picker;
    auto factories = SettingsPageFactories::standard();
    factories.set(SettingsModuleIdentifier::appFilter, [&](SettingsWindowServices&) -> QWidget* {
        return new IgnoredAppsSettingsView(IgnoredAppsSettingsView::Services{
            *store_, ignoredApps, catalog, reader, fixture_->alerts, picker});
    });
    window_ = std::make_unique<SettingsWindowController>(*fixture_->services, factories);
    window_->move(40, 40);
    window_->resize(760, 640);
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return window_->isActiveWindow(); }, 10s));
    window_->selectModule(SettingsModuleIdentifier::appFilter);
    auto* page = dynamic_cast<IgnoredAppsSettingsView*>(window_->currentPage());
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return page->addButton()->isVisible(); }));
    const std::string before = settingsBytes();

    ASSERT_TRUE(input::click(page->addButton()->mapToGlobal(page->addButton()->rect().center())));
    QPointer<ApplicationListDialog> dialog = testing::awaitShownDialog<ApplicationListDialog>();
    ASSERT_TRUE(dialog) << "the picker never showed";
    EXPECT_TRUE(testing::stackedAbove(*dialog, *window_));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return dialog->isActiveWindow(); }, 10s))
        << "the picker did not take the focus";
    // A click on the settings window, which the picker blocks, does not bury the picker under it.
    const QRect covered = dialog->frameGeometry();
    QPoint aside = window_->geometry().topLeft() + QPoint(30, window_->height() - 30);
    if (covered.contains(aside)) aside = window_->geometry().topRight() + QPoint(-30, window_->height() - 30);
    ASSERT_FALSE(covered.contains(aside));
    ASSERT_TRUE(input::click(aside));
    DesktopSession::processEventsFor(300ms);
    EXPECT_TRUE(testing::stackedAbove(*dialog, *window_)) << "the picker went under the settings window";
    // Openbox leaves the focus on the clicked window; the user clicks back into the picker.
    QLineEdit* filter = dialog->filterField();
    ASSERT_TRUE(input::click(filter->mapToGlobal(filter->rect().center())));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return dialog->isActiveWindow(); }, 5s));

    // A row chosen first; the wheel then moves the list, not the choice.
    QListWidget* list = dialog->list();
    list->setCurrentRow(1);
    const auto chosen = dialog->chosenFile();
    ASSERT_TRUE(chosen.has_value());
    const QScrollBar* scrollBar = list->verticalScrollBar();
    ASSERT_GT(scrollBar->maximum(), 0) << "the applications fit: nothing to scroll";
    const QPoint at = list->viewport()->mapToGlobal(list->viewport()->rect().center());
    ASSERT_TRUE(wheelScrolls(at, 5, scrollBar)) << "the wheel did not scroll the applications down";
    ASSERT_TRUE(wheelScrolls(at, 4, scrollBar)) << "the wheel did not scroll the applications up";
    EXPECT_EQ(dialog->chosenFile(), chosen);
    EXPECT_TRUE(dialog->isVisible()) << "a wheel step answered the picker";

    ASSERT_TRUE(input::holdKey("Escape"));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return !dialog || !dialog->isVisible(); }, 5s));
    DesktopSession::processEventsFor(200ms);
    EXPECT_EQ(settingsBytes(), before) << "a cancelled picker stored an application";
}

TEST_F(SettingsControlsDesktopTest, FieldsWithoutTextOfTheirOwnAreNamedAndTabLeavesTheTestInput) {
    showSettingsWindow();
    window_->selectModule(SettingsModuleIdentifier::general);
    for (const QString& name : {QStringLiteral("Max Size (MB)"), QStringLiteral("Increase Max Size"),
                                QStringLiteral("Decrease Max Size")}) {
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return showingNamed(name).size() == 1; }, 10s))
            << name.toStdString() << '\n'
            << testing::describe(tree_).toStdString();
    }
    window_.reset();

    showClassificationWindow();
    classification_->tabBar()->setCurrentIndex(2);
    ClassificationTestTab* test = classification_->testTab();
    for (const QString& name : {QStringLiteral("Test Input"), QStringLiteral("Detection Result")}) {
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return showingNamed(name).size() == 1; }, 10s))
            << name.toStdString() << '\n'
            << testing::describe(tree_).toStdString();
    }
    ASSERT_TRUE(input::click(test->input()->mapToGlobal(test->input()->rect().center())));
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return test->input()->hasFocus(); }));
    ASSERT_TRUE(input::holdKey("Tab"));
    EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return test->detectButton()->hasFocus(); }))
        << "Tab stayed in the input";
    EXPECT_EQ(test->input()->toPlainText(), "");

    classification_->tabBar()->setCurrentIndex(1);
    ClassificationUserRulesTab* rules = classification_->userRulesTab();
    ASSERT_TRUE(DesktopSession::processEventsUntil([&] { return rules->addButton()->isVisible(); }));
    rules->addButton()->click();
    ASSERT_TRUE(
        DesktopSession::processEventsUntil([&] { return rules->editor() && rules->editor()->isVisible(); }));
    // The pop-up is left out: on Linux Qt names a combo box by its choice and points at its label apart.
    for (const QString& name :
         {QStringLiteral("Rule Name"), QStringLiteral("Value"), QStringLiteral("Classification Result")}) {
        EXPECT_TRUE(DesktopSession::processEventsUntil([&] { return showingNamed(name).size() == 1; }, 10s))
            << name.toStdString() << '\n'
            << testing::describe(tree_).toStdString();
    }
    rules->editor()->reject();
}

}  // namespace
}  // namespace quorvane

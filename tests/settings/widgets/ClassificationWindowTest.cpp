#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QtTest/QTest>
#include <algorithm>
#include <memory>

#include "classification/ClipboardClassificationSettings.h"
#include "classification/LocalClipboardClassificationService.h"
#include "l10n/StandardAppLanguage.h"
#include "platform/memory/FakeAlertPresenter.h"
#include "platform/memory/InMemoryUserDefaults.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/ClassificationRuleEditorDialog.h"
#include "settings/widgets/ClassificationSystemTab.h"
#include "settings/widgets/ClassificationTestTab.h"
#include "settings/widgets/ClassificationUserRulesTab.h"
#include "settings/widgets/ClassificationWindow.h"
#include "support/QtTestApplication.h"

namespace quorvane {
namespace {

using Kind = ClipboardUserClassificationConditionKind;

class ClassificationWindowTest : public ::testing::Test {
protected:
    void SetUp() override { testing::qtTestApplication(); }

    std::unique_ptr<ClassificationWindow> makeWindow() {
        auto viewModel = std::make_unique<ClassificationSettingsViewModel>(
            defaults_, std::make_unique<LocalClipboardClassificationService>());
        auto window = std::make_unique<ClassificationWindow>(std::move(viewModel), alerts_);
        window->show();
        return window;
    }
    std::vector<ClipboardUserClassificationRule> storedRules() const {
        return ClipboardClassificationSettings::userRules(defaults_);
    }

    InMemoryUserDefaults defaults_;
    StandardAppLanguage language_{defaults_};
    FakeAlertPresenter alerts_;
};

TEST_F(ClassificationWindowTest, SystemTabStoresClicksAndInvertsFromTheCheckboxes) {
    defaults_.set(ClipboardClassificationSettings::kEnabledSystemClassificationsKey,
                  DefaultsValue(DefaultsValue::Array{std::string("url"), std::string("email")}));
    auto window = makeWindow();
    auto* tab = window->systemTab();
    auto* text = tab->checkbox(ClipboardMainContentType::text);
    auto* image = tab->checkbox(ClipboardMainContentType::image);
    QTest::mouseClick(text, Qt::LeftButton, {}, QPoint(8, text->height() / 2));
    QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(8, image->height() / 2));
    EXPECT_FALSE(text->isChecked());
    EXPECT_EQ(defaults_.stringArrayValue(ClipboardClassificationSettings::kEnabledMainContentTypesKey),
              std::vector<std::string>{});
    tab->findChild<QPushButton*>("select-all-main-type")->click();
    EXPECT_TRUE(text->isChecked() && image->isChecked());
    EXPECT_EQ(defaults_.stringArrayValue(ClipboardClassificationSettings::kEnabledMainContentTypesKey),
              (std::vector<std::string>{"image", "text"}));

    tab->findChild<QPushButton*>("invert-general")->click();
    EXPECT_FALSE(tab->checkbox(ClipboardSystemClassification::url)->isChecked());
    EXPECT_TRUE(tab->checkbox(ClipboardSystemClassification::filePath)->isChecked());
    EXPECT_EQ(defaults_.stringArrayValue(ClipboardClassificationSettings::kEnabledSystemClassificationsKey),
              (std::vector<std::string>{"filePath", "ipAddress", "markdown"}));

    // Another tab and back: states stay as they were, not re-read.
    defaults_.remove(ClipboardClassificationSettings::kEnabledSystemClassificationsKey);
    window->selectTab(2);
    window->selectTab(0);
    EXPECT_FALSE(tab->checkbox(ClipboardSystemClassification::url)->isChecked());
}

TEST_F(ClassificationWindowTest, ThePageFollowsTheTabBarAndToggledBoxesAreStored) {
    auto window = makeWindow();
    QWidget* pages[] = {window->systemTab(), window->userRulesTab(), window->testTab()};
    // The tab bar's own index, as the arrow keys, the wheel and a screen reader change it.
    for (const int index : {1, 2, 0, 2}) {
        window->tabBar()->setCurrentIndex(index);
        for (int page = 0; page < 3; ++page) EXPECT_EQ(pages[page]->isVisible(), page == index) << index;
    }
    // A box toggled without a click (Space, a screen reader) is stored, and what the model keeps is shown.
    window->selectTab(0);
    auto* json = window->systemTab()->checkbox(ClipboardSystemClassification::json);
    const bool was = json->isChecked();
    json->toggle();
    const auto enabled =
        defaults_.stringArrayValue(ClipboardClassificationSettings::kEnabledSystemClassificationsKey)
            .value_or(std::vector<std::string>{});
    EXPECT_EQ(std::find(enabled.begin(), enabled.end(), "json") != enabled.end(), !was);
    EXPECT_EQ(json->isChecked(), !was);
}

TEST_F(ClassificationWindowTest, RulesTabAddsEditsTogglesAndDeletes) {
    auto window = makeWindow();
    auto* tab = window->userRulesTab();
    EXPECT_FALSE(tab->editButton()->isEnabled());
    EXPECT_FALSE(tab->deleteButton()->isEnabled());

    tab->addButton()->click();
    auto* editor = tab->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->windowTitle(), "Add Classification Rule");
    EXPECT_EQ(editor->commitButton()->text(), "Add");
    EXPECT_TRUE(editor->enabledCheckbox()->isChecked());
    editor->nameField()->setText("Invoices");
    editor->conditionValueField()->setText("invoice");
    editor->resultField()->setText("Billing");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_EQ(storedRules().size(), 1u);
    EXPECT_EQ(tab->table()->rowCount(), 1);
    EXPECT_EQ(tab->table()->item(0, 2)->text(), "Contains \"invoice\"");

    tab->table()->selectRow(0);
    EXPECT_TRUE(tab->editButton()->isEnabled());
    tab->editButton()->click();
    editor = tab->editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->commitButton()->text(), "Save");
    editor->resultField()->setText("Finance");
    editor->commitButton()->click();
    EXPECT_EQ(storedRules()[0].resultClassification, "Finance");

    // Space on any cell of the row switches its rule, back and forth, and each state is stored.
    tab->table()->setFocus();
    tab->table()->setCurrentCell(0, 2);
    QTest::keyClick(tab->table(), Qt::Key_Space);
    EXPECT_FALSE(storedRules()[0].isEnabled);
    QCoreApplication::processEvents();
    EXPECT_EQ(tab->table()->rowCount(), 1);
    EXPECT_EQ(tab->table()->item(0, 0)->checkState(), Qt::Unchecked);
    tab->table()->setCurrentCell(0, 0);
    QTest::keyClick(tab->table(), Qt::Key_Space);
    EXPECT_TRUE(storedRules()[0].isEnabled);
    QCoreApplication::processEvents();
    EXPECT_EQ(tab->table()->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(tab->table()->item(0, 0)->data(Qt::AccessibleTextRole).toString(), "Enabled");
    EXPECT_EQ(tab->table()->item(0, 0)->data(Qt::AccessibleDescriptionRole).toString(), "Invoices");

    tab->table()->selectRow(0);
    tab->deleteButton()->click();
    EXPECT_TRUE(storedRules().empty());
    EXPECT_EQ(tab->table()->rowCount(), 0);
    EXPECT_FALSE(tab->deleteButton()->isEnabled());
}

TEST_F(ClassificationWindowTest, RulesTabMovesTheSelectedRuleWithinTheListAndKeepsItSelected) {
    std::vector<ClipboardUserClassificationRule> rules;
    for (const char* name : {"First", "Second", "Third"}) {
        rules.push_back(
            ClipboardUserClassificationRuleDraft{name, Kind::containsText, name, name, true}.validatedRule(
                std::string(name) + "-id"));
    }
    ClipboardClassificationSettings::setUserRules(rules, defaults_);
    auto window = makeWindow();
    auto* tab = window->userRulesTab();
    const auto storedNames = [this] {
        std::vector<std::string> names;
        for (const auto& rule : storedRules()) names.push_back(rule.name);
        return names;
    };
    EXPECT_FALSE(tab->moveUpButton()->isEnabled());
    EXPECT_FALSE(tab->moveDownButton()->isEnabled());

    tab->table()->selectRow(0);
    EXPECT_FALSE(tab->moveUpButton()->isEnabled());  // already first
    tab->moveDownButton()->click();
    tab->moveDownButton()->click();
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"Second", "Third", "First"}));
    EXPECT_EQ(tab->table()->item(2, 1)->text(), "First");
    EXPECT_EQ(tab->table()->selectionModel()->selectedRows().value(0).row(), 2);
    EXPECT_FALSE(tab->moveDownButton()->isEnabled());  // now last

    tab->moveUpButton()->click();
    EXPECT_EQ(storedNames(), (std::vector<std::string>{"Second", "First", "Third"}));
    EXPECT_EQ(tab->table()->item(1, 1)->text(), "First");
    EXPECT_TRUE(tab->moveUpButton()->isEnabled() && tab->moveDownButton()->isEnabled());

    // The order is what classification runs: the moved rule's id and switch travel with it.
    tab->table()->item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(storedRules()[1].id, "First-id");
    EXPECT_FALSE(storedRules()[1].isEnabled);
}

TEST_F(ClassificationWindowTest, FailedSaveShowsTheMessageAndReopensTheEditorWithTheInput) {
    auto window = makeWindow();
    auto* tab = window->userRulesTab();
    alerts_.script({std::string("OK")});
    tab->addButton()->click();
    auto* editor = tab->editor();
    editor->conditionKindPopup()->setCurrentIndex(3);
    editor->conditionValueField()->setText("(");
    editor->resultField()->setText("Broken");
    editor->nameField()->setText("");
    editor->commitButton()->click();
    ASSERT_EQ(alerts_.presented.size(), 1u);
    EXPECT_EQ(alerts_.presented[0].messageText, "Unable to Save Rule");
    EXPECT_EQ(alerts_.presented[0].informativeText, "Rule name is required.");
    EXPECT_TRUE(storedRules().empty());
    auto* reopened = tab->editor();
    ASSERT_NE(reopened, nullptr);
    EXPECT_NE(reopened, editor);
    EXPECT_EQ(reopened->resultField()->text(), "Broken");
    EXPECT_EQ(reopened->conditionValueField()->text(), "(");
    EXPECT_EQ(reopened->conditionKindPopup()->currentData().toString(), "regularExpression");
    QTest::keyClick(reopened, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(storedRules().empty());
}

TEST_F(ClassificationWindowTest, EditorAdaptsToTheConditionKind) {
    ClassificationRuleEditorDialog editor({"R", Kind::matchedSystemClassification, "jsonLines", "X", true},
                                          true);
    editor.show();
    EXPECT_FALSE(editor.valueRow()->isVisible());
    EXPECT_TRUE(editor.systemClassificationRow()->isVisible());
    EXPECT_EQ(editor.systemClassificationPopup()->currentText(), "JSON Lines");
    editor.conditionValueField()->setText("kept");
    editor.conditionKindPopup()->setCurrentIndex(3);
    EXPECT_TRUE(editor.valueRow()->isVisible());
    EXPECT_FALSE(editor.systemClassificationRow()->isVisible());
    EXPECT_EQ(editor.conditionValueField()->placeholderText(), "INV-[0-9]{4}");
    EXPECT_EQ(editor.conditionDescriptionLabel()->text(),
              "Matches when the input satisfies the given regular expression.");
    EXPECT_EQ(editor.draftFromControls().conditionValue, "kept");
}

TEST_F(ClassificationWindowTest, EditorRowsKeepTheirPlacesWhateverTheKindsExplanation) {
    ClassificationRuleEditorDialog editor({"R", Kind::containsText, "x", "X", true}, false);
    editor.show();
    editor.adjustSize();  // as tight as a window manager may make it
    QCoreApplication::processEvents();
    auto* explanation = editor.conditionDescriptionLabel();
    const auto tops = [&] {
        std::vector<int> found;
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 editor.nameField(), editor.conditionKindPopup(), explanation, editor.resultField()})
            found.push_back(widget->mapTo(&editor, QPoint()).y());
        return found;
    };
    const std::vector<int> first = tops();
    auto* kinds = editor.conditionKindPopup();
    for (int index = 0; index < kinds->count(); ++index) {
        kinds->setCurrentIndex(index);
        QCoreApplication::processEvents();
        EXPECT_EQ(tops(), first) << kinds->currentText().toStdString();
        EXPECT_GE(explanation->height(), explanation->heightForWidth(explanation->width()))
            << "cut explanation of " << kinds->currentText().toStdString();
    }
}

TEST_F(ClassificationWindowTest, OpensCentredOnItsScreenAndTheTestViewsGrowWithTheWindow) {
    auto window = makeWindow();
    QCoreApplication::processEvents();
    const QRect available = window->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window->frameGeometry()))
        << "frame " << window->frameGeometry().width() << "x" << window->frameGeometry().height();
    EXPECT_LE((window->frameGeometry().center() - available.center()).manhattanLength(), 2);

    window->selectTab(2);
    auto* tab = window->testTab();
    window->resize(window->minimumSize());
    QCoreApplication::processEvents();
    const int smallInput = tab->input()->height();
    const int smallResult = tab->result()->height();
    window->resize(window->minimumSize() + QSize(200, 300));
    QCoreApplication::processEvents();
    EXPECT_GT(tab->input()->height(), smallInput + 60);
    EXPECT_GT(tab->result()->height(), smallResult + 60);
    // Below the result view only the card's and the page's margins remain.
    const int resultBottom = tab->result()->mapTo(tab, QPoint(0, tab->result()->height())).y();
    EXPECT_LE(tab->height() - resultBottom, 40);
}

TEST_F(ClassificationWindowTest, TestTabReportsWithTheCurrentSettings) {
    auto window = makeWindow();
    auto* tab = window->testTab();
    EXPECT_TRUE(tab->result()->toPlainText().startsWith("Input Type: Text\nSystem Classifications: None"));
    tab->input()->setPlainText("{\"a\": 1}");
    tab->detectButton()->click();
    EXPECT_TRUE(tab->result()->toPlainText().contains("JSON (100%)"));
    window->systemTab()->checkbox(ClipboardSystemClassification::json)->click();
    tab->detectButton()->click();
    EXPECT_FALSE(tab->result()->toPlainText().contains("JSON"));
    // Typed quotes stay straight.
    QTest::keyClicks(tab->input(), "\"x\" -- y");
    EXPECT_TRUE(tab->input()->toPlainText().contains("\"x\" -- y"));
}

TEST_F(ClassificationWindowTest, ScreenshotsInBothLanguagesAndPalettes) {
    ClipboardClassificationSettings::setUserRules(
        {{"A1", "Work PR", Kind::pathContains, "/pull/", "Work", true},
         {"A2", "A very long rule name that does not fit in its column at all", Kind::regularExpression,
          "INV-[0-9]{4}-[A-Z]+-very-long-pattern-that-is-cut", "Invoice", false}},
        defaults_);
    const QString folder = testing::screenshotFolder("classification");
    for (const bool chinese : {false, true}) {
        defaults_.set("AppLanguage", std::string(chinese ? "zh-Hans" : "en"));
        for (const bool dark : {false, true}) {
            QApplication::setPalette(dark ? testing::darkTestPalette() : testing::lightTestPalette());
            auto window = makeWindow();
            window->testTab()->input()->setPlainText("https://github.com/acme/tool/pull/7");
            window->testTab()->detectButton()->click();
            window->userRulesTab()->table()->selectRow(1);  // Move Up enabled, Move Down not
            const QString suffix = QString(chinese ? "zh" : "en") + (dark ? "-dark" : "-light");
            for (int index = 0; index < 3; ++index) {
                window->selectTab(index);
                QCoreApplication::processEvents();
                const QImage image = window->grab().toImage();
                ASSERT_FALSE(image.isNull());
                EXPECT_TRUE(image.save(folder + QString("/tab%1-").arg(index) + suffix + ".png"));
            }
            if (chinese) {
                EXPECT_EQ(window->tabBar()->tabText(1), QString::fromUtf8("用户规则"));
            }
            window->userRulesTab()->addButton()->click();
            auto* editor = window->userRulesTab()->editor();
            ASSERT_NE(editor, nullptr);
            QCoreApplication::processEvents();
            EXPECT_TRUE(editor->grab().toImage().save(folder + "/editor-" + suffix + ".png"));
            editor->reject();
        }
    }
    QApplication::setPalette(testing::lightTestPalette());
}

}  // namespace
}  // namespace quorvane

#pragma once
// The "User Rules" tab: the rules in a table with a checkable Enabled cell per row, and Add, Edit (or a
// double click), Delete, Move Up and Move Down (rules run in list order). Each change is stored at once. A
// rule the editor commits that fails validation is reported in an alert, then the editor opens again with
// what the user typed. Main thread only.

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "classification/ClipboardUserClassificationRuleDraft.h"
#include "settings/widgets/ClassificationRuleEditorDialog.h"
#include "ui/CheckableCellTable.h"

class QPushButton;
class QTableWidgetItem;

namespace quorvane {

class AlertPresenter;
class ClassificationSettingsViewModel;

class ClassificationUserRulesTab : public QWidget {
    Q_OBJECT
public:
    // `viewModel` and `alerts` must outlive the tab.
    ClassificationUserRulesTab(ClassificationSettingsViewModel& viewModel, AlertPresenter& alerts,
                               QWidget* parent = nullptr);

    CheckableCellTable* table() const { return table_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* editButton() const { return editButton_; }
    QPushButton* deleteButton() const { return deleteButton_; }
    QPushButton* moveUpButton() const { return moveUpButton_; }
    QPushButton* moveDownButton() const { return moveDownButton_; }
    // The editor on screen, or null.
    ClassificationRuleEditorDialog* editor() const { return editor_; }

    void reload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeEnabled(QTableWidgetItem* item);
    // `ruleId` is the rule being edited (none when adding); `keptDraft` what the user typed before a failed
    // save.
    void openEditor(const std::optional<std::string>& ruleId,
                    const std::optional<ClipboardUserClassificationRuleDraft>& keptDraft);
    std::optional<std::size_t> selectedRow() const;
    void updateButtons();
    void editSelected();
    void deleteSelected();
    // Moves the selected rule one place up (-1) or down (+1); it stays selected.
    void moveSelected(int offset);

    ClassificationSettingsViewModel& viewModel_;
    AlertPresenter& alerts_;
    CheckableCellTable* table_;
    QPushButton* addButton_;
    QPushButton* editButton_;
    QPushButton* deleteButton_;
    QPushButton* moveUpButton_;
    QPushButton* moveDownButton_;
    QPointer<ClassificationRuleEditorDialog> editor_;
};

}  // namespace quorvane

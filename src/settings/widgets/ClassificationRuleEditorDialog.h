#pragma once
// The sheet in which one user classification rule is added or edited. It shows a draft, adapts the condition
// controls to the chosen kind and hands the draft read from its controls to onCommit; it validates nothing
// and does not close itself (its presenter does). Return commits, Escape cancels. Main thread only.

#include <QDialog>
#include <functional>

#include "classification/ClipboardUserClassificationRuleDraft.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvane {

class ClassificationRuleEditorDialog : public QDialog {
    Q_OBJECT
public:
    ClassificationRuleEditorDialog(const ClipboardUserClassificationRuleDraft& draft, bool isEditing,
                                   QWidget* parent = nullptr);

    std::function<void(const ClipboardUserClassificationRuleDraft&)> onCommit;
    std::function<void()> onCancel;

    ClipboardUserClassificationRuleDraft draftFromControls() const;

    QLineEdit* nameField() const { return nameField_; }
    QLineEdit* resultField() const { return resultField_; }
    QLineEdit* conditionValueField() const { return valueField_; }
    QComboBox* conditionKindPopup() const { return kindPopup_; }
    QComboBox* systemClassificationPopup() const { return systemPopup_; }
    QCheckBox* enabledCheckbox() const { return enabledCheckbox_; }
    QWidget* valueRow() const { return valueRow_; }
    QWidget* systemClassificationRow() const { return systemRow_; }
    QLabel* conditionDescriptionLabel() const { return descriptionLabel_; }
    QPushButton* commitButton() const { return commitButton_; }

    void reject() override;

private:
    void showDraft(const ClipboardUserClassificationRuleDraft& draft);
    void updateConditionControls();

    QLineEdit* nameField_;
    QLineEdit* resultField_;
    QComboBox* kindPopup_;
    QLineEdit* valueField_;
    QComboBox* systemPopup_;
    QCheckBox* enabledCheckbox_;
    QLabel* descriptionLabel_;
    QWidget* valueRow_;
    QWidget* systemRow_;
    QPushButton* cancelButton_;
    QPushButton* commitButton_;
};

}  // namespace quorvane

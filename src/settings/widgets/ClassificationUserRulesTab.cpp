#include "settings/widgets/ClassificationUserRulesTab.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "l10n/L10n.h"
#include "platform/AlertPresenter.h"
#include "settings/model/ClassificationSettingsViewModel.h"
#include "settings/widgets/ClassificationRuleEditorDialog.h"
#include "settings/widgets/SettingsCard.h"

namespace quorvane {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr int kEnabledColumn = 0;
constexpr int kRuleIdRole = Qt::UserRole;

}  // namespace

ClassificationUserRulesTab::ClassificationUserRulesTab(ClassificationSettingsViewModel& viewModel,
                                                       AlertPresenter& alerts, QWidget* parent)
    : QWidget(parent),
      viewModel_(viewModel),
      alerts_(alerts),
      table_(new CheckableCellTable(0, 4)),
      addButton_(new QPushButton(qs(L10n::text(L10nKey::classificationAddRule)))),
      editButton_(new QPushButton(qs(L10n::text(L10nKey::classificationEditRule)))),
      deleteButton_(new QPushButton(qs(L10n::text(L10nKey::classificationDeleteRule)))),
      moveUpButton_(new QPushButton(qs(L10n::text(L10nKey::classificationMoveRuleUp)))),
      moveDownButton_(new QPushButton(qs(L10n::text(L10nKey::classificationMoveRuleDown)))) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 20);
    auto* card = new SettingsCard(this);
    outer->addWidget(card);
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(12);

    auto* description = new QLabel(qs(L10n::text(L10nKey::classificationUserRulesDescription)), card);
    description->setWordWrap(true);
    applySecondaryLabelStyle(description);
    layout->addWidget(description);

    table_->setParent(card);
    table_->setHorizontalHeaderLabels({qs(L10n::text(L10nKey::classificationRuleEnabledColumn)),
                                       qs(L10n::text(L10nKey::classificationRuleNameColumn)),
                                       qs(L10n::text(L10nKey::classificationConditionColumn)),
                                       qs(L10n::text(L10nKey::classificationResultColumn))});
    table_->setColumnWidth(0, 72);
    table_->setColumnWidth(1, 150);
    table_->setColumnWidth(2, 260);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(30);
    table_->setAlternatingRowColors(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTextElideMode(Qt::ElideRight);
    table_->setWordWrap(false);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(table_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(addButton_);
    buttons->addWidget(editButton_);
    buttons->addWidget(deleteButton_);
    buttons->addStretch(1);
    buttons->addWidget(moveUpButton_);
    buttons->addWidget(moveDownButton_);
    QPalette red = deleteButton_->palette();
    // Red only while it can be pressed; disabled it greys like its neighbours.
    red.setColor(QPalette::Active, QPalette::ButtonText, QColor(0xd7, 0x3a, 0x3a));
    red.setColor(QPalette::Inactive, QPalette::ButtonText, QColor(0xd7, 0x3a, 0x3a));
    deleteButton_->setPalette(red);
    layout->addLayout(buttons);

    connect(addButton_, &QPushButton::clicked, this, [this] { openEditor(std::nullopt, std::nullopt); });
    connect(editButton_, &QPushButton::clicked, this, [this] { editSelected(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { deleteSelected(); });
    connect(moveUpButton_, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(moveDownButton_, &QPushButton::clicked, this, [this] { moveSelected(+1); });
    // Whatever changed the check (the mouse, Space, a screen reader's toggle), it is stored.
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) { storeEnabled(item); });
    table_->installEventFilter(this);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int, int column) {
        if (column != kEnabledColumn) editSelected();
    });
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    reload();
}

void ClassificationUserRulesTab::reload() {
    const auto previous = selectedRow();
    const auto& rules = viewModel_.userRules();
    const QSignalBlocker block(table_);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(rules.size()));
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const auto& rule = rules[i];
        const int row = static_cast<int>(i);
        auto* enabled = new QTableWidgetItem;
        enabled->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        enabled->setCheckState(rule.isEnabled ? Qt::Checked : Qt::Unchecked);
        enabled->setData(kRuleIdRole, qs(rule.id));
        // A cell with no text of its own: a screen reader says the column and whose rule it is.
        enabled->setData(Qt::AccessibleTextRole, table_->horizontalHeaderItem(kEnabledColumn)->text());
        enabled->setData(Qt::AccessibleDescriptionRole, qs(rule.name));
        table_->setItem(row, kEnabledColumn, enabled);
        table_->setItem(row, 1, new QTableWidgetItem(qs(rule.name)));
        table_->setItem(row, 2, new QTableWidgetItem(qs(rule.conditionSummary())));
        table_->setItem(row, 3, new QTableWidgetItem(qs(rule.resultClassification)));
    }
    if (previous && *previous < rules.size()) {
        table_->selectRow(static_cast<int>(*previous));
    }
    updateButtons();
}

void ClassificationUserRulesTab::storeEnabled(QTableWidgetItem* item) {
    if (!item || item->column() != kEnabledColumn) return;
    const std::string id = item->data(kRuleIdRole).toString().toStdString();
    viewModel_.setRuleEnabled(id, item->checkState() == Qt::Checked);
    // By id and queued: the item belongs to the signal being delivered, and the rules may have moved.
    QMetaObject::invokeMethod(
        this, [this] { reload(); }, Qt::QueuedConnection);
}

bool ClassificationUserRulesTab::eventFilter(QObject* watched, QEvent* event) {
    // Space toggles the row's rule whichever of its cells has the focus.
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int row = table_->currentRow();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && row >= 0) {
            if (table_->toggleCheck(table_->model()->index(row, kEnabledColumn))) return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::optional<std::size_t> ClassificationUserRulesTab::selectedRow() const {
    const auto rows = table_->selectionModel() ? table_->selectionModel()->selectedRows() : QModelIndexList{};
    if (rows.isEmpty()) return std::nullopt;
    const int row = rows.first().row();
    if (row < 0 || static_cast<std::size_t>(row) >= viewModel_.userRules().size()) return std::nullopt;
    return static_cast<std::size_t>(row);
}

void ClassificationUserRulesTab::updateButtons() {
    const auto row = selectedRow();
    editButton_->setEnabled(row.has_value());
    deleteButton_->setEnabled(row.has_value());
    moveUpButton_->setEnabled(row && *row > 0);
    moveDownButton_->setEnabled(row && *row + 1 < viewModel_.userRules().size());
}

void ClassificationUserRulesTab::editSelected() {
    const auto row = selectedRow();
    if (!row) return;
    openEditor(viewModel_.userRules()[*row].id, std::nullopt);
}

void ClassificationUserRulesTab::deleteSelected() {
    const auto row = selectedRow();
    if (!row) return;
    viewModel_.deleteRule(viewModel_.userRules()[*row].id);
    table_->clearSelection();
    reload();
}

void ClassificationUserRulesTab::moveSelected(int offset) {
    const auto row = selectedRow();
    if (!row || (offset < 0 && *row == 0)) return;
    const std::string id = viewModel_.userRules()[*row].id;
    if (!viewModel_.moveRule(id, offset < 0 ? *row - 1 : *row + 1)) return;
    table_->clearSelection();
    reload();
    // The moved rule stays selected, so repeated presses keep moving it.
    const auto& rules = viewModel_.userRules();
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (rules[i].id == id) table_->selectRow(static_cast<int>(i));
    }
}

void ClassificationUserRulesTab::openEditor(
    const std::optional<std::string>& ruleId,
    const std::optional<ClipboardUserClassificationRuleDraft>& keptDraft) {
    const ClipboardUserClassificationRule* rule = nullptr;
    if (ruleId) {
        for (const auto& candidate : viewModel_.userRules()) {
            if (candidate.id == *ruleId) {
                rule = &candidate;
                break;
            }
        }
    }
    const auto draft = ClassificationSettingsViewModel::editorDraft(rule, keptDraft);
    auto* editor = new ClassificationRuleEditorDialog(draft, ruleId.has_value(), this);
    editor_ = editor;
    QPointer<ClassificationUserRulesTab> page(this);
    QPointer<ClassificationRuleEditorDialog> sheet(editor);
    editor->onCancel = [page, sheet] {
        if (!page || !sheet) return;
        sheet->hide();
        sheet->deleteLater();
    };
    editor->onCommit = [page, sheet, ruleId](const ClipboardUserClassificationRuleDraft& committed) {
        if (!page || !sheet) return;
        sheet->hide();
        sheet->deleteLater();
        const auto outcome = page->viewModel_.commitRule(ruleId, committed);
        if (outcome.saved) {
            page->reload();
            return;
        }
        Alert alert;
        alert.style = AlertStyle::informational;
        alert.messageText = L10n::text(L10nKey::classificationRuleSaveFailedTitle);
        alert.informativeText = outcome.errorMessage;
        alert.buttonTitles = {L10n::text(L10nKey::ruleEditorOk)};
        page->alerts_.present(alert, [page, ruleId, committed](std::optional<std::size_t>) {
            if (page) page->openEditor(ruleId, committed);
        });
    };
    editor->setWindowModality(Qt::WindowModal);
    editor->show();
}

}  // namespace quorvane

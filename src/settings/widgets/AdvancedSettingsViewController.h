#pragma once

// The advanced settings page: text recognition, the pinyin index (Chinese interface only), the search index
// card, the accessibility card with paste-back (direct build only) and the panel card. Which cards and rows
// exist is fixed when the page is built; a language change rebuilds the page. It draws an
// AdvancedSettingsViewModel and hands user actions to it; reloads never write a setting. Main thread only.

#include <QWidget>
#include <memory>

#include "settings/model/AdvancedSettingsViewModel.h"
#include "settings/model/SettingsModuleNotifications.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;

namespace quorvane {

class SettingsCard;

class AdvancedSettingsViewController : public QWidget, public SettingsModuleRefreshable {
    Q_OBJECT

public:
    explicit AdvancedSettingsViewController(std::unique_ptr<AdvancedSettingsViewModel> viewModel,
                                            QWidget* parent = nullptr);
    ~AdvancedSettingsViewController() override;

    AdvancedSettingsViewModel& viewModel() { return *viewModel_; }

    // Loads the index statistics again and re-reads the permission, presentation, list style and paste-back.
    void refresh() override;

    QCheckBox* ocrToggle() const { return ocrToggle_; }
    QComboBox* ocrModePopup() const { return ocrModePopup_; }
    QComboBox* ocrLanguagePopup() const { return ocrLanguagePopup_; }
    QLabel* ocrLanguageLabel() const { return ocrLanguageLabel_; }
    SettingsCard* pinyinCard() const { return pinyinCard_; }
    QCheckBox* pinyinToggle() const { return pinyinToggle_; }
    QLabel* searchIndexStatsLabel() const { return searchIndexStatsLabel_; }
    QPushButton* rebuildButton() const { return rebuildButton_; }
    QProgressBar* rebuildSpinner() const { return rebuildSpinner_; }
    SettingsCard* accessibilityCard() const { return accessibilityCard_; }
    QLabel* accessibilityStatusValueLabel() const { return accessibilityStatusValueLabel_; }
    QPushButton* accessibilityRequestButton() const { return accessibilityRequestButton_; }
    QPushButton* accessibilityOpenSettingsButton() const { return accessibilityOpenSettingsButton_; }
    QCheckBox* directReturnPasteToggle() const { return directReturnPasteToggle_; }
    QComboBox* presentationPopup() const { return presentationPopup_; }
    QComboBox* floatingListStylePopup() const { return floatingListStylePopup_; }
    QPushButton* resetPanelPositionButton() const { return resetPanelPositionButton_; }
    QScrollArea* scrollArea() const { return scrollArea_; }
    bool isFloatingListStyleRowShown() const;

private:
    void buildLayout();
    void connectActions();
    // Shows every value the model holds; writes nothing.
    void reload();
    void reloadPanelCard();
    DirectClipboardPresentationMode displayedPresentationMode() const;
    // Disabling a focused button would hand the focus to the next control (and scroll to it); the page
    // holds it instead while the button is disabled and gives it back when it is enabled again.
    void setRebuildButtonEnabled(bool enabled);

    std::unique_ptr<AdvancedSettingsViewModel> viewModel_;
    QScrollArea* scrollArea_ = nullptr;
    QWidget* content_ = nullptr;
    bool rebuildButtonLostFocus_ = false;
    QCheckBox* ocrToggle_ = nullptr;
    QComboBox* ocrModePopup_ = nullptr;
    QLabel* ocrLanguageLabel_ = nullptr;
    QComboBox* ocrLanguagePopup_ = nullptr;
    SettingsCard* pinyinCard_ = nullptr;
    QCheckBox* pinyinToggle_ = nullptr;
    QLabel* searchIndexStatsLabel_ = nullptr;
    QPushButton* rebuildButton_ = nullptr;
    QProgressBar* rebuildSpinner_ = nullptr;
    SettingsCard* accessibilityCard_ = nullptr;
    QLabel* accessibilityStatusValueLabel_ = nullptr;
    QLabel* accessibilityDescriptionLabel_ = nullptr;
    QCheckBox* directReturnPasteToggle_ = nullptr;
    QPushButton* accessibilityRequestButton_ = nullptr;
    QPushButton* accessibilityOpenSettingsButton_ = nullptr;
    QComboBox* presentationPopup_ = nullptr;
    QWidget* presentationRows_ = nullptr;
    QComboBox* floatingListStylePopup_ = nullptr;
    QWidget* floatingListStyleRows_ = nullptr;
    QPushButton* resetPanelPositionButton_ = nullptr;
    Subscription viewModelChanges_;
};

}  // namespace quorvane

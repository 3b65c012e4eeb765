#pragma once

// The storage page of the settings window: the storage folder with Choose..., Reset and Show in File Manager,
// the privacy note, and the overview of what the history holds with Clear All History Now. Draws its
// StorageSettingsViewModel and hands button clicks to it; the settings window tells it when it is shown
// (refresh()) and hidden (settingsModuleDidHide()). Main thread only.

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "base/CallbackList.h"
#include "settings/model/SettingsModuleNotifications.h"
#include "settings/model/StorageSettingsViewModel.h"

namespace quorvane {

class StorageSettingsView : public QWidget,
                            public SettingsModuleRefreshable,
                            public SettingsModuleVisibilityAware {
    Q_OBJECT
public:
    // Builds the page's view model from `services` (which starts its first load).
    explicit StorageSettingsView(StorageSettingsViewModel::Services services, QWidget* parent = nullptr);
    ~StorageSettingsView() override;

    // The page became visible (or its window became active): live updates on and a fresh load.
    void refresh() override;
    // The page was hidden: live updates off.
    void settingsModuleDidHide() override;

    StorageSettingsViewModel& viewModel() { return *viewModel_; }
    QPushButton* selectDirectoryButton() const { return selectDirectoryButton_; }
    QPushButton* resetDirectoryButton() const { return resetDirectoryButton_; }
    QPushButton* showInFileManagerButton() const { return showInFileManagerButton_; }
    QPushButton* clearHistoryButton() const { return clearHistoryButton_; }
    QLabel* itemCountValueLabel() const { return itemCountValueLabel_; }
    QLabel* diskUsageValueLabel() const { return diskUsageValueLabel_; }
    QLabel* contentBreakdownValueLabel() const { return contentBreakdownValueLabel_; }
    QLabel* lastSavedValueLabel() const { return lastSavedValueLabel_; }
    QLabel* clearHistoryDescriptionLabel() const { return clearHistoryDescriptionLabel_; }
    QLabel* storageRefusalLabel() const { return storageRefusalLabel_; }
    // The full path shown (the label itself may shorten it in the middle).
    QString shownDataDirectoryPath() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    // Draws the view model's state.
    void updateFromViewModel();
    void applyColors();

    std::unique_ptr<StorageSettingsViewModel> viewModel_;
    Subscription observation_;
    QLabel* titleLabel_ = nullptr;
    QLabel* dataDirectoryPathLabel_ = nullptr;
    QLabel* storageRefusalLabel_ = nullptr;
    QPushButton* selectDirectoryButton_ = nullptr;
    QPushButton* resetDirectoryButton_ = nullptr;
    QPushButton* showInFileManagerButton_ = nullptr;
    QLabel* privacyIconLabel_ = nullptr;
    QLabel* itemCountValueLabel_ = nullptr;
    QLabel* diskUsageValueLabel_ = nullptr;
    QLabel* contentBreakdownValueLabel_ = nullptr;
    QLabel* lastSavedValueLabel_ = nullptr;
    QLabel* clearHistoryDescriptionLabel_ = nullptr;
    QPushButton* clearHistoryButton_ = nullptr;
    QWidget* separator_ = nullptr;
};

}  // namespace quorvane

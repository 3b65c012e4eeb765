#pragma once

// The ignored-applications page of the settings window ("App Filter"): the list of applications whose copies
// are never recorded, each with its name and icon, filled from a file picker on ".desktop" files or by
// dropping such files on the list, and emptied with Remove App. The list is read again each time the page is
// shown. Draws an IgnoredAppsSettingsViewModel and hands clicks and drops to it. Main thread only.

#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <optional>
#include <string>

#include "platform/AlertPresenter.h"
#include "platform/ApplicationFilePicker.h"
#include "settings/model/IgnoredAppsSettingsViewModel.h"
#include "settings/widgets/IgnoredAppsDropTarget.h"

namespace quorvane {

class IgnoredAppsSettingsView : public QWidget {
    Q_OBJECT
public:
    struct Services {
        UserDefaults& userDefaults;
        ClipboardIgnoredAppsSettings& ignoredApps;
        const ApplicationCatalog& catalog;
        const ApplicationFileReader& fileReader;
        AlertPresenter& alerts;
        ApplicationFilePicker& filePicker;
    };

    // Everything in `services` must outlive the page (the picker and presenter also its open dialogs).
    explicit IgnoredAppsSettingsView(Services services, QWidget* parent = nullptr);

    // Draws the stored list again; selects `target` when it is listed, else keeps the selected row.
    void reloadIgnoredApps(const std::optional<std::string>& target = std::nullopt);
    // Adds the files' applications, selects the last one and reports a refusal (picker and drop share it).
    void addIgnoredApps(const IgnoredAppsDropTarget::Files& files);

    IgnoredAppsSettingsViewModel& viewModel() { return viewModel_; }
    QListWidget* list() const { return list_; }
    IgnoredAppsDropTarget* dropTarget() const { return dropTarget_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* removeButton() const { return removeButton_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void addButtonClicked();
    void removeButtonClicked();
    void updateRemoveButton();
    void applyColors();
    QIcon iconFor(const IgnoredAppRow& row) const;

    Services services_;
    IgnoredAppsSettingsViewModel viewModel_;
    IgnoredAppsDropTarget* dropTarget_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
};

}  // namespace quorvane

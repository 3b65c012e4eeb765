#pragma once
// The "System" tab: one card for the main content types and one per classification group, each with
// "Select All" and "Invert" and a checkbox per item. Every click is stored at once through the view model;
// the checkboxes are built once, so switching tabs keeps their states. Main thread only.

#include <QWidget>
#include <map>

#include "classification/ClipboardMainContentType.h"
#include "classification/ClipboardSystemClassification.h"

class QCheckBox;
class QVBoxLayout;

namespace quorvane {

class ClassificationSettingsViewModel;

class ClassificationSystemTab : public QWidget {
    Q_OBJECT
public:
    // `viewModel` must outlive the tab.
    explicit ClassificationSystemTab(ClassificationSettingsViewModel& viewModel, QWidget* parent = nullptr);

    QCheckBox* checkbox(ClipboardSystemClassification classification) const;
    QCheckBox* checkbox(ClipboardMainContentType type) const;

private:
    QWidget* makeCard(const QString& title, const QString& buttonSuffix,
                      const std::vector<std::pair<QCheckBox*, QString>>& rows);
    void selectAll(const QString& suffix);
    void invert(const QString& suffix);

    ClassificationSettingsViewModel& viewModel_;
    std::map<ClipboardMainContentType, QCheckBox*> mainTypeCheckboxes_;
    std::map<ClipboardSystemClassification, QCheckBox*> checkboxes_;
};

}  // namespace quorvane
